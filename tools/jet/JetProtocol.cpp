#include "tools/jet/JetProtocol.h"

#include <charconv>
#include <cstring>

namespace tarvix::tool {

namespace {

// A text field is at most 255 characters and a memo is read in 16 KiB: a longer line is garbage.
constexpr qsizetype kMaxLine = 4 * 1024 * 1024;

// Digits only: no sign, no blank.
long long number(const char* b, const char* e)
{
    long long v = 0;
    const auto [end, ec] = std::from_chars(b, e, v);
    if (b == e || *b < '0' || *b > '9' || ec != std::errc() || end != e)
        throw JetProtocolError("a count that is not a number");
    return v;
}

// A column count or type: never more than an int holds.
int smallNumber(const char* b, const char* e)
{
    const long long v = number(b, e);
    if (v > 1 << 20)
        throw JetProtocolError("a count too large");
    return static_cast<int>(v);
}

void unescape(const char* b, const char* e, JetField& f)
{
    f.undecodable = e - b == 2 && b[0] == '\\' && b[1] == '?';
    if ((e - b == 2 && b[0] == '\\' && b[1] == 'N') || f.undecodable) {
        f.null = !f.undecodable;
        f.text = {};
        return;
    }
    f.null = false;
    const char* slash = static_cast<const char*>(std::memchr(b, '\\', static_cast<std::size_t>(e - b)));
    if (!slash) {
        f.text = QByteArrayView(b, e - b);
        return;
    }
    f.storage.clear();
    f.storage.reserve(e - b);
    f.storage.append(b, slash - b);
    for (const char* p = slash; p != e; ++p) {
        if (*p != '\\') {
            f.storage.append(*p);
            continue;
        }
        if (++p == e)
            throw JetProtocolError("an escape at the end of a field");
        switch (*p) {
        case '\\': f.storage.append('\\'); break;
        case 't': f.storage.append('\t'); break;
        case 'n': f.storage.append('\n'); break;
        case 'r': f.storage.append('\r'); break;
        default: throw JetProtocolError("an unknown escape");
        }
    }
    f.text = QByteArrayView(f.storage);
}

void split(const char* b, const char* e, std::vector<std::pair<const char*, const char*>>& parts)
{
    parts.clear();
    const char* start = b;
    for (const char* p = b; p != e; ++p)
        if (*p == '\t') {
            parts.emplace_back(start, p);
            start = p + 1;
        }
    parts.emplace_back(start, e);
}

}  // namespace

QByteArray EscapeJetField(const char* data, std::size_t size)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(size));
    for (std::size_t i = 0; i < size; ++i) {
        switch (data[i]) {
        case '\\': out.append("\\\\"); break;
        case '\t': out.append("\\t"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        default: out.append(data[i]);
        }
    }
    // A text that reads "\N" must not come back as null.
    if (out == "\\N")
        out = "\\\\N";
    return out;
}

