// tarvix-db import-mdb and convert run as real programs over Jet files: the
// test writer's Romanian dictionary in every format, real files from other
// projects through a mapping, damaged and foreign files, and refusals that
// leave every file as it was.
#include "platform/Engine.h"
#include "support/JetWriter.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvix;
using namespace tarvix::test;

namespace {

const QString kData = QStringLiteral(TARVIX_TEST_DATA);

// What the Romanian fixture becomes: texts as the editors store them, alike texts merged, links by text.
const QStringList kExpected = [] {
    const QString longTitle =
        QStringLiteral("CAPITOLUL LUNG: ") + QStringLiteral("ÎNVĂȚĂMÂNT ȘI ȘTIINȚĂ ÎN ROMÂNIA. ").repeated(8);
    const QString t255 = longTitle.left(255);
    QStringList words{
        "MĂR",  "STIVĂ",      "ȘI", "ȘTIINȚĂ", "PÂINE", "ÎNGER", "ANTICONSTITUȚIONALITĂȚILOR", "CUVÂNT \"CITAT\"",
        "ȚARĂ", "ĂÂÎȘȚ ĂÂÎȘȚ"};
    QStringList chapters{
        "INTRODUCERE",           "ȚĂRI ȘI ORAȘE",      "ISTORIA ROMÂNIEI", t255, "TITLU CU \"GHILIMELE\" ÎN EL",
        "ÎNVĂȚĂMÂNT ȘI ȘTIINȚĂ", "Ă Â Î Ș Ț Ă Â Î Ș Ț"};
    QStringList links{"MĂR / INTRODUCERE",
                      "STIVĂ / ȚĂRI ȘI ORAȘE",
                      "ȘI / ȚĂRI ȘI ORAȘE",
                      "ȘTIINȚĂ / ÎNVĂȚĂMÂNT ȘI ȘTIINȚĂ",
                      "ȘTIINȚĂ / ȚĂRI ȘI ORAȘE",
                      "PÂINE / ISTORIA ROMÂNIEI",
                      "ÎNGER / TITLU CU \"GHILIMELE\" ÎN EL",
                      "ANTICONSTITUȚIONALITĂȚILOR / " + t255,
                      "CUVÂNT \"CITAT\" / TITLU CU \"GHILIMELE\" ÎN EL",
                      "ȚARĂ / ȚĂRI ȘI ORAȘE",
                      "ĂÂÎȘȚ ĂÂÎȘȚ / Ă Â Î Ș Ț Ă Â Î Ș Ț"};
    QStringList out;
    for (QStringList* l : {&words, &chapters, &links}) {
        l->sort();
        for (const QString& t : *l)
            out << (l == &words ? "W " : l == &chapters ? "C " : "L ") + t;
    }
    return out;
}();

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QString jet(QTemporaryDir& dir, const std::vector<JetTable>& tables, const JetOptions& options,
            const QString& name = QStringLiteral("vechi.mdb"))
{
    const QString path = dir.filePath(name);
    WriteJetFile(path, tables, options);
    return path;
}

JetOptions version(int v)
{
    JetOptions o;
    o.version = v;
    return o;
}

}  // namespace

class JetImportTest : public QObject {
    Q_OBJECT

private slots:
    void romanianDictionary_data();
    void romanianDictionary();
    void realFilesThroughAMapping_data();
    void realFilesThroughAMapping();
    void refusalsLeaveNothing_data();
    void refusalsLeaveNothing();
    void damagedFilesRefusedInTime_data();
    void damagedFilesRefusedInTime();
    void misbehavingReaderStopped_data();
    void misbehavingReaderStopped();
    void oneReaderForAnImport();
    void convertKeepsTheOriginal();
    void convertFailureRestoresTheOriginal();
};

