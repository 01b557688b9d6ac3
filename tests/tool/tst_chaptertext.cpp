// Chapter texts read from real files of each format, made here, and damaged ones refused.
#include "support/ChapterFiles.h"
#include "tools/formats/ChapterText.h"

#include <QTest>

using namespace tarvix;
using namespace tarvix::tool;
using namespace tarvix::test;

Q_DECLARE_METATYPE(tarvix::tool::TextFormat)

namespace {

QString refusal(TextFormat format, const QByteArray& bytes)
{
    try {
        ReadChapterBytes(format, bytes);
    } catch (const TextRefused& r) {
        return r.reason;
    }
    return QStringLiteral("<read>");
}

const Paragraphs kBook{
    {0, QStringLiteral("Manual de informatică")},         {1, QStringLiteral("1. Introducere")},
    {0, QStringLiteral("Despre algoritmul lui Euclid.")}, {2, QStringLiteral("Istoric")},
    {0, QStringLiteral("Primele scheme logice.")},        {1, QStringLiteral("2. Structuri de date")},
    {0, QStringLiteral("Tablourile și listele.")}};

}  // namespace

class TestChapterText : public QObject {
    Q_OBJECT
private slots:
    void formatByExtension()
    {
        QCOMPARE(TextFormatOf(QStringLiteral("a/Cap1.TXT")), TextFormat::Plain);
        QCOMPARE(TextFormatOf(QStringLiteral("x.md")), TextFormat::Markdown);
        QCOMPARE(TextFormatOf(QStringLiteral("x.htm")), TextFormat::Html);
        QCOMPARE(TextFormatOf(QStringLiteral("x.odt")), TextFormat::Odt);
        QCOMPARE(TextFormatOf(QStringLiteral("x.docx")), TextFormat::Docx);
        QCOMPARE(TextFormatOf(QStringLiteral("x.pdf")), TextFormat::Pdf);
        QVERIFY(!TextFormatOf(QStringLiteral("x.png")));
    }

