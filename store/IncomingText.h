// What a store holds of a text that comes from outside the windows: a CSV file,
// an old Access file, a row another program wrote. Every door calls this one
// rule, so the same text is stored the same way whichever way it came in.
#pragma once

#include <QString>
#include <QStringView>

namespace tarvix::store {

// The store's own limit on a text, counted as the edit box counts.
inline constexpr int kTextMax = 255;

struct IncomingText {
    enum class Refusal { None, Empty, Invisible, TooLong };

    QString text;  // what is stored; when refused, the text as far as the rule got
    Refusal refusal = Refusal::None;
    char32_t invisible = 0;  // Invisible: the first control or invisible character

    bool Accepted() const { return refusal == Refusal::None; }
    // Why the text is not stored, naming it as what ("cuvântul"); empty when accepted.
    QString Reason(const QString& what) const;
};

// NFC; blanks and no-break spaces trimmed at the ends; each character upper-cased
// as its keystroke would be (ß kept); Ş Ţ written Ș Ț. Refused when nothing is
// left, when it holds a control or invisible character, or when it is longer than kTextMax.
IncomingText FromOutside(const QString& raw);

// The first control or invisible format character (C0 and C1 controls, TAB, CR,
// LF, zero-width and direction marks, the byte order mark, line and paragraph
// separators, a lone surrogate), or 0. The editors refuse these too: such a
// text looks like another in every list and can never be typed in a search.
char32_t FirstInvisible(QStringView text);

// A blank at a text's ends: the space, and the no-break space a document pastes.
bool IsBlank(QChar c);
QString TrimBlanks(QStringView text);

// "U+200B"
QString CodeName(char32_t c);

}  // namespace tarvix::store
