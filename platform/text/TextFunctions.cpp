#include "platform/text/TextFunctions.h"

#include "platform/text/Error.h"

#include <algorithm>

namespace tarvix {

QString UCase(const QString& text)
{
    return text.toUpper();
}

QString LTrim(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    return text.mid(i);
}

QString RTrim(const QString& text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == u' ')
        --n;
    return text.left(n);
}

QString Trim(const QString& text)
{
    return LTrim(RTrim(text));
}

QString CStr(std::int64_t value)
{
    return QString::number(value);
}

double Val(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    // Blanks, tabs and line feeds are skipped anywhere, as the old runtime does.
    auto skip = [&] {
        while (i < n && (text.at(i) == u' ' || text.at(i) == u'\t' || text.at(i) == u'\n' || text.at(i) == u'\r'))
            ++i;
    };
    skip();
    double sign = 1;
    if (i < n && (text.at(i) == u'-' || text.at(i) == u'+')) {
        if (text.at(i) == u'-')
            sign = -1;
        ++i;
    }
    double value = 0;
    double scale = 0;  // 0 until the decimal point
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u' ' || c == u'\t')
            continue;
        if (c >= u'0' && c <= u'9') {
            if (scale == 0) {
                value = value * 10 + (c.unicode() - u'0');
            } else {
                value += (c.unicode() - u'0') * scale;
                scale /= 10;
            }
        } else if (c == u'.' && scale == 0) {
            scale = 0.1;
        } else {
            break;
        }
    }
    return sign * value;
}

std::int16_t AscW(const QString& text)
{
    if (text.isEmpty())
        RaiseToolkitError(tkerr::InvalidProcedureCall);
    return static_cast<std::int16_t>(text.at(0).unicode());
}

QString ChrW(std::int32_t code)
{
    if (code < -32768 || code > 65535)
        RaiseToolkitError(tkerr::InvalidProcedureCall);
    return QString(QChar(static_cast<char16_t>(code & 0xFFFF)));
}

QChar KeystrokeCapital(QChar c)
{
    if (c.unicode() < 0x80)
        return c >= u'a' && c <= u'z' ? QChar(c.unicode() - 0x20) : c;
    const QString upper = QString(c).toUpper();
    return upper.size() == 1 ? upper.at(0) : c;
}

char32_t CommaForm(char32_t c)
{
    switch (c) {
    case 0x015E: return 0x0218;  // Ş -> Ș
    case 0x015F: return 0x0219;  // ş -> ș
    case 0x0162: return 0x021A;  // Ţ -> Ț
    case 0x0163: return 0x021B;  // ţ -> ț
    default: return c;
    }
}

QString FoldKey(const QString& text)
{
    // Below U+0300 no character composes with another, so most texts skip the normalisation.
    const bool composable = std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x300; });
    QString key = (composable ? text.normalized(QString::NormalizationForm_C) : text).toUpper();
    for (QChar& c : key)
        c = QChar(static_cast<char16_t>(CommaForm(c.unicode())));
    return key;
}

QString Counted(long long n, const char* one, const char* many)
{
    if (n == 1)
        return QStringLiteral("1 ") + QString::fromUtf8(one);
    const long long lastTwo = n % 100;
    const bool withDe = n != 0 && (lastTwo == 0 || lastTwo >= 20);
    return QStringLiteral("%1 %2%3").arg(n).arg(withDe ? QStringLiteral("de ") : QString(), QString::fromUtf8(many));
}

int EditLength(QStringView text)
{
    return static_cast<int>(text.size());
}

QString Shortened(const QString& text, int max)
{
    if (text.size() <= max)
        return text;
    qsizetype cut = max;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QStringLiteral("… (%1 în total)").arg(Counted(EditLength(text), "caracter", "caractere"));
}

char32_t NextUtf8(QByteArrayView bytes, qsizetype& i)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    const unsigned char c = s[i];
    if (c < 0x80) {
        ++i;
        return c;
    }
    int more = 0;
    char32_t min = 0, cp = 0;
    if ((c & 0xE0) == 0xC0) {
        more = 1, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        more = 2, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        more = 3, min = 0x10000, cp = c & 0x07;
    } else {
        ++i;
        return kNotUtf8;
    }
    for (int k = 1; k <= more; ++k) {
        if (i + k >= n || (s[i + k] & 0xC0) != 0x80) {
            ++i;
            return kNotUtf8;
        }
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not text.
    if (cp < min || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        ++i;
        return kNotUtf8;
    }
    i += more + 1;
    return cp;
}

qsizetype FirstBadUtf8(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype at = i;
        if (NextUtf8(bytes, i) == kNotUtf8)
            return at;
    }
    return -1;
}

}  // namespace tarvix
