// Crash-safety stress program. "run" edits a store at random the way the
// editors do (dynaset AddNew/Edit/Collect/Update, Execute of the windows'
// DELETE statements), announcing each change before it starts and reporting
// it once committed; "check", run after the process was killed, verifies the
// file (integrity, links with their word and chapter, fold keys) and that every
// change reported as committed is in it, and at most the one in flight besides.
//
//   tarvix-stress create FILE
//   tarvix-stress run FILE SEED [CHANGES]
//   tarvix-stress dump FILE
//   tarvix-stress check FILE STATE LOG     (STATE: the dump before the run; rewritten on success)
#include "platform/Engine.h"
#include "platform/text/TextFunctions.h"
#include "store/Invariants.h"
#include "store/OpenStore.h"
#include "store/Schema.h"
#include "store/Statements.h"

#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <map>
#include <random>
#include <set>

using namespace tarvix;

namespace {

struct State {
    std::map<std::int64_t, QString> words, chapters;
    std::multiset<std::pair<std::int64_t, std::int64_t>> links;  // word, chapter
    bool operator==(const State&) const = default;
};

QString hex(const QString& t)
{
    return QString::fromLatin1(t.toUtf8().toHex());
}
QString unhex(const QString& h)
{
    return QString::fromUtf8(QByteArray::fromHex(h.toLatin1()));
}
bool same(const QString& a, const QString& b)
{
    return FoldKey(a) == FoldKey(b);
}

void say(const QString& line)
{
    const QByteArray utf8 = line.toUtf8() + '\n';
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stdout);
    std::fflush(stdout);
}

State readState(Database& db)
{
    State s;
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Cuvant, Cuvant FROM tblDictionar")))
        s.words[r[0].ToInt64()] = r[1].ToText();
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Capitol, Capitol FROM tblCapitol")))
        s.chapters[r[0].ToInt64()] = r[1].ToText();
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Cuvant, ID_Capitol FROM tblLegatura")))
        s.links.insert({r[0].ToInt64(), r[1].ToInt64()});
    return s;
}

QString dumpState(const State& s)
{
    QString out;
    for (const auto& [id, t] : s.words)
        out += QStringLiteral("W %1 %2\n").arg(id).arg(hex(t));
    for (const auto& [id, t] : s.chapters)
        out += QStringLiteral("C %1 %2\n").arg(id).arg(hex(t));
    for (const auto& [w, c] : s.links)
        out += QStringLiteral("L %1 %2\n").arg(w).arg(c);
    return out;
}

State parseState(const QString& text)
{
    State s;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char(' '));
        if (f[0] == QLatin1String("W"))
            s.words[f[1].toLongLong()] = unhex(f.value(2));
        else if (f[0] == QLatin1String("C"))
            s.chapters[f[1].toLongLong()] = unhex(f.value(2));
        else
            s.links.insert({f[1].toLongLong(), f[2].toLongLong()});
    }
    return s;
}

// ---------------------------------------------------------------- run

class Runner {
public:
    Runner(Database& db, unsigned seed) : db_(db), rng_(seed), state_(readState(db)) {}

    void change(long seq)
    {
        // Each table hovers around kFull rows: past it, its adds turn into deletes.
        const int roll = pick(100);
        const bool wordsFull = state_.words.size() > kFull, chaptersFull = state_.chapters.size() > kFull;
        if (roll < 20)
            wordsFull ? deleteRow(seq, true) : add(seq, true);
        else if (roll < 35)
            chaptersFull ? deleteRow(seq, false) : add(seq, false);
        else if (roll < 50)
            modify(seq, pick(2) == 0);
        else if (roll < 58)
            deleteRow(seq, true);
        else if (roll < 64)
            deleteRow(seq, false);
        else if (roll < 88)
            addLink(seq);
        else
            deleteLink(seq);
    }

private:
    static constexpr std::size_t kFull = 80;

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    // Upper-case Romanian words as the editors save them, now and then with
    // lower case, the cedilla forms, quotes and inner blanks; short ones repeat.
    QString text()
    {
        static const QString letters = QStringLiteral("ABCDEFGHIJLMNOPRSTUVXZĂÂÎȘȚ");
        static const QString odd = QStringLiteral("aăşŞţ\"' -");
        const int length = pick(4) == 0 ? 1 + pick(2) : 1 + pick(25);
        QString t;
        for (int i = 0; i < length; ++i)
            t += pick(8) == 0 ? odd[pick(static_cast<int>(odd.size()))]
                              : letters[pick(static_cast<int>(letters.size()))];
        t = t.trimmed();
        return t.isEmpty() ? QStringLiteral("A") : t;
    }

