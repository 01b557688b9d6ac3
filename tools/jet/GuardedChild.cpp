#include "tools/jet/GuardedChild.h"

#include <QProcessEnvironment>

namespace tarvix::tool {

GuardedChild::GuardedChild(const QString& program, const QStringList& arguments, const QStringList& environment,
                           bool answered)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& change : environment) {
        const qsizetype eq = change.indexOf(QLatin1Char('='));
        if (eq < 0)
            env.remove(change);
        else
            env.insert(change.left(eq), change.mid(eq + 1));
    }
    process_.setProcessEnvironment(env);
    if (!answered)
        process_.setStandardInputFile(QProcess::nullDevice());
    process_.start(program, arguments, answered ? QIODevice::ReadWrite : QIODevice::ReadOnly);
}

GuardedChild::~GuardedChild()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(-1);
    }
}

QString GuardedChild::startFailure()
{
    return process_.waitForStarted(-1) ? QString() : process_.errorString();
}

bool GuardedChild::read(int ms, const std::function<void(const char*, std::size_t)>& onOut, QByteArray& err,
                        qsizetype errKept)
{
    const bool running = process_.state() != QProcess::NotRunning;
    if (running && process_.bytesAvailable() == 0)
        process_.waitForReadyRead(ms);
    const QByteArray out = process_.readAllStandardOutput();
    if (!out.isEmpty())
        onOut(out.constData(), static_cast<std::size_t>(out.size()));
    const QByteArray more = process_.readAllStandardError();
    if (err.size() < errKept)
        err.append(more.left(errKept - err.size()));
    return running || !out.isEmpty();
}

bool GuardedChild::send(const QByteArray& data)
{
    if (process_.write(data) != data.size())
        return false;
    while (process_.bytesToWrite() > 0)
        if (!process_.waitForBytesWritten(-1))
            return false;
    process_.closeWriteChannel();
    return true;
}

int GuardedChild::wait()
{
    process_.waitForFinished(-1);
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QString FirstErrorLine(const QByteArray& err)
{
    QString line = QString::fromUtf8(err).section(QLatin1Char('\n'), 0, 0).trimmed();
    if (line.size() > 200)
        line = line.left(200) + QStringLiteral("…");
    return line;
}

}  // namespace tarvix::tool
