// index: every word in Romanian order with its chapters, as text, HTML or LaTeX.
#include "tools/commands/Index.h"
#include "tools/base/OutputFile.h"
#include "tools/base/StoreTool.h"
#include "tools/commands/Command.h"
#include "tools/formats/IndexFormats.h"
#include "tools/formats/IndexText.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

namespace tarvix::tool {

namespace {

// What the store holds, by position: texts, and each word's chapters in Romanian order.
struct Contents {
    QStringList words, chapters;
    std::vector<int> wordOrder, chapterOrder;  // positions in Romanian order
    std::vector<int> first;                    // word w's chapters: chaptersOf[first[w] .. first[w + 1])
    std::vector<int> chaptersOf;
    std::vector<bool> chapterLinked;
    long long links = 0;    // distinct pairs
    long long orphans = 0;  // link rows naming a word or chapter that is not there
};

// The printed order; texts that differ only in how a number is written ("02", "2") keep their store order.
std::vector<int> printedOrder(const QStringList& texts)
{
    std::vector<QByteArray> keys;
    keys.reserve(static_cast<std::size_t>(texts.size()));
    for (const QString& t : texts)
        keys.push_back(PrintedSortKey(t));
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
    return order;
}

Contents read(Database& db)
{
    // One statement is one snapshot without a write lock; one row per word keeps a million links out of memory.
    // A server joins the keys with string_agg, a file with group_concat.
    const auto rows = db.QueryRows(QStringLiteral("SELECT 0, ID_Cuvant, Cuvant FROM tblDictionar UNION ALL "
                                                  "SELECT 1, ID_Capitol, Capitol FROM tblCapitol UNION ALL "
                                                  "SELECT 2, ID_Cuvant, %1 FROM tblLegatura GROUP BY ID_Cuvant")
                                       .arg(db.OnServer() ? QStringLiteral("string_agg(ID_Capitol::text, ',')")
                                                          : QStringLiteral("group_concat(ID_Capitol)")));
    Contents c;
    QHash<qint64, int> wordAt, chapterAt;
    std::vector<std::pair<int, QString>> groups;
    for (const auto& r : rows) {
        const qint64 kind = r[0].ToInt64();
        if (kind == 0) {
            wordAt.insert(r[1].ToInt64(), static_cast<int>(c.words.size()));
            c.words << PrintedText(r[2].ToText());
        } else if (kind == 1) {
            chapterAt.insert(r[1].ToInt64(), static_cast<int>(c.chapters.size()));
            c.chapters << PrintedText(r[2].ToText());
        } else {
            groups.emplace_back(wordAt.value(r[1].ToInt64(), -1), r[2].ToText());
        }
    }
    c.wordOrder = printedOrder(c.words);
    c.chapterOrder = printedOrder(c.chapters);
    std::vector<int> rank(c.chapterOrder.size());
    for (std::size_t i = 0; i < c.chapterOrder.size(); ++i)
        rank[static_cast<std::size_t>(c.chapterOrder[i])] = static_cast<int>(i);

    // Ranks first, so each word's chapters sort as integers.
    std::vector<std::vector<int>> ranks(static_cast<std::size_t>(c.words.size()));
    for (const auto& [word, ids] : groups) {
        const QStringView all(ids);
        qsizetype from = 0;
        while (from <= all.size()) {
            qsizetype to = all.indexOf(QLatin1Char(','), from);
            if (to < 0)
                to = all.size();
            bool ok = false;
            const qint64 id = all.mid(from, to - from).toLongLong(&ok);
            const int chapter = ok ? chapterAt.value(id, -1) : -1;
            if (word < 0 || chapter < 0)
                ++c.orphans;
            else
                ranks[static_cast<std::size_t>(word)].push_back(rank[static_cast<std::size_t>(chapter)]);
            from = to + 1;
        }
    }
    c.first.assign(ranks.size() + 1, 0);
    c.chapterLinked.assign(c.chapterOrder.size(), false);
    for (std::size_t w = 0; w < ranks.size(); ++w) {
        std::vector<int>& r = ranks[w];
        std::sort(r.begin(), r.end());
        r.erase(std::unique(r.begin(), r.end()), r.end());
        c.first[w + 1] = c.first[w] + static_cast<int>(r.size());
        for (const int k : r) {
            c.chaptersOf.push_back(c.chapterOrder[static_cast<std::size_t>(k)]);
            c.chapterLinked[static_cast<std::size_t>(c.chapterOrder[static_cast<std::size_t>(k)])] = true;
        }
        std::vector<int>().swap(r);
    }
    c.links = static_cast<long long>(c.chaptersOf.size());
    return c;
}

const char* const kOtherSigns = "Cifre și semne";
const char* const kOtherLetters = "Alte litere";

// First letters grouped as the collation weighs them (Ş with Ș, Á with A), so each heading comes once.
QString groupOf(const QString& word)
{
    if (word.isEmpty())
        return QString::fromUtf8(kOtherSigns);
    const QChar c = word.at(0);
    switch (c.unicode()) {
    case u'Ă':
    case u'ă': return QStringLiteral("Ă");
    case u'Â':
    case u'â': return QStringLiteral("Â");
    case u'Î':
    case u'î': return QStringLiteral("Î");
    case u'Ș':
    case u'ș':
    case u'Ş':
    case u'ş': return QStringLiteral("Ș");
    case u'Ț':
    case u'ț':
    case u'Ţ':
    case u'ţ': return QStringLiteral("Ț");
    default: break;
    }
    if (c.unicode() < 0x80 && c.isLetter())
        return c.toUpper();
    if (!c.isLetter())
        return QString::fromUtf8(kOtherSigns);
    const QString d = c.decomposition();
    if (c.decompositionTag() == QChar::Canonical && d.size() >= 2) {
        const QChar base = d.at(0).toUpper();
        if (base >= QLatin1Char('A') && base <= QLatin1Char('Z'))
            return base;
    }
    return QString::fromUtf8(kOtherLetters);
}

struct Totals {
    long long linkedWords = 0, unlinkedWords = 0, lonelyChapters = 0;
};

QByteArray document(const Contents& c, const IndexWriter& w, bool linkedOnly, Totals& totals)
{
    std::vector<QByteArray> chapterLines(static_cast<std::size_t>(c.chapters.size()));
    qsizetype size = 4096;
    for (qsizetype i = 0; i < c.chapters.size(); ++i)
        chapterLines[static_cast<std::size_t>(i)] = w.chapterLine(w.escape(c.chapters[i]));
    for (const int ch : c.chaptersOf)
        size += chapterLines[static_cast<std::size_t>(ch)].size();

    QByteArray out;
    out.reserve(size + c.words.size() * 48);
    w.begin(out);
    QString heading;
    std::vector<QByteArray> unlinked;
    for (const int word : c.wordOrder) {
        const auto ws = static_cast<std::size_t>(word);
        if (c.first[ws] == c.first[ws + 1]) {
            if (!linkedOnly)
                unlinked.push_back(w.escape(c.words[word]));
            continue;
        }
        const QString g = groupOf(c.words[word]);
        if (g != heading || totals.linkedWords == 0)
            w.group(out, g, totals.linkedWords == 0);
        heading = g;
        ++totals.linkedWords;
        w.word(out, w.escape(c.words[word]));
        for (int k = c.first[ws]; k < c.first[ws + 1]; ++k)
            out += chapterLines[static_cast<std::size_t>(c.chaptersOf[static_cast<std::size_t>(k)])];
        w.endWord(out);
    }
    if (totals.linkedWords == 0)
        w.empty(out);
    else
        w.endIndex(out);
    totals.unlinkedWords = static_cast<long long>(unlinked.size());
    if (!unlinked.empty())
        w.unlinked(out, unlinked);
    if (!linkedOnly) {
        std::vector<QByteArray> lonely;
        for (const int ch : c.chapterOrder)
            if (!c.chapterLinked[static_cast<std::size_t>(ch)])
                lonely.push_back(w.escape(c.chapters[ch]));
        totals.lonelyChapters = static_cast<long long>(lonely.size());
        if (!lonely.empty())
            w.note(out, lonely);
    }
    w.end(out);
    return out;
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Refuses an OUT that is a folder, the store itself, or already there without --force.
void checkOutput(const QString& store, const QString& output, bool force)
{
    const QFileInfo out(QDir::current(), output);
    const bool there = OutputFile::Exists(output);
    if (there && out.canonicalFilePath() == QFileInfo(QDir::current(), store).canonicalFilePath())
        throw Failure{exitcode::BadArguments,
                      QStringLiteral("indexul nu se poate scrie peste baza de date „%1”.").arg(shown(store))};
    if (there && !force)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” există deja; nu îl înlocuiesc. Folosiți --force ca "
                                     "să fie înlocuit.")
                          .arg(shown(output))};
    if (!out.dir().exists())
        throw Failure{exitcode::FileProblem, QStringLiteral("Dosarul „%1” nu există.").arg(shown(out.dir().path()))};
}

}  // namespace

