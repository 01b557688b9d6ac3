#include "platform/Toolkit.h"

#include "platform/Engine.h"
#include "platform/ToolkitItems.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleOption>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <unistd.h>

namespace tarvix {

void releaseAllWindows() noexcept;

// ============================================================ error boundary

std::function<void(int)> EndProgramHook;
std::function<int(const QString&, int, const QString&)> MsgBoxHook;

namespace {

int g_dispatchDepth = 0;
bool g_errorRaised = false;
std::vector<Form*> g_forms;        // every form alive
std::vector<Form*> g_activeStack;  // the start-up window, then each modal Show
int g_loadedCount = 0;
bool g_programRunning = false;
QEventLoop* g_programLoop = nullptr;
std::vector<QEventLoop*> g_modalLoops;  // the running modal Shows, innermost last

// Thrown by toolkit calls made inside a handler after a nested handler failed,
// so the outer handler stops too; caught by the outermost Dispatch.
struct Unwinding {};

void checkUnwind() {
    if (g_errorRaised && g_dispatchDepth > 0) throw Unwinding{};
}

QString stripAccel(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&') {
            if (i + 1 < caption.size() && caption.at(i + 1) == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += caption.at(i);
    }
    return out;
}

}  // namespace

bool ErrorRaised() { return g_errorRaised; }
void ResetAfterError() { g_errorRaised = false; }

namespace {

void endProgram(int status) {
    if (EndProgramHook) {
        EndProgramHook(status);
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(status);
}

}  // namespace

class Form::ModalLoop : public QEventLoop {};

namespace {

void failWith(int number, const QString& text) noexcept {
    g_errorRaised = true;
    try {
        MsgBox(QStringLiteral("Eroare de execuție '%1':\n\n%2").arg(number).arg(text), vbCritical, QStringLiteral("Tarvix"));
    } catch (...) {
    }
    endProgram(1);
    // Only a test's end hook comes back here: let every modal Show return.
    for (QEventLoop* loop : g_modalLoops) loop->exit();
    if (g_programLoop) g_programLoop->exit();
}

}  // namespace

void Dispatch(const std::function<void()>& handler) {
    if (g_errorRaised || !handler) return;
    struct Depth {
        Depth() { ++g_dispatchDepth; }
        ~Depth() { --g_dispatchDepth; }
    } depth;
    try {
        handler();
    } catch (const Unwinding&) {
    } catch (const EngineError& e) {
        failWith(e.Number(), e.Text());
    } catch (const std::bad_alloc&) {
        failWith(7, QStringLiteral("Memorie insuficientă."));
    } catch (const std::exception& e) {
        failWith(51, QStringLiteral("Eroare internă: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        failWith(51, QStringLiteral("Eroare internă."));
    }
}

// ============================================================ message boxes

int MsgBox(const QString& text, int style, const QString& title) {
    const QString shownTitle = title.isEmpty() ? QStringLiteral("Tarvix") : title;
    if (MsgBoxHook) return MsgBoxHook(text, style, shownTitle);

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(shownTitle);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    switch (style & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case 64: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    std::vector<std::pair<QPushButton*, int>> buttons;
    auto add = [&](const char* caption, QMessageBox::ButtonRole role, int answer) {
        buttons.emplace_back(box.addButton(QString::fromUtf8(caption), role), answer);
    };
    switch (style & 7) {
    case 1: add("OK", QMessageBox::AcceptRole, vbOK); add("Anulare", QMessageBox::RejectRole, 2); break;
    case 3: add("Da", QMessageBox::YesRole, vbYes); add("Nu", QMessageBox::NoRole, vbNo); add("Anulare", QMessageBox::RejectRole, 2); break;
    case vbYesNo: add("Da", QMessageBox::YesRole, vbYes); add("Nu", QMessageBox::NoRole, vbNo); break;
    default: add("OK", QMessageBox::AcceptRole, vbOK); break;
    }
    const std::size_t def = std::min<std::size_t>(static_cast<std::size_t>((style >> 8) & 3), buttons.size() - 1);
    box.setDefaultButton(buttons[def].first);
    box.setEscapeButton(buttons.back().first);
    if (QWidget* top = QApplication::activeWindow()) box.setWindowIcon(top->windowIcon());
    box.exec();
    for (const auto& [button, answer] : buttons)
        if (box.clickedButton() == button) return answer;
    return buttons.back().second;
}

// ============================================================ widgets

namespace detail {

class FormWindow : public QWidget {
public:
    explicit FormWindow(Form& form) : form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Shortcut) {
            // An access key: focus first (the box's LostFocus runs), then Click, at once.
            if (auto* button = qobject_cast<QPushButton*>(watched)) {
                if (button->isEnabled()) {
                    button->setFocus(Qt::ShortcutFocusReason);
                    form_.pressButton(button);
                }
                return true;
            }
        }
        if (event->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(event);
            const auto mods = ke->modifiers() & ~Qt::KeypadModifier;
            if (mods == Qt::NoModifier) {
                if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
                    form_.pressEnter(qobject_cast<QWidget*>(watched));
                    return true;
                }
                if (ke->key() == Qt::Key_Escape) {
                    form_.pressEscape();
                    return true;
                }
            }
        }
        return QWidget::eventFilter(watched, event);
    }

    QPixmap background;

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        form_.closeBox();
    }
    void keyPressEvent(QKeyEvent* event) override {
        QWidget* focus = focusWidget();
        const auto mods = event->modifiers() & ~Qt::KeypadModifier;
        if (mods == Qt::NoModifier && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
            form_.pressEnter(this);
        } else if (mods == Qt::NoModifier && event->key() == Qt::Key_Escape) {
            form_.pressEscape();
        }
        if ((focus == nullptr || focus == this) && !event->text().isEmpty() &&
            !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            std::int16_t code = static_cast<std::int16_t>(event->text().at(0).unicode());
            Dispatch([&] { form_.Form_KeyPress(code); });
            event->accept();
            return;
        }
        QWidget::keyPressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QWidget::mouseReleaseEvent(event);
        if (rect().contains(event->position().toPoint())) Dispatch([this] { form_.Form_Click(); });
    }
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        if (!background.isNull()) {
            QPainter painter(this);
            painter.drawPixmap(0, 0, background);
        }
    }

private:
    Form& form_;
};

class LineEdit : public QLineEdit {
public:
    LineEdit(TextBox& box, QWidget* parent) : QLineEdit(parent), box_(box) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (box_.KeyPress && !event->text().isEmpty() && !command) {
            const char16_t typed = event->text().at(0).unicode();
            std::int16_t code = static_cast<std::int16_t>(typed);
            Dispatch([&] { box_.KeyPress(code); });
            if (ErrorRaised() || code == 0) {
                event->accept();
                return;
            }
            const auto replaced = static_cast<char16_t>(code);
            if (replaced != typed) {
                QKeyEvent changed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(replaced)));
                QLineEdit::keyPressEvent(&changed);
                event->setAccepted(changed.isAccepted());
                return;
            }
        }
        QLineEdit::keyPressEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        const auto reason = event->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
        if (!box_.Parent().IsLoaded() || !box_.LostFocus) return;
        // Only when the focus went to another control of the same window.
        Dispatch([this] {
            if (box_.LostFocus) box_.LostFocus();
        });
    }

