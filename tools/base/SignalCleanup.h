// Files a command is making, removed when SIGINT, SIGTERM or SIGHUP ends the
// command first: an interrupted create, sample, import-mdb or convert leaves
// nothing behind and ends with the signal's status. A command that changes a
// store in place (import) holds the signals while it does and rolls back first.
#pragma once

#include <QString>

#include <csignal>

namespace tarvix::tool {

class SignalCleanup {
public:
    // Once, before any command runs.
    static void Install();

    // Removes path (and the journal beside it) if a signal comes before release().
    explicit SignalCleanup(const QString& path);
    ~SignalCleanup();
    SignalCleanup(const SignalCleanup&) = delete;
    SignalCleanup& operator=(const SignalCleanup&) = delete;
    // The file is now wanted: a later signal leaves it.
    void release();

    // Whether one of the signals came while held, and waits.
    static bool Pending();

    // The signals wait while it lives, so that a file moved into place and its release happen together.
    class Hold {
    public:
        Hold();
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        sigset_t old_;
    };

private:
    int slot_ = -1;
};

}  // namespace tarvix::tool
