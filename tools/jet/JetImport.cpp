// The Jet reader's rows become a store: texts taken in by the store's rule for
// texts from outside, rows that fold alike merged with their links following,
// links to nothing dropped, each pair once.
#include "tools/jet/JetImport.h"

#include "tools/base/StoreTool.h"
#include "tools/jet/CodePage.h"
#include "tools/jet/JetReader.h"
#include "tools/jet/JetSide.h"
#include "tools/jet/StoreWriter.h"

#include "platform/text/TextFunctions.h"
#include "store/Schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvix::tool {

namespace {

constexpr long long kMaxRows = store::kMaxRows;

struct Resolved {
    JetReader::Request request;  // as the reader spells the names
    QString shown;               // the table's name as the user reads it
    QStringList shownColumns;
    std::vector<int> types;
};

// Jet 3 names are bytes in the file's code page, which the reader hands over as Latin-1.
std::vector<JetTableInfo> namesDecoded(std::vector<JetTableInfo> tables, int codePage)
{
    const CodePageDecoder decoder(codePage);
    const auto decode = [&](QString& name) { name = decoder.Decode(name.toLatin1()); };
    for (JetTableInfo& t : tables) {
        decode(t.name);
        for (JetColumnInfo& c : t.columns)
            decode(c.name);
    }
    return tables;
}

// A dictionary kept under other names is read by naming them.
QString mappingHint(const QString& file)
{
    return QStringLiteral(" Dacă dicționarul are tabelele sau câmpurile sub alte nume, numiți-le: tarvix-db import-mdb "
                          "--words TABELĂ:CHEIE:TEXT --chapters TABELĂ:CHEIE:TEXT --links TABELĂ:CUVÂNT:CAPITOL "
                          "„%1” FIȘIER-NOU.")
        .arg(file);
}

QString tableList(const std::vector<JetTableInfo>& tables)
{
    QStringList names;
    for (const JetTableInfo& t : tables)
        names << t.name;
    return names.isEmpty() ? QStringLiteral("niciuna") : names.join(QStringLiteral(", "));
}

// The file's own spelling of a mapping, its columns' types, and its declared rows.
// tables: names as the user reads them; raw: as the reader spells them, for the request.
Resolved resolve(const QString& file, const std::vector<JetTableInfo>& tables, const std::vector<JetTableInfo>& raw,
                 const std::vector<std::pair<QString, QString>>& linked, const JetMapping& m, const char* what,
                 long long* declared)
{
    for (const auto& [name, backEnd] : linked)
        if (name.compare(m.table, Qt::CaseInsensitive) == 0)
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("În fișierul „%1”, tabela „%2” (pentru %3) este doar o legătură către "
                                         "fișierul „%4”: baza de date este împărțită, iar datele sunt acolo. "
                                         "Aduceți fișierul „%4”, nu pe acesta.")
                              .arg(file, name, QString::fromUtf8(what), backEnd)};
    const JetTableInfo* table = nullptr;
    std::size_t at = 0;
    for (std::size_t i = 0; i < tables.size(); ++i)
        if (tables[i].name.compare(m.table, Qt::CaseInsensitive) == 0) {
            table = &tables[i];
            at = i;
        }
    if (!table)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” nu are tabela „%2” (pentru %3). Tabelele lui sunt: %4.")
                              .arg(file, m.table, QString::fromUtf8(what), tableList(tables))
                          + mappingHint(file)};
    Resolved r;
    r.request.table = raw[at].name;
    r.shown = table->name;
    for (const QString& wanted : {m.first, m.second}) {
        const JetColumnInfo* column = nullptr;
        std::size_t c = 0;
        for (std::size_t k = 0; k < table->columns.size(); ++k)
            if (table->columns[k].name.compare(wanted, Qt::CaseInsensitive) == 0) {
                column = &table->columns[k];
                c = k;
            }
        if (!column) {
            QStringList have;
            for (const JetColumnInfo& c : table->columns)
                have << c.name;
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("Tabela „%1” din fișierul „%2” nu are câmpul „%3”. Câmpurile ei "
                                         "sunt: %4. Tabelele fișierului sunt: %5.")
                                  .arg(table->name, file, wanted, have.join(QStringLiteral(", ")), tableList(tables))
                              + mappingHint(file)};
        }
        r.request.columns << raw[at].columns[c].name;
        r.shownColumns << column->name;
        r.types.push_back(column->type);
    }
    *declared = table->declaredRows;
    return r;
}

