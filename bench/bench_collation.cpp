// Sorting 32,767 Romanian texts by our collation's keys and by ICU's
// (QCollator, locale ro_RO), the two alternating in one loop so the machine's
// noise falls on both; the ratio says whether keeping our own still pays.
#include "platform/text/Collation.h"

#include <QCollator>
#include <QCoreApplication>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr int kTexts = 32767;

// Upper-case Romanian words in no particular order, as a list editor meets them.
QStringList texts()
{
    static const QString letters = QString::fromUtf8("AĂÂBCDEFGHIÎJKLMNOPRSȘTȚUVXZ");
    std::mt19937 gen(7);
    QStringList out;
    for (int i = 0; i < kTexts; ++i) {
        QString t;
        for (int w = 0; w < 3; ++w) {
            const int len = std::uniform_int_distribution<int>(3, 7)(gen);
            for (int k = 0; k < len; ++k)
                t += letters[std::uniform_int_distribution<int>(0, letters.size() - 1)(gen)];
            t += QLatin1Char(' ');
        }
        out << t + QString::number(i);
    }
    return out;
}

// Keys made, then positions sorted by them: what a sorted list does on a fill.
template <class MakeKey, class Less>
double sortSeconds(const QStringList& in, MakeKey makeKey, Less less)
{
    const auto start = std::chrono::steady_clock::now();
    std::vector<decltype(makeKey(in.front()))> keys;
    keys.reserve(static_cast<std::size_t>(in.size()));
    for (const QString& t : in)
        keys.push_back(makeKey(t));
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return less(keys[a], keys[b]); });
    benchmark::DoNotOptimize(order.data());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SortOursAgainstIcu(benchmark::State& state)
{
    const QStringList in = texts();
    const QCollator icu{QLocale(QLocale::Romanian, QLocale::Romania)};
    const auto ours = [&] {
        return sortSeconds(
            in, [](const QString& t) { return tarvix::RomanianSortKey(t); },
            [](const QByteArray& a, const QByteArray& b) { return a < b; });
    };
    const auto theirs = [&] {
        return sortSeconds(
            in, [&](const QString& t) { return icu.sortKey(t); },
            [](const QCollatorSortKey& a, const QCollatorSortKey& b) { return a.compare(b) < 0; });
    };
    double oursSeconds = 0, icuSeconds = 0;
    bool oursFirst = true;
    for (auto _ : state) {
        if (oursFirst) {
            oursSeconds += ours();
            icuSeconds += theirs();
        } else {
            icuSeconds += theirs();
            oursSeconds += ours();
        }
        oursFirst = !oursFirst;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = oursSeconds * 1000 / n;
    state.counters["icu_ms"] = icuSeconds * 1000 / n;
    state.counters["ratio"] = oursSeconds / icuSeconds;
}
BENCHMARK(BM_SortOursAgainstIcu)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
