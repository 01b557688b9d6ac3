// The benchmarks' large store, the same wherever a search is timed: 32,767
// words, 32,767 chapters and 1,000,000 links, the word "CUVANT1" with exactly
// 30 chapters and the other links spread at random over the other words.
#pragma once

#include "platform/Engine.h"

#include <QString>

#include <cstddef>

namespace tarvix::test {

inline constexpr int kLargeRows = 32767;
inline constexpr int kLargeLinks = 1000000;

// Writes the large store into a new file at path.
void MakeLargeStore(const QString& path);

// The search for "CUVANT1" as the main window runs it: the statement through
// the engine, each title read by name; the rows found.
std::size_t SearchLargeStore(Database& db);

}  // namespace tarvix::test
