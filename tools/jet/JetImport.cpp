// The Jet reader's rows become a store: texts taken in by the store's rule for
// texts from outside, rows that fold alike merged with their links following,
// links to nothing dropped, each pair once. The words and chapters are written
// on a second thread while the links are still being read.
#include "tools/jet/JetImport.h"

#include "tools/base/StoreTool.h"
#include "tools/jet/CodePage.h"
#include "tools/jet/JetReader.h"
#include "tools/jet/JetSide.h"
#include "tools/jet/JetTables.h"
#include "tools/jet/StoreWriter.h"

#include "platform/text/TextFunctions.h"
#include "store/Schema.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <future>
#include <memory>
#include <optional>

namespace tarvix::tool {

namespace {

std::optional<qint32> keyOf(const JetField& f)
{
    if (f.null)
        return std::nullopt;
    // Digits with an optional minus: the reader writes nothing else for a number.
    const char* begin = f.text.data();
    const char* end = begin + f.text.size();
    qint32 v = 0;
    const auto [at, ec] = std::from_chars(begin, end, v);
    if (begin == end || ec != std::errc() || at != end)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("o cheie din fișier nu este un număr întreg de 32 de biți („%1”).")
                          .arg(QString::fromUtf8(f.text.first(std::min<qsizetype>(40, f.text.size())).toByteArray()))};
    return v;
}

void checkPassword(const JetHeader& header, const JetImportOptions& options, const QString& file)
{
    if (header.password.isEmpty() || options.password == header.password)
        return;
    throw Failure{exitcode::PasswordNeeded,
                  options.password ? QStringLiteral("Parola dată nu este parola fișierului „%1”.").arg(file)
                                   : QStringLiteral("Fișierul „%1” este protejat cu o parolă; dați-o cu "
                                                    "--password (sau „--password -” ca s-o citesc de la intrare).")
                                         .arg(file)};
}

// Jet 3 texts are bytes in the file's code page, unless the user names another; a 1252 header over texts
// that read as Romanian only in 1250 is taken at the texts' word. Returns the page, and why, for the report.
std::pair<int, QString> chooseCodePage(const JetHeader& header, const JetImportOptions& options,
                                       const std::vector<const JetSide*>& sides)
{
    int cp = options.codePage ? options.codePage : header.codePage;
    QString why = options.codePage ? QStringLiteral("dată cu --codepage") : QStringLiteral("numită de fișier");
    if (!options.codePage && cp == 1252) {
        CodePageEvidence evidence;
        for (const JetSide* s : sides)
            for (const SourceRow& r : s->rows)
                if (r.text)
                    evidence.Weigh(*r.text);
        if (evidence.romanian > evidence.western) {
            cp = 1250;
            why = QStringLiteral("fișierul numește 1252, dar %1 au literele românești ă ș ț scrise în 1250 "
                                 "(în 1252 s-ar fi citit ã º þ), față de %2 cu litere apusene; "
                                 "--codepage 1252 le citește altfel")
                      .arg(Counted(evidence.romanian, "text", "texte"))
                      .arg(evidence.western);
        } else if (evidence.romanian + evidence.western > 0) {
            why = QStringLiteral("numită de fișier; %1 se citesc firesc în 1252 (Ñ À Ø, Nº), față de %2 "
                                 "care ar arăta a română în 1250")
                      .arg(Counted(evidence.western, "text", "texte"))
                      .arg(evidence.romanian);
        }
    }
    return {cp == 0 ? 1252 : cp, why};
}

// A link's two keys, ordered by word then chapter, negative keys first.
std::uint64_t pairOf(qint32 word, qint32 chapter)
{
    return (std::uint64_t(std::uint32_t(word) ^ 0x80000000u) << 32) | (std::uint32_t(chapter) ^ 0x80000000u);
}

class Importer {
public:
    Importer(const JetReader& reader, const JetImportOptions& options, const QString& storePath)
        : options_(options), storePath_(storePath), jet3_(reader.header().version == 0)
    {
        im.header = reader.header();
    }

