#include "support/JetWriter.h"

#include <QSaveFile>

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <numeric>
#include <stdexcept>
#include <string>

namespace tarvix::test {
namespace {

using Bytes = std::string;

enum ColumnType : std::uint8_t { Integer = 0x03, LongInt = 0x04, TextType = 0x0A, Ole = 0x0B, MemoType = 0x0C };

struct Format {
    int version;
    int pageSize;
    int dataHeader;  // bytes before a data page's row offsets
    int rowCountAt;  // where a data page keeps its row count
    int maxRowsPerPage;
    int mapRecord;  // an inline or reference usage map, as Access sizes them
    int mapBits;    // pages one 0x05 page maps
    int mapSlots;   // 0x05 pages one reference map points at
};

Format FormatFor(int version)
{
    // Jet 4 maps 64 bytes of pages inline or 17 reference pages; Jet 3 128 and 33.
    if (version == 3)
        return {3, 2048, 10, 8, 255, 1 + 4 + 128, (2048 - 4) * 8, 33};
    if (version == 4)
        return {4, 4096, 14, 12, 255, 1 + 4 + 64, (4096 - 4) * 8, 17};
    throw std::invalid_argument("Jet version must be 3 or 4");
}

void Put16(char* at, unsigned value)
{
    at[0] = char(value & 0xFF);
    at[1] = char((value >> 8) & 0xFF);
}

void Put32(char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = char((value >> (8 * i)) & 0xFF);
}

void Add8(Bytes& out, unsigned value)
{
    out.push_back(char(value & 0xFF));
}
void Add16(Bytes& out, unsigned value)
{
    out.push_back(char(value & 0xFF));
    out.push_back(char((value >> 8) & 0xFF));
}
void Add32(Bytes& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

constexpr std::array<char16_t, 128> kCp1250 = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

constexpr std::array<char16_t, 128> kCp1252 = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,
    0x0000, 0x017D, 0x0000, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, 0x00B0, 0x00B1, 0x00B2, 0x00B3,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0,
    0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD,
    0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA,
    0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4,
    0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

// CP1250 has only the cedilla letters; Romanian Windows typed those for ș ț.
QString CedillaForComma(QString text)
{
    for (QChar& c : text) {
        switch (c.unicode()) {
        case 0x0218: c = QChar(0x015E); break;
        case 0x0219: c = QChar(0x015F); break;
        case 0x021A: c = QChar(0x0162); break;
        case 0x021B: c = QChar(0x0163); break;
        default: break;
        }
    }
    return text;
}

class CodePage {
public:
    explicit CodePage(int number) : number_(number)
    {
        if (number == 1250)
            table_ = &kCp1250;
        else if (number == 1252)
            table_ = &kCp1252;
        else {
            const std::string name = "CP" + std::to_string(number);
            iconv_ = iconv_open(name.c_str(), "UTF-8");
            if (iconv_ == reinterpret_cast<iconv_t>(-1))
                throw std::invalid_argument("no converter for code page " + std::to_string(number));
        }
    }
    ~CodePage()
    {
        if (iconv_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(iconv_);
    }
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    void append(Bytes& out, const QString& given) const
    {
        const QString text = number_ == 1250 ? CedillaForComma(given) : given;
        if (table_) {
            for (QChar c : text) {
                const char16_t u = c.unicode();
                if (u < 0x80) {
                    out.push_back(char(u));
                    continue;
                }
                const auto* hit = std::find(table_->begin(), table_->end(), u);
                if (u == 0 || hit == table_->end())
                    throw std::invalid_argument(Unencodable(given));
                out.push_back(char(0x80 + (hit - table_->begin())));
            }
            return;
        }
        QByteArray utf8 = text.toUtf8();
        char* in = utf8.data();
        size_t inLeft = size_t(utf8.size());
        std::string buffer(inLeft * 4 + 16, '\0');
        char* to = buffer.data();
        size_t toLeft = buffer.size();
        iconv(iconv_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(iconv_, &in, &inLeft, &to, &toLeft) == size_t(-1))
            throw std::invalid_argument(Unencodable(given));
        out.append(buffer.data(), buffer.size() - toLeft);
    }

private:
    std::string Unencodable(const QString& text) const
    {
        return "code page " + std::to_string(number_) + " cannot hold \"" + text.toStdString() + "\"";
    }

    int number_;
    const std::array<char16_t, 128>* table_ = nullptr;
    iconv_t iconv_ = reinterpret_cast<iconv_t>(-1);
};

// Compressed runs are switched by a 0x00 byte, so no character may have a 0x00 low byte.
void AppendUcs2(Bytes& out, const QString& text, bool compress)
{
    const auto n = text.size();
    if (compress && n > 0) {
        bool possible = true;
        for (QChar c : text)
            possible = possible && (c.unicode() & 0xFF) != 0;
        if (possible) {
            Bytes packed = "\xFF\xFE";
            bool narrow = true;
            for (QChar c : text) {
                const char16_t u = c.unicode();
                const bool wantNarrow = u < 0x100;
                if (wantNarrow != narrow) {
                    packed.push_back('\0');
                    narrow = wantNarrow;
                }
                packed.push_back(char(u & 0xFF));
                if (!narrow)
                    packed.push_back(char(u >> 8));
            }
            if (qsizetype(packed.size()) < 2 * n) {
                out += packed;
                return;
            }
        }
    }
    for (QChar c : text)
        Add16(out, c.unicode());
}

struct Column {
    QString name;
    ColumnType type;
    int maxChars = 0;
    int number = 0;
    bool fixed = false;
    int fixedOffset = 0;
    int varIndex = 0;
    int size = 0;  // bytes: fixed width, or a text's most bytes
};

struct Table {
    QString name;
    bool system = false;
    std::vector<Column> columns;
    const std::vector<JetRow>* rows = nullptr;
    int varCount = 0;
    std::uint32_t tdefPage = 0;
    std::uint32_t firstDataPage = 0;
    std::uint32_t dataPages = 0;
    std::uint32_t liveRows = 0;
    std::uint32_t usageRow = 0;  // (page << 8) | row of the usage map record
    std::uint32_t freeRow = 0;
    Bytes usageMap;
};

Column MakeColumn(const QString& name, ColumnType type, int maxChars, const Format& f)
{
    Column c;
    c.name = name;
    c.type = type;
    c.maxChars = maxChars;
    switch (type) {
    case Integer:
        c.fixed = true;
        c.size = 2;
        break;
    case LongInt:
        c.fixed = true;
        c.size = 4;
        break;
    case TextType:
        if (maxChars < 1 || maxChars > 255)
            throw std::invalid_argument("a text column holds 1 to 255 characters: " + name.toStdString());
        c.size = f.version == 3 ? maxChars : 2 * maxChars;
        break;
    case Ole: c.size = 0; break;
    case MemoType:
        c.maxChars = 65535;
        c.size = 0;
        break;
    }
    return c;
}

void Arrange(Table& t)
{
    int fixedOffset = 0;
    int varIndex = 0;
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        Column& c = t.columns[i];
        c.number = int(i);
        if (c.fixed) {
            c.fixedOffset = fixedOffset;
            fixedOffset += c.size;
        } else {
            c.varIndex = varIndex++;
        }
    }
    t.varCount = varIndex;
}

class Writer {
public:
    Writer(const JetOptions& options)
        : options_(options), f_(FormatFor(options.version)),
          textPage_(options.version == 3 ? (options.textCodePage ? options.textCodePage : options.codePage) : 1252)
    {
        if (options.codePage <= 0 || options.codePage > 0xFFFF || options.columnCodePage < 0
            || options.columnCodePage > 0xFFFF)
            throw std::invalid_argument("code pages are 1 to 65535");
    }

    QByteArray write(const std::vector<JetTable>& given);

private:
    void encodeText(Bytes& out, const QString& text, const Column& c);
    void encodeRow(Bytes& out, const Table& t, const JetRow& row);
    void writeData(Table& t);
    void writeLongValues(const Table& t);
    std::uint32_t longValuePage(const Bytes& row);
    void placeRow(Table& t, const Bytes& row, unsigned flags);
    void finishPage(const Table& t);
    void writeUsageMap(Table& t);
    void writeMapRecords(std::vector<Table>& tables, const std::vector<std::uint32_t>& mapPages);
    void writeTdef(const Table& t);
    void writeHeader();

    char* page(std::uint32_t number) { return file_.data() + std::size_t(number) * std::size_t(f_.pageSize); }
    std::uint32_t newPage()
    {
        const std::uint32_t number = pages_++;
        file_.resize(std::size_t(pages_) * std::size_t(f_.pageSize), '\0');
        return number;
    }

    const JetOptions& options_;
    Format f_;
    CodePage textPage_;
    Bytes file_;
    std::uint32_t pages_ = 0;

    // the data page being filled
    std::uint32_t current_ = 0;
    std::vector<std::uint16_t> offsets_;
    int rowEnd_ = 0;

    // Where each memo kept on pages of long values begins: its row's first field, its bytes, the first page.
    struct LongValue {
        std::uint32_t length;
        std::uint32_t first;  // (page << 8) | row
        bool chained;
    };
    std::map<std::pair<const JetRow*, int>, LongValue> longValues_;
};

void Writer::encodeText(Bytes& out, const QString& text, const Column& c)
{
    if (text.size() > c.maxChars)
        throw std::invalid_argument("\"" + text.toStdString() + "\" is longer than column " + c.name.toStdString());
    if (f_.version == 3)
        textPage_.append(out, text);
    else
        AppendUcs2(out, text, options_.compressText);
}

void Writer::encodeRow(Bytes& out, const Table& t, const JetRow& row)
{
    const int columns = int(t.columns.size());
    if (int(row.values.size()) != columns)
        throw std::invalid_argument("a row of " + t.name.toStdString() + " has " + std::to_string(row.values.size())
                                    + " values for " + std::to_string(columns) + " columns");
    out.clear();
    if (f_.version == 3)
        Add8(out, columns);
    else
        Add16(out, columns);
    const std::size_t start = out.size();
    for (const Column& c : t.columns) {
        if (!c.fixed)
            continue;
        const JetValue& v = row.values[std::size_t(c.number)];
        qint32 number = 0;
        if (v) {
            if (!std::holds_alternative<qint32>(*v))
                throw std::invalid_argument("column " + c.name.toStdString() + " takes numbers");
            number = std::get<qint32>(*v);
        }
        out.resize(start + std::size_t(c.fixedOffset));
        if (c.size == 2)
            Add16(out, unsigned(number) & 0xFFFF);
        else
            Add32(out, std::uint32_t(number));
    }
    std::array<int, 256> varStart{};
    for (const Column& c : t.columns) {
        if (c.fixed)
            continue;
        varStart[std::size_t(c.varIndex)] = int(out.size());
        const JetValue& v = row.values[std::size_t(c.number)];
        if (!v)
            continue;
        if ((c.type != TextType && c.type != MemoType) || !std::holds_alternative<QString>(*v))
            throw std::invalid_argument("column " + c.name.toStdString() + " takes texts");
        if (c.type == TextType) {
            encodeText(out, std::get<QString>(*v), c);
        } else if (const auto lv = longValues_.find({&row, c.number}); lv != longValues_.end()) {
            Add32(out, lv->second.length | (lv->second.chained ? 0 : 0x40000000u));
            Add32(out, lv->second.first);
            Add32(out, 0);
        } else {
            Bytes text;
            encodeText(text, std::get<QString>(*v), c);
            Add32(out, std::uint32_t(text.size()) | 0x80000000u);
            Add32(out, 0);
            Add32(out, 0);
            out += text;
        }
    }
    const int eod = int(out.size());
    const int maskBytes = (columns + 7) / 8;
    if (t.varCount > 0) {
        const int vars = t.varCount;
        if (f_.version == 4) {
            Add16(out, unsigned(eod));
            for (int i = vars - 1; i >= 0; --i)
                Add16(out, unsigned(varStart[std::size_t(i)]));
            Add16(out, unsigned(vars));
        } else {
            // One-byte offsets: each jump names the first offset past the next 256 bytes.
            int jumps = 0;
            for (;;) {
                const int length = eod + (vars + 1) + jumps + 1 + maskBytes;
                const int wanted = (length - 1) / 256;
                if (wanted == jumps)
                    break;
                jumps = wanted;
            }
            Add8(out, unsigned(eod));
            for (int i = vars - 1; i >= 0; --i)
                Add8(out, unsigned(varStart[std::size_t(i)]));
            for (int k = jumps - 1; k >= 0; --k) {
                unsigned first = 0xFF;
                for (int i = 0; i <= vars; ++i) {
                    const int offset = i == vars ? eod : varStart[std::size_t(i)];
                    if (offset >= (k + 1) * 256) {
                        first = unsigned(i);
                        break;
                    }
                }
                Add8(out, first);
            }
            Add8(out, unsigned(vars));
        }
    }
    const std::size_t mask = out.size();
    out.resize(mask + std::size_t(maskBytes), '\0');
    for (const Column& c : t.columns)
        if (row.values[std::size_t(c.number)])
            out[mask + std::size_t(c.number / 8)] |= char(1 << (c.number % 8));
}

void Writer::finishPage(const Table& t)
{
    if (offsets_.empty())
        return;
    char* p = page(current_);
    p[0] = 0x01;
    p[1] = 0x01;
    const int used = f_.dataHeader + 2 * int(offsets_.size()) + (f_.pageSize - rowEnd_);
    Put16(p + 2, unsigned(f_.pageSize - used));
    Put32(p + 4, t.tdefPage);
    Put16(p + f_.rowCountAt, unsigned(offsets_.size()));
    for (std::size_t i = 0; i < offsets_.size(); ++i)
        Put16(p + f_.rowCountAt + 2 + 2 * int(i), offsets_[i]);
    offsets_.clear();
}

void Writer::placeRow(Table& t, const Bytes& row, unsigned flags)
{
    const int length = int(row.size());
    if (f_.dataHeader + 2 + length > f_.pageSize)
        throw std::invalid_argument("a row of " + t.name.toStdString() + " does not fit a page");
    const bool fits = !offsets_.empty() && int(offsets_.size()) < f_.maxRowsPerPage
                      && f_.dataHeader + 2 * int(offsets_.size() + 1) + length <= rowEnd_;
    if (!fits) {
        finishPage(t);
        current_ = newPage();
        if (t.dataPages == 0)
            t.firstDataPage = current_;
        ++t.dataPages;
        rowEnd_ = f_.pageSize;
    }
    rowEnd_ -= length;
    std::memcpy(page(current_) + rowEnd_, row.data(), row.size());
    offsets_.push_back(std::uint16_t(unsigned(rowEnd_) | flags));
}

// A page of long values holding one row; returns (page << 8) | 0.
std::uint32_t Writer::longValuePage(const Bytes& row)
{
    const std::uint32_t number = newPage();
    char* p = page(number);
    p[0] = 0x01;
    p[1] = 0x01;
    const int start = f_.pageSize - int(row.size());
    Put16(p + 2, unsigned(start - f_.dataHeader - 2));
    std::memcpy(p + 4, "LVAL", 4);
    Put16(p + f_.rowCountAt, 1);
    Put16(p + f_.rowCountAt + 2, unsigned(start));
    std::memcpy(p + start, row.data(), row.size());
    return number << 8;
}

// Memos kept off their rows, before the table's data pages: a piece a page, each naming the next.
void Writer::writeLongValues(const Table& t)
{
    const std::size_t piece = std::size_t(options_.memoPageBytes);
    if (piece == 0)
        return;
    for (const JetRow& r : *t.rows)
        for (const Column& c : t.columns) {
            const JetValue& v = r.values[std::size_t(c.number)];
            if (c.type != MemoType || !v || !std::holds_alternative<QString>(*v))
                continue;
            Bytes text;
            encodeText(text, std::get<QString>(*v), c);
            const bool chained = text.size() > piece;
            // The last piece first, so each earlier one knows where the next is.
            std::uint32_t next = 0;
            const std::size_t pieces = std::max<std::size_t>(1, (text.size() + piece - 1) / piece);
            for (std::size_t k = pieces; k-- > 0;) {
                Bytes row;
                if (chained)
                    Add32(row, next);
                row += text.substr(k * piece, piece);
                next = longValuePage(row);
            }
            longValues_[{&r, c.number}] = {std::uint32_t(text.size()), next, chained};
        }
}

void Writer::writeData(Table& t)
{
    writeLongValues(t);
    Bytes row;
    row.reserve(std::size_t(f_.pageSize));
    t.firstDataPage = 0;
    t.dataPages = 0;
    offsets_.clear();
    // Each moved row's pointer: its page and offset, and the row it points at.
    struct Pointer {
        std::uint32_t page;
        int at;
        const JetRow* row;
    };
    std::vector<Pointer> pointers;
    for (const JetRow& r : *t.rows) {
        if (r.moved > 0) {
            placeRow(t, Bytes(4, '\0'), r.deleted ? 0xC000 : 0x4000);
            pointers.push_back({current_, rowEnd_, &r});
        } else {
            encodeRow(row, t, r);
            // Access flags a deleted row 0xC000; libmdb 1.0 and mdb-reader skip a row on 0x4000.
            placeRow(t, row, r.deleted ? 0xC000 : 0);
        }
        if (!r.deleted)
            ++t.liveRows;
    }
    // The moved data on the pages after, each earlier copy left deleted; then the pointers aimed.
    for (Pointer& p : pointers) {
        encodeRow(row, t, *p.row);
        for (int copy = 1; copy < p.row->moved; ++copy)
            placeRow(t, row, 0xC000);
        placeRow(t, row, 0x8000);
        char* at = page(p.page) + p.at;
        at[0] = char(offsets_.size() - 1);
        at[1] = char(current_ & 0xFF);
        at[2] = char((current_ >> 8) & 0xFF);
        at[3] = char((current_ >> 16) & 0xFF);
    }
    finishPage(t);
}

void Writer::writeUsageMap(Table& t)
{
    const std::size_t bitmapBytes = std::size_t(f_.mapRecord - 5);
    const bool inlineFits = t.dataPages <= bitmapBytes * 8;
    t.usageMap.assign(std::size_t(f_.mapRecord), '\0');
    if (inlineFits && !options_.forceReferenceMaps) {
        t.usageMap[0] = 0x00;
        Put32(t.usageMap.data() + 1, t.firstDataPage);
        for (std::uint32_t i = 0; i < t.dataPages; ++i)
            t.usageMap[5 + i / 8] |= char(1 << (i % 8));
        return;
    }
    t.usageMap[0] = 0x01;
    if (t.dataPages == 0)
        return;
    const std::uint32_t last = t.firstDataPage + t.dataPages - 1;
    const std::uint32_t bits = std::uint32_t(f_.mapBits);
    for (std::uint32_t slot = t.firstDataPage / bits; slot <= last / bits; ++slot) {
        if (slot >= std::uint32_t(f_.mapSlots))
            throw std::invalid_argument("the file is past what a reference usage map covers");
        const std::uint32_t number = newPage();
        char* p = page(number);
        p[0] = 0x05;
        p[1] = 0x01;
        const std::uint32_t from = std::max(t.firstDataPage, slot * bits);
        const std::uint32_t to = std::min(last, slot * bits + bits - 1);
        for (std::uint32_t pg = from; pg <= to; ++pg) {
            const std::uint32_t bit = pg - slot * bits;
            p[4 + bit / 8] |= char(1 << (bit % 8));
        }
        Put32(t.usageMap.data() + 1 + 4 * slot, number);
    }
}

void Writer::writeMapRecords(std::vector<Table>& tables, const std::vector<std::uint32_t>& mapPages)
{
    // Each table's usage map, then its free-space map (no page marked as having room).
    std::vector<Bytes> records;
    for (const Table& t : tables) {
        records.push_back(t.usageMap);
        Bytes freeMap(std::size_t(f_.mapRecord), '\0');
        Put32(freeMap.data() + 1, t.firstDataPage);
        records.push_back(freeMap);
    }
    const int perPage = std::min(f_.maxRowsPerPage, (f_.pageSize - f_.dataHeader) / (f_.mapRecord + 2));
    std::size_t next = 0;
    for (std::uint32_t number : mapPages) {
        char* p = page(number);
        p[0] = 0x01;
        p[1] = 0x01;
        int end = f_.pageSize;
        int rows = 0;
        for (; rows < perPage && next < records.size(); ++rows, ++next) {
            end -= int(records[next].size());
            std::memcpy(p + end, records[next].data(), records[next].size());
            Put16(p + f_.rowCountAt + 2 + 2 * rows, unsigned(end));
            Table& t = tables[next / 2];
            (next % 2 == 0 ? t.usageRow : t.freeRow) = (number << 8) | std::uint32_t(rows);
        }
        Put16(p + f_.rowCountAt, unsigned(rows));
        Put16(p + 2, unsigned(end - f_.dataHeader - 2 * rows));
    }
}

void Writer::writeTdef(const Table& t)
{
    Bytes d;
    const bool jet4 = f_.version == 4;
    d.push_back(0x02);
    d.push_back(0x01);
    if (jet4)
        Add16(d, 0);  // free space, set below
    else
        d += "VC";
    Add32(d, 0);  // no next definition page
    Add32(d, 0);  // definition length, set below
    if (jet4)
        Add32(d, 0);
    Add32(d, t.liveRows);
    Add32(d, 0);  // next autonumber
    if (jet4) {
        Add8(d, 0x01);
        d.append(3, '\0');
        Add32(d, 0);
        d.append(8, '\0');
    }
    Add8(d, t.system ? 0x53 : 0x4E);
    Add16(d, unsigned(t.columns.size()));  // max columns
    Add16(d, unsigned(t.varCount));
    Add16(d, unsigned(t.columns.size()));
    Add32(d, 0);  // logical indexes
    Add32(d, 0);  // real indexes
    Add32(d, t.usageRow);
    Add32(d, t.freeRow);
    const unsigned columnPage = unsigned(options_.columnCodePage ? options_.columnCodePage : options_.codePage);
    for (const Column& c : t.columns) {
        const bool text = c.type == TextType || c.type == MemoType;
        const unsigned flags = (c.fixed ? 0x01 : 0x00) | 0x02;
        Add8(d, c.type);
        if (jet4) {
            Add32(d, 0);
            Add16(d, unsigned(c.number));
            Add16(d, c.fixed ? 0 : unsigned(c.varIndex));
            Add16(d, unsigned(c.number));
            Add16(d, text ? 0x0409 : 0);  // General sort order
            Add16(d, 0);
            Add8(d, flags);
            Add8(d, text && options_.compressText ? 0x01 : 0x00);
            Add32(d, 0);
        } else {
            Add16(d, unsigned(c.number));
            Add16(d, c.fixed ? 0 : unsigned(c.varIndex));
            Add16(d, unsigned(c.number));
            Add16(d, text ? 0x0409 : 0);  // General sort order
            Add16(d, 0);
            Add16(d, text ? columnPage : 0);  // byte 11: the column's code page
            Add8(d, flags);
        }
        Add16(d, c.fixed ? unsigned(c.fixedOffset) : 0);
        Add16(d, unsigned(c.size));
    }
    for (const Column& c : t.columns) {
        Bytes name;
        if (jet4) {
            AppendUcs2(name, c.name, false);
            Add16(d, unsigned(name.size()));
        } else {
            textPage_.append(name, c.name);
            Add8(d, unsigned(name.size()));
        }
        d += name;
    }
    Add16(d, 0xFFFF);
    if (int(d.size()) > f_.pageSize)
        throw std::invalid_argument("the definition of " + t.name.toStdString() + " does not fit a page");
    if (jet4)
        Put16(d.data() + 2, unsigned(f_.pageSize - int(d.size())));
    Put32(d.data() + 8, std::uint32_t(d.size()) - 8);
    std::memcpy(page(t.tdefPage), d.data(), d.size());
}

void Writer::writeHeader()
{
    char* p = page(0);
    const bool jet4 = f_.version == 4;
    p[0] = 0x00;
    p[1] = 0x01;
    std::memcpy(p + 4, "Standard Jet DB", 15);
    Put32(p + 0x14, jet4 ? 1 : 0);
    if (!jet4)
        Put16(p + 0x3A, 0x0409);  // General sort order
    Put16(p + 0x3C, unsigned(options_.codePage));
    Put32(p + 0x3E, 0);  // database key 0: pages are not encrypted
    if (jet4) {
        Put16(p + 0x6E, 0x0409);
        // Created 1 January 2003; no password leaves just the creation-date mask there.
        const double created = 37622.0;
        std::memcpy(p + 0x72, &created, sizeof created);
        const auto day = std::uint32_t(std::int32_t(created));
        Bytes password;
        AppendUcs2(password, options_.password.left(20), false);
        password.resize(40, '\0');
        for (int i = 0; i < 40; ++i)
            p[0x42 + i] = char(std::uint8_t(password[std::size_t(i)]) ^ ((day >> (8 * (i % 4))) & 0xFF));
    } else {
        const QByteArray password = options_.password.left(20).toLatin1();
        std::memcpy(p + 0x42, password.constData(), std::size_t(password.size()));
    }
    // The header from 0x18 is masked with the RC4 stream of the key 0x6B39DAC7.
    const std::uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    std::array<std::uint8_t, 256> s{};
    std::iota(s.begin(), s.end(), 0);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[std::size_t(i)] + key[i % 4]) & 0xFF;
        std::swap(s[std::size_t(i)], s[std::size_t(j)]);
    }
    const int masked = jet4 ? 128 : 126;
    for (int n = 0, i = 0, j = 0; n < masked; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[std::size_t(i)]) & 0xFF;
        std::swap(s[std::size_t(i)], s[std::size_t(j)]);
        p[0x18 + n] = char(std::uint8_t(p[0x18 + n]) ^ s[std::size_t((s[std::size_t(i)] + s[std::size_t(j)]) & 0xFF)]);
    }
}

