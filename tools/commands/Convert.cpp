// convert: an Access file replaced by a store of the same name, the original
// kept beside it under a name that says what it is.
#include "tools/base/PendingStore.h"
#include "tools/base/SignalCleanup.h"
#include "tools/base/StoreTool.h"
#include "tools/commands/Command.h"
#include "tools/jet/JetFileGuard.h"
#include "tools/jet/JetImport.h"
#include "tools/jet/JetReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace tarvix::tool {

namespace {

int RunConvert(const QString& file, const std::optional<QString>& password)
{
    QElapsedTimer clock;
    clock.start();
    // As given: a relative name stays good in a folder whose name is not UTF-8.
    const QFileInfo info(file);
    // Twice at most: a conversion that finished while this one waited for the file leaves a Tarvix store.
    for (int attempt = 0;; ++attempt) {
        if (!info.exists() || !info.isFile())
            throw Failure{
                exitcode::FileProblem,
                info.isDir()
                    ? QStringLiteral("„%1” este un dosar, nu un fișier.").arg(file)
                    : QStringLiteral("Fișierul „%1” nu există în dosarul „%2”.").arg(info.fileName(), FolderOf(info))};
        if (!IsJetFile(info.filePath())) {
            try {
                OpenStore(info.filePath(), Access::ReadOnly)->Close();
            } catch (const Failure& f) {
                throw Failure{f.code, QStringLiteral("„%1” nu este nici o bază de date Access, nici una Tarvix: %2")
                                          .arg(file, f.message)};
            }
            PrintOut(QStringLiteral("„%1” este deja o bază de date Tarvix; nu am schimbat nimic.").arg(file));
            return exitcode::Ok;
        }
        const ConversionLock lock(info);
        if (lock.changed() && attempt == 0)
            continue;
        RefuseIfHeld(info);
        PendingStore pending(file, true);
        JetImportOptions options;
        options.password = password;
        const JetImported im = ImportJet(info.filePath(), options, pending.tempPath(), info.fileName());
        // Through a link, the file it points to is the original, and it is what gets replaced.
        const QFileInfo real = info.isSymLink() ? QFileInfo(info.canonicalFilePath()) : info;
        const QString original = KeepOriginal(real, im.header);
        SignalCleanup keep(original);
        try {
            const SignalCleanup::Hold hold;
            pending.MoveIntoPlace();
            keep.release();
        } catch (...) {
            QFile::remove(original);
            throw;
        }
        // Access's lock file spoke of the old file; beside the store it would only mislead.
        QFile::remove(LockFileOf(info));
        PrintOut(JetImportReport(im, file, clock.elapsed()));
        PrintOut(QStringLiteral("Originalul este păstrat ca „%1”; baza de date Tarvix este acum „%2”.")
                     .arg(QFileInfo(original).fileName(), info.fileName()));
        return exitcode::Ok;
    }
}

// Only the name the original would be kept under: the program names it in its question before converting.
int PrintOriginalName(const QString& file)
{
    const QFileInfo info(file);
    if (!info.isFile())
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” nu există în dosarul „%2”.").arg(info.fileName(), FolderOf(info))};
    const JetHeader header = InspectJetFile(info.filePath());
    if (!header.ok())
        throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” %2").arg(info.fileName(), header.problem)};
    const QFileInfo real = info.isSymLink() ? QFileInfo(info.canonicalFilePath()) : info;
    PrintOut(FreeOriginalName(real, header));
    return exitcode::Ok;
}

}  // namespace

Command ConvertCommand()
{
    return {QStringLiteral("convert"),
            {QStringLiteral("FIȘIER")},
            QStringLiteral("un FIȘIER"),
            {QStringLiteral("transformă fișierul Access FIȘIER în bază de date"),
             QStringLiteral("Tarvix cu același nume, ca import-mdb; originalul se"),
             QStringLiteral("păstrează alături, cu „.original-jet3” (sau jet4, ace)"),
             QStringLiteral("în nume. Un FIȘIER care este deja o bază de date"),
             QStringLiteral("Tarvix rămâne neatins.")},
            {JetPasswordOption(),
             {QStringLiteral("original-name"),
              {},
              {},
              {QStringLiteral("doar afișează numele sub care s-ar păstra originalul,"),
               QStringLiteral("fără să schimbe nimic.")}}},
            [](const Invocation& in) {
                if (in.has(QStringLiteral("original-name")))
                    return PrintOriginalName(in.positional[0]);
                std::optional<QString> password;
                if (in.has(QStringLiteral("password")))
                    password = ReadJetPassword(in.value(QStringLiteral("password")));
                return RunConvert(in.positional[0], password);
            }};
}

}  // namespace tarvix::tool
