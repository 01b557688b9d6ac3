// check --repair: what another program left out of step is mended without
// losing a row, in one transaction, each change listed.
#pragma once

#include "platform/Engine.h"

namespace tarvix::tool {

// Writes each text as the store takes a text in from outside, recomputes folds
// and removes links to a missing word or chapter (each listed first); lists on stderr what it cannot mend. Whatever
// else is wrong is left to the check that follows.
void RepairStore(Database& db);

}  // namespace tarvix::tool
