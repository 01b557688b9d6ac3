// index: the whole keyword index as a document to print at the back of a
// course, a textbook or a thesis: plain text, one HTML page, or LaTeX.
#pragma once

#include <QString>

#include <optional>

namespace tarvix::tool {

enum class IndexFormat { Text, Html, Tex };

struct IndexOptions {
    IndexFormat format = IndexFormat::Text;
    std::optional<QString> output;  // standard output when absent
    bool linkedOnly = false;        // leaves out words without chapters and chapters without words
    bool force = false;
};

// "text", "html" or "tex" as written on the command line.
std::optional<IndexFormat> IndexFormatNamed(const QString& name);

// Reads the store without writing to it; returns the exit code or throws Failure.
int RunIndex(const QString& file, const IndexOptions& options);

}  // namespace tarvix::tool
