#include "platform/toolkit/ErrorBoundary.h"

#include "platform/text/Error.h"
#include "platform/toolkit/MsgBox.h"

#include <QEventLoop>

#include <cstdio>
#include <new>
#include <unistd.h>

namespace tarvix {

std::function<void(int)> EndProgramHook;

namespace detail {

namespace {

// Constant-initialized, so it outlives every window, however late a static one is destroyed.
constinit ProgramState state;

}  // namespace

ProgramState& Program()
{
    return state;
}

void CheckUnwind()
{
    if (Program().errorRaised && Program().dispatchDepth > 0)
        throw Unwinding{};
}

}  // namespace detail

bool ErrorRaised()
{
    return detail::Program().errorRaised;
}
void ResetAfterError()
{
    detail::Program().errorRaised = false;
}

namespace {

void endProgram(int status)
{
    if (EndProgramHook) {
        EndProgramHook(status);
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(status);
}

void failWith(int number, const QString& text) noexcept
{
    detail::Program().errorRaised = true;
    try {
        MsgBox(QStringLiteral("Eroare de execuție '%1':\n\n%2").arg(number).arg(text), vbCritical,
               QStringLiteral("Tarvix"));
    } catch (...) {
    }
    endProgram(1);
    // Only a test's end hook comes back here: let every modal Show return.
    for (QEventLoop* loop : detail::Program().modalLoops)
        loop->exit();
    if (detail::Program().programLoop)
        detail::Program().programLoop->exit();
}

}  // namespace

void Dispatch(const std::function<void()>& handler)
{
    if (detail::Program().errorRaised || !handler)
        return;
    struct Depth {
        Depth() { ++detail::Program().dispatchDepth; }
        ~Depth() { --detail::Program().dispatchDepth; }
    } depth;
    try {
        handler();
    } catch (const detail::Unwinding&) {
    } catch (const EngineError& e) {
        failWith(e.Number(), e.Text());
    } catch (const std::bad_alloc&) {
        failWith(tkerr::OutOfMemory, ToolkitErrorText(tkerr::OutOfMemory));
    } catch (const std::exception& e) {
        failWith(tkerr::InternalError, QStringLiteral("%1: %2").arg(ToolkitErrorText(tkerr::InternalError).chopped(1),
                                                                    QString::fromLocal8Bit(e.what())));
    } catch (...) {
        failWith(tkerr::InternalError, ToolkitErrorText(tkerr::InternalError));
    }
}

}  // namespace tarvix
