// Adding suggested links to the store, in one transaction: the proposals
// themselves (--apply) or the rows a person kept in a reviewed CSV file (--apply-from).
#pragma once

#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

namespace tarvix {
class Database;
}

namespace tarvix::tool {

struct Applied {
    long long added = 0;
    long long skipped = 0;  // already linked, or named twice
};

// (word key, chapter key) pairs; a pair already in the store, or given twice, is skipped.
// The store is untouched unless the transaction commits.
Applied ApplyLinks(Database& db, const std::vector<std::pair<std::int32_t, std::int32_t>>& links);

// The reviewed file's rows (Cuvant, Capitol, then any columns), matched to the
// store's words and chapters by fold. A row that names no word or chapter of the
// store refuses the whole file (Failure, Refused) with each problem listed.
Applied ApplyReviewedCsv(Database& db, const QString& file);

// How many were added and how many skipped, for standard output.
QString AppliedReport(const QString& store, const Applied& applied);

}  // namespace tarvix::tool
