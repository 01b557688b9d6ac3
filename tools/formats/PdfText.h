// PDF chapters through Poppler: a book split at the pages its top-level
// bookmarks point to, else one chapter. Poppler runs on a user's file only in
// the text reader's child process, where a crash or a hang costs nothing.
#pragma once

#include "tools/formats/ChapterText.h"

#include <QByteArray>

#include <functional>

namespace tarvix::tool {

// Throws TextRefused for a file that is damaged, encrypted or no PDF. onPage,
// when given, is called after each page read, so a watcher sees the work go on.
ChapterFile PdfChapters(const QByteArray& bytes, const std::function<void()>& onPage = {});

}  // namespace tarvix::tool
