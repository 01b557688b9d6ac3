// A reader of untrusted files run as a child process (the Jet reader, the PDF
// reader): killed and reaped however the parent leaves, so a failure or an
// exception never leaves it running; its output read a little at a time, so
// the caller can stop one that hangs.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

namespace tarvix::tool {

class GuardedChild {
public:
    // environment: "NAME=value" to set, "NAME" to take away, over the parent's own. Its standard input is
    // empty unless answered: then send() writes it.
    GuardedChild(const QString& program, const QStringList& arguments, const QStringList& environment = {},
                 bool answered = false);
    ~GuardedChild();
    GuardedChild(const GuardedChild&) = delete;
    GuardedChild& operator=(const GuardedChild&) = delete;

    // Empty once started, else why not.
    QString startFailure();

    // Waits at most ms for output and hands on what came; false once the process has ended and all is read.
    bool read(int ms, const std::function<void(const char*, std::size_t)>& onOut, QByteArray& err, qsizetype errKept);

    // Writes all of data on its standard input, then closes it; false when the child no longer reads it.
    bool send(const QByteArray& data);

    // The exit status once all is read: the code, or -1 when it crashed.
    int wait();

private:
    QProcess process_;
};

// The first line a child wrote to its standard error, cut to a readable length.
QString FirstErrorLine(const QByteArray& err);

}  // namespace tarvix::tool
