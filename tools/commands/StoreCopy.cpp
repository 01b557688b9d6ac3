#include "tools/commands/StoreCopy.h"

#include "store/Schema.h"
#include "tools/base/StoreTool.h"

#include <algorithm>

namespace tarvix::tool {

namespace {

QString latin(const char* s)
{
    return QString::fromLatin1(s);
}

std::vector<std::vector<Variant>> textRows(Database& db, const store::TextTable& t)
{
    return db.QueryRows(
        QStringLiteral("SELECT %1, %2, %2_Fold FROM %3 ORDER BY %1").arg(latin(t.key), latin(t.text), latin(t.table)));
}

std::vector<std::vector<Variant>> linkRows(Database& db)
{
    // The links keep their order: the windows list a word's chapters in it.
    return db.QueryRows(QStringLiteral("SELECT ID_Cuvant, ID_Capitol FROM tblLegatura ORDER BY rowid"));
}

// The greatest key the table has ever given: a file keeps it in sqlite_sequence, a server in the identity.
std::int64_t keysGiven(Database& db, const store::TextTable& t)
{
    const QString sql = db.OnServer()
                            ? QStringLiteral("SELECT pg_sequence_last_value(pg_get_serial_sequence('%1', "
                                             "'%2'))")
                                  .arg(latin(t.table).toLower(), latin(t.key).toLower())
                            : QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = '%1'").arg(latin(t.table));
    const Variant given = db.QueryValue(sql);
    const Variant greatest = db.QueryValue(QStringLiteral("SELECT max(%1) FROM %2").arg(latin(t.key), latin(t.table)));
    return std::max(given.IsNull() ? 0 : given.ToInt64(), greatest.IsNull() ? 0 : greatest.ToInt64());
}

void setKeysGiven(Database& db, const QString& table, const QString& key, std::int64_t given)
{
    if (db.OnServer()) {
        // Never given yet: the next key is 1.
        db.QueryRows(given > 0 ? QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), %3, true)")
                                     .arg(table.toLower(), key.toLower())
                                     .arg(given)
                               : QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), 1, false)")
                                     .arg(table.toLower(), key.toLower()));
        return;
    }
    if (table == QLatin1String("tblLegatura") || given == 0)
        return;
    db.QueryRows(QStringLiteral("DELETE FROM sqlite_sequence WHERE name = ?1"), {Variant(table)});
    db.QueryRows(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)"),
                 {Variant(table), Variant(given)});
}

}  // namespace

StoreCopy::StoreCopy(Database& from)
    : words_(textRows(from, store::kWords)), chapters_(textRows(from, store::kChapters)), links_(linkRows(from)),
      wordsGiven_(keysGiven(from, store::kWords)), chaptersGiven_(keysGiven(from, store::kChapters))
{
}

void StoreCopy::RequireEmpty(Database& db, const QString& name)
{
    const QString sql = db.OnServer()
                            ? QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = current_schema()")
                            : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'");
    const std::int64_t tables = db.QueryValue(sql).ToInt64();
    if (tables == 0)
        return;
    const bool tarvix = db.HasTable(latin(store::kWords.table)) && db.HasTable(latin(store::kLinks));
    throw Failure{exitcode::Refused,
                  tarvix ? QStringLiteral("Baza de date %1 ține deja un dicționar Tarvix; nu este suprascrisă. Pentru "
                                          "a lucra cu el, folosiți comanda „tarvix-db link”.")
                               .arg(name)
                         : QStringLiteral("Baza de date %1 are deja tabele (%2); un dicționar se pune doar într-o "
                                          "bază de date goală.")
                               .arg(name, Counted(tables, "tabelă", "tabele"))};
}

void StoreCopy::WriteInto(Database& to) const
{
    Transaction transaction(to);
    store::CreateTablesIn(to);
    to.ReloadSchema();
    const std::vector<QString> words{latin(store::kWords.key), latin(store::kWords.text),
                                     latin(store::kWords.text) + QStringLiteral("_Fold")};
    const std::vector<QString> chapters{latin(store::kChapters.key), latin(store::kChapters.text),
                                        latin(store::kChapters.text) + QStringLiteral("_Fold")};
    to.BulkInsert(latin(store::kWords.table), words, words_);
    to.BulkInsert(latin(store::kChapters.table), chapters, chapters_);
    try {
        to.BulkInsert(latin(store::kLinks), {latin(store::kWords.key), latin(store::kChapters.key)}, links_);
        store::AddLinkRulesIn(to);
    } catch (const EngineError& e) {
        // A file keeps the links of a word deleted while its rules were off; a copy cannot.
        if (e.Number() != err::RelatedRowRequired)
            throw;
        throw Failure{exitcode::Refused,
                      QStringLiteral("Originalul are legături la cuvinte sau capitole care nu mai există, iar copia "
                                     "nu le poate păstra; nu a fost scris nimic. Comanda „tarvix-db check --repair” "
                                     "pe original le arată și le șterge.")};
    }
    setKeysGiven(to, latin(store::kWords.table), latin(store::kWords.key), wordsGiven_);
    setKeysGiven(to, latin(store::kChapters.table), latin(store::kChapters.key), chaptersGiven_);
    setKeysGiven(to, latin(store::kLinks), QStringLiteral("rowid"), Links());
    verify(to);
    transaction.Commit();
    to.ReloadSchema();
}

void StoreCopy::verify(Database& to) const
{
    const struct {
        const char* what;
        const Rows& want;
        Rows got;
    } tables[] = {
        {"cuvintele", words_, textRows(to, store::kWords)},
        {"capitolele", chapters_, textRows(to, store::kChapters)},
        {"legăturile", links_, linkRows(to)},
    };
    for (const auto& t : tables) {
        const std::size_t n = std::min(t.want.size(), t.got.size());
        for (std::size_t i = 0; i <= n; ++i) {
            const bool same = i == n ? t.want.size() == t.got.size() : [&] {
                for (std::size_t c = 0; c < t.want[i].size(); ++c)
                    if (t.want[i][c].ToText() != t.got[i].at(c).ToText())
                        return false;
                return true;
            }();
            if (!same)
                throw Failure{exitcode::EngineFailure,
                              QStringLiteral("Copia nu este la fel cu originalul: %1 diferă la rândul %2; nimic nu a "
                                             "fost păstrat.")
                                  .arg(QString::fromUtf8(t.what))
                                  .arg(i + 1)};
        }
    }
}

}  // namespace tarvix::tool
