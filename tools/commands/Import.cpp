// import: the three CSV files export writes, added to a store all or nothing.
#include "tools/base/SignalCleanup.h"
#include "tools/base/StoreTool.h"
#include "tools/commands/Command.h"
#include "tools/commands/Commands.h"
#include "tools/formats/Csv.h"

#include "platform/text/TextFunctions.h"
#include "store/IncomingText.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <tuple>

namespace tarvix::tool {

namespace {

constexpr long long kMaxRows = store::kMaxRows;

// 32,767 rows of 255 characters take about 25 MiB; twice that is no dictionary.
constexpr qint64 kMaxCsvBytes = 64LL * 1024 * 1024;

struct Issue {
    int file;  // 0 words, 1 chapters, 2 links: the order they are reported in
    int line;
    QString text;
};

const char* const kFileNames[] = {kWordsCsv, kChaptersCsv, kLinksCsv};

class Importer {
public:
    std::vector<Issue> issues;
    Content content;

    void issue(int file, int line, const QString& text) { issues.push_back({file, line, text}); }

    // The text as the store takes it in, or an empty text after reporting why not.
    QString text(int file, int line, const QString& raw, const char* what)
    {
        const store::IncomingText in = store::FromOutside(Unneutralised(raw));
        if (in.Accepted())
            return in.text;
        issue(file, line, in.Reason(QString::fromUtf8(what)));
        return {};
    }

    // Rows past the header, after checking the header and the number of fields.
    std::vector<const CsvRow*> rows(int file, const CsvTable& table, const QStringList& header)
    {
        std::vector<const CsvRow*> out;
        if (table.rows.empty() || table.rows.front().line != 1) {
            if (std::none_of(table.issues.begin(), table.issues.end(), [](const CsvIssue& i) { return i.line == 1; }))
                issue(file, 1, QStringLiteral("lipsește rândul de antet „%1”.").arg(header.join(QLatin1Char(','))));
        } else {
            QStringList got;
            for (const QString& f : table.rows.front().fields)
                got << f.trimmed();
            if (got.join(QLatin1Char(',')).compare(header.join(QLatin1Char(',')), Qt::CaseInsensitive) != 0)
                issue(file, 1,
                      QStringLiteral("rândul de antet este „%1” în loc de „%2”.")
                          .arg(Shortened(table.rows.front().fields.join(QLatin1Char(','))),
                               header.join(QLatin1Char(','))));
        }
        for (const CsvIssue& i : table.issues)
            issue(file, i.line, i.text + QLatin1Char('.'));
        // Blank lines at the end are where an editor left the cursor, not rows.
        std::size_t last = table.rows.size();
        while (last > 0 && table.rows[last - 1].line != 1 && table.rows[last - 1].blank)
            --last;
        for (std::size_t k = 0; k < last; ++k) {
            const CsvRow& r = table.rows[k];
            if (r.line == 1)
                continue;
            if (r.fields.size() != header.size()) {
                if (r.fields.size() == 1 && r.fields.front().isEmpty())
                    issue(file, r.line, QStringLiteral("rândul este gol."));
                else
                    issue(file, r.line,
                          QStringLiteral("rândul are %1 în loc de %2.")
                              .arg(Counted(r.fields.size(), "câmp", "câmpuri"),
                                   Counted(header.size(), "câmp", "câmpuri")));
                continue;
            }
            out.push_back(&r);
        }
        return out;
    }

    // Words or chapters: new, and each only once, ignoring case as the store does.
    // Every text named in the file is added to known, so a link to a refused row is not reported twice.
    void names(int file, const CsvTable& table, const QString& header, const char* what,
               const QHash<QString, QString>& inStore, QStringList& into, QSet<QString>& known)
    {
        QHash<QString, int> lineOf;
        for (const CsvRow* r : rows(file, table, {header})) {
            const QString t = text(file, r->line, r->fields[0], what);
            if (t.isEmpty()) {
                known.insert(FoldKey(store::FromOutside(Unneutralised(r->fields[0])).text));
                continue;
            }
            const QString key = FoldKey(t);
            known.insert(key);
            if (const auto s = inStore.constFind(key); s != inStore.constEnd()) {
                issue(file, r->line,
                      *s == t ? QStringLiteral("%1 „%2” există deja în baza de date.")
                                    .arg(QString::fromUtf8(what), Shortened(t))
                              : QStringLiteral("%1 „%2” există deja în baza de date, scris „%3”.")
                                    .arg(QString::fromUtf8(what), Shortened(t), Shortened(*s)));
                continue;
            }
            if (const auto l = lineOf.constFind(key); l != lineOf.constEnd()) {
                issue(file, r->line,
                      QStringLiteral("%1 „%2” se repetă: este deja pe linia %3.")
                          .arg(QString::fromUtf8(what), Shortened(t))
                          .arg(*l));
                continue;
            }
            lineOf.insert(key, r->line);
            into << t;
        }
    }

