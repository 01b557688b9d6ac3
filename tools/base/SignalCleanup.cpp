#include "tools/base/SignalCleanup.h"

#include <QFile>

#include <array>
#include <climits>
#include <cstring>
#include <unistd.h>

namespace tarvix::tool {

namespace {

// Fixed storage, as the handler may only read memory and unlink.
struct Slot {
    volatile std::sig_atomic_t used = 0;
    char path[PATH_MAX] = {};
    char journal[PATH_MAX] = {};
};
std::array<Slot, 8> cleanups;

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onSignal(int signal)
{
    for (Slot& s : cleanups)
        if (s.used) {
            ::unlink(s.path);
            ::unlink(s.journal);
        }
    // The default action ends the process with the signal's status.
    std::signal(signal, SIG_DFL);
    ::raise(signal);
}

sigset_t handled()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int s : kSignals)
        sigaddset(&set, s);
    return set;
}

}  // namespace

void SignalCleanup::Install()
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    action.sa_mask = handled();
    for (const int s : kSignals) {
        struct sigaction old {};
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        ::sigaction(s, &action, nullptr);
    }
}

SignalCleanup::SignalCleanup(const QString& path)
{
    const QByteArray file = QFile::encodeName(path);
    const QByteArray journal = file + "-journal";
    if (journal.size() >= PATH_MAX)
        return;
    Hold hold;
    for (std::size_t i = 0; i < cleanups.size(); ++i) {
        if (cleanups[i].used)
            continue;
        std::memcpy(cleanups[i].path, file.constData(), std::size_t(file.size()) + 1);
        std::memcpy(cleanups[i].journal, journal.constData(), std::size_t(journal.size()) + 1);
        cleanups[i].used = 1;
        slot_ = int(i);
        return;
    }
}

SignalCleanup::~SignalCleanup()
{
    release();
}

void SignalCleanup::release()
{
    if (slot_ >= 0)
        cleanups[std::size_t(slot_)].used = 0;
    slot_ = -1;
}

bool SignalCleanup::Pending()
{
    sigset_t pending;
    sigemptyset(&pending);
    if (::sigpending(&pending) != 0)
        return false;
    for (const int s : kSignals)
        if (sigismember(&pending, s) == 1)
            return true;
    return false;
}

SignalCleanup::Hold::Hold()
{
    const sigset_t set = handled();
    ::sigprocmask(SIG_BLOCK, &set, &old_);
}

SignalCleanup::Hold::~Hold()
{
    ::sigprocmask(SIG_SETMASK, &old_, nullptr);
}

}  // namespace tarvix::tool
