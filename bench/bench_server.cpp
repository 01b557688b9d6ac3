// The store on a PostgreSQL server (a throwaway cluster on this machine,
// reached over its Unix socket) beside the same store in a file, in one run:
// 32,767 words, 32,767 chapters and 1,000,000 links, the searched word with 30.
// Targets: the search on the server within 1 ms; FillList within 2 times the
// file's; tarvix-db share of the whole store within 10 s.
#include "editors/frmCapitole.h"
#include "editors/frmDictionar.h"
#include "platform/Toolkit.h"
#include "resources/Resources.h"
#include "store/Global.h"
#include "support/EditorProbe.h"
#include "support/LargeStore.h"
#include "support/PgCluster.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <map>

#include <benchmark/benchmark.h>

using namespace tarvix;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRows = test::kLargeRows;

struct Stores {
    QTemporaryDir fileDir, linkDir;
    test::PgCluster* cluster = nullptr;
    std::unique_ptr<Database> file, server;
    QString file_path() const { return fileDir.filePath(QStringLiteral("Dictionar.mdb")); }
};

Stores* stores = nullptr;

// tarvix-db in folder; its wall time in seconds, or -1 when it failed.
double runTool(const QString& folder, const QStringList& args)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    const auto a = Clock::now();
    p.start(QStringLiteral(TARVIX_DB_TOOL), args);
    const bool ok = p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    const double s = std::chrono::duration<double>(Clock::now() - a).count();
    if (!ok)
        std::fprintf(stderr, "tarvix-db %s: %s\n", qPrintable(args.join(' ')), p.readAllStandardError().constData());
    return ok ? s : -1;
}

// Runs f on the server and on the file in the same loop, the order swapped every
// iteration so the machine's noise falls on both alike; f returns the time that counts.
template <class F>
void alternate(benchmark::State& state, F&& f, Clock::duration& onServer, Clock::duration& onFile)
{
    bool serverFirst = true;
    for (auto _ : state) {
        for (bool server : {serverFirst, !serverFirst})
            (server ? onServer : onFile) += f(server);
        serverFirst = !serverFirst;
    }
}

// The time f takes.
template <class F>
Clock::duration timed(F&& f)
{
    const auto a = Clock::now();
    f();
    return Clock::now() - a;
}

void counters(benchmark::State& state, Clock::duration onServer, Clock::duration onFile, const char* unit, double per)
{
    const double n = static_cast<double>(state.iterations());
    state.counters[std::string("server_") + unit] = std::chrono::duration<double>(onServer).count() * per / n;
    state.counters[std::string("file_") + unit] = std::chrono::duration<double>(onFile).count() * per / n;
    state.counters["ratio"] = static_cast<double>(onServer.count()) / static_cast<double>(onFile.count());
}

void SearchServerAgainstFile(benchmark::State& state)
{
    Clock::duration onServer{}, onFile{};
    bool right = true;
    alternate(
        state,
        [&](bool server) {
            return timed(
                [&] { right = test::SearchLargeStore(server ? *stores->server : *stores->file) == 30 && right; });
        },
        onServer, onFile);
    if (!right)
        state.SkipWithError("the search did not find the 30 chapters");
    counters(state, onServer, onFile, "us", 1e6);
}
BENCHMARK(SearchServerAgainstFile)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// FillList as the editor runs it over Global::db, which points at each store in turn.
template <class Window>
void FillListServerAgainstFile(benchmark::State& state)
{
    // Global::db holds the store being measured only while it is; each store goes back to its holder after.
    Window form;
    Global::db = std::move(stores->file);
    form.Load();
    stores->file = std::move(Global::db);
    Clock::duration onServer{}, onFile{};
    bool right = true;
    alternate(
        state,
        [&](bool server) {
            std::unique_ptr<Database>& holder = server ? stores->server : stores->file;
            Global::db = std::move(holder);
            const Clock::duration d = timed([&] {
                EditorProbe::FillList(form);
                QCoreApplication::sendPostedEvents();
            });
            right = right && form.List1.ListCount() == kRows;
            holder = std::move(Global::db);
            return d;
        },
        onServer, onFile);
    Global::db = std::move(stores->file);
    form.Unload();
    stores->file = std::move(Global::db);
    if (!right || ErrorRaised())
        state.SkipWithError("the list was not filled");
    counters(state, onServer, onFile, "ms", 1e3);
}
BENCHMARK(FillListServerAgainstFile<frmCapitole>)->Name("FillListChapters")->Unit(benchmark::kMillisecond);
BENCHMARK(FillListServerAgainstFile<frmDictionar>)->Name("FillListWords")->Unit(benchmark::kMillisecond);

