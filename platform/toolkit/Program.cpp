#include "platform/toolkit/Program.h"

#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/Look.h"

#include <QApplication>
#include <QEventLoop>

namespace tarvix {

int RunProgram(int argc, char** argv, const ProgramInfo& info, const std::function<Form*()>& startup)
{
    QApplication app(argc, argv);
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