QByteArray JetRequestLine(const QStringList& names)
{
    QByteArray line;
    for (const QString& name : names) {
        const QByteArray utf8 = name.toUtf8();
        if (!line.isEmpty())
            line.append('\t');
        line.append(EscapeJetField(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    }
    return line.append('\n');
}

std::vector<QByteArray> ParseJetRequestLine(const char* data, std::size_t size)
{
    std::vector<std::pair<const char*, const char*>> parts;
    split(data, data + size, parts);
    std::vector<QByteArray> names;
    for (const auto& [b, e] : parts) {
        JetField f;
        unescape(b, e, f);
        if (f.null || f.undecodable || f.text.isEmpty())
            throw JetProtocolError("a name that is no name");
        names.emplace_back(f.text.data(), f.text.size());
    }
    return names;
}

void JetOutputParser::feed(const char* data, std::size_t size)
{
    const char* end = data + size;
    const char* p = data;
    while (p != end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (!nl) {
            pending_.append(p, end - p);
            if (pending_.size() > kMaxLine)
                throw JetProtocolError("a line too long");
            return;
        }
        if (pending_.isEmpty()) {
            line(p, nl);
        } else {
            pending_.append(p, nl - p);
            const QByteArray whole = std::move(pending_);
            pending_.clear();
            line(whole.constData(), whole.constData() + whole.size());
        }
        p = nl + 1;
    }
}

void JetOutputParser::line(const char* b, const char* e)
{
    if (ended_)
        throw JetProtocolError("output after the end");
    if (e - b < 1 || (e - b > 1 && b[1] != '\t'))
        throw JetProtocolError("a record without its kind");
    const char kind = b[0];
    split(e - b > 1 ? b + 2 : e, e, parts_);
    const auto& parts = parts_;
    const bool bare = e - b == 1;
    switch (kind) {
    case 'T':
        if (bare || parts.size() != 3 || columnsLeft_ != -1 || inRows_)
            throw JetProtocolError("a table record out of place");
        table_ = JetTableInfo{QString::fromUtf8(parts[0].first, parts[0].second - parts[0].first),
                              number(parts[1].first, parts[1].second),
                              {}};
        columnsLeft_ = smallNumber(parts[2].first, parts[2].second);
        if (columnsLeft_ > 4096)
            throw JetProtocolError("too many columns");
        if (columnsLeft_ == 0)
            columnsDone();
        return;
    case 'C':
        if (bare || parts.size() != 2 || columnsLeft_ <= 0)
            throw JetProtocolError("a column record out of place");
        table_.columns.push_back({QString::fromUtf8(parts[0].first, parts[0].second - parts[0].first),
                                  smallNumber(parts[1].first, parts[1].second)});
        if (--columnsLeft_ == 0)
            columnsDone();
        return;
    case 'R':
        if (!inRows_)
            throw JetProtocolError("a row outside a table");
        if (bare) {
            fields_.clear();
        } else {
            fields_.resize(parts.size());
            for (std::size_t i = 0; i < parts.size(); ++i)
                unescape(parts[i].first, parts[i].second, fields_[i]);
        }
        if (onRow)
            onRow(fields_);
        return;
    case 'E':
        if (!inRows_ || bare || parts.size() != 2)
            throw JetProtocolError("a table end out of place");
        inRows_ = false;
        if (onTableEnd)
            onTableEnd(number(parts[0].first, parts[0].second), number(parts[1].first, parts[1].second));
        return;
    case 'K': {
        if (bare || parts.size() != 2 || columnsLeft_ != -1 || inRows_)
            throw JetProtocolError("a linked table out of place");
        JetField name, file;
        unescape(parts[0].first, parts[0].second, name);
        unescape(parts[1].first, parts[1].second, file);
        if (onLinked)
            onLinked(QString::fromUtf8(name.text), QString::fromUtf8(file.text));
        return;
    }
    case 'W':
        if (!bare || columnsLeft_ != -1 || inRows_ || waited_)
            throw JetProtocolError("a wait out of place");
        waited_ = true;
        if (onWaiting)
            onWaiting();
        return;
    case 'X': failure_ = bare ? QStringLiteral("?") : QString::fromUtf8(b + 2, e - b - 2); return;
    case 'Z':
        // A reader that could not go on says why and ends, wherever it was.
        if (!bare || ((columnsLeft_ != -1 || inRows_) && failure_.isEmpty()))
            throw JetProtocolError("the end in the middle of a table");
        ended_ = true;
        return;
    default: throw JetProtocolError("an unknown record");
    }
}

void JetOutputParser::columnsDone()
{
    columnsLeft_ = -1;
    inRows_ = true;
    if (onTable)
        onTable(table_);
}

QString JetOutputParser::finish()
{
    if (!pending_.isEmpty())
        throw JetProtocolError("output cut in the middle of a line");
    if (!failure_.isEmpty())
        return failure_;
    if (!ended_)
        throw JetProtocolError("output cut before its end");
    return {};
}

}  // namespace tarvix::tool
