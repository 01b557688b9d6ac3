#include "tools/jet/JetFileGuard.h"

#include "tools/base/PendingStore.h"
#include "tools/base/StoreTool.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvix::tool {

namespace {

// Copies of one original kept side by side; past that the folder wants tidying, not another.
constexpr int kMaxOriginals = 1000;

// A lock another process holds anywhere on the file.
bool lockedByAnother(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

}  // namespace

QString LockFileOf(const QFileInfo& jet)
{
    const bool ace = jet.suffix().compare(QLatin1String("accdb"), Qt::CaseInsensitive) == 0;
    return jet.dir().filePath(jet.completeBaseName() + (ace ? QStringLiteral(".laccdb") : QStringLiteral(".ldb")));
}

void RefuseIfHeld(const QFileInfo& jet)
{
    const QString lock = LockFileOf(jet);
    if (lockedByAnother(lock) || lockedByAnother(jet.filePath()))
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” este deschis acum de alt program (Access ține „%2”). Închideți "
                                     "acel program și încercați din nou; altfel ce scrie el după aceea s-ar pierde.")
                          .arg(jet.fileName(), QFileInfo(lock).fileName())};
}

ConversionLock::ConversionLock(const QFileInfo& jet)
{
    const QByteArray path = QFile::encodeName(jet.filePath());
    fd_ = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” nu poate fi deschis: %2.")
                                                 .arg(jet.fileName(), QString::fromLocal8Bit(std::strerror(errno)))};
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd_);
        fd_ = -1;
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” este chiar acum adus într-o bază de date Tarvix de altă "
                                     "comandă convert (sau de programul Tarvix). Așteptați să se termine.")
                          .arg(jet.fileName())};
    }
    struct stat locked, named;
    changed_ = ::fstat(fd_, &locked) != 0 || ::stat(path.constData(), &named) != 0 || locked.st_dev != named.st_dev
               || locked.st_ino != named.st_ino;
}

ConversionLock::~ConversionLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QString OriginalName(const QFileInfo& info, const JetHeader& header, int n)
{
    const QString kind = header.version == 0   ? QStringLiteral("jet3")
                         : header.version == 1 ? QStringLiteral("jet4")
                                               : QStringLiteral("ace");
    const QString suffix = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    return QStringLiteral("%1.original-%2%3%4")
        .arg(info.completeBaseName(), kind, n == 1 ? QString() : QStringLiteral("-%1").arg(n), suffix);
}

QString FreeOriginalName(const QFileInfo& info, const JetHeader& header)
{
    for (int n = 1; n < kMaxOriginals; ++n) {
        const QString name = OriginalName(info, header, n);
        struct stat st {};
        if (::lstat(QFile::encodeName(info.dir().filePath(name)).constData(), &st) != 0)
            return name;
    }
    return OriginalName(info, header, kMaxOriginals);
}

QString KeepOriginal(const QFileInfo& info, const JetHeader& header)
{
    const QByteArray from = QFile::encodeName(info.filePath());
    for (int n = 1; n < kMaxOriginals; ++n) {
        const QString name = OriginalName(info, header, n);
        const QString path = info.dir().filePath(name);
        const QByteArray to = QFile::encodeName(path);
        if (::link(from.constData(), to.constData()) == 0)
            return path;
        if (errno == EEXIST)
            continue;
        // A file system without hard links: a copy that refuses an existing name.
        if (QFileInfo::exists(path))
            continue;
        if (QFile::copy(info.filePath(), path))
            return path;
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Originalul „%1” nu poate fi păstrat în dosarul „%2”: %3.")
                          .arg(info.fileName(), FolderOf(info), QString::fromLocal8Bit(std::strerror(errno)))};
    }
    throw Failure{
        exitcode::FileProblem,
        QStringLiteral("Prea multe copii ale originalului „%1” în dosarul „%2”.").arg(info.fileName(), FolderOf(info))};
}

bool SameFile(const QString& a, const QString& b)
{
    struct stat sa, sb;
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
           && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace tarvix::tool