private:
    TextBox& box_;
};

}  // namespace detail

// ============================================================ controls

Control::Control(Form& form, const ControlDef& def)
    : form_(form), name_(QString::fromUtf8(def.name)), kind_(def.kind), def_(def), enabled_(def.props.enabled) {}

Control::~Control() = default;

bool Control::Enabled() const { return enabled_; }

void Control::setEnabled(bool on) {
    enabled_ = on;
    applyEnabled();
}

void Control::applyEnabled() {
    if (widget_) widget_->setEnabled(enabled_);
}

bool Control::Visible() const { return widget_ ? !widget_->isHidden() : false; }

void Control::setVisible(bool on) {
    if (widget_) widget_->setVisible(on);
}

namespace {

void placeWidget(QWidget* w, const ControlDef& def) {
    w->move(Twips(def.left), Twips(def.top));
    if (def.width > 0 || def.height > 0) w->resize(Twips(def.width), Twips(def.height));
}

void applyLook(QWidget* w, const ControlProps& props, QPalette::ColorRole role) {
    if (props.bold) {
        QFont f = w->font();
        f.setBold(true);
        w->setFont(f);
    }
    if (props.backColor) {
        QPalette p = w->palette();
        p.setColor(role, *props.backColor);
        w->setPalette(p);
        w->setAutoFillBackground(role == QPalette::Window);
    }
}

}  // namespace

void Control::resetToDesign() {
    enabled_ = def_.props.enabled;
    applyEnabled();
    if (widget_) widget_->setVisible(def_.props.visible);
}

// ---- Frame

Frame::Frame(Form& form, const ControlDef& def, QWidget* parent) : Control(form, def) {
    auto* box = new QGroupBox(QString::fromUtf8(def.caption), parent);
    widget_ = box;
    placeWidget(box, def);
    applyLook(box, def.props, QPalette::Window);
}

QString Frame::Caption() const { return static_cast<QGroupBox*>(widget_)->title(); }
void Frame::setCaption(const QString& caption) { static_cast<QGroupBox*>(widget_)->setTitle(caption); }

