// Modal message boxes, and the seam tests answer them through.
#pragma once

#include <QString>

#include <functional>

namespace tarvix {

inline constexpr int vbOKOnly = 0;
inline constexpr int vbYesNo = 4;
inline constexpr int vbCritical = 16;
inline constexpr int vbQuestion = 32;
inline constexpr int vbExclamation = 48;
inline constexpr int vbOK = 1;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

// Modal message box: OK alone, or Da and Nu; returns the button pressed
// (vbOK, vbYes, vbNo). The first button is the default. Raises no Activate on the window beneath.
int MsgBox(const QString& text, int style = vbOKOnly, const QString& title = QString());

// Test seam: when set, MsgBox calls it instead of showing a dialog.
extern std::function<int(const QString& text, int style, const QString& title)> MsgBoxHook;

}  // namespace tarvix
