#include "platform/text/Collation.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tarvix {
namespace {

// Key layout: one primary weight per UTF-16 unit (in one byte or three, see
// PrimaryCode), ended by 0x00; then the accent level and the case level (one
// byte each, trailing defaults dropped, each ended by 0x01); then, when a
// unit's weights are shared with another unit, the units themselves, so that
// different texts never share a key. Equal primaries mean equal lengths, so
// the later levels line up.
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

// Whether a unit's accent or case level says anything, and whether another unit has the same weights
// (the units then end the key, to tell the texts apart).
constexpr std::uint8_t kNotPlain = 1;
constexpr std::uint8_t kShared = 2;

std::uint8_t flagsOf(const Weight& w)
{
    // Owned by one unit each: the blank, the signs below 0x250, ASCII digits, and the letters of the
    // Romanian alphabet in either case; everything else (other blanks, digits and letters) shares weights.
    const std::uint16_t p = w.primary;
    const bool own = p == kBlank || (p >= kSign && p < kSign + 0x250)
                     || (p >= kDigit && p < kDigit + 10 && w.accent == kPlain)
                     || (p >= kLatin && p < kLatin + 26 * 4 && (w.accent == kPlain || w.accent == kPlain + 1));
    return static_cast<std::uint8_t>((w.accent != kPlain || w.lower != kPlain ? kNotPlain : 0) | (own ? 0 : kShared));
}

// The primaries of the units most texts are made of (the blank, ASCII signs and digits, the Romanian
// letters) are written as one byte each; every other primary as a lead byte and its two bytes. The
// single bytes and the leads interleave in the primaries' order, so the bytes compare as the weights:
// a lead stands for the primaries between two common ones, and exists only where there are some.
class PrimaryCode {
public:
    // Never a unit's byte, so one OR over a text's bytes tells whether all its units were common.
    static constexpr std::uint8_t kNotCommon = 0x80;

    // Out of line, so the callers' guard check stays small.
    Q_NEVER_INLINE PrimaryCode()
    {
        QString units = QStringLiteral(" 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZĂÂÎȘȚ");
        for (char16_t c = 0x21; c < 0x7F; ++c)
            if (!QChar::isLetterOrNumber(c))
                units += QChar(c);
        for (const QChar c : units)
            common_.push_back(compute(c.unicode()).primary);
        std::sort(common_.begin(), common_.end());
        common_.erase(std::unique(common_.begin(), common_.end()), common_.end());
        std::uint8_t next = 1;
        for (std::size_t k = 0; k < common_.size(); ++k) {
            if (common_[k] > (k == 0 ? 0 : common_[k - 1] + 1))
                leadBefore_.push_back(next++);
            else
                leadBefore_.push_back(0);
            byte_.push_back(next++);
        }
        leadBefore_.push_back(next++);
        Q_ASSERT(next <= kNotCommon);
        fast_.fill(kNotCommon);
        for (const QChar c : units) {
            const Weight w = compute(c.unicode());
            if (flagsOf(w) == 0)
                fast_[c.unicode()] = byte_[indexOf(w.primary)];
        }
    }
    // The primary's bytes at out; returns past them.
    std::uint8_t* write(std::uint16_t primary, std::uint8_t* out) const
    {
        const auto k = indexOf(primary);
        if (k < common_.size() && common_[k] == primary) {
            *out = byte_[k];
            return out + 1;
        }
        out[0] = leadBefore_[k];
        out[1] = static_cast<std::uint8_t>(primary >> 8);
        out[2] = static_cast<std::uint8_t>(primary);
        return out + 3;
    }
    // A unit's one byte when it is common, plain and owns its weights; kNotCommon otherwise.
    const std::array<std::uint8_t, 0x10000>& fast() const { return fast_; }

private:
    std::size_t indexOf(std::uint16_t primary) const
    {
        return static_cast<std::size_t>(std::lower_bound(common_.begin(), common_.end(), primary) - common_.begin());
    }
    std::vector<std::uint16_t> common_;
    std::vector<std::uint8_t> byte_, leadBefore_;
    // All units, so the common loop needs no range check; only the few lines of the common units are ever read.
    std::array<std::uint8_t, 0x10000> fast_;
};

const PrimaryCode& primaryCode()
{
    static const PrimaryCode code;
    return code;
}

// Any text: the primaries as coded, then the accent and case levels and, when needed, the units.
// Kept out of the common path, whose loop then needs no registers saved.
Q_NEVER_INLINE qsizetype writeGeneralKey(const char16_t* s, qsizetype n, std::uint8_t* out)
{
    const auto& t = table();
    const PrimaryCode& code = primaryCode();
    std::uint8_t* p = out;
    unsigned flags = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const Weight w = weightOf(s[i], t);
        p = code.write(w.primary, p);
        flags |= flagsOf(w);
    }
    *p++ = 0;
    for (int level = 0; level < 2; ++level) {
        std::uint8_t* lastSignificant = p;
        for (qsizetype i = 0; (flags & kNotPlain) && i < n; ++i) {
            const Weight w = weightOf(s[i], t);
            const std::uint8_t b = level == 0 ? w.accent : w.lower;
            *p++ = b;
            if (b != kPlain)
                lastSignificant = p;
        }
        p = lastSignificant;
        *p++ = kLevelEnd;
    }
    for (qsizetype i = 0; (flags & kShared) && i < n; ++i) {
        const std::uint16_t be = qToBigEndian(static_cast<std::uint16_t>(s[i]));
        std::memcpy(p, &be, 2);
        p += 2;
    }
    return p - out;
}

}  // namespace

qsizetype WriteRomanianSortKey(const QString& text, unsigned char* out)
{
    const qsizetype n = text.size();
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    // Most texts are plain upper-case letters, blanks and digits: one byte each and empty later levels.
    const auto& fast = primaryCode().fast();
    // No branch per unit: a unit outside the common ones is noticed once the loop is done.
    std::uint8_t seen = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const std::uint8_t b = fast[s[i]];
        out[i] = b;
        seen |= b;
    }
    if (seen & PrimaryCode::kNotCommon)
        return writeGeneralKey(s, n, out);
    out[n] = 0;
    out[n + 1] = kLevelEnd;
    out[n + 2] = kLevelEnd;
    return n + 3;
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