void JetImportTest::romanianDictionary_data()
{
    QTest::addColumn<int>("jetVersion");
    QTest::addColumn<int>("headerCodePage");
    QTest::addColumn<bool>("compress");
    QTest::addColumn<QString>("reported");
    QTest::newRow("Jet 3, CP1250") << 3 << 1250 << false << "pagina de cod 1250 (numită de fișier)";
    QTest::newRow("Jet 3 naming 1252, written in 1250") << 3 << 1252 << false << "fișierul numește 1252";
    QTest::newRow("Jet 4") << 4 << 0 << false << "Jet 4";
    QTest::newRow("Jet 4, compressed texts") << 4 << 0 << true << "Jet 4";
}

void JetImportTest::romanianDictionary()
{
    QFETCH(int, jetVersion);
    QFETCH(int, headerCodePage);
    QFETCH(bool, compress);
    QFETCH(QString, reported);
    QTemporaryDir dir;
    JetOptions o = version(jetVersion);
    if (headerCodePage) {
        o.codePage = headerCodePage;
        o.textCodePage = 1250;
    }
    o.compressText = compress;
    const QString source = jet(dir, RomanianFixture(), o);
    const QByteArray before = bytesOf(source);

    const Run r = tool(dir.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains(reported), qPrintable(r.out));
    QVERIFY2(r.out.contains("16 citite, 10 păstrate, 4 unite cu altele, 2 sărite"), qPrintable(r.out));
    QVERIFY2(r.out.contains("10 citite, 7 păstrate, 1 unite cu altele, 2 sărite"), qPrintable(r.out));
    QVERIFY2(r.out.contains("Legături: 23 citite, 11 păstrate, 5 repetate (păstrate o dată), 7 lăsate deoparte"),
             qPrintable(r.out));
    QVERIFY(r.out.contains("nu există cuvânt cu cheia 99"));
    QVERIFY(r.out.contains("cuvânt cu cheia 9 are textul gol"));
    QVERIFY(r.out.contains("„ANTICONSTITUȚIONALITĂȚILOR” (26 de caractere)"));
    QCOMPARE(contentOf(dir.filePath("Dictionar.mdb")), kExpected);
    QCOMPARE(bytesOf(source), before);
    QCOMPARE(entries(dir.path()), QStringList({"Dictionar.mdb", "vechi.mdb"}));
    const Run check = tool(dir.path(), {"check", "Dictionar.mdb"});
    QVERIFY2(check.code == 0, qPrintable(check.out + check.err));

    // The same file read as the code page it names, on request.
    if (headerCodePage == 1252) {
        QVERIFY(tool(dir.path(), {"import-mdb", "--force", "--codepage", "1252", "vechi.mdb", "Dictionar.mdb"}).code
                == 0);
        QVERIFY(contentOf(dir.filePath("Dictionar.mdb")).contains("W MÃR"));
    }
}

void JetImportTest::realFilesThroughAMapping_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("mapping");
    QTest::addColumn<int>("words");
    QTest::addColumn<QStringList>("present");
    const QStringList unicode{"--words",          "Table:ID:Unicode", "--chapters",
                              "table:id:unicode", "--links",          "Table:ID:ID"};
    // Each file holds texts with control characters (U+0001, U+001D; TAB, LF, FF): those rows are skipped.
    QTest::newRow("Jet 4, compressed and plain Unicode")
        << "testUnicodeCompV2003.mdb" << unicode << 6
        << QStringList{"W МИР", "W 漢字仮名交じり文", "W ÄÄKKÖSIÄ", "L МИР / МИР"};
    const QStringList codes{"--words", "Table11:id:data", "--chapters", "Table11:id:data", "--links", "Table11:id:id"};
    QTest::newRow("Jet 3, code page 1252")
        << "testIndexCodesV1997.mdb" << codes << 40 << QStringList{"W ABCDEFGHIJKLMNOPQRSTUVWXYZ", "W A A", "L B / B"};
}

