// share, link and copy: a store on a PostgreSQL server for several computers,
// the link to it in the file's place, and copies between a file and a server.
#include "tools/base/PendingStore.h"
#include "tools/base/StoreTool.h"
#include "tools/commands/Command.h"
#include "tools/commands/Commands.h"
#include "tools/commands/StoreCopy.h"

#include "store/Invariants.h"

#include <QFile>
#include <QFileInfo>

namespace tarvix::tool {

namespace {

bool isUri(const QString& place)
{
    return place.startsWith(QLatin1String("postgresql://")) || place.startsWith(QLatin1String("postgres://"));
}

QString describe(const QString& place)
{
    return isUri(place) ? ServerLink(place).Describe() : QStringLiteral("„%1”").arg(place);
}

// A store on the server the URI names; any failure is a FileProblem naming the server.
std::unique_ptr<Database> openServer(const QString& uri, bool readOnly)
{
    try {
        return DBEngine().OpenServer(uri, readOnly);
    } catch (const EngineError& e) {
        throw Failure{exitcode::FileProblem, DescribeEngineError(e)};
    }
}

// The store at a file, a link or a URI, checked as the program checks it when it opens.
std::unique_ptr<Database> openSource(const QString& place)
{
    std::unique_ptr<Database> db = isUri(place) ? openServer(place, true) : OpenStore(place, Access::ReadOnly);
    try {
        store::RequireSchema(*db);
        store::RequireSoundStore(*db);
    } catch (const EngineError& e) {
        throw Failure{exitcode::FileProblem, DescribeEngineError(e)};
    }
    return db;
}

void printCopied(const StoreCopy& copy, const QString& to)
{
    PrintOut(QStringLiteral("Am copiat în %1: %2, %3 și %4; copia a fost verificată rând cu rând.")
                 .arg(to, Counted(copy.Words(), "cuvânt", "cuvinte"), Counted(copy.Chapters(), "capitol", "capitole"),
                      Counted(copy.Links(), "legătură", "legături")));
}

void copyToServer(const StoreCopy& copy, const QString& uri)
{
    std::unique_ptr<Database> to = openServer(uri, false);
    StoreCopy::RequireEmpty(*to, ServerLink(uri).Describe());
    copy.WriteInto(*to);
    to->Close();
}

}  // namespace

int RunShare(const QString& file, const QString& uri)
{
    try {
        ServerLink::CheckUri(uri);
    } catch (const EngineError& e) {
        throw Failure{exitcode::BadArguments, e.Text()};
    }
    const QFileInfo info(file);
    const QString local = info.dir().filePath(info.completeBaseName() + QStringLiteral(".local.mdb"));
    if (ServerLink::IsLinkFile(info.absoluteFilePath()))
        throw Failure{
            exitcode::Refused,
            QStringLiteral("„%1” este deja o legătură la un server; dicționarul este deja împărțit.").arg(file)};
    // The local store steps aside under this name and is never overwritten.
    if (QFileInfo::exists(local))
        throw Failure{exitcode::Refused, QStringLiteral("Fișierul „%1” există deja; nu îl suprascriu. Mutați-l sau "
                                                        "redenumiți-l, apoi rulați din nou comanda.")
                                             .arg(QFileInfo(local).fileName())};
    std::unique_ptr<Database> from = openSource(file);
    const StoreCopy copy(*from);
    from->Close();
    copyToServer(copy, uri);
    if (!QFile::rename(info.absoluteFilePath(), local))
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Dicționarul a fost copiat pe server, dar „%1” nu a putut fi redenumit în „%2”; "
                                     "scrieți legătura cu „tarvix-db link”.")
                          .arg(file, QFileInfo(local).fileName())};
    try {
        ServerLink::Write(info.absoluteFilePath(), uri);
    } catch (const EngineError& e) {
        QFile::rename(local, info.absoluteFilePath());
        throw Failure{exitcode::FileProblem, DescribeEngineError(e)};
    }
    printCopied(copy, ServerLink(uri).Describe());
    PrintOut(QStringLiteral("„%1” este acum legătura la server; dicționarul local a rămas alături, în „%2”.")
                 .arg(file, QFileInfo(local).fileName()));
    return exitcode::Ok;
}

