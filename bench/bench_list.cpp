// Filling a sorted list the way the editors do (AddItem, then ItemData at
// NewIndex, for each of 32,767 rows, then ListIndex = 0), against handing the
// same strings to an unsorted list in one batch.
#include "platform/Toolkit.h"

#include <QApplication>
#include <QListView>
#include <QListWidget>
#include <QRandomGenerator>
#include <QStringListModel>

#include <benchmark/benchmark.h>

using namespace tarvix;

namespace {

constexpr int kItems = 32767;

// Chapter-like titles in upper case with Romanian letters, in no order.
const QStringList& titles()
{
    static const QStringList t = [] {
        static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPRSTUVXZĂÂÎȘȚ");
        QRandomGenerator rng(20240607);
        QStringList out;
        out.reserve(kItems);
        for (int i = 0; i < kItems; ++i) {
            QString s;
            const int words = 2 + static_cast<int>(rng.bounded(4));
            for (int w = 0; w < words; ++w) {
                if (w)
                    s += u' ';
                const int len = 3 + static_cast<int>(rng.bounded(8));
                for (int k = 0; k < len; ++k)
                    s += letters.at(static_cast<int>(rng.bounded(letters.size())));
            }
            out << s;
        }
        return out;
    }();
    return t;
}

const FormDesign kDesign{.caption = "Listă", .clientWidth = 7155, .clientHeight = 3120};
const ControlDef kSorted[] = {{"List1", Kind::ListBox, "", "", 120, 240, 4695, 1395, {.sorted = true}}};
const ControlDef kUnsorted[] = {{"List1", Kind::ListBox, "", "", 120, 240, 4695, 1395, {}}};

void fill(benchmark::State& state, std::span<const ControlDef> defs)
{
    Form form(kDesign, defs);
    form.Load();
    form.ShowStartup();
    auto& list = form.control<ListBox>("List1");
    const QStringList& t = titles();
    for (auto _ : state) {
        list.Clear();
        for (int i = 0; i < kItems; ++i) {
            list.AddItem(t[i]);
            list.setItemData(list.NewIndex(), i);
        }
        list.setListIndex(0);
        // The view takes the rows when the loop next runs.
        QCoreApplication::sendPostedEvents();
        benchmark::DoNotOptimize(list.ListCount());
    }
    form.Unload();
    state.SetItemsProcessed(state.iterations() * kItems);
}

void BM_FillSortedListBox(benchmark::State& state)
{
    fill(state, kSorted);
}
void BM_FillUnsortedListBox(benchmark::State& state)
{
    fill(state, kUnsorted);
}

// Baseline: the same strings handed to an unsorted Qt list in one call.
void BM_BaselineListWidgetAddItems(benchmark::State& state)
{
    QListWidget list;
    list.show();
    const QStringList& t = titles();
    for (auto _ : state) {
        list.clear();
        list.addItems(t);
        list.setCurrentRow(0);
        QCoreApplication::sendPostedEvents();
        benchmark::DoNotOptimize(list.count());
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

void BM_BaselineStringListModel(benchmark::State& state)
{
    QListView view;
    QStringListModel model;
    view.setModel(&model);
    view.setUniformItemSizes(true);
    view.show();
    const QStringList& t = titles();
    for (auto _ : state) {
        model.setStringList({});
        model.setStringList(t);
        view.setCurrentIndex(model.index(0));
        QCoreApplication::sendPostedEvents();
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

// What the lazy sort avoids: a sorted Qt list taking the items one by one.
void BM_NaiveSortedListWidget(benchmark::State& state)
{
    QListWidget list;
    list.setSortingEnabled(true);
    list.show();
    const QStringList& t = titles();
    for (auto _ : state) {
        list.clear();
        for (int i = 0; i < kItems; ++i)
            list.addItem(t[i]);
        list.setCurrentRow(0);
        QCoreApplication::sendPostedEvents();
        benchmark::DoNotOptimize(list.count());
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

void BM_SortKeys(benchmark::State& state)
{
    const QStringList& t = titles();
    for (auto _ : state) {
        qsizetype total = 0;
        for (const QString& s : t)
            total += RomanianSortKey(s).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

}  // namespace

BENCHMARK(BM_BaselineListWidgetAddItems)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineStringListModel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillSortedListBox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillUnsortedListBox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NaiveSortedListWidget)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallLook();
    titles();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
