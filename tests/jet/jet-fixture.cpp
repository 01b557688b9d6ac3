// Makes old Access dictionaries for shell scripts, the end-to-end test and the benchmark.
//   tarvix-jet-fixture romanian OUT [--version 3|4] [--codepage N] [--column-codepage N] [--text-codepage N]
//   [--compress] tarvix-jet-fixture large OUT --words N --chapters N --links N [--version 3|4] [--compress]
//   tarvix-jet-fixture dictionary OUT [--version 3|4] --words "A,B" --chapters "X,Y" --links "1:1,2:1"
// Exit 0 on success, 1 when the file cannot be written, 2 on bad arguments.
#include "support/JetWriter.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <map>
#include <stdexcept>

using namespace tarvix::test;

namespace {

int Usage(const QString& why)
{
    std::fprintf(stderr,
                 "tarvix-jet-fixture: %s\n"
                 "usage: tarvix-jet-fixture romanian OUT [--version 3|4] [--codepage N] [--column-codepage N]"
                 " [--text-codepage N] [--compress]\n"
                 "       tarvix-jet-fixture large OUT --words N --chapters N --links N [--version 3|4] [--compress]\n"
                 "       tarvix-jet-fixture dictionary OUT [--version 3|4] --words \"A,B\" --chapters \"X,Y\""
                 " --links \"1:1,2:1\"\n",
                 qPrintable(why));
    return 2;
}

bool ToInt(const QString& text, int& value, int least, int most)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= least && value <= most;
}

JetValue Key(const QString& text, bool& ok)
{
    if (text.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    int value = 0;
    ok = ok && ToInt(text, value, -2147483647 - 1, 2147483647);
    return JetValue(qint32(value));
}

std::vector<std::pair<qint32, JetValue>> Keyed(const QString& list)
{
    std::vector<std::pair<qint32, JetValue>> out;
    if (list.isEmpty())
        return out;
    qint32 key = 0;
    for (const QString& item : list.split(QLatin1Char(',')))
        out.emplace_back(++key, JetValue(item));
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return Usage(QStringLiteral("a kind and an output file are needed"));
    const QString kind = args.takeFirst();
    const QString out = args.takeFirst();
    if (kind != QLatin1String("romanian") && kind != QLatin1String("large") && kind != QLatin1String("dictionary"))
        return Usage(QStringLiteral("unknown kind \"%1\"").arg(kind));

    JetOptions options;
    bool textPageGiven = false;
    std::map<QString, QString> lists;
    int words = -1, chapters = -1, links = -1;
    for (int i = 0; i < args.size(); ++i) {
        const QString& flag = args[i];
        if (flag == QLatin1String("--compress")) {
            options.compressText = true;
            continue;
        }
        if (i + 1 >= args.size())
            return Usage(QStringLiteral("%1 needs a value").arg(flag));
        const QString value = args[++i];
        int number = 0;
        if (flag == QLatin1String("--version")) {
            if (!ToInt(value, options.version, 3, 4))
                return Usage(QStringLiteral("--version is 3 or 4"));
        } else if (flag == QLatin1String("--codepage") || flag == QLatin1String("--column-codepage")
                   || flag == QLatin1String("--text-codepage")) {
            if (!ToInt(value, number, 1, 65535))
                return Usage(QStringLiteral("%1 takes a code page number").arg(flag));
            if (flag == QLatin1String("--codepage"))
                options.codePage = number;
            else if (flag == QLatin1String("--column-codepage"))
                options.columnCodePage = number;
            else {
                options.textCodePage = number;
                textPageGiven = true;
            }
        } else if (kind == QLatin1String("large")
                   && (flag == QLatin1String("--words") || flag == QLatin1String("--chapters")
                       || flag == QLatin1String("--links"))) {
            if (!ToInt(value, number, 0, 2147483647))
                return Usage(QStringLiteral("%1 takes a count").arg(flag));
            (flag == QLatin1String("--words")      ? words
             : flag == QLatin1String("--chapters") ? chapters
                                                   : links) = number;
        } else if (kind == QLatin1String("dictionary")
                   && (flag == QLatin1String("--words") || flag == QLatin1String("--chapters")
                       || flag == QLatin1String("--links"))) {
            lists[flag] = value;
        } else {
            return Usage(QStringLiteral("unknown option %1").arg(flag));
        }
    }

    std::vector<JetTable> tables;
    try {
        if (kind == QLatin1String("romanian")) {
            // The fixture's texts are Romanian: a 1252 header still gets CP1250 bytes.
            if (!textPageGiven)
                options.textCodePage = 1250;
            tables = RomanianFixture();
        } else if (kind == QLatin1String("large")) {
            if (words < 0 || chapters < 0 || links < 0)
                return Usage(QStringLiteral("large needs --words, --chapters and --links"));
            if (options.version == 3 && !textPageGiven)
                options.textCodePage = 1250;
            tables = LargeDictionary(words, chapters, links);
        } else {
            if (options.version == 3 && !textPageGiven)
                options.textCodePage = 1250;
            std::vector<std::pair<JetValue, JetValue>> pairs;
            const QString linkList = lists[QStringLiteral("--links")];
            if (!linkList.isEmpty()) {
                for (const QString& item : linkList.split(QLatin1Char(','))) {
                    const QStringList sides = item.split(QLatin1Char(':'));
                    bool ok = sides.size() == 2;
                    if (!ok)
                        return Usage(QStringLiteral("a link is WORD:CHAPTER, not \"%1\"").arg(item));
                    JetValue word = Key(sides[0].trimmed(), ok);
                    JetValue chapter = Key(sides[1].trimmed(), ok);
                    if (!ok)
                        return Usage(QStringLiteral("a link is WORD:CHAPTER, not \"%1\"").arg(item));
                    pairs.emplace_back(word, chapter);
                }
            }
            tables = DictionaryTables(Keyed(lists[QStringLiteral("--words")]),
                                      Keyed(lists[QStringLiteral("--chapters")]), pairs);
        }
        WriteJetFile(out, tables, options);
    } catch (const std::invalid_argument& e) {
        return Usage(QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarvix-jet-fixture: %s\n", e.what());
        return 1;
    }
    return 0;
}
