// The index as a LaTeX theindex environment for a document with Romanian babel.
#include "tools/formats/IndexWriter.h"

namespace tarvix::tool {

namespace {

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
        out += QByteArray("\n  \\indexspace\n  \\par\\noindent\\textit{") + kLonelyNote + "} "
               + JoinedIndexItems(chapters) + '\n';
    }
    void end(QByteArray& out) const override { out += "\\end{theindex}\n"; }
};

}  // namespace

std::unique_ptr<IndexWriter> MakeTexIndex()
{
    return std::make_unique<TexWriter>();
}

}  // namespace tarvix::tool
