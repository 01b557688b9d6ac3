// The index as one HTML page: one column on a screen, two in print.
#include "tools/formats/IndexWriter.h"

namespace tarvix::tool {

namespace {

// One column on a screen, read from top to bottom; two in print, an entry never split across a column or a page.
const char* const kHtmlHead = R"(<!DOCTYPE html>
<html lang="ro">
<head>
<meta charset="utf-8">
<meta name="generator" content="tarvix-db">
<title>Index</title>
<style>
body { font-family: "Liberation Serif", "DejaVu Serif", "Times New Roman", serif; font-size: 12pt; line-height: 1.3;
       color: #000; background: #fff; max-width: 48em; margin: 2em auto; padding: 0 1em; }
h1 { font-size: 1.7em; font-weight: normal; text-align: center; margin: 0 0 1em; }
h2 { font-size: 1.1em; margin: 0.9em 0 0.3em; break-after: avoid; page-break-after: avoid; }
.index h2:first-child { margin-top: 0; }
dl { margin: 0 0 0.3em; break-inside: avoid; page-break-inside: avoid; }
dt { font-weight: bold; }
dd { margin: 0 0 0 1.5em; text-indent: -0.5em; padding-left: 0.5em; }
ul.fara-capitole { list-style: none; margin: 0; padding: 0; }
ul.fara-capitole li { break-inside: avoid; page-break-inside: avoid; }
.nota { margin-top: 1.5em; font-size: 0.9em; }
@media print {
  @page { size: A4; margin: 2cm 1.8cm; }
  body { font-size: 10pt; max-width: none; margin: 0; padding: 0; }
  .index, ul.fara-capitole { column-count: 2; column-gap: 2.5em; column-fill: balance; }
}
</style>
</head>
<body>
<h1>Index</h1>
)";

class HtmlWriter final : public IndexWriter {
public:
    // Texts only ever stand between tags, but an apostrophe is escaped too so a
    // text can be moved into an attribute without a second thought.
    QByteArray escape(const QString& text) const override
    {
        return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;")).toUtf8();
    }
    void begin(QByteArray& out) const override { out += kHtmlHead; }
    void empty(QByteArray& out) const override { out += QByteArray("<p>") + kNothingLinked + "</p>\n"; }
    void group(QByteArray& out, const QString& heading, bool first) const override
    {
        if (first)
            out += "<div class=\"index\">\n";
        out += "<h2>" + escape(heading) + "</h2>\n";
    }
    void word(QByteArray& out, const QByteArray& word) const override { out += "<dl><dt>" + word + "</dt>\n"; }
    QByteArray chapterLine(const QByteArray& chapter) const override { return "<dd>" + chapter + "</dd>\n"; }
    void endWord(QByteArray& out) const override { out += "</dl>\n"; }
    void endIndex(QByteArray& out) const override { out += "</div>\n"; }
    void unlinked(QByteArray& out, const std::vector<QByteArray>& words) const override
    {
        out += QByteArray("<h2>") + kUnlinkedHeading + "</h2>\n<ul class=\"fara-capitole\">\n";
        for (const QByteArray& w : words)
            out += "<li>" + w + "</li>\n";
        out += "</ul>\n";
    }
    void note(QByteArray& out, const std::vector<QByteArray>& chapters) const override
    {
        out += QByteArray("<p class=\"nota\"><em>") + kLonelyNote + "</em> " + JoinedIndexItems(chapters) + "</p>\n";
    }
    void end(QByteArray& out) const override { out += "</body>\n</html>\n"; }
};

}  // namespace

std::unique_ptr<IndexWriter> MakeHtmlIndex()
{
    return std::make_unique<HtmlWriter>();
}

}  // namespace tarvix::tool
