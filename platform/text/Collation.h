// Romanian sort order, whatever the user's locale: A Ă Â B C ... I Î J ... S Ș
// T Ț U ... Z; the cedilla forms Ş ş Ţ ţ beside the comma forms; lower case
// beside upper case; blanks, then other signs, then digits before letters.
// QtCore only. A key compares with memcmp, so a list sorts without looking
// at the texts again.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarvix {

// The sort key of a text; keys compare bytewise (QByteArray's operator<).
// Texts that differ have different keys.
QByteArray RomanianSortKey(const QString& text);
// The same key appended to out (no allocation when out has room).
void AppendRomanianSortKey(const QString& text, QByteArray& out);
// The most bytes the key of a text of n UTF-16 units takes.
constexpr qsizetype RomanianSortKeyBound(qsizetype n)
{
    return n * 7 + 4;
}
// The key written at out, which has room for RomanianSortKeyBound(text.size()) bytes; returns its length.
// For a caller that keeps many keys in one buffer of its own.
qsizetype WriteRomanianSortKey(const QString& text, unsigned char* out);

// <0, 0, >0 as a sorts before, equal to or after b.
int RomanianCompare(const QString& a, const QString& b);
inline bool RomanianLess(const QString& a, const QString& b)
{
    return RomanianCompare(a, b) < 0;
}

}  // namespace tarvix
