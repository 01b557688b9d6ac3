// Real chapter files of each format, written by the tests: ODT and DOCX zipped
// with libzip, a PDF written object by object with its bookmarks.
#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace tarvix::test {

// level 0: body text; 1 to 9: a heading of that level.
using Paragraphs = std::vector<std::pair<int, QString>>;

// The entries, stored or deflated, in a ZIP archive's bytes.
QByteArray zipOf(const std::vector<std::pair<QString, QByteArray>>& entries);

QByteArray odtOf(const Paragraphs& paragraphs);
// Headings by a style whose outline level styles.xml gives, named as a Romanian Word names it.
QByteArray docxOf(const Paragraphs& paragraphs);

// One page for each text (Latin-1 letters only: the standard fonts), and a
// top-level bookmark for each (title, page from 0).
QByteArray pdfOf(const std::vector<QString>& pages, const std::vector<std::pair<QString, int>>& bookmarks);

}  // namespace tarvix::test
