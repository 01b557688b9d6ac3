#include "platform/engine/FileSystemLocks.h"

#include <QFile>
#include <QList>

#include <cstdlib>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tarvix {

namespace {

// The table writes a blank, tab, newline or backslash in a path as \ooo.
QByteArray unescaped(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += static_cast<char>(code);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool isUnder(const QByteArray& path, const QByteArray& mountPoint)
{
    if (mountPoint == "/")
        return true;
    return path == mountPoint || (path.startsWith(mountPoint) && path.at(mountPoint.size()) == '/');
}

bool hasOption(const QString& options, const QString& name)
{
    return options.split(QLatin1Char(',')).contains(name);
}

}  // namespace

std::optional<FileSystemLocks::Mount> FileSystemLocks::MountOf(const QByteArray& path)
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return std::nullopt;
    return MountOf(path, table.readAll());
}

std::optional<FileSystemLocks::Mount> FileSystemLocks::MountOf(const QByteArray& path, const QByteArray& mountTable)
{
    char* resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return std::nullopt;
    const QByteArray real(resolved);
    std::free(resolved);
    struct stat st {};
    const bool statted = ::stat(real.constData(), &st) == 0;
    const QByteArray device =
        statted ? QByteArray::number(major(st.st_dev)) + ':' + QByteArray::number(minor(st.st_dev)) : QByteArray();
    // The deepest mount above the path, one of the same device first: a bind
    // mount or a subvolume can stand above a path of another device.
    std::optional<Mount> best;
    qsizetype bestLength = -1;
    bool bestSameDevice = false;
    for (const QByteArray& line : mountTable.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (dash < 6 || dash + 2 >= f.size())
            continue;
        const QByteArray point = unescaped(f[4]);
        if (!isUnder(real, point))
            continue;
        const bool sameDevice = f[2] == device;
        if ((bestSameDevice && !sameDevice) || (sameDevice == bestSameDevice && point.size() <= bestLength))
            continue;
        const QByteArray super = dash + 3 < f.size() ? f[dash + 3] : QByteArray();
        best = Mount{QString::fromUtf8(f[dash + 1]), QFile::decodeName(point), QString::fromUtf8(f[5] + ',' + super)};
        bestLength = point.size();
        bestSameDevice = sameDevice;
    }
    return best;
}

QString FileSystemLocks::Unshared(const Mount& mount)
{
    const QString& type = mount.type;
    // FUSE keeps locks in the kernel of the computer that mounted it. A FUSE
    // file system over a local disk or over other local folders has only that computer.
    if (type == QLatin1String("fuse") || type.startsWith(QLatin1String("fuse."))) {
        if (type == QLatin1String("fuse.fuse-overlayfs"))
            return {};
        return type;
    }
    if (type == QLatin1String("nfs") || type == QLatin1String("nfs4")) {
        for (const char* option : {"nolock", "local_lock=all", "local_lock=posix"})
            if (hasOption(mount.options, QLatin1String(option)))
                return QStringLiteral("%1 (%2)").arg(type, QLatin1String(option));
        return {};
    }
    if (type == QLatin1String("cifs") || type == QLatin1String("smb3")) {
        if (hasOption(mount.options, QStringLiteral("nobrl")))
            return QStringLiteral("%1 (nobrl)").arg(type);
        return {};
    }
    return {};
}

}  // namespace tarvix
