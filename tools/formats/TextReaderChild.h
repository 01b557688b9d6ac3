// The text reader's child: Poppler reads a user's PDF only here, in a child
// process of tarvix-db (the parent starts its own program with kTextReaderMode
// first), because a damaged file may crash it or keep it busy without end.
#pragma once

namespace tarvix::tool {

inline constexpr const char* kTextReaderMode = "--text-reader-child";

// What the child writes on standard output: a kTextProgress byte after each
// page, then kTextAnswer and the answer of EncodeChapterFile or EncodeRefusal.
inline constexpr char kTextProgress = '.';
inline constexpr char kTextAnswer = '=';

// argv after the mode: the PDF file's path. Returns the exit status.
int RunTextReaderChild(int argc, char** argv);

}  // namespace tarvix::tool
