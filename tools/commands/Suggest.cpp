// suggest: reads the chapters' own files, finds the dictionary's words in them
// and proposes the links the store does not have yet.
#include "tools/commands/Suggest.h"

#include "tools/base/StoreTool.h"
#include "tools/commands/Command.h"
#include "tools/commands/LinkMatcher.h"
#include "tools/commands/SuggestApply.h"
#include "tools/commands/SuggestOutput.h"
#include "tools/commands/SuggestSources.h"

#include "platform/text/Collation.h"

#include <QDir>
#include <QSet>

#include <algorithm>

namespace tarvix::tool {

namespace {

struct StoreLists {
    std::vector<std::int32_t> wordKeys, chapterKeys;
    std::vector<QString> words;
    QStringList chapters;
    QSet<QPair<std::int32_t, std::int32_t>> links;
};

StoreLists readStore(Database& db)
{
    StoreLists s;
    Transaction t(db);  // one snapshot of the three tables
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Cuvant, Cuvant FROM tblDictionar"))) {
        s.wordKeys.push_back(r[0].ToInt32());
        s.words.push_back(r[1].ToText());
    }
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Capitol, Capitol FROM tblCapitol"))) {
        s.chapterKeys.push_back(r[0].ToInt32());
        s.chapters << r[1].ToText();
    }
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Cuvant, ID_Capitol FROM tblLegatura")))
        s.links.insert({r[0].ToInt32(), r[1].ToInt32()});
    return s;
}

// About 40 characters on either side of an occurrence, on one line, cut at whole characters.
QString excerpt(const QString& text, qsizetype at, qsizetype length)
{
    constexpr qsizetype kSide = 40;
    qsizetype from = std::max<qsizetype>(0, at - kSide);
    qsizetype to = std::min(text.size(), at + length + kSide);
    if (from > 0 && text[from].isLowSurrogate())
        --from;
    if (to < text.size() && text[to].isLowSurrogate())
        ++to;
    QString out = text.mid(from, to - from).simplified();
    if (from > 0)
        out.prepend(u'…');
    if (to < text.size())
        out.append(u'…');
    return out;
}

void reportSources(const SourceReport& r)
{
    for (const QString& s : Listed(r.refused))
        PrintErr(QStringLiteral("atenție: lăsat deoparte %1.").arg(s));
    for (const QString& s : Listed(r.unmatched))
        PrintErr(QStringLiteral("atenție: nu se potrivește cu niciun capitol: %1.").arg(s));
    for (const QString& s : Listed(r.doubled))
        PrintErr(QStringLiteral("atenție: %1.").arg(s));
}

}  // namespace

int RunSuggest(const SuggestOptions& o)
{
    // Only a run that writes needs the store in the state the editors rely on.
    const bool writes = o.apply || !o.applyFrom.isEmpty();
    std::unique_ptr<Database> db = OpenStore(o.store, writes ? Access::ForWriting : Access::ReadOnly);
    if (!o.applyFrom.isEmpty()) {
        const Applied applied = ApplyReviewedCsv(*db, o.applyFrom);
        PrintOut(AppliedReport(o.store, applied));
        return exitcode::Ok;
    }
    const StoreLists store = readStore(*db);
    if (store.chapters.isEmpty())
        throw Failure{
            exitcode::Refused,
            QStringLiteral("Baza de date „%1” nu are niciun capitol: nu am cu ce potrivi fișierele.").arg(o.store)};
    const SourceReport sources = ReadSources(store.chapters, o.sources, o.chapters);
    reportSources(sources);

    LinkMatcher matcher(store.words);
    std::vector<Proposal> proposals;
    long long existing = 0, fewer = 0;
    for (const SourceChapter& c : sources.chapters) {
        for (const WordHit& h : matcher.Scan(c.text)) {
            const auto key = qMakePair(store.wordKeys[std::size_t(h.word)], store.chapterKeys[std::size_t(c.title)]);
            if (store.links.contains(key))
                ++existing;
            else if (h.count < o.min)
                ++fewer;
            else
                proposals.push_back({h.word, c.title, h.count, h.kind, excerpt(c.text, h.at, h.length)});
        }
    }
    // Romanian order: by word, then by chapter; each text's sort key made once.
    std::vector<QByteArray> wordKey(store.words.size()), chapterKey(std::size_t(store.chapters.size()));
    for (const Proposal& p : proposals) {
        if (wordKey[std::size_t(p.word)].isEmpty())
            wordKey[std::size_t(p.word)] = RomanianSortKey(store.words[std::size_t(p.word)]) + '\0';
        if (chapterKey[std::size_t(p.chapter)].isEmpty())
            chapterKey[std::size_t(p.chapter)] = RomanianSortKey(store.chapters[p.chapter]) + '\0';
    }
    std::sort(proposals.begin(), proposals.end(), [&](const Proposal& a, const Proposal& b) {
        const int w = wordKey[std::size_t(a.word)].compare(wordKey[std::size_t(b.word)]);
        return w != 0 ? w < 0 : chapterKey[std::size_t(a.chapter)] < chapterKey[std::size_t(b.chapter)];
    });

    const SuggestSummary summary{static_cast<long long>(proposals.size()), existing, fewer,
                                 static_cast<long long>(sources.chapters.size()), sources.files};
    if (!o.apply || !o.output.isEmpty())
        WriteProposals(o, store.words, store.chapters, proposals, summary);
    if (o.apply) {
        std::vector<std::pair<std::int32_t, std::int32_t>> links;
        for (const Proposal& p : proposals)
            links.emplace_back(store.wordKeys[std::size_t(p.word)], store.chapterKeys[std::size_t(p.chapter)]);
        PrintOut(AppliedReport(o.store, ApplyLinks(*db, links)));
    }
    return exitcode::Ok;
}

