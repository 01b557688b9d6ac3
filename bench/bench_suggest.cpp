// suggest over a textbook of 600 pages (about 200,000 words in 40 chapter
// files, generated) against 32,767 dictionary words: the matching, plain text
// extraction included, beside a baseline that only reads the same files and
// splits them into words, the two alternating in each iteration; then the
// whole command as a user runs it, with its peak memory.
#include "support/TimedChild.h"
#include "tools/commands/LinkMatcher.h"
#include "tools/formats/ChapterText.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <functional>
#include <random>

using namespace tarvix::tool;

namespace {

constexpr int kWords = 32767, kChapters = 40, kChapterWords = 5000, kVocabulary = 15000;

struct Book {
    QTemporaryDir dir;
    std::vector<QString> words;
    QStringList titles;
    QStringList files;
};

QString madeUpWord(std::mt19937& rng)
{
    static const char* const syllables[] = {"ba",  "ca", "de",  "fi",   "go",  "lu", "ma", "ne",  "pi",  "ro",
                                            "sa",  "ti", "vu",  "stru", "ală", "eț", "ân", "ști", "ția", "ră",
                                            "tor", "in", "per", "mul",  "ța",  "ze", "bi", "nar", "cod", "gra"};
    std::uniform_int_distribution<int> count(2, 4), pick(0, std::size(syllables) - 1);
    QString w;
    for (int i = count(rng); i > 0; --i)
        w += QString::fromUtf8(syllables[pick(rng)]);
    return w;
}

// Written once for the whole run: the dictionary as CSV for import, and the chapters as plain files.
Book& book()
{
    static Book b = [] {
        Book b;
        std::mt19937 rng(21);
        QSet<QString> seen;
        while (static_cast<int>(b.words.size()) < kWords) {
            QString w = madeUpWord(rng);
            if (rng() % 10 == 0)
                w += u' ' + madeUpWord(rng);
            w = w.toUpper();
            if (!seen.contains(w) && w.size() <= 25) {
                seen.insert(w);
                b.words.push_back(w);
            }
        }
        // A book's own vocabulary: a few thousand words, some far more often than others.
        std::vector<QString> vocabulary;
        for (int i = 0; i < kVocabulary; ++i)
            vocabulary.push_back(madeUpWord(rng));
        const auto zipf = [&rng](int n) {
            std::uniform_real_distribution<double> u(0, 1);
            return std::min(n - 1, static_cast<int>(std::pow(static_cast<double>(n), u(rng))) - 1);
        };
        static const char* const endings[] = {"", "", "ul", "ului", "ii", "ilor", "ele", "a"};
        static const char* const common[] = {"și",     "de", "la",  "în", "un",   "o",        "care",    "este",
                                             "pentru", "cu", "mai", "se", "prin", "dintr-un", "fiecare", "apoi"};
        for (int c = 0; c < kChapters; ++c) {
            const QString title = QStringLiteral("Studiul %1 %2").arg(madeUpWord(rng), madeUpWord(rng));
            b.titles << title.toUpper();
            QString text = title + QStringLiteral("\n\n");
            for (int i = 0; i < kChapterWords; ++i) {
                if (rng() % 4 == 0)
                    text += b.words[static_cast<std::size_t>(zipf(kWords))].toLower()
                            + QString::fromUtf8(endings[rng() % 8]);
                else if (rng() % 2 == 0)
                    text += QString::fromUtf8(common[rng() % std::size(common)]);
                else
                    text += vocabulary[static_cast<std::size_t>(zipf(kVocabulary))];
                text += i % 12 == 11 ? QStringLiteral(".\n") : QStringLiteral(" ");
            }
            const QString file = b.dir.filePath(QStringLiteral("capitole/%1.txt").arg(c + 1, 2, 10, QLatin1Char('0')));
            QDir().mkpath(QFileInfo(file).absolutePath());
            QFile f(file);
            f.open(QIODevice::WriteOnly);
            f.write(text.toUtf8());
            b.files << file;
        }
        return b;
    }();
    return b;
}

QByteArray read(const QString& file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

long long matchAll(const Book& b)
{
    LinkMatcher matcher(b.words);
    long long hits = 0;
    for (const QString& file : b.files)
        for (const ChapterPart& part : ReadChapterBytes(TextFormat::Plain, read(file)).parts)
            hits += static_cast<long long>(matcher.Scan(part.text).size());
    return hits;
}

long long splitAll(const Book& b)
{
    long long words = 0;
    for (const QString& file : b.files) {
        const QString text = QString::fromUtf8(read(file));
        std::vector<QStringView> tokens;
        qsizetype i = 0;
        while (i < text.size()) {
            while (i < text.size() && !LinkMatcher::IsTokenChar(text[i]))
                ++i;
            const qsizetype start = i;
            while (i < text.size() && LinkMatcher::IsTokenChar(text[i]))
                ++i;
            if (i > start)
                tokens.push_back(QStringView(text).sliced(start, i - start));
        }
        words += static_cast<long long>(tokens.size());
    }
    return words;
}

qsizetype distinctForms(const Book& b)
{
    QSet<QString> forms;
    for (const QString& file : b.files)
        for (const QString& w : QString::fromUtf8(read(file)).split(QRegularExpression(QStringLiteral("\\W+"))))
            forms.insert(w.toLower());
    return forms.size();
}

double cpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Wall seconds, with the process's CPU seconds added to cpu.
double seconds(const std::function<void()>& f, double& cpu)
{
    const double cpuStart = cpuNow();
    const auto start = std::chrono::steady_clock::now();
    f();
    cpu += cpuNow() - cpuStart;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_MatchAgainstSplit(benchmark::State& state)
{
    const Book& b = book();
    double matchSeconds = 0, splitSeconds = 0, matchCpu = 0, splitCpu = 0;
    long long hits = 0, words = 0;
    bool matchFirst = true;
    for (auto _ : state) {
        const auto match = [&] { matchSeconds += seconds([&] { hits = matchAll(b); }, matchCpu); };
        const auto split = [&] { splitSeconds += seconds([&] { words = splitAll(b); }, splitCpu); };
        if (matchFirst) {
            match();
            split();
        } else {
            split();
            match();
        }
        matchFirst = !matchFirst;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["match_s"] = matchSeconds / n;
    state.counters["split_s"] = splitSeconds / n;
    state.counters["ratio"] = matchSeconds / splitSeconds;
    state.counters["match_cpu_s"] = matchCpu / n;
    state.counters["cpu_ratio"] = matchCpu / splitCpu;
    state.counters["text_words"] = static_cast<double>(words);
    state.counters["word_chapter_pairs"] = static_cast<double>(hits);
    state.counters["distinct_forms"] = static_cast<double>(distinctForms(b));
}
BENCHMARK(BM_MatchAgainstSplit)->Iterations(6)->Unit(benchmark::kMillisecond);

int run(const std::vector<std::string>& args, long* peakKb = nullptr, double* took = nullptr, double* cpu = nullptr)
{
    const tarvix::test::TimedChild c = tarvix::test::RunTimed(args);
    if (peakKb)
        *peakKb = c.peakKb;
    if (took)
        *took = c.seconds;
    if (cpu)
        *cpu = c.cpuSeconds;
    return c.status;
}

// The command itself: the store opened and read, the files read, matched, sorted and written.
void BM_SuggestCommand(benchmark::State& state)
{
    Book& b = book();
    const QString csv = b.dir.filePath(QStringLiteral("csv"));
    QDir().mkpath(csv);
    QString words = QStringLiteral("Cuvant\n"), chapters = QStringLiteral("Capitol\n");
    for (const QString& w : b.words)
        words += w + u'\n';
    for (const QString& t : b.titles)
        chapters += t + u'\n';
    for (const auto& [name, text] : {std::pair{"cuvinte.csv", words}, std::pair{"capitole.csv", chapters},
                                     std::pair{"legaturi.csv", QStringLiteral("Cuvant,Capitol\n")}}) {
        QFile f(QDir(csv).filePath(QLatin1String(name)));
        f.open(QIODevice::WriteOnly);
        f.write(text.toUtf8());
    }
    const std::string store = b.dir.filePath(QStringLiteral("Dictionar.mdb")).toStdString();
    QFile::remove(QString::fromStdString(store));
    if (run({TARVIX_DB_TOOL, "create", store}) != 0 || run({TARVIX_DB_TOOL, "import", store, csv.toStdString()}) != 0)
        state.SkipWithError("the store was not made");
    const std::string folder = b.dir.filePath(QStringLiteral("capitole")).toStdString();
    double total = 0, totalCpu = 0;
    long peakKb = 0;
    for (auto _ : state) {
        long kb = 0;
        double took = 0, cpu = 0;
        if (run({TARVIX_DB_TOOL, "suggest", store, folder, "--format", "csv"}, &kb, &took, &cpu) != 0)
            state.SkipWithError("suggest failed");
        state.SetIterationTime(took);
        total += took;
        totalCpu += cpu;
        peakKb = std::max(peakKb, kb);
    }
    state.counters["suggest_s"] = total / static_cast<double>(state.iterations());
    state.counters["suggest_cpu_s"] = totalCpu / static_cast<double>(state.iterations());
    state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024.0;
}
BENCHMARK(BM_SuggestCommand)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
