#include "platform/engine/TranslationCache.h"

#include "platform/text/TextFunctions.h"

namespace tarvix::detail {

Translated TranslationCache::translate(const QString& text, const Schema& schema)
{
    // The shape: the text with every quoted value replaced by a mark the tokenizer refuses.
    if (text.contains(QChar(0xFFFF)))
        return Translate(text, schema);
    QString shape;
    shape.reserve(text.size());
    std::vector<QString> values;
    const QStringView all(text);
    const qsizetype n = text.size();
    qsizetype i = 0;
    // Copied a run at a time: the statement text is long and its values short.
    while (i < n) {
        qsizetype quote = i;
        while (quote < n && all[quote] != u'"' && all[quote] != u'\'')
            ++quote;
        shape += all.sliced(i, quote - i);
        if (quote == n)
            break;
        const QChar c = all[quote];
        QString value;
        bool closed = false;
        qsizetype run = quote + 1;
        qsizetype at = run;
        while (at < n) {
            if (all[at] != c) {
                ++at;
                continue;
            }
            value += all.sliced(run, at - run);
            if (at + 1 < n && all[at + 1] == c) {
                value += c;
                at += 2;
                run = at;
                continue;
            }
            closed = true;
            ++at;
            break;
        }
        if (!closed)
            return Translate(text, schema);  // reports the unclosed text
        shape += QChar(0xFFFF);
        values.push_back(std::move(value));
        i = at;
    }
    auto it = entries_.constFind(shape);
    if (it == entries_.constEnd()) {
        Entry e;
        Translated full = Translate(text, schema, &e.folded);
        e.shape = full;
        e.shape.params.clear();
        if (entries_.size() >= 64)
            entries_.clear();
        entries_.insert(shape, std::move(e));
        return full;
    }
    if (it->folded.size() != values.size())
        return Translate(text, schema);
    Translated out = it->shape;
    out.params.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        out.params.push_back(it->folded[i] ? FoldKey(values[i]) : values[i]);
    return out;
}

}  // namespace tarvix::detail
