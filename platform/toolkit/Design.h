// How a window is declared: one table of controls with their design-time
// properties, positions in twips.
#pragma once

#include <QColor>

#include <optional>

namespace tarvix {

enum class Kind { Frame, Label, TextBox, CommandButton, ListBox, ComboBox, Image, Timer };

enum class Border { FixedSingle, None };

// Design-time properties; anything left out keeps the toolkit's default.
struct ControlProps {
    int tabIndex = -1;  // -1: after the numbered ones, in table order
    bool enabled = true;
    bool visible = true;
    bool locked = false;     // TextBox: read-only, still focusable
    int maxLength = 0;       // TextBox: 0 = no limit
    bool isDefault = false;  // CommandButton: Enter clicks it
    bool isCancel = false;   // CommandButton: Esc clicks it
    bool sorted = false;     // ListBox, ComboBox: Romanian order
    bool bold = false;
    int comboStyle = 2;  // ComboBox: only 2 (drop-down list) exists; others are refused
    std::optional<QColor> backColor = std::nullopt;
    const char* picture = nullptr;         // Image: a Qt resource path (":/icons/a.png")
    int interval = 0;                      // Timer: milliseconds, 0 = never fires
    const char* accessibleName = nullptr;  // overrides the name taken from the nearby label/frame
    const char* labelledBy = nullptr;      // Label: the caption a screen reader says before this value
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
    int clientWidth = 0;         // twips
    int clientHeight = 0;        // twips
    const char* icon = nullptr;  // Qt resource path of the window icon
    Border border = Border::FixedSingle;
    bool taskbar = false;           // only the main window sets it
    const char* picture = nullptr;  // background picture drawn at its own size from the top-left
};

// Twips to logical pixels (15 twips a pixel).
constexpr int Twips(int twips)
{
    return (twips + 7) / 15;
}

}  // namespace tarvix
