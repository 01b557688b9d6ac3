// The one check of a store's file before SQLite opens or makes it: where its
// name leads, what lies there, whether it may be written where it lies, and
// what a crash left beside it. The engine's open and every command that
// writes a store call it.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarvix {

class StoreFile {
public:
    // A name as given, against the working folder. Kept as the system's
    // bytes: a folder's name need not be valid UTF-8.
    explicit StoreFile(const QString& name);

    // The name's last part and its folder, for messages.
    QString FileName() const;
    QString Folder() const;
    // The name's bytes, as given (a relative name stays relative).
    const QByteArray& Name() const { return name_; }
    // The file the name leads to through its links (absolute), or the name
    // itself when nothing is there yet.
    const QByteArray& Target() const { return target_; }
    bool IsLink() const { return link_; }
    // Where a link points, as it is written.
    QString LinkText() const;
    bool Exists() const;

    // Throws unless the file is there (a broken link named with where it
    // points), is a regular file, can be read and has a path SQLite takes.
    void CheckReadable() const;
    // Throws unless the file and its folder may be written and the file
    // system's locks are seen by every computer that reaches it.
    void CheckWritable() const;
    // A journal left by a change cut short: one written for another file is
    // refused; one of this file is rolled back here when it may be written
    // (SQLite would otherwise refuse a reader), or, read-only, said as such.
    void SettleJournal(bool write) const;
    // Throws unless a new store can take the name's place: a broken link
    // named, its folder there, a path SQLite takes (with extraBytes more for
    // a longer name used on the way), locks shared between computers.
    void CheckNew(qsizetype extraBytes = 0) const;

private:
    void checkLink() const;
    void checkLength(qsizetype bytes) const;
    void checkLocks(const QByteArray& path) const;
    QByteArray folderBytes() const;

    QByteArray name_;
    QByteArray target_;
    bool link_ = false;
};

}  // namespace tarvix
