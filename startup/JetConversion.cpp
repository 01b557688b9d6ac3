#include "startup/JetConversion.h"

#include "platform/Engine.h"
#include "platform/Toolkit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#include <optional>

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

// Naming the original takes tarvix-db a moment; one that takes longer is asked nothing more.
constexpr int kNameWaitMs = 5000;

// tarvix-db's status for a Jet file whose password was not given, or not matched.
constexpr int kPasswordNeeded = 6;

struct ToolOutcome {
    bool failedToStart = false;
    bool crashed = false;
    int code = 0;
    QByteArray out, err;
};

// Runs tarvix-db convert with a busy window shown if it takes long; clicks and keys wait for it.
ToolOutcome runConvert(const QString& tool, const QFileInfo& info, const std::optional<QString>& password)
{
    QProcess process;
    process.setProgram(tool);
    QStringList args{QStringLiteral("convert")};
    if (password)
        args << QStringLiteral("--password") << QStringLiteral("-");
    process.setArguments(args << info.absoluteFilePath());
    process.setWorkingDirectory(info.absolutePath());
    if (!password)
        process.setStandardInputFile(QProcess::nullDevice());

    BusyDialog progress(QStringLiteral("Se aduc datele din „%1” într-o bază de date Tarvix…").arg(info.fileName()),
                        QString(), 0, 0, QApplication::activeWindow());
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
    if (password && process.waitForStarted()) {
        process.write(password->toUtf8() + '\n');
        process.closeWriteChannel();
    }
    showLater.start(kProgressDelayMs);
    // Clicks and keys wait until the store is open: none may reach the splash or the main window before.
    if (process.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    showLater.stop();
    progress.hide();

    ToolOutcome outcome;
    outcome.failedToStart = process.error() == QProcess::FailedToStart;
    outcome.crashed = !outcome.failedToStart && process.exitStatus() == QProcess::CrashExit;
    outcome.code = process.exitCode();
    outcome.out = process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    return outcome;
}

// The name tarvix-db will keep the original under, for the question; empty when it cannot say.
QString originalName(const QString& tool, const QFileInfo& info)
{
    if (tool.isEmpty())
        return {};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setWorkingDirectory(info.absolutePath());
    process.start(tool, {QStringLiteral("convert"), QStringLiteral("--original-name"), info.absoluteFilePath()});
    if (!process.waitForFinished(kNameWaitMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return {};
    const QString name = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return name.contains(QLatin1Char('\n')) ? QString() : name;
}

// The password question; nothing when the user cancels it.
std::optional<QString> askPassword(const QString& name, const QString& said)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(QStringLiteral("Tarvix"));
    dialog.setLabelText(QStringLiteral("%1\n\nParola bazei de date Access „%2”:").arg(said, name));
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Renunță"));
    dialog.setObjectName(QStringLiteral("JetPassword"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

// The report's figures: every line but the lists of rows under them.
QString reportSummary(const QByteArray& out)
{
    QStringList lines;
    for (const QString& line : QString::fromUtf8(out).split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char(' ')) || line.endsWith(QLatin1Char(':')))
            continue;
        lines << line;
    }
    return QStringLiteral("Datele au fost aduse într-o bază de date Tarvix.\n\n") + lines.join(QLatin1Char('\n'));
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
    const QString tool = FindTarvixDb();
    const QString kept = originalName(tool, info);
    const QString question =
        QStringLiteral("Fișierul „%1” din dosarul „%2” este o bază de date Access mai veche, nu una Tarvix.\n\n"
                       "Doriți să aduceți datele lui într-o bază de date Tarvix nouă, cu același nume? Originalul se "
                       "păstrează neschimbat în același dosar, %3.")
            .arg(name, folder, kept.isEmpty() ? QStringLiteral("sub alt nume") : QStringLiteral("ca „%1”").arg(kept));
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

    if (tool.isEmpty())
        throw failure(
            QStringLiteral("Programul tarvix-db, care face această transformare, nu se găsește nici lângă Tarvix "
                           "(în dosarul „%1”), nici în dosarele din PATH.")
                .arg(QDir::toNativeSeparators(QCoreApplication::applicationDirPath())),
            true);

    // A password-protected file: asked for, and given to tarvix-db on its input, never on its command line.
    std::optional<QString> password;
    for (;;) {
        const ToolOutcome run = runConvert(tool, info, password);
        if (run.failedToStart)
            throw failure(QStringLiteral("Programul „%1” nu a putut fi pornit.").arg(QDir::toNativeSeparators(tool)),
                          true);
        if (run.crashed)
            throw failure(QStringLiteral("Programul „%1” s-a oprit neașteptat.").arg(QDir::toNativeSeparators(tool)),
                          false);
        if (run.code == kPasswordNeeded) {
            password = askPassword(name, toolMessage(run.err));
            if (!password)
                throw failure(QStringLiteral("Fișierul este protejat cu o parolă, iar parola nu a fost dată."), true);
            continue;
        }
        if (run.code != 0) {
            const QString said = toolMessage(run.err);
            throw failure(
                said.isEmpty()
                    ? QStringLiteral("Programul tarvix-db s-a încheiat cu codul %1, fără niciun mesaj.").arg(run.code)
                    : QStringLiteral("Mesajul programului tarvix-db:\n") + said,
                true);
        }
        // What came over, before the main window shows it: the user learns what was merged or left out.
        MsgBox(reportSummary(run.out), vbOKOnly, QStringLiteral("Tarvix"));
        return true;
    }
}

}  // namespace tarvix
