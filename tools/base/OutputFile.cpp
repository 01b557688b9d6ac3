#include "tools/base/OutputFile.h"

#include "tools/base/StoreTool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvix::tool {

namespace {

QString shownName(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

}  // namespace

bool OutputFile::Exists(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(bytes.constData(), &st) != 0)
        return false;
    if (S_ISREG(st.st_mode))
        return true;
    if (S_ISLNK(st.st_mode)) {
        char to[4096];
        const ssize_t n = ::readlink(bytes.constData(), to, sizeof to);
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("„%1” este o legătură simbolică spre „%2”; nu scriu prin ea și nu o înlocuiesc. "
                                     "Ștergeți legătura sau alegeți alt loc.")
                          .arg(shownName(path), QFile::decodeName(QByteArray(to, n < 0 ? 0 : n)))};
    }
    if (S_ISDIR(st.st_mode))
        throw Failure{exitcode::FileProblem, QStringLiteral("„%1” este un dosar, nu un fișier.").arg(shownName(path))};
    throw Failure{exitcode::FileProblem, QStringLiteral("„%1” nu este un fișier obișnuit, ci o conductă, un dispozitiv "
                                                        "sau un soclu; nu scriu în el.")
                                             .arg(shownName(path))};
}

OutputFile::OutputFile(const QString& path, bool force)
    : given_(path), shown_(shownName(path)), path_(QFile::encodeName(path)), force_(force)
{
    const bool there = Exists(path);
    const qsizetype slash = path_.lastIndexOf('/');
    for (int n = 0; fd_ < 0; ++n) {
        temp_ = path_.left(slash + 1) + '.' + path_.mid(slash + 1) + ".tarvix-db-"
                + QByteArray::number(QCoreApplication::applicationPid()) + '-' + QByteArray::number(n);
        fd_ = ::open(temp_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST)
            fail();
    }
    // A replaced file keeps its mode.
    struct stat st {};
    if (there && ::stat(path_.constData(), &st) == 0)
        ::fchmod(fd_, st.st_mode & 0777);
}

OutputFile::~OutputFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_)
        ::unlink(temp_.constData());
}

void OutputFile::fail() const
{
    const int why = errno ? errno : EIO;
    // The user's words, not the system's English.
    const QString text = why == ENOSPC || why == EDQUOT                  ? QStringLiteral("nu mai este loc pe disc")
                         : why == EACCES || why == EPERM || why == EROFS ? QStringLiteral("dosarul poate fi doar citit")
                                                                         : QString::fromLocal8Bit(std::strerror(why));
    throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” nu poate fi scris: %2.").arg(shown_, text)};
}

void OutputFile::Write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail();
        done += n;
    }
    if (::fsync(fd_) != 0)
        fail();
}

void OutputFile::Commit()
{
    const bool there = Exists(given_);
    if (there && !force_)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” există deja; nu îl înlocuiesc. Folosiți --force ca să fie "
                                     "înlocuit.")
                          .arg(shown_)};
    if (::close(fd_) != 0) {
        fd_ = -1;
        fail();
    }
    fd_ = -1;
    // rename replaces a name, link or not, and never writes through it.
    if (::rename(temp_.constData(), path_.constData()) != 0)
        fail();
    committed_ = true;
}

}  // namespace tarvix::tool
