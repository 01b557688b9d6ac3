#include "platform/engine/StoreFile.h"

#include "platform/engine/DBEngine.h"
#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/FileSystemLocks.h"
#include "platform/engine/LeftoverJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvix {

namespace {

QByteArray realPath(const QByteArray& path)
{
    char* resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return {};
    QByteArray out(resolved);
    std::free(resolved);
    return out;
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

bool writable(const QByteArray& path)
{
    return ::access(path.constData(), W_OK) == 0;
}

}  // namespace

StoreFile::StoreFile(const QString& name) : name_(QFile::encodeName(name))
{
    struct stat st {};
    link_ = ::lstat(name_.constData(), &st) == 0 && S_ISLNK(st.st_mode);
    target_ = realPath(name_);
    if (target_.isEmpty())
        target_ = name_;
}

QString StoreFile::FileName() const
{
    return QFile::decodeName(name_.mid(name_.lastIndexOf('/') + 1));
}

QString StoreFile::Folder() const
{
    return QDir::toNativeSeparators(QFileInfo(QDir::current(), QFile::decodeName(name_)).absolutePath());
}

QString StoreFile::LinkText() const
{
    char buffer[4096];
    const ssize_t n = ::readlink(name_.constData(), buffer, sizeof buffer);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(buffer, n));
}

bool StoreFile::Exists() const
{
    struct stat st {};
    return ::stat(name_.constData(), &st) == 0;
}

QByteArray StoreFile::folderBytes() const
{
    return folderOf(Exists() ? target_ : name_);
}

void StoreFile::checkLink() const
{
    struct stat st {};
    if (!link_ || ::stat(name_.constData(), &st) == 0)
        return;
    if (errno == ELOOP)
        throw EngineError(err::CannotOpen, QStringLiteral("„%1” din dosarul „%2” este o legătură simbolică spre „%3”, "
                                                          "iar legăturile de acolo trimit în cerc, fără să ajungă la "
                                                          "un fișier.")
                                               .arg(FileName(), Folder(), LinkText()));
    throw EngineError(err::FileNotFound,
                      QStringLiteral("„%1” din dosarul „%2” este o legătură simbolică spre „%3”, care nu există. "
                                     "Refaceți legătura sau ștergeți-o.")
                          .arg(FileName(), Folder(), LinkText()));
}

void StoreFile::checkLength(qsizetype bytes) const
{
    // SQLite's file layer takes a full path shorter than its buffer.
    const int limit = sqlite3_vfs_find(nullptr)->mxPathname - 1;
    if (bytes > limit)
        throw EngineError(err::CannotOpen, QStringLiteral("Calea fișierului „%1” din dosarul „%2” are %3 de octeți, "
                                                          "iar SQLite lucrează doar cu fișiere a căror cale are cel "
                                                          "mult %4 de octeți. Mutați fișierul într-un dosar cu o cale "
                                                          "mai scurtă.")
                                               .arg(FileName(), Folder())
                                               .arg(bytes)
                                               .arg(limit));
}

void StoreFile::CheckReadable() const
{
    checkLink();
    // A first run meets this: named as such, so the program and its tools can say how to make a store.
    if (!Exists())
        throw StoreConditionError(err::FileNotFound,
                                  QStringLiteral("Nu găsesc fișierul „%1” în dosarul „%2”.").arg(FileName(), Folder()),
                                  StoreCondition::Missing, FileName());
    struct stat st {};
    ::stat(target_.constData(), &st);
    if (S_ISDIR(st.st_mode))
        throw EngineError(err::CannotOpen, QStringLiteral("„%1” din dosarul „%2” este un dosar, nu un fișier; baza de "
                                                          "date este un fișier cu acest nume.")
                                               .arg(FileName(), Folder()));
    // A pipe would block the first read and a device read without end.
    if (!S_ISREG(st.st_mode))
        throw EngineError(err::CannotOpen, QStringLiteral("„%1” din dosarul „%2” nu este un fișier obișnuit, ci o "
                                                          "conductă, un dispozitiv sau un soclu; baza de date este un "
                                                          "fișier obișnuit.")
                                               .arg(FileName(), Folder()));
    if (::access(target_.constData(), R_OK) != 0)
        throw EngineError(err::CannotOpen, QStringLiteral("Fișierul „%1” din dosarul „%2” nu poate fi citit: "
                                                          "lipsește permisiunea.")
                                               .arg(FileName(), Folder()));
    checkLength(target_.size());
}

void StoreFile::CheckWritable() const
{
    // The program writes; finding out only at the first save would lose the user's typing.
    if (!writable(target_) || !writable(folderOf(target_)))
        throw EngineError(err::ReadOnly,
                          QStringLiteral("Fișierul „%1” sau dosarul „%2” poate fi doar citit; Tarvix are "
                                         "nevoie să scrie în ele.")
                              .arg(FileName(), Folder()));
    checkLocks(target_);
}

