#include "platform/toolkit/FormWindow.h"

#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/Form.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <cstdint>

namespace tarvix::detail {

bool FormWindow::eventFilter(QObject* watched, QEvent* event)
{
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
    if (event->type() == QEvent::FocusIn) {
        // The focus is drawn wherever it came from, not only after a Tab (Qt forgets it on activation).
        setAttribute(Qt::WA_KeyboardFocusChange);
        form_.noteFocus(qobject_cast<QWidget*>(watched));
    }
    if (event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        const auto mods = ke->modifiers() & ~Qt::KeypadModifier;
        // Alt with a letter that is no access key reaches here: it types nothing
        // (Ctrl+Alt is AltGr on some keyboards, and types its letter).
        if ((mods & Qt::AltModifier) && !(mods & Qt::ControlModifier) && !ke->text().isEmpty()
            && ke->text().at(0).isPrint())
            return true;
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

void FormWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    form_.closeBox();
}
void FormWindow::keyPressEvent(QKeyEvent* event)
{
    QWidget* focus = focusWidget();
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        form_.pressEnter(this);
    } else if (mods == Qt::NoModifier && event->key() == Qt::Key_Escape) {
        form_.pressEscape();
    }
    if ((focus == nullptr || focus == this) && !event->text().isEmpty()
        && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        std::int16_t code = static_cast<std::int16_t>(event->text().at(0).unicode());
        Dispatch([&] { form_.Form_KeyPress(code); });
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
void FormWindow::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (rect().contains(event->position().toPoint()))
        Dispatch([this] { form_.Form_Click(); });
}
void FormWindow::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!background.isNull()) {
        QPainter painter(this);
        painter.drawPixmap(0, 0, background);
    }
}

}  // namespace tarvix::detail
