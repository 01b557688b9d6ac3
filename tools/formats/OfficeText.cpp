#include "tools/formats/OfficeText.h"

#include "tools/formats/ZipArchive.h"

#include <QHash>

#include <QXmlStreamReader>
#include <algorithm>

namespace tarvix::tool {

namespace {

const QString kOdfText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kWord = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");

TextRefused badXml(const QXmlStreamReader& xml, const QString& what, const char* part)
{
    return TextRefused{QStringLiteral("nu este un document %1 întreg (%2 nu se poate citi la linia %3)")
                           .arg(what, QString::fromUtf8(part))
                           .arg(xml.lineNumber())};
}

// Paragraphs may nest (a footnote's inside its paragraph): each is emitted when it closes.
struct OpenParagraphs {
    std::vector<Paragraph> open;
    std::vector<Paragraph> done;
    void text(QStringView t)
    {
        if (!open.empty())
            open.back().text += t;
    }
    void close()
    {
        if (open.empty())
            return;
        done.push_back(std::move(open.back()));
        open.pop_back();
    }
};

QByteArray requiredEntry(const ZipArchive& zip, const char* name, const QString& what)
{
    const auto bytes = zip.Entry(name);
    if (!bytes)
        throw TextRefused{
            QStringLiteral("nu este un document %1 (lipsește partea %2)").arg(what, QString::fromUtf8(name))};
    return *bytes;
}

}  // namespace

std::vector<Paragraph> OdtParagraphs(const QByteArray& bytes)
{
    const QString what = QStringLiteral("ODT");
    const ZipArchive zip(bytes, what);
    // An encrypted OpenDocument keeps its parts scrambled and says so in its manifest.
    if (const auto manifest = zip.Entry("META-INF/manifest.xml"); manifest && manifest->contains("encryption-data"))
        throw TextRefused{QStringLiteral("este criptat (protejat cu parolă)")};
    QXmlStreamReader xml(requiredEntry(zip, "content.xml", what));
    OpenParagraphs paragraphs;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::Characters) {
            paragraphs.text(xml.text());
        } else if (token == QXmlStreamReader::StartElement && xml.namespaceUri() == kOdfText) {
            const QStringView name = xml.name();
            if (name == u"p") {
                paragraphs.open.push_back({0, {}});
            } else if (name == u"h") {
                const QStringView level = xml.attributes().value(kOdfText, QStringLiteral("outline-level"));
                paragraphs.open.push_back({level.isEmpty() ? 1 : std::clamp(level.toInt(), 1, 10), {}});
            } else if (name == u"s") {
                const int count = xml.attributes().value(kOdfText, QStringLiteral("c")).toInt();
                paragraphs.text(QString(std::clamp(count, 1, 100), u' '));
            } else if (name == u"tab" || name == u"line-break") {
                paragraphs.text(name == u"tab" ? u"\t" : u"\n");
            }
        } else if (token == QXmlStreamReader::EndElement && xml.namespaceUri() == kOdfText
                   && (xml.name() == u"p" || xml.name() == u"h")) {
            paragraphs.close();
        }
    }
    if (xml.hasError())
        throw badXml(xml, what, "content.xml");
    return std::move(paragraphs.done);
}

namespace {

// Style id -> heading level, from the outline level a style gives or its name ("heading 1").
QHash<QString, int> headingStyles(const ZipArchive& zip)
{
    QHash<QString, int> levels;
    const auto bytes = zip.Entry("word/styles.xml");
    if (!bytes)
        return levels;
    QXmlStreamReader xml(*bytes);
    QString style;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.namespaceUri() != kWord)
            continue;
        const QStringView name = xml.name();
        const QStringView val = xml.attributes().value(kWord, QStringLiteral("val"));
        if (name == u"style") {
            style = xml.attributes().value(kWord, QStringLiteral("styleId")).toString();
        } else if (name == u"name" && !style.isEmpty() && val.startsWith(u"heading ", Qt::CaseInsensitive)) {
            const int level = val.sliced(8).toInt();
            if (level >= 1 && level <= 9)
                levels.insert(style, level);
        } else if (name == u"outlineLvl" && !style.isEmpty()) {
            const int level = val.toInt() + 1;
            if (level >= 1 && level <= 9)
                levels.insert(style, level);
        }
    }
    // A damaged styles part only costs the headings; the text is still read.
    return xml.hasError() ? QHash<QString, int>{} : levels;
}

}  // namespace

std::vector<Paragraph> DocxParagraphs(const QByteArray& bytes)
{
    const QString what = QStringLiteral("DOCX");
    const ZipArchive zip(bytes, what);
    const QHash<QString, int> styles = headingStyles(zip);
    QXmlStreamReader xml(requiredEntry(zip, "word/document.xml", what));
    OpenParagraphs paragraphs;
    bool inText = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::Characters) {
            if (inText)
                paragraphs.text(xml.text());
            continue;
        }
        if (xml.namespaceUri() != kWord)
            continue;
        const QStringView name = xml.name();
        if (token == QXmlStreamReader::EndElement) {
            if (name == u"t")
                inText = false;
            else if (name == u"p")
                paragraphs.close();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView val = xml.attributes().value(kWord, QStringLiteral("val"));
        if (name == u"p")
            paragraphs.open.push_back({0, {}});
        else if (name == u"t")
            inText = true;
        else if (name == u"tab")
            paragraphs.text(u"\t");
        else if (name == u"br" || name == u"cr")
            paragraphs.text(u"\n");
        else if (name == u"pStyle" && !paragraphs.open.empty())
            paragraphs.open.back().level = styles.value(val.toString(), 0);
        else if (name == u"outlineLvl" && !paragraphs.open.empty() && val.toInt() >= 0 && val.toInt() < 9)
            paragraphs.open.back().level = val.toInt() + 1;
    }
    if (xml.hasError())
        throw badXml(xml, what, "word/document.xml");
    return std::move(paragraphs.done);
}

}  // namespace tarvix::tool