// share of the whole store into an empty database, beside copy of it into a new file.
void ShareAgainstCopyToFile(benchmark::State& state)
{
    Clock::duration onServer{}, onFile{};
    bool right = true;
    alternate(
        state,
        [&](bool server) {
            QTemporaryDir dir;
            QFile::copy(stores->file_path(), dir.filePath(QStringLiteral("Dictionar.mdb")));
            const QString uri = stores->cluster->uri(stores->cluster->freshDatabase());
            const QStringList args =
                server ? QStringList{"share", "Dictionar.mdb", uri} : QStringList{"copy", "Dictionar.mdb", "Copie.mdb"};
            // Only the command is timed: the copy of the file and the new database are not.
            return timed([&] { right = runTool(dir.path(), args) >= 0 && right; });
        },
        onServer, onFile);
    if (!right)
        state.SkipWithError("tarvix-db failed");
    counters(state, onServer, onFile, "s", 1);
}
BENCHMARK(ShareAgainstCopyToFile)->Unit(benchmark::kSecond)->Iterations(2);

// Keeps each run's counters so the targets can be checked at the end.
class Recorder : public benchmark::ConsoleReporter {
public:
    Recorder() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, benchmark::UserCounters> runs;
    void ReportRuns(const std::vector<Run>& rs) override
    {
        for (const Run& r : rs)
            if (r.run_type == Run::RT_Iteration)
                runs[r.benchmark_name()] = r.counters;
        ConsoleReporter::ReportRuns(rs);
    }
    double value(const std::string& prefix, const char* counter) const
    {
        for (const auto& [name, c] : runs)
            if (name.rfind(prefix, 0) == 0 && c.count(counter))
                return c.at(counter);
        return -1;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitResources();
    InstallLook();
    Stores s;
    QString why;
    s.cluster = test::PgCluster::Get(&why);
    if (!s.cluster) {
        std::printf("SKIP: no PostgreSQL server for the benchmark: %s\n", qPrintable(why));
        return 0;
    }
    test::MakeLargeStore(s.file_path());
    const QString uri = s.cluster->uri(s.cluster->freshDatabase());
    if (runTool(s.fileDir.path(), {"copy", "Dictionar.mdb", uri}) < 0)
        return 1;
    ServerLink::Write(s.linkDir.filePath(QStringLiteral("Dictionar.mdb")), uri);
    s.file = DBEngine().OpenDatabase(s.file_path());
    s.server = DBEngine().OpenDatabase(s.linkDir.filePath(QStringLiteral("Dictionar.mdb")));
    stores = &s;

    benchmark::Initialize(&argc, argv);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();
    s.file.reset();
    s.server.reset();

    struct Target {
        const char* run;
        const char* counter;
        double limit;
        const char* what;
    };
    bool met = true;
    for (const Target& t : {Target{"SearchServerAgainstFile", "server_us", 1000, "search on the server, us"},
                            Target{"FillListChapters", "ratio", 2, "FillList chapters, server / file"},
                            Target{"FillListWords", "ratio", 2, "FillList words, server / file"},
                            Target{"ShareAgainstCopyToFile", "server_s", 10, "share of the whole store, s"}}) {
        const double v = recorder.value(t.run, t.counter);
        if (v < 0)
            continue;
        met = met && v <= t.limit;
        std::printf("%-36s %10.2f  target <= %g: %s\n", t.what, v, t.limit, v <= t.limit ? "met" : "MISSED");
    }
    return met ? 0 : 1;
}
