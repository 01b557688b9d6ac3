// tarvix-db: makes, checks, exports and imports the program's store file.
#include "tools/cli/Commands.h"
#include "tools/cli/StoreTool.h"
#include "tools/commands/Index.h"
#include "tools/jet/JetImport.h"
#include "tools/jet/JetReaderChild.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstring>
#include <exception>

using namespace tarvix;
using namespace tarvix::tool;

namespace {

const char* const kHelp = R"(Folosire: tarvix-db COMANDĂ [OPȚIUNI] ARGUMENTE

Unealta pentru fișierul de date al programului Tarvix („Dictionar.mdb”):
cuvintele, capitolele și legăturile dintre ele.

Comenzi:
  create FIȘIER         face o bază de date nouă, goală.
  sample FIȘIER         face o bază de date cu un exemplu: un manual de
                        informatică (42 de capitole, 200 de cuvinte și
                        623 de legături), scris cu majuscule, ca în program.
  check [--repair] FIȘIER
                        verifică structura și datele, arată câte cuvinte,
                        capitole și legături are baza de date și care legături
                        trimit la un cuvânt sau un capitol care lipsește. Cu
                        --repair, repară întâi, într-o singură tranzacție, ce
                        se poate repara fără să se piardă un rând (câmpurile
                        _Fold, spațiile de la capetele textelor, legăturile
                        fără cuvânt sau capitol) și arată fiecare schimbare.
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
  import-mdb [OPȚIUNI] ACCESS FIȘIER
                        face baza de date nouă FIȘIER din fișierul Access
                        (Jet 3, Jet 4 sau ACE) ACCESS al unui dicționar mai
                        vechi; ACCESS nu este schimbat. Textele se păstrează
                        ca în ferestrele programului, rândurile care diferă
                        doar prin litere mari și mici se unesc, legăturile la
                        un cuvânt sau capitol care lipsește se lasă deoparte;
                        raportul arată tot ce s-a schimbat.
  convert FIȘIER        transformă fișierul Access FIȘIER în bază de date
                        Tarvix cu același nume, ca import-mdb; originalul se
                        păstrează alături, cu „.original-jet3” (sau jet4, ace)
                        în nume. Un FIȘIER care este deja o bază de date
                        Tarvix rămâne neatins.
  index [OPȚIUNI] FIȘIER
                        scrie tot indexul ca document de tipărit: fiecare
                        cuvânt, în ordinea alfabetului românesc, urmat de
                        capitolele lui, tot în ordine românească; apoi
                        cuvintele fără capitole și, ca notă la sfârșit,
                        capitolele fără cuvinte. Baza de date nu este
                        schimbată.
  share FIȘIER ADRESĂ   pune dicționarul pe un server PostgreSQL, ca să fie
                        folosit de pe mai multe calculatoare: îl copiază
                        într-o bază de date goală de pe server (ADRESĂ de
                        forma postgresql://SERVER/BAZĂ), într-o singură
                        tranzacție, verifică rând cu rând copia, apoi pune în
                        locul lui FIȘIER o legătură la server și păstrează
                        dicționarul local alături, cu „.local.mdb” în nume
                        (niciodată suprascris). O bază de date care are deja
                        tabele este refuzată. Parola nu se scrie în adresă:
                        vine din ~/.pgpass (sau PGPASSFILE, un fișier de
                        servicii) ori se cere la terminal.
  link FIȘIER ADRESĂ    scrie în FIȘIER legătura la un dicționar aflat deja
                        pe server (pe alt calculator decât cel care l-a pus
                        acolo), după ce verifică dicționarul de pe server.
  copy SURSĂ DESTINAȚIE copiază un dicționar între un fișier și un server, în
                        oricare sens; fiecare poate fi un fișier, o legătură
                        sau o ADRESĂ. Un fișier DESTINAȚIE nu trebuie să
                        existe, o bază de date DESTINAȚIE trebuie să fie goală.
  help                  arată acest text.

Opțiuni:
  -f, --force   create, sample și import-mdb înlocuiesc un FIȘIER care există
                deja; export înlocuiește fișierele CSV care există deja în
                DOSAR; index înlocuiește IEȘIRE. Fără --force niciun fișier
                existent nu este suprascris.
  --repair      check repară ce se poate repara fără să piardă un rând.
  -h, --help    arată acest text.
  -V, --version arată ediția: tarvix-db 1.00.0007.

Opțiunile lui import-mdb (numele se potrivesc fără să conteze literele mari):
  --words TABELĂ:CHEIE:TEXT       implicit tblDictionar:ID_Cuvant:Cuvant
  --chapters TABELĂ:CHEIE:TEXT    implicit tblCapitol:ID_Capitol:Capitol
  --links TABELĂ:CUVÂNT:CAPITOL   implicit tblLegatura:ID_Cuvant:ID_Capitol
  --codepage N  pagina de cod a textelor unui fișier Jet 3 (de exemplu 1250),
                în locul celei pe care o numește fișierul.

Opțiunile lui index:
  --format text|html|tex   text: text simplu UTF-8 (implicit); html: o
                           pagină de sine stătătoare, gata de tipărit pe două
                           coloane; tex: un mediu theindex pentru un document
                           LaTeX cu babel românesc.
  --output IEȘIRE          scrie indexul în fișierul IEȘIRE în loc de
                           ieșirea standard.
  --linked-only            lasă deoparte cuvintele fără capitole și
                           capitolele fără cuvinte.

Fișierele CSV: câmpurile sunt despărțite prin virgulă; un câmp care conține
virgulă, ghilimele sau sfârșit de rând se scrie între ghilimele, iar
ghilimelele din el se dublează. La import, textele se păstrează ca în
ferestrele programului: fără spații la capete și cu majuscule. Un cuvânt are
cel mult 25 de caractere, un titlu de capitol cel mult 40. Literele mari și
mici (și Ş/Ș, Ţ/Ț) contează ca aceeași literă când se caută dubluri.

Coduri de ieșire:
  0  totul a mers bine;
  2  argumente greșite;
  3  fișierul sau dosarul lipsește, nu este o bază de date Tarvix (sau
     Access, pentru import-mdb și convert), este deteriorat, nu poate fi
     deschis sau scris, ori există deja (fără --force);
  4  date refuzate (import, import-mdb) sau bază de date cu probleme (check);
  5  altă eroare a bazei de date.
)";

struct BadArguments {
    QString message;
};

// What a command line may hold besides its command.
struct Arguments {
    QStringList positional;
    bool force = false;
    bool repair = false;
    bool mappingGiven = false;
    JetImportOptions jet;
    bool indexGiven = false;
    IndexOptions index;
};

enum Takes : unsigned { None = 0, Force = 1, Mapping = 2, IndexOnly = 4, Repair = 8 };

struct Command {
    const char* name;
    int arity;
    const char* what;  // for the message when the arguments do not fit
    unsigned takes;
    int (*run)(const Arguments&);
};

const Command kCommands[] = {
    {"create", 1, "un FIȘIER", Force, [](const Arguments& a) { return RunCreate(a.positional[0], a.force, false); }},
    {"sample", 1, "un FIȘIER", Force, [](const Arguments& a) { return RunCreate(a.positional[0], a.force, true); }},
    {"check", 1, "un FIȘIER", Repair, [](const Arguments& a) { return RunCheck(a.positional[0], a.repair); }},
    {"export", 2, "un FIȘIER și un DOSAR", Force,
     [](const Arguments& a) { return RunExport(a.positional[0], a.positional[1], a.force); }},
    {"import", 2, "un FIȘIER și un DOSAR", None,
     [](const Arguments& a) { return RunImport(a.positional[0], a.positional[1]); }},
    {"import-mdb", 2, "un fișier ACCESS și un FIȘIER", Force | Mapping,
     [](const Arguments& a) {
         JetImportOptions o = a.jet;
         o.force = a.force;
         return RunImportMdb(a.positional[0], a.positional[1], o);
     }},
    {"share", 2, "un FIȘIER și o ADRESĂ", None,
     [](const Arguments& a) { return RunShare(a.positional[0], a.positional[1]); }},
    {"link", 2, "un FIȘIER și o ADRESĂ", None,
     [](const Arguments& a) { return RunLink(a.positional[0], a.positional[1]); }},
    {"copy", 2, "o SURSĂ și o DESTINAȚIE", None,
     [](const Arguments& a) { return RunCopy(a.positional[0], a.positional[1]); }},
    {"convert", 1, "un FIȘIER", None, [](const Arguments& a) { return RunConvert(a.positional[0]); }},
    {"index", 1, "un FIȘIER", Force | IndexOnly,
     [](const Arguments& a) {
         IndexOptions o = a.index;
         o.force = a.force;
         return RunIndex(a.positional[0], o);
     }},
    {"help", 0, "", None,
     [](const Arguments&) {
         PrintOut(QString::fromUtf8(kHelp).trimmed());
         return exitcode::Ok;
     }},
};

Arguments parse(const QStringList& args, bool& help, bool& version)
{
    Arguments a;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg.size() == 1) {
            a.positional << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (arg == QLatin1String("-f") || arg == QLatin1String("--force")) {
            a.force = true;
            continue;
        }
        if (arg == QLatin1String("--repair")) {
            a.repair = true;
            continue;
        }
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            help = true;
            continue;
        }
        if (arg == QLatin1String("-V") || arg == QLatin1String("--version")) {
            version = true;
            continue;
        }
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        if (arg == QLatin1String("--linked-only")) {
            a.indexGiven = a.index.linkedOnly = true;
            continue;
        }
        const bool forIndex = name == QLatin1String("--format") || name == QLatin1String("--output");
        const bool valued = forIndex || name == QLatin1String("--words") || name == QLatin1String("--chapters")
                            || name == QLatin1String("--links") || name == QLatin1String("--codepage");
        if (!valued)
            throw BadArguments{QStringLiteral("opțiunea „%1” nu există.").arg(arg)};
        QString value;
        if (arg.contains(QLatin1Char('=')))
            value = arg.section(QLatin1Char('='), 1);
        else if (i + 1 < args.size())
            value = args[++i];
        else
            throw BadArguments{QStringLiteral("opțiunea %1 are nevoie de o valoare.").arg(name)};
        if (forIndex) {
            a.indexGiven = true;
            if (name == QLatin1String("--output") && value.isEmpty())
                throw BadArguments{QStringLiteral("un nume de fișier sau de dosar este gol.")};
            if (name == QLatin1String("--output"))
                a.index.output = value;
            else if (const auto f = IndexFormatNamed(value))
                a.index.format = *f;
            else
                throw BadArguments{
                    QStringLiteral("opțiunea --format primește text, html sau tex, nu „%1”.").arg(value)};
            continue;
        }
        a.mappingGiven = true;
        try {
            if (name == QLatin1String("--codepage")) {
                bool ok = false;
                a.jet.codePage = value.toInt(&ok);
                if (!ok || a.jet.codePage <= 0 || a.jet.codePage > 65535)
                    throw BadArguments{
                        QStringLiteral("opțiunea --codepage primește un număr, ca 1250, nu „%1”.").arg(value)};
            } else {
                JetMapping& m = name == QLatin1String("--words")      ? a.jet.words
                                : name == QLatin1String("--chapters") ? a.jet.chapters
                                                                      : a.jet.links;
                m = ParseJetMapping(name, value);
            }
        } catch (const Failure& f) {
            throw BadArguments{f.message};
        }
    }
    return a;
}