void Frame::resetToDesign() {
    Control::resetToDesign();
    setCaption(QString::fromUtf8(def_.caption));
}

// ---- Label

Label::Label(Form& form, const ControlDef& def, QWidget* parent) : Control(form, def) {
    auto* label = new QLabel(parent);
    widget_ = label;
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeWidget(label, def);
    applyLook(label, def.props, QPalette::Window);
    setCaption(QString::fromUtf8(def.caption));
}

QString Label::Caption() const { return static_cast<QLabel*>(widget_)->text(); }

void Label::setCaption(const QString& caption) {
    static_cast<QLabel*>(widget_)->setText(caption);
    fit();
}

void Label::fit() {
    if (def_.width == 0 && def_.height == 0) widget_->adjustSize();
}

void Label::resetToDesign() {
    Control::resetToDesign();
    setCaption(QString::fromUtf8(def_.caption));
}

// ---- Image

Image::Image(Form& form, const ControlDef& def, QWidget* parent) : Control(form, def) {
    auto* label = new QLabel(parent);
    widget_ = label;
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setScaledContents(false);
    if (def.props.picture) label->setPixmap(QPixmap(QString::fromUtf8(def.props.picture)));
    placeWidget(label, def);
    if (def.width == 0 && def.height == 0) label->adjustSize();
}

// ---- TextBox

TextBox::TextBox(Form& form, const ControlDef& def, QWidget* parent) : Control(form, def) {
    auto* edit = new detail::LineEdit(*this, parent);
    widget_ = edit;
    placeWidget(edit, def);
    applyLook(edit, def.props, QPalette::Base);
    edit->setContextMenuPolicy(Qt::DefaultContextMenu);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [this](const QString&) {
        if (quiet_ || !Change) return;
        Dispatch([this] {
            if (Change) Change();
        });
    });
    quiet_ = true;
    resetToDesign();
    quiet_ = false;
}

void TextBox::resetToDesign() {
    Control::resetToDesign();
    auto* edit = static_cast<QLineEdit*>(widget_);
    edit->setReadOnly(def_.props.locked);
    edit->setMaxLength(def_.props.maxLength > 0 ? def_.props.maxLength : 32767);
    const bool wasQuiet = quiet_;
    quiet_ = true;
    edit->setText(QString::fromUtf8(def_.caption));
    quiet_ = wasQuiet;
}

QString TextBox::Text() const { return static_cast<QLineEdit*>(widget_)->text(); }

void TextBox::setText(const QString& text) {
    auto* edit = static_cast<QLineEdit*>(widget_);
    if (edit->text() == text) return;
    edit->setText(text);
    checkUnwind();
}

bool TextBox::Locked() const { return static_cast<QLineEdit*>(widget_)->isReadOnly(); }
void TextBox::setLocked(bool on) { static_cast<QLineEdit*>(widget_)->setReadOnly(on); }

int TextBox::MaxLength() const {
    const int n = static_cast<QLineEdit*>(widget_)->maxLength();
    return n >= 32767 ? 0 : n;
}

void TextBox::setMaxLength(int n) {
    if (n < 0) RaiseToolkitError(tkerr::InvalidPropertyValue);
    static_cast<QLineEdit*>(widget_)->setMaxLength(n > 0 ? n : 32767);
}

namespace {

void focusControl(QWidget* w, const Form& form) {
    if (!w || !w->isEnabled() || !w->isVisible() || !form.IsLoaded()) RaiseToolkitError(tkerr::InvalidProcedureCall);
    w->setFocus(Qt::OtherFocusReason);
    checkUnwind();
}

}  // namespace

void TextBox::SetFocus() { focusControl(widget_, form_); }

// ---- CommandButton

CommandButton::CommandButton(Form& form, const ControlDef& def, QWidget* parent) : Control(form, def) {
    auto* button = new QPushButton(QString::fromUtf8(def.caption), parent);
    widget_ = button;
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
    placeWidget(button, def);
    applyLook(button, def.props, QPalette::Button);
    button->setAccessibleName(stripAccel(QString::fromUtf8(def.caption)));
    QObject::connect(button, &QAbstractButton::clicked, button, [this] {
        Dispatch([this] {
            if (Click) Click();
        });
    });
    default_ = def.props.isDefault;
    cancel_ = def.props.isCancel;
    applyDefaultLook();
}

void CommandButton::resetToDesign() {
    Control::resetToDesign();
    setCaption(QString::fromUtf8(def_.caption));
    default_ = def_.props.isDefault;
    cancel_ = def_.props.isCancel;
    applyDefaultLook();
}

