// export: the three tables as CSV files a person can read and edit, links
// written as the texts of their word and chapter.
#include "tools/base/OutputFile.h"
#include "tools/base/StoreTool.h"
#include "tools/commands/Command.h"
#include "tools/commands/Commands.h"
#include "tools/formats/Csv.h"

#include "platform/text/TextFunctions.h"
#include "store/Invariants.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <tuple>

namespace tarvix::tool {

namespace {

QByteArray csvOf(const QStringList& header, const std::vector<QStringList>& rows)
{
    QByteArray out = CsvLine(header);
    for (const QStringList& r : rows)
        out += CsvLine(r);
    return out;
}

}  // namespace

int RunExport(const QString& file, const QString& dir, bool force)
{
    std::unique_ptr<Database> db = OpenStore(file, Access::ReadOnly);

    // As given: a relative name stays good in a folder whose name is not UTF-8.
    const QFileInfo dirInfo(dir);
    if (dirInfo.exists() && !dirInfo.isDir())
        throw Failure{exitcode::FileProblem, QStringLiteral("„%1” este un fișier, nu un dosar.").arg(dir)};
    const QString target = dirInfo.filePath();
    QStringList present;
    for (const char* name : {kWordsCsv, kChaptersCsv, kLinksCsv})
        if (OutputFile::Exists(fileIn(target, name)))
            present << QLatin1String(name);
    if (!present.isEmpty() && !force)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("În dosarul „%1” există deja %2; nu le înlocuiesc. Folosiți "
                                     "--force ca să fie înlocuite.")
                          .arg(folderName(dir), present.join(QStringLiteral(", ")))};

    std::vector<QStringList> words, chapters, links;
    long long orphans = 0, repeated = 0;
    {
        // One snapshot of all three tables, even with another copy of the program at work.
        Transaction t(*db);
        for (const auto& r : db->QueryRows(QStringLiteral("SELECT Cuvant FROM tblDictionar ORDER BY ID_Cuvant")))
            words.push_back({Neutralised(r[0].ToText())});
        for (const auto& r : db->QueryRows(QStringLiteral("SELECT Capitol FROM tblCapitol ORDER BY ID_Capitol")))
            chapters.push_back({Neutralised(r[0].ToText())});
        QSet<QPair<qint64, qint64>> seen;
        for (
            const auto& r : db->QueryRows(QStringLiteral(
                "SELECT l.ID_Cuvant, l.ID_Capitol, d.Cuvant, c.Capitol FROM tblLegatura AS l "
                "JOIN tblDictionar AS d ON d.ID_Cuvant = l.ID_Cuvant JOIN tblCapitol AS c ON c.ID_Capitol = l.ID_Capitol "
                "ORDER BY l.rowid"))) {
            const QPair<qint64, qint64> pair(r[0].ToInt64(), r[1].ToInt64());
            if (seen.contains(pair)) {
                ++repeated;
                continue;
            }
            seen.insert(pair);
            links.push_back({Neutralised(r[2].ToText()), Neutralised(r[3].ToText())});
        }
        orphans = static_cast<long long>(store::LinksWithoutTheirRows(*db).size());
    }
    db->Close();

    if (!QDir().mkpath(target))
        throw Failure{exitcode::FileProblem, QStringLiteral("Dosarul „%1” nu poate fi făcut.").arg(folderName(dir))};
    const std::pair<const char*, QByteArray> files[] = {
        {kWordsCsv, csvOf({QStringLiteral("Cuvant")}, words)},
        {kChaptersCsv, csvOf({QStringLiteral("Capitol")}, chapters)},
        {kLinksCsv, csvOf({QStringLiteral("Cuvant"), QStringLiteral("Capitol")}, links)},
    };
    // All three are written in full before any of them takes its place.
    std::vector<std::unique_ptr<OutputFile>> out;
    for (const auto& [name, bytes] : files) {
        out.push_back(std::make_unique<OutputFile>(fileIn(target, name), force));
        out.back()->Write(bytes);
    }
    for (auto& f : out)
        f->Commit();

    if (orphans > 0)
        PrintErr(
            QStringLiteral("atenție: %1 fără cuvânt sau fără capitol nu au fost scrise (vedeți „tarvix-db check”).")
                .arg(Counted(orphans, "legătură", "legături")));
    if (repeated > 0)
        PrintErr(QStringLiteral("atenție: %1 care se repetau au fost scrise o singură dată.")
                     .arg(Counted(repeated, "legătură", "legături")));
    PrintOut(QStringLiteral("Am scris în dosarul „%1”: %2 (%3), %4 (%5), %6 (%7).")
                 .arg(folderName(dir), QLatin1String(kWordsCsv),
                      Counted(static_cast<long long>(words.size()), "cuvânt", "cuvinte"), QLatin1String(kChaptersCsv),
                      Counted(static_cast<long long>(chapters.size()), "capitol", "capitole"), QLatin1String(kLinksCsv),
                      Counted(static_cast<long long>(links.size()), "legătură", "legături")));
    return exitcode::Ok;
}

Command ExportCommand()
{
    return {QStringLiteral("export"),
            {QStringLiteral("FIȘIER"), QStringLiteral("DOSAR")},
            QStringLiteral("un FIȘIER și un DOSAR"),
            {QStringLiteral("scrie tabelele în DOSAR (îl face dacă lipsește), ca"),
             QStringLiteral("fișiere CSV în UTF-8, fiecare cu un rând de antet:"),
             QStringLiteral("  cuvinte.csv   Cuvant"), QStringLiteral("  capitole.csv  Capitol"),
             QStringLiteral("  legaturi.csv  Cuvant,Capitol (textele cuvântului"),
             QStringLiteral("                și capitolului legate)")},
            {{QStringLiteral("force"),
              QLatin1Char('f'),
              {},
              {QStringLiteral("înlocuiește fișierele CSV care există deja în DOSAR.")}}},
            [](const Invocation& in) {
                return RunExport(in.positional[0], in.positional[1], in.has(QStringLiteral("force")));
            },
            {1}};
}

}  // namespace tarvix::tool
