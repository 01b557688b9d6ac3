// The one error boundary every event handler runs through, and the program's
// global state it guards.
#pragma once

#include <functional>
#include <vector>

class QEventLoop;

namespace tarvix {

class Form;

// The one error boundary: every event handler runs through here. An error
// that escapes a handler shows one message box (number and text) and ends
// the program; while that box is up, every other handler is dropped. After
// an error in an event raised from inside another handler (a Change raised by
// setText, say), the outer handler stops at that toolkit call too. The
// toolkit's own error numbers and texts are in platform/text/Error.h.
void Dispatch(const std::function<void()>& handler);

// Test seam: what "end the program" does (default: flush and _exit(status)).
// While a replacement is installed the toolkit keeps dropping handlers after
// an error until ResetAfterError() is called.
extern std::function<void(int status)> EndProgramHook;
bool ErrorRaised();
void ResetAfterError();

namespace detail {

// Everything the toolkit keeps for the whole program, in one place.
struct ProgramState {
    int dispatchDepth = 0;
    bool errorRaised = false;
    std::vector<Form*> forms;        // every form alive
    std::vector<Form*> activeStack;  // the start-up window, then each modal Show
    int loadedCount = 0;
    bool programRunning = false;
    QEventLoop* programLoop = nullptr;
    std::vector<QEventLoop*> modalLoops;  // the running modal Shows, innermost last
};
ProgramState& Program();

// Thrown by toolkit calls made inside a handler after a nested handler failed,
// so the outer handler stops too; caught by the outermost Dispatch.
struct Unwinding {};
void CheckUnwind();

}  // namespace detail

}  // namespace tarvix
