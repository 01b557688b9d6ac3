// Inside the toolkit: what a screen reader is told about a window: a frame
// (the main window and the splash) or a dialog (the editors), named by its
// title. The same factory gives the windows' text boxes their interface.
#pragma once

#include <QAccessibleWidget>

namespace tarvix::detail {

class FormWindow;

class FormAccessible : public QAccessibleWidget {
public:
    FormAccessible(FormWindow* window, QAccessible::Role role);

    QString text(QAccessible::Text t) const override;

    // Makes every form's top-level widget answer with a FormAccessible; once per process.
    static void Install();
};

}  // namespace tarvix::detail
