// A one-line text box: Change, KeyPress and LostFocus.
#pragma once

#include "platform/toolkit/Control.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace tarvix {

namespace detail {
class WholeCharacters;
}

class TextBox : public Control {
public:
    QString Text() const;
    // Raises Change only when the text differs.
    void setText(const QString& text);
    bool Locked() const;
    void setLocked(bool on);
    int MaxLength() const;
    // Raises InvalidProcedureCall when the box is disabled, hidden or its window is not shown.
    void SetFocus();

    std::function<void()> Change;
    // Each typed character's UTF-16 code before the box takes it; write 0 to drop it.
    std::function<void(std::int16_t& KeyAscii)> KeyPress;
    // The focus left the box for another control of the same window.
    std::function<void()> LostFocus;

private:
    friend class Form;
    friend class detail::FormWindow;
    friend class detail::WholeCharacters;
    TextBox(Form& form, const ControlDef& def, QWidget* parent);
    void resetToDesign() override;
    int limit() const;
    bool quiet_ = false;     // design reset: no Change
    bool fromCode_ = false;  // Text written by code: nothing is dropped
    QString lastText_;
};

}  // namespace tarvix
