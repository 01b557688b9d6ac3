// The engine against plain SQLite on a large store: 32,767 words, 32,767
// chapters, 1,000,000 links; the searched word has 30 links. Target: the
// search through the engine at most 1.25 times the same query on SQLite.
// Also the rules checked when the store is opened, on the same store.
#include "platform/Engine.h"
#include "store/Invariants.h"
#include "support/LargeStore.h"

#include <QDir>
#include <QTemporaryDir>

#include <chrono>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

using namespace tarvix;

namespace {

constexpr int kRows = test::kLargeRows;

class LargeStore {
public:
    LargeStore()
    {
        QDir::setCurrent(dir_.path());
        test::MakeLargeStore(file());
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

// The same query prepared once on plain SQLite, both texts of each row read.
class DirectSearch {
public:
    explicit DirectSearch(const QString& file)
    {
        sqlite3_open_v2(file.toUtf8().constData(), &db_, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_prepare_v2(db_,
                           "SELECT tblDictionar.Cuvant, tblCapitol.Capitol FROM tblCapitol "
                           "JOIN tblLegatura ON tblCapitol.ID_Capitol = tblLegatura.ID_Capitol "
                           "JOIN tblDictionar ON tblDictionar.ID_Cuvant = tblLegatura.ID_Cuvant "
                           "WHERE tblDictionar.Cuvant_Fold = ?1",
                           -1, &st_, nullptr);
    }
    ~DirectSearch()
    {
        sqlite3_finalize(st_);
        sqlite3_close(db_);
    }
    std::size_t run()
    {
        sqlite3_bind_text(st_, 1, "CUVANT1", -1, SQLITE_STATIC);
        std::size_t rows = 0;
        while (sqlite3_step(st_) == SQLITE_ROW) {
            QString word = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st_, 0)));
            QString title = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st_, 1)));
            benchmark::DoNotOptimize(word);
            benchmark::DoNotOptimize(title);
            ++rows;
        }
        sqlite3_reset(st_);
        return rows;
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* st_ = nullptr;
};

// Both searches in the same loop, their order swapped every iteration, so the
// machine's noise falls on both alike; the ratio is what the target is about.
void SearchEngineAgainstSqlite(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    largeStore();
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    DirectSearch direct(largeStore().file());
    Clock::duration engine{}, sqlite{};
    std::size_t engineRows = 0, sqliteRows = 0;
    bool engineFirst = true;
    for (auto _ : state) {
        const auto a = Clock::now();
        if (engineFirst)
            engineRows = test::SearchLargeStore(*db);
        else
            sqliteRows = direct.run();
        const auto b = Clock::now();
        if (engineFirst)
            sqliteRows = direct.run();
        else
            engineRows = test::SearchLargeStore(*db);
        const auto c = Clock::now();
        engine += engineFirst ? b - a : c - b;
        sqlite += engineFirst ? c - b : b - a;
        engineFirst = !engineFirst;
    }
    if (engineRows != 30 || sqliteRows != 30)
        state.SkipWithError("the searched word should have 30 chapters");
    const double n = static_cast<double>(state.iterations());
    state.counters["engine_us"] = std::chrono::duration<double, std::micro>(engine).count() / n;
    state.counters["sqlite_us"] = std::chrono::duration<double, std::micro>(sqlite).count() / n;
    state.counters["ratio"] = static_cast<double>(engine.count()) / static_cast<double>(sqlite.count());
}
BENCHMARK(SearchEngineAgainstSqlite)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

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

// The rules checked each time the program opens the store: one pass over the
// words and the chapters, the ends of the keys' indexes for the links.
void OpenTimeRules(benchmark::State& state)
{
    largeStore();
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    for (auto _ : state) {
        const auto broken = store::FirstBrokenRule(*db);
        if (broken)
            state.SkipWithError("the large store should keep every rule");
        benchmark::DoNotOptimize(broken);
    }
}
BENCHMARK(OpenTimeRules)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
