// The forms under which a word of the dictionary is found in a chapter's text:
// as written (by the store's fold), without diacritics, and by its Romanian
// stem (Snowball), which inflected forms share: ALGORITM, "algoritmul", "algoritmilor".
#pragma once

#include <QByteArray>
#include <QString>

struct sb_stemmer;

namespace tarvix::tool {

// Best first: a proposal names the weakest kind any of its word's tokens needed.
enum class MatchKind { Exact = 0, NoDiacritics = 1, Inflected = 2, InflectedNoDiacritics = 3 };
inline constexpr int kMatchKinds = 4;

// "aceeași formă", "fără diacritice", "formă flexionară", "formă flexionară fără diacritice".
QString MatchKindName(MatchKind kind);

// One token's keys, one for each kind.
struct TokenForms {
    QString forms[kMatchKinds];
};

class WordForms {
public:
    WordForms();
    ~WordForms();
    WordForms(const WordForms&) = delete;
    WordForms& operator=(const WordForms&) = delete;

    TokenForms Of(const QString& token);

private:
    QString stem(const QString& lower);
    sb_stemmer* stemmer_;
    QByteArray utf8_;  // kept between calls: one allocation for all the words
};

// The text without its diacritics: ȘTIINȚĂ -> STIINTA.
QString WithoutDiacritics(const QString& text);

}  // namespace tarvix::tool
