#include "support/ExpectedTsv.h"

#include <QFile>
#include <QSet>
#include <QtTest>

#include <optional>

namespace tarvix::test {

namespace {

// \N null, \\ \t \n \r, \uXXXX and \UXXXXXXXX.
std::optional<QString> unescape(const QString& field)
{
    if (field == QLatin1String("\\N"))
        return std::nullopt;
    QString out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != QLatin1Char('\\') || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const QChar c = field[++i];
        if (c == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (c == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (c == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (c == QLatin1Char('u') || c == QLatin1Char('U')) {
            const int digits = c == QLatin1Char('u') ? 4 : 8;
            const char32_t code = field.mid(i + 1, digits).toUInt(nullptr, 16);
            out += QString::fromUcs4(&code, 1);
            i += digits;
        } else {
            out += c;
        }
    }
    return out;
}

QStringList sortedUnique(const QSet<QString>& set)
{
    QStringList out(set.begin(), set.end());
    out.sort();
    return out;
}

}  // namespace

ExpectedImport ReadExpectedImport(const QString& tsvPath)
{
    ExpectedImport e;
    QFile f(tsvPath);
    if (!f.open(QIODevice::ReadOnly)) {
        QTest::qFail(qPrintable(QStringLiteral("cannot read %1").arg(tsvPath)), __FILE__, __LINE__);
        return e;
    }
    QMultiHash<qint64, QString> words, chapters;  // key -> stored text, for the rows kept
    QSet<QString> w, c, l;
    QList<QPair<qint64, qint64>> links;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QStringList parts = QString::fromUtf8(raw).split(QLatin1Char('\t'));
        const QString& kind = parts[0];
        if (kind == QLatin1String("#args")) {
            for (const QString& a : parts.mid(1))
                if (!a.isEmpty())
                    e.args << a;
        } else if (kind == QLatin1String("#counts")) {
            for (const QString& p : parts.mid(1))
                e.counts.insert(p.section(QLatin1Char('='), 0, 0), p.section(QLatin1Char('='), 1).toInt());
        } else if ((kind == QLatin1String("w") || kind == QLatin1String("c")) && parts.size() == 5) {
            const bool word = kind == QLatin1String("w");
            if (parts[4] == QLatin1String("invisible") && word)
                e.refusedWordKeys << parts[1];
            if (parts[4] != QLatin1String("keep"))
                continue;
            const QString stored = unescape(parts[3]).value_or(QString());
            (word ? words : chapters).insert(parts[1].toLongLong(), stored);
            (word ? w : c).insert(stored);
        } else if (kind == QLatin1String("l") && parts.size() == 3) {
            links.append({parts[1].toLongLong(), parts[2].toLongLong()});
        }
    }
    for (const auto& [wk, ck] : links)
        for (const QString& word : words.values(wk))
            for (const QString& chapter : chapters.values(ck))
                l.insert(word + QStringLiteral(" / ") + chapter);
    for (const QString& t : sortedUnique(w))
        e.content << QStringLiteral("W ") + t;
    for (const QString& t : sortedUnique(c))
        e.content << QStringLiteral("C ") + t;
    for (const QString& t : sortedUnique(l))
        e.content << QStringLiteral("L ") + t;
    return e;
}

}  // namespace tarvix::test
