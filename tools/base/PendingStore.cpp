#include "tools/base/PendingStore.h"

#include "tools/base/StoreTool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvix::tool {

namespace {

QByteArray leafOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// Beside the destination, by the destination's own bytes: a relative name
// stays relative, so a folder whose name is not UTF-8 is reached all the same.
QString tempNameBeside(const QByteArray& destination)
{
    const QByteArray folder = destination.left(destination.lastIndexOf('/') + 1);
    for (int n = 0;; ++n) {
        const QByteArray path = folder + '.' + leafOf(destination) + ".tarvix-db-"
                                + QByteArray::number(QCoreApplication::applicationPid()) + '-' + QByteArray::number(n);
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 && ::lstat((path + "-journal").constData(), &st) != 0)
            return QFile::decodeName(path);
    }
}

[[noreturn]] void alreadyThere(const StoreFile& store)
{
    throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” există deja în dosarul „%2”; nu îl înlocuiesc. "
                                                        "Folosiți --force ca să fie înlocuit.")
                                             .arg(store.FileName(), store.Folder())};
}

// The new file takes the place of the old with its mode and group (and, for
// root, its owner), so a shared store stays shared.
void keepModeAndOwner(const QByteArray& replaced, const QByteArray& replacement)
{
    struct stat st {};
    if (::stat(replaced.constData(), &st) != 0)
        return;
    // A group the runner is not in cannot be given; the mode still is.
    if (::chown(replacement.constData(), ::geteuid() == 0 ? st.st_uid : uid_t(-1), st.st_gid) != 0)
        errno = 0;
    // After chown, which clears set-group-id.
    ::chmod(replacement.constData(), st.st_mode & 07777);
}

}  // namespace

QString FolderOf(const QFileInfo& info)
{
    return QDir::toNativeSeparators(info.absolutePath());
}

bool HasChangeInProgress(const QByteArray& store, QString* which)
{
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        struct stat st {};
        if (::lstat((store + suffix).constData(), &st) == 0) {
            if (which)
                *which = QFile::decodeName(leafOf(store) + suffix);
            return true;
        }
    }
    return false;
}

PendingStore::PendingStore(const QString& file, bool force) : store_(file), force_(force)
{
    destination_ = store_.IsLink() ? store_.Target() : store_.Name();
    temp_ = tempNameBeside(destination_);
    cleanup_ = std::make_unique<SignalCleanup>(temp_);
    try {
        store_.CheckNew(QFile::encodeName(temp_).size() - destination_.size());
    } catch (const EngineError& e) {
        throw Failure{exitcode::FileProblem, DescribeEngineError(e)};
    }
    if (store_.Exists() && !force)
        alreadyThere(store_);
    // A journal or log beside the file belongs to a change in progress or cut
    // short; SQLite would play it back into the new file, even where no file is left.
    QString which;
    if (HasChangeInProgress(destination_, &which) && !store_.Exists())
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("În locul lui „%1” a rămas „%2”, de la o bază de date care nu mai este acolo; "
                                     "SQLite l-ar putea aplica fișierului nou. Ștergeți „%2” și încercați din nou.")
                          .arg(store_.FileName(), which)};
    if (HasChangeInProgress(destination_, &which))
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Lângă „%1” se află „%2”: fișierul este în lucru la o "
                                     "copie a programului sau are o modificare întreruptă. Închideți "
                                     "programul și încercați din nou.")
                          .arg(store_.FileName(), which)};
}

PendingStore::~PendingStore()
{
    if (!moved_) {
        QFile::remove(temp_);
        QFile::remove(temp_ + QStringLiteral("-journal"));
    }
}

void PendingStore::MoveIntoPlace()
{
    const SignalCleanup::Hold hold;
    const QByteArray src = QFile::encodeName(temp_);
    const QByteArray& dst = destination_;
    int rc;
    if (force_) {
        keepModeAndOwner(dst, src);
        rc = std::rename(src.constData(), dst.constData());
    } else {
        rc = ::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without no-replace renames: a hard link fails on an existing name too.
            rc = ::link(src.constData(), dst.constData());
            if (rc == 0)
                ::unlink(src.constData());
            else if (errno != EEXIST && !store_.Exists())
                rc = std::rename(src.constData(), dst.constData());  // nor hard links: check, then move
        }
        if (rc != 0 && errno == EEXIST)
            alreadyThere(store_);
    }
    if (rc != 0)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” nu poate fi scris în dosarul „%2”: %3.")
                          .arg(store_.FileName(), store_.Folder(), QString::fromLocal8Bit(std::strerror(errno)))};
    moved_ = true;
    cleanup_->release();
    if (store_.IsLink())
        PrintOut(QStringLiteral("„%1” este o legătură simbolică spre „%2”: am înlocuit fișierul acela, iar legătura a "
                                "rămas.")
                     .arg(store_.FileName(), store_.LinkText()));
}

}  // namespace tarvix::tool