void CommandButton::applyDefaultLook() { static_cast<QPushButton*>(widget_)->setDefault(default_); }

QString CommandButton::Caption() const { return static_cast<QPushButton*>(widget_)->text(); }

void CommandButton::setCaption(const QString& caption) {
    static_cast<QPushButton*>(widget_)->setText(caption);
    widget_->setAccessibleName(stripAccel(caption));
}

bool CommandButton::Default() const { return default_; }

void CommandButton::setDefault(bool on) {
    if (on) {
        for (const auto& c : form_.Controls()) {
            if (auto* other = dynamic_cast<CommandButton*>(c.get()); other && other != this && other->default_) {
                other->default_ = false;
                other->applyDefaultLook();
            }
        }
    }
    default_ = on;
    applyDefaultLook();
}

bool CommandButton::Cancel() const { return cancel_; }

void CommandButton::setCancel(bool on) {
    if (on) {
        for (const auto& c : form_.Controls())
            if (auto* other = dynamic_cast<CommandButton*>(c.get()); other && other != this) other->cancel_ = false;
    }
    cancel_ = on;
}

void CommandButton::SetFocus() { focusControl(widget_, form_); }

// ---- lists and combos

NewItem::operator std::int16_t() const {
    if (!store_ || id_ == 0) return -1;
    return static_cast<std::int16_t>(const_cast<detail::ItemStore*>(store_)->positionOf(id_));
}

ListControl::ListControl(Form& form, const ControlDef& def)
    : Control(form, def), store_(std::make_unique<detail::ItemStore>(def.props.sorted)),
      model_(std::make_unique<detail::ItemModel>(*store_)) {}

ListControl::~ListControl() = default;

bool ListControl::Sorted() const { return store_->sorted(); }

void ListControl::scheduleSync() {
    if (syncPosted_ || !widget_) return;
    syncPosted_ = true;
    QMetaObject::invokeMethod(
        widget_,
        [this] {
            syncPosted_ = false;
            syncView();
        },
        Qt::QueuedConnection);
}

void ListControl::AddItem(const QString& text) {
    store_->add(text);
    scheduleSync();
}

void ListControl::Clear() {
    store_->clear();
    syncView();
}

std::int16_t ListControl::ListCount() const { return static_cast<std::int16_t>(store_->size()); }

std::int16_t ListControl::ListIndex() const { return static_cast<std::int16_t>(store_->positionOf(store_->selectedId)); }

void ListControl::setListIndex(std::int16_t index) {
    if (index < -1 || index >= static_cast<int>(store_->size())) RaiseToolkitError(tkerr::InvalidPropertyValue);
    store_->settle();
    store_->selectedId = index < 0 ? 0 : store_->at(static_cast<std::size_t>(index)).id;
    syncView();
    Dispatch([this] {
        if (Click) Click();
    });
    checkUnwind();
}

NewItem ListControl::NewIndex() const { return NewItem(store_.get(), store_->lastId()); }

QString ListControl::List(std::int16_t index) const {
    if (index < -1) RaiseToolkitError(tkerr::InvalidPropertyIndex);
    if (index == -1 || index >= static_cast<int>(store_->size())) return QString();
    store_->settle();
    return store_->at(static_cast<std::size_t>(index)).text;
}

QString ListControl::List(NewItem item) const {
    const auto* it = store_->byId(item.id_);
    return it ? it->text : QString();
}

std::int32_t ListControl::ItemData(std::int16_t index) const {
    if (index < 0 || index >= static_cast<int>(store_->size())) RaiseToolkitError(tkerr::InvalidPropertyIndex);
    store_->settle();
    return store_->at(static_cast<std::size_t>(index)).data;
}

std::int32_t ListControl::ItemData(NewItem item) const {
    const auto* it = store_->byId(item.id_);
    if (!it) RaiseToolkitError(tkerr::InvalidPropertyIndex);
    return it->data;
}

void ListControl::setItemData(std::int16_t index, std::int32_t value) {
    if (index < 0 || index >= static_cast<int>(store_->size())) RaiseToolkitError(tkerr::InvalidPropertyIndex);
    store_->settle();
    store_->at(static_cast<std::size_t>(index)).data = value;
}

void ListControl::setItemData(NewItem item, std::int32_t value) {
    auto* it = store_->byId(item.id_);
    if (!it) RaiseToolkitError(tkerr::InvalidPropertyIndex);
    it->data = value;
}

void ListControl::userPicked(int row) {
    if (syncing_ || row < 0 || row >= static_cast<int>(store_->size())) return;
    // The item the user saw at that row, before pending items take their places.
    store_->selectedId = store_->at(static_cast<std::size_t>(row)).id;
    if (!store_->settled()) syncView();
    Dispatch([this] {
        if (Click) Click();
    });
}

