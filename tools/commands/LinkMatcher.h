// Finds the dictionary's words in chapters' texts: each word is one or more
// tokens, matched token by token against consecutive words of the text, each
// token by its fold, without diacritics, or by its stem (WordForms).
#pragma once

#include "tools/commands/WordForms.h"

#include <QHash>
#include <QString>

#include <array>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarvix::tool {

struct WordHit {
    int word = 0;  // index into the words given
    int count = 0;
    MatchKind kind = MatchKind::Exact;  // the best kind among its occurrences
    qsizetype at = 0;                   // the first occurrence of that kind in the text
    qsizetype length = 0;
};

class LinkMatcher {
public:
    explicit LinkMatcher(const std::vector<QString>& words);

    // Every word found in text, in the order of the words given.
    std::vector<WordHit> Scan(const QString& text);

    // How far a token of text goes: letters, digits and their marks.
    static bool IsTokenChar(QChar c);

private:
    struct Token {
        qsizetype start, end;
        int id;  // into tokenKeys_
    };
    using Keys = std::array<int, kMatchKinds>;

    int internKey(const QString& key);
    int tokenId(QStringView token);
    std::vector<Token> tokens(const QString& text);
    // The kind under which text token t stands for word token w, or -1.
    int kindOf(int t, const Keys& w) const;
    // A token written with its own diacritics that matches only once they are
    // taken away ("știința" for ȘTIINȚĂ) is an inflected form, not a plain spelling.
    int sharpened(int t, int kind) const;

    WordForms forms_;
    bool scanning_ = false;  // the words' keys are all known
    QHash<QString, int> keyIds_;
    struct ViewHash {
        using is_transparent = void;
        std::size_t operator()(QStringView v) const noexcept { return qHash(v); }
    };
    struct ViewEqual {
        using is_transparent = void;
        bool operator()(QStringView a, QStringView b) const noexcept { return a == b; }
    };
    // Raw token text -> its keys, looked up without copying the text.
    std::unordered_map<QString, int, ViewHash, ViewEqual> tokenIds_;
    std::vector<Keys> tokenKeys_;
    std::vector<bool> tokenHasDiacritics_;
    // For each token, once asked: the words it may begin, with the kind of that first match.
    std::vector<std::vector<std::pair<int, int>>> starts_;
    std::vector<bool> startsKnown_;
    const std::vector<std::pair<int, int>>& startsOf(int token);
    std::vector<std::vector<Keys>> words_;  // each word's tokens
    // First token's key id (for each kind) -> the words that start with it.
    std::array<std::vector<std::vector<int>>, kMatchKinds> byFirst_;
};

}  // namespace tarvix::tool