QByteArray Writer::write(const std::vector<JetTable>& given)
{
    std::vector<Table> tables;
    std::vector<JetRow> catalog;

    Table sys;
    sys.name = QStringLiteral("MSysObjects");
    sys.system = true;
    sys.columns = {MakeColumn(QStringLiteral("Id"), LongInt, 0, f_),
                   MakeColumn(QStringLiteral("ParentId"), LongInt, 0, f_),
                   MakeColumn(QStringLiteral("Name"), TextType, 128, f_),
                   MakeColumn(QStringLiteral("Type"), Integer, 0, f_),
                   MakeColumn(QStringLiteral("Flags"), LongInt, 0, f_),
                   MakeColumn(QStringLiteral("LvProp"), Ole, 0, f_),
                   MakeColumn(QStringLiteral("Database"), TextType, 255, f_),
                   MakeColumn(QStringLiteral("ForeignName"), TextType, 128, f_)};
    sys.rows = &catalog;
    tables.push_back(std::move(sys));
    for (const JetTable& g : given) {
        if (!g.linkedTo.isEmpty())
            continue;
        if (g.columns.empty())
            throw std::invalid_argument("table " + g.name.toStdString() + " has no columns");
        if (g.columns.size() > 255)
            throw std::invalid_argument("table " + g.name.toStdString() + " has too many columns");
        Table t;
        t.name = g.name;
        for (const JetColumn& c : g.columns)
            t.columns.push_back(MakeColumn(c.name,
                                           c.kind == JetColumn::Long   ? LongInt
                                           : c.kind == JetColumn::Memo ? MemoType
                                                                       : TextType,
                                           c.maxChars, f_));
        t.rows = &g.rows;
        tables.push_back(std::move(t));
    }
    for (Table& t : tables)
        Arrange(t);

    // Page 0 the header, page 1 the usage maps, page 2 MSysObjects as readers expect.
    const int perMapPage = std::min(f_.maxRowsPerPage, (f_.pageSize - f_.dataHeader) / (f_.mapRecord + 2));
    const int mapPageCount = int((2 * tables.size() + std::size_t(perMapPage) - 1) / std::size_t(perMapPage));
    file_.clear();
    pages_ = 0;
    newPage();
    std::vector<std::uint32_t> mapPages{newPage()};
    for (Table& t : tables)
        t.tdefPage = newPage();
    for (int i = 1; i < mapPageCount; ++i)
        mapPages.push_back(newPage());

    const qint32 tablesFolder = 0x0F000001;
    for (const Table& t : tables)
        catalog.push_back({{JetValue(qint32(t.tdefPage)), JetValue(tablesFolder), JetValue(t.name), JetValue(qint32(1)),
                            JetValue(qint32(t.system ? 0x80000002u : 0u)), std::nullopt, std::nullopt, std::nullopt},
                           false});
    // A table of a split database: a catalog entry of type 6 naming the back-end file and the table there.
    qint32 linkedId = 0x0F000100;
    for (const JetTable& g : given)
        if (!g.linkedTo.isEmpty())
            catalog.push_back({{JetValue(linkedId++), JetValue(tablesFolder), JetValue(g.name), JetValue(qint32(6)),
                                JetValue(qint32(0)), std::nullopt, JetValue(g.linkedTo), JetValue(g.name)},
                               false});

    for (Table& t : tables)
        writeData(t);
    for (Table& t : tables)
        writeUsageMap(t);
    writeMapRecords(tables, mapPages);
    for (const Table& t : tables)
        writeTdef(t);
    writeHeader();
    return QByteArray(file_.data(), qsizetype(file_.size()));
}