    void plainEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("utf-8") << QByteArray("\n  Știința datelor \nrest") << QStringLiteral("Știința datelor");
        QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBFTitlu\n") << QStringLiteral("Titlu");
        QTest::newRow("cp1250") << QByteArray("\xAA\x74iin\xFE\xE3\r\n") << QStringLiteral("Ştiinţă");
        QTest::newRow("utf-16le") << QByteArray("\xFF\xFE"
                                                "A\0\x03\x01",
                                                6)
                                  << QStringLiteral("Aă");
    }
    void plainEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, firstLine);
        const ChapterFile f = ReadChapterBytes(TextFormat::Plain, bytes);
        QCOMPARE(f.parts.size(), std::size_t(1));
        QCOMPARE(f.parts[0].firstLine, firstLine);
        QVERIFY(f.parts[0].heading.isEmpty());
    }

    void markdownHeading()
    {
        const ChapterFile f = ReadChapterBytes(
            TextFormat::Markdown, "Text înainte\n\n## 3. Scheme *logice* ##\nVezi [schema](http://x.ro/algoritm).\n");
        QCOMPARE(f.parts[0].heading, QStringLiteral("3. Scheme logice"));
        QCOMPARE(f.parts[0].firstLine, QStringLiteral("Text înainte"));
        QVERIFY(!f.parts[0].text.contains(QStringLiteral("algoritm")));
        QVERIFY(f.parts[0].text.contains(QStringLiteral("schema")));
    }

    void html()
    {
        const ChapterFile f = ReadChapterBytes(
            TextFormat::Html, "<html><head><title>Pagina</title><style>p{x:algoritm}</style><script>var a='<p>';"
                              "</script></head><body><!-- algoritm --><h2>Structuri &amp; date</h2>"
                              "<p>Tablouri&nbsp;&#351;i &#x219;iruri, &abreve;lt text</p></body></html>");
        QCOMPARE(f.parts[0].heading, QStringLiteral("Structuri & date"));
        QVERIFY(f.parts[0].text.contains(QStringLiteral("Tablouri şi șiruri, ălt text")));
        QVERIFY(!f.parts[0].text.contains(QStringLiteral("algoritm")));
        // No heading in the body: the page's title stands for it.
        QCOMPARE(ReadChapterBytes(TextFormat::Html, "<title>Algoritmi</title><p>text").parts[0].heading,
                 QStringLiteral("Algoritmi"));
    }

    void officeBook_data()
    {
        QTest::addColumn<TextFormat>("format");
        QTest::newRow("odt") << TextFormat::Odt;
        QTest::newRow("docx") << TextFormat::Docx;
    }
    void officeBook()
    {
        QFETCH(TextFormat, format);
        const QByteArray bytes = format == TextFormat::Odt ? odtOf(kBook) : docxOf(kBook);
        const ChapterFile f = ReadChapterBytes(format, bytes);
        QVERIFY(f.book);
        QCOMPARE(f.parts.size(), std::size_t(3));
        QCOMPARE(f.parts[0].firstLine, QStringLiteral("Manual de informatică"));
        QCOMPARE(f.parts[1].heading, QStringLiteral("1. Introducere"));
        QVERIFY(f.parts[1].text.contains(QStringLiteral("scheme logice")));
        QCOMPARE(f.parts[2].heading, QStringLiteral("2. Structuri de date"));
        QVERIFY(!f.parts[2].text.contains(QStringLiteral("Euclid")));
        // One level-1 heading is one chapter, headed by it.
        const Paragraphs one{{1, QStringLiteral("Algoritmi")}, {0, QStringLiteral("algoritmul")}};
        const ChapterFile single = ReadChapterBytes(format, format == TextFormat::Odt ? odtOf(one) : docxOf(one));
        QVERIFY(!single.book);
        QCOMPARE(single.parts[0].heading, QStringLiteral("Algoritmi"));
    }

    void pdfBook()
    {
        const QByteArray pdf =
            pdfOf({QStringLiteral("Manual"), QStringLiteral("Introducere\nalgoritmul lui Euclid"),
                   QStringLiteral("mai departe"), QStringLiteral("Structuri de date\ntablouri")},
                  {{QStringLiteral("1. Introducere"), 1}, {QStringLiteral("2. Structuri de date"), 3}});
        const ChapterFile f = ReadChapterBytes(TextFormat::Pdf, pdf);
        QVERIFY(f.book);
        QCOMPARE(f.parts.size(), std::size_t(3));
        QCOMPARE(f.parts[1].heading, QStringLiteral("1. Introducere"));
        QVERIFY(f.parts[1].text.contains(QStringLiteral("algoritmul")));
        QVERIFY(f.parts[1].text.contains(QStringLiteral("mai departe")));
        QVERIFY(!f.parts[1].text.contains(QStringLiteral("tablouri")));
        QVERIFY(f.parts[2].text.contains(QStringLiteral("tablouri")));
        const ChapterFile plain = ReadChapterBytes(TextFormat::Pdf, pdfOf({QStringLiteral("Algoritmi\ntext")}, {}));
        QVERIFY(!plain.book);
        QCOMPARE(plain.parts[0].firstLine, QStringLiteral("Algoritmi"));
    }

    void damaged_data()
    {
        QTest::addColumn<TextFormat>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray odt = odtOf(kBook), docx = docxOf(kBook);
        const QByteArray pdf = pdfOf({QStringLiteral("a")}, {});
        QTest::newRow("txt with NUL") << TextFormat::Plain << QByteArray("ab\0cd", 5) << QStringLiteral("octeți nuli");
        QTest::newRow("md with NUL") << TextFormat::Markdown << QByteArray("#\0", 2) << QStringLiteral("octeți nuli");
        QTest::newRow("html with NUL") << TextFormat::Html << QByteArray("<p>\0", 4) << QStringLiteral("octeți nuli");
        QTest::newRow("odt cut") << TextFormat::Odt << odt.left(odt.size() / 2) << QStringLiteral("deteriorat");
        QTest::newRow("odt no content") << TextFormat::Odt << zipOf({{QStringLiteral("mimetype"), "x"}})
                                        << QStringLiteral("lipsește partea content.xml");
        QTest::newRow("odt bad xml") << TextFormat::Odt << zipOf({{QStringLiteral("content.xml"), "<a><b></a>"}})
                                     << QStringLiteral("content.xml nu se poate citi");
        QTest::newRow("odt encrypted") << TextFormat::Odt
                                       << zipOf(
                                              {{QStringLiteral("META-INF/manifest.xml"), "<manifest:encryption-data/>"},
                                               {QStringLiteral("content.xml"), "garbage"}})
                                       << QStringLiteral("criptat");
        QTest::newRow("docx cut") << TextFormat::Docx << docx.left(docx.size() - 30) << QStringLiteral("deteriorat");
        QTest::newRow("docx encrypted") << TextFormat::Docx << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1rest")
                                        << QStringLiteral("criptat");
        QTest::newRow("docx no document") << TextFormat::Docx << zipOf({{QStringLiteral("word/styles.xml"), "<a/>"}})
                                          << QStringLiteral("lipsește partea word/document.xml");
        QTest::newRow("pdf garbage") << TextFormat::Pdf << QByteArray("not a pdf at all") << QStringLiteral("nu este");
        QTest::newRow("pdf cut") << TextFormat::Pdf << pdf.left(40) << QStringLiteral("deteriorat");
    }
    void damaged()
    {
        QFETCH(TextFormat, format);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString got = refusal(format, bytes);
        QVERIFY2(got.contains(reason), qPrintable(got));
    }

    // A small archive that would unpack into more than any chapter holds.
    void zipBombRefused()
    {
        const QByteArray big(kMaxUnpackedBytes + 1, ' ');
        const QString got = refusal(TextFormat::Odt, zipOf({{QStringLiteral("content.xml"), big}}));
        QVERIFY2(got.contains(QStringLiteral("MiB")), qPrintable(got));
    }

    void childAnswerRoundTrip()
    {
        const ChapterFile f = ReadChapterBytes(TextFormat::Odt, odtOf(kBook));
        const ChapterFile back = DecodeChapterFile(EncodeChapterFile(f));
        QCOMPARE(back.parts.size(), f.parts.size());
        QCOMPARE(back.parts[2].text, f.parts[2].text);
        try {
            DecodeChapterFile(EncodeRefusal(QStringLiteral("motivul")));
            QFAIL("a refusal was read as chapters");
        } catch (const TextRefused& r) {
            QCOMPARE(r.reason, QStringLiteral("motivul"));
        }
        QVERIFY_THROWS_EXCEPTION(TextRefused, DecodeChapterFile(EncodeChapterFile(f).chopped(3)));
        // A refusal without a reason is no answer either.
        try {
            DecodeChapterFile(EncodeRefusal(QString()));
            QFAIL("an empty refusal was read as chapters");
        } catch (const TextRefused& r) {
            QVERIFY(!r.reason.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestChapterText)
#include "tst_chaptertext.moc"
