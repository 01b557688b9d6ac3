// The proposals written out: text for reading, or CSV (as export writes it)
// for editing in a spreadsheet and giving back with --apply-from.
#pragma once

#include "tools/commands/Suggest.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tarvix::tool {

struct SuggestSummary {
    long long proposed = 0;
    long long existing = 0;  // links found that the store already has
    long long fewer = 0;     // found fewer times than --min
    long long chapters = 0;  // chapters read
    int files = 0;
};

// The CSV columns; --apply-from reads the first two.
inline constexpr const char* kSuggestColumns[] = {"Cuvant", "Capitol", "Aparitii", "Fel", "Context"};

// To standard output, or to --output (an existing file replaced only with --force).
void WriteProposals(const SuggestOptions& options, const std::vector<QString>& words, const QStringList& chapters,
                    const std::vector<Proposal>& proposals, const SuggestSummary& summary);

}  // namespace tarvix::tool
