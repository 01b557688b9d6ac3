#include "startup/JetConversion.h"

#include "platform/Engine.h"
#include "platform/Toolkit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#ifndef TARVIX_DB_BUILD_PATH
#define TARVIX_DB_BUILD_PATH ""
#endif

namespace tarvix {

QString TarvixDbInBuildTree = QStringLiteral(TARVIX_DB_BUILD_PATH);

namespace {

const QString kToolName = QStringLiteral("tarvix-db");
const QString kToolPrefix = QStringLiteral("tarvix-db: ");
// A conversion that ends sooner shows no window at all.
constexpr int kProgressDelayMs = 400;
// Enough for tarvix-db's own sentences; more would make the error box taller than the screen.
constexpr qsizetype kReasonLength = 600;

bool isProgram(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable();
}

// Closing it would not stop tarvix-db, only hide that it still works.
class BusyDialog : public QProgressDialog {
public:
    using QProgressDialog::QProgressDialog;

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

// The error box already names tarvix-db, and a long list of tables would overflow it.
QString toolMessage(const QByteArray& bytes)
{
    QStringList lines;
    for (QString line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.startsWith(kToolPrefix))
            line = line.mid(kToolPrefix.size()).trimmed();
        if (!line.isEmpty())
            lines << line;
    }
    QString text = lines.join(QLatin1Char('\n'));
    if (text.size() <= kReasonLength)
        return text;
    qsizetype cut = text.lastIndexOf(QLatin1Char(' '), kReasonLength);
    if (cut < kReasonLength / 2)
        cut = text.at(kReasonLength - 1).isHighSurrogate() ? kReasonLength - 1 : kReasonLength;
    return text.left(cut).trimmed() + QStringLiteral(" …");
}

// Runs the conversion with clicks and keys held back, showing that it works if it takes a while.
void runWithProgress(QProcess& process, const QString& name)
{
    BusyDialog progress(QStringLiteral("Se aduc datele din „%1” într-o bază de date Tarvix…").arg(name), QString(), 0,
                        0, QApplication::activeWindow());
    progress.setWindowTitle(QStringLiteral("Tarvix"));
    progress.setCancelButton(nullptr);
    progress.setWindowModality(Qt::ApplicationModal);
    QTimer showLater;
    showLater.setSingleShot(true);
    QObject::connect(&showLater, &QTimer::timeout, &progress, &QWidget::show);

    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            loop.quit();
    });
    process.start();
    showLater.start(kProgressDelayMs);
    // Clicks and keys wait until the store is open: none may reach the splash or the main window before.
    if (process.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    showLater.stop();
    progress.hide();
}

}  // namespace

QString FindTarvixDb()
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(kToolName);
    if (isProgram(beside))
        return beside;
    if (isProgram(TarvixDbInBuildTree))
        return TarvixDbInBuildTree;
    return QStandardPaths::findExecutable(kToolName);
}

bool ConvertJetDictionary(const QString& path, const std::function<void(bool wait)>& hold)
{
    struct Hold {
        const std::function<void(bool)>& hold;
        explicit Hold(const std::function<void(bool)>& h) : hold(h)
        {
            if (hold)
                hold(true);
        }
        ~Hold()
        {
            if (hold)
                hold(false);
        }
    } held(hold);

    const QFileInfo info(path);
    const QString name = info.fileName();
    const QString folder = QDir::toNativeSeparators(info.absolutePath());
    const QString question =
        QStringLiteral("Fișierul „%1” din dosarul „%2” este o bază de date Access mai veche, nu una Tarvix.\n\n"
                       "Doriți să aduceți datele lui într-o bază de date Tarvix nouă, cu același nume? Originalul se "
                       "păstrează neschimbat în același dosar, sub alt nume.")
            .arg(name, folder);
    if (MsgBox(question, vbYesNo + vbQuestion, QStringLiteral("Tarvix")) != vbYes)
        return false;

    const auto failure = [&](const QString& reason, bool untouched) {
        QString text =
            QStringLiteral("Datele fișierului „%1” din dosarul „%2” nu au putut fi aduse într-o bază de date "
                           "Tarvix.")
                .arg(name, folder);
        if (untouched)
            text += QStringLiteral(" Fișierul a rămas cum era.");
        return EngineError(err::NotAStore, text + QStringLiteral("\n\n") + reason);
    };

    const QString tool = FindTarvixDb();
    if (tool.isEmpty())
        throw failure(
            QStringLiteral("Programul tarvix-db, care face această transformare, nu se găsește nici lângă Tarvix "
                           "(în dosarul „%1”), nici în dosarele din PATH.")
                .arg(QDir::toNativeSeparators(QCoreApplication::applicationDirPath())),
            true);

    QProcess process;
    process.setProgram(tool);
    process.setArguments({QStringLiteral("convert"), info.absoluteFilePath()});
    process.setWorkingDirectory(info.absolutePath());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());

    runWithProgress(process, name);

    if (process.error() == QProcess::FailedToStart)
        throw failure(QStringLiteral("Programul „%1” nu a putut fi pornit.").arg(QDir::toNativeSeparators(tool)), true);
    if (process.exitStatus() == QProcess::CrashExit)
        throw failure(QStringLiteral("Programul „%1” s-a oprit neașteptat.").arg(QDir::toNativeSeparators(tool)),
                      false);
    if (process.exitCode() != 0) {
        const QString said = toolMessage(process.readAllStandardError());
        throw failure(said.isEmpty()
                          ? QStringLiteral("Programul tarvix-db s-a încheiat cu codul %1, fără niciun mesaj.")
                                .arg(process.exitCode())
                          : QStringLiteral("Mesajul programului tarvix-db:\n") + said,
                      true);
    }
    return true;
}

}  // namespace tarvix
