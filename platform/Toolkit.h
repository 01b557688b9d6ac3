// The window toolkit the windows are written against: controls declared in
// one table per window, their properties and events, always-modal windows,
// message boxes, the one error boundary and the program's entry. Qt Widgets
// underneath; no exception ever crosses Qt code.
#pragma once

#include "platform/Collation.h"
#include "platform/ToolkitText.h"

#include <QColor>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class QWidget;

namespace tarvix {

// ---------------------------------------------------------------- errors

// The one error boundary: every event handler runs through here. An error
// that escapes a handler shows one message box (number and text) and ends
// the program; while that box is up, every other handler is dropped. After
// an error in an event raised from inside another handler (a Change raised by
// setText, say), the outer handler stops at that toolkit call too. The
// toolkit's own error numbers and texts are in ToolkitText.h.
void Dispatch(const std::function<void()>& handler);

// Test seam: what "end the program" does (default: flush and _exit(status)).
// While a replacement is installed the toolkit keeps dropping handlers after
// an error until ResetAfterError() is called.
extern std::function<void(int status)> EndProgramHook;
bool ErrorRaised();
void ResetAfterError();

// ---------------------------------------------------------- message boxes

inline constexpr int vbOKOnly = 0;
inline constexpr int vbYesNo = 4;
inline constexpr int vbCritical = 16;
inline constexpr int vbQuestion = 32;
inline constexpr int vbExclamation = 48;
inline constexpr int vbOK = 1;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

// Modal message box; returns the button pressed (vbOK, vbYes, vbNo). The
// first button is the default. Raises no Activate on the window beneath.
int MsgBox(const QString& text, int style = vbOKOnly, const QString& title = QString());

// Test seam: when set, MsgBox calls it instead of showing a dialog.
extern std::function<int(const QString& text, int style, const QString& title)> MsgBoxHook;

// ------------------------------------------------------------ design tables

enum class Kind { Frame, Label, TextBox, CommandButton, ListBox, ComboBox, Image, Timer };

enum class Border { FixedSingle, None };

// Design-time properties; anything left out keeps the toolkit's default.
struct ControlProps {
    int tabIndex = -1;          // -1: after the numbered ones, in table order
    bool enabled = true;
    bool visible = true;
    bool locked = false;        // TextBox: read-only, still focusable
    int maxLength = 0;          // TextBox: 0 = no limit
    bool isDefault = false;     // CommandButton: Enter clicks it
    bool isCancel = false;      // CommandButton: Esc clicks it
    bool sorted = false;        // ListBox, ComboBox: Romanian order
    bool bold = false;
    int comboStyle = 2;         // ComboBox: only 2 (drop-down list) exists
    std::optional<QColor> backColor = std::nullopt;
    const char* picture = nullptr;   // Image: a Qt resource path (":/icons/a.png")
    int interval = 0;           // Timer: milliseconds, 0 = never fires
    const char* accessibleName = nullptr;  // overrides the name taken from the nearby label/frame
};

// One row of a window's control table; positions in twips relative to the
// parent (15 twips = 1 pixel). A label with width and height 0 sizes itself
// to its text; an image with 0 takes its picture's size.
struct ControlDef {
    const char* name;
    Kind kind;
    const char* parent;   // "" = the window itself, else a frame's name
    const char* caption;  // caption or initial text
    int left;
    int top;
    int width;
    int height;
    ControlProps props;
};

struct FormDesign {
    const char* caption = "";
    int clientWidth = 0;   // twips
    int clientHeight = 0;  // twips
    const char* icon = nullptr;     // Qt resource path of the window icon
    Border border = Border::FixedSingle;
    bool taskbar = false;           // only the main window sets it
    const char* picture = nullptr;  // background picture drawn at its own size from the top-left
};

class Form;
namespace detail {
class FormWindow;
class ItemStore;
class ItemModel;
}  // namespace detail

// ----------------------------------------------------------------- controls

class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const QString& Name() const { return name_; }
    Kind ControlKind() const { return kind_; }
    Form& Parent() const { return form_; }
    // The Qt widget (nullptr for a timer), for tests and for looks.
    QWidget* widget() const { return widget_; }

    bool Enabled() const;
    void setEnabled(bool on);
    bool Visible() const;
    void setVisible(bool on);

protected:
    Control(Form& form, const ControlDef& def);
    // Back to the design state; raises no events.
    virtual void resetToDesign();
    virtual void applyEnabled();

    Form& form_;
    QString name_;
    Kind kind_;
    ControlDef def_;
    QWidget* widget_ = nullptr;
    bool enabled_ = true;

    friend class Form;
    friend class detail::FormWindow;
};

class Frame : public Control {
public:
    QString Caption() const;
    void setCaption(const QString& caption);

private:
    friend class Form;
    Frame(Form& form, const ControlDef& def, QWidget* parent);
    void resetToDesign() override;
};

class Label : public Control {
public:
    QString Caption() const;
    void setCaption(const QString& caption);

private:
    friend class Form;
    Label(Form& form, const ControlDef& def, QWidget* parent);
    void resetToDesign() override;
    void fit();
};

class Image : public Control {
private:
    friend class Form;
    Image(Form& form, const ControlDef& def, QWidget* parent);
};

