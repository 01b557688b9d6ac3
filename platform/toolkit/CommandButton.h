// A push button: Click, and the window's Default (Enter) and Cancel (Esc) buttons.
#pragma once

#include "platform/toolkit/Control.h"

#include <QString>

#include <functional>

namespace tarvix {

class CommandButton : public Control {
public:
    QString Caption() const;
    void setCaption(const QString& caption);
    bool Default() const;
    // Setting it clears Default on the window's other buttons.
    void setDefault(bool on);
    bool Cancel() const;
    void SetFocus();

    std::function<void()> Click;

private:
    friend class Form;
    friend class detail::FormWindow;
    CommandButton(Form& form, const ControlDef& def, QWidget* parent);
    void resetToDesign() override;
    void applyDefaultLook();
    // Every way a button is pressed (mouse, Space, access key, Enter, Esc) ends here.
    void press();
    bool default_ = false;
    bool cancel_ = false;
};

}  // namespace tarvix