std::vector<std::pair<qint32, JetValue>> Keyed(const std::vector<JetValue>& texts)
{
    std::vector<std::pair<qint32, JetValue>> out;
    for (std::size_t i = 0; i < texts.size(); ++i)
        out.emplace_back(qint32(i + 1), texts[i]);
    return out;
}

}  // namespace

QByteArray WriteJet(const std::vector<JetTable>& tables, const JetOptions& options)
{
    Writer writer(options);
    return writer.write(tables);
}

void WriteJetFile(const QString& path, const std::vector<JetTable>& tables, const JetOptions& options)
{
    const QByteArray bytes = WriteJet(tables, options);
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error("cannot write " + path.toStdString() + ": " + file.errorString().toStdString());
}

QString JetReadBack(const QString& text, const JetOptions& options)
{
    if (options.version != 3)
        return text;
    const int page = options.textCodePage ? options.textCodePage : options.codePage;
    return page == 1250 ? CedillaForComma(text) : text;
}

std::vector<JetTable> DictionaryTables(const std::vector<std::pair<qint32, JetValue>>& words,
                                       const std::vector<std::pair<qint32, JetValue>>& chapters,
                                       const std::vector<std::pair<JetValue, JetValue>>& links)
{
    JetTable dictionary{
        QStringLiteral("tblDictionar"),
        {{QStringLiteral("ID_Cuvant"), JetColumn::Long}, {QStringLiteral("Cuvant"), JetColumn::Text, 50}},
        {}};
    dictionary.rows.reserve(words.size());
    for (const auto& [key, text] : words)
        dictionary.rows.push_back({{JetValue(key), text}, false});
    JetTable chapter{
        QStringLiteral("tblCapitol"),
        {{QStringLiteral("ID_Capitol"), JetColumn::Long}, {QStringLiteral("Capitol"), JetColumn::Text, 255}},
        {}};
    chapter.rows.reserve(chapters.size());
    for (const auto& [key, text] : chapters)
        chapter.rows.push_back({{JetValue(key), text}, false});
    JetTable link{QStringLiteral("tblLegatura"),
                  {{QStringLiteral("ID_Cuvant"), JetColumn::Long}, {QStringLiteral("ID_Capitol"), JetColumn::Long}},
                  {}};
    link.rows.reserve(links.size());
    for (const auto& [word, title] : links)
        link.rows.push_back({{word, title}, false});
    return {std::move(dictionary), std::move(chapter), std::move(link)};
}

