// A window: its controls from the design table, its life cycle (Load, Show,
// Unload) and its always-modal Show.
#pragma once

#include "platform/text/Error.h"
#include "platform/toolkit/Control.h"
#include "platform/toolkit/Design.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class QWidget;

namespace tarvix {

namespace detail {
class FormWindow;
// Drops every window's widgets before the application goes.
void ReleaseAllWindows() noexcept;
}  // namespace detail

class Form {
public:
    Form(const FormDesign& design, std::span<const ControlDef> controls);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Always modal: loads if needed, shows centred, focuses the first control
    // in tab order, raises Form_Activate, and runs until the window is
    // unloaded; the window that was active before gets Form_Activate again
    // just before Show returns.
    void Show();
    // Raises Form_Load once per load; the controls start from their design state.
    void Load();
    // Raises Form_Unload, hides the window and ends its modal Show. Safe from
    // the window's own handlers; the close box does the same.
    void Unload();
    // Reading it loads the window (hidden) when it is not loaded.
    bool Visible();
    QString Caption();
    void setCaption(const QString& caption);
    bool IsLoaded() const { return loaded_; }

    // The top-level widget, for tests.
    QWidget* widget() const;

    // The control named so, which must be of kind T (SubscriptOutOfRange if not).
    template <class T>
    T& control(const char* name)
    {
        T* c = dynamic_cast<T*>(find(name));
        if (!c)
            RaiseToolkitError(tkerr::SubscriptOutOfRange);
        return *c;
    }
    Control* find(const QString& name) const;
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }

    // The program's one start-up: shown modeless by RunProgram.
    void ShowStartup();

protected:
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Unload() {}
    virtual void Form_Click() {}
    virtual void Form_KeyPress(std::int16_t& KeyAscii) { (void)KeyAscii; }

private:
    friend class detail::FormWindow;
    friend class Control;
    friend class CommandButton;
    friend class TextBox;
    void buildControls(std::span<const ControlDef> controls);
    void applyTabOrder();
    void focusFirst();
    void putOnScreen();
    void centre();
    void raiseActivate();
    void pressEnter(QWidget* from);
    // The focus came to this widget: it becomes the latest of the window's focus history.
    void noteFocus(QWidget* to);
    // Before a control that holds the focus is disabled: the focus goes back to
    // the control that had it before, never to a button.
    void returnFocusFrom(const Control& leaving);
    void pressEscape();
    void pressButton(QWidget* button);
    void closeBox();
    void applyAccessibleNames();
    void finishUnload() noexcept;
    void dropWindow() noexcept;
    friend void detail::ReleaseAllWindows() noexcept;

    FormDesign design_;
    std::unique_ptr<detail::FormWindow> window_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<Control*> tabOrder_;
    std::vector<Control*> focusHistory_;  // oldest first, each control once
    bool loaded_ = false;
    bool everLoaded_ = false;
    bool shown_ = false;
    bool inUnload_ = false;
    class ModalLoop;
    ModalLoop* loop_ = nullptr;  // the running modal Show, if any
};

}  // namespace tarvix
