// A new store is built under a temporary name beside its target and moved into
// place only when complete, so a failure leaves no half-made file and --force
// never leaves the user without the old file before the new one is ready.
#pragma once

#include "tools/base/SignalCleanup.h"

#include "platform/engine/StoreFile.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>

#include <memory>

namespace tarvix::tool {

class PendingStore {
public:
    // Checks the target first: not a folder, its folder there, not already
    // there unless force, no journal or log of a change in progress beside it.
    // A name that is a link stands for the file it points to, which is replaced.
    PendingStore(const QString& file, bool force);
    // Removes the temporary file (and a journal it may have left) unless moved into place.
    ~PendingStore();
    PendingStore(const PendingStore&) = delete;
    PendingStore& operator=(const PendingStore&) = delete;

    const QString& tempPath() const { return temp_; }
    // The name as given, for messages.
    QString fileName() const { return store_.FileName(); }
    // Without force an existing file is never replaced (FileProblem). The
    // replaced file's mode and group stay; a link stays and is said so.
    void MoveIntoPlace();

private:
    StoreFile store_;
    QByteArray destination_;  // the name, or the file its link points to
    QString temp_;
    bool force_;
    bool moved_ = false;
    std::unique_ptr<SignalCleanup> cleanup_;  // the temporary file goes if a signal ends the command
};

QString FolderOf(const QFileInfo& info);
// The file names a store may have beside it while a change is in progress.
bool HasChangeInProgress(const QByteArray& store, QString* which = nullptr);

}  // namespace tarvix::tool
