#include "tools/cli/Help.h"

#include "tools/base/StoreTool.h"
#include "tools/cli/Registry.h"

namespace tarvix::tool {

namespace {

const char* const kIntroduction = R"(Folosire: tarvix-db COMANDĂ [OPȚIUNI] ARGUMENTE

Unealta pentru fișierul de date al programului Tarvix („Dictionar.mdb”):
cuvintele, capitolele și legăturile dintre ele.

Comenzi:)";

const char* const kClosing = R"(Opțiuni pentru orice comandă:
  -h, --help            arată acest text.
  -V, --version         arată ediția: tarvix-db )" TARVIX_EDITION R"(.

Opțiunile se pot scrie oriunde pe linie, cu valoarea după un spațiu sau după
„=” (--format=html); după „--” totul este nume de fișier.

Fișierele CSV: câmpurile sunt despărțite prin virgulă; un câmp care conține
virgulă, ghilimele sau sfârșit de rând se scrie între ghilimele, iar
ghilimelele din el se dublează. La import, textele se scriu fără spații la
capete, cu majuscule literă cu literă (ß rămâne ß) și cu Ș Ț în loc de Ş Ţ; un
text cu un caracter de control sau invizibil sau mai lung de 255 de caractere
este refuzat. Literele mari și mici (și Ş/Ș, Ţ/Ț) contează ca aceeași literă
când se caută dubluri.

Coduri de ieșire:
  0  totul a mers bine;
  2  argumente greșite;
  3  fișierul sau dosarul lipsește, nu este o bază de date Tarvix (sau
     Access, pentru import-mdb și convert), este deteriorat, nu poate fi
     deschis sau scris, ori există deja (fără --force);
  4  date refuzate (import, import-mdb) sau bază de date cu probleme (check);
  5  altă eroare a bazei de date.)";

constexpr int kColumn = 24;
constexpr int kWidth = 80;

// Help lines longer than the column's room broken at a space.
QStringList wrapped(const QStringList& lines)
{
    QStringList out;
    for (QString line : lines) {
        while (line.size() > kWidth - kColumn) {
            const qsizetype cut = line.lastIndexOf(QLatin1Char(' '), kWidth - kColumn);
            if (cut <= 0)
                break;
            out << line.left(cut);
            line = line.mid(cut + 1);
        }
        out << line;
    }
    return out;
}

// The help column starts at 24; a longer head gets a line of its own.
void entry(QStringList& out, const QString& head, const QStringList& lines)
{
    const QString indent(kColumn, QLatin1Char(' '));
    const QStringList help = wrapped(lines);
    qsizetype first = 0;
    if (head.size() <= kColumn - 2 && !help.isEmpty()) {
        out << head.leftJustified(kColumn) + help.front();
        first = 1;
    } else {
        out << head;
    }
    for (qsizetype i = first; i < help.size(); ++i)
        out << indent + help[i];
}

QString optionHead(const Option& o)
{
    QString head = o.letter.isNull() ? QStringLiteral("    ") : QStringLiteral("    -%1, ").arg(o.letter);
    head += o.longName();
    if (o.takesValue())
        head += QLatin1Char(' ') + o.valueName;
    return head;
}

}  // namespace

QString HelpText()
{
    QStringList out{QString::fromUtf8(kIntroduction)};
    for (const Command& c : Registry()) {
        entry(out, QStringLiteral("  ") + c.usage(), c.help);
        for (const Option& o : c.options)
            entry(out, optionHead(o), o.help);
    }
    out << QString() << QString::fromUtf8(kClosing);
    return out.join(QLatin1Char('\n'));
}

Command HelpCommand()
{
    return {QStringLiteral("help"), {}, {}, {QStringLiteral("arată acest text.")}, {}, [](const Invocation&) {
                PrintOut(HelpText());
                return exitcode::Ok;
            }};
}

}  // namespace tarvix::tool
