#include "support/LargeStore.h"

#include "store/Schema.h"
#include "store/Statements.h"

namespace tarvix::test {

void MakeLargeStore(const QString& path)
{
    auto db = DBEngine().CreateDatabase(path);
    store::CreateSchema(*db);
    db->BeginTransaction();
    db->ExecuteScript(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                       "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) SELECT 'CUVANT' || i, 'CUVANT' || i FROM n;"
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                       "INSERT INTO tblCapitol (Capitol, Capitol_Fold) SELECT 'CAPITOLUL ' || i, 'CAPITOLUL ' || i "
                       "FROM n;"
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30) "
                       "INSERT INTO tblLegatura SELECT 1, i * 1000 FROM n;"
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
                       "INSERT INTO tblLegatura SELECT 2 + abs(random()) % %3, 1 + abs(random()) % %1 FROM n;")
            .arg(kLargeRows)
            .arg(kLargeLinks - 30)
            .arg(kLargeRows - 1));
    db->CommitTransaction();
    db->Close();
}

std::size_t SearchLargeStore(Database& db)
{
    auto rs = db.OpenRecordset(store::SearchStatement("CUVANT1"));
    std::size_t rows = 0;
    for (; !rs->Eof(); rs->MoveNext()) {
        // The engine is another library: the call is made, whatever is done with its text.
        rs->Fields("capitol").Value.ToText();
        ++rows;
    }
    rs->Close();
    return rows;
}

}  // namespace tarvix::test
