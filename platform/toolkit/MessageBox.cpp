#include "platform/toolkit/MessageBox.h"

#include "platform/toolkit/Look.h"
#include "platform/toolkit/MessageText.h"
#include "platform/toolkit/MsgBox.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>

namespace tarvix::detail {

MessageBox::MessageBox(QWidget* parent) : QMessageBox(parent)
{
    setPalette(LightPalette());
    setTextFormat(Qt::PlainText);
    // The default button shows its focus from the start, not only after a Tab.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now->window() == this)
            setAttribute(Qt::WA_KeyboardFocusChange);
    });
}

void MessageBox::setKind(int style)
{
    const char* name = nullptr;
    switch (style & 0x70) {
    case vbCritical:
        setIcon(QMessageBox::Critical);
        name = "Eroare";
        break;
    case vbQuestion:
        setIcon(QMessageBox::Question);
        name = "Întrebare";
        break;
    case vbExclamation:
        setIcon(QMessageBox::Warning);
        name = "Atenție";
        break;
    default: break;
    }
    if (auto* icon = findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label")); icon && name)
        icon->setAccessibleName(QString::fromUtf8(name));
}

void MessageBox::placeText()
{
    auto* grid = qobject_cast<QGridLayout*>(layout());
    auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!grid || !label || grid->indexOf(label) < 0)
        return;
    int row = 0, column = 0, rows = 1, columns = 1;
    grid->getItemPosition(grid->indexOf(label), &row, &column, &rows, &columns);
    if (!shown_)
        shown_ = new MessageText(text(), this);
    label->hide();
    shown_->show();
    grid->addWidget(shown_, row, column, rows, columns, Qt::AlignLeft | Qt::AlignVCenter);
}

void MessageBox::keyPressEvent(QKeyEvent* event)
{
    // Ctrl+C copies the text as it is, as the platforms that copy a whole box do.
    if (event->matches(QKeySequence::Copy)) {
        QGuiApplication::clipboard()->setText(text());
        event->accept();
        return;
    }
    QMessageBox::keyPressEvent(event);
}

void MessageBox::showEvent(QShowEvent* event)
{
    placeText();
    QMessageBox::showEvent(event);
}

}  // namespace tarvix::detail