    template <class Map>
    std::int64_t anyKey(const Map& m)
    {
        auto it = m.begin();
        std::advance(it, pick(static_cast<int>(m.size())));
        return it->first;
    }

    static QString table(bool word) { return word ? QStringLiteral("tblDictionar") : QStringLiteral("tblCapitol"); }
    static QString field(bool word) { return word ? QStringLiteral("Cuvant") : QStringLiteral("Capitol"); }
    static QString key(bool word) { return word ? QStringLiteral("ID_Cuvant") : QStringLiteral("ID_Capitol"); }

    void add(long seq, bool word)
    {
        const QString t = text();
        auto rs = db_.OpenRecordset(table(word), dbOpenDynaset);
        rs->AddNew();
        rs->Collect(field(word)) = t;
        say(QStringLiteral("B %1 %2 %3").arg(seq).arg(word ? "AW" : "AC", hex(t)));
        try {
            rs->Update();
        } catch (const EngineError& e) {
            if (e.Number() != err::Duplicate)
                throw;
            rs->CancelUpdate();
            say(QStringLiteral("NO %1 %2").arg(seq).arg(e.Number()));
            return;
        }
        const std::int64_t id =
            db_.QueryValue(QStringLiteral("SELECT max(%1) FROM %2").arg(key(word), table(word))).ToInt64();
        say(QStringLiteral("OK %1 %2").arg(seq).arg(id));
        (word ? state_.words : state_.chapters)[id] = t;
        rs->Close();
    }

    // The editors reach a row again by a fresh dynaset and a move from its first row.
    void modify(long seq, bool word)
    {
        auto& rows = word ? state_.words : state_.chapters;
        if (rows.empty())
            return add(seq, word);
        auto rs = db_.OpenRecordset(table(word), dbOpenDynaset);
        const int count = rs->RecordCount();
        rs->MoveFirst();
        rs->Move(pick(count));
        const std::int64_t id = rs->Fields(key(word)).Value.ToInt64();
        const QString t = text();
        rs->Edit();
        rs->Collect(field(word)) = t;
        say(QStringLiteral("B %1 %2 %3 %4").arg(seq).arg(word ? "MW" : "MC").arg(id).arg(hex(t)));
        try {
            rs->Update();
        } catch (const EngineError& e) {
            if (e.Number() != err::Duplicate)
                throw;
            rs->CancelUpdate();
            say(QStringLiteral("NO %1 %2").arg(seq).arg(e.Number()));
            return;
        }
        say(QStringLiteral("OK %1").arg(seq));
        rows[id] = t;
        rs->Close();
    }

    void deleteRow(long seq, bool word)
    {
        auto& rows = word ? state_.words : state_.chapters;
        if (rows.empty())
            return;
        // The editors delete by the text in their list; a lower-case spelling must delete the same row.
        QString t = rows[anyKey(rows)];
        if (pick(4) == 0)
            t = t.toLower();
        say(QStringLiteral("B %1 %2 %3").arg(seq).arg(word ? "DW" : "DC", hex(t)));
        db_.Execute(word ? store::DeleteWordStatement(t) : store::DeleteChapterStatement(t));
        say(QStringLiteral("OK %1").arg(seq));
        std::erase_if(state_.links, [&](const auto& l) { return same(rows[word ? l.first : l.second], t); });
        std::erase_if(rows, [&](const auto& r) { return same(r.second, t); });
    }

    // The links editor adds a pair it does not list yet, with lower-case field names.
    void addLink(long seq)
    {
        if (state_.words.empty() || state_.chapters.empty())
            return add(seq, pick(2) == 0);
        const std::int64_t w = anyKey(state_.words), c = anyKey(state_.chapters);
        if (state_.links.count({w, c}))
            return;
        auto rs = db_.OpenRecordset(QStringLiteral("tblLegatura"), dbOpenDynaset);
        rs->AddNew();
        rs->Collect(QStringLiteral("id_cuvant")) = static_cast<std::int32_t>(w);
        rs->Collect(QStringLiteral("id_capitol")) = static_cast<std::int32_t>(c);
        say(QStringLiteral("B %1 AL %2 %3").arg(seq).arg(w).arg(c));
        rs->Update();
        say(QStringLiteral("OK %1").arg(seq));
        rs->Close();
        state_.links.insert({w, c});
    }