void JetImportTest::realFilesThroughAMapping()
{
    QFETCH(QString, file);
    QFETCH(QStringList, mapping);
    QFETCH(int, words);
    QFETCH(QStringList, present);
    QTemporaryDir dir;
    QVERIFY(QFile::copy(kData + "/" + file, dir.filePath(file)));
    const Run r = tool(dir.path(), QStringList{"import-mdb"} + mapping + QStringList{file, "nou.mdb"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    const QStringList content = contentOf(dir.filePath("nou.mdb"));
    QCOMPARE(content.filter(QRegularExpression("^W ")).size(), words);
    for (const QString& p : present)
        QVERIFY2(content.contains(p), qPrintable(p));
    QCOMPARE(bytesOf(dir.filePath(file)), bytesOf(kData + "/" + file));
    QCOMPARE(tool(dir.path(), {"check", "nou.mdb"}).code, 0);
}

void JetImportTest::refusalsLeaveNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("store already there") << QStringList{"vechi.mdb", "Dictionar.mdb"} << "store" << 3 << "--force";
    QTest::newRow("the same file") << QStringList{"--force", "vechi.mdb", "./vechi.mdb"} << "" << 2 << "convert";
    QTest::newRow("a missing table")
        << QStringList{"--words", "tblCuvinte:ID:Text", "vechi.mdb", "Dictionar.mdb"} << "" << 3
        << "nu are tabela „tblCuvinte” (pentru cuvinte). Tabelele lui sunt: tblDictionar, tblCapitol, tblLegatura";
    QTest::newRow("a missing table, the mapping named")
        << QStringList{"--words", "tblCuvinte:ID:Text", "vechi.mdb", "Dictionar.mdb"} << "" << 3
        << "tarvix-db import-mdb --words TABELĂ:CHEIE:TEXT --chapters TABELĂ:CHEIE:TEXT --links TABELĂ:CUVÂNT:CAPITOL";
    QTest::newRow("a missing field, the mapping named")
        << QStringList{"--chapters", "TBLCAPITOL:id_capitol:Titlu", "vechi.mdb", "Dictionar.mdb"} << "" << 3
        << "numiți-le: tarvix-db import-mdb --words";
    QTest::newRow("a missing field") << QStringList{"--chapters", "TBLCAPITOL:id_capitol:Titlu", "vechi.mdb",
                                                    "Dictionar.mdb"}
                                     << "" << 3 << "nu are câmpul „Titlu”";
    QTest::newRow("a text where a key goes")
        << QStringList{"--links", "tblDictionar:Cuvant:ID_Cuvant", "vechi.mdb", "Dictionar.mdb"} << "" << 3
        << "câmpul „Cuvant” este de tip Text; o cheie trebuie să fie un număr întreg";
    QTest::newRow("a mapping of two parts")
        << QStringList{"--words", "tblDictionar:Cuvant", "vechi.mdb", "Dictionar.mdb"} << "" << 2 << "TABELĂ:CÂMP:CÂMP";
    QTest::newRow("more words than a list holds")
        << QStringList{"mare.mdb", "Dictionar.mdb"} << "large" << 4 << "cel mult 32767";
    QTest::newRow("a missing Jet file") << QStringList{"lipsă.mdb", "Dictionar.mdb"} << "" << 3 << "nu există";
}

void JetImportTest::refusalsLeaveNothing()
{
    QFETCH(QStringList, args);
    QFETCH(QString, setup);
    QFETCH(int, code);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    jet(dir, RomanianFixture(), version(4));
    if (setup == "store")
        writeFile(dir.filePath("Dictionar.mdb"), "un fișier al utilizatorului");
    if (setup == "large")
        jet(dir, LargeDictionary(32768, 2, 2), version(4), "mare.mdb");
    QMap<QString, QByteArray> before;
    for (const QString& f : entries(dir.path()))
        before.insert(f, bytesOf(dir.filePath(f)));

    const Run r = tool(dir.path(), QStringList{"import-mdb"} + args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(mentions), qPrintable(r.err));
    QCOMPARE(entries(dir.path()), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(bytesOf(dir.filePath(it.key())), it.value());
}

void JetImportTest::damagedFilesRefusedInTime_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("mentions");
    const QByteArray good = WriteJet(RomanianFixture(), version(4));
    const QByteArray jet3 = WriteJet(RomanianFixture(), version(3));
    const QByteArray many = WriteJet(LargeDictionary(3000, 300, 30000), version(4));
    QTest::newRow("empty") << QByteArray() << "semnătura";
    QTest::newRow("zeros") << QByteArray(8192, '\0') << "semnătura";
    QTest::newRow("text") << QByteArray("ID_Cuvant,Cuvant\n1,MĂR\n") << "semnătura";
    QTest::newRow("a Tarvix store") << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\0') << "semnătura";
    QTest::newRow("unknown version") << QByteArray(good).replace(0x14, 1, "\x09") << "versiune necunoscută";
    QTest::newRow("header only") << good.left(4096) << "trunchiat";
    QTest::newRow("cut inside a page") << good.left(good.size() - 100) << "trunchiat";
    QTest::newRow("Jet 3 cut inside a page") << jet3.left(2048 * 2 + 1) << "trunchiat";
    QTest::newRow("last pages cut off") << many.left(many.size() / 4096 * 3 / 4 * 4096) << "";
    QByteArray catalog = good;
    for (int i = 2 * 4096; i < 3 * 4096; ++i)
        catalog[i] = static_cast<char>(i * 7919 % 251);
    QTest::newRow("catalog overwritten") << catalog << "";
    QByteArray pages = many;
    for (int i = 4096; i < 16 * 4096; i += 3)
        pages[i] = static_cast<char>(0xFF);
    QTest::newRow("first pages changed") << pages << "";
    QByteArray encrypted = good;
    encrypted[0x3E] = static_cast<char>(encrypted[0x3E] ^ 0x5A);
    QTest::newRow("encrypted") << encrypted << "criptat";
}

void JetImportTest::damagedFilesRefusedInTime()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    writeFile(dir.filePath("vechi.mdb"), bytes);
    QElapsedTimer clock;
    clock.start();
    const Run r = tool(dir.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"}, 60000);
    QVERIFY2(r.code == 3, qPrintable(QStringLiteral("exit %1: %2").arg(r.code).arg(r.err)));
    QVERIFY(clock.elapsed() < 30000);
    QVERIFY2(r.err.contains(mentions), qPrintable(r.err));
    QVERIFY2(r.err.size() < 2000, "the reader's complaints are not echoed in bulk");
    QCOMPARE(entries(dir.path()), QStringList{"vechi.mdb"});
    QCOMPARE(bytesOf(dir.filePath("vechi.mdb")), bytes);
}

void JetImportTest::misbehavingReaderStopped_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("hangs, writing megabytes of complaints")
        << QByteArray("while :; do echo 'mdb_kkd_to_props: bad record' >&2; done")
        << "nu a mai dat niciun rând timp de 10 s";
    QTest::newRow("crashes") << QByteArray("echo 'T\tx\t1\t0'; kill -SEGV $$") << "s-a oprit brusc";
    QTest::newRow("stops halfway") << QByteArray("printf 'T\ttblDictionar\t0\t0\nE\t0\t0\n'") << "înainte de sfârșit";
    QTest::newRow("writes nonsense") << QByteArray("head -c 100000 /dev/urandom") << "de neînțeles";
}