namespace {

Option valued(const char* name, const char* value, QStringList help, std::function<void(const QString&)> check = {},
              QStringList examples = {})
{
    return {QString::fromLatin1(name), {}, QString::fromUtf8(value), std::move(help), std::move(examples),
            std::move(check)};
}

void fileNamed(const QString& value)
{
    if (value.isEmpty())
        throw BadArguments{QStringLiteral("un nume de fișier este gol.")};
}

}  // namespace

Command SuggestCommand()
{
    return {
        QStringLiteral("suggest"),
        {QStringLiteral("FIȘIER"), QStringLiteral("SURSĂ...")},
        QStringLiteral("un FIȘIER și cel puțin o SURSĂ"),
        {QStringLiteral("propune legăturile care lipsesc, din textul"),
         QStringLiteral("capitolelor: fișiere txt, md, html, odt, docx sau pdf"),
         QStringLiteral("(ori dosare cu ele), fiecare potrivit cu titlul unui"),
         QStringLiteral("capitol după primul titlu, primul rând sau numele"),
         QStringLiteral("fișierului; o carte întreagă se împarte după cuprinsul"),
         QStringLiteral("ei. Baza de date doar este citită, afară de --apply"), QStringLiteral("și --apply-from.")},
        {valued("chapter", "TITLU=FIȘIER",
                {QStringLiteral("FIȘIER este capitolul TITLU, orice ar scrie"),
                 QStringLiteral("în el (se poate repeta).")},
                [](const QString& v) { SuggestChapterOption(v); }),
         valued("format", "text|csv",
                {QStringLiteral("text: de citit (implicit); csv: de revizuit"),
                 QStringLiteral("într-un program de calcul tabelar, apoi de"), QStringLiteral("dat la --apply-from.")},
                [](const QString& v) {
                    if (v != u"text" && v != u"csv")
                        throw BadArguments{QStringLiteral("opțiunea --format primește text sau csv, nu „%1”.").arg(v)};
                },
                {QStringLiteral("text"), QStringLiteral("csv")}),
         valued("output", "IEȘIRE", {QStringLiteral("scrie propunerile în fișierul IEȘIRE.")}, &fileNamed),
         valued("min", "N", {QStringLiteral("doar legăturile găsite de cel puțin N ori.")},
                [](const QString& v) { SuggestMinOption(v); }),
         {QStringLiteral("apply"), {}, {}, {QStringLiteral("adaugă propunerile, într-o singură tranzacție.")}},
         valued("apply-from", "REVIZUIT",
                {QStringLiteral("adaugă exact rândurile rămase în fișierul CSV"),
                 QStringLiteral("REVIZUIT (Cuvant,Capitol,...), într-o singură"), QStringLiteral("tranzacție.")},
                &fileNamed),
         {QStringLiteral("force"), QLatin1Char('f'), {}, {QStringLiteral("înlocuiește IEȘIRE dacă există deja.")}}},
        [](const Invocation& in) { return RunSuggest(SuggestOptionsOf(in)); }};
}

}  // namespace tarvix::tool
