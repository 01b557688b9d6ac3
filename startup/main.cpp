// The program's entry: the toolkit starts with the splash window and runs
// until no window is left.
#include "platform/Engine.h"
#include "platform/Toolkit.h"
#include "startup/JetConversion.h"
#include "startup/frmLogo.h"

#include <QtGlobal>

int main(int argc, char** argv)
{
    // The pictures live in a static library: registering them keeps them linked.
    Q_INIT_RESOURCE(tarvix);
    static std::unique_ptr<tarvix::frmLogo> splash;
    // The engine knows no windows: the program asks about an old Access dictionary itself.
    tarvix::DBEngine::OnJetFile = [](const QString& path) {
        return tarvix::ConvertJetDictionary(path, [](bool wait) {
            if (splash)
                splash->HoldClock(wait);
        });
    };
    // A shared dictionary's server wants a password that none of libpq's places holds.
    tarvix::DBEngine::OnPassword = [](const QString& server) {
        return tarvix::PasswordBox(QStringLiteral("Parola pentru baza de date %1:").arg(server),
                                   QStringLiteral("Tarvix"));
    };
    return tarvix::RunProgram(argc, argv, {.version = tarvix::Edition()}, [] {
        splash = std::make_unique<tarvix::frmLogo>();
        return splash.get();
    });
}