int RunIndex(const QString& file, const IndexOptions& options)
{
    if (options.output)
        checkOutput(file, *options.output, options.force);
    std::unique_ptr<Database> db = OpenStore(file, Access::ReadOnly);
    const Contents contents = read(*db);
    db->Close();

    const std::unique_ptr<IndexWriter> made = (options.format ? options.format : &IndexFormats().front())->make();
    const IndexWriter& writer = *made;
    Totals totals;
    const QByteArray doc = document(contents, writer, options.linkedOnly, totals);

    if (contents.orphans > 0)
        PrintErr(QStringLiteral("atenție: %1 fără cuvânt sau fără capitol nu sunt în index (vedeți „tarvix-db check”).")
                     .arg(Counted(contents.orphans, "legătură", "legături")));
    if (!options.output) {
        if (std::fwrite(doc.constData(), 1, static_cast<std::size_t>(doc.size()), stdout)
                != static_cast<std::size_t>(doc.size())
            || std::fflush(stdout) != 0)
            throw Failure{exitcode::FileProblem, QStringLiteral("Indexul nu a putut fi scris la ieșirea standard.")};
        return exitcode::Ok;
    }

    const QString& output = *options.output;
    // Checked again: the file may have appeared while the index was being made.
    checkOutput(file, output, options.force);
    OutputFile f(output, options.force);
    f.Write(doc);
    f.Commit();
    QString report = QStringLiteral("Am scris indexul în „%1”: %2 cu capitole (%3)")
                         .arg(shown(output), Counted(totals.linkedWords, "cuvânt", "cuvinte"),
                              Counted(contents.links, "legătură", "legături"));
    if (!options.linkedOnly)
        report += QStringLiteral("; %1 fără capitole, %2 fără cuvinte")
                      .arg(Counted(totals.unlinkedWords, "cuvânt", "cuvinte"),
                           Counted(totals.lonelyChapters, "capitol", "capitole"));
    PrintOut(report + QLatin1Char('.'));
    return exitcode::Ok;
}