int RunLink(const QString& file, const QString& uri)
{
    try {
        ServerLink::CheckUri(uri);
    } catch (const EngineError& e) {
        throw Failure{exitcode::BadArguments, e.Text()};
    }
    const QFileInfo info(file);
    // A link replaces only a link: a store file is never overwritten.
    if (info.exists() && !ServerLink::IsLinkFile(info.absoluteFilePath()))
        throw Failure{exitcode::Refused,
                      QStringLiteral("„%1” există și nu este o legătură la un server; nu îl suprascriu.").arg(file)};
    std::unique_ptr<Database> db = openSource(uri);
    db->Close();
    try {
        ServerLink::Write(info.absoluteFilePath(), uri);
    } catch (const EngineError& e) {
        throw Failure{exitcode::FileProblem, DescribeEngineError(e)};
    }
    PrintOut(QStringLiteral("Am scris în „%1” legătura la dicționarul %2.").arg(file, ServerLink(uri).Describe()));
    return exitcode::Ok;
}

int RunCopy(const QString& from, const QString& to)
{
    std::unique_ptr<Database> source = openSource(from);
    const StoreCopy copy(*source);
    source->Close();
    if (isUri(to)) {
        copyToServer(copy, to);
    } else {
        PendingStore pending(to, false);
        try {
            std::unique_ptr<Database> db = DBEngine().CreateDatabase(pending.tempPath());
            copy.WriteInto(*db);
            db->Close();
        } catch (const EngineError& e) {
            throw Failure{exitcode::EngineFailure, QStringLiteral("Fișierul „%1” nu a fost făcut: %2")
                                                       .arg(pending.fileName(), DescribeEngineError(e))};
        }
        pending.MoveIntoPlace();
    }
    printCopied(copy, describe(to));
    return exitcode::Ok;
}

Command ShareCommand()
{
    return {QStringLiteral("share"),
            {QStringLiteral("FIȘIER"), QStringLiteral("ADRESĂ")},
            QStringLiteral("un FIȘIER și o ADRESĂ"),
            {QStringLiteral("pune dicționarul pe un server PostgreSQL, pentru mai"),
             QStringLiteral("multe calculatoare: îl copiază într-o bază de date goală"),
             QStringLiteral("(ADRESĂ ca postgresql://SERVER/BAZĂ), într-o singură"),
             QStringLiteral("tranzacție, verifică copia rând cu rând, apoi pune în"),
             QStringLiteral("locul lui FIȘIER o legătură la server și păstrează"),
             QStringLiteral("dicționarul local alături, cu „.local.mdb” în nume"),
             QStringLiteral("(niciodată suprascris). O bază de date cu tabele este"),
             QStringLiteral("refuzată. Parola nu se scrie în adresă: vine din"),
             QStringLiteral("~/.pgpass (PGPASSFILE, fișier de servicii) sau se cere.")},
            {},
            [](const Invocation& in) { return RunShare(in.positional[0], in.positional[1]); }};
}

Command LinkCommand()
{
    return {QStringLiteral("link"),
            {QStringLiteral("FIȘIER"), QStringLiteral("ADRESĂ")},
            QStringLiteral("un FIȘIER și o ADRESĂ"),
            {QStringLiteral("scrie în FIȘIER legătura la un dicționar aflat deja pe"),
             QStringLiteral("server (de pe alt calculator), după ce îl verifică.")},
            {},
            [](const Invocation& in) { return RunLink(in.positional[0], in.positional[1]); }};
}

Command CopyCommand()
{
    return {QStringLiteral("copy"),
            {QStringLiteral("SURSĂ"), QStringLiteral("DESTINAȚIE")},
            QStringLiteral("o SURSĂ și o DESTINAȚIE"),
            {QStringLiteral("copiază un dicționar între un fișier și un server, în"),
             QStringLiteral("oricare sens; fiecare este un fișier, o legătură sau o"),
             QStringLiteral("ADRESĂ. Un fișier DESTINAȚIE nu trebuie să existe, o"),
             QStringLiteral("bază de date DESTINAȚIE trebuie să fie goală.")},
            {},
            [](const Invocation& in) { return RunCopy(in.positional[0], in.positional[1]); }};
}

}  // namespace tarvix::tool
