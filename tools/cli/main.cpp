// tarvix-db: makes, checks, exports and imports the program's store file.
#include "platform/Engine.h"
#include "tools/base/SignalCleanup.h"
#include "tools/base/StoreTool.h"
#include "tools/cli/CommandLine.h"
#include "tools/formats/TextReaderChild.h"
#include "tools/jet/JetReaderChild.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstring>

int main(int argc, char* argv[])
{
    // The Jet reader runs as a child of this same program, before anything else is set up.
    if (argc >= 2 && std::strcmp(argv[1], tarvix::tool::kJetReaderMode) == 0)
        return tarvix::tool::RunJetReaderChild(argc - 2, argv + 2);
    // So does the PDF reader of suggest.
    if (argc >= 2 && std::strcmp(argv[1], tarvix::tool::kTextReaderMode) == 0)
        return tarvix::tool::RunTextReaderChild(argc - 2, argv + 2);
    QCoreApplication app(argc, argv);
    // A server whose password is in none of libpq's places: asked at the terminal, kept in memory only.
    tarvix::DBEngine::OnPassword = tarvix::tool::AskPasswordOnTerminal;
    tarvix::tool::SignalCleanup::Install();
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return tarvix::tool::RunCommandLine(args);
}
