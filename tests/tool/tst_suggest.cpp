// tarvix-db suggest run as a user runs it: chapter files of each format made
// here, proposals read, reviewed and applied, and what it must refuse.
#include "platform/Engine.h"
#include "support/ChapterFiles.h"
#include "support/TempStore.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace tarvix;
using namespace tarvix::test;

namespace {

QStringList rowsOf(const QString& csv)
{
    QStringList rows = csv.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    if (!rows.isEmpty())
        rows.removeFirst();
    return rows;
}

const Paragraphs kBook{{0, QStringLiteral("Manual de informatică, ediția a doua")},
                       {1, QStringLiteral("1. Algoritmi")},
                       {0, QStringLiteral("Despre algoritmul lui Euclid și schemele logice.")},
                       {1, QStringLiteral("2. Structuri de date")},
                       {0, QStringLiteral("Un fisier de date, apoi fişierele.")},
                       {1, QStringLiteral("Anexe")},
                       {0, QStringLiteral("algoritmi")}};

}  // namespace

class TestSuggest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempStore> store;
    std::int32_t algoritm = 0, scheme = 0, stiinta = 0, fisier = 0;
    std::int32_t algoritmi = 0, calcul = 0, structuri = 0;

    QString dir(const QString& name)
    {
        QDir(store->folder()).mkpath(name);
        return store->folder() + u'/' + name;
    }
    void write(const QString& path, const QByteArray& bytes) { writeFile(store->folder() + u'/' + path, bytes); }
    Run suggest(QStringList args, const QStringList& env = {})
    {
        args.prepend(QStringLiteral("Dictionar.mdb"));
        args.prepend(QStringLiteral("suggest"));
        return tool(store->folder(), args, 60000, env);
    }

