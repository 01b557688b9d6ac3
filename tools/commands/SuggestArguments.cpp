// The options of suggest, each with what it takes.
#include "tools/commands/Suggest.h"

#include "tools/cli/StoreTool.h"

namespace tarvix::tool {

namespace {

[[noreturn]] void bad(const QString& message)
{
    throw Failure{exitcode::BadArguments, message};
}

}  // namespace

SuggestOptions ParseSuggestArguments(const QStringList& args)
{
    SuggestOptions o;
    QStringList positional;
    bool formatGiven = false, minGiven = false, optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || !arg.startsWith(u'-') || arg.size() == 1) {
            positional << arg;
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }
        if (arg == u"--apply") {
            o.apply = true;
            continue;
        }
        if (arg == u"-f" || arg == u"--force") {
            o.force = true;
            continue;
        }
        const QString name = arg.section(u'=', 0, 0);
        if (name != u"--chapter" && name != u"--format" && name != u"--output" && name != u"--min"
            && name != u"--apply-from")
            bad(QStringLiteral("opțiunea „%1” nu există pentru suggest.").arg(arg));
        QString value;
        if (arg.contains(u'='))
            value = arg.section(u'=', 1);
        else if (i + 1 < args.size())
            value = args[++i];
        else
            bad(QStringLiteral("opțiunea %1 are nevoie de o valoare.").arg(name));
        if (name == u"--chapter") {
            const qsizetype eq = value.indexOf(u'=');
            if (eq <= 0 || eq == value.size() - 1)
                bad(QStringLiteral("opțiunea --chapter primește „TITLU”=FIȘIER, nu „%1”.").arg(value));
            o.chapters.emplace_back(value.left(eq), value.mid(eq + 1));
        } else if (name == u"--format") {
            if (value != u"text" && value != u"csv")
                bad(QStringLiteral("opțiunea --format primește text sau csv, nu „%1”.").arg(value));
            o.csv = value == u"csv";
            formatGiven = true;
        } else if (name == u"--min") {
            bool ok = false;
            o.min = value.toInt(&ok);
            if (!ok || o.min < 1)
                bad(QStringLiteral("opțiunea --min primește un număr de la 1 în sus, nu „%1”.").arg(value));
            minGiven = true;
        } else if (value.isEmpty()) {
            bad(QStringLiteral("un nume de fișier este gol."));
        } else if (name == u"--output") {
            o.output = value;
        } else {
            o.applyFrom = value;
        }
    }
    if (positional.isEmpty() || positional.front().isEmpty())
        bad(QStringLiteral("comanda „suggest” primește un FIȘIER și SURSELE (fișiere sau dosare)."));
    o.store = positional.takeFirst();
    o.sources = positional;
    if (o.apply && !o.applyFrom.isEmpty())
        bad(QStringLiteral("--apply și --apply-from nu merg împreună."));
    if (!o.applyFrom.isEmpty()) {
        if (!o.sources.isEmpty() || !o.chapters.empty() || formatGiven || minGiven || !o.output.isEmpty())
            bad(QStringLiteral("cu --apply-from, suggest primește doar FIȘIERUL bazei de date și fișierul CSV."));
        return o;
    }
    if (o.sources.isEmpty() && o.chapters.empty())
        bad(QStringLiteral("comanda „suggest” are nevoie de cel puțin o sursă: un fișier sau un dosar cu capitole."));
    for (const QString& s : o.sources)
        if (s.isEmpty())
            bad(QStringLiteral("un nume de fișier sau de dosar este gol."));
    return o;
}

}  // namespace tarvix::tool