    // One row of the file, in the order the reader gives them: words, chapters, then links.
    void row(std::size_t request, const std::vector<JetField>& f)
    {
        if (request == 2) {
            if (!written_.valid())
                startWriter();
            const std::optional<qint32> w = keyOf(f[0]), c = keyOf(f[1]);
            if (!w || !c)
                nullKeys_.emplace_back(raw_.size(), (w ? 0 : 1) | (c ? 0 : 2));
            raw_.push_back({w.value_or(0), c.value_or(0)});
            return;
        }
        JetSide& side = request == 0 ? im.words : im.chapters;
        std::optional<QByteArray> text;
        if (!f[1].null && !f[1].undecodable)
            text = jet3_ ? QString::fromUtf8(f[1].text).toLatin1() : f[1].text.toByteArray();
        side.rows.push_back({keyOf(f[0]), std::move(text), f[1].undecodable});
    }

    // After the last row: the links joined to what was kept, each pair once and in order, then the indexes.
    void finish()
    {
        if (!written_.valid())
            startWriter();
        built_.get();  // rethrows what stopped the words and chapters
        joinLinks();
        std::vector<std::pair<qint32, qint32>>().swap(raw_);
        std::sort(pairs_.begin(), pairs_.end());
        const auto last = std::unique(pairs_.begin(), pairs_.end());
        im.linksRepeated = static_cast<long long>(pairs_.end() - last);
        pairs_.erase(last, pairs_.end());
        written_.get();  // rethrows what the writer met
        for (const std::uint64_t p : pairs_)
            writer_->link(static_cast<qint32>(std::uint32_t(p >> 32) ^ 0x80000000u),
                          static_cast<qint32>(std::uint32_t(p) ^ 0x80000000u));
        im.linksStored = static_cast<long long>(pairs_.size());
        writer_->finish();
    }

    void reserveLinks(long long declared)
    {
        const auto n = static_cast<std::size_t>(std::clamp<long long>(declared, 0, 20'000'000));
        raw_.reserve(n);
        pairs_.reserve(n);
    }

    JetImported im;
    QString codePageLine = QStringLiteral("texte Unicode");

private:
    // Words and chapters are all in before the first link. A second thread decodes and merges them while the
    // links are read, then writes them while the links are joined; until it says they are built, only it
    // touches them, and only it touches the store until it is done.
    void startWriter()
    {
        std::promise<void> built;
        built_ = built.get_future();
        written_ = std::async(std::launch::async, [this, built = std::move(built)]() mutable {
            try {
                build();
            } catch (...) {
                built.set_exception(std::current_exception());
                return;
            }
            built.set_value();
            writer_ = std::make_unique<StoreWriter>(storePath_);
            writer_->rows(store::kWords, im.words.stored);
            writer_->rows(store::kChapters, im.chapters.stored);
        });
    }

    void build()
    {
        std::unique_ptr<CodePageDecoder> decoder;
        if (jet3_) {
            const auto [cp, why] = chooseCodePage(im.header, options_, {&im.words, &im.chapters});
            decoder = std::make_unique<CodePageDecoder>(cp);
            codePageLine = QStringLiteral("pagina de cod %1 (%2)").arg(cp).arg(why);
        }
        const auto decode = [&](const QByteArray& b) { return decoder ? decoder->Decode(b) : QString::fromUtf8(b); };
        for (JetSide* s : {&im.words, &im.chapters}) {
            if (static_cast<long long>(s->rows.size()) > store::kMaxRows)
                throw Failure{exitcode::Refused,
                              QStringLiteral("%1: fișierul are %2; ferestrele programului pot lista cel mult %3.")
                                  .arg(s->title, Counted(static_cast<long long>(s->rows.size()), "rând", "rânduri"))
                                  .arg(store::kMaxRows)};
            s->build(decode);
        }
    }

    void joinLinks()
    {
        im.linksRead = static_cast<long long>(raw_.size());
        auto nulls = nullKeys_.cbegin();
        for (std::size_t i = 0; i < raw_.size(); ++i) {
            int missing = 0;
            if (nulls != nullKeys_.cend() && nulls->first == i)
                missing = (nulls++)->second;
            const auto [w, c] = raw_[i];
            using Range = decltype(im.words.rowsOf(0));
            const Range ws = missing & 1 ? Range{} : im.words.rowsOf(w);
            const Range cs = missing & 2 ? Range{} : im.chapters.rowsOf(c);
            if (ws.first == ws.second || cs.first == cs.second) {
                QStringList why;
                if (missing & 1)
                    why << QStringLiteral("cheia cuvântului este goală");
                else if (ws.first == ws.second)
                    why << im.words.missing(w);
                if (missing & 2)
                    why << QStringLiteral("cheia capitolului este goală");
                else if (cs.first == cs.second)
                    why << im.chapters.missing(c);
                im.dropped << QStringLiteral("rândul %1: %2.").arg(i + 1).arg(why.join(QStringLiteral("; ")));
                continue;
            }
            // A key that several rows share joins each of them, as a query over the file would.
            for (auto a = ws.first; a != ws.second; ++a)
                for (auto b = cs.first; b != cs.second; ++b)
                    pairs_.push_back(pairOf(a->second, b->second));
        }
    }

