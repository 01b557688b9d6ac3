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

#include "stress/Runner.h"

using namespace tarvix;
using namespace tarvix::stress;

namespace {

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

// What the store says of itself: integrity, foreign keys, orphans, fold keys. Empty when sound.
QString soundnessProblem(Database& db)
{
    const QString integrity = db.QueryValue(QStringLiteral("PRAGMA integrity_check")).ToText();
    if (integrity != QLatin1String("ok"))
        return QStringLiteral("integrity_check: ") + integrity;
    if (!db.QueryRows(QStringLiteral("PRAGMA foreign_key_check")).empty())
        return QStringLiteral("foreign_key_check reports rows");
    const auto orphans = store::LinksWithoutTheirRows(db).size();
    if (orphans != 0)
        return QStringLiteral("%1 links lack their word or chapter").arg(orphans);
    for (const char* q :
         {"SELECT Cuvant, Cuvant_Fold FROM tblDictionar", "SELECT Capitol, Capitol_Fold FROM tblCapitol"})
        for (const auto& r : db.QueryRows(QString::fromLatin1(q)))
            if (FoldKey(r[0].ToText()) != r[1].ToText())
                return QStringLiteral("fold key out of step for ") + hex(r[0].ToText());
    return {};
}

// The runner's log: one change per "B" line, its outcome on the next "OK"/"NO" line.
std::vector<Op> readLog(const QByteArray& log, QString* problem)
{
    std::vector<Op> ops;
    for (const QString& line : QString::fromUtf8(log).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QStringList f = line.split(QLatin1Char(' '));
        if (f[0] == QLatin1String("B")) {
            if (!ops.empty() && ops.back().result.isEmpty()) {
                *problem = QStringLiteral("a change began before the last one ended");
                return {};
            }
            ops.push_back({f.mid(2), {}, {}});
        } else if ((f[0] == QLatin1String("OK") || f[0] == QLatin1String("NO")) && !ops.empty()) {
            ops.back().result = f[0];
            ops.back().id = f.value(2);
        }
        // A last line cut by the kill is no report at all.
    }
    return ops;
}

// Replays the logged changes over the last state and compares with the store. Empty when they agree.
QString replayProblem(State expected, const std::vector<Op>& ops, const State& actual)
{
    long committed = 0;
    QString problem;
    for (std::size_t i = 0; i < ops.size(); ++i) {
        const Op& op = ops[i];
        if (!op.result.isEmpty()) {
            expected = apply(expected, op, op.id.toLongLong(), &problem);
            if (!problem.isEmpty())
                return QStringLiteral("change %1: %2").arg(i).arg(problem);
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
        if (!(actual == expected || actual == after))
            return QStringLiteral("the store matches neither before nor after the change in flight (%1)")
                .arg(op.fields.join(QLatin1Char(' ')));
        std::printf("committed %ld inflight %s\n", committed, wasIn ? "in" : "out");
        expected = actual;
    }
    if (ops.empty() || !ops.back().result.isEmpty()) {
        if (!(actual == expected))
            return QStringLiteral("the store differs from the committed changes");
        std::printf("committed %ld inflight none\n", committed);
    }
    return {};
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
    if (const QString why = soundnessProblem(*db); !why.isEmpty())
        return fail(why);
    QFile sf(statePath), lf(logPath);
    if (!sf.open(QIODevice::ReadOnly) || !lf.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read the state or the log"));
    const State expected = parseState(QString::fromUtf8(sf.readAll()));
    sf.close();
    QString problem;
    const std::vector<Op> ops = readLog(lf.readAll(), &problem);
    if (!problem.isEmpty())
        return fail(problem);
    const State actual = readState(*db);
    if (const QString why = replayProblem(expected, ops, actual); !why.isEmpty())
        return fail(why);
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
