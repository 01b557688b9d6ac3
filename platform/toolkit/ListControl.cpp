#include "platform/toolkit/ListControl.h"

#include "platform/text/Error.h"
#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/ItemStore.h"
#include "platform/toolkit/Look.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QListView>
#include <QPainter>

namespace tarvix {

NewItem::operator std::int16_t() const
{
    if (!store_ || id_ == 0)
        return -1;
    return static_cast<std::int16_t>(const_cast<detail::ItemStore*>(store_)->positionOf(id_));
}

ListControl::ListControl(Form& form, const ControlDef& def)
    : Control(form, def), store_(std::make_unique<detail::ItemStore>(def.props.sorted)),
      model_(std::make_unique<detail::ItemModel>(*store_))
{
}

ListControl::~ListControl() = default;

bool ListControl::Sorted() const
{
    return store_->sorted();
}

void ListControl::scheduleSync()
{
    if (syncPosted_ || !widget_)
        return;
    syncPosted_ = true;
    QMetaObject::invokeMethod(
        widget_,
        [this] {
            // A sync since it was posted has shown everything already: a second reset would lay out every row again.
            if (!syncPosted_)
                return;
            syncPosted_ = false;
            syncView();
        },
        Qt::QueuedConnection);
}

void ListControl::AddItem(QString text)
{
    store_->add(std::move(text));
    scheduleSync();
}

void ListControl::Clear()
{
    store_->clear();
    syncView();
}

std::int16_t ListControl::ListCount() const
{
    return static_cast<std::int16_t>(store_->size());
}

std::int16_t ListControl::ListIndex() const
{
    return static_cast<std::int16_t>(store_->positionOf(store_->selectedId));
}

void ListControl::setListIndex(std::int16_t index)
{
    if (index < -1 || index >= static_cast<int>(store_->size()))
        RaiseToolkitError(tkerr::InvalidPropertyValue);
    store_->settle();
    store_->selectedId = index < 0 ? 0 : store_->at(static_cast<std::size_t>(index)).id;
    syncView();
    Dispatch([this] {
        if (Click)
            Click();
    });
    detail::CheckUnwind();
}

NewItem ListControl::NewIndex() const
{
    return NewItem(store_.get(), store_->lastId());
}

QString ListControl::List(std::int16_t index) const
{
    if (index < -1)
        RaiseToolkitError(tkerr::InvalidPropertyIndex);
    if (index == -1 || index >= static_cast<int>(store_->size()))
        return QString();
    store_->settle();
    return store_->at(static_cast<std::size_t>(index)).text;
}

QString ListControl::List(NewItem item) const
{
    const auto* it = store_->byId(item.id_);
    return it ? it->text : QString();
}

std::int32_t ListControl::ItemData(std::int16_t index) const
{
    if (index < 0 || index >= static_cast<int>(store_->size()))
        RaiseToolkitError(tkerr::InvalidPropertyIndex);
    store_->settle();
    return store_->at(static_cast<std::size_t>(index)).data;
}

std::int32_t ListControl::ItemData(NewItem item) const
{
    const auto* it = store_->byId(item.id_);
    if (!it)
        RaiseToolkitError(tkerr::InvalidPropertyIndex);
    return it->data;
}

void ListControl::setItemData(std::int16_t index, std::int32_t value)
{
    if (index < 0 || index >= static_cast<int>(store_->size()))
        RaiseToolkitError(tkerr::InvalidPropertyIndex);
    store_->settle();
    store_->at(static_cast<std::size_t>(index)).data = value;
}

void ListControl::setItemData(NewItem item, std::int32_t value)
{
    auto* it = store_->byId(item.id_);
    if (!it)
        RaiseToolkitError(tkerr::InvalidPropertyIndex);
    it->data = value;
}

void ListControl::userPicked(int row)
{
    if (syncing_ || row < 0 || row >= static_cast<int>(store_->size()))
        return;
    // The item the user saw at that row, before pending items take their places.
    store_->selectedId = store_->at(static_cast<std::size_t>(row)).id;
    if (!store_->settled())
        syncView();
    Dispatch([this] {
        if (Click)
            Click();
    });
}

void ListControl::resetToDesign()
{
    Control::resetToDesign();
    store_->clear();
    syncView();
}

namespace {

// A hidden list lays out all its rows only to scroll to one: it scrolls when it shows instead.
class ListView : public QListView {
public:
    using QListView::QListView;