    const JetImportOptions& options_;
    const QString storePath_;
    const bool jet3_;
    std::vector<std::pair<qint32, qint32>> raw_;         // each link row's keys as the file has them
    std::vector<std::pair<std::size_t, int>> nullKeys_;  // the rows with an empty key: 1 word, 2 chapter
    std::vector<std::uint64_t> pairs_;                   // word key, chapter key
    std::unique_ptr<StoreWriter> writer_;
    std::future<void> built_;
    std::future<void> written_;  // last: a failure waits for the writer's thread before anything goes
};

JetImported importInto(const QString& jetPath, const JetImportOptions& options, const QString& storePath)
{
    const QString file = QFileInfo(jetPath).fileName();
    JetReader reader(jetPath);
    checkPassword(reader.header(), options, file);
    const std::vector<MappedTable> tables = FindJetTables(reader, options, file);
    Importer importer(reader, options, storePath);
    importer.reserveLinks(tables[2].declaredRows);
    reader.Read({tables[0].request, tables[1].request, tables[2].request},
                [&](std::size_t request, const std::vector<JetField>& f) { importer.row(request, f); });
    importer.finish();
    JetImported& im = importer.im;
    im.report << QStringLiteral("Fișierul „%1”: %2, %3.").arg(file, im.header.format, importer.codePageLine);
    for (const JetSide* s : {&im.words, &im.chapters})
        im.report << QStringLiteral("%1 (tabela „%2”): %3 citite, %4 păstrate, %5 unite cu altele, %6 sărite.")
                         .arg(s->title, tables[s == &im.words ? 0 : 1].shown)
                         .arg(s->rows.size())
                         .arg(s->stored.size())
                         .arg(s->merged)
                         .arg(s->skipped);
    return std::move(im);
}

}  // namespace

JetImported ImportJet(const QString& jetPath, const JetImportOptions& options, const QString& storePath,
                      const QString& storeName)
{
    try {
        return importInto(jetPath, options, storePath);
    } catch (const EngineError& e) {
        throw Failure{exitcode::EngineFailure,
                      QStringLiteral("Fișierul „%1” nu a fost făcut: %2").arg(storeName, DescribeEngineError(e))};
    }
}

QString ReadJetPassword(const QString& value)
{
    if (value != QLatin1String("-"))
        return value;
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        throw Failure{exitcode::BadArguments, QStringLiteral("parola nu poate fi citită de la intrare.")};
    QByteArray line = in.readLine(1024);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

QString JetImportReport(const JetImported& im, const QString& storeName, qint64 ms)
{
    QStringList out = im.report;
    out << QStringLiteral("Legături: %1 citite, %2 păstrate, %3 repetate (păstrate o dată), %4 lăsate deoparte.")
               .arg(im.linksRead)
               .arg(im.linksStored)
               .arg(im.linksRepeated)
               .arg(im.dropped.size());
    const auto section = [&](const QString& title, const QStringList& items) {
        if (items.isEmpty())
            return;
        out << title;
        for (const QString& line : Listed(items))
            out << QStringLiteral("  ") + line;
    };
    section(QStringLiteral("Legături lăsate deoparte:"), im.dropped);
    for (const JetSide* s : {&im.words, &im.chapters}) {
        section(QStringLiteral("%1 sărite:").arg(s->title), s->skips);
        section(QStringLiteral("%1 unite:").arg(s->title), s->merges);
        section(QStringLiteral("%1 mai lungi decât căsuța ferestrei (%2 caractere), păstrate întregi:")
                    .arg(s->title)
                    .arg(s->boxMax),
                s->longTexts);
    }
    out << QStringLiteral("Am făcut baza de date „%1” în %2 s.")
               .arg(storeName, QString::number(ms / 1000.0, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(',')));
    return out.join(QLatin1Char('\n'));
}

}  // namespace tarvix::tool
