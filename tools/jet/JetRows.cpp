#include "tools/jet/JetRows.h"

#include "tools/jet/JetProtocol.h"

#include <QString>

#include <cstring>
#include <unistd.h>

namespace tarvix::tool {

namespace {

constexpr unsigned kDeleted = 0x8000;  // deleted, or the moved data of a row whose place holds a pointer
constexpr unsigned kMoved = 0x4000;    // the row's place holds a pointer to its data elsewhere
constexpr unsigned kOffsetMask = 0x1FFF;
constexpr int kMaxHops = 8;                            // Access points a moved row at its last place; more is a loop
constexpr std::size_t kMaxMemo = 1 << 20;              // far past what a word or a title may be; the rest is not read
constexpr std::uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL": a page of long values

unsigned u16(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}
std::uint32_t u32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

// Where a row lies on a data page: [start, end), its flags; false when the page cannot hold it.
bool locate(const unsigned char* page, int pageSize, int rowCountAt, int row, int& start, int& end, unsigned& flags)
{
    const int rows = static_cast<int>(u16(page + rowCountAt));
    if (row < 0 || row >= rows || rowCountAt + 2 + 2 * rows > pageSize)
        return false;
    const unsigned entry = u16(page + rowCountAt + 2 + 2 * row);
    flags = entry & (kDeleted | kMoved);
    start = static_cast<int>(entry & kOffsetMask);
    end = row == 0 ? pageSize : static_cast<int>(u16(page + rowCountAt + 2 * row) & kOffsetMask);
    return start >= rowCountAt + 2 + 2 * rows && start <= end && end <= pageSize;
}

void appendUtf8(QByteArray& out, const std::vector<char16_t>& units)
{
    out.append(QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size())).toUtf8());
}

}  // namespace

JetRows::JetRows(MdbTableDef* table)
    : table_(table), mdb_(table->entry->mdb), jet3_(IS_JET3(mdb_)), pageSize_(static_cast<int>(mdb_->fmt->pg_size)),
      rowCountAt_(mdb_->fmt->row_count_offset), owner_(static_cast<std::uint32_t>(table->entry->table_pg)), page_(-1),
      copy_(static_cast<std::size_t>(pageSize_))
{
}

bool JetRows::nextPage()
{
    for (;;) {
        long long next;
        if (table_->usage_map && table_->map_sz > 0) {
            next = mdb_map_find_next(mdb_, table_->usage_map, static_cast<unsigned>(table_->map_sz),
                                     static_cast<guint32>(page_ < 0 ? 0 : page_));
            if (next < 0 || next <= page_)
                return false;
        } else {
            next = page_ + 1;
        }
        page_ = next;
        if (mdb_read_pg(mdb_, static_cast<unsigned long>(page_)) != pageSize_) {
            if (table_->usage_map && table_->map_sz > 0)
                throw JetRowsDamaged("harta tabelei numește o pagină de după sfârșitul fișierului");
            return false;
        }
        if (mdb_->pg_buf[0] == 0x01 && u32(mdb_->pg_buf + 4) == owner_) {
            std::memcpy(copy_.data(), mdb_->pg_buf, copy_.size());
            row_ = 0;
            rows_ = static_cast<int>(u16(mdb_->pg_buf + rowCountAt_));
            return true;
        }
    }
}

bool JetRows::Next(std::vector<MdbField>& fields)
{
    fields.resize(table_->num_cols);
    for (;;) {
        while (page_ < 0 || row_ >= rows_)
            if (!nextPage())
                return false;
        // A moved row left another page in libmdb's buffer.
        // libmdb reads a page again only when it is not the one it last read.
        if (displaced_) {
            std::memcpy(mdb_->pg_buf, copy_.data(), copy_.size());
            mdb_->cur_pg = static_cast<guint32>(page_);
        }
        displaced_ = false;
        int start, end;
        unsigned flags;
        if (!locate(copy_.data(), pageSize_, rowCountAt_, row_++, start, end, flags))
            throw JetRowsDamaged("un rând arată în afara paginii lui");
        if (flags & kDeleted)
            continue;
        if (flags & kMoved)
            followMoved(start, end, fields);
        else
            crack(start, end, fields);
        return true;
    }
}

void JetRows::crack(int start, int end, std::vector<MdbField>& fields)
{
    if (end <= start
        || mdb_crack_row(table_, start, static_cast<std::size_t>(end - start), fields.data())
               != static_cast<int>(table_->num_cols))
        throw JetRowsDamaged("un rând nu poate fi descifrat");
}

void JetRows::followMoved(int start, int end, std::vector<MdbField>& fields)
{
    for (int hop = 0; hop < kMaxHops; ++hop) {
        if (end - start < 4)
            throw JetRowsDamaged("trimiterea unui rând mutat este trunchiată");
        const unsigned char* p = mdb_->pg_buf + start;
        const int row = p[0];
        const std::uint32_t page = p[1] | (p[2] << 8) | (std::uint32_t(p[3]) << 16);
        displaced_ = true;
        if (mdb_read_pg(mdb_, page) != pageSize_ || mdb_->pg_buf[0] != 0x01 || u32(mdb_->pg_buf + 4) != owner_)
            throw JetRowsDamaged("un rând mutat trimite la o pagină care nu ține datele tabelei lui");
        unsigned flags;
        if (!locate(mdb_->pg_buf, pageSize_, rowCountAt_, row, start, end, flags))
            throw JetRowsDamaged("un rând mutat trimite la un rând care nu există");
        // The data at its new place is flagged so that a plain scan skips it; a pointer alone goes on.
        if ((flags & (kDeleted | kMoved)) != kMoved) {
            crack(start, end, fields);
            return;
        }
    }
    throw JetRowsDamaged("trimiterile unui rând mutat se învârt în cerc");
}