private slots:
    void init()
    {
        store = std::make_unique<TempStore>();
        algoritm = store->addWord(QStringLiteral("ALGORITM"));
        scheme = store->addWord(QStringLiteral("SCHEME LOGICE"));
        stiinta = store->addWord(QStringLiteral("ȘTIINȚĂ"));
        fisier = store->addWord(QStringLiteral("FIȘIER"));
        algoritmi = store->addChapter(QStringLiteral("1. ALGORITMI"));
        calcul = store->addChapter(QStringLiteral("ȘTIINȚA CALCULULUI"));
        structuri = store->addChapter(QStringLiteral("STRUCTURI DE DATE"));
        store->link(fisier, structuri);
    }
    void cleanup() { store.reset(); }

    void proposalsFromAFolder()
    {
        dir(QStringLiteral("carte"));
        write(QStringLiteral("carte/01_algoritmi.txt"),
              "Algoritmi\n\nUn algoritm. Proprietățile algoritmilor și schemele logice.\n");
        write(QStringLiteral("carte/stiinta.md"), "# Stiinta calculului\n\nStiinta calculului si un algoritm.\n");
        // Code page 1250, with the cedilla letters Romanian Windows wrote: "Fişierele şi ştiinţa".
        write(QStringLiteral("carte/structuri_de_date.txt"), "Fi\xBAierele \xBAi \xBAtiin\xFE\x61.\n");
        const Run r = suggest({QStringLiteral("carte")});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split(u'\n');
        // Romanian order: S before Ș; the existing link (FIȘIER, STRUCTURI DE DATE) counted, not listed.
        QStringList words;
        for (const QString& l : lines)
            if (!l.isEmpty() && !l.startsWith(u' ') && !l.startsWith(QStringLiteral("Legături")))
                words << l;
        QCOMPARE(words, (QStringList{"ALGORITM", "SCHEME LOGICE", "ȘTIINȚĂ"}));
        // The heading counts too: "Algoritmi", "algoritm", "algoritmilor".
        QVERIFY2(r.out.contains(QStringLiteral("  1. ALGORITMI — 3 apariții, aceeași formă\n"
                                               "    „Algoritmi Un algoritm. Proprietățile algoritmilor și schemele…”")),
                 qPrintable(r.out));
        QVERIFY(r.out.contains(QStringLiteral("  ȘTIINȚA CALCULULUI — 1 apariție, aceeași formă")));
        QVERIFY(r.out.contains(QStringLiteral("  1. ALGORITMI — 1 apariție, formă flexionară")));
        QVERIFY(r.out.contains(QStringLiteral("  ȘTIINȚA CALCULULUI — 2 apariții, fără diacritice")));
        QVERIFY(r.out.contains(
            QStringLiteral("  STRUCTURI DE DATE — 1 apariție, formă flexionară\n    „Fişierele şi ştiinţa.”")));
        QVERIFY(r.out.endsWith(QStringLiteral("nearătate: 1.\n")));
        QVERIFY(r.err.isEmpty());
        QCOMPARE(store->count(QStringLiteral("tblLegatura")), 1);
    }

    void eachFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const Paragraphs one{{1, QStringLiteral("Algoritmi")}, {0, QStringLiteral("Despre algoritmul lui Euclid.")}};
        QTest::newRow("txt") << "a.txt" << QByteArray("Algoritmi\nDespre algoritmul lui Euclid.");
        QTest::newRow("md") << "a.md" << QByteArray("# 1. Algoritmi\nDespre *algoritmul* lui Euclid.");
        QTest::newRow("html") << "a.html" << QByteArray("<h1>Algoritmi</h1><p>Despre algoritmul lui Euclid.</p>");
        QTest::newRow("odt") << "a.odt" << odtOf(one);
        QTest::newRow("docx") << "a.docx" << docxOf(one);
        QTest::newRow("pdf") << "a.pdf" << pdfOf({QStringLiteral("Algoritmi\nDespre algoritmul lui Euclid.")}, {});
    }
    void eachFormat()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        write(name, bytes);
        const Run r = suggest({QStringLiteral("--format"), QStringLiteral("csv"), name});
        QCOMPARE(r.code, 0);
        const QStringList rows = rowsOf(r.out);
        QCOMPARE(rows.size(), 1);
        QVERIFY2(rows[0].startsWith(QStringLiteral("ALGORITM,1. ALGORITMI,2,formă flexionară,")), qPrintable(rows[0]));
        QVERIFY(rows[0].endsWith(QStringLiteral("Algoritmi Despre algoritmul lui Euclid.")));
    }

    void bookSplitByItsOutline_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("odt") << "carte.odt" << odtOf(kBook);
        QTest::newRow("docx") << "carte.docx" << docxOf(kBook);
        QTest::newRow("pdf") << "carte.pdf"
                             << pdfOf({QStringLiteral("Manual de informatica"),
                                       QStringLiteral("Despre algoritmul lui Euclid si schemele logice."),
                                       QStringLiteral("Un fisier de date."), QStringLiteral("algoritmi")},
                                      {{QStringLiteral("1. Algoritmi"), 1},
                                       {QStringLiteral("2. Structuri de date"), 2},
                                       {QStringLiteral("Anexe"), 3}});
    }
    void bookSplitByItsOutline()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        write(name, bytes);
        const Run r = suggest({QStringLiteral("--format=csv"), name});
        QCOMPARE(r.code, 0);
        const QStringList rows = rowsOf(r.out);
        QVERIFY2(rows.size() == 2, qPrintable(r.out + r.err));
        QVERIFY(rows[0].startsWith(QStringLiteral("ALGORITM,1. ALGORITMI,")));
        QVERIFY(rows[0].contains(QStringLiteral("formă flexionară,")));
        QVERIFY(rows[1].startsWith(QStringLiteral("SCHEME LOGICE,1. ALGORITMI,1,")));
        // The title page and the appendix name no chapter: listed, not guessed.
        QVERIFY2(r.err.contains(QStringLiteral("partea 1")), qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("(„Anexe”)")));
    }

    void unmatchedAndDoubled()
    {
        dir(QStringLiteral("c"));
        write(QStringLiteral("c/a.txt"), "Algoritmi\nun algoritm");
        write(QStringLiteral("c/b.md"), "# Capitolul 1 - Algoritmi\nun algoritm");
        write(QStringLiteral("c/c.txt"), "Prefață\nun algoritm");
        write(QStringLiteral("c/stiinta-calculului.html"), "<p>un algoritm</p>");
        const Run r = suggest({QStringLiteral("c")});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains(QStringLiteral("capitolul „1. ALGORITMI” se potrivește cu „c/a.txt” și „c/b.md”")),
                 qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("nu se potrivește cu niciun capitol: „c/c.txt”")));
        QVERIFY(!r.out.contains(QStringLiteral("1. ALGORITMI")));
        // The file name named the chapter.
        QVERIFY(r.out.contains(QStringLiteral("ȘTIINȚA CALCULULUI — 1 apariție")));
        // Said outright, the chapter is taken from that file; the other is left aside and said so.
        const Run given =
            suggest({QStringLiteral("--chapter"), QStringLiteral("1. algoritmi=c/b.md"), QStringLiteral("c")});
        QCOMPARE(given.code, 0);
        QVERIFY(given.out.contains(QStringLiteral("1. ALGORITMI — 2 apariții")));
        QVERIFY(given.err.contains(QStringLiteral("ales „c/b.md” (--chapter); lăsat deoparte: „c/a.txt”")));
        const Run unknown = suggest({QStringLiteral("--chapter=PREFAȚĂ=c/c.txt")});
        QCOMPARE(unknown.code, 2);
        QVERIFY(unknown.err.contains(QStringLiteral("„PREFAȚĂ” din --chapter nu există")));
    }

    void applyTwiceAddsNothingTheSecondTime()
    {
        write(QStringLiteral("algoritmi.txt"), "Algoritmi\nalgoritmul, algoritmii și schemele logice; un fisier");
        write(QStringLiteral("structuri.txt"), "Structuri de date\nun fișier");
        const Run first = suggest({QStringLiteral("--apply"), QStringLiteral("--min"), QStringLiteral("2"),
                                   QStringLiteral("algoritmi.txt"), QStringLiteral("structuri.txt")});
        QCOMPARE(first.code, 0);
        QVERIFY2(first.out.contains(QStringLiteral("adăugate în „Dictionar.mdb”: 1;")), qPrintable(first.out));
        QCOMPARE(store->chaptersOf(algoritm), QStringList{"1. ALGORITMI"});
        QCOMPARE(store->chaptersOf(scheme), QStringList{});  // once only: below --min
        const Run all =
            suggest({QStringLiteral("--apply"), QStringLiteral("algoritmi.txt"), QStringLiteral("structuri.txt")});
        QVERIFY2(all.out.contains(QStringLiteral(": 2;")), qPrintable(all.out));
        const qint64 links = store->count(QStringLiteral("tblLegatura"));
        QCOMPARE(links, 4);
        const Run again =
            suggest({QStringLiteral("--apply"), QStringLiteral("algoritmi.txt"), QStringLiteral("structuri.txt")});
        QCOMPARE(again.code, 0);
        QVERIFY(again.out.contains(QStringLiteral(": 0;")));
        QCOMPARE(store->count(QStringLiteral("tblLegatura")), links);
    }

    void applyFromAReviewedFile()
    {
        write(QStringLiteral("algoritmi.txt"), "Algoritmi\nalgoritmul și schemele logice; un fisier; stiinta");
        const Run listed = suggest({QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--output"),
                                    QStringLiteral("propuneri.csv"), QStringLiteral("algoritmi.txt")});
        QCOMPARE(listed.code, 0);
        const QByteArray csv = bytesOf(store->folder() + QStringLiteral("/propuneri.csv"));
        QStringList lines = QString::fromUtf8(csv).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        // The reviewer deletes two rows and adds one row twice.
        lines.removeAt(2);
        lines.removeAt(2);
        lines << lines[1];
        write(QStringLiteral("revizuit.csv"), (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        const Run r = suggest({QStringLiteral("--apply-from"), QStringLiteral("revizuit.csv")});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(QStringLiteral(": 2; lăsate deoparte, fiindcă existau deja sau se repetau: 1.")),
                 qPrintable(r.out));
        QCOMPARE(store->count(QStringLiteral("tblLegatura")), 3);
        // A row naming a word the store does not have refuses the whole file.
        write(QStringLiteral("gresit.csv"), "Cuvant,Capitol\r\nSCHEME LOGICE,1. ALGORITMI\r\nNIMIC,1. ALGORITMI\r\n");
        const Run bad = suggest({QStringLiteral("--apply-from"), QStringLiteral("gresit.csv")});
        QCOMPARE(bad.code, 4);
        QVERIFY(bad.err.contains(QStringLiteral("linia 3: cuvântul „NIMIC” nu există")));
        QCOMPARE(store->count(QStringLiteral("tblLegatura")), 3);
    }

    void damagedFilesRefusedByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray odt = odtOf(kBook), docx = docxOf(kBook);
        const QByteArray pdf = pdfOf({QStringLiteral("Algoritmi")}, {});
        QTest::newRow("txt") << "a.txt" << QByteArray("Algoritmi\0\1", 11) << "nu este un fișier text";
        QTest::newRow("md") << "a.md" << QByteArray("\0\0", 2) << "nu este un fișier text";
        QTest::newRow("html") << "a.html" << QByteArray("<p>\0", 4) << "nu este un fișier text";
        QTest::newRow("odt") << "a.odt" << odt.left(odt.size() / 2) << "deteriorat";
        QTest::newRow("docx") << "a.docx" << docx.left(docx.size() - 20) << "deteriorat";
        QTest::newRow("docx encrypted") << "a.docx" << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1....") << "criptat";
        QTest::newRow("pdf") << "a.pdf" << pdf.left(pdf.size() / 3) << "deteriorat";
    }
    void damagedFilesRefusedByName()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        dir(QStringLiteral("c"));
        write(QStringLiteral("c/") + name, bytes);
        write(QStringLiteral("c/bun.txt"), "Algoritmi\nun algoritm");
        const QByteArray before = bytesOf(store->file());
        const Run r = suggest({QStringLiteral("--apply"), QStringLiteral("c")});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains(QStringLiteral("lăsat deoparte „c/%1”: ").arg(name)) && r.err.contains(reason),
                 qPrintable(r.err));
        QCOMPARE(store->chaptersOf(algoritm), QStringList{"1. ALGORITMI"});
        Q_UNUSED(before);
    }

    // A PDF reader that crashes or says nonsense costs the file, not the run.
    void pdfReaderFailuresRefuseTheFile_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("reason");
        QTest::newRow("crash") << QByteArray("#!/bin/sh\nkill -SEGV $$\n") << "s-a oprit brusc";
        QTest::newRow("nonsense") << QByteArray("#!/bin/sh\necho nonsense\n") << "de neînțeles";
        QTest::newRow("no answer") << QByteArray("#!/bin/sh\nprintf ...\nexit 0\n") << "s-a oprit brusc";
    }
    void pdfReaderFailuresRefuseTheFile()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, reason);
        const QString reader = store->folder() + QStringLiteral("/reader.sh");
        write(QStringLiteral("reader.sh"), script);
        QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        write(QStringLiteral("a.pdf"), pdfOf({QStringLiteral("Algoritmi")}, {}));
        const Run r = suggest({QStringLiteral("a.pdf")}, {QStringLiteral("TARVIX_TEXT_READER=") + reader});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains(QStringLiteral("lăsat deoparte „a.pdf”: ")) && r.err.contains(reason),
                 qPrintable(r.err));
    }

    void refusedRuns_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("no source") << QStringList{} << 2 << "cel puțin o sursă";
        QTest::newRow("missing source") << QStringList{"nu-i"} << 3 << "Sursa „nu-i” nu există";
        QTest::newRow("apply and apply-from")
            << QStringList{"--apply", "--apply-from", "x.csv", "a"} << 2 << "nu merg împreună";
        QTest::newRow("bad min") << QStringList{"--min", "0", "a"} << 2 << "--min";
        QTest::newRow("bad format") << QStringList{"--format", "html", "a"} << 2 << "text sau csv";
        QTest::newRow("output there") << QStringList{"--output", "a.txt", "a.txt"} << 3 << "există deja";
    }
    void refusedRuns()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, fragment);
        write(QStringLiteral("a.txt"), "Algoritmi\nalgoritm");
        const QByteArray before = bytesOf(store->file());
        const Run r = suggest(args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(fragment), qPrintable(r.err));
        QCOMPARE(bytesOf(store->file()), before);
    }

    void storeOutOfStepRefusedForApply()
    {
        store->other().ExecuteScript(
            QStringLiteral("INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('stivă', 'stivă')"));
        write(QStringLiteral("a.txt"), "Algoritmi\nalgoritm");
        const qint64 links = store->count(QStringLiteral("tblLegatura"));
        const Run r = suggest({QStringLiteral("--apply"), QStringLiteral("a.txt")});
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains(QStringLiteral("check --repair")), qPrintable(r.err));
        QCOMPARE(store->count(QStringLiteral("tblLegatura")), links);
    }
};

QTEST_GUILESS_MAIN(TestSuggest)
#include "tst_suggest.moc"
