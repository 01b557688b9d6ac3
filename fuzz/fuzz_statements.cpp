// The windows' statements for any text: built and translated, each binds
// exactly that text (folded) and keeps the shape it has for a plain word; run
// on a real store holding that text among look-alikes, each matches or deletes
// only the rows whose text is equal to it under the engine's fold key.
#include "FuzzSchema.h"

#include "platform/text/TextFunctions.h"
#include "store/Statements.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <tuple>

using namespace tarvix;
using fuzz::require;

namespace {

fuzz::FuzzStore* gStore = nullptr;
const detail::Schema* gSchema = nullptr;

struct Row {
    std::int64_t id;
    QString text;
    bool operator<(const Row& o) const { return id < o.id; }
    bool operator==(const Row&) const = default;
};
using Link = std::pair<std::int64_t, std::int64_t>;  // word, chapter

struct Model {
    std::vector<Row> words, chapters;
    std::vector<Link> links;
};

QString show(const QString& t)
{
    return QString::fromLatin1(t.toUtf8().toHex());
}

// Whether the store's CHECK refuses the text: blank (spaces only) or longer than 255 characters before a NUL.
bool refusedByStore(const QString& t)
{
    bool blank = true;
    for (QChar c : t)
        blank = blank && c == u' ';
    qsizetype chars = 0;
    for (char32_t u : t.toUcs4()) {
        if (u == 0)
            break;
        ++chars;
    }
    return blank || chars > 255;
}

bool same(const QString& a, const QString& b)
{
    return FoldKey(a) == FoldKey(b);
}

// Texts that look like t but are other texts under the fold key.
std::vector<QString> lookAlikes(const QString& t)
{
    std::vector<QString> out{t + QLatin1Char('X'), QLatin1Char(' ') + t, QLatin1Char('"') + t + QLatin1Char('"'),
                             t + QLatin1String("\" OR \"\"=\""), QStringLiteral("%")};
    // One character shorter, never splitting a surrogate pair (texts stay valid UTF-16, as typed ones are).
    const qsizetype cut = !t.isEmpty() && t.back().isLowSurrogate() ? 2 : 1;
    if (t.size() > cut)
        out.push_back(t.chopped(cut));
    return out;
}

// A text equal to t under the fold key, chosen by the input: t itself, lower case, or the cedilla forms.
QString variantOf(const QString& t, unsigned choice)
{
    QString v = t;
    if (choice == 1)
        v = t.toLower();
    else if (choice == 2)
        for (QChar& c : v) {
            if (c == QChar(0x0218))
                c = QChar(0x015E);
            else if (c == QChar(0x021A))
                c = QChar(0x0162);
            else if (c == QChar(0x0219))
                c = QChar(0x015F);
            else if (c == QChar(0x021B))
                c = QChar(0x0163);
        }
    return same(v, t) ? v : t;
}

// Adds a row the way the editors do (dynaset, AddNew, field, Update) and keeps the model in step.
void addRow(Recordset& rs, const QString& field, const QString& key, const QString& table, const QString& text,
            std::vector<Row>& model)
{
    bool duplicate = false;
    for (const Row& r : model)
        duplicate = duplicate || same(r.text, text);
    rs.AddNew();
    rs.Collect(field) = text;
    try {
        rs.Update();
    } catch (const EngineError& e) {
        rs.CancelUpdate();
        if (e.Number() == err::Duplicate) {
            require(duplicate, "duplicate refused for a new text", show(text));
            return;
        }
        require(e.Number() == err::ValueRefused && refusedByStore(text) && !duplicate, "unexpected refusal",
                QString::number(e.Number()) + QLatin1Char(' ') + show(text));
        return;
    }
    require(!duplicate && !refusedByStore(text), "store took a text it should refuse", show(text));
    Database& db = *gStore->db;
    const std::int64_t id = db.QueryValue(QStringLiteral("SELECT max(%1) FROM %2").arg(key, table)).ToInt64();
    const auto back =
        db.QueryRows(QStringLiteral("SELECT %1, %1_Fold FROM %2 WHERE %3 = ?1").arg(field, table, key), {Variant(id)});
    require(back.size() == 1 && back[0][0].ToText() == text, "text changed on its way into the store", show(text));
    require(back[0][1].ToText() == FoldKey(text), "fold key out of step", show(text));
    model.push_back({id, text});
}

// Look-alikes go in by plain SQL, with the fold key the engine would write.
void addPlain(const QString& field, const QString& table, const QString& text, std::vector<Row>& model)
{
    for (const Row& r : model)
        if (same(r.text, text))
            return;
    if (refusedByStore(text))
        return;
    Database& db = *gStore->db;
    db.QueryRows(QStringLiteral("INSERT INTO %2 (%1, %1_Fold) VALUES (?1, ?2)").arg(field, table),
                 {Variant(text), Variant(FoldKey(text))});
    model.push_back({db.QueryValue(QStringLiteral("SELECT last_insert_rowid()")).ToInt64(), text});
}

Model readStore()
{
    Database& db = *gStore->db;
    Model m;
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Cuvant, Cuvant FROM tblDictionar ORDER BY 1")))
        m.words.push_back({r[0].ToInt64(), r[1].ToText()});
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Capitol, Capitol FROM tblCapitol ORDER BY 1")))
        m.chapters.push_back({r[0].ToInt64(), r[1].ToText()});
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Cuvant, ID_Capitol FROM tblLegatura")))
        m.links.push_back({r[0].ToInt64(), r[1].ToInt64()});
    std::sort(m.links.begin(), m.links.end());
    return m;
}

void requireStoreIs(Model expected, const char* after)
{
    std::sort(expected.words.begin(), expected.words.end());
    std::sort(expected.chapters.begin(), expected.chapters.end());
    std::sort(expected.links.begin(), expected.links.end());
    const Model have = readStore();
    auto list = [](const std::vector<Row>& rows) {
        QStringList out;
        for (const Row& r : rows)
            out << QStringLiteral("%1:%2").arg(r.id).arg(show(r.text));
        return out.join(QLatin1Char(' '));
    };
    require(have.words == expected.words, after,
            QStringLiteral("words differ: store %1 / expected %2").arg(list(have.words), list(expected.words)));
    require(
        have.chapters == expected.chapters, after,
        QStringLiteral("chapters differ: store %1 / expected %2").arg(list(have.chapters), list(expected.chapters)));
    require(have.links == expected.links, after, QStringLiteral("links differ"));
}

const QString* textOf(const std::vector<Row>& rows, std::int64_t id)
{
    for (const Row& r : rows)
        if (r.id == id)
            return &r.text;
    return nullptr;
}

// Built for t, the statement translates to the text it has for a plain word and binds exactly the given values.
void checkBinding(const QString& built, const QString& plain, const std::vector<QString>& values)
{
    static std::map<QString, detail::Translated> plainShapes;
    auto it = plainShapes.find(plain);
    if (it == plainShapes.end())
        it = plainShapes.emplace(plain, detail::Translate(plain, *gSchema)).first;
    const detail::Translated t = detail::Translate(built, *gSchema);
    const detail::Translated& p = it->second;
    require(t.sql == p.sql && t.columns == p.columns && t.kind == p.kind, "text changed the statement", t.sql);
    require(t.params == values, "statement binds other values", built);
}

// The rows for w and c, their variants and look-alikes, added as the editors and plain SQL would.
Model addRows(Database& db, const QString& w, const QString& c, unsigned choice)
{
    Model m;
    {
        auto rs = db.OpenRecordset(QStringLiteral("tblDictionar"), dbOpenDynaset);
        addRow(*rs, QStringLiteral("Cuvant"), QStringLiteral("ID_Cuvant"), QStringLiteral("tblDictionar"),
               variantOf(w, choice % 3), m.words);
        rs->Close();
        for (const QString& d : lookAlikes(w))
            addPlain(QStringLiteral("Cuvant"), QStringLiteral("tblDictionar"), d, m.words);
        addPlain(QStringLiteral("Cuvant"), QStringLiteral("tblDictionar"), c, m.words);
    }
    {
        auto rs = db.OpenRecordset(QStringLiteral("tblCapitol"), dbOpenDynaset);
        addRow(*rs, QStringLiteral("Capitol"), QStringLiteral("ID_Capitol"), QStringLiteral("tblCapitol"),
               variantOf(c, (choice / 3) % 3), m.chapters);
        rs->Close();
        for (const QString& d : lookAlikes(c))
            addPlain(QStringLiteral("Capitol"), QStringLiteral("tblCapitol"), d, m.chapters);
        addPlain(QStringLiteral("Capitol"), QStringLiteral("tblCapitol"), w, m.chapters);
    }
    return m;
}

void addLinks(Database& db, Model& m, unsigned choice)
{
    // The first rows are the texts themselves when the store took them: the first link goes in the
    // way the links editor adds one, the spread of others by plain SQL.
    std::vector<Link> wanted;
    for (std::size_t i = 0; i < m.words.size(); ++i)
        for (std::size_t j = 0; j < m.chapters.size(); ++j)
            if (i + j < 2 || (i * 7 + j * 3 + choice) % 6 == 0)
                wanted.push_back({m.words[i].id, m.chapters[j].id});
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        if (k == 0) {
            auto rs = db.OpenRecordset(QStringLiteral("tblLegatura"), dbOpenDynaset);
            rs->AddNew();
            rs->Collect(QStringLiteral("id_cuvant")) = static_cast<std::int32_t>(wanted[k].first);
            rs->Collect(QStringLiteral("id_capitol")) = static_cast<std::int32_t>(wanted[k].second);
            rs->Update();
            rs->Close();
        } else {
            db.QueryRows(QStringLiteral("INSERT INTO tblLegatura (ID_Cuvant, ID_Capitol) VALUES (?1, ?2)"),
                         {Variant(wanted[k].first), Variant(wanted[k].second)});
        }
        m.links.push_back(wanted[k]);
    }
}

