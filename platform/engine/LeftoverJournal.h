// A rollback journal found beside a store: whether SQLite would play it back
// at the next open, and whether it was written by a change of the very file
// beside it. A journal left by another file's crash (a store copied back from
// a backup over the one that crashed) would mix that file's pages into this one.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarvix {

class LeftoverJournal {
public:
    // store: the store's path (links resolved), bytes as the system takes them.
    explicit LeftoverJournal(const QByteArray& store);

    // There, complete, and no other program is in the middle of the change it records.
    bool Pending() const { return pending_; }
    // Written by an interrupted change of the file beside it (meaningful when Pending).
    bool Belongs() const { return belongs_; }
    // "Dictionar.mdb-journal"
    QString FileName() const;

private:
    bool heldByAWriter() const;
    void judge(const QByteArray& journal);

    QByteArray store_;
    bool pending_ = false;
    bool belongs_ = true;
};

}  // namespace tarvix
