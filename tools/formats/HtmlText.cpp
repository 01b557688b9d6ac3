#include "tools/formats/HtmlText.h"

#include "tools/formats/PlainText.h"

#include <QHash>

#include <algorithm>

namespace tarvix::tool {

namespace {

char32_t namedEntity(QStringView name)
{
    static const QHash<QString, char32_t> names{
        {QStringLiteral("amp"), U'&'},    {QStringLiteral("lt"), U'<'},     {QStringLiteral("gt"), U'>'},
        {QStringLiteral("quot"), U'"'},   {QStringLiteral("apos"), U'\''},  {QStringLiteral("nbsp"), U' '},
        {QStringLiteral("acirc"), U'â'},  {QStringLiteral("Acirc"), U'Â'},  {QStringLiteral("icirc"), U'î'},
        {QStringLiteral("Icirc"), U'Î'},  {QStringLiteral("abreve"), U'ă'}, {QStringLiteral("Abreve"), U'Ă'},
        {QStringLiteral("scedil"), U'ş'}, {QStringLiteral("Scedil"), U'Ş'}, {QStringLiteral("tcedil"), U'ţ'},
        {QStringLiteral("Tcedil"), U'Ţ'}, {QStringLiteral("ndash"), U'–'},  {QStringLiteral("mdash"), U'—'},
        {QStringLiteral("bdquo"), U'„'},  {QStringLiteral("rdquo"), U'”'},  {QStringLiteral("ldquo"), U'“'},
        {QStringLiteral("hellip"), U'…'}, {QStringLiteral("laquo"), U'«'},  {QStringLiteral("raquo"), U'»'},
    };
    return names.value(name.toString(), 0);
}

// The character an entity at text[i] == '&' stands for, with i moved past it; '&' itself when it is none.
char32_t entity(const QString& text, qsizetype& i)
{
    const qsizetype semi = text.indexOf(u';', i + 1);
    if (semi < 0 || semi - i > 12)
        return ++i, U'&';
    const QStringView body = QStringView(text).sliced(i + 1, semi - i - 1);
    char32_t c = 0;
    if (body.startsWith(u'#')) {
        bool ok = false;
        const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
        const uint v = body.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        // A surrogate or a value past Unicode is no character; NUL is none either.
        if (ok && v > 0 && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF))
            c = v;
    } else {
        c = namedEntity(body);
    }
    if (c == 0)
        return ++i, U'&';
    i = semi + 1;
    return c;
}

bool isBlock(QStringView tag)
{
    static const QStringList blocks{QStringLiteral("p"),       QStringLiteral("div"),        QStringLiteral("br"),
                                    QStringLiteral("li"),      QStringLiteral("tr"),         QStringLiteral("td"),
                                    QStringLiteral("th"),      QStringLiteral("title"),      QStringLiteral("section"),
                                    QStringLiteral("article"), QStringLiteral("blockquote"), QStringLiteral("pre"),
                                    QStringLiteral("ul"),      QStringLiteral("ol"),         QStringLiteral("table"),
                                    QStringLiteral("dt"),      QStringLiteral("dd"),         QStringLiteral("hr")};
    return blocks.contains(tag.toString()) || (tag.size() == 2 && tag[0] == u'h' && tag[1] >= u'1' && tag[1] <= u'6');
}

class HtmlReader {
public:
    explicit HtmlReader(const QString& text) : s_(text) {}

    std::vector<Paragraph> run()
    {
        qsizetype i = 0;
        while (i < s_.size()) {
            const QChar c = s_[i];
            if (c == u'<') {
                i = tag(i);
            } else if (c == u'&') {
                const char32_t e = entity(s_, i);
                current_ += QString::fromUcs4(&e, 1);
            } else {
                current_ += c == u'\n' || c == u'\r' || c == u'\t' ? QChar(u' ') : c;
                ++i;
            }
        }
        flush();
        const bool headed = std::any_of(out_.begin(), out_.end(), [](const Paragraph& p) { return p.level > 0; });
        if (!headed && !title_.isEmpty())
            out_.insert(out_.begin(), Paragraph{1, title_});
        return std::move(out_);
    }

private:
    void flush()
    {
        const QString t = current_.simplified();
        if (inTitle_)
            title_ = t;
        else if (!t.isEmpty())
            out_.push_back({level_, t});
        current_.clear();
    }

    // Reads the tag at s_[i] == '<' and returns where the text goes on.
    qsizetype tag(qsizetype i)
    {
        if (QStringView(s_).sliced(i).startsWith(u"<!--")) {
            const qsizetype end = s_.indexOf(QStringLiteral("-->"), i + 4);
            return end < 0 ? s_.size() : end + 3;
        }
        const qsizetype end = s_.indexOf(u'>', i + 1);
        if (end < 0)
            return s_.size();
        QStringView inside = QStringView(s_).sliced(i + 1, end - i - 1).trimmed();
        const bool closing = inside.startsWith(u'/');
        if (closing)
            inside = inside.sliced(1);
        qsizetype n = 0;
        while (n < inside.size() && inside[n].isLetterOrNumber())
            ++n;
        const QString name = inside.first(n).toString().toLower();
        if (!closing && (name == u"script" || name == u"style")) {
            const qsizetype close = s_.indexOf(QStringLiteral("</") + name, end + 1, Qt::CaseInsensitive);
            return close < 0 ? s_.size() : close;
        }
        if (isBlock(name)) {
            flush();
            const bool heading = name.size() == 2 && name[0] == u'h' && name[1].isDigit();
            level_ = heading && !closing ? name[1].digitValue() : 0;
            inTitle_ = name == u"title" && !closing;
        }
        return end + 1;
    }

    const QString& s_;
    QString current_;
    QString title_;
    int level_ = 0;
    bool inTitle_ = false;
    std::vector<Paragraph> out_;
};

}  // namespace

std::vector<Paragraph> HtmlParagraphs(const QByteArray& bytes)
{
    const QString text = DecodeChapterText(bytes);
    return HtmlReader(text).run();
}

}  // namespace tarvix::tool