std::vector<JetTable> RomanianFixture()
{
    const JetValue null = std::nullopt;
    auto t = [](const char* utf8) { return JetValue(QString::fromUtf8(utf8)); };
    QString longTitle = QStringLiteral("Capitolul lung: ");
    while (longTitle.size() < 255)
        longTitle += QStringLiteral("Învățământ și știință în România. ");
    longTitle.truncate(255);

    const std::vector<JetValue> words = {
        t("măr"),
        t("STIVĂ"),
        t("stivă"),
        t("ŞI"),
        t("şi"),
        t("Ştiinţă"),
        t("știință"),
        t("ȘTIINȚĂ"),
        null,
        t(""),
        t("  pâine  "),
        t("ÎNGER"),
        t("șters"),
        t("anticonstituționalităților"),
        t("cuvânt \"citat\""),
        t("Ţară"),
        t("ăâîșț ĂÂÎȘȚ"),
        null,
    };
    const std::vector<JetValue> chapters = {
        t("Introducere"),
        t("Țări și orașe"),
        t("Ţări şi oraşe"),
        null,
        t(""),
        t("   Istoria României   "),
        JetValue(longTitle),
        t("Capitol șters"),
        t("Titlu cu \"ghilimele\" în el"),
        t("ÎNVĂȚĂMÂNT ȘI ȘTIINȚĂ"),
        t("Ă Â Î Ș Ț ă â î ș ț"),
    };
    auto k = [](qint32 key) { return JetValue(key); };
    const std::vector<std::pair<JetValue, JetValue>> links = {
        {k(1), k(1)},  {k(2), k(2)},   {k(3), k(2)},  {k(4), k(3)},  {k(5), k(3)},  {k(6), k(10)},
        {k(7), k(10)}, {k(8), k(2)},   {k(11), k(6)}, {k(12), k(9)}, {k(14), k(7)}, {k(15), k(9)},
        {k(16), k(2)}, {k(17), k(11)}, {k(1), k(1)},  {k(2), k(2)},  {k(99), k(1)}, {k(1), k(99)},
        {k(13), k(1)}, {k(1), k(8)},   {null, k(2)},  {k(3), null},  {k(10), k(5)}, {k(9), k(4)},
    };
    std::vector<JetTable> tables = DictionaryTables(Keyed(words), Keyed(chapters), links);
    tables[0].rows[12].deleted = true;  // 13 "șters"
    tables[0].rows[17].deleted = true;  // 18 NULL
    tables[1].rows[7].deleted = true;   // 8 "Capitol șters"
    tables[2].rows[22].deleted = true;  // (10,5)
    return tables;
}