void ListControl::resetToDesign() {
    Control::resetToDesign();
    store_->clear();
    syncView();
}

ListBox::ListBox(Form& form, const ControlDef& def, QWidget* parent) : ListControl(form, def) {
    auto* view = new QListView(parent);
    widget_ = view;
    view->setUniformItemSizes(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setModel(model_.get());
    placeWidget(view, def);
    applyLook(view, def.props, QPalette::Base);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view,
                     [this, view](const QItemSelection&, const QItemSelection&) {
                         const auto rows = view->selectionModel()->selectedRows();
                         if (rows.size() == 1) userPicked(rows.front().row());
                     });
}

void ListBox::syncView() {
    auto* view = static_cast<QListView*>(widget_);
    syncing_ = true;
    store_->settle();
    model_->refresh();
    const int row = store_->positionOf(store_->selectedId);
    if (row >= 0) {
        const QModelIndex index = model_->index(row);
        view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        view->scrollTo(index);
    } else {
        view->selectionModel()->clearSelection();
    }
    syncing_ = false;
}

ComboBox::ComboBox(Form& form, const ControlDef& def, QWidget* parent) : ListControl(form, def) {
    auto* combo = new QComboBox(parent);
    widget_ = combo;
    combo->setEditable(false);
    combo->setModel(model_.get());
    if (auto* popup = qobject_cast<QListView*>(combo->view())) popup->setUniformItemSizes(true);
    placeWidget(combo, def);
    applyLook(combo, def.props, QPalette::Base);
    QObject::connect(combo, &QComboBox::activated, combo, [this](int row) { userPicked(row); });
}

void ComboBox::syncView() {
    auto* combo = static_cast<QComboBox*>(widget_);
    syncing_ = true;
    store_->settle();
    model_->refresh();
    combo->setCurrentIndex(store_->positionOf(store_->selectedId));
    syncing_ = false;
}

QString ComboBox::Text() const {
    const auto* item = store_->byId(store_->selectedId);
    return item ? item->text : QString();
}

void ComboBox::setText(const QString& text) {
    store_->settle();
    for (std::size_t i = 0; i < store_->size(); ++i) {
        if (store_->at(i).text == text) {
            setListIndex(static_cast<std::int16_t>(i));
            return;
        }
    }
    RaiseToolkitError(tkerr::TextReadOnly);
}

// ---- Timer

struct Timer::Impl {
    QTimer timer;
};

Timer::Timer(Form& form, const ControlDef& def) : Control(form, def), impl_(std::make_unique<Impl>()) {
    interval_ = def.props.interval;
    QObject::connect(&impl_->timer, &QTimer::timeout, &impl_->timer, [this] {
        if (removed_ || !form_.IsLoaded() || !enabled_) return;
        Dispatch([this] {
            if (Tick) Tick();
        });
    });
}

Timer::~Timer() = default;

int Timer::Interval() const { return interval_; }

void Timer::setInterval(int ms) {
    if (ms < 0 || ms > 65535) RaiseToolkitError(tkerr::InvalidPropertyValue);
    interval_ = ms;
    restart();
}

bool Timer::TimerEnabled() const { return enabled_; }

void Timer::Unload() {
    removed_ = true;
    impl_->timer.stop();
}

void Timer::applyEnabled() { restart(); }

void Timer::resetToDesign() {
    removed_ = false;
    interval_ = def_.props.interval;
    enabled_ = def_.props.enabled;
    impl_->timer.stop();
}

void Timer::formLoaded(bool) { restart(); }

void Timer::restart() {
    impl_->timer.stop();
    if (!removed_ && enabled_ && interval_ > 0 && form_.IsLoaded()) impl_->timer.start(interval_);
}

// ============================================================ form

namespace {

void raiseWindow(QWidget* w) {
    // The offscreen platform (tests) stacks nothing and says so on each raise.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) w->raise();
}

}  // namespace

Form::Form(const FormDesign& design, std::span<const ControlDef> controls)
    : design_(design), window_(std::make_unique<detail::FormWindow>(*this)) {
    g_forms.push_back(this);
    QWidget* w = window_.get();
    Qt::WindowFlags flags;
    if (design.border == Border::None) {
        flags = Qt::Tool | Qt::FramelessWindowHint;
    } else {
        flags = (design.taskbar ? Qt::Window : Qt::Dialog) | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    }
    w->setWindowFlags(flags);
    w->setWindowTitle(QString::fromUtf8(design.caption));
    w->setFixedSize(Twips(design.clientWidth), Twips(design.clientHeight));
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::white);
    w->setPalette(p);
    w->setAutoFillBackground(true);
    if (design.icon) w->setWindowIcon(QIcon(QString::fromUtf8(design.icon)));
    if (design.picture) window_->background = QPixmap(QString::fromUtf8(design.picture));
    buildControls(controls);
    applyTabOrder();
    applyAccessibleNames();
}

