// tarvix-db import-mdb over a Jet 4 dictionary of 32,767 words, 32,767
// chapters and 1,000,000 links, beside the pipeline a user would write by hand
// (mdb-export of each table into sqlite3's .import, then the same two link
// indexes) and mdb-export alone to /dev/null, alternating in each iteration so
// the machine's noise falls on all; with the importer's peak memory.
#include "support/JetWriter.h"
#include "support/TimedChild.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using tarvix::test::RunTimed;
using tarvix::test::TimedChild;

void BM_ImportMdbAgainstHandPipeline(benchmark::State& state)
{
    // mdb-export in the pipelines writes UTF-8, as a user of a Romanian dictionary would ask it to.
    setenv("MDBICONV", "UTF-8", 1);
    QTemporaryDir dir;
    const std::string jet = dir.filePath(QStringLiteral("Dictionar-vechi.mdb")).toStdString();
    // Written by a child of its own: the peak memory a spawned program reports starts from this process's.
    if (const pid_t writer = fork(); writer == 0) {
        tarvix::test::WriteJetFile(QString::fromStdString(jet), tarvix::test::LargeDictionary(32767, 32767, 1000000),
                                   tarvix::test::JetOptions{});
        _exit(0);
    } else {
        int status = 0;
        waitpid(writer, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("the Jet file was not written");
    }
    const std::string store = dir.filePath(QStringLiteral("Dictionar.mdb")).toStdString();
    double importSeconds = 0, exportSeconds = 0, pipelineSeconds = 0;
    long peakKb = 0;
    for (auto _ : state) {
        TimedChild exported;
        for (const char* table : {"tblDictionar", "tblCapitol", "tblLegatura"}) {
            const TimedChild c = RunTimed({MDB_EXPORT, jet, table});
            exported.seconds += c.seconds;
            if (c.status != 0)
                state.SkipWithError("mdb-export failed");
        }
        const std::string hand = dir.filePath(QStringLiteral("hand.db")).toStdString();
        QFile::remove(QString::fromStdString(hand));
        const std::string script =
            "set -e; db=\"$1\"; jet=\"$2\"; "
            "sqlite3 \"$db\" 'CREATE TABLE tblDictionar (ID_Cuvant INTEGER PRIMARY KEY, Cuvant TEXT); "
            "CREATE TABLE tblCapitol (ID_Capitol INTEGER PRIMARY KEY, Capitol TEXT); "
            "CREATE TABLE tblLegatura (ID_Cuvant INTEGER, ID_Capitol INTEGER);'; "
            "for t in tblDictionar tblCapitol tblLegatura; do "
            "\"" MDB_EXPORT "\" -H \"$jet\" $t | sqlite3 \"$db\" \".import --csv /dev/stdin $t\"; done; "
            "sqlite3 \"$db\" 'CREATE INDEX idxLegaturaCuvant ON tblLegatura (ID_Cuvant, ID_Capitol); "
            "CREATE INDEX idxLegaturaCapitol ON tblLegatura (ID_Capitol);'";
        const TimedChild piped = RunTimed({"/bin/sh", "-c", script, "pipeline", hand, jet});
        if (piped.status != 0)
            state.SkipWithError("the hand pipeline failed");
        QFile::remove(QString::fromStdString(store));
        const TimedChild imported = RunTimed({TARVIX_DB_TOOL, "import-mdb", jet, store});
        if (imported.status != 0)
            state.SkipWithError("import-mdb failed");
        state.SetIterationTime(imported.seconds);
        importSeconds += imported.seconds;
        exportSeconds += exported.seconds;
        pipelineSeconds += piped.seconds;
        peakKb = std::max(peakKb, imported.peakKb);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["import_s"] = importSeconds / n;
    state.counters["mdb_export_s"] = exportSeconds / n;
    state.counters["pipeline_s"] = pipelineSeconds / n;
    // The target: at most 1.0 against the hand pipeline.
    state.counters["ratio"] = importSeconds / pipelineSeconds;
    state.counters["ratio_to_mdb_export"] = importSeconds / exportSeconds;
    state.counters["import_peak_MB"] = static_cast<double>(peakKb) / 1024.0;
}
BENCHMARK(BM_ImportMdbAgainstHandPipeline)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
