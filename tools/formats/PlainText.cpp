#include "tools/formats/PlainText.h"

#include "platform/text/TextFunctions.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace tarvix::tool {

QString DecodeChapterText(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xFF\xFE") || view.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(view.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                             QStringConverter::Flag::Stateless);
        const QString text = utf16(view.sliced(2));
        if (utf16.hasError() || text.contains(QChar(0)))
            throw TextRefused{QStringLiteral("nu este un text UTF-16 corect")};
        return text;
    }
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    if (view.contains('\0'))
        throw TextRefused{QStringLiteral("nu este un fișier text (conține octeți nuli)")};
    if (FirstBadUtf8(view) < 0)
        return QString::fromUtf8(view);
    // Not UTF-8: the code page every Romanian Windows wrote text in.
    QStringDecoder cp1250("windows-1250");
    if (!cp1250.isValid())
        throw TextRefused{QStringLiteral("nu este UTF-8, iar pagina de cod 1250 nu este cunoscută pe acest sistem")};
    return cp1250(view);
}

namespace {

// Emphasis, code and link marks: the words stay, a link's address goes.
QString withoutMarks(const QString& line)
{
    static const QRegularExpression link(QStringLiteral(R"(\]\([^)]*\))"));
    static const QRegularExpression marks(QStringLiteral(R"([*_`~\[\]]+)"));
    QString t = line;
    if (t.contains(u']'))
        t.replace(link, QStringLiteral(" "));
    if (t.contains(u'*') || t.contains(u'_') || t.contains(u'`') || t.contains(u'~') || t.contains(u'['))
        t.replace(marks, QStringLiteral(" "));
    return t;
}

int headingLevel(QStringView line, qsizetype& textStart)
{
    qsizetype i = 0;
    while (i < line.size() && i < 4 && line[i] == u' ')
        ++i;
    qsizetype hashes = 0;
    while (i + hashes < line.size() && line[i + hashes] == u'#')
        ++hashes;
    if (hashes == 0 || hashes > 6
        || (i + hashes < line.size() && line[i + hashes] != u' ' && line[i + hashes] != u'\t'))
        return 0;
    textStart = i + hashes;
    return static_cast<int>(hashes);
}

}  // namespace

std::vector<Paragraph> PlainParagraphs(const QString& text, bool markdown)
{
    std::vector<Paragraph> out;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!markdown) {
            out.push_back({0, line.toString()});
            continue;
        }
        qsizetype start = 0;
        const int level = headingLevel(line, start);
        QString t = withoutMarks(line.sliced(start).toString());
        if (level > 0) {
            // A closing run of # belongs to the heading's markup, not its text.
            while (t.endsWith(u'#') || t.endsWith(u' '))
                t.chop(1);
        }
        out.push_back({level, level > 0 ? t.trimmed() : t});
    }
    return out;
}

}  // namespace tarvix::tool