    void deleteLink(long seq)
    {
        if (state_.links.empty())
            return addLink(seq);
        auto it = state_.links.begin();
        std::advance(it, pick(static_cast<int>(state_.links.size())));
        const QString title = state_.chapters[it->second], word = state_.words[it->first];
        say(QStringLiteral("B %1 DL %2 %3").arg(seq).arg(hex(title), hex(word)));
        db_.Execute(store::DeleteLinkStatement(title, word));
        say(QStringLiteral("OK %1").arg(seq));
        std::erase_if(state_.links, [&](const auto& l) {
            return same(state_.words[l.first], word) && same(state_.chapters[l.second], title);
        });
    }

    Database& db_;
    std::mt19937 rng_;
    State state_;
};

// ---------------------------------------------------------------- check

struct Op {
    QStringList fields;  // after "B seq"
    QString result;      // "OK", "NO" or empty when the process died before saying
    QString id;          // the key an add was given
};

// What the store holds after op, given the state before; id is the added row's key.
State apply(State s, const Op& op, std::int64_t id, QString* problem)
{
    const QString kind = op.fields[0];
    const bool word = kind.endsWith(QLatin1Char('W'));
    auto& rows = word ? s.words : s.chapters;
    if (kind == QLatin1String("AW") || kind == QLatin1String("AC")) {
        const QString t = unhex(op.fields[1]);
        for (const auto& r : rows)
            if (same(r.second, t)) {
                if (op.result == QLatin1String("OK"))
                    *problem = QStringLiteral("an add was reported committed over an equal text");
                return s;
            }
        if (op.result == QLatin1String("NO"))
            *problem = QStringLiteral("an add was refused as a duplicate with no equal text");
        rows[id] = t;
    } else if (kind == QLatin1String("MW") || kind == QLatin1String("MC")) {
        const std::int64_t key = op.fields[1].toLongLong();
        const QString t = unhex(op.fields[2]);
        for (const auto& r : rows)
            if (r.first != key && same(r.second, t)) {
                if (op.result == QLatin1String("OK"))
                    *problem = QStringLiteral("a change was reported committed over an equal text");
                return s;
            }
        if (op.result == QLatin1String("NO"))
            *problem = QStringLiteral("a change was refused as a duplicate with no equal text");
        if (!rows.count(key))
            *problem = QStringLiteral("a change of a row that is not there");
        rows[key] = t;
    } else if (kind == QLatin1String("DW") || kind == QLatin1String("DC")) {
        const QString t = unhex(op.fields[1]);
        std::erase_if(s.links, [&](const auto& l) {
            auto r = rows.find(word ? l.first : l.second);
            return r != rows.end() && same(r->second, t);
        });
        std::erase_if(rows, [&](const auto& r) { return same(r.second, t); });
    } else if (kind == QLatin1String("AL")) {
        s.links.insert({op.fields[1].toLongLong(), op.fields[2].toLongLong()});
    } else if (kind == QLatin1String("DL")) {
        const QString title = unhex(op.fields[1]), w = unhex(op.fields[2]);
        std::erase_if(s.links, [&](const auto& l) {
            return s.words.count(l.first) && s.chapters.count(l.second) && same(s.words[l.first], w)
                   && same(s.chapters[l.second], title);
        });
    }
    return s;
}

