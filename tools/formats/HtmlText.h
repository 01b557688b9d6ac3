// HTML chapters: the text between the tags, headings h1 to h6 as headings.
#pragma once

#include "tools/formats/ChapterText.h"

#include <QByteArray>

#include <vector>

namespace tarvix::tool {

// Scripts, styles and comments are left out; the page's title stands as its
// heading when no h1 to h6 gives one.
std::vector<Paragraph> HtmlParagraphs(const QByteArray& bytes);

}  // namespace tarvix::tool
