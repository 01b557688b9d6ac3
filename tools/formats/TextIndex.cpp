// The index as plain UTF-8 text.
#include "tools/formats/IndexWriter.h"

namespace tarvix::tool {

namespace {

class TextWriter final : public IndexWriter {
public:
    QByteArray escape(const QString& text) const override { return text.toUtf8(); }
    void begin(QByteArray& out) const override { out += QByteArray(kIndexTitle) + "\n"; }
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
        out += QByteArray("\n") + kLonelyNote + ' ' + JoinedIndexItems(chapters) + '\n';
    }
    void end(QByteArray&) const override {}
};

}  // namespace

std::unique_ptr<IndexWriter> MakeTextIndex()
{
    return std::make_unique<TextWriter>();
}

}  // namespace tarvix::tool
