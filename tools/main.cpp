// tarvix-db: makes, checks, exports and imports the program's store file.
#include "tools/Commands.h"
#include "tools/StoreTool.h"

#include <QCoreApplication>
#include <QStringList>

#include <exception>

using namespace tarvix;
using namespace tarvix::tool;

namespace {

const char* const kHelp = R"(Folosire: tarvix-db COMANDĂ [--force] ARGUMENTE

Unealta pentru fișierul de date al programului Tarvix („Dictionar.mdb”):
cuvintele, capitolele și legăturile dintre ele.

Comenzi:
  create FIȘIER         face o bază de date nouă, goală.
  sample FIȘIER         face o bază de date cu un exemplu: un manual de
                        informatică (42 de capitole, 200 de cuvinte și
                        623 de legături), scris cu majuscule, ca în program.
  check FIȘIER          verifică structura și datele, arată câte cuvinte,
                        capitole și legături are baza de date și care legături
                        trimit la un cuvânt sau un capitol care lipsește.
  export FIȘIER DOSAR   scrie tabelele în DOSAR (îl face dacă lipsește), ca
                        fișiere CSV în UTF-8, fiecare cu un rând de antet:
                          cuvinte.csv   Cuvant
                          capitole.csv  Capitol
                          legaturi.csv  Cuvant,Capitol (textele cuvântului
                                        și capitolului legate)
  import FIȘIER DOSAR   adaugă în baza de date cuvintele, capitolele și
                        legăturile din cele trei fișiere CSV din DOSAR: totul
                        sau nimic. Un rând greșit sau o dublură oprește tot
                        importul, iar fiecare problemă este arătată cu
                        fișierul și numărul liniei.
  help                  arată acest text.

Opțiuni:
  -f, --force   create și sample înlocuiesc un FIȘIER care există deja;
                export înlocuiește fișierele CSV care există deja în DOSAR.
                Fără --force niciun fișier existent nu este suprascris.
  -h, --help    arată acest text.

Fișierele CSV: câmpurile sunt despărțite prin virgulă; un câmp care conține
virgulă, ghilimele sau sfârșit de rând se scrie între ghilimele, iar
ghilimelele din el se dublează. La import, textele se păstrează ca în
ferestrele programului: fără spații la capete și cu majuscule. Un cuvânt are
cel mult 25 de caractere, un titlu de capitol cel mult 40. Literele mari și
mici (și Ş/Ș, Ţ/Ț) contează ca aceeași literă când se caută dubluri.

Coduri de ieșire:
  0  totul a mers bine;
  2  argumente greșite;
  3  fișierul sau dosarul lipsește, nu este o bază de date Tarvix, nu poate
     fi deschis sau scris, ori există deja (fără --force);
  4  date refuzate (import) sau bază de date cu probleme (check);
  5  altă eroare a bazei de date.
)";

struct BadArguments {
    QString message;
};

struct Command {
    const char* name;
    int arity;
    bool takesForce;
};

const Command kCommands[] = {
    {"create", 1, true}, {"sample", 1, true}, {"check", 1, false},
    {"export", 2, true}, {"import", 2, false}, {"help", 0, false},
};

int run(const QStringList& args)
{
    bool force = false;
    bool help = false;
    bool optionsEnded = false;
    QStringList positional;
    for (const QString& a : args) {
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (a == QLatin1String("-f") || a == QLatin1String("--force"))) {
            force = true;
        } else if (!optionsEnded && (a == QLatin1String("-h") || a == QLatin1String("--help"))) {
            help = true;
        } else if (!optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            throw BadArguments{QStringLiteral("opțiunea „%1” nu există.").arg(a)};
        } else {
            positional << a;
        }
    }
    if (help || (positional.size() == 1 && positional[0] == QLatin1String("help") && !force)) {
        PrintOut(QString::fromUtf8(kHelp).trimmed());
        return exitcode::Ok;
    }
    if (positional.isEmpty())
        throw BadArguments{QStringLiteral("lipsește comanda.")};
    const QString name = positional.takeFirst();
    const Command* cmd = nullptr;
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name))
            cmd = &c;
    if (!cmd)
        throw BadArguments{QStringLiteral("comanda „%1” nu există.").arg(name)};
    if (positional.size() != cmd->arity)
        throw BadArguments{cmd->arity == 0   ? QStringLiteral("comanda „%1” nu primește argumente.").arg(name)
                           : cmd->arity == 1 ? QStringLiteral("comanda „%1” primește un FIȘIER.").arg(name)
                                             : QStringLiteral("comanda „%1” primește un FIȘIER și un DOSAR.").arg(name)};
    if (force && !cmd->takesForce)
        throw BadArguments{QStringLiteral("opțiunea --force nu are sens pentru comanda „%1”.").arg(name)};
    for (const QString& p : positional)
        if (p.isEmpty())
            throw BadArguments{QStringLiteral("un nume de fișier sau de dosar este gol.")};

    if (name == QLatin1String("create"))
        return RunCreate(positional[0], force, false);
    if (name == QLatin1String("sample"))
        return RunCreate(positional[0], force, true);
    if (name == QLatin1String("check"))
        return RunCheck(positional[0]);
    if (name == QLatin1String("export"))
        return RunExport(positional[0], positional[1], force);
    return RunImport(positional[0], positional[1]);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
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