// The search and the links query list exactly the links of words equal to w.
void checkQueries(Database& db, const Model& m, const QString& w)
{
    std::vector<std::pair<QString, QString>> expected, have;
    std::vector<std::tuple<QString, std::int64_t, QString>> expectedLinks, haveLinks;
    for (const Link& l : m.links) {
        const QString* word = textOf(m.words, l.first);
        const QString* chapter = textOf(m.chapters, l.second);
        if (same(*word, w)) {
            expected.push_back({*word, *chapter});
            expectedLinks.push_back({*chapter, l.second, *word});
        }
    }
    auto rs = db.OpenRecordset(store::SearchStatement(w));
    for (; !rs->Eof(); rs->MoveNext())
        have.push_back({rs->Fields(QStringLiteral("Cuvant")).Value.ToText(),
                        rs->Fields(QStringLiteral("capitol")).Value.ToText()});
    rs->Close();
    auto ls = db.OpenRecordset(store::LinksStatement(w));
    for (; !ls->Eof(); ls->MoveNext())
        haveLinks.push_back({ls->Fields(QStringLiteral("Capitol")).Value.ToText(),
                             ls->Fields(QStringLiteral("ID_Capitol")).Value.ToInt64(),
                             ls->Fields(QStringLiteral("Cuvant")).Value.ToText()});
    ls->Close();
    std::sort(expected.begin(), expected.end());
    std::sort(have.begin(), have.end());
    std::sort(expectedLinks.begin(), expectedLinks.end());
    std::sort(haveLinks.begin(), haveLinks.end());
    require(have == expected, "search rows differ", show(w));
    require(haveLinks == expectedLinks, "links query rows differ", show(w));
}

