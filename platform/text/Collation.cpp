#include "platform/text/Collation.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tarvix {
namespace {

// Key layout: one 16-bit primary weight per UTF-16 unit, big-endian, ended by
// 0x0000; then the accent level and the case level (one byte each, trailing
// defaults dropped, each ended by 0x01); then, when a unit's weights are shared
// with another unit, the units themselves, so that different texts never share
// a key. Equal primaries mean equal lengths, so the later levels line up.
constexpr std::uint16_t kBlank = 0x0008;
constexpr std::uint16_t kSpace = 0x0009;        // other white space
constexpr std::uint16_t kSign = 0x0100;         // + code, for the first 0x250 codes
constexpr std::uint16_t kOtherSign = 0x0400;    // + code / 32
constexpr std::uint16_t kDigit = 0x1000;        // + digit value
constexpr std::uint16_t kLatin = 0x2000;        // + (letter - 'A') * 4 + Romanian step
constexpr std::uint16_t kOtherLetter = 0x3000;  // + code / 4

constexpr std::uint8_t kLevelEnd = 0x01;
constexpr std::uint8_t kPlain = 0x02;  // no accent / upper case
constexpr std::uint8_t kLower = 0x03;

struct Weight {
    std::uint16_t primary;
    std::uint8_t accent;
    std::uint8_t lower;
};

Weight compute(char16_t c)
{
    const QChar ch(c);
    const std::uint8_t lower = ch.isLower() ? kLower : kPlain;
    auto latin = [&](char16_t base, int step, std::uint8_t accent) {
        return Weight{static_cast<std::uint16_t>(kLatin + (base - u'A') * 4 + step), accent, lower};
    };
    switch (c) {
    case u'Ă':
    case u'ă': return latin(u'A', 1, kPlain);
    case u'Â':
    case u'â': return latin(u'A', 2, kPlain);
    case u'Î':
    case u'î': return latin(u'I', 1, kPlain);
    case u'Ș':
    case u'ș': return latin(u'S', 1, kPlain);
    case u'Ş':
    case u'ş': return latin(u'S', 1, kPlain + 1);  // cedilla: beside the comma form
    case u'Ț':
    case u'ț': return latin(u'T', 1, kPlain);
    case u'Ţ':
    case u'ţ': return latin(u'T', 1, kPlain + 1);
    default: break;
    }
    if (c == u' ')
        return {kBlank, kPlain, kPlain};
    if (c >= u'A' && c <= u'Z')
        return latin(c, 0, kPlain);
    if (c >= u'a' && c <= u'z')
        return latin(static_cast<char16_t>(c - u'a' + u'A'), 0, kPlain);
    if (c >= u'0' && c <= u'9')
        return {static_cast<std::uint16_t>(kDigit + (c - u'0')), kPlain, kPlain};
    if (ch.isSpace())
        return {kSpace, kPlain, kPlain};
    if (ch.isDigit())
        return {static_cast<std::uint16_t>(kDigit + ch.digitValue()), kPlain + 1, kPlain};
    if (ch.isLetter()) {
        // A Latin letter with an accent other than the Romanian ones sorts with its base letter.
        const QString d = ch.decomposition();
        if (ch.decompositionTag() == QChar::Canonical && d.size() >= 2) {
            const char16_t base = QChar(d.at(0)).toUpper().unicode();
            if (base >= u'A' && base <= u'Z') {
                const auto accent = static_cast<std::uint8_t>(0x10 + (d.at(1).unicode() & 0x7F));
                return latin(base, 0, accent);
            }
        }
        return {static_cast<std::uint16_t>(kOtherLetter + c / 4), kPlain, lower};
    }
    if (c < 0x250)
        return {static_cast<std::uint16_t>(kSign + c), kPlain, kPlain};
    return {static_cast<std::uint16_t>(kOtherSign + c / 32), kPlain, kPlain};
}

const std::array<Weight, 0x250>& table()
{
    static const auto t = [] {
        std::array<Weight, 0x250> a{};
        for (char16_t c = 0; c < 0x250; ++c)
            a[c] = compute(c);
        return a;
    }();
    return t;
}

inline Weight weightOf(char16_t c, const std::array<Weight, 0x250>& t)
{
    return c < 0x250 ? t[c] : compute(c);
}

// The first pass's view of a weight: the primary as stored, whether the later levels say anything, and
// whether another unit has the same weights (the units then end the key, to tell the texts apart).
struct Primary {
    std::uint16_t bigEndian;
    std::uint16_t flags;  // kNotPlain, kShared
};
constexpr std::uint16_t kNotPlain = 1;
constexpr std::uint16_t kShared = 2;

Primary primaryOf(const Weight& w)
{
    // Owned by one unit each: the blank, the signs below 0x250, ASCII digits, and the letters of the
    // Romanian alphabet in either case; everything else (other blanks, digits and letters) shares weights.
    const std::uint16_t p = w.primary;
    const bool own = p == kBlank || (p >= kSign && p < kSign + 0x250)
                     || (p >= kDigit && p < kDigit + 10 && w.accent == kPlain)
                     || (p >= kLatin && p < kLatin + 26 * 4 && (w.accent == kPlain || w.accent == kPlain + 1));
    return {qToBigEndian(p), static_cast<std::uint16_t>((w.accent != kPlain || w.lower != kPlain ? kNotPlain : 0)
                                                        | (own ? 0 : kShared))};
}

const std::array<Primary, 0x250>& primaries()
{
    static const auto p = [] {
        std::array<Primary, 0x250> a{};
        for (char16_t c = 0; c < 0x250; ++c)
            a[c] = primaryOf(table()[c]);
        return a;
    }();
    return p;
}

}  // namespace