void JetImportTest::misbehavingReaderStopped()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    jet(dir, RomanianFixture(), version(4));
    const QString reader = dir.filePath("reader.sh");
    writeFile(reader, "#!/bin/sh\n" + script + "\n");
    QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QElapsedTimer clock;
    clock.start();
    const Run r =
        tool(dir.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"}, 60000, {"TARVIX_JET_READER=" + reader});
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(mentions), qPrintable(r.err));
    QVERIFY(r.err.size() < 2000);
    QVERIFY(clock.elapsed() < 30000);
    QCOMPARE(entries(dir.path()), QStringList({"reader.sh", "vechi.mdb"}));
}

void JetImportTest::oneReaderForAnImport()
{
    // The reader lists the tables and then reads the ones asked for: one child, one opening of the file.
    QTemporaryDir dir;
    jet(dir, RomanianFixture(), version(4));
    const QString reader = dir.filePath("reader.sh");
    writeFile(reader, "#!/bin/sh\necho \"$*\" >> started.txt\nexec '" + QByteArray(TARVIX_DB_TOOL) + "' \"$@\"\n");
    QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const Run r =
        tool(dir.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"}, 60000, {"TARVIX_JET_READER=" + reader});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(contentOf(dir.filePath("Dictionar.mdb")), kExpected);
    QCOMPARE(bytesOf(dir.filePath("started.txt")).count('\n'), 1);
}

void JetImportTest::convertKeepsTheOriginal()
{
    QTemporaryDir dir;
    const QString file = jet(dir, RomanianFixture(), version(4), "Dictionar.mdb");
    const QByteArray original = bytesOf(file);
    // A name already taken is never replaced.
    writeFile(dir.filePath("Dictionar.original-jet4.mdb"), "altceva");
    // Asked first, as the program asks before it converts: the name, and nothing changed.
    const Run named = tool(dir.path(), {"convert", "--original-name", "Dictionar.mdb"});
    QCOMPARE(named.code, 0);
    QCOMPARE(named.out.trimmed(), QStringLiteral("Dictionar.original-jet4-2.mdb"));
    QCOMPARE(bytesOf(file), original);
    QCOMPARE(entries(dir.path()), QStringList({"Dictionar.mdb", "Dictionar.original-jet4.mdb"}));

    const Run r = tool(dir.path(), {"convert", "Dictionar.mdb"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains("Originalul este păstrat ca „Dictionar.original-jet4-2.mdb”"), qPrintable(r.out));
    QCOMPARE(bytesOf(dir.filePath("Dictionar.original-jet4-2.mdb")), original);
    QCOMPARE(bytesOf(dir.filePath("Dictionar.original-jet4.mdb")), QByteArray("altceva"));
    QCOMPARE(contentOf(file), kExpected);
    QCOMPARE(entries(dir.path()),
             QStringList({"Dictionar.mdb", "Dictionar.original-jet4-2.mdb", "Dictionar.original-jet4.mdb"}));

    // Now a Tarvix store: nothing to do, nothing touched.
    const QByteArray store = bytesOf(file);
    const Run again = tool(dir.path(), {"convert", "Dictionar.mdb"});
    QCOMPARE(again.code, 0);
    QVERIFY(again.out.contains("este deja o bază de date Tarvix"));
    QCOMPARE(bytesOf(file), store);
    QCOMPARE(entries(dir.path()).size(), 3);
}

void JetImportTest::convertFailureRestoresTheOriginal()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(kData + "/testUnicodeCompV2003.mdb", dir.filePath("Dictionar.mdb")));
    const QByteArray original = bytesOf(dir.filePath("Dictionar.mdb"));
    const Run r = tool(dir.path(), {"convert", "Dictionar.mdb"});
    QCOMPARE(r.code, 3);
    QVERIFY(r.err.contains("nu are tabela „tblDictionar”"));
    // Tables named otherwise: the refusal says how to name them.
    QVERIFY2(r.err.contains("tarvix-db import-mdb --words TABELĂ:CHEIE:TEXT --chapters TABELĂ:CHEIE:TEXT --links "
                            "TABELĂ:CUVÂNT:CAPITOL „Dictionar.mdb” FIȘIER-NOU"),
             qPrintable(r.err));
    QCOMPARE(entries(dir.path()), QStringList{"Dictionar.mdb"});
    QCOMPARE(bytesOf(dir.filePath("Dictionar.mdb")), original);
    // Neither Access nor Tarvix: said so, touched nothing.
    writeFile(dir.filePath("Dictionar.mdb"), "cuvinte");
    const Run foreign = tool(dir.path(), {"convert", "Dictionar.mdb"});
    QCOMPARE(foreign.code, 3);
    QVERIFY(foreign.err.contains("nici o bază de date Access, nici una Tarvix"));
    QCOMPARE(entries(dir.path()), QStringList{"Dictionar.mdb"});
}

QTEST_GUILESS_MAIN(JetImportTest)
#include "tst_jet_import.moc"
