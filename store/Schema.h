// The store's schema and how a Tarvix store file is recognised.
#pragma once

#include "platform/Engine.h"

namespace tarvix::store {

// Makes the three tables in a new, empty file (tools and tests only: the
// program never creates or alters the schema).
void CreateSchema(Database& db);

// Raises NotAStore, naming what is missing, unless the file holds the three
// tables with the fields the program reads and writes.
void RequireSchema(Database& db);

}  // namespace tarvix::store