QString typeName(int type)
{
    static const char* const names[] = {"?",
                                        "Yes/No",
                                        "Byte",
                                        "Integer",
                                        "Long Integer",
                                        "Currency",
                                        "Single",
                                        "Double",
                                        "Date/Time",
                                        "Binary",
                                        "Text",
                                        "OLE",
                                        "Memo",
                                        "?",
                                        "?",
                                        "Replication ID",
                                        "Decimal",
                                        "?",
                                        "Attachment/complex"};
    return type >= 0 && type < int(std::size(names)) ? QString::fromLatin1(names[type])
                                                     : QStringLiteral("necunoscut (%1)").arg(type);
}

bool isNumber(int type)
{
    return type == jettype::Byte || type == jettype::Int || type == jettype::Long;
}
bool isText(int type)
{
    return type == jettype::Text || type == jettype::Memo;
}

std::optional<qint32> keyOf(const JetField& f)
{
    if (f.null)
        return std::nullopt;
    // Digits with an optional sign: the reader writes nothing else for a number.
    qint64 v = 0;
    bool ok = !f.text.isEmpty() && f.text.size() <= 11;
    qsizetype i = ok && f.text[0] == '-' ? 1 : 0;
    ok = ok && i < f.text.size();
    for (; ok && i < f.text.size(); ++i) {
        ok = f.text[i] >= '0' && f.text[i] <= '9';
        v = v * 10 + (f.text[i] - '0');
    }
    if (f.text.startsWith('-'))
        v = -v;
    if (!ok || v < INT32_MIN || v > INT32_MAX)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("o cheie din fișier nu este un număr întreg de 32 de biți („%1”).")
                          .arg(QString::fromUtf8(f.text.first(std::min<qsizetype>(40, f.text.size())).toByteArray()))};
    return static_cast<qint32>(v);
}

