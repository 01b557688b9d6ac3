// create and sample: the store is built under a temporary name beside FILE and
// moved into place only when complete, so a failure leaves no half-made file
// and --force never leaves the user without the old one before the new one is ready.
#include "tools/Commands.h"
#include "tools/SampleData.h"
#include "tools/StoreTool.h"

#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tarvix::tool {

namespace {

// Removes the temporary store (and a journal it may have left) unless it was moved into place.
class TempFile {
public:
    explicit TempFile(QString path) : path_(std::move(path)) {}
    ~TempFile()
    {
        if (!kept_) {
            QFile::remove(path_);
            QFile::remove(path_ + QStringLiteral("-journal"));
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const QString& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    QString path_;
    bool kept_ = false;
};

QString tempNameBeside(const QFileInfo& target)
{
    const QDir dir = target.absoluteDir();
    for (int n = 0;; ++n) {
        const QString name = QStringLiteral(".%1.tarvix-db-%2-%3").arg(target.fileName()).arg(QCoreApplication::applicationPid()).arg(n);
        const QString path = dir.filePath(name);
        if (!QFileInfo::exists(path) && !QFileInfo::exists(path + QStringLiteral("-journal")))
            return path;
    }
}

QString folderOf(const QFileInfo& info)
{
    return QDir::toNativeSeparators(info.absolutePath());
}

[[noreturn]] void alreadyThere(const QFileInfo& target)
{
    throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” există deja în dosarul „%2”; nu îl înlocuiesc. "
                                                        "Folosiți --force ca să fie înlocuit.")
                                             .arg(target.fileName(), folderOf(target))};
}

// Moves the finished store into place; without force an existing file is never replaced.
void moveIntoPlace(const QString& from, const QFileInfo& target, bool force)
{
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(target.absoluteFilePath());
    int rc;
    if (force) {
        rc = std::rename(src.constData(), dst.constData());
    } else {
        rc = ::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without no-replace renames: a hard link fails on an existing name too.
            rc = ::link(src.constData(), dst.constData());
            if (rc == 0)
                ::unlink(src.constData());
            else if (errno != EEXIST && !QFileInfo::exists(target.absoluteFilePath()))
                rc = std::rename(src.constData(), dst.constData());  // nor hard links: check, then move
        }
        if (rc != 0 && errno == EEXIST)
            alreadyThere(target);
    }
    if (rc != 0)
        throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” nu poate fi scris în dosarul „%2”: %3.")
                                                 .arg(target.fileName(), folderOf(target),
                                                      QString::fromLocal8Bit(std::strerror(errno)))};
}

}  // namespace

int RunCreate(const QString& file, bool force, bool sample)
{
    const QFileInfo target(QDir::current(), file);
    if (target.isDir())
        throw Failure{exitcode::FileProblem, QStringLiteral("„%1” este un dosar, nu un fișier.").arg(file)};
    if (!target.absoluteDir().exists())
        throw Failure{exitcode::FileProblem, QStringLiteral("Dosarul „%1” nu există.").arg(folderOf(target))};
    if (target.exists() && !force)
        alreadyThere(target);
    // A journal beside the old file belongs to a change still in progress or cut short;
    // it would be played back into the new file.
    if (force && QFileInfo::exists(target.absoluteFilePath() + QStringLiteral("-journal")))
        throw Failure{exitcode::FileProblem, QStringLiteral("Lângă „%1” se află „%1-journal”: fișierul este în lucru la o "
                                                            "copie a programului sau are o modificare întreruptă. Închideți "
                                                            "programul și încercați din nou.")
                                                 .arg(target.fileName())};

    TempFile temp(tempNameBeside(target));
    Content content;
    try {
        std::unique_ptr<Database> db = DBEngine().CreateDatabase(temp.path());
        store::CreateSchema(*db);
        if (sample) {
            content = SampleContent();
            Transaction t(*db);
            AppendContent(*db, content);
            t.Commit();
        }
        db->Close();
    } catch (const EngineError& e) {
        const int code = e.Number() == err::CannotOpen || e.Number() == err::ReadOnly || e.Number() == err::AlreadyExists
            ? exitcode::FileProblem
            : exitcode::EngineFailure;
        throw Failure{code, QStringLiteral("Fișierul „%1” nu a fost făcut: %2").arg(target.fileName(), DescribeEngineError(e))};
    }
    moveIntoPlace(temp.path(), target, force);
    temp.keep();

    if (sample)
        PrintOut(QStringLiteral("Am făcut baza de date „%1” cu exemplul: %2, %3 și %4.")
                     .arg(file, Counted(content.words.size(), "cuvânt", "cuvinte"),
                          Counted(content.chapters.size(), "capitol", "capitole"),
                          Counted(static_cast<long long>(content.links.size()), "legătură", "legături")));
    else
        PrintOut(QStringLiteral("Am făcut baza de date goală „%1”.").arg(file));
    return exitcode::Ok;
}

}  // namespace tarvix::tool