qsizetype WriteRomanianSortKey(const QString& text, unsigned char* out)
{
    const auto& t = table();
    const qsizetype n = text.size();
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    std::uint8_t* p = out;
    // Most texts are plain upper-case letters: their accent and case levels are empty.
    const auto& fast = primaries();
    unsigned flags = 0;
    // Units past the table are rare: checked once for the whole text, so the common loop has no branch.
    char16_t highest = 0;
    for (qsizetype i = 0; i < n; ++i)
        highest = std::max(highest, s[i]);
    if (highest < 0x250) {
        for (qsizetype i = 0; i < n; ++i) {
            const Primary w = fast[s[i]];
            std::memcpy(p, &w.bigEndian, 2);
            p += 2;
            flags |= w.flags;
        }
    } else {
        for (qsizetype i = 0; i < n; ++i) {
            const Primary w = s[i] < 0x250 ? fast[s[i]] : primaryOf(compute(s[i]));
            std::memcpy(p, &w.bigEndian, 2);
            p += 2;
            flags |= w.flags;
        }
    }
    const bool notPlain = flags & kNotPlain, shared = flags & kShared;
    *p++ = 0;
    *p++ = 0;
    if (!notPlain) {
        *p++ = kLevelEnd;
        *p++ = kLevelEnd;
    } else {
        for (int level = 0; level < 2; ++level) {
            std::uint8_t* lastSignificant = p;
            for (qsizetype i = 0; i < n; ++i) {
                const Weight w = weightOf(s[i], t);
                const std::uint8_t b = level == 0 ? w.accent : w.lower;
                *p++ = b;
                if (b != kPlain)
                    lastSignificant = p;
            }
            p = lastSignificant;
            *p++ = kLevelEnd;
        }
    }
    for (qsizetype i = 0; shared && i < n; ++i) {
        const std::uint16_t be = qToBigEndian(static_cast<std::uint16_t>(s[i]));
        std::memcpy(p, &be, 2);
        p += 2;
    }
    return p - out;
}

void AppendRomanianSortKey(const QString& text, QByteArray& out)
{
    const qsizetype start = out.size();
    out.resize(start + RomanianSortKeyBound(text.size()));
    out.resize(start + WriteRomanianSortKey(text, reinterpret_cast<unsigned char*>(out.data()) + start));
}

QByteArray RomanianSortKey(const QString& text)
{
    QByteArray key;
    AppendRomanianSortKey(text, key);
    return key;
}

int RomanianCompare(const QString& a, const QString& b)
{
    const QByteArray ka = RomanianSortKey(a);
    const QByteArray kb = RomanianSortKey(b);
    const int c = std::memcmp(ka.constData(), kb.constData(), static_cast<std::size_t>(std::min(ka.size(), kb.size())));
    if (c != 0)
        return c < 0 ? -1 : 1;
    return ka.size() < kb.size() ? -1 : (ka.size() > kb.size() ? 1 : 0);
}

}  // namespace tarvix
