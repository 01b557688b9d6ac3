// What suggest's command line asks for, checked against itself: the options
// that exclude each other, and a source unless a reviewed file is applied.
#include "tools/commands/Suggest.h"

#include "tools/base/StoreTool.h"
#include "tools/commands/Command.h"

namespace tarvix::tool {

namespace {

[[noreturn]] void bad(const QString& message)
{
    throw BadArguments{message};
}

}  // namespace

std::pair<QString, QString> SuggestChapterOption(const QString& value)
{
    const qsizetype eq = value.indexOf(u'=');
    if (eq <= 0 || eq == value.size() - 1 || value.left(eq).trimmed().isEmpty())
        bad(QStringLiteral("opțiunea --chapter primește „TITLU”=FIȘIER, nu „%1”.").arg(value));
    return {value.left(eq), value.mid(eq + 1)};
}

int SuggestMinOption(const QString& value)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < 1)
        bad(QStringLiteral("opțiunea --min primește un număr de la 1 în sus, nu „%1”.").arg(value));
    return n;
}

SuggestOptions SuggestOptionsOf(const Invocation& in)
{
    SuggestOptions o;
    QStringList positional = in.positional;
    if (positional.isEmpty())
        bad(QStringLiteral("comanda „suggest” primește un FIȘIER și SURSELE (fișiere sau dosare)."));
    o.store = positional.takeFirst();
    o.sources = positional;
    for (const QString& c : in.values(QStringLiteral("chapter")))
        o.chapters.push_back(SuggestChapterOption(c));
    o.csv = in.value(QStringLiteral("format")) == u"csv";
    o.output = in.value(QStringLiteral("output"));
    o.force = in.has(QStringLiteral("force"));
    if (in.has(QStringLiteral("min")))
        o.min = SuggestMinOption(in.value(QStringLiteral("min")));
    o.apply = in.has(QStringLiteral("apply"));
    o.applyFrom = in.value(QStringLiteral("apply-from"));
    if (o.apply && in.has(QStringLiteral("apply-from")))
        bad(QStringLiteral("--apply și --apply-from nu merg împreună."));
    if (in.has(QStringLiteral("apply-from"))) {
        const bool more = !o.sources.isEmpty() || !o.chapters.empty() || in.has(QStringLiteral("format"))
                          || in.has(QStringLiteral("min")) || in.has(QStringLiteral("output"));
        if (more)
            bad(QStringLiteral("cu --apply-from, suggest primește doar FIȘIERUL bazei de date și fișierul CSV."));
        return o;
    }
    if (o.sources.isEmpty() && o.chapters.empty())
        bad(QStringLiteral("comanda „suggest” are nevoie de cel puțin o sursă: un fișier sau un dosar cu capitole."));
    return o;
}

}  // namespace tarvix::tool