int run(const QStringList& args)
{
    bool help = false, version = false;
    Arguments a = parse(args, help, version);
    if (help) {
        PrintOut(QString::fromUtf8(kHelp).trimmed());
        return exitcode::Ok;
    }
    if (version) {
        PrintOut(QStringLiteral("tarvix-db " TARVIX_EDITION));
        return exitcode::Ok;
    }
    if (a.positional.isEmpty())
        throw BadArguments{QStringLiteral("lipsește comanda.")};
    const QString name = a.positional.takeFirst();
    const Command* cmd = nullptr;
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name))
            cmd = &c;
    if (!cmd)
        throw BadArguments{QStringLiteral("comanda „%1” nu există.").arg(name)};
    if (a.positional.size() != cmd->arity)
        throw BadArguments{cmd->arity == 0
                               ? QStringLiteral("comanda „%1” nu primește argumente.").arg(name)
                               : QStringLiteral("comanda „%1” primește %2.").arg(name, QString::fromUtf8(cmd->what))};
    if (a.force && !(cmd->takes & Force))
        throw BadArguments{QStringLiteral("opțiunea --force nu are sens pentru comanda „%1”.").arg(name)};
    if (a.repair && !(cmd->takes & Repair))
        throw BadArguments{QStringLiteral("opțiunea --repair este doar pentru check.")};
    if (a.mappingGiven && !(cmd->takes & Mapping))
        throw BadArguments{
            QStringLiteral("opțiunile --words, --chapters, --links și --codepage sunt doar pentru import-mdb.")};
    if (a.indexGiven && !(cmd->takes & IndexOnly))
        throw BadArguments{QStringLiteral("opțiunile --format, --output și --linked-only sunt doar pentru index.")};
    for (const QString& p : a.positional)
        if (p.isEmpty())
            throw BadArguments{QStringLiteral("un nume de fișier sau de dosar este gol.")};
    return cmd->run(a);
}

}  // namespace

int main(int argc, char* argv[])
{
    // The Jet reader runs as a child of this same program, before anything else is set up.
    if (argc >= 2 && std::strcmp(argv[1], kJetReaderMode) == 0)
        return RunJetReaderChild(argc - 2, argv + 2);
    QCoreApplication app(argc, argv);
    // A server whose password is in none of libpq's places: asked at the terminal, kept in memory only.
    DBEngine::OnPassword = AskPasswordOnTerminal;
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
