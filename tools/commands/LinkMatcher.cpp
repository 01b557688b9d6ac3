#include "tools/commands/LinkMatcher.h"

#include <algorithm>

namespace tarvix::tool {

bool LinkMatcher::IsTokenChar(QChar c)
{
    if (c.unicode() < 0x80)
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    return c.isLetterOrNumber() || c.isMark();
}

LinkMatcher::LinkMatcher(const std::vector<QString>& words)
{
    words_.reserve(words.size());
    keyIds_.reserve(static_cast<qsizetype>(words.size()) * 3);
    for (const QString& word : words) {
        std::vector<Keys> keys;
        for (const Token& t : tokens(word))
            keys.push_back(tokenKeys_[static_cast<std::size_t>(t.id)]);
        words_.push_back(std::move(keys));
    }
    // Key ids are dense: the words a key begins are found by indexing, not hashing.
    for (int k = 0; k < kMatchKinds; ++k) {
        auto& index = byFirst_[static_cast<std::size_t>(k)];
        index.resize(static_cast<std::size_t>(keyIds_.size()));
        for (std::size_t w = 0; w < words_.size(); ++w) {
            if (words_[w].empty())
                continue;
            auto& list = index[static_cast<std::size_t>(words_[w].front()[static_cast<std::size_t>(k)])];
            list.push_back(static_cast<int>(w));
        }
    }
}

int LinkMatcher::internKey(const QString& key)
{
    if (const auto it = keyIds_.constFind(key); it != keyIds_.constEnd())
        return it.value();
    // A key no word of the dictionary has can match nothing: it is not kept.
    if (scanning_)
        return -1;
    const int id = static_cast<int>(keyIds_.size());
    keyIds_.insert(key, id);
    return id;
}

int LinkMatcher::tokenId(QStringView token)
{
    if (const auto it = tokenIds_.find(token); it != tokenIds_.end())
        return it->second;
    const QString text = token.toString();
    const TokenForms f = forms_.Of(text);
    Keys keys;
    for (int k = 0; k < kMatchKinds; ++k)
        keys[static_cast<std::size_t>(k)] = internKey(f.forms[k]);
    tokenKeys_.push_back(keys);
    tokenHasDiacritics_.push_back(f.forms[1] != f.forms[0]);
    const int id = static_cast<int>(tokenKeys_.size() - 1);
    tokenIds_.emplace(text, id);
    return id;
}

std::vector<LinkMatcher::Token> LinkMatcher::tokens(const QString& text)
{
    std::vector<Token> out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && !IsTokenChar(text[i]))
            ++i;
        const qsizetype start = i;
        while (i < n && IsTokenChar(text[i]))
            ++i;
        if (i > start)
            out.push_back({start, i, tokenId(QStringView(text).sliced(start, i - start))});
    }
    return out;
}

int LinkMatcher::sharpened(int t, int kind) const
{
    const bool plainKind = kind == int(MatchKind::NoDiacritics) || kind == int(MatchKind::InflectedNoDiacritics);
    return plainKind && tokenHasDiacritics_[static_cast<std::size_t>(t)] ? int(MatchKind::Inflected) : kind;
}

int LinkMatcher::kindOf(int t, const Keys& w) const
{
    const Keys& keys = tokenKeys_[static_cast<std::size_t>(t)];
    for (int k = 0; k < kMatchKinds; ++k)
        if (keys[static_cast<std::size_t>(k)] == w[static_cast<std::size_t>(k)])
            return sharpened(t, k);
    return -1;
}

namespace {

// Between two tokens of one word only blanks, line ends and hyphens: not a full stop or a comma.
bool joins(const QString& text, qsizetype from, qsizetype to)
{
    for (qsizetype i = from; i < to; ++i) {
        const QChar c = text[i];
        if (c != u' ' && c != u'\n' && c != u'\r' && c != u'\t' && c != u'-' && c != QChar(0x00A0)
            && c != QChar(0x2010))
            return false;
    }
    return true;
}

}  // namespace

const std::vector<std::pair<int, int>>& LinkMatcher::startsOf(int token)
{
    const auto t = static_cast<std::size_t>(token);
    if (t >= starts_.size()) {
        starts_.resize(tokenKeys_.size());
        startsKnown_.resize(tokenKeys_.size());
    }
    std::vector<std::pair<int, int>>& list = starts_[t];
    if (startsKnown_[t])
        return list;
    startsKnown_[t] = true;
    const Keys& keys = tokenKeys_[t];
    // Kinds from the best: a word found under one is not found again under a weaker one.
    for (int k = 0; k < kMatchKinds; ++k) {
        const int key = keys[static_cast<std::size_t>(k)];
        if (key < 0)
            continue;
        for (const int w : byFirst_[static_cast<std::size_t>(k)][static_cast<std::size_t>(key)])
            if (std::none_of(list.begin(), list.end(), [w](const std::pair<int, int>& p) { return p.first == w; }))
                list.emplace_back(w, sharpened(token, k));
    }
    return list;
}

std::vector<WordHit> LinkMatcher::Scan(const QString& text)
{
    scanning_ = true;
    const std::vector<Token> toks = tokens(text);
    QHash<int, WordHit> hits;
    for (std::size_t i = 0; i < toks.size(); ++i) {
        for (const auto& [w, firstKind] : startsOf(toks[i].id)) {
            const std::vector<Keys>& wk = words_[static_cast<std::size_t>(w)];
            if (i + wk.size() > toks.size())
                continue;
            int kind = firstKind;
            for (std::size_t j = 1; j < wk.size() && kind >= 0; ++j) {
                const int tk = joins(text, toks[i + j - 1].end, toks[i + j].start) ? kindOf(toks[i + j].id, wk[j]) : -1;
                kind = tk < 0 ? -1 : std::max(kind, tk);
            }
            if (kind < 0)
                continue;
            WordHit& h = hits[w];
            const auto matchKind = static_cast<MatchKind>(kind);
            if (h.count == 0 || matchKind < h.kind) {
                h.word = w;
                h.kind = matchKind;
                h.at = toks[i].start;
                h.length = toks[i + wk.size() - 1].end - toks[i].start;
            }
            ++h.count;
        }
    }
    std::vector<WordHit> out;
    out.reserve(static_cast<std::size_t>(hits.size()));
    for (const WordHit& h : hits)
        out.push_back(h);
    std::sort(out.begin(), out.end(), [](const WordHit& a, const WordHit& b) { return a.word < b.word; });
    return out;
}

}  // namespace tarvix::tool