void runOne(const QString& w, const QString& c, unsigned choice)
{
    Database& db = *gStore->db;
    const QString plain = QStringLiteral("PLAIN");
    checkBinding(store::SearchStatement(w), store::SearchStatement(plain), {FoldKey(w)});
    checkBinding(store::LinksStatement(w), store::LinksStatement(plain), {FoldKey(w)});
    checkBinding(store::DeleteWordStatement(w), store::DeleteWordStatement(plain), {FoldKey(w)});
    checkBinding(store::DeleteChapterStatement(c), store::DeleteChapterStatement(plain), {FoldKey(c)});
    checkBinding(store::DeleteLinkStatement(c, w), store::DeleteLinkStatement(plain, plain), {FoldKey(c), FoldKey(w)});

    Model m = addRows(db, w, c, choice);
    addLinks(db, m, choice);
    requireStoreIs(m, "rows added");
    checkQueries(db, m, w);

    // The joined delete removes only the links of that chapter with that word; the rows stay.
    db.Execute(store::DeleteLinkStatement(c, w));
    std::erase_if(m.links, [&](const Link& l) {
        return same(*textOf(m.words, l.first), w) && same(*textOf(m.chapters, l.second), c);
    });
    requireStoreIs(m, "after DELETE of a link");

    // Deleting a word or a chapter removes only the rows equal to it, and their links.
    db.Execute(store::DeleteWordStatement(w));
    std::erase_if(m.links, [&](const Link& l) { return same(*textOf(m.words, l.first), w); });
    std::erase_if(m.words, [&](const Row& r) { return same(r.text, w); });
    requireStoreIs(m, "after DELETE of a word");

    db.Execute(store::DeleteChapterStatement(c));
    std::erase_if(m.links, [&](const Link& l) { return same(*textOf(m.chapters, l.second), c); });
    std::erase_if(m.chapters, [&](const Row& r) { return same(r.text, c); });
    requireStoreIs(m, "after DELETE of a chapter");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    gStore = new fuzz::FuzzStore;
    gSchema = new detail::Schema(fuzz::StoreSchema());
    // Each input runs in a transaction that is rolled back: no disk writes, an empty store every time.
    gStore->db->ExecuteScript(
        QStringLiteral("PRAGMA locking_mode = EXCLUSIVE; PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF"));
    std::atexit([] {
        delete gSchema;
        delete gStore;
    });
    return 0;
}

// Input: one choice byte, then the text; an odd choice splits the rest into a word and a chapter title.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned choice = data[0];
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const std::size_t n = size - 1;
    QString w = QString::fromUtf8(rest, static_cast<qsizetype>(n));
    QString c = w;
    if (choice & 1) {
        const std::size_t at = ((choice >> 1) * n) / 127;
        w = QString::fromUtf8(rest, static_cast<qsizetype>(at));
        c = QString::fromUtf8(rest + at, static_cast<qsizetype>(n - at));
    }
    Database& db = *gStore->db;
    db.BeginTransaction();
    try {
        runOne(w, c, choice >> 1);
    } catch (const EngineError& e) {
        fuzz::fail("engine error", QString::number(e.Number()) + QLatin1Char(' ') + e.Text());
    }
    db.RollbackTransaction();
    require(
        db.QueryValue(QStringLiteral("SELECT (SELECT count(*) FROM tblDictionar) + (SELECT count(*) FROM tblCapitol)"
                                     " + (SELECT count(*) FROM tblLegatura)"))
                .ToInt64()
            == 0,
        "rows left after rollback");
    return 0;
}
