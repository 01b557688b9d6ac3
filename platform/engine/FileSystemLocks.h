// Which file system holds a file, and whether the locks taken on it are seen
// by every computer that reaches it: SQLite keeps a store sound between two
// writers only through those locks.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tarvix {

class FileSystemLocks {
public:
    // One line of the system's mount table.
    struct Mount {
        QString type;        // "ext4", "fuse.sshfs", "nfs4"...
        QString mountPoint;  // where it is mounted
        QString options;     // the mount's and the file system's options, comma-separated
    };

    // The mount holding path (an existing file or folder, bytes as the system
    // takes them); empty when the mount table cannot be read.
    static std::optional<Mount> MountOf(const QByteArray& path);
    // Empty when the file system's locks are shared between computers (or it
    // is a local disk); otherwise how it is mounted, e.g. "fuse.sshfs" or "nfs (nolock)".
    static QString Unshared(const Mount& mount);
    // The same, read from a mount table's text (tests give their own).
    static std::optional<Mount> MountOf(const QByteArray& path, const QByteArray& mountTable);
};

}  // namespace tarvix
