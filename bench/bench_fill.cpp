// FillList of the chapters and words editors over 32,767 rows, against a
// plain baseline measured in the same run: the same rows read through the
// engine and handed to an unsorted list model in one batch. Also the peak
// memory of a process showing the chapters editor over those rows.
#include "editors/frmCapitole.h"
#include "editors/frmDictionar.h"
#include "platform/Toolkit.h"
#include "resources/Resources.h"
#include "store/Global.h"
#include "store/Schema.h"
#include "support/EditorProbe.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>

using namespace tarvix;

namespace {

constexpr int kRows = 32767;

// Upper-case Romanian words in no particular order, so the list has real sorting to do.
QString randomText(std::mt19937& gen, int words, int index)
{
    static const QString letters = QString::fromUtf8("AĂÂBCDEFGHIÎJKLMNOPRSȘTȚUVXZ");
    QString out;
    for (int w = 0; w < words; ++w) {
        const int len = std::uniform_int_distribution<int>(3, 7)(gen);
        for (int i = 0; i < len; ++i)
            out += letters[std::uniform_int_distribution<int>(0, letters.size() - 1)(gen)];
        out += QLatin1Char(' ');
    }
    return out + QString::number(index);
}

void fillTable(Database& db, const QString& table, const QString& field, int words, std::mt19937& gen)
{
    auto rs = db.OpenRecordset(table, dbOpenDynaset);
    for (int i = 0; i < kRows; ++i) {
        rs->AddNew();
        rs->Collect(field) = randomText(gen, words, i);
        rs->Update();
    }
    rs->Close();
}

// Makes a store in folder: empty, or with 32,767 words and 32,767 chapters.
void makeStore(const QString& folder, bool full)
{
    QDir::setCurrent(folder);
    auto db = DBEngine().CreateDatabase(QString::fromUtf8(kStoreFileName));
    store::CreateSchema(*db);
    if (full) {
        std::mt19937 gen(7);
        db->BeginTransaction();
        fillTable(*db, "tblDictionar", "Cuvant", 2, gen);
        fillTable(*db, "tblCapitol", "Capitol", 4, gen);
        db->CommitTransaction();
    }
    db->Close();
}

// Deferred view updates belong to the fill that caused them.
void settle()
{
    QCoreApplication::sendPostedEvents();
}

// The same rows and fields as FillList (each row's text and key), handed to an
// unsorted list in one batch: the texts to the view's model, the keys beside them.
struct Baseline {
    QStringListModel model;
    QListView view;
    std::vector<std::int32_t> keys;
    Baseline() { view.setModel(&model); }
    void fill(const QString& table, const QString& field, const QString& keyField)
    {
        auto rs = Global::db->OpenRecordset(table, dbOpenDynaset);
        QStringList texts;
        texts.reserve(rs->RecordCount());
        keys.clear();
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            texts << rs->Fields(field).Value.ToText();
            keys.push_back(rs->Fields(keyField).Value.ToInt32());
        }
        model.setStringList(texts);
        benchmark::DoNotOptimize(keys.data());
        rs->Close();
        settle();
    }
};

// FillList and the baseline in the same loop, their order swapped every iteration, so the
// machine's noise falls on both alike; the ratio is what the target is about.
template <class Window>
void BM_FillListAgainstBaseline(benchmark::State& state, const char* table, const char* field, const char* keyField)
{
    using Clock = std::chrono::steady_clock;
    Window form;
    form.Load();
    Baseline baseline;
    const QString t = QString::fromLatin1(table), f = QString::fromLatin1(field), k = QString::fromLatin1(keyField);
    Clock::duration fill{}, base{};
    bool fillFirst = true;
    for (auto _ : state) {
        const auto a = Clock::now();
        if (fillFirst) {
            EditorProbe::FillList(form);
            settle();
        } else {
            baseline.fill(t, f, k);
        }
        const auto b = Clock::now();
        if (fillFirst) {
            baseline.fill(t, f, k);
        } else {
            EditorProbe::FillList(form);
            settle();
        }
        const auto c = Clock::now();
        fill += fillFirst ? b - a : c - b;
        base += fillFirst ? c - b : b - a;
        fillFirst = !fillFirst;
    }
    if (ErrorRaised() || form.List1.ListCount() != kRows || baseline.model.rowCount() != kRows)
        state.SkipWithError("the list was not filled");
    const double n = static_cast<double>(state.iterations());
    state.counters["fill_ms"] = std::chrono::duration<double, std::milli>(fill).count() / n;
    state.counters["baseline_ms"] = std::chrono::duration<double, std::milli>(base).count() / n;
    state.counters["ratio"] = static_cast<double>(fill.count()) / static_cast<double>(base.count());
    form.Unload();
}

