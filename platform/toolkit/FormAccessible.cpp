#include "platform/toolkit/FormAccessible.h"

#include "platform/toolkit/Form.h"
#include "platform/toolkit/FormWindow.h"
#include "platform/toolkit/TextBoxAccessible.h"

#include <QApplication>
#include <QLineEdit>

namespace tarvix::detail {

namespace {

QAccessibleInterface* formFactory(const QString& className, QObject* object)
{
    Q_UNUSED(className);
    if (auto* edit = qobject_cast<QLineEdit*>(object); edit && dynamic_cast<FormWindow*>(edit->window()))
        return new TextBoxAccessible(edit);
    auto* window = dynamic_cast<FormWindow*>(object);
    if (!window)
        return nullptr;
    // Without a factory Qt offers a plain widget, which a screen reader calls a filler.
    const bool dialog = window->windowType() == Qt::Dialog;
    return new FormAccessible(window, dialog ? QAccessible::Dialog : QAccessible::Window);
}

}  // namespace

FormAccessible::FormAccessible(FormWindow* window, QAccessible::Role role) : QAccessibleWidget(window, role) {}

QString FormAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name)
        return QAccessibleWidget::text(t);
    // The splash's stored title is never seen: it is the program's own window.
    const QString title = widget()->windowTitle();
    if (widget()->windowFlags() & Qt::FramelessWindowHint)
        return QApplication::applicationName().isEmpty() ? title : QApplication::applicationName();
    return title;
}

void FormAccessible::Install()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QAccessible::installFactory(formFactory);
}

}  // namespace tarvix::detail
