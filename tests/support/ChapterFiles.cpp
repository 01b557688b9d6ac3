#include "ChapterFiles.h"

#include <QStringList>

#include <zip.h>

#include <stdexcept>

namespace tarvix::test {

QByteArray zipOf(const std::vector<std::pair<QString, QByteArray>>& entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* za = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    if (!za)
        throw std::runtime_error("zip_open_from_source");
    zip_source_keep(target);
    for (const auto& [name, bytes] : entries) {
        // libzip copies nothing: the bytes must live until the archive is closed.
        void* copy = malloc(static_cast<std::size_t>(bytes.size()) + 1);
        memcpy(copy, bytes.constData(), static_cast<std::size_t>(bytes.size()));
        zip_source_t* s = zip_source_buffer(za, copy, static_cast<zip_uint64_t>(bytes.size()), 1);
        const zip_int64_t index = zip_file_add(za, name.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8);
        if (index < 0)
            throw std::runtime_error("zip_file_add");
        // The mimetype of an OpenDocument comes first and uncompressed.
        if (name == u"mimetype")
            zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    if (zip_close(za) != 0)
        throw std::runtime_error("zip_close");
    zip_source_open(target);
    zip_stat_t st;
    zip_source_stat(target, &st);
    QByteArray out(static_cast<qsizetype>(st.size), Qt::Uninitialized);
    zip_source_read(target, out.data(), st.size);
    zip_source_close(target);
    zip_source_free(target);
    return out;
}

namespace {

QString escaped(const QString& t)
{
    return t.toHtmlEscaped();
}

}  // namespace

QByteArray odtOf(const Paragraphs& paragraphs)
{
    QString body;
    for (const auto& [level, text] : paragraphs)
        body += level == 0
                    ? QStringLiteral("<text:p>%1</text:p>").arg(escaped(text))
                    : QStringLiteral("<text:h text:outline-level=\"%1\">%2</text:h>").arg(level).arg(escaped(text));
    const QString content =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
                       "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                       "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
                       "<office:body><office:text>%1</office:text></office:body></office:document-content>")
            .arg(body);
    const QByteArray manifest =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest:manifest "
        "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\"><manifest:file-entry "
        "manifest:full-path=\"/\" manifest:media-type=\"application/vnd.oasis.opendocument.text\"/><manifest:file-entry "
        "manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/></manifest:manifest>";
    return zipOf({{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text"},
                  {QStringLiteral("META-INF/manifest.xml"), manifest},
                  {QStringLiteral("content.xml"), content.toUtf8()}});
}

QByteArray docxOf(const Paragraphs& paragraphs)
{
    const QString w = QStringLiteral("xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"");
    QString body;
    for (const auto& [level, text] : paragraphs) {
        const QString style =
            level == 0 ? QString() : QStringLiteral("<w:pPr><w:pStyle w:val=\"Titlu%1\"/></w:pPr>").arg(level);
        body +=
            QStringLiteral("<w:p>%1<w:r><w:t xml:space=\"preserve\">%2</w:t></w:r></w:p>").arg(style, escaped(text));
    }
    QString styles;
    for (int level = 1; level <= 3; ++level)
        styles += QStringLiteral("<w:style w:type=\"paragraph\" w:styleId=\"Titlu%1\"><w:name w:val=\"heading %1\"/>"
                                 "<w:pPr><w:outlineLvl w:val=\"%2\"/></w:pPr></w:style>")
                      .arg(level)
                      .arg(level - 1);
    const QByteArray types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"xml\" "
        "ContentType=\"application/xml\"/><Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
    return zipOf({{QStringLiteral("[Content_Types].xml"), types},
                  {QStringLiteral("word/document.xml"),
                   QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document %1><w:body>%2</w:body>"
                                  "</w:document>")
                       .arg(w, body)
                       .toUtf8()},
                  {QStringLiteral("word/styles.xml"),
                   QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:styles %1>%2</w:styles>")
                       .arg(w, styles)
                       .toUtf8()}});
}

namespace {

QByteArray pdfString(const QString& text)
{
    QByteArray out = "(";
    for (const char c : text.toLatin1()) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + ")";
}

}  // namespace

QByteArray pdfOf(const std::vector<QString>& pages, const std::vector<std::pair<QString, int>>& bookmarks)
{
    // Objects: 1 catalog, 2 pages, 3 font, 4 outlines, then per page its page and its content, then the bookmarks.
    const int n = static_cast<int>(pages.size());
    const int firstPage = 5, firstMark = firstPage + 2 * n;
    const int marks = static_cast<int>(bookmarks.size());
    std::vector<QByteArray> objects;
    QByteArray kids;
    for (int i = 0; i < n; ++i)
        kids += QByteArray::number(firstPage + 2 * i) + " 0 R ";
    objects.push_back(marks ? "<< /Type /Catalog /Pages 2 0 R /Outlines 4 0 R /PageMode /UseOutlines >>"
                            : "<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(n) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    objects.push_back(marks ? "<< /Type /Outlines /First " + QByteArray::number(firstMark) + " 0 R /Last "
                                  + QByteArray::number(firstMark + marks - 1) + " 0 R /Count "
                                  + QByteArray::number(marks) + " >>"
                            : "<< /Type /Outlines /Count 0 >>");
    for (int i = 0; i < n; ++i) {
        QByteArray stream = "BT /F1 12 Tf 72 720 Td 14 TL\n";
        for (const QString& line : pages[static_cast<std::size_t>(i)].split(u'\n'))
            stream += pdfString(line) + " Tj T*\n";
        stream += "ET";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> "
                          ">> /Contents "
                          + QByteArray::number(firstPage + 2 * i + 1) + " 0 R >>");
        objects.push_back("<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" + stream + "\nendstream");
    }
    for (int m = 0; m < marks; ++m) {
        const auto& [title, page] = bookmarks[static_cast<std::size_t>(m)];
        QByteArray o = "<< /Title " + pdfString(title) + " /Parent 4 0 R /Dest ["
                       + QByteArray::number(firstPage + 2 * page) + " 0 R /XYZ 0 792 0]";
        if (m > 0)
            o += " /Prev " + QByteArray::number(firstMark + m - 1) + " 0 R";
        if (m + 1 < marks)
            o += " /Next " + QByteArray::number(firstMark + m + 1) + " 0 R";
        objects.push_back(o + " >>");
    }
    QByteArray out = "%PDF-1.4\n";
    std::vector<qsizetype> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += QByteArray::number(static_cast<qsizetype>(i + 1)) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(static_cast<qsizetype>(objects.size() + 1)) + "\n0000000000 65535 f \n";
    for (const qsizetype o : offsets)
        out += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(static_cast<qsizetype>(objects.size() + 1))
           + " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

}  // namespace tarvix::test