Form::~Form() {
    std::erase(g_forms, this);
    std::erase(g_activeStack, this);
    if (loaded_) --g_loadedCount;
    dropWindow();
    controls_.clear();
}

void Form::dropWindow() noexcept {
    for (auto& c : controls_) c->widget_ = nullptr;
    window_.reset();
}

void releaseAllWindows() noexcept {
    for (Form* f : g_forms) f->dropWindow();
}

QWidget* Form::widget() const { return window_.get(); }

Control* Form::find(const QString& name) const {
    for (const auto& c : controls_)
        if (c->name_.compare(name, Qt::CaseInsensitive) == 0) return c.get();
    return nullptr;
}

void Form::buildControls(std::span<const ControlDef> defs) {
    for (const ControlDef& def : defs) {
        QWidget* parent = window_.get();
        if (def.parent && *def.parent) {
            auto* frame = dynamic_cast<Frame*>(find(QString::fromUtf8(def.parent)));
            if (!frame) RaiseToolkitError(tkerr::SubscriptOutOfRange);
            parent = frame->widget();
        }
        if (find(QString::fromUtf8(def.name))) RaiseToolkitError(tkerr::InvalidPropertyValue);
        std::unique_ptr<Control> c;
        switch (def.kind) {
        case Kind::Frame: c.reset(new Frame(*this, def, parent)); break;
        case Kind::Label: c.reset(new Label(*this, def, parent)); break;
        case Kind::TextBox: c.reset(new TextBox(*this, def, parent)); break;
        case Kind::CommandButton: c.reset(new CommandButton(*this, def, parent)); break;
        case Kind::ListBox: c.reset(new ListBox(*this, def, parent)); break;
        case Kind::ComboBox: c.reset(new ComboBox(*this, def, parent)); break;
        case Kind::Image: c.reset(new Image(*this, def, parent)); break;
        case Kind::Timer: c.reset(new Timer(*this, def)); break;
        }
        if (QWidget* w = c->widget_) {
            w->setObjectName(c->name_);
            w->setEnabled(def.props.enabled);
            if (!def.props.visible) w->hide();
            w->installEventFilter(window_.get());
        }
        controls_.push_back(std::move(c));
    }
}

namespace {

bool canTakeFocus(Kind k) {
    return k == Kind::TextBox || k == Kind::CommandButton || k == Kind::ListBox || k == Kind::ComboBox;
}

}  // namespace

void Form::applyTabOrder() {
    std::vector<Control*> order;
    for (const auto& c : controls_) order.push_back(c.get());
    std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
        const int ta = a->def_.props.tabIndex < 0 ? INT_MAX : a->def_.props.tabIndex;
        const int tb = b->def_.props.tabIndex < 0 ? INT_MAX : b->def_.props.tabIndex;
        return ta < tb;
    });
    tabOrder_ = order;
    QWidget* previous = nullptr;
    for (Control* c : tabOrder_) {
        if (!canTakeFocus(c->kind_)) {
            if (c->widget_) c->widget_->setFocusPolicy(Qt::NoFocus);
            continue;
        }
        c->widget_->setFocusPolicy(Qt::StrongFocus);
        if (previous) QWidget::setTabOrder(previous, c->widget_);
        previous = c->widget_;
    }
    if (!previous) window_->setFocusPolicy(Qt::StrongFocus);
}

void Form::applyAccessibleNames() {
    for (const auto& c : controls_) {
        if (c->kind_ != Kind::TextBox && c->kind_ != Kind::ListBox && c->kind_ != Kind::ComboBox) continue;
        QString name;
        if (c->def_.props.accessibleName) {
            name = QString::fromUtf8(c->def_.props.accessibleName);
        } else {
            // The label on the same row to the left, else the one just above, else the frame's caption.
            const QRect box = c->widget_->geometry();
            const Control* best = nullptr;
            int bestDistance = INT_MAX;
            bool bestLeft = false;
            for (const auto& l : controls_) {
                if (l->kind_ != Kind::Label || l->widget_->parentWidget() != c->widget_->parentWidget()) continue;
                const QRect r = l->widget_->geometry();
                const bool left = r.right() <= box.left() + 4 && r.top() < box.bottom() && r.bottom() > box.top() - 4;
                const bool above = r.bottom() <= box.top() + 4 && r.left() < box.right() && r.right() > box.left();
                if (!left && !above) continue;
                const int distance = left ? box.left() - r.right() : box.top() - r.bottom();
                if ((left && !bestLeft) || ((left == bestLeft) && distance < bestDistance)) {
                    best = l.get();
                    bestDistance = distance;
                    bestLeft = left;
                }
            }
            if (best) {
                name = static_cast<QLabel*>(best->widget_)->text();
            } else if (auto* frame = qobject_cast<QGroupBox*>(c->widget_->parentWidget())) {
                name = frame->title();
            }
            name = stripAccel(name).trimmed();
            if (name.isEmpty()) name = stripAccel(QString::fromUtf8(design_.caption));
        }
        c->widget_->setAccessibleName(name);
    }
}

