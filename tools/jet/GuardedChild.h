// A reader of untrusted files run as a child process: killed and reaped however
// the parent leaves, so a failure or an exception never leaves it running; its
// output read with a time limit, so a hang costs the parent nothing.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tarvix::tool {

class GuardedChild {
public:
    // environment: "NAME=value" to set, "NAME" to take away, over the parent's own.
    // Throws std::system_error when the child cannot start.
    GuardedChild(const QString& program, const QStringList& arguments, const std::vector<std::string>& environment);
    ~GuardedChild();
    GuardedChild(const GuardedChild&) = delete;
    GuardedChild& operator=(const GuardedChild&) = delete;

    // Waits at most ms for output; false once both pipes are at their end.
    bool read(int ms, const std::function<void(const char*, std::size_t)>& onOut, QByteArray& err, qsizetype errKept);

    // The exit status once the pipes are closed: the code, or -signal when it crashed.
    int wait();

private:
    static void closeFd(int& fd);
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

// The first line a child wrote to its standard error, cut to a readable length.
QString FirstErrorLine(const QByteArray& err);

}  // namespace tarvix::tool