QByteArray JetRows::Value(const MdbColumn& column, const MdbField& field)
{
    if (field.is_null)
        return QByteArrayLiteral("\\N");
    const auto* data = static_cast<const unsigned char*>(field.value);
    const auto size = static_cast<std::size_t>(field.siz < 0 ? 0 : field.siz);
    switch (column.col_type) {
    case MDB_BYTE: return size >= 1 ? QByteArray::number(data[0]) : QByteArrayLiteral("\\N");
    case MDB_INT: return size >= 2 ? QByteArray::number(std::int16_t(u16(data))) : QByteArrayLiteral("\\N");
    case MDB_LONGINT: return size >= 4 ? QByteArray::number(std::int32_t(u32(data))) : QByteArrayLiteral("\\N");
    case MDB_TEXT: {
        const QByteArray t = text(data, size);
        return t.isNull() ? QByteArray(kUndecodableField) : EscapeJetField(t.constData(), std::size_t(t.size()));
    }
    case MDB_MEMO: {
        const QByteArray t = memo(data, size);
        return t.isNull() ? QByteArray(kUndecodableField) : EscapeJetField(t.constData(), std::size_t(t.size()));
    }
    default: {
        char* s = mdb_col_to_string(mdb_, mdb_->pg_buf, field.start, column.col_type, field.siz);
        const QByteArray out = s ? EscapeJetField(s, std::strlen(s)) : QByteArrayLiteral("\\N");
        g_free(s);
        return out;
    }
    }
}

// UTF-8 of a text's bytes; a null array when they are no text.
QByteArray JetRows::text(const unsigned char* data, std::size_t size) const
{
    QByteArray out("");
    if (jet3_) {
        out = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).toUtf8();
        return out;
    }
    std::vector<char16_t> units;
    units.reserve(size);
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        // Compressed: runs of one byte a character and of two, switched by a 0x00 byte.
        bool narrow = true;
        std::size_t from = 2;
        for (std::size_t i = 2; i <= size; ++i) {
            if (i < size && data[i] != 0x00)
                continue;
            if (narrow) {
                for (std::size_t k = from; k < i; ++k)
                    units.push_back(data[k]);
            } else {
                if ((i - from) % 2 != 0)
                    return {};
                for (std::size_t k = from; k < i; k += 2)
                    units.push_back(char16_t(u16(data + k)));
            }
            narrow = !narrow;
            from = i + 1;
        }
    } else {
        if (size % 2 != 0)
            return {};
        for (std::size_t k = 0; k < size; k += 2)
            units.push_back(char16_t(u16(data + k)));
    }
    // A surrogate stands only in a pair: high, then low.
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (QChar::isHighSurrogate(units[i]) && i + 1 < units.size() && QChar::isLowSurrogate(units[i + 1]))
            ++i;
        else if (QChar::isSurrogate(units[i]))
            return {};
    }
    appendUtf8(out, units);
    return out;
}

QByteArray JetRows::memo(const unsigned char* data, std::size_t size)
{
    if (size < MDB_MEMO_OVERHEAD)
        throw JetRowsDamaged("un câmp Memo este mai scurt decât antetul lui");
    const std::uint32_t head = u32(data);
    std::size_t length = std::min<std::size_t>(head & 0x3FFFFFFF, kMaxMemo);
    if (head & 0x80000000) {
        if (length > size - MDB_MEMO_OVERHEAD)
            throw JetRowsDamaged("un text Memo este mai lung decât câmpul lui");
        return text(data + MDB_MEMO_OVERHEAD, length);
    }
    // Kept on pages of long values: one row, or a chain of rows each naming the next.
    const bool single = head & 0x40000000;
    std::uint32_t at = u32(data + 4);
    std::vector<unsigned char> bytes, page(static_cast<std::size_t>(pageSize_));
    const int fd = fileno(mdb_->f->stream);
    for (int hops = 0; bytes.size() < length; ++hops) {
        if (at == 0 || hops > 1 << 16)
            throw JetRowsDamaged("lanțul de pagini al unui text Memo se termină prea devreme");
        const off_t offset = off_t(at >> 8) * pageSize_;
        int start, end;
        unsigned flags;
        if (::pread(fd, page.data(), page.size(), offset) != pageSize_ || page[0] != 0x01
            || u32(page.data() + 4) != kLongValueOwner
            || !locate(page.data(), pageSize_, rowCountAt_, int(at & 0xFF), start, end, flags))
            throw JetRowsDamaged("un text Memo trimite la un rând care nu există");
        if (!single) {
            if (end - start < 4)
                throw JetRowsDamaged("un rând din lanțul unui text Memo este trunchiat");
            at = u32(page.data() + start);
            start += 4;
        }
        const std::size_t take = std::min<std::size_t>(std::size_t(end - start), length - bytes.size());
        bytes.insert(bytes.end(), page.data() + start, page.data() + start + take);
        if (single)
            break;
    }
    return text(bytes.data(), std::min(bytes.size(), length));
}

}  // namespace tarvix::tool