void Form::centre() {
    QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize size = window_->frameGeometry().size().expandedTo(window_->size());
    window_->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void Form::focusFirst() {
    for (Control* c : tabOrder_) {
        if (!canTakeFocus(c->kind_)) continue;
        QWidget* w = c->widget_;
        if (w->isEnabled() && w->isVisibleTo(window_.get())) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    window_->setFocus(Qt::OtherFocusReason);
}

void Form::Load() {
    if (loaded_) return;
    if (everLoaded_) {
        for (auto& c : controls_) c->resetToDesign();
        window_->setWindowTitle(QString::fromUtf8(design_.caption));
    }
    loaded_ = true;
    everLoaded_ = true;
    ++g_loadedCount;
    for (auto& c : controls_)
        if (auto* t = dynamic_cast<Timer*>(c.get())) t->formLoaded(true);
    Form_Load();
    checkUnwind();
}

void Form::raiseActivate() {
    Dispatch([this] {
        if (loaded_) Form_Activate();
    });
    checkUnwind();
}

void Form::Show() {
    if (shown_) RaiseToolkitError(tkerr::AlreadyShown);
    Load();
    if (!loaded_) return;  // Form_Load unloaded it
    Form* opener = g_activeStack.empty() ? nullptr : g_activeStack.back();
    if (!design_.taskbar && opener && opener->window_) {
        window_->winId();
        opener->window_->winId();
        if (window_->windowHandle() && opener->window_->windowHandle())
            window_->windowHandle()->setTransientParent(opener->window_->windowHandle());
    }
    window_->setWindowModality(Qt::ApplicationModal);
    centre();
    shown_ = true;
    window_->show();
    raiseWindow(window_.get());
    window_->activateWindow();
    focusFirst();
    g_activeStack.push_back(this);
    ModalLoop loop;
    struct Guard {
        Form* form;
        ModalLoop* loop;
        ModalLoop* previous;
        ~Guard() {
            form->loop_ = previous;
            std::erase(g_activeStack, form);
            std::erase(g_modalLoops, loop);
        }
    } guard{this, &loop, loop_};
    loop_ = &loop;
    g_modalLoops.push_back(&loop);
    raiseActivate();
    if (loaded_ && shown_ && !g_errorRaised) loop.exec();
    loop_ = guard.previous;
    std::erase(g_activeStack, this);
    std::erase(g_modalLoops, &loop);
    checkUnwind();
    if (opener && opener->loaded_ && std::find(g_activeStack.begin(), g_activeStack.end(), opener) != g_activeStack.end()) {
        if (opener->window_) opener->window_->activateWindow();
        opener->raiseActivate();
    }
}

void Form::pressButton(QWidget* button) {
    for (const auto& c : controls_) {
        if (c->widget_ != button) continue;
        if (auto* b = dynamic_cast<CommandButton*>(c.get()); b && b->enabled_)
            Dispatch([b] {
                if (b->Click) b->Click();
            });
        return;
    }
}

void Form::ShowStartup() {
    Load();
    if (!loaded_) return;
    centre();
    shown_ = true;
    window_->show();
    raiseWindow(window_.get());
    window_->activateWindow();
    focusFirst();
    g_activeStack.push_back(this);
    raiseActivate();
}

void Form::Unload() {
    if (!loaded_ || inUnload_) return;
    inUnload_ = true;
    struct Finish {
        Form* form;
        ~Finish() { form->finishUnload(); }
    } finish{this};
    Form_Unload();
}

void Form::finishUnload() noexcept {
    for (auto& c : controls_)
        if (auto* t = dynamic_cast<Timer*>(c.get())) t->impl_->timer.stop();
    loaded_ = false;
    shown_ = false;
    if (window_) {
        window_->hide();
        window_->setWindowModality(Qt::NonModal);
    }
    if (loop_) loop_->exit();
    std::erase(g_activeStack, this);
    inUnload_ = false;
    if (--g_loadedCount == 0 && g_programRunning && g_programLoop) g_programLoop->exit();
}

void Form::closeBox() {
    Dispatch([this] { Unload(); });
}

bool Form::Visible() {
    Load();
    return shown_ && window_->isVisible();
}

QString Form::Caption() {
    Load();
    return window_->windowTitle();
}

void Form::setCaption(const QString& caption) {
    Load();
    window_->setWindowTitle(caption);
}

void Form::pressEnter(QWidget* from) {
    for (const auto& c : controls_) {
        if (c->widget_ != from) continue;
        if (auto* box = dynamic_cast<TextBox*>(c.get()); box && box->KeyPress) {
            std::int16_t code = 13;
            Dispatch([&] { box->KeyPress(code); });
            if (code == 0 || ErrorRaised()) return;
        }
        if (auto* button = dynamic_cast<CommandButton*>(c.get())) {
            if (button->enabled_)
                Dispatch([button] {
                    if (button->Click) button->Click();
                });
            return;
        }
    }
    for (const auto& c : controls_) {
        auto* button = dynamic_cast<CommandButton*>(c.get());
        if (button && button->default_) {
            if (button->enabled_ && button->widget_->isVisibleTo(window_.get()))
                Dispatch([button] {
                    if (button->Click) button->Click();
                });
            return;
        }
    }
}

void Form::pressEscape() {
    for (const auto& c : controls_) {
        auto* button = dynamic_cast<CommandButton*>(c.get());
        if (button && button->cancel_) {
            if (button->enabled_ && button->widget_->isVisibleTo(window_.get()))
                Dispatch([button] {
                    if (button->Click) button->Click();
                });
            return;
        }
    }
}

// ============================================================ program

namespace {

// Qt's own texts a user of this program meets, when Qt ships no Romanian file.
class RomanianQtTexts : public QTranslator {
public:
    explicit RomanianQtTexts(QObject* parent) : QTranslator(parent) {}
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        const QByteArrayView ctx(context);
        if (ctx != "QLineEdit" && ctx != "QWidgetTextControl") return {};
        static const std::pair<const char*, const char*> texts[] = {
            {"&Undo", "&Anulează"},         {"&Redo", "&Refă"},   {"Cu&t", "&Taie"},
            {"&Copy", "&Copiază"},          {"&Paste", "&Lipește"}, {"Delete", "Șterge"},
            {"Select All", "Selectează tot"},
        };
        for (const auto& [from, to] : texts)
            if (qstrcmp(source, from) == 0) return QString::fromUtf8(to);
        return {};
    }
};

}  // namespace

namespace {

// Frames are a thin line on the white window, not a tinted panel.
class WhiteFrameStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_FrameGroupBox) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        painter->save();
        painter->setPen(option->palette.color(QPalette::Mid));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

// The program's font: MS Sans Serif where installed, else one of the same
// width, so captions fit where the designer placed the counts beside them.
QFont programFont() {
    const QStringList installed = QFontDatabase::families();
    for (const char* family : {"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans", "Arimo",
                               "Nimbus Sans", "Helvetica"})
        if (installed.contains(QString::fromLatin1(family), Qt::CaseInsensitive))
            return QFont(QString::fromLatin1(family));
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setFamilies({font.family(), QStringLiteral("sans-serif")});
    return font;
}

}  // namespace