std::vector<JetTable> LargeDictionary(int words, int chapters, int links)
{
    if (words < 0 || chapters < 0 || links < 0)
        throw std::invalid_argument("counts cannot be negative");
    const std::uint64_t pairs = std::uint64_t(words) * std::uint64_t(chapters);
    if (std::uint64_t(links) > pairs)
        throw std::invalid_argument("more links than distinct word and chapter pairs");
    static const char* const stems[] = {"CUVÂNT",  "cuvânt", "ȘOAPTĂ", "țară", "înger",  "măr",
                                        "știință", "PÂINE",  "carte",  "Ăsta", "Îndemn", "Țintă"};
    static const char* const titles[] = {"Țări și orașe", "Învățământ", "Istoria României", "Știință și tehnică",
                                         "Ape și munți",  "Gramatică",  "Literatură",       "Artă"};
    std::vector<std::pair<qint32, JetValue>> w;
    w.reserve(std::size_t(words));
    for (int i = 1; i <= words; ++i)
        w.emplace_back(i,
                       QStringLiteral("%1 %2").arg(QString::fromUtf8(stems[i % 12])).arg(i, 5, 10, QLatin1Char('0')));
    std::vector<std::pair<qint32, JetValue>> c;
    c.reserve(std::size_t(chapters));
    for (int i = 1; i <= chapters; ++i)
        c.emplace_back(
            i,
            QStringLiteral("Capitolul %1: %2").arg(i, 5, 10, QLatin1Char('0')).arg(QString::fromUtf8(titles[i % 8])));
    // k -> k * step mod pairs is one-to-one when step is prime to pairs: distinct, spread pairs.
    std::uint64_t step = 2654435761u;
    if (pairs > 0) {
        step %= pairs;
        while (std::gcd(step, pairs) != 1)
            step = (step + 1) % pairs;
    }
    std::vector<std::pair<JetValue, JetValue>> l;
    l.reserve(std::size_t(links));
    for (std::uint64_t k = 0; k < std::uint64_t(links); ++k) {
        const auto pair = std::uint64_t((static_cast<unsigned __int128>(k) * step) % pairs);
        l.emplace_back(JetValue(qint32(pair % std::uint64_t(words)) + 1),
                       JetValue(qint32(pair / std::uint64_t(words)) + 1));
    }
    return DictionaryTables(w, c, l);
}

}  // namespace tarvix::test