    void links(const CsvTable& table, const QSet<QString>& words, const QSet<QString>& chapters,
               const QSet<QPair<QString, QString>>& inStore)
    {
        const int file = 2;
        std::map<std::pair<QString, QString>, int> lineOf;
        for (const CsvRow* r : rows(file, table, {QStringLiteral("Cuvant"), QStringLiteral("Capitol")})) {
            const QString w = text(file, r->line, r->fields[0], store::kWords.what);
            const QString c = text(file, r->line, r->fields[1], store::kChapters.what);
            if (w.isEmpty() || c.isEmpty())
                continue;
            const QString wk = FoldKey(w), ck = FoldKey(c);
            bool ok = true;
            if (!words.contains(wk)) {
                issue(file, r->line,
                      QStringLiteral("cuvântul „%1” nu există nici în baza de date, nici în %2.")
                          .arg(Shortened(w), QLatin1String(kWordsCsv)));
                ok = false;
            }
            if (!chapters.contains(ck)) {
                issue(file, r->line,
                      QStringLiteral("capitolul „%1” nu există nici în baza de date, nici în %2.")
                          .arg(Shortened(c), QLatin1String(kChaptersCsv)));
                ok = false;
            }
            if (!ok)
                continue;
            if (inStore.contains({wk, ck})) {
                issue(file, r->line,
                      QStringLiteral("legătura cuvântului „%1” cu capitolul „%2” există deja în baza de date.")
                          .arg(Shortened(w), Shortened(c)));
                continue;
            }
            const auto [at, added] = lineOf.emplace(std::pair(wk, ck), r->line);
            if (!added) {
                issue(file, r->line,
                      QStringLiteral("legătura cuvântului „%1” cu capitolul „%2” se repetă: este deja pe "
                                     "linia %3.")
                          .arg(Shortened(w), Shortened(c))
                          .arg(at->second));
                continue;
            }
            content.links.emplace_back(w, c);
        }
    }
};

QHash<QString, QString> foldedTexts(Database& db, const QString& sql)
{
    QHash<QString, QString> out;
    for (const auto& r : db.QueryRows(sql))
        out.insert(FoldKey(r[0].ToText()), r[0].ToText());
    return out;
}

// The three files, each a plain file of a dictionary's size; a missing one is named.
std::array<CsvTable, 3> readCsvFiles(const QString& dir)
{
    // As given: a relative name stays good in a folder whose name is not UTF-8.
    const QFileInfo dirInfo(dir);
    if (!dirInfo.isDir())
        throw Failure{exitcode::FileProblem, dirInfo.exists()
                                                 ? QStringLiteral("„%1” este un fișier, nu un dosar.").arg(dir)
                                                 : QStringLiteral("Dosarul „%1” nu există.").arg(folderName(dir))};
    std::array<CsvTable, 3> tables;
    QStringList missing;
    for (int i = 0; i < 3; ++i) {
        QFile f(fileIn(dir, kFileNames[i]));
        if (!f.exists()) {
            missing << QLatin1String(kFileNames[i]);
            continue;
        }
        // A pipe would wait forever and a device read without end: only a plain file of a dictionary's size.
        const QFileInfo info(f.fileName());
        if (!info.isFile())
            throw Failure{
                exitcode::FileProblem,
                QStringLiteral("„%1” nu este un fișier obișnuit, ci %2; importul citește doar "
                               "fișiere CSV.")
                    .arg(QDir::toNativeSeparators(f.fileName()),
                         info.isDir() ? QStringLiteral("un dosar") : QStringLiteral("un dispozitiv sau o conductă"))};
        if (info.size() > kMaxCsvBytes)
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("Fișierul „%1” are %2 MiB, mai mult decât are vreun dicționar "
                                         "(cel mult %3 MiB sunt primiți).")
                              .arg(QDir::toNativeSeparators(f.fileName()))
                              .arg(info.size() / (1024 * 1024))
                              .arg(kMaxCsvBytes / (1024 * 1024))};
        if (!f.open(QIODevice::ReadOnly))
            throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” nu poate fi citit: %2.")
                                                     .arg(QDir::toNativeSeparators(f.fileName()), f.errorString())};
        tables[i] = ReadCsv(f.readAll());
    }
    if (!missing.isEmpty())
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("În dosarul „%1” lipsește %2; importul are nevoie de toate trei "
                                     "(un fișier fără date are doar rândul de antet).")
                          .arg(folderName(dir), missing.join(QStringLiteral(", ")))};
    return tables;
}

// Neither table may hold more rows than the windows list.
void checkSizes(const Importer& im, long long storeWords, long long storeChapters, const QString& file)
{
    const std::tuple<const char*, long long, long long, const char*, const char*> sizes[] = {
        {store::kWords.table, storeWords, im.content.words.size(), store::kWords.many, kWordsCsv},
        {store::kChapters.table, storeChapters, im.content.chapters.size(), store::kChapters.many, kChaptersCsv},
    };
    for (const auto& [table, had, added, what, csv] : sizes)
        if (had + added > kMaxRows)
            throw Failure{exitcode::Refused,
                          QStringLiteral("Importul a fost refuzat: tabela „%1” ar avea %2 de %3 (are %4, iar "
                                         "%5 aduce %6), dar ferestrele programului pot lista cel mult %7. Baza "
                                         "de date „%8” nu a fost schimbată.")
                              .arg(QLatin1String(table))
                              .arg(had + added)
                              .arg(QLatin1String(what))
                              .arg(had)
                              .arg(QLatin1String(csv))
                              .arg(added)
                              .arg(kMaxRows)
                              .arg(file)};
}