void StoreFile::checkLocks(const QByteArray& path) const
{
    const std::optional<FileSystemLocks::Mount> mount = FileSystemLocks::MountOf(path);
    const QString type = mount ? mount->type : QStringLiteral("necunoscut");
    if (mount && !FileSystemLocks::Unshared(*mount).isEmpty())
        throw StoreConditionError(
            err::LocksNotShared,
            QStringLiteral("„%1” din dosarul „%2” se află pe un sistem de fișiere %3 (montat în „%4”), "
                           "ale cărui blocări nu sunt văzute de celelalte calculatoare care lucrează cu "
                           "el: două calculatoare care scriu deodată ar strica baza de date. De aceea "
                           "Tarvix nu scrie aici; comenzile care doar citesc (check, export, index) "
                           "merg. Pentru lucrul în comun între calculatoare, puneți fișierul pe un disc de "
                           "rețea ale cărui blocări le văd toate calculatoarele (NFS cu serviciul lui "
                           "de blocări, SMB fără nobrl).")
                .arg(FileName(), Folder(), FileSystemLocks::Unshared(*mount), mount->mountPoint),
            StoreCondition::LocksNotShared, FileName());
    // NFS without its lock service refuses every lock; SQLite would call that
    // "busy". Asked of network disks only: closing a file drops every lock this
    // process holds on it, another connection's too.
    if (!mount
        || !(type.startsWith(QLatin1String("nfs")) || type == QLatin1String("cifs") || type == QLatin1String("smb3")))
        return;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const bool refused = ::fcntl(fd, F_GETLK, &probe) != 0 && errno == ENOLCK;
    ::close(fd);
    if (refused)
        throw EngineError(err::LocksNotShared,
                          QStringLiteral("Sistemul de fișiere %1 pe care se află „%2” din dosarul „%3” refuză "
                                         "blocările de fișiere (ENOLCK), fără de care Tarvix nu poate scrie în "
                                         "siguranță. Pe un disc de rețea NFS, serviciul de blocări trebuie să ruleze "
                                         "și pe server, și pe acest calculator.")
                              .arg(type, FileName(), Folder()));
}

void StoreFile::SettleJournal(bool write) const
{
    const LeftoverJournal journal(target_);
    if (!journal.Pending())
        return;
    if (!journal.Belongs())
        throw EngineError(err::CannotOpen,
                          QStringLiteral("Lângă „%1” a rămas „%2”, de la o modificare întreruptă a altui fișier decât "
                                         "acesta (de exemplu, „%1” a fost adus înapoi dintr-o copie după o cădere). "
                                         "Aplicat, l-ar strica. Mutați „%2” din dosarul „%3” în alt loc sau "
                                         "ștergeți-l, apoi deschideți din nou.")
                              .arg(FileName(), journal.FileName(), Folder()));
    // A writer's first read rolls it back.
    if (write)
        return;
    try {
        CheckWritable();
    } catch (const EngineError& e) {
        throw StoreConditionError(
            err::ReadOnly,
            QStringLiteral(
                "Lângă „%1” a rămas „%2”: o modificare întreruptă așteaptă să fie anulată, iar aici nu o pot "
                "anula (%3) Faceți ca fișierul și dosarul „%4” să poată fi scrise; la următoarea "
                "deschidere o anulez.")
                .arg(FileName(), journal.FileName(), e.Text(), Folder()),
            StoreCondition::RollbackPending, FileName());
    }
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(target_.constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(raw, DBEngine::BusyTimeoutMs);
        rc = sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        const EngineError why = [&] {
            try {
                detail::RaiseSqliteError(raw, rc, FileName());
            } catch (const EngineError& e) {
                return e;
            }
        }();
        sqlite3_close_v2(raw);
        throw why;
    }
    sqlite3_close_v2(raw);
}

void StoreFile::CheckNew(qsizetype extraBytes) const
{
    checkLink();
    const QByteArray folder = folderBytes();
    struct stat st {};
    if (::stat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw EngineError(err::FileNotFound, QStringLiteral("Dosarul „%1” nu există.").arg(Folder()));
    if (::stat(target_.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        throw EngineError(
            err::CannotOpen,
            QStringLiteral("„%1” din dosarul „%2” este un dosar, nu un fișier.").arg(FileName(), Folder()));
    const QByteArray leaf = (Exists() ? target_ : name_).mid((Exists() ? target_ : name_).lastIndexOf('/') + 1);
    checkLength(realPath(folder).size() + 1 + leaf.size() + extraBytes);
    checkLocks(folder);
}

}  // namespace tarvix
