// tarvix-db's command line: the options of every command in the registry,
// the arguments checked against the command's own description, then its run.
#pragma once

#include <QStringList>

namespace tarvix::tool {

// Runs one command line (without the program's name); every failure is
// reported on stderr and becomes the exit code the help text documents.
int RunCommandLine(const QStringList& args);

}  // namespace tarvix::tool