// A signal that came while the store was being changed: the change is rolled back first, and the signal,
// held until then, ends the command once the store is as it was.
void stopIfSignalled()
{
    if (SignalCleanup::Pending())
        throw Failure{exitcode::EngineFailure, QStringLiteral("Importul a fost întrerupt.")};
}

// Checked against the store and added to it in one transaction, unless there is an issue.
void importInto(Database& db, const std::array<CsvTable, 3>& tables, Importer& im, const QString& file)
{
    Transaction t(db);  // from here on no other copy can change what is checked against
    const auto storeWords = foldedTexts(db, QStringLiteral("SELECT Cuvant FROM tblDictionar"));
    const auto storeChapters = foldedTexts(db, QStringLiteral("SELECT Capitol FROM tblCapitol"));
    QSet<QPair<QString, QString>> storeLinks;
    for (const auto& r : db.QueryRows(QStringLiteral(
             "SELECT d.Cuvant, c.Capitol FROM tblLegatura AS l JOIN tblDictionar AS d ON d.ID_Cuvant = l.ID_Cuvant "
             "JOIN tblCapitol AS c ON c.ID_Capitol = l.ID_Capitol")))
        storeLinks.insert({FoldKey(r[0].ToText()), FoldKey(r[1].ToText())});

    QSet<QString> knownWords(storeWords.keyBegin(), storeWords.keyEnd());
    QSet<QString> knownChapters(storeChapters.keyBegin(), storeChapters.keyEnd());
    im.names(0, tables[0], QStringLiteral("Cuvant"), store::kWords.what, storeWords, im.content.words, knownWords);
    im.names(1, tables[1], QStringLiteral("Capitol"), store::kChapters.what, storeChapters, im.content.chapters,
             knownChapters);
    stopIfSignalled();
    im.links(tables[2], knownWords, knownChapters, storeLinks);
    checkSizes(im, storeWords.size(), storeChapters.size(), file);
    if (!im.issues.empty())
        return;
    stopIfSignalled();
    AppendContent(db, im.content);
    stopIfSignalled();
    t.Commit();
}

}  // namespace

int RunImport(const QString& file, const QString& dir)
{
    std::unique_ptr<Database> db = OpenStore(file, Access::ForWriting);
    const std::array<CsvTable, 3> tables = readCsvFiles(dir);
    Importer im;
    {
        // Declared first, so the transaction is rolled back before a signal held meanwhile ends the command.
        const SignalCleanup::Hold hold;
        try {
            importInto(*db, tables, im, file);
        } catch (const EngineError& e) {
            const bool refused = e.Number() == err::Duplicate || e.Number() == err::ValueRefused
                                 || e.Number() == err::ValueRequired || e.Number() == err::RelatedRowRequired;
            throw Failure{refused ? exitcode::Refused : exitcode::EngineFailure,
                          QStringLiteral("Importul nu a fost făcut: %1 Baza de date nu a fost schimbată.")
                              .arg(DescribeEngineError(e))};
        }
    }
    if (!im.issues.empty()) {
        std::stable_sort(im.issues.begin(), im.issues.end(), [](const Issue& a, const Issue& b) {
            return a.file != b.file ? a.file < b.file : a.line < b.line;
        });
        QStringList lines;
        for (const Issue& is : im.issues)
            lines
                << QStringLiteral("%1, linia %2: %3").arg(QLatin1String(kFileNames[is.file])).arg(is.line).arg(is.text);
        PrintListed(QString(), lines);
        PrintErr(QStringLiteral("Importul a fost refuzat (%1); baza de date „%2” nu a fost schimbată.")
                     .arg(Counted(static_cast<long long>(im.issues.size()), "problemă", "probleme"), file));
        return exitcode::Refused;
    }
    PrintOut(QStringLiteral("Am adăugat în „%1”: %2, %3 și %4.")
                 .arg(file, Counted(im.content.words.size(), "cuvânt", "cuvinte"),
                      Counted(im.content.chapters.size(), "capitol", "capitole"),
                      Counted(static_cast<long long>(im.content.links.size()), "legătură", "legături")));
    return exitcode::Ok;
}

Command ImportCommand()
{
    return {QStringLiteral("import"),
            {QStringLiteral("FIȘIER"), QStringLiteral("DOSAR")},
            QStringLiteral("un FIȘIER și un DOSAR"),
            {QStringLiteral("adaugă în baza de date cuvintele, capitolele și"),
             QStringLiteral("legăturile din cele trei fișiere CSV din DOSAR: totul"),
             QStringLiteral("sau nimic. Un rând greșit sau o dublură oprește tot"),
             QStringLiteral("importul, iar fiecare problemă este arătată cu"),
             QStringLiteral("fișierul și numărul liniei.")},
            {},
            [](const Invocation& in) { return RunImport(in.positional[0], in.positional[1]); },
            {1}};
}

}  // namespace tarvix::tool