class TextBox : public Control {
public:
    QString Text() const;
    // Raises Change only when the text differs.
    void setText(const QString& text);
    bool Locked() const;
    void setLocked(bool on);
    int MaxLength() const;
    void setMaxLength(int n);
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
    TextBox(Form& form, const ControlDef& def, QWidget* parent);
    void resetToDesign() override;
    bool quiet_ = false;  // design reset: no Change
};

class CommandButton : public Control {
public:
    QString Caption() const;
    void setCaption(const QString& caption);
    bool Default() const;
    // Setting it clears Default on the window's other buttons.
    void setDefault(bool on);
    bool Cancel() const;
    void setCancel(bool on);
    void SetFocus();

    std::function<void()> Click;

private:
    friend class Form;
    friend class detail::FormWindow;
    CommandButton(Form& form, const ControlDef& def, QWidget* parent);
    void resetToDesign() override;
    void applyDefaultLook();
    bool default_ = false;
    bool cancel_ = false;
};

// What NewIndex() returns: the item added last. setItemData/ItemData/List
// take it without sorting the list; converting it to a position does.
class NewItem {
public:
    operator std::int16_t() const;

private:
    friend class ListControl;
    NewItem(const detail::ItemStore* store, std::uint32_t id) : store_(store), id_(id) {}
    const detail::ItemStore* store_;
    std::uint32_t id_;  // 0: no item added since the last Clear
};

// The part lists and combos share: items with their data, kept in Romanian
// order when sorted, NewIndex, ListIndex, ListCount.
class ListControl : public Control {
public:
    void AddItem(const QString& text);
    void Clear();
    std::int16_t ListCount() const;
    std::int16_t ListIndex() const;
    // Selects the item (-1: none) and raises Click.
    void setListIndex(std::int16_t index);
    NewItem NewIndex() const;
    // "" for -1 and for positions past the end.
    QString List(std::int16_t index) const;
    QString List(NewItem item) const;
    std::int32_t ItemData(std::int16_t index) const;
    std::int32_t ItemData(NewItem item) const;
    void setItemData(std::int16_t index, std::int32_t value);
    void setItemData(NewItem item, std::int32_t value);
    bool Sorted() const;

    // Raised by setListIndex and when the user picks an item.
    std::function<void()> Click;

    ~ListControl() override;

protected:
    ListControl(Form& form, const ControlDef& def);
    void resetToDesign() override;
    // The view shows the store's current order and selection.
    virtual void syncView() = 0;
    void userPicked(int row);
    void scheduleSync();

    std::unique_ptr<detail::ItemStore> store_;
    std::unique_ptr<detail::ItemModel> model_;
    bool syncPosted_ = false;
    bool syncing_ = false;
    friend class detail::ItemStore;
};

class ListBox : public ListControl {
private:
    friend class Form;
    ListBox(Form& form, const ControlDef& def, QWidget* parent);
    void syncView() override;
};

// Drop-down list: pick only.
class ComboBox : public ListControl {
public:
    // The selected item's text, "" when none.
    QString Text() const;
    // Selects the first item with exactly this text (raises Click); TextReadOnly if none.
    void setText(const QString& text);

private:
    friend class Form;
    ComboBox(Form& form, const ControlDef& def, QWidget* parent);
    void syncView() override;
};

class Timer : public Control {
public:
    ~Timer() override;
    int Interval() const;
    void setInterval(int ms);
    bool TimerEnabled() const;
    // Removes the timer until its window loads again: no Timer event follows.
    void Unload();

    // The Timer event (a member cannot share the class's name).
    std::function<void()> Tick;

private:
    friend class Form;
    Timer(Form& form, const ControlDef& def);
    void resetToDesign() override;
    void applyEnabled() override;
    void formLoaded(bool loaded);
    void restart();
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int interval_ = 0;
    bool removed_ = false;
};

// ------------------------------------------------------------------- window

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
    T& control(const char* name) {
        T* c = dynamic_cast<T*>(find(name));
        if (!c) RaiseToolkitError(tkerr::SubscriptOutOfRange);
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
    friend class CommandButton;
    friend class TextBox;
    void buildControls(std::span<const ControlDef> controls);
    void applyTabOrder();
    void focusFirst();
    void centre();
    void raiseActivate();
    void pressEnter(QWidget* from);
    void pressEscape();
    void pressButton(QWidget* button);
    void closeBox();
    void applyAccessibleNames();
    void finishUnload() noexcept;
    void dropWindow() noexcept;
    friend void releaseAllWindows() noexcept;

    FormDesign design_;
    std::unique_ptr<detail::FormWindow> window_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<Control*> tabOrder_;
    bool loaded_ = false;
    bool everLoaded_ = false;
    bool shown_ = false;
    bool inUnload_ = false;
    class ModalLoop;
    ModalLoop* loop_ = nullptr;  // the running modal Show, if any
};

// ------------------------------------------------------------------ program

struct ProgramInfo {
    const char* version = "";  // application version, e.g. "1.00.0007"
};

// Creates the application (name "Tarvix"), installs Romanian texts, the font
// and the white palette, shows the start-up window modeless and runs until no
// window is loaded. Returns the exit status.
int RunProgram(int argc, char** argv, const ProgramInfo& info, const std::function<Form*()>& startup);

// The font, palette and Romanian translations, for a QApplication created by
// someone else (tests). Safe to call more than once.
void InstallLook();

// Twips to logical pixels (15 twips a pixel).
constexpr int Twips(int twips) { return (twips + 7) / 15; }

}  // namespace tarvix
