#include "tools/jet/JetSide.h"

#include "tools/base/StoreTool.h"

#include "platform/text/TextFunctions.h"

#include <QHash>

#include <algorithm>
#include <cstdint>

namespace tarvix::tool {

namespace {

constexpr int kStoreMaxChars = 255;  // the store's own limit on a text

// As the editors store a typed text: each character upper-cased at its
// keystroke (unless its capital is two characters), blanks trimmed, and the
// old cedilla letters in their comma form.
QString editorText(const QString& raw)
{
    QString t = Trim(raw);
    for (QChar& c : t) {
        const QString upper = QString(c).toUpper();
        if (upper.size() == 1)
            c = upper.at(0);
        if (c == QChar(0x015E))
            c = QChar(0x0218);
        else if (c == QChar(0x0162))
            c = QChar(0x021A);
    }
    return t;
}

}  // namespace

void JetSide::build(const std::function<QString(const QByteArray&)>& decode)
{
    QHash<QString, std::size_t> byFold;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SourceRow& r = rows[i];
        const QString keyText = r.key ? QString::number(*r.key) : QStringLiteral("goală");
        const QString text = r.text ? editorText(decode(*r.text)) : QString();
        if (text.isEmpty()) {
            ++skipped;
            if (r.key)
                emptyKeys.insert(*r.key);
            skips << QStringLiteral("rândul %1 (cheia %2): text gol.").arg(i + 1).arg(keyText);
            continue;
        }
        if (TextLength(text) > kStoreMaxChars) {
            ++skipped;
            if (r.key)
                emptyKeys.insert(*r.key);
            skips << QStringLiteral("rândul %1 (cheia %2): textul are %3, mai mult decât %4 cât încap în baza de date.")
                         .arg(i + 1)
                         .arg(keyText, Counted(TextLength(text), "caracter", "caractere"))
                         .arg(kStoreMaxChars);
            continue;
        }
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
            // The box counts UTF-16 units, so that is what is too long for it.
            if (text.size() > boxMax)
                longTexts << QStringLiteral("„%1” (%2)").arg(text, Counted(text.size(), "caracter", "caractere"));
        }
        if (r.key)
            byKey.emplace_back(*r.key, at);
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
    return emptyKeys.contains(key)
               ? QStringLiteral("%1 cu cheia %2 are textul gol").arg(QString::fromUtf8(one)).arg(key)
               : QStringLiteral("nu există %1 cu cheia %2").arg(QString::fromUtf8(one)).arg(key);
}

}  // namespace tarvix::tool
