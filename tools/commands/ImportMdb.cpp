// import-mdb: an old Access dictionary made into a new store beside it; the
// Access file is only read.
#include "tools/base/PendingStore.h"
#include "tools/base/StoreTool.h"
#include "tools/commands/Command.h"
#include "tools/jet/JetFileGuard.h"
#include "tools/jet/JetImport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace tarvix::tool {

namespace {

// "TABLE:FIELD:FIELD".
JetMapping ParseJetMapping(const QString& option, const QString& value)
{
    const QStringList parts = value.split(QLatin1Char(':'));
    if (parts.size() != 3
        || std::any_of(parts.begin(), parts.end(), [](const QString& p) { return p.trimmed().isEmpty(); }))
        throw BadArguments{QStringLiteral("opțiunea %1 primește TABELĂ:CÂMP:CÂMP, nu „%2”.").arg(option, value)};
    return {parts[0].trimmed(), parts[1].trimmed(), parts[2].trimmed()};
}

int RunImportMdb(const QString& jet, const QString& store, const JetImportOptions& options, bool force)
{
    QElapsedTimer clock;
    clock.start();
    // As given: a relative name stays good in a folder whose name is not UTF-8.
    const QFileInfo jetInfo(jet);
    const QFileInfo storeInfo(store);
    if (!jetInfo.exists())
        throw Failure{
            exitcode::FileProblem,
            QStringLiteral("Fișierul „%1” nu există în dosarul „%2”.").arg(jetInfo.fileName(), FolderOf(jetInfo))};
    if (jetInfo.absoluteFilePath() == storeInfo.absoluteFilePath()
        || SameFile(jetInfo.filePath(), storeInfo.filePath()))
        throw Failure{exitcode::BadArguments,
                      QStringLiteral("fișierul Access și baza de date nouă nu pot fi același fișier; "
                                     "folosiți „tarvix-db convert %1” ca să-l înlocuiți.")
                          .arg(jet)};
    RefuseIfHeld(jetInfo);
    PendingStore pending(store, force);
    const JetImported im = ImportJet(jetInfo.filePath(), options, pending.tempPath(), storeInfo.fileName());
    pending.MoveIntoPlace();
    PrintOut(JetImportReport(im, store, clock.elapsed()));
    return exitcode::Ok;
}

JetMapping& mappingOf(JetImportOptions& o, const QString& name)
{
    return name == QLatin1String("words") ? o.words : name == QLatin1String("chapters") ? o.chapters : o.links;
}

int runImportMdb(const Invocation& in)
{
    JetImportOptions o;
    for (const char* name : {"words", "chapters", "links"})
        if (in.has(QLatin1String(name)))
            mappingOf(o, QLatin1String(name)) =
                ParseJetMapping(QStringLiteral("--") + QLatin1String(name), in.value(QLatin1String(name)));
    if (in.has(QStringLiteral("codepage")))
        o.codePage = in.value(QStringLiteral("codepage")).toInt();
    if (in.has(QStringLiteral("password")))
        o.password = ReadJetPassword(in.value(QStringLiteral("password")));
    return RunImportMdb(in.positional[0], in.positional[1], o, in.has(QStringLiteral("force")));
}

Option mappingOption(const char* name, const char* shape, const JetMapping& byDefault)
{
    const QString example = QStringList{byDefault.table, byDefault.first, byDefault.second}.join(QLatin1Char(':'));
    return {QLatin1String(name),
            {},
            QString::fromUtf8(shape),
            {QStringLiteral("implicit %1").arg(example)},
            {example},
            [name](const QString& value) { ParseJetMapping(QStringLiteral("--") + QLatin1String(name), value); }};
}

}  // namespace

Command ImportMdbCommand()
{
    const JetImportOptions defaults;
    return {
        QStringLiteral("import-mdb"),
        {QStringLiteral("ACCESS"), QStringLiteral("FIȘIER")},
        QStringLiteral("un fișier ACCESS și un FIȘIER"),
        {QStringLiteral("face baza de date nouă FIȘIER din fișierul Access"),
         QStringLiteral("(Jet 3, Jet 4 sau ACE) ACCESS al unui dicționar mai"),
         QStringLiteral("vechi; ACCESS nu este schimbat. Textele se scriu ca la"),
         QStringLiteral("import (un rând cu textul refuzat se lasă deoparte), rândurile care diferă"),
         QStringLiteral("doar prin litere mari și mici se unesc, legăturile la"),
         QStringLiteral("un cuvânt sau capitol care lipsește se lasă deoparte;"),
         QStringLiteral("raportul arată tot ce s-a schimbat. Numele tabelelor"),
         QStringLiteral("și câmpurilor se potrivesc fără să conteze literele mari.")},
        {{QStringLiteral("force"), QLatin1Char('f'), {}, {QStringLiteral("înlocuiește un FIȘIER care există deja.")}},
         mappingOption("words", "TABELĂ:CHEIE:TEXT", defaults.words),
         mappingOption("chapters", "TABELĂ:CHEIE:TEXT", defaults.chapters),
         mappingOption("links", "TABELĂ:CUVÂNT:CAPITOL", defaults.links),
         {QStringLiteral("codepage"),
          {},
          QStringLiteral("N"),
          {QStringLiteral("pagina de cod a textelor unui fișier Jet 3 (de"),
           QStringLiteral("exemplu 1250), în locul celei pe care o numește fișierul.")},
          {QStringLiteral("1250"), QStringLiteral("1252"), QStringLiteral("1251"), QStringLiteral("1257"),
           QStringLiteral("437"), QStringLiteral("850"), QStringLiteral("852")},
          [](const QString& value) {
              bool ok = false;
              const int n = value.toInt(&ok);
              if (!ok || n <= 0 || n > 65535)
                  throw BadArguments{
                      QStringLiteral("opțiunea --codepage primește un număr, ca 1250, nu „%1”.").arg(value)};
          }},
         JetPasswordOption()},
        &runImportMdb};
}

}  // namespace tarvix::tool
