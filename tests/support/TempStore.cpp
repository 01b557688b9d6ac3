#include "support/TempStore.h"

#include "store/Schema.h"
#include "support/PgCluster.h"

namespace tarvix::test {

TempStore::TempStore(bool create) : previous_(QDir::currentPath())
{
    QDir::setCurrent(dir_.path());
    if (create && onServer()) {
        PgCluster* cluster = PgCluster::Get();
        schema_ = cluster->freshSchema();
        std::unique_ptr<Database> db = DBEngine().OpenServer(uri());
        store::CreateSchema(*db);
        db->Close();
        ServerLink::Write(file(), uri());
    } else if (create) {
        std::unique_ptr<Database> db = DBEngine().CreateDatabase(file());
        store::CreateSchema(*db);
        db->Close();
    }
}

TempStore::~TempStore()
{
    other_.reset();
    QDir::setCurrent(previous_);
}

QString TempStore::uri() const
{
    return schema_.isEmpty() ? QString()
                             : PgCluster::Get()->uri(QString::fromLatin1(PgCluster::kSharedDatabase),
                                                     QString::fromLatin1(PgCluster::kAdmin), false, schema_);
}

Database& TempStore::other()
{
    if (!other_)
        other_ = DBEngine().OpenDatabase(file());
    return *other_;
}

std::int32_t AddText(Database& db, const store::TextTable& table, const QString& text)
{
    auto rs = db.OpenRecordset(QLatin1String(table.table), dbOpenDynaset);
    rs->AddNew();
    rs->Collect(QLatin1String(table.text)) = text;
    rs->Update();
    rs->Close();
    return static_cast<std::int32_t>(
        db.QueryValue(
              QStringLiteral("SELECT max(%1) FROM %2").arg(QLatin1String(table.key), QLatin1String(table.table)))
            .ToInt64());
}

QStringList Column(Database& db, const QString& sql)
{
    QStringList out;
    for (const auto& row : db.QueryRows(sql))
        out << row.at(0).ToText();
    return out;
}

std::int32_t TempStore::addWord(const QString& word)
{
    return AddText(other(), store::kWords, word);
}

std::int32_t TempStore::addChapter(const QString& title)
{
    return AddText(other(), store::kChapters, title);
}

void TempStore::link(std::int32_t word, std::int32_t chapter)
{
    auto rs = other().OpenRecordset(QStringLiteral("tblLegatura"), dbOpenDynaset);
    rs->AddNew();
    rs->Collect(QStringLiteral("ID_Cuvant")) = word;
    rs->Collect(QStringLiteral("ID_Capitol")) = chapter;
    rs->Update();
    rs->Close();
}

std::int64_t TempStore::count(const QString& table)
{
    return other().QueryValue(QStringLiteral("SELECT count(*) FROM %1").arg(table)).ToInt64();
}

QStringList TempStore::chaptersOf(std::int32_t word)
{
    return column(QStringLiteral("SELECT c.Capitol FROM tblLegatura l JOIN tblCapitol c ON c.ID_Capitol = l.ID_Capitol "
                                 "WHERE l.ID_Cuvant = %1 ORDER BY l.rowid")
                      .arg(word));
}

QStringList TempStore::column(const QString& sql)
{
    return Column(other(), sql);
}

void TempStore::fillLarge()
{
    other().ExecuteScript(QStringLiteral(
        "PRAGMA foreign_keys = OFF; BEGIN;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 32767) "
        "INSERT INTO tblDictionar (ID_Cuvant, Cuvant, Cuvant_Fold) "
        "SELECT i, printf('ȘTIINȚĂ %05d', (i * 7919) % 32767), printf('știință %05d', (i * 7919) % 32767) FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 32767) "
        "INSERT INTO tblCapitol (ID_Capitol, Capitol, Capitol_Fold) "
        "SELECT i, printf('CAPITOLUL %05d: ÎNVĂȚARE', 32767 - i), printf('capitolul %05d: învățare', 32767 - i) FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 999999) "
        "INSERT INTO tblLegatura (ID_Cuvant, ID_Capitol) SELECT i % 32767 + 1, ((i % 32767) * 31 + i / 32767) % 32767 + 1 FROM n;"
        "COMMIT;"));
}

}  // namespace tarvix::test
