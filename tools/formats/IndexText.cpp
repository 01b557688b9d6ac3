#include "tools/formats/IndexText.h"

#include "platform/text/Collation.h"

namespace tarvix::tool {

namespace {

// Numbers longer than this keep the order of their digits as text.
constexpr qsizetype kWidestNumber = 40;

bool asciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

}  // namespace

QString PrintedText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case 0x015E: out += QChar(0x0218); continue;  // Ş -> Ș
        case 0x015F: out += QChar(0x0219); continue;  // ş -> ș
        case 0x0162: out += QChar(0x021A); continue;  // Ţ -> Ț
        case 0x0163: out += QChar(0x021B); continue;  // ţ -> ț
        case 0x200C:                                  // the joiners shape letters: kept
        case 0x200D: out += c; continue;
        default: break;
        }
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph: out += QLatin1Char(' '); break;
        case QChar::Other_Format: break;  // zero-width spaces, direction overrides, BOM
        default: out += c;
        }
    }
    qsizetype from = 0, to = out.size();
    while (from < to && out.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && out.at(to - 1) == QLatin1Char(' '))
        --to;
    return out.mid(from, to - from);
}

QByteArray PrintedSortKey(const QString& text)
{
    // Each number written with as many digits as the widest: then digits compare as values.
    QString padded;
    padded.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size();) {
        if (!asciiDigit(text.at(i))) {
            padded += text.at(i++);
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && asciiDigit(text.at(end)))
            ++end;
        qsizetype first = i;
        while (first + 1 < end && text.at(first) == QLatin1Char('0'))
            ++first;
        const qsizetype digits = end - first;
        if (digits <= kWidestNumber)
            padded += QString(kWidestNumber - digits, QLatin1Char('0')) + text.mid(first, digits);
        else
            padded += text.mid(i, end - i);
        i = end;
    }
    return RomanianSortKey(padded);
}

}  // namespace tarvix::tool
