#include "store/Schema.h"

#include <QStringList>

namespace tarvix::store {

namespace {

// Cuvant_Fold and Capitol_Fold hold the case-folded texts the engine keeps in
// step, so uniqueness and searches ignore letter case, Romanian letters
// included, while the file stays plain SQLite that any sqlite3 program reads.
const char* const kSchema = R"sql(
CREATE TABLE tblDictionar (
    ID_Cuvant   INTEGER PRIMARY KEY AUTOINCREMENT,
    Cuvant      TEXT NOT NULL CHECK (trim(Cuvant) <> '' AND length(Cuvant) <= 255),
    Cuvant_Fold TEXT NOT NULL UNIQUE
);
CREATE TABLE tblCapitol (
    ID_Capitol   INTEGER PRIMARY KEY AUTOINCREMENT,
    Capitol      TEXT NOT NULL CHECK (trim(Capitol) <> '' AND length(Capitol) <= 255),
    Capitol_Fold TEXT NOT NULL UNIQUE
);
CREATE TABLE tblLegatura (
    ID_Cuvant  INTEGER NOT NULL REFERENCES tblDictionar (ID_Cuvant) ON DELETE CASCADE,
    ID_Capitol INTEGER NOT NULL REFERENCES tblCapitol (ID_Capitol) ON DELETE CASCADE
);
CREATE INDEX idxLegaturaCuvant ON tblLegatura (ID_Cuvant, ID_Capitol);
CREATE INDEX idxLegaturaCapitol ON tblLegatura (ID_Capitol);
)sql";

struct Required {
    const char* table;
    QStringList fields;
};

const Required kRequired[] = {
    {kWords.table, {kWords.key, kWords.text, FoldField(kWords)}},
    {kChapters.table, {kChapters.key, kChapters.text, FoldField(kChapters)}},
    {kLinks, {kWords.key, kChapters.key}},
};

}  // namespace

QString FoldField(const TextTable& t)
{
    return QLatin1String(t.text) + QLatin1String("_Fold");
}

void CreateSchema(Database& db)
{
    {
        Transaction transaction(db);
        db.ExecuteScript(QString::fromUtf8(kSchema));
        transaction.Commit();
    }
    db.ReloadSchema();
}

QStringList RequiredFields(const QString& table)
{
    for (const Required& r : kRequired)
        if (table.compare(QLatin1String(r.table), Qt::CaseInsensitive) == 0)
            return r.fields;
    return {};
}

void RequireSchema(Database& db)
{
    const QString file = db.FilePath().section(QLatin1Char('/'), -1);
    for (const Required& r : kRequired) {
        const QString table = QString::fromLatin1(r.table);
        if (!db.HasTable(table))
            throw EngineError(err::NotAStore, QStringLiteral("Fișierul „%1” nu este o bază de date Tarvix: lipsește "
                                                             "tabela „%2”.")
                                                  .arg(file, table));
        const std::vector<QString> have = db.TableFields(table);
        for (const QString& field : r.fields) {
            bool found = false;
            for (const QString& h : have)
                found = found || h.compare(field, Qt::CaseInsensitive) == 0;
            if (!found)
                throw EngineError(err::NotAStore,
                                  QStringLiteral("Fișierul „%1” nu este o bază de date Tarvix: tabela „%2” "
                                                 "nu are câmpul „%3”.")
                                      .arg(file, table, field));
        }
    }
}

}  // namespace tarvix::store
