#include "tools/cli/Registry.h"

#include "tools/cli/Help.h"

// A new command is a file under tools/commands/ defining it, and one row here.
#define TARVIX_DB_COMMANDS(X)                                                                                          \
    X(CreateCommand)                                                                                                   \
    X(SampleCommand)                                                                                                   \
    X(CheckCommand)                                                                                                    \
    X(ExportCommand)                                                                                                   \
    X(ImportCommand)                                                                                                   \
    X(ImportMdbCommand)                                                                                                \
    X(ConvertCommand)                                                                                                  \
    X(IndexCommand)                                                                                                    \
    X(SuggestCommand)                                                                                                  \
    X(ShareCommand)                                                                                                    \
    X(LinkCommand)                                                                                                     \
    X(CopyCommand)

namespace tarvix::tool {

#define TARVIX_DECLARE(name) Command name();
TARVIX_DB_COMMANDS(TARVIX_DECLARE)
#undef TARVIX_DECLARE

const std::vector<Command>& Registry()
{
#define TARVIX_ROW(name) name(),
    static const std::vector<Command> commands{TARVIX_DB_COMMANDS(TARVIX_ROW) HelpCommand()};
#undef TARVIX_ROW
    return commands;
}

const Command* CommandNamed(const QString& name)
{
    for (const Command& c : Registry())
        if (c.name == name)
            return &c;
    return nullptr;
}

}  // namespace tarvix::tool
