// Plain text and Markdown chapters.
#pragma once

#include "tools/formats/ChapterText.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace tarvix::tool {

// UTF-8 (with or without its mark), UTF-16 with its mark, else Windows code page
// 1250, in which Romanian text was written before UTF-8. Bytes that are no text
// (a NUL, as in a picture or a program) are refused.
QString DecodeChapterText(const QByteArray& bytes);

// Each line a paragraph; in Markdown a line that starts with # is a heading of
// as many levels as it has #, and the marks around words are left out.
std::vector<Paragraph> PlainParagraphs(const QString& text, bool markdown);

}  // namespace tarvix::tool
