#include "platform/toolkit/Program.h"

#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/Look.h"

#include <QApplication>
#include <QEventLoop>
#include <QList>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <utility>

namespace tarvix {

namespace {

struct HeldMessage {
    QtMsgType type;
    QString text;
};
QList<HeldMessage> held;
QtMessageHandler before = nullptr;

// While the application starts: Qt gives up with a fatal message (and an
// abort) when it finds no screen to show windows on. Said here in the user's
// words, and the program ends as any failed start does.
void startingMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtFatalMsg) {
        held.append({type, text});
        return;
    }
    Q_UNUSED(context);
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray said =
        QStringLiteral("Tarvix are nevoie de o sesiune grafică și nu a găsit niciuna%1: porniți programul din "
                       "desktop (X11 sau Wayland), nu dintr-o consolă fără ecran.\n")
            .arg(platform.isEmpty() ? QString()
                                    : QStringLiteral(" (platforma cerută, „%1”, nu poate fi folosită)")
                                          .arg(QString::fromLocal8Bit(platform)))
            .toUtf8();
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, said.constData(), static_cast<size_t>(said.size()));
    std::_Exit(1);
}

}  // namespace

int RunProgram(int argc, char** argv, const ProgramInfo& info, const std::function<Form*()>& startup)
{
    before = qInstallMessageHandler(startingMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(before);
    // What Qt said on a start that went on is not lost.
    for (const HeldMessage& m : std::exchange(held, {}))
        before ? before(m.type, QMessageLogContext(), m.text) : void(std::fputs(qPrintable(m.text + u'\n'), stderr));
    QApplication::setApplicationName(QStringLiteral("Tarvix"));
    QApplication::setApplicationVersion(QString::fromUtf8(info.version));
    QApplication::setQuitOnLastWindowClosed(false);
    InstallLook();
    int status = 0;
    Dispatch([&] {
        Form* first = startup();
        if (first)
            first->ShowStartup();
    });
    if (detail::Program().errorRaised)
        status = 1;
    if (status == 0 && detail::Program().loadedCount > 0) {
        QEventLoop loop;
        detail::Program().programLoop = &loop;
        detail::Program().programRunning = true;
        loop.exec();
        detail::Program().programRunning = false;
        detail::Program().programLoop = nullptr;
        if (detail::Program().errorRaised)
            status = 1;
    }
    detail::ReleaseAllWindows();
    return status;
}

}  // namespace tarvix
