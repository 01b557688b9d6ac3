// ODT and DOCX documents: their paragraphs, headings with their outline level.
#pragma once

#include "tools/formats/ChapterText.h"

#include <QByteArray>

#include <vector>

namespace tarvix::tool {

// content.xml of an OpenDocument text: text:h (with its outline level) and text:p.
std::vector<Paragraph> OdtParagraphs(const QByteArray& bytes);

// word/document.xml of a Word document: w:p, a heading by its style's outline
// level (from word/styles.xml, whatever the style is called in the user's language).
std::vector<Paragraph> DocxParagraphs(const QByteArray& bytes);

}  // namespace tarvix::tool
