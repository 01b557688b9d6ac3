#include "tools/cli/CommandLine.h"

#include "tools/base/StoreTool.h"
#include "tools/cli/Help.h"
#include "tools/cli/Registry.h"

#include <exception>

namespace tarvix::tool {

namespace {

// The first description of each option any command takes, in the registry's order.
std::vector<const Option*> allOptions()
{
    std::vector<const Option*> all;
    for (const Command& c : Registry())
        for (const Option& o : c.options)
            if (std::none_of(all.begin(), all.end(), [&](const Option* a) { return a->name == o.name; }))
                all.push_back(&o);
    return all;
}

const Option* optionWritten(const QString& written)
{
    for (const Option* o : allOptions())
        if (written == o->longName() || (!o->letter.isNull() && written == QStringLiteral("-") + o->letter))
            return o;
    return nullptr;
}

// What the command line asks besides a command: the help text, or the edition.
struct Asked {
    bool help = false;
    bool version = false;
};

Invocation parse(const QStringList& args, Asked& asked)
{
    Invocation in;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg.size() == 1) {
            in.positional << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            asked.help = true;
            continue;
        }
        if (arg == QLatin1String("-V") || arg == QLatin1String("--version")) {
            asked.version = true;
            continue;
        }
        if (const Option* flag = optionWritten(arg); flag && !flag->takesValue()) {
            in.set(flag->name, QString());
            continue;
        }
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        const Option* o = optionWritten(name);
        if (!o || !o->takesValue())
            throw BadArguments{QStringLiteral("opțiunea „%1” nu există.").arg(arg)};
        QString value;
        if (arg.contains(QLatin1Char('=')))
            value = arg.section(QLatin1Char('='), 1);
        else if (i + 1 < args.size())
            value = args[++i];
        else
            throw BadArguments{QStringLiteral("opțiunea %1 are nevoie de o valoare.").arg(name)};
        // Checked once the command is known: two commands may take one name with values of their own.
        in.set(o->name, value);
    }
    return in;
}

QString listed(const QStringList& names)
{
    if (names.size() == 1)
        return names.front();
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" și ") + names.back();
}

// An option the command does not take: named with the one command that takes it, or alone.
void refuseForeignOptions(const Command& cmd, const Invocation& in)
{
    for (const Option* o : allOptions()) {
        if (!in.has(o->name) || cmd.option(o->longName()))
            continue;
        std::vector<const Command*> owners;
        for (const Command& c : Registry())
            if (c.option(o->longName()))
                owners.push_back(&c);
        if (owners.size() != 1)
            throw BadArguments{
                QStringLiteral("opțiunea %1 nu are sens pentru comanda „%2”.").arg(o->longName(), cmd.name)};
        QStringList own;
        for (const Option& mine : owners.front()->options) {
            const bool shared = std::any_of(Registry().begin(), Registry().end(), [&](const Command& c) {
                return &c != owners.front() && c.option(mine.longName());
            });
            if (!shared)
                own << mine.longName();
        }
        throw BadArguments{
            own.size() == 1
                ? QStringLiteral("opțiunea %1 este doar pentru %2.").arg(own.front(), owners.front()->name)
                : QStringLiteral("opțiunile %1 sunt doar pentru %2.").arg(listed(own), owners.front()->name)};
    }
}

int run(const QStringList& args)
{
    Asked asked;
    Invocation in = parse(args, asked);
    if (asked.help) {
        PrintOut(HelpText());
        return exitcode::Ok;
    }
    if (asked.version) {
        PrintOut(QStringLiteral("tarvix-db " TARVIX_EDITION));
        return exitcode::Ok;
    }
    if (in.positional.isEmpty())
        throw BadArguments{QStringLiteral("lipsește comanda.")};
    const QString name = in.positional.takeFirst();
    const Command* cmd = CommandNamed(name);
    if (!cmd)
        throw BadArguments{QStringLiteral("comanda „%1” nu există.").arg(name)};
    const bool fits = cmd->takesMany() ? in.positional.size() >= cmd->arguments.size() - 1
                                       : in.positional.size() == cmd->arguments.size();
    if (!fits)
        throw BadArguments{cmd->arguments.isEmpty()
                               ? QStringLiteral("comanda „%1” nu primește argumente.").arg(name)
                               : QStringLiteral("comanda „%1” primește %2.").arg(name, cmd->wants)};
    refuseForeignOptions(*cmd, in);
    for (const Option& o : cmd->options)
        if (o.check)
            for (const QString& value : in.values(o.name))
                o.check(value);
    for (const QString& p : in.positional)
        if (p.isEmpty())
            throw BadArguments{QStringLiteral("un nume de fișier sau de dosar este gol.")};
    return cmd->run(in);
}

}  // namespace

int RunCommandLine(const QStringList& args)
{
    try {
        return run(args);
    } catch (const BadArguments& e) {
        PrintErr(e.message);
        PrintErr(QStringLiteral("Scrieți „tarvix-db --help” ca să vedeți cum se folosește."));
        return exitcode::BadArguments;
    } catch (const Failure& f) {
        PrintErr(f.message);
        return f.code;
    } catch (const EngineError& e) {
        PrintErr(DescribeEngineError(e));
        return exitcode::EngineFailure;
    } catch (const std::exception& e) {
        PrintErr(QStringLiteral("eroare neașteptată: %1").arg(QString::fromLocal8Bit(e.what())));
        return exitcode::EngineFailure;
    }
}

}  // namespace tarvix::tool