    void scrollToCurrent()
    {
        if (isVisible())
            scrollTo(currentIndex());
        else
            scrollPending_ = true;
    }

protected:
    // A focused list draws a dotted rectangle round its current item, or where its first item
    // would be: a selected item alone looks the same in a list without the focus.
    void paintEvent(QPaintEvent* event) override
    {
        QListView::paintEvent(event);
        if (!hasFocus() || !model())
            return;
        const QModelIndex current = currentIndex();
        const bool onItem = current.isValid() && model()->rowCount() > 0;
        const QRect item = onItem ? visualRect(current) : QRect(0, 0, viewport()->width(), fontMetrics().height() + 2);
        const bool selected = onItem && selectionModel() && selectionModel()->isSelected(current);
        // Drawn whether the focus came by key or by mouse: the style shows it only after a key.
        QPainter painter(viewport());
        painter.setPen(QPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text), 0, Qt::DotLine));
        painter.drawRect(item.adjusted(0, 0, -1, -1));
    }
    void focusInEvent(QFocusEvent* event) override
    {
        QListView::focusInEvent(event);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QListView::focusOutEvent(event);
        viewport()->update();
    }
    void showEvent(QShowEvent* event) override
    {
        QListView::showEvent(event);
        if (scrollPending_ && currentIndex().isValid())
            scrollTo(currentIndex());
        scrollPending_ = false;
    }

private:
    bool scrollPending_ = false;
};

}  // namespace

ListBox::ListBox(Form& form, const ControlDef& def, QWidget* parent) : ListControl(form, def)
{
    auto* view = new ListView(parent);
    widget_ = view;
    view->setUniformItemSizes(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setModel(model_.get());
    detail::PlaceWidget(view, def);
    detail::ApplyLook(view, def.props, QPalette::Base);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view,
                     [this, view](const QItemSelection&, const QItemSelection&) {
                         const auto rows = view->selectionModel()->selectedRows();
                         if (rows.size() == 1)
                             userPicked(rows.front().row());
                     });
}

void ListBox::syncView()
{
    auto* view = static_cast<ListView*>(widget_);
    syncPosted_ = false;
    syncing_ = true;
    store_->settle();
    model_->refresh();
    const int row = store_->positionOf(store_->selectedId);
    if (row >= 0) {
        const QModelIndex index = model_->index(row);
        view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        view->scrollToCurrent();
    } else {
        view->selectionModel()->clearSelection();
    }
    syncing_ = false;
}

ComboBox::ComboBox(Form& form, const ControlDef& def, QWidget* parent) : ListControl(form, def)
{
    // Only the drop-down list the windows use exists.
    if (def.props.comboStyle != 2)
        RaiseToolkitError(tkerr::InvalidPropertyValue);
    auto* combo = new QComboBox(parent);
    widget_ = combo;
    combo->setEditable(false);
    combo->setModel(model_.get());
    if (auto* popup = qobject_cast<QListView*>(combo->view()))
        popup->setUniformItemSizes(true);
    // A scrolling list of ten rows, not every chapter down the screen.
    combo->setMaxVisibleItems(10);
    detail::PlaceWidget(combo, def);
    detail::ApplyLook(combo, def.props, QPalette::Base);
    QObject::connect(combo, &QComboBox::activated, combo, [this](int row) { userPicked(row); });
}

void ComboBox::syncView()
{
    auto* combo = static_cast<QComboBox*>(widget_);
    syncPosted_ = false;
    syncing_ = true;
    store_->settle();
    model_->refresh();
    combo->setCurrentIndex(store_->positionOf(store_->selectedId));
    syncing_ = false;
}

QString ComboBox::Text() const
{
    const auto* item = store_->byId(store_->selectedId);
    return item ? item->text : QString();
}

void ComboBox::setText(const QString& text)
{
    store_->settle();
    for (std::size_t i = 0; i < store_->size(); ++i) {
        if (store_->at(i).text == text) {
            setListIndex(static_cast<std::int16_t>(i));
            return;
        }
    }
    RaiseToolkitError(tkerr::TextReadOnly);
}

}  // namespace tarvix
