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

std::int32_t TempStore::addWord(const QString& word)
{
    auto rs = other().OpenRecordset(QStringLiteral("tblDictionar"), dbOpenDynaset);
    rs->AddNew();
    rs->Collect(QStringLiteral("Cuvant")) = word;
    rs->Update();
    const std::int32_t id = static_cast<std::int32_t>(
        other().QueryValue(QStringLiteral("SELECT max(ID_Cuvant) FROM tblDictionar")).ToInt64());
    rs->Close();
    return id;
}

std::int32_t TempStore::addChapter(const QString& title)
{
    auto rs = other().OpenRecordset(QStringLiteral("tblCapitol"), dbOpenDynaset);
    rs->AddNew();
    rs->Collect(QStringLiteral("Capitol")) = title;
    rs->Update();
    const std::int32_t id = static_cast<std::int32_t>(
        other().QueryValue(QStringLiteral("SELECT max(ID_Capitol) FROM tblCapitol")).ToInt64());
    rs->Close();
    return id;
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
    QStringList out;
    for (const auto& row : other().QueryRows(sql))
        out << row.at(0).ToText();
    return out;
}

}  // namespace tarvix::test
