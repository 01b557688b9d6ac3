// A change cut short for real: a child process deletes every word of a store
// in one transaction, with a cache so small that SQLite writes pages to the
// file before the change ends, and is killed before it commits. What stays is
// the store as the crash left it and its journal, which SQLite would play back.
#pragma once

#include <QString>

namespace tarvix::test {

// Returns false (with QTest's failure recorded) when no journal was left.
bool InterruptWrite(const QString& store);

}  // namespace tarvix::test