JetImported importInto(const QString& jetPath, const JetImportOptions& options, const QString& storePath)
{
    const QString file = QFileInfo(jetPath).fileName();
    JetReader reader(jetPath);
    const JetHeader& header = reader.header();
    if (!header.password.isEmpty() && options.password != header.password)
        throw Failure{exitcode::PasswordNeeded,
                      options.password ? QStringLiteral("Parola dată nu este parola fișierului „%1”.").arg(file)
                                       : QStringLiteral("Fișierul „%1” este protejat cu o parolă; dați-o cu "
                                                        "--password (sau „--password -” ca s-o citesc de la intrare).")
                                             .arg(file)};
    const std::vector<JetTableInfo> raw = reader.Tables();
    const int namesPage = options.codePage ? options.codePage : header.codePage ? header.codePage : 1252;
    const std::vector<JetTableInfo> tables = header.version == 0 ? namesDecoded(raw, namesPage) : raw;
    long long declared[3];
    const auto& linked = reader.LinkedTables();
    std::vector<Resolved> resolved{resolve(file, tables, raw, linked, options.words, "cuvinte", &declared[0]),
                                   resolve(file, tables, raw, linked, options.chapters, "capitole", &declared[1]),
                                   resolve(file, tables, raw, linked, options.links, "legături", &declared[2])};
    for (int i = 0; i < 3; ++i) {
        const bool linksTable = i == 2;
        const Resolved& r = resolved[i];
        for (int k = 0; k < 2; ++k) {
            const bool key = k == 0 || linksTable;
            if (key ? isNumber(r.types[k]) : isText(r.types[k]))
                continue;
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("În tabela „%1” din fișierul „%2”, câmpul „%3” este de tip %4; %5.")
                              .arg(r.shown, file, r.shownColumns[k], typeName(r.types[k]),
                                   key ? QStringLiteral("o cheie trebuie să fie un număr întreg: Byte, Integer sau "
                                                        "Long Integer (și AutoNumber)")
                                       : QStringLiteral("textul trebuie să fie de tip Text sau Memo"))};
        }
        if (!linksTable && declared[i] > kMaxRows)
            throw Failure{exitcode::Refused,
                          QStringLiteral("Tabela „%1” din fișierul „%2” are %3; ferestrele programului pot "
                                         "lista cel mult %4. Împărțiți dicționarul înainte de a-l aduce.")
                              .arg(resolved[i].shown, file, Counted(declared[i], "rând", "rânduri"))
                              .arg(kMaxRows)};
    }

    JetImported im;
    im.header = header;
    StoreWriter writer(storePath);
    const bool jet3 = header.version == 0;
    QString codePageLine = QStringLiteral("texte Unicode");
    bool built = false;
    // Words and chapters are all in before the first link: decode, merge and store them.
    const auto build = [&] {
        built = true;
        std::unique_ptr<CodePageDecoder> decoder;
        if (jet3) {
            // Jet 3 texts are bytes in the file's code page, unless the user names another.
            int cp = options.codePage ? options.codePage : header.codePage;
            QString why = options.codePage ? QStringLiteral("dată cu --codepage") : QStringLiteral("numită de fișier");
            if (!options.codePage && cp == 1252) {
                CodePageEvidence evidence;
                for (const JetSide* s : {&im.words, &im.chapters})
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
            if (cp == 0)
                cp = 1252;
            decoder = std::make_unique<CodePageDecoder>(cp);
            codePageLine = QStringLiteral("pagina de cod %1 (%2)").arg(cp).arg(why);
        }
        const auto decode = [&](const QByteArray& b) { return decoder ? decoder->Decode(b) : QString::fromUtf8(b); };
        for (JetSide* s : {&im.words, &im.chapters}) {
            if (static_cast<long long>(s->rows.size()) > kMaxRows)
                throw Failure{exitcode::Refused,
                              QStringLiteral("%1: fișierul are %2; ferestrele programului pot lista cel mult %3.")
                                  .arg(s->title, Counted(static_cast<long long>(s->rows.size()), "rând", "rânduri"))
                                  .arg(kMaxRows)};
            s->build(decode);
        }
        writer.rows(store::kWords, im.words.stored);
        writer.rows(store::kChapters, im.chapters.stored);
    };

    std::vector<std::uint64_t> pairs;  // word key, chapter key
    pairs.reserve(static_cast<std::size_t>(std::min<long long>(declared[2], 20'000'000)));
    const auto link = [&](std::optional<qint32> w, std::optional<qint32> c) {
        const long long row = ++im.linksRead;
        using Range = decltype(im.words.rowsOf(0));
        const Range ws = w ? im.words.rowsOf(*w) : Range{};
        const Range cs = c ? im.chapters.rowsOf(*c) : Range{};
        if (ws.first == ws.second || cs.first == cs.second) {
            QStringList why;
            if (!w)
                why << QStringLiteral("cheia cuvântului este goală");
            else if (ws.first == ws.second)
                why << im.words.missing(*w);
            if (!c)
                why << QStringLiteral("cheia capitolului este goală");
            else if (cs.first == cs.second)
                why << im.chapters.missing(*c);
            im.dropped << QStringLiteral("rândul %1: %2.").arg(row).arg(why.join(QStringLiteral("; ")));
            return;
        }
        // A key that several rows share joins each of them, as a query over the file would.
        for (auto a = ws.first; a != ws.second; ++a)
            for (auto b = cs.first; b != cs.second; ++b) {
                const qint32 wk = im.words.stored[a->second].key;
                const qint32 ck = im.chapters.stored[b->second].key;
                // Offset so that negative keys sort before positive ones.
                pairs.push_back((std::uint64_t(std::uint32_t(wk) ^ 0x80000000u) << 32)
                                | (std::uint32_t(ck) ^ 0x80000000u));
            }
    };

    reader.Read({resolved[0].request, resolved[1].request, resolved[2].request},
                [&](std::size_t request, const std::vector<JetField>& f) {
                    if (request == 2) {
                        if (!built)
                            build();
                        link(keyOf(f[0]), keyOf(f[1]));
                        return;
                    }
                    JetSide& side = request == 0 ? im.words : im.chapters;
                    std::optional<QByteArray> text;
                    if (!f[1].null && !f[1].undecodable)
                        text = jet3 ? QString::fromUtf8(f[1].text).toLatin1() : f[1].text.toByteArray();
                    side.rows.push_back({keyOf(f[0]), std::move(text), f[1].undecodable});
                });
    if (!built)
        build();
    std::sort(pairs.begin(), pairs.end());
    const auto last = std::unique(pairs.begin(), pairs.end());
    im.linksRepeated = static_cast<long long>(pairs.end() - last);
    pairs.erase(last, pairs.end());
    for (const std::uint64_t p : pairs)
        writer.link(static_cast<qint32>(std::uint32_t(p >> 32) ^ 0x80000000u),
                    static_cast<qint32>(std::uint32_t(p) ^ 0x80000000u));
    im.linksStored = static_cast<long long>(pairs.size());
    writer.finish();

    im.report << QStringLiteral("Fișierul „%1”: %2, %3.").arg(file, header.format, codePageLine);
    for (const JetSide* s : {&im.words, &im.chapters})
        im.report << QStringLiteral("%1 (tabela „%2”): %3 citite, %4 păstrate, %5 unite cu altele, %6 sărite.")
                         .arg(s->title, (s == &im.words ? resolved[0] : resolved[1]).shown)
                         .arg(s->rows.size())
                         .arg(s->stored.size())
                         .arg(s->merged)
                         .arg(s->skipped);
    return im;
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
