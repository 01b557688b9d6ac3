// The engine against plain SQLite on a large store: 32,767 words, 32,767
// chapters, 1,000,000 links; the searched word has 30 links.
#include "platform/Engine.h"
#include "store/Schema.h"
#include "store/Statements.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

using namespace tarvix;

namespace {

constexpr int kRows = 32767;
constexpr int kLinks = 1000000;

class LargeStore {
public:
    LargeStore()
    {
        QDir::setCurrent(dir_.path());
        auto db = DBEngine().CreateDatabase("Dictionar.mdb");
        store::CreateSchema(*db);
        db->BeginTransaction();
        db->ExecuteScript(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) SELECT 'CUVANT' || i, 'CUVANT' || i FROM n;"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO tblCapitol (Capitol, Capitol_Fold) SELECT 'CAPITOLUL ' || i, 'CAPITOLUL ' || i FROM n;"
            // Word 1 gets exactly 30 chapters; the other links spread over the other words.
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30) "
            "INSERT INTO tblLegatura SELECT 1, i * 1000 FROM n;"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
            "INSERT INTO tblLegatura SELECT 2 + abs(random()) % %3, 1 + abs(random()) % %1 FROM n;")
                              .arg(kRows)
                              .arg(kLinks - 30)
                              .arg(kRows - 1));
        db->CommitTransaction();
        db->Close();
    }
    ~LargeStore() { QDir::setCurrent(QDir::tempPath()); }
    QString file() const { return dir_.filePath("Dictionar.mdb"); }

private:
    QTemporaryDir dir_;
};

LargeStore& largeStore()
{
    static LargeStore store;
    return store;
}

void SearchThroughEngine(benchmark::State& state)
{
    largeStore();
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    std::size_t rows = 0;
    for (auto _ : state) {
        auto rs = db->OpenRecordset(store::SearchStatement("CUVANT1"));
        rows = 0;
        for (; !rs->Eof(); rs->MoveNext()) {
            QString title = rs->Fields("capitol").Value.ToText();
            benchmark::DoNotOptimize(title);
            ++rows;
        }
        rs->Close();
    }
    if (rows != 30)
        state.SkipWithError("the searched word should have 30 chapters");
}
BENCHMARK(SearchThroughEngine)->Unit(benchmark::kMicrosecond);

void SearchDirectOnSqlite(benchmark::State& state)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(largeStore().file().toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw,
                       "SELECT tblDictionar.Cuvant, tblCapitol.Capitol FROM tblCapitol "
                       "JOIN tblLegatura ON tblCapitol.ID_Capitol = tblLegatura.ID_Capitol "
                       "JOIN tblDictionar ON tblDictionar.ID_Cuvant = tblLegatura.ID_Cuvant "
                       "WHERE tblDictionar.Cuvant_Fold = ?1",
                       -1, &st, nullptr);
    std::size_t rows = 0;
    for (auto _ : state) {
        sqlite3_bind_text(st, 1, "CUVANT1", -1, SQLITE_STATIC);
        rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            QString word = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            QString title = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
            benchmark::DoNotOptimize(word);
            benchmark::DoNotOptimize(title);
            ++rows;
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(raw);
    if (rows != 30)
        state.SkipWithError("the searched word should have 30 chapters");
}
BENCHMARK(SearchDirectOnSqlite)->Unit(benchmark::kMicrosecond);

void ReadAllChaptersDynaset(benchmark::State& state)
{
    largeStore();
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    for (auto _ : state) {
        auto rs = db->OpenRecordset("tblCapitol", dbOpenDynaset);
        std::int32_t n = 0;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            QString title = rs->Fields("Capitol").Value.ToText();
            benchmark::DoNotOptimize(title);
            benchmark::DoNotOptimize(rs->AbsolutePosition());
            ++n;
        }
        rs->Close();
        if (n != kRows)
            state.SkipWithError("wrong row count");
    }
}
BENCHMARK(ReadAllChaptersDynaset)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