namespace {

QStringList formatHelp()
{
    QStringList lines, names;
    for (const IndexFormat& f : IndexFormats()) {
        lines << QStringLiteral("%1: %2;").arg(f.name, f.help);
        names << f.name;
    }
    lines.back().chop(1);
    lines.back() += QLatin1Char('.');
    return lines;
}

void checkFormat(const QString& value)
{
    if (IndexFormatNamed(value))
        return;
    QStringList names;
    for (const IndexFormat& f : IndexFormats())
        names << f.name;
    const QString last = names.takeLast();
    throw BadArguments{QStringLiteral("opțiunea --format primește %1 sau %2, nu „%3”.")
                           .arg(names.join(QStringLiteral(", ")), last, value)};
}

int runIndex(const Invocation& in)
{
    IndexOptions o;
    o.format = IndexFormatNamed(in.value(QStringLiteral("format")));
    if (in.has(QStringLiteral("output")))
        o.output = in.value(QStringLiteral("output"));
    o.linkedOnly = in.has(QStringLiteral("linked-only"));
    o.force = in.has(QStringLiteral("force"));
    return RunIndex(in.positional[0], o);
}

}  // namespace

Command IndexCommand()
{
    QStringList formats;
    for (const IndexFormat& f : IndexFormats())
        formats << f.name;
    return {QStringLiteral("index"),
            {QStringLiteral("FIȘIER")},
            QStringLiteral("un FIȘIER"),
            {QStringLiteral("scrie tot indexul ca document de tipărit: fiecare"),
             QStringLiteral("cuvânt, în ordinea alfabetului românesc, urmat de"),
             QStringLiteral("capitolele lui, tot în ordine românească; apoi"),
             QStringLiteral("cuvintele fără capitole și, ca notă la sfârșit,"),
             QStringLiteral("capitolele fără cuvinte. Baza de date nu este"), QStringLiteral("schimbată.")},
            {{QStringLiteral("format"), {}, formats.join(QLatin1Char('|')), formatHelp(), formats, &checkFormat},
             {QStringLiteral("output"),
              {},
              QStringLiteral("IEȘIRE"),
              {QStringLiteral("scrie indexul în fișierul IEȘIRE în loc de"), QStringLiteral("ieșirea standard.")},
              {},
              [](const QString& value) {
                  if (value.isEmpty())
                      throw BadArguments{QStringLiteral("un nume de fișier sau de dosar este gol.")};
              }},
             {QStringLiteral("linked-only"),
              {},
              {},
              {QStringLiteral("lasă deoparte cuvintele fără capitole și"), QStringLiteral("capitolele fără cuvinte.")}},
             {QStringLiteral("force"), QLatin1Char('f'), {}, {QStringLiteral("înlocuiește IEȘIRE dacă există deja.")}}},
            &runIndex};
}

}  // namespace tarvix::tool
