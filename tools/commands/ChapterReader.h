// One chapter file read for suggest: plain text, Markdown, HTML, ODT and DOCX
// in this process, PDF in the text reader's child under the guard.
#pragma once

#include "tools/formats/ChapterText.h"

#include <QString>

namespace tarvix::tool {

// Throws TextRefused for a file that is missing, of no known kind, too large,
// damaged or encrypted, or whose reader crashed or stopped giving pages.
ChapterFile ReadChapterFile(const QString& path);

// Seconds the PDF reader may go without reading a page before it is stopped.
inline constexpr int kTextReaderStallSeconds = 10;

}  // namespace tarvix::tool
