// Every command of tarvix-db, in the order the help text lists them.
#pragma once

#include "tools/commands/Command.h"

#include <vector>

namespace tarvix::tool {

const std::vector<Command>& Registry();
const Command* CommandNamed(const QString& name);

}  // namespace tarvix::tool
