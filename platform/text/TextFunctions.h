// Text functions the windows use, and the key under which the store compares
// texts. QtCore only, so code without a display can use them too.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace tarvix {

// Upper case by Unicode rules: ã -> Ã, ș -> Ș, ş -> Ş, î -> Î.
QString UCase(const QString& text);
// Removes the blank ' ' (and only it) from both ends.
QString Trim(const QString& text);
QString LTrim(const QString& text);
QString RTrim(const QString& text);
// Decimal digits, a '-' for negatives, no blank.
QString CStr(std::int64_t value);
// The number a text starts with: blanks skipped, optional sign, digits and
// one decimal point; "12 abc" -> 12, "Label2" -> 0, "" -> 0.
double Val(const QString& text);
// The first UTF-16 unit of a text as a signed 16-bit code; InvalidProcedureCall for "".
std::int16_t AscW(const QString& text);
// The one-unit text of a code (-32768..65535); InvalidProcedureCall outside.
QString ChrW(std::int32_t code);

// The key under which texts compare equal in statements and unique indexes:
// letter case ignored for every letter the program upper-cases, Romanian
// letters included, and the old cedilla forms of Ș and Ț counted as the comma forms.
QString FoldKey(const QString& text);

// Offset of the first byte that is not well-formed UTF-8 (overlong forms,
// surrogates and values past Unicode included), or -1 when all of it is.
qsizetype FirstBadUtf8(QByteArrayView bytes);

}  // namespace tarvix
