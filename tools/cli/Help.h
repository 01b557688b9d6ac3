// The help text, made from the registry: each command with its arguments, what
// it does and its own options, then what holds for them all.
#pragma once

#include "tools/commands/Command.h"

namespace tarvix::tool {

QString HelpText();
// "help": the help text on stdout.
Command HelpCommand();

}  // namespace tarvix::tool
