#include "tools/formats/IndexWriters.h"

namespace tarvix::tool {

namespace {

const char* const kTitle = "Index";
const char* const kNothingLinked = "Niciun cuvânt nu are capitole.";
const char* const kUnlinkedHeading = "Cuvinte fără capitole";
const char* const kLonelyNote = "Capitole fără cuvinte:";

QByteArray joined(const std::vector<QByteArray>& items)
{
    QByteArray out;
    for (const QByteArray& i : items) {
        if (!out.isEmpty())
            out += "; ";
        out += i;
    }
    return out;
}

class TextWriter final : public IndexWriter {
public:
    QByteArray escape(const QString& text) const override { return text.toUtf8(); }
    void begin(QByteArray& out) const override { out += QByteArray(kTitle) + "\n"; }
    void empty(QByteArray& out) const override { out += QByteArray("\n(") + kNothingLinked + ")\n"; }
    void group(QByteArray& out, const QString& heading, bool) const override
    {
        out += "\n— " + heading.toUtf8() + " —\n";
    }
    void word(QByteArray& out, const QByteArray& word) const override { out += word + '\n'; }
    QByteArray chapterLine(const QByteArray& chapter) const override { return "    " + chapter + '\n'; }
    void endWord(QByteArray&) const override {}
    void endIndex(QByteArray&) const override {}
    void unlinked(QByteArray& out, const std::vector<QByteArray>& words) const override
    {
        out += QByteArray("\n") + kUnlinkedHeading + "\n";
        for (const QByteArray& w : words)
            out += w + '\n';
    }
    void note(QByteArray& out, const std::vector<QByteArray>& chapters) const override
    {
        out += QByteArray("\n") + kLonelyNote + ' ' + joined(chapters) + '\n';
    }
    void end(QByteArray&) const override {}
};

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
    QByteArray escape(const QString& text) const override
    {
        QByteArray out;
        const QByteArray utf8 = text.toUtf8();
        out.reserve(utf8.size() + 8);
        for (const char ch : utf8) {
            switch (ch) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += ch;
            }
        }
        return out;
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
        out += QByteArray("<p class=\"nota\"><em>") + kLonelyNote + "</em> " + joined(chapters) + "</p>\n";
    }
    void end(QByteArray& out) const override { out += "</body>\n</html>\n"; }
};

class TexWriter final : public IndexWriter {
public:
    static constexpr int kBreakEvery = 12;

    QByteArray escape(const QString& text) const override
    {
        QByteArray out;
        const QByteArray utf8 = text.toUtf8();
        out.reserve(utf8.size() + 8);
        int run = 0;  // characters since the last blank
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            const char ch = utf8[i];
            const bool starts = (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
            run = ch == ' ' ? 0 : run + (starts ? 1 : 0);
            // A word too long for a column may break, without a hyphen, every few letters.
            if (starts && run > 1 && run % kBreakEvery == 1)
                out += "\\penalty5000{}";
            switch (ch) {
            case '&':
            case '%':
            case '$':
            case '#':
            case '_':
            case '{':
            case '}':
                out += '\\';
                out += ch;
                break;
            case '~': out += "\\textasciitilde{}"; break;
            case '^': out += "\\textasciicircum{}"; break;
            case '\\': out += "\\textbackslash{}"; break;
            case '"': out += "\\textquotedbl{}"; break;
            case '\'': out += "\\textquotesingle{}"; break;
            case '`': out += "\\textasciigrave{}"; break;
            case '\t':
            case '\n':
            case '\r': out += ' '; break;
            case '-':
            case ',':
            case '<':
            case '>':
                out += ch;
                // "--", ",,", "<<" and ">>" would print as one dash or one quote sign.
                if (i + 1 < utf8.size() && utf8[i + 1] == ch)
                    out += "{}";
                break;
            default: out += ch;
            }
        }
        return out;
    }
    void begin(QByteArray& out) const override
    {
        // Titles in capitals are not hyphenated; lines are ragged, so none runs into the gutter.
        out += "% Indexul scris de tarvix-db: se include cu \\input într-un document LaTeX cu\n"
               "% \\usepackage[T1]{fontenc}, \\usepackage{lmodern} și \\usepackage[romanian]{babel}.\n"
               "\\begin{theindex}\n"
               "\\raggedright\\hyphenpenalty=10000 \\exhyphenpenalty=10000 \\emergencystretch=2em\n";
    }
    void empty(QByteArray& out) const override { out += QByteArray("  \\textit{") + kNothingLinked + "}\n"; }
    void group(QByteArray& out, const QString& heading, bool first) const override
    {
        if (!first)
            out += "\n  \\indexspace\n";
        out += "  {\\bfseries " + escape(heading) + "}\\nopagebreak\n";
    }
    // A headword never ends a column: it stays with its first chapter.
    void word(QByteArray& out, const QByteArray& word) const override { out += "  \\item " + word + "\\nopagebreak\n"; }
    QByteArray chapterLine(const QByteArray& chapter) const override { return "    \\subitem " + chapter + '\n'; }
    void endWord(QByteArray&) const override {}
    void endIndex(QByteArray&) const override {}
    void unlinked(QByteArray& out, const std::vector<QByteArray>& words) const override
    {
        out += QByteArray("\n  \\indexspace\n  {\\bfseries ") + kUnlinkedHeading + "}\\nopagebreak\n";
        for (const QByteArray& w : words)
            out += "  \\item " + w + '\n';
    }
    void note(QByteArray& out, const std::vector<QByteArray>& chapters) const override
    {
        out +=
            QByteArray("\n  \\indexspace\n  \\par\\noindent\\textit{") + kLonelyNote + "} " + joined(chapters) + '\n';
    }
    void end(QByteArray& out) const override { out += "\\end{theindex}\n"; }
};

}  // namespace

std::unique_ptr<IndexWriter> MakeIndexWriter(IndexFormat format)
{
    switch (format) {
    case IndexFormat::Html: return std::make_unique<HtmlWriter>();
    case IndexFormat::Tex: return std::make_unique<TexWriter>();
    case IndexFormat::Text: break;
    }
    return std::make_unique<TextWriter>();
}

}  // namespace tarvix::tool
