#include "tools/formats/ChapterText.h"

#include "tools/formats/HtmlText.h"
#include "tools/formats/OfficeText.h"
#include "tools/formats/PdfText.h"
#include "tools/formats/PlainText.h"

#include <QDataStream>
#include <QFileInfo>
#include <QIODevice>

namespace tarvix::tool {

std::optional<TextFormat> TextFormatOf(const QString& fileName)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == u"txt" || ext == u"text")
        return TextFormat::Plain;
    if (ext == u"md" || ext == u"markdown")
        return TextFormat::Markdown;
    if (ext == u"html" || ext == u"htm" || ext == u"xhtml")
        return TextFormat::Html;
    if (ext == u"odt")
        return TextFormat::Odt;
    if (ext == u"docx")
        return TextFormat::Docx;
    if (ext == u"pdf")
        return TextFormat::Pdf;
    return std::nullopt;
}

ChapterFile ReadChapterBytes(TextFormat format, const QByteArray& bytes)
{
    switch (format) {
    case TextFormat::Plain: return ChaptersOf(PlainParagraphs(DecodeChapterText(bytes), false), false);
    case TextFormat::Markdown: return ChaptersOf(PlainParagraphs(DecodeChapterText(bytes), true), false);
    case TextFormat::Html: return ChaptersOf(HtmlParagraphs(bytes), false);
    case TextFormat::Odt: return ChaptersOf(OdtParagraphs(bytes), true);
    case TextFormat::Docx: return ChaptersOf(DocxParagraphs(bytes), true);
    case TextFormat::Pdf: return PdfChapters(bytes);
    }
    return {};
}

QString FirstLineOf(const QString& text)
{
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QString t = line.toString().simplified();
        if (!t.isEmpty())
            return t;
    }
    return {};
}

namespace {

ChapterPart partOf(std::vector<Paragraph>::const_iterator begin, std::vector<Paragraph>::const_iterator end)
{
    ChapterPart part;
    qsizetype size = 0;
    for (auto p = begin; p != end; ++p)
        size += p->text.size() + 1;
    part.text.reserve(size);
    for (auto p = begin; p != end; ++p) {
        if (part.heading.isEmpty() && p->level > 0)
            part.heading = p->text.simplified();
        if (part.firstLine.isEmpty())
            part.firstLine = FirstLineOf(p->text);
        part.text += p->text;
        part.text += u'\n';
    }
    return part;
}

}  // namespace

ChapterFile ChaptersOf(const std::vector<Paragraph>& paragraphs, bool mayBeBook)
{
    ChapterFile out;
    std::vector<std::vector<Paragraph>::const_iterator> starts;
    for (auto p = paragraphs.begin(); p != paragraphs.end(); ++p)
        if (p->level == 1 && !p->text.trimmed().isEmpty())
            starts.push_back(p);
    if (!mayBeBook || starts.size() < 2) {
        out.parts.push_back(partOf(paragraphs.begin(), paragraphs.end()));
        return out;
    }
    out.book = true;
    // What stands before the first chapter (a title page, a foreword) is a part of its own when it says anything.
    ChapterPart front = partOf(paragraphs.begin(), starts.front());
    if (!front.firstLine.isEmpty())
        out.parts.push_back(std::move(front));
    for (std::size_t i = 0; i < starts.size(); ++i)
        out.parts.push_back(partOf(starts[i], i + 1 < starts.size() ? starts[i + 1] : paragraphs.end()));
    return out;
}

namespace {
constexpr quint32 kMagic = 0x54585431;  // "TXT1"
}

QByteArray EncodeChapterFile(const ChapterFile& file)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s << kMagic << true << file.book << quint32(file.parts.size());
    for (const ChapterPart& p : file.parts)
        s << p.heading << p.firstLine << p.text;
    return out;
}

QByteArray EncodeRefusal(const QString& reason)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s << kMagic << false << reason;
    return out;
}

ChapterFile DecodeChapterFile(const QByteArray& bytes)
{
    QDataStream s(bytes);
    quint32 magic = 0;
    bool ok = false;
    s >> magic >> ok;
    const TextRefused garbled{QStringLiteral("cititorul de text a dat un răspuns de neînțeles")};
    if (s.status() != QDataStream::Ok || magic != kMagic)
        throw garbled;
    if (!ok) {
        QString reason;
        s >> reason;
        // A refusal that gives no reason would leave the user with a file and nothing to go on.
        throw s.status() == QDataStream::Ok && !reason.trimmed().isEmpty() ? TextRefused{reason} : garbled;
    }
    ChapterFile file;
    quint32 n = 0;
    s >> file.book >> n;
    for (quint32 i = 0; i < n && s.status() == QDataStream::Ok; ++i) {
        ChapterPart p;
        s >> p.heading >> p.firstLine >> p.text;
        file.parts.push_back(std::move(p));
    }
    if (s.status() != QDataStream::Ok || !s.atEnd())
        throw garbled;
    return file;
}

}  // namespace tarvix::tool
