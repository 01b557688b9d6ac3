// tarvix-db index over 32,767 words, 32,767 chapters and 1,000,000 links in
// each format, beside the sqlite3 program reading the same pairs of texts
// joined and sorted, alternating in each iteration so the machine's noise falls
// on both; with the index's peak memory.
#include "support/TempStore.h"
#include "support/TimedChild.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

using tarvix::test::RunTimed;
using tarvix::test::TempStore;
using tarvix::test::TimedChild;

const char* const kFormats[] = {"text", "html", "tex"};

void BM_IndexAgainstSqlite3(benchmark::State& state)
{
    const char* format = kFormats[state.range(0)];
    TempStore s;
    s.fillLarge();
    const std::string store = s.file().toStdString();
    const std::string out = QDir(s.folder()).filePath(QStringLiteral("index")).toStdString();
    const std::string pairs = "SELECT w.Cuvant, c.Capitol FROM tblLegatura l JOIN tblDictionar w USING (ID_Cuvant) "
                              "JOIN tblCapitol c USING (ID_Capitol) ORDER BY w.Cuvant, c.Capitol";
    double indexSeconds = 0, sqliteSeconds = 0;
    long peakKb = 0;
    for (auto _ : state) {
        const TimedChild read = RunTimed({"/usr/bin/sqlite3", store, pairs});
        const TimedChild index =
            RunTimed({TARVIX_DB_TOOL, "index", store, "--format", format, "--output", out, "--force"});
        if (!read.ok() || !index.ok())
            state.SkipWithError("a command failed");
        state.SetIterationTime(index.seconds);
        indexSeconds += index.seconds;
        sqliteSeconds += read.seconds;
        peakKb = std::max(peakKb, index.peakKb);
    }
    const double n = static_cast<double>(state.iterations());
    state.SetLabel(format);
    state.counters["index_s"] = indexSeconds / n;
    state.counters["sqlite3_s"] = sqliteSeconds / n;
    state.counters["ratio_to_sqlite3"] = indexSeconds / sqliteSeconds;
    state.counters["index_peak_MB"] = static_cast<double>(peakKb) / 1024.0;
}
BENCHMARK(BM_IndexAgainstSqlite3)->DenseRange(0, 2)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
