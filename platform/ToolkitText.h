// Text functions the windows use, and the toolkit's run-time errors. QtCore
// only, so code without a display can use them too.
#pragma once

#include <QString>

#include <cstdint>

namespace tarvix {

// Run-time error numbers the toolkit raises (as tarvix::EngineError).
namespace tkerr {
inline constexpr int InvalidProcedureCall = 5;    // SetFocus where it cannot go, AscW(""), ChrW out of range
inline constexpr int Overflow = 6;                // a list past 32,767 items
inline constexpr int SubscriptOutOfRange = 9;     // no control of that name or kind
inline constexpr int InvalidPropertyValue = 380;  // ListIndex out of range, bad Interval...
inline constexpr int InvalidPropertyIndex = 381;  // List(i)/ItemData(i) out of range
inline constexpr int TextReadOnly = 383;          // a drop-down list's Text set to no item
inline constexpr int AlreadyShown = 400;          // Show of a window already on screen
}  // namespace tkerr

// Throws tarvix::EngineError with the number and its Romanian text.
[[noreturn]] void RaiseToolkitError(int number);
QString ToolkitErrorText(int number);

// Upper case by Unicode rules: ã -> Ã, ș -> Ș, ş -> Ş, î -> Î.
QString UCase(const QString& text);
QString LCase(const QString& text);
// Removes the blank ' ' (and only it) from both ends.
QString Trim(const QString& text);
QString LTrim(const QString& text);
QString RTrim(const QString& text);
// Decimal digits, a '-' for negatives, no blank.
QString CStr(std::int64_t value);
// The number a text starts with: blanks skipped, optional sign, digits and
// one decimal point; "12 abc" -> 12, "Label2" -> 0, "" -> 0.
double Val(const QString& text);
// The first UTF-16 unit of a text as a signed 16-bit code; InvalidProcedureCall for "".
std::int16_t AscW(const QString& text);
// The one-unit text of a code (-32768..65535); InvalidProcedureCall outside.
QString ChrW(std::int32_t code);

}  // namespace tarvix
