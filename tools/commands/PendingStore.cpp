#include "tools/commands/PendingStore.h"

#include "tools/cli/StoreTool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tarvix::tool {

namespace {

QString tempNameBeside(const QFileInfo& target)
{
    const QDir dir = target.absoluteDir();
    for (int n = 0;; ++n) {
        const QString name =
            QStringLiteral(".%1.tarvix-db-%2-%3").arg(target.fileName()).arg(QCoreApplication::applicationPid()).arg(n);
        const QString path = dir.filePath(name);
        if (!QFileInfo::exists(path) && !QFileInfo::exists(path + QStringLiteral("-journal")))
            return path;
    }
}

[[noreturn]] void alreadyThere(const QFileInfo& target)
{
    throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” există deja în dosarul „%2”; nu îl înlocuiesc. "
                                                        "Folosiți --force ca să fie înlocuit.")
                                             .arg(target.fileName(), FolderOf(target))};
}

}  // namespace

QString FolderOf(const QFileInfo& info)
{
    return QDir::toNativeSeparators(info.absolutePath());
}

bool HasChangeInProgress(const QFileInfo& store, QString* which)
{
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const QString name = store.absoluteFilePath() + QString::fromLatin1(suffix);
        if (QFileInfo::exists(name)) {
            if (which)
                *which = QFileInfo(name).fileName();
            return true;
        }
    }
    return false;
}

PendingStore::PendingStore(const QString& file, bool force) : target_(QDir::current(), file), force_(force)
{
    if (target_.isDir())
        throw Failure{exitcode::FileProblem, QStringLiteral("„%1” este un dosar, nu un fișier.").arg(file)};
    if (!target_.absoluteDir().exists())
        throw Failure{exitcode::FileProblem, QStringLiteral("Dosarul „%1” nu există.").arg(FolderOf(target_))};
    if (target_.exists() && !force)
        alreadyThere(target_);
    // A journal or log beside the file belongs to a change in progress or cut
    // short; SQLite would play it back into the new file, even where no file is left.
    QString which;
    if (HasChangeInProgress(target_, &which) && !target_.exists())
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("În locul lui „%1” a rămas „%2”, de la o bază de date care nu mai este acolo; "
                                     "SQLite l-ar putea aplica fișierului nou. Ștergeți „%2” și încercați din nou.")
                          .arg(target_.fileName(), which)};
    if (HasChangeInProgress(target_, &which))
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Lângă „%1” se află „%2”: fișierul este în lucru la o "
                                     "copie a programului sau are o modificare întreruptă. Închideți "
                                     "programul și încercați din nou.")
                          .arg(target_.fileName(), which)};
    temp_ = tempNameBeside(target_);
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
    const QByteArray src = QFile::encodeName(temp_);
    const QByteArray dst = QFile::encodeName(target_.absoluteFilePath());
    int rc;
    if (force_) {
        rc = std::rename(src.constData(), dst.constData());
    } else {
        rc = ::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without no-replace renames: a hard link fails on an existing name too.
            rc = ::link(src.constData(), dst.constData());
            if (rc == 0)
                ::unlink(src.constData());
            else if (errno != EEXIST && !QFileInfo::exists(target_.absoluteFilePath()))
                rc = std::rename(src.constData(), dst.constData());  // nor hard links: check, then move
        }
        if (rc != 0 && errno == EEXIST)
            alreadyThere(target_);
    }
    if (rc != 0)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” nu poate fi scris în dosarul „%2”: %3.")
                          .arg(target_.fileName(), FolderOf(target_), QString::fromLocal8Bit(std::strerror(errno)))};
    moved_ = true;
}

}  // namespace tarvix::tool