void InstallLook() {
    static bool done = false;
    if (done || !qApp) return;
    done = true;
    auto* qtTexts = new QTranslator(qApp);
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (qtTexts->load(QStringLiteral("qtbase_ro"), dir) || qtTexts->load(QStringLiteral("qt_ro"), dir)) {
        QCoreApplication::installTranslator(qtTexts);
    } else {
        delete qtTexts;
        QCoreApplication::installTranslator(new RomanianQtTexts(qApp));
    }
    QApplication::setStyle(new WhiteFrameStyle);
    QFont font = programFont();
    font.setPointSizeF(8.25);
    font.setBold(false);
    QApplication::setFont(font);
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, Qt::white);
    QApplication::setPalette(palette);
}

int RunProgram(int argc, char** argv, const ProgramInfo& info, const std::function<Form*()>& startup) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvix"));
    QApplication::setApplicationVersion(QString::fromUtf8(info.version));
    QApplication::setQuitOnLastWindowClosed(false);
    InstallLook();
    int status = 0;
    Dispatch([&] {
        Form* first = startup();
        if (first) first->ShowStartup();
    });
    if (g_errorRaised) status = 1;
    if (status == 0 && g_loadedCount > 0) {
        QEventLoop loop;
        g_programLoop = &loop;
        g_programRunning = true;
        loop.exec();
        g_programRunning = false;
        g_programLoop = nullptr;
        if (g_errorRaised) status = 1;
    }
    releaseAllWindows();
    return status;
}

}  // namespace tarvix
