// Text functions the windows use, and the key under which the store compares
// texts. QtCore only, so code without a display can use them too.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

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

// The capital a keystroke gives: the letter's upper case when that is one
// character, else the character as typed (ß stays ß).
QChar KeystrokeCapital(QChar c);

// Ș ș Ț ț for the older cedilla letters Ş ş Ţ ţ; any other character as it is.
char32_t CommaForm(char32_t c);

// The key under which texts compare equal in statements and unique indexes:
// composed and decomposed letters alike, letter case ignored for every letter
// the program upper-cases, Romanian letters included, and the old cedilla forms
// of Ș and Ț counted as the comma forms.
QString FoldKey(const QString& text);

// "1 cuvânt", "5 cuvinte", "20 de cuvinte": Romanian puts "de" before 20 and up.
QString Counted(long long n, const char* one, const char* many);

// Length as the edit box counts it: a character past the Basic Multilingual Plane takes two places.
int EditLength(QStringView text);

// A text quoted in a message, cut to a readable length.
QString Shortened(const QString& text, int max = 80);

// What NextUtf8 gives for bytes that do not form a character.
inline constexpr char32_t kNotUtf8 = 0xFFFFFFFF;
// The character whose UTF-8 form starts at bytes[i], moving i past it; kNotUtf8
// (i moved by one byte) for a bad lead or continuation byte, a cut sequence, an
// overlong form, a surrogate or a value past Unicode.
char32_t NextUtf8(QByteArrayView bytes, qsizetype& i);

// Offset of the first byte that is not well-formed UTF-8, or -1 when all of it is.
qsizetype FirstBadUtf8(QByteArrayView bytes);

}  // namespace tarvix
