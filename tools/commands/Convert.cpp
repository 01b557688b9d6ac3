// convert: an Access file replaced by a store of the same name, the original
// kept beside it under a name that says what it is.
#include "tools/base/PendingStore.h"
#include "tools/base/StoreTool.h"
#include "tools/commands/Command.h"
#include "tools/jet/JetImport.h"
#include "tools/jet/JetReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tarvix::tool {

namespace {

// A second name for the original, beside it; no existing file is ever replaced.
QString KeepOriginal(const QFileInfo& info, const JetHeader& header)
{
    const QString kind = header.version == 0   ? QStringLiteral("jet3")
                         : header.version == 1 ? QStringLiteral("jet4")
                                               : QStringLiteral("ace");
    const QString suffix = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    const QByteArray from = QFile::encodeName(info.filePath());
    for (int n = 1; n < 1000; ++n) {
        const QString name =
            QStringLiteral("%1.original-%2%3%4")
                .arg(info.completeBaseName(), kind, n == 1 ? QString() : QStringLiteral("-%1").arg(n), suffix);
        const QString path = info.dir().filePath(name);
        const QByteArray to = QFile::encodeName(path);
        if (::link(from.constData(), to.constData()) == 0)
            return path;
        if (errno == EEXIST)
            continue;
        // A file system without hard links: a copy that refuses an existing name.
        if (QFileInfo::exists(path))
            continue;
        if (QFile::copy(info.filePath(), path))
            return path;
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Originalul „%1” nu poate fi păstrat în dosarul „%2”: %3.")
                          .arg(info.fileName(), FolderOf(info), QString::fromLocal8Bit(std::strerror(errno)))};
    }
    throw Failure{
        exitcode::FileProblem,
        QStringLiteral("Prea multe copii ale originalului „%1” în dosarul „%2”.").arg(info.fileName(), FolderOf(info))};
}

int RunConvert(const QString& file)
{
    QElapsedTimer clock;
    clock.start();
    // As given: a relative name stays good in a folder whose name is not UTF-8.
    const QFileInfo info(file);
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
            throw Failure{
                f.code,
                QStringLiteral("„%1” nu este nici o bază de date Access, nici una Tarvix: %2").arg(file, f.message)};
        }
        PrintOut(QStringLiteral("„%1” este deja o bază de date Tarvix; nu am schimbat nimic.").arg(file));
        return exitcode::Ok;
    }
    PendingStore pending(file, true);
    const JetImportOptions options;
    const JetImported im = ImportJet(info.filePath(), options, pending.tempPath(), info.fileName());
    // Through a link, the file it points to is the original, and it is what gets replaced.
    const QFileInfo real = info.isSymLink() ? QFileInfo(info.canonicalFilePath()) : info;
    const QString original = KeepOriginal(real, JetReader(info.filePath()).header());
    try {
        pending.MoveIntoPlace();
    } catch (...) {
        QFile::remove(original);
        throw;
    }
    PrintOut(JetImportReport(im, file, clock.elapsed()));
    PrintOut(QStringLiteral("Originalul este păstrat ca „%1”; baza de date Tarvix este acum „%2”.")
                 .arg(QFileInfo(original).fileName(), info.fileName()));
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
            {},
            [](const Invocation& in) { return RunConvert(in.positional[0]); }};
}

}  // namespace tarvix::tool
