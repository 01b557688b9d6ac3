// index: the whole keyword index as a document to print at the back of a
// course, a textbook or a thesis: plain text, one HTML page, or LaTeX.
#pragma once

#include <QString>

#include <optional>

namespace tarvix::tool {

struct IndexFormat;

struct IndexOptions {
    const IndexFormat* format = nullptr;  // the first of IndexFormats() when none
    std::optional<QString> output;        // standard output when absent
    bool linkedOnly = false;              // leaves out words without chapters and chapters without words
    bool force = false;
};

// Reads the store without writing to it; returns the exit code or throws Failure.
int RunIndex(const QString& file, const IndexOptions& options);

}  // namespace tarvix::tool
