#include "tools/jet/JetSide.h"

#include "tools/base/StoreTool.h"

#include "platform/text/TextFunctions.h"
#include "store/IncomingText.h"

#include <QHash>

#include <algorithm>
#include <cstdint>

namespace tarvix::tool {

JetSide::JetSide(const store::TextTable& table)
    : title(QString::fromUtf8(table.many)), one(table.one), boxMax(table.editorMax)
{
    title[0] = title[0].toUpper();  // "Cuvinte" heads its part of the report
}

void JetSide::build(const std::function<QString(const QByteArray&)>& decode)
{
    QHash<QString, std::size_t> byFold;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SourceRow& r = rows[i];
        const QString keyText = r.key ? QString::number(*r.key) : QStringLiteral("goală");
        const auto refuse = [&](const QString& why, const QString& linkWhy) {
            ++skipped;
            if (r.key && !refusedKeys.contains(*r.key))
                refusedKeys.insert(*r.key, linkWhy);
            skips << QStringLiteral("rândul %1 (cheia %2): %3").arg(i + 1).arg(keyText, why);
        };
        if (r.undecodable) {
            refuse(QStringLiteral("textul nu poate fi citit: octeții lui nu sunt un text Unicode valid."),
                   QStringLiteral("are un text care nu poate fi citit"));
            continue;
        }
        const store::IncomingText in = store::FromOutside(r.text ? decode(*r.text) : QString());
        if (!in.Accepted()) {
            const QString why = in.Reason(QStringLiteral("textul"));
            refuse(why,
                   in.refusal == store::IncomingText::Refusal::Empty
                       ? QStringLiteral("are textul gol")
                       : QStringLiteral("are un text refuzat (%1)").arg(why.chopped(why.endsWith(QLatin1Char('.')))));
            continue;
        }
        const QString& text = in.text;
        const QString fold = FoldKey(text);
        std::size_t at;
        if (const auto f = byFold.constFind(fold); f != byFold.constEnd()) {
            at = *f;
            ++merged;
            merges << QStringLiteral("„%1” (cheia %2) este același %3 cu „%4”.")
                          .arg(text, keyText, QString::fromUtf8(one), stored[at].text);
        } else {
            at = stored.size();
            byFold.insert(fold, at);
            stored.push_back({r.key, 0, text});
            if (EditLength(text) > boxMax)
                longTexts << QStringLiteral("„%1” (%2)").arg(text, Counted(EditLength(text), "caracter", "caractere"));
        }
        if (r.key)
            byKey.emplace_back(*r.key, static_cast<qint32>(at));
    }
    std::sort(byKey.begin(), byKey.end());
    if (!byKey.empty() && qint64(byKey.back().first) - byKey.front().first < 4 * qint64(byKey.size()) + 1024) {
        denseBase = byKey.front().first;
        dense.assign(static_cast<std::size_t>(qint64(byKey.back().first) - denseBase + 1), -1);
        for (std::size_t i = byKey.size(); i-- > 0;)
            dense[static_cast<std::size_t>(byKey[i].first - denseBase)] = static_cast<int>(i);
    }
    // Keys are kept where they can be; a row without one, or whose key another row kept, gets a new one.
    QSet<qint32> used;
    std::vector<std::size_t> fresh;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i].sourceKey && !used.contains(*stored[i].sourceKey)) {
            stored[i].key = *stored[i].sourceKey;
            used.insert(stored[i].key);
        } else {
            fresh.push_back(i);
        }
    }
    qint64 next = 1;
    for (const qint32 k : used)
        next = std::max<qint64>(next, qint64(k) + 1);
    for (const std::size_t i : fresh) {
        if (next > INT32_MAX)
            throw Failure{exitcode::Refused, QStringLiteral("%1: nu mai rămân chei libere de 32 de biți.").arg(title)};
        stored[i].key = static_cast<qint32>(next++);
    }
    // A link needs the key a row is stored under, not where it is: it is looked up for each of them.
    for (KeyRow& k : byKey)
        k.second = stored[static_cast<std::size_t>(k.second)].key;
}

std::pair<const JetSide::KeyRow*, const JetSide::KeyRow*> JetSide::rowsOf(qint32 key) const
{
    const auto* begin = byKey.data();
    const auto* end = begin + byKey.size();
    const auto* lo = begin;
    // Keys given by Access run from 1 with few gaps: a table by key finds the first row at once.
    if (!dense.empty()) {
        const qint64 at = qint64(key) - denseBase;
        if (at < 0 || at >= qint64(dense.size()) || dense[at] < 0)
            return {end, end};
        lo = begin + dense[at];
    } else {
        lo = std::lower_bound(begin, end, KeyRow(key, 0));
    }
    const auto* hi = lo;
    while (hi != end && hi->first == key)
        ++hi;
    return {lo, hi};
}

QString JetSide::missing(qint32 key) const
{
    if (const auto why = refusedKeys.constFind(key); why != refusedKeys.constEnd())
        return QStringLiteral("%1 cu cheia %2 %3, deci nu a fost adus").arg(QString::fromUtf8(one)).arg(key).arg(*why);
    return QStringLiteral("nu există %1 cu cheia %2").arg(QString::fromUtf8(one)).arg(key);
}

}  // namespace tarvix::tool