// Where a chapters fill spends its time, step by step (milliseconds per fill).
void BM_Parts(benchmark::State& state)
{
    frmCapitole form;
    form.Load();
    using C = std::chrono::steady_clock;
    double t[6] = {};
    for (auto _ : state) {
        auto a = C::now();
        auto rs = Global::db->OpenRecordset(QStringLiteral("tblCapitol"), dbOpenDynaset);
        auto b = C::now();
        form.List1.Clear();
        auto c = C::now();
        while (!rs->Eof()) {
            form.List1.AddItem(rs->Fields(QStringLiteral("Capitol")).Value.ToText());
            form.List1.setItemData(form.List1.NewIndex(), rs->Fields(QStringLiteral("ID_Capitol")).Value.ToInt32());
            rs->MoveNext();
        }
        auto d = C::now();
        form.List1.setListIndex(0);
        auto e = C::now();
        rs->Close();
        auto f = C::now();
        settle();
        auto g = C::now();
        auto ms = [](auto x, auto y) { return std::chrono::duration<double, std::milli>(y - x).count(); };
        t[0] += ms(a, b);
        t[1] += ms(b, c);
        t[2] += ms(c, d);
        t[3] += ms(d, e);
        t[4] += ms(e, f);
        t[5] += ms(f, g);
    }
    const char* n[] = {"1_open", "2_clear", "3_add", "4_select", "5_close", "6_view"};
    for (int i = 0; i < 6; ++i)
        state.counters[n[i]] = t[i] / state.iterations();
}
BENCHMARK(BM_Parts)->Unit(benchmark::kMillisecond);

void BM_FillListChapters(benchmark::State& state)
{
    BM_FillListAgainstBaseline<frmCapitole>(state, "tblCapitol", "Capitol", "ID_Capitol");
}
BENCHMARK(BM_FillListChapters)->Unit(benchmark::kMillisecond)->MinTime(4.0);

void BM_FillListWords(benchmark::State& state)
{
    BM_FillListAgainstBaseline<frmDictionar>(state, "tblDictionar", "Cuvant", "ID_Cuvant");
}
BENCHMARK(BM_FillListWords)->Unit(benchmark::kMillisecond)->MinTime(4.0);

// Keeps each run's time per iteration so the targets can be checked at the end.
class Recorder : public benchmark::ConsoleReporter {
public:
    Recorder() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, benchmark::UserCounters> counters;
    // The run whose name starts with prefix (the name carries its options after it).
    const benchmark::UserCounters* find(const std::string& prefix) const
    {
        for (const auto& [name, c] : counters)
            if (name.rfind(prefix, 0) == 0)
                return &c;
        return nullptr;
    }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration)
                counters[r.benchmark_name()] = r.counters;
        ConsoleReporter::ReportRuns(runs);
    }
};

long peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The child process: the chapters editor shown over the store in the working folder.
int showChaptersAndReportPeak()
{
    Global::db = DBEngine().OpenDatabase(QString::fromUtf8(kStoreFileName));
    frmCapitole form;
    QTimer::singleShot(200, [&] {
        form.widget()->repaint();
        settle();
        std::printf("%ld %d\n", peakKiB(), static_cast<int>(form.List1.ListCount()));
        form.Unload();
    });
    form.Show();
    Global::db->Close();
    return 0;
}

long childPeak(const QString& folder, int& items)
{
    QProcess child;
    child.setWorkingDirectory(folder);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peak-memory")});
    child.waitForFinished(120000);
    const QList<QByteArray> out = child.readAllStandardOutput().trimmed().split(' ');
    items = out.value(1).toInt();
    return out.value(0).toLong();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitResources();
    InstallLook();
    if (argc > 1 && QByteArray(argv[1]) == "--peak-memory")
        return showChaptersAndReportPeak();

    QTemporaryDir empty;
    QTemporaryDir full;
    makeStore(empty.path(), false);
    makeStore(full.path(), true);
    Global::db = DBEngine().OpenDatabase(QString::fromUtf8(kStoreFileName));

    benchmark::Initialize(&argc, argv);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();
    Global::db->Close();
    Global::db.reset();

    bool met = true;
    for (const char* which : {"Chapters", "Words"}) {
        const auto* c = recorder.find(std::string("BM_FillList") + which);
        if (!c)
            continue;
        const double fill = c->at("fill_ms"), base = c->at("baseline_ms"), ratio = c->at("ratio");
        const bool ok = fill <= 40.0 && ratio <= 1.25;
        met = met && ok;
        std::printf("FillList %-8s %6.1f ms, baseline %6.1f ms, ratio %.2f; targets <= 40 ms and <= 1.25: %s\n", which,
                    fill, base, ratio, ok ? "met" : "MISSED");
    }
    int itemsEmpty = 0;
    int itemsFull = 0;
    const long emptyKiB = childPeak(empty.path(), itemsEmpty);
    const long fullKiB = childPeak(full.path(), itemsFull);
    std::printf("Peak memory (VmHWM), chapters editor shown: %ld KiB over %d rows, %ld KiB over %d rows\n", fullKiB,
                itemsFull, emptyKiB, itemsEmpty);
    return met ? 0 : 1;
}
