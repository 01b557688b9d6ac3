#include "tools/commands/SuggestApply.h"

#include "tools/base/StoreTool.h"
#include "tools/formats/Csv.h"

#include "platform/text/TextFunctions.h"
#include "store/IncomingText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace tarvix::tool {

namespace {

// A reviewed list of links is no larger than a dictionary's export.
constexpr qint64 kMaxReviewedBytes = 64LL * 1024 * 1024;

QSet<QPair<std::int32_t, std::int32_t>> storeLinks(Database& db)
{
    QSet<QPair<std::int32_t, std::int32_t>> links;
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Cuvant, ID_Capitol FROM tblLegatura")))
        links.insert({r[0].ToInt32(), r[1].ToInt32()});
    return links;
}

QHash<QString, std::int32_t> keysByFold(Database& db, const QString& sql)
{
    QHash<QString, std::int32_t> keys;
    for (const auto& row : db.QueryRows(sql))
        keys.insert(FoldKey(row.at(1).ToText()), row.at(0).ToInt32());
    return keys;
}

// A cell as the store would hold it, under the key the store compares by.
QString cellKey(const QString& cell)
{
    return FoldKey(store::FromOutside(Unneutralised(cell)).text);
}

void addLinks(Database& db, const std::vector<std::pair<std::int32_t, std::int32_t>>& links, Applied& applied)
{
    auto existing = storeLinks(db);
    std::unique_ptr<Recordset> rs;
    for (const auto& [word, chapter] : links) {
        if (existing.contains({word, chapter})) {
            ++applied.skipped;
            continue;
        }
        existing.insert({word, chapter});
        if (!rs)
            rs = db.OpenRecordset(QStringLiteral("tblLegatura"), dbOpenDynaset);
        rs->AddNew();
        rs->Collect(QStringLiteral("ID_Cuvant")) = Variant(word);
        rs->Collect(QStringLiteral("ID_Capitol")) = Variant(chapter);
        rs->Update();
        ++applied.added;
    }
    if (rs)
        rs->Close();
}

}  // namespace

Applied ApplyLinks(Database& db, const std::vector<std::pair<std::int32_t, std::int32_t>>& links)
{
    Applied applied;
    Transaction t(db);
    addLinks(db, links, applied);
    t.Commit();
    return applied;
}

Applied ApplyReviewedCsv(Database& db, const QString& file)
{
    const QFileInfo info(file);
    if (!info.isFile())
        throw Failure{exitcode::FileProblem, info.exists()
                                                 ? QStringLiteral("„%1” nu este un fișier obișnuit.").arg(file)
                                                 : QStringLiteral("Fișierul „%1” nu există.").arg(file)};
    if (info.size() > kMaxReviewedBytes)
        throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” are %2 MiB; cel mult %3 MiB sunt primiți.")
                                                 .arg(file)
                                                 .arg(info.size() / (1024 * 1024))
                                                 .arg(kMaxReviewedBytes / (1024 * 1024))};
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” nu poate fi citit: %2.").arg(file, f.errorString())};
    const CsvTable table = ReadCsv(f.readAll());

    Applied applied;
    Transaction t(db);  // what is checked against cannot change before the links are added
    const auto words = keysByFold(db, QStringLiteral("SELECT ID_Cuvant, Cuvant FROM tblDictionar"));
    const auto chapters = keysByFold(db, QStringLiteral("SELECT ID_Capitol, Capitol FROM tblCapitol"));
    QStringList issues;
    for (const CsvIssue& i : table.issues)
        issues << QStringLiteral("linia %1: %2.").arg(i.line).arg(i.text);
    std::vector<std::pair<std::int32_t, std::int32_t>> links;
    bool header = false;
    for (const CsvRow& r : table.rows) {
        if (r.blank)
            continue;
        if (!header) {
            header = true;
            if (r.fields.size() < 2 || r.fields[0].trimmed().compare(u"Cuvant", Qt::CaseInsensitive) != 0
                || r.fields[1].trimmed().compare(u"Capitol", Qt::CaseInsensitive) != 0)
                issues
                    << QStringLiteral("linia %1: rândul de antet trebuie să înceapă cu „Cuvant,Capitol”.").arg(r.line);
            continue;
        }
        if (r.fields.size() < 2) {
            issues << QStringLiteral("linia %1: rândul are mai puțin de două câmpuri.").arg(r.line);
            continue;
        }
        const auto w = words.constFind(cellKey(r.fields[0]));
        const auto c = chapters.constFind(cellKey(r.fields[1]));
        if (w == words.constEnd())
            issues << QStringLiteral("linia %1: cuvântul „%2” nu există în baza de date.")
                          .arg(r.line)
                          .arg(Shortened(r.fields[0]));
        if (c == chapters.constEnd())
            issues << QStringLiteral("linia %1: capitolul „%2” nu există în baza de date.")
                          .arg(r.line)
                          .arg(Shortened(r.fields[1]));
        if (w != words.constEnd() && c != chapters.constEnd())
            links.emplace_back(*w, *c);
    }
    if (!header)
        issues << QStringLiteral("fișierul nu are nici măcar rândul de antet „Cuvant,Capitol”.");
    if (!issues.isEmpty()) {
        PrintListed(QStringLiteral("%1, ").arg(QDir::toNativeSeparators(file)), issues);
        throw Failure{exitcode::Refused,
                      QStringLiteral("Fișierul „%1” a fost refuzat (%2); nicio legătură nu a fost adăugată.")
                          .arg(QDir::toNativeSeparators(file), Counted(issues.size(), "problemă", "probleme"))};
    }
    addLinks(db, links, applied);
    t.Commit();
    return applied;
}

QString AppliedReport(const QString& store, const Applied& applied)
{
    return QStringLiteral("Legături adăugate în „%1”: %2; lăsate deoparte, fiindcă existau deja sau se repetau: %3.")
        .arg(store)
        .arg(applied.added)
        .arg(applied.skipped);
}

}  // namespace tarvix::tool
