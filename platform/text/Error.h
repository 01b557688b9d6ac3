// The one error type every layer raises: a number and a Romanian text, and
// the run-time error numbers the text functions and the toolkit share.
#pragma once

#include <QString>

#include <exception>
#include <string>

namespace tarvix {

class EngineError : public std::exception {
public:
    EngineError(int number, QString text);
    int Number() const noexcept { return number_; }
    const QString& Text() const noexcept { return text_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    int number_;
    QString text_;
    std::string utf8_;
};

// Run-time error numbers the toolkit and the text functions raise (as EngineError).
namespace tkerr {
inline constexpr int InvalidProcedureCall = 5;    // SetFocus where it cannot go, AscW(""), ChrW out of range
inline constexpr int Overflow = 6;                // a list past 32,767 items
inline constexpr int OutOfMemory = 7;             // memory ran out inside a handler
inline constexpr int SubscriptOutOfRange = 9;     // no control of that name or kind
inline constexpr int InternalError = 51;          // an exception no layer names: a fault of the program
inline constexpr int InvalidPropertyValue = 380;  // ListIndex out of range, bad Interval...
inline constexpr int InvalidPropertyIndex = 381;  // List(i)/ItemData(i) out of range
inline constexpr int TextReadOnly = 383;          // a drop-down list's Text set to no item
inline constexpr int AlreadyShown = 400;          // Show of a window already on screen
}  // namespace tkerr

// Throws EngineError with the number and its Romanian text.
[[noreturn]] void RaiseToolkitError(int number);
QString ToolkitErrorText(int number);

}  // namespace tarvix