int check(const QString& file, const QString& statePath, const QString& logPath)
{
    auto fail = [](const QString& why) {
        std::fprintf(stderr, "CHECK FAILED: %s\n", why.toUtf8().constData());
        return 1;
    };
    std::unique_ptr<Database> db;
    try {
        // The check's own queries below say what is broken; opening asks only for the schema.
        db = store::Open(file, store::Access::ForRepair);
    } catch (const EngineError& e) {
        return fail(QStringLiteral("the store does not open: %1 %2").arg(e.Number()).arg(e.Text()));
    }
    const QString integrity = db->QueryValue(QStringLiteral("PRAGMA integrity_check")).ToText();
    if (integrity != QLatin1String("ok"))
        return fail(QStringLiteral("integrity_check: ") + integrity);
    if (!db->QueryRows(QStringLiteral("PRAGMA foreign_key_check")).empty())
        return fail(QStringLiteral("foreign_key_check reports rows"));
    const auto orphans = store::LinksWithoutTheirRows(*db).size();
    if (orphans != 0)
        return fail(QStringLiteral("%1 links lack their word or chapter").arg(orphans));
    for (const char* q :
         {"SELECT Cuvant, Cuvant_Fold FROM tblDictionar", "SELECT Capitol, Capitol_Fold FROM tblCapitol"})
        for (const auto& r : db->QueryRows(QString::fromLatin1(q)))
            if (FoldKey(r[0].ToText()) != r[1].ToText())
                return fail(QStringLiteral("fold key out of step for ") + hex(r[0].ToText()));

    QFile sf(statePath), lf(logPath);
    if (!sf.open(QIODevice::ReadOnly) || !lf.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read the state or the log"));
    State expected = parseState(QString::fromUtf8(sf.readAll()));
    sf.close();
    std::vector<Op> ops;
    for (const QString& line : QString::fromUtf8(lf.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QStringList f = line.split(QLatin1Char(' '));
        if (f[0] == QLatin1String("B")) {
            if (!ops.empty() && ops.back().result.isEmpty())
                return fail(QStringLiteral("a change began before the last one ended"));
            ops.push_back({f.mid(2), {}, {}});
        } else if ((f[0] == QLatin1String("OK") || f[0] == QLatin1String("NO")) && !ops.empty()) {
            ops.back().result = f[0];
            ops.back().id = f.value(2);
        }
        // A last line cut by the kill is no report at all.
    }
    const State actual = readState(*db);
    long committed = 0;
    QString problem;
    for (std::size_t i = 0; i < ops.size(); ++i) {
        const Op& op = ops[i];
        if (!op.result.isEmpty()) {
            expected = apply(expected, op, op.id.toLongLong(), &problem);
            if (!problem.isEmpty())
                return fail(QStringLiteral("change %1: %2").arg(i).arg(problem));
            committed += op.result == QLatin1String("OK");
            continue;
        }
        // The change in flight when the process died: wholly in or wholly out.
        std::int64_t id = 0;
        const auto& rows = op.fields[0] == QLatin1String("AW") ? actual.words : actual.chapters;
        const auto& before = op.fields[0] == QLatin1String("AW") ? expected.words : expected.chapters;
        for (const auto& r : rows)
            if (!before.count(r.first))
                id = r.first;
        Op in = op;
        in.result = QStringLiteral("?");
        const State after = apply(expected, in, id, &problem);
        const bool wasIn = actual == after && !(after == expected);
        if (actual == expected || actual == after) {
            std::printf("committed %ld inflight %s\n", committed, wasIn ? "in" : "out");
        } else {
            return fail(QStringLiteral("the store matches neither before nor after the change in flight (%1)")
                            .arg(op.fields.join(QLatin1Char(' '))));
        }
        expected = actual;
    }
    if (ops.empty() || !ops.back().result.isEmpty()) {
        if (!(actual == expected))
            return fail(QStringLiteral("the store differs from the committed changes"));
        std::printf("committed %ld inflight none\n", committed);
    }
    if (!sf.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(QStringLiteral("cannot rewrite the state"));
    sf.write(dumpState(actual).toUtf8());
    return 0;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: tarvix-stress create FILE | run FILE SEED [CHANGES] | dump FILE | check FILE STATE LOG\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() < 2)
        return usage();
    try {
        const QString& mode = args[0];
        if (mode == QLatin1String("create")) {
            auto db = DBEngine().CreateDatabase(args[1]);
            store::CreateSchema(*db);
            db->Close();
        } else if (mode == QLatin1String("run") && args.size() >= 3) {
            auto db = store::Open(args[1], store::Access::ForRepair);
            Runner runner(*db, args[2].toUInt());
            const long changes = args.size() > 3 ? args[3].toLong() : -1;
            for (long seq = 0; changes < 0 || seq < changes; ++seq)
                runner.change(seq);
            db->Close();
        } else if (mode == QLatin1String("dump")) {
            auto db = DBEngine().OpenDatabase(args[1]);
            const QByteArray out = dumpState(readState(*db)).toUtf8();
            std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
        } else if (mode == QLatin1String("check") && args.size() == 4) {
            return check(args[1], args[2], args[3]);
        } else {
            return usage();
        }
    } catch (const EngineError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
