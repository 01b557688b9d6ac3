// PDF chapters through Poppler: a book split at the pages its top-level
// bookmarks point to, else one chapter. Poppler runs on a user's file only in
// the text reader's child process, where a crash or a hang costs nothing.
#pragma once

#include "tools/formats/ChapterText.h"

#include <QByteArray>

namespace tarvix::tool {

// Throws TextRefused for a file that is damaged, encrypted or no PDF.
ChapterFile PdfChapters(const QByteArray& bytes);

}  // namespace tarvix::tool
