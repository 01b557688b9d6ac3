#include "platform/engine/LeftoverJournal.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvix {

namespace {

// The layout SQLite gives its rollback journal and its file header.
constexpr char kMagic[] = "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7";
constexpr qsizetype kHeaderBytes = 28;
constexpr off_t kReservedByte = 0x40000001;  // locked by the one writer while its journal is in use
constexpr int kChangeCounterAt = 24;

std::uint32_t be32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t(u[0]) << 24) | (std::uint32_t(u[1]) << 16) | (std::uint32_t(u[2]) << 8) | u[3];
}

bool powerOfTwoBetween(std::uint32_t v, std::uint32_t low, std::uint32_t high)
{
    return v >= low && v <= high && (v & (v - 1)) == 0;
}

// At most limit bytes of a file (all with a negative limit), by its bytes name.
QByteArray readBytes(const QByteArray& path, qint64 limit)
{
    QFile f;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return {};
    }
    return limit < 0 ? f.readAll() : f.read(limit);
}

// SQLite's check of one journal record: a seed from the header plus every
// 200th byte of the page, counted from its end.
std::uint32_t recordSum(std::uint32_t seed, const char* page, std::uint32_t pageSize)
{
    std::uint32_t sum = seed;
    for (std::int64_t i = std::int64_t(pageSize) - 200; i > 0; i -= 200)
        sum += static_cast<unsigned char>(page[i]);
    return sum;
}

}  // namespace

LeftoverJournal::LeftoverJournal(const QByteArray& store) : store_(store)
{
    const QByteArray journal = readBytes(store_ + "-journal", -1);
    // SQLite plays back only a journal whose header was completed (written
    // when its change began to reach the file) and only into a non-empty file.
    struct stat st {};
    if (journal.size() < kHeaderBytes || !journal.startsWith(QByteArray(kMagic, 8))
        || ::stat(store_.constData(), &st) != 0 || st.st_size == 0 || heldByAWriter())
        return;
    pending_ = true;
    judge(journal);
}

QString LeftoverJournal::FileName() const
{
    return QFileInfo(QFile::decodeName(store_)).fileName() + QStringLiteral("-journal");
}

bool LeftoverJournal::heldByAWriter() const
{
    const int fd = ::open(store_.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kReservedByte;
    lock.l_len = 1;
    const bool held = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

void LeftoverJournal::judge(const QByteArray& journal)
{
    const char* h = journal.constData();
    const std::uint32_t pagesBefore = be32(h + 16), sector = be32(h + 20), pageSize = be32(h + 24);
    belongs_ = false;
    if (!powerOfTwoBetween(pageSize, 512, 65536) || !powerOfTwoBetween(sector, 32, 65536))
        return;
    // The first image of each page, from every segment SQLite would read.
    std::map<std::uint32_t, const char*> images;
    const qsizetype recordBytes = 8 + qsizetype(pageSize);
    qsizetype at = 0;
    while (at + kHeaderBytes <= journal.size() && std::memcmp(h + at, kMagic, 8) == 0) {
        std::uint32_t records = be32(h + at + 8);
        qsizetype r = at + sector;
        if (records == 0xffffffffu)
            records = std::uint32_t(std::max<qsizetype>(0, (journal.size() - r) / recordBytes));
        bool cut = false;
        for (std::uint32_t i = 0; i < records && !cut; ++i, r += recordBytes) {
            cut = r + recordBytes > journal.size();
            if (cut || recordSum(be32(h + at + 12), h + r + 4, pageSize) != be32(h + r + 4 + pageSize))
                cut = true;
            else
                images.emplace(be32(h + r), h + r + 4);
        }
        if (cut || records == 0)
            break;
        at = (r + sector - 1) / sector * sector;
    }
    const QByteArray file = readBytes(store_, pageSize);
    if (file.size() < 100)
        return;
    const std::uint32_t filePageSize =
        (std::uint32_t(static_cast<unsigned char>(file[16])) << 8) | static_cast<unsigned char>(file[17]);
    if ((filePageSize == 1 ? 65536u : filePageSize) != pageSize)
        return;
    const auto first = images.find(1);
    if (first == images.end()) {
        // The change had not reached the file's first page, so it had not
        // committed: until then the file only grows.
        struct stat st {};
        belongs_ = ::stat(store_.constData(), &st) == 0 && st.st_size / pageSize >= pagesBefore;
        return;
    }
    // Page 1 counts every committed change: the file still has the page the
    // journal saved, or the one this change wrote with the count one higher.
    const std::uint32_t before = be32(first->second + kChangeCounterAt);
    const std::uint32_t now = be32(file.constData() + kChangeCounterAt);
    if (now == before)
        belongs_ = file.size() == qsizetype(pageSize) && std::memcmp(file.constData(), first->second, pageSize) == 0;
    else
        belongs_ = now == before + 1;
}

}  // namespace tarvix
