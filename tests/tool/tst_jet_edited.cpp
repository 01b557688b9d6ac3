// Jet dictionaries as years of editing leave them: rows moved by longer updates, moved again, moved and
// then deleted; letters outside the Basic Multilingual Plane; passwords; a slow reader. Files from the
// project's own writer and edited samples, each imported by the real tarvix-db.
#include "support/ExpectedTsv.h"
#include "support/JetWriter.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvix;
using namespace tarvix::test;

namespace {

const QString kData = QStringLiteral(TARVIX_TEST_DATA);

JetOptions version(int v)
{
    JetOptions o;
    o.version = v;
    return o;
}

JetRow wordRow(qint32 key, const QString& text, int moved = 0, bool deleted = false)
{
    JetRow r{{JetValue(key), JetValue(text)}, deleted, moved};
    return r;
}

// Three words and two chapters moved about, as Access leaves them after longer updates.
std::vector<JetTable> editedDictionary()
{
    std::vector<JetTable> t = DictionaryTables({{1, QStringLiteral("măr")}}, {{1, QStringLiteral("Introducere")}},
                                               {{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 1}});
    t[0].rows = {wordRow(1, QStringLiteral("măr")), wordRow(2, QStringLiteral("pară mutată"), 1),
                 wordRow(3, QStringLiteral("prună mutată de două ori"), 2),
                 wordRow(4, QStringLiteral("gutuie mutată apoi ștearsă"), 1, true),
                 wordRow(5, QStringLiteral("cireașă mutată de trei ori"), 3)};
    t[1].rows = {wordRow(1, QStringLiteral("Introducere")), wordRow(2, QStringLiteral("Fructe mutate"), 2)};
    return t;
}

QStringList editedContent()
{
    return {"W CIREAȘĂ MUTATĂ DE TREI ORI",
            "W MĂR",
            "W PARĂ MUTATĂ",
            "W PRUNĂ MUTATĂ DE DOUĂ ORI",
            "C FRUCTE MUTATE",
            "C INTRODUCERE",
            "L CIREAȘĂ MUTATĂ DE TREI ORI / INTRODUCERE",
            "L MĂR / INTRODUCERE",
            "L PARĂ MUTATĂ / INTRODUCERE",
            "L PRUNĂ MUTATĂ DE DOUĂ ORI / FRUCTE MUTATE"};
}

QString copySample(const QTemporaryDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    if (!QFile::copy(kData + QLatin1Char('/') + name, path))
        return {};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

}  // namespace

class JetEditedTest : public QObject {
    Q_OBJECT

private slots:
    void movedRowsReadAtTheirNewPlace_data();
    void movedRowsReadAtTheirNewPlace();
    void editedSamples_data();
    void editedSamples();
    void lettersOutsideTheBasicPlane();
    void passwords_data();
    void passwords();
    void slowReaderIsNotDamage();
    void stalledReaderSaidToBeSlow();
    void refusalsExplained();
    void splitDatabaseNamesItsBackEnd();
    void memosInTheirRowOrOnPagesOfTheirOwn_data();
    void memosInTheirRowOrOnPagesOfTheirOwn();
    void brokenMemoChainSaysSo();
    void codePageOnTheEvidenceOfAllTexts_data();
    void codePageOnTheEvidenceOfAllTexts();
};

void JetEditedTest::movedRowsReadAtTheirNewPlace_data()
{
    QTest::addColumn<int>("jetVersion");
    QTest::newRow("Jet 3") << 3;
    QTest::newRow("Jet 4") << 4;
}

void JetEditedTest::movedRowsReadAtTheirNewPlace()
{
    QFETCH(int, jetVersion);
    QTemporaryDir dir;
    WriteJetFile(dir.filePath("vechi.mdb"), editedDictionary(), version(jetVersion));
    const Run r = tool(dir.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains("Cuvinte (tabela „tblDictionar”): 4 citite, 4 păstrate"), qPrintable(r.out));
    QVERIFY2(r.out.contains("Capitole (tabela „tblCapitol”): 2 citite, 2 păstrate"), qPrintable(r.out));
    QVERIFY2(r.out.contains("nu există cuvânt cu cheia 4"), qPrintable(r.out));
    QCOMPARE(contentOf(dir.filePath("Dictionar.mdb")), editedContent());
}

void JetEditedTest::editedSamples_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QStringList>("extra");
    QTest::newRow("moved, then deleted") << "sample-move-delete-jet4.mdb" << QStringList();
    QTest::newRow("moved twice and three times") << "sample-move-twice-jet4.mdb" << QStringList();
    QTest::newRow("emoji and mathematical letters") << "sample-astral-jet4.mdb" << QStringList();
    QTest::newRow("password") << "sample-password-jet4.mdb" << QStringList{"--password", "Biologie7"};
    QTest::newRow("decomposed letters, no-break spaces, controls and invisible marks")
        << "sample-invisible-jet4.mdb" << QStringList();
    QTest::newRow("Jet 3, Western words in code page 1252") << "sample-cp1252-jet3.mdb" << QStringList();
    QTest::newRow("Jet 3, Romanian table and field names") << "sample-ro-names-jet3.mdb" << QStringList();
}

void JetEditedTest::editedSamples()
{
    QFETCH(QString, sample);
    QFETCH(QStringList, extra);
    QTemporaryDir dir;
    QVERIFY(!copySample(dir, sample).isEmpty());
    const ExpectedImport e = ReadExpectedImport(kData + QLatin1Char('/') + sample + ".expected.tsv");
    const Run r = tool(dir.path(), QStringList{"import-mdb"} + e.args + extra + QStringList{sample, "Dictionar.mdb"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains(QStringLiteral("%1 citite, %2 păstrate")
                                .arg(e.counts.value("words_read"))
                                .arg(e.counts.value("words_kept"))),
             qPrintable(r.out));
    QVERIFY2(r.out.contains(QStringLiteral("Legături: %1 citite, %2 păstrate")
                                .arg(e.counts.value("links_read"))
                                .arg(e.counts.value("links_kept"))),
             qPrintable(r.out));
    QCOMPARE(contentOf(dir.filePath("Dictionar.mdb")), e.content);
    // A text refused for an invisible character is named by its key.
    for (const QString& key : e.refusedWordKeys)
        QVERIFY2(r.out.contains(QStringLiteral("(cheia %1)").arg(key)), qPrintable(key + "\n" + r.out));
}

void JetEditedTest::lettersOutsideTheBasicPlane()
{
    QTemporaryDir dir;
    const QString lone = QStringLiteral("CIOT ") + QChar(0xD83D);  // half of a pair: no text at all
    WriteJetFile(
        dir.filePath("vechi.mdb"),
        DictionaryTables(
            {{1, QStringLiteral("😀 EMOJI")}, {2, QStringLiteral("😁 EMOJI")}, {3, QStringLiteral("𝔸 dublu")}, {4, lone}},
            {{1, QStringLiteral("Zâmbete 😀")}, {2, QStringLiteral("Zâmbete 😁")}}, {{1, 1}, {2, 2}, {3, 1}, {4, 2}}),
        version(4));
    const Run r = tool(dir.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains("rândul 4 (cheia 4): textul nu poate fi citit"), qPrintable(r.out));
    QVERIFY2(r.out.contains("cuvânt cu cheia 4 are un text care nu poate fi citit"), qPrintable(r.out));
    QCOMPARE(contentOf(dir.filePath("Dictionar.mdb")),
             QStringList({"W 𝔸 DUBLU", "W 😀 EMOJI", "W 😁 EMOJI", "C ZÂMBETE 😀", "C ZÂMBETE 😁", "L 𝔸 DUBLU / ZÂMBETE 😀",
                          "L 😀 EMOJI / ZÂMBETE 😀", "L 😁 EMOJI / ZÂMBETE 😁"}));
}

void JetEditedTest::passwords_data()
{
    QTest::addColumn<int>("jetVersion");
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("mentions");
    for (const int v : {3, 4}) {
        const QString j = QStringLiteral("Jet %1, ").arg(v);
        QTest::newRow(qPrintable(j + "none given"))
            << v << QStringList() << QByteArray() << 6 << "protejat cu o parolă";
        QTest::newRow(qPrintable(j + "another"))
            << v << QStringList{"--password", "biologie7"} << QByteArray() << 6 << "nu este parola";
        QTest::newRow(qPrintable(j + "the right one"))
            << v << QStringList{"--password", "Biologie7"} << QByteArray() << 0 << "păstrate";
        QTest::newRow(qPrintable(j + "from the input"))
            << v << QStringList{"--password", "-"} << QByteArray("Biologie7\n") << 0 << "păstrate";
    }
}

void JetEditedTest::passwords()
{
    QFETCH(int, jetVersion);
    QFETCH(QStringList, given);
    QFETCH(QByteArray, input);
    QFETCH(int, code);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    JetOptions o = version(jetVersion);
    o.password = QStringLiteral("Biologie7");
    WriteJetFile(dir.filePath("vechi.mdb"), RomanianFixture(), o);
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral(TARVIX_DB_TOOL),
            QStringList{"import-mdb"} + given + QStringList{"vechi.mdb", "Dictionar.mdb"});
    p.write(input);
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(60000));
    const QString said = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    QCOMPARE(p.exitCode(), code);
    QVERIFY2(said.contains(mentions), qPrintable(said));
    QCOMPARE(QFile::exists(dir.filePath("Dictionar.mdb")), code == 0);
}

void JetEditedTest::slowReaderIsNotDamage()
{
    // Rows that keep coming, however slowly, are read to the end: here past what a total limit allowed.
    QTemporaryDir dir;
    WriteJetFile(dir.filePath("vechi.mdb"), editedDictionary(), version(4));
    const QString reader = dir.filePath("reader.sh");
    writeFile(reader, "#!/bin/sh\n\"" + QByteArray(TARVIX_DB_TOOL)
                          + "\" \"$@\" | while IFS= read -r l; do printf '%s\\n' \"$l\"; "
                            "sleep 0.25; done\n");
    QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const Run r =
        tool(dir.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"}, 120000, {"TARVIX_JET_READER=" + reader});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(contentOf(dir.filePath("Dictionar.mdb")), editedContent());
}

void JetEditedTest::stalledReaderSaidToBeSlow()
{
    QTemporaryDir dir;
    WriteJetFile(dir.filePath("vechi.mdb"), editedDictionary(), version(4));
    const QString reader = dir.filePath("reader.sh");
    writeFile(reader, "#!/bin/sh\nprintf 'T\\ttblDictionar\\t5\\t0\\n'\nexec sleep 60\n");
    QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const Run r =
        tool(dir.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"}, 60000, {"TARVIX_JET_READER=" + reader});
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains("prea ocupat"), qPrintable(r.err));
    QVERIFY2(!r.err.contains("deteriorat"), qPrintable(r.err));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"reader.sh", "vechi.mdb"}));
}

void JetEditedTest::refusalsExplained()
{
    QTemporaryDir real;
    QVERIFY(!copySample(real, "mdb-reader-V1997-test.mdb").isEmpty());
    const Run d = tool(real.path(), {"import-mdb", "--words", "Table1:F:A", "--chapters", "Table1:C:B", "--links",
                                     "Table1:C:D", "mdb-reader-V1997-test.mdb", "Dictionar.mdb"});
    QCOMPARE(d.code, 3);
    QVERIFY2(d.err.contains("de tip Double; o cheie trebuie să fie un număr întreg: Byte, Integer sau Long Integer"),
             qPrintable(d.err));
}

void JetEditedTest::splitDatabaseNamesItsBackEnd()
{
    // A front end: forms and queries here, the tables linked to the file that holds them.
    QTemporaryDir dir;
    std::vector<JetTable> front{{QStringLiteral("Setari"), {{QStringLiteral("Cheie"), JetColumn::Long}}, {}, {}}};
    for (const char* name : {"tblDictionar", "tblCapitol", "tblLegatura"})
        front.push_back({QString::fromLatin1(name), {}, {}, QStringLiteral("\\\\server\\date\\Dictionar_be.mdb")});
    for (const int v : {3, 4}) {
        WriteJetFile(dir.filePath("Dictionar.mdb"), front, version(v));
        const Run r = tool(dir.path(), {"convert", "Dictionar.mdb"});
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains("este doar o legătură către fișierul „\\\\server\\date\\Dictionar_be.mdb”")
                     && r.err.contains("baza de date este împărțită"),
                 qPrintable(r.err));
    }
}

void JetEditedTest::memosInTheirRowOrOnPagesOfTheirOwn_data()
{
    QTest::addColumn<int>("jetVersion");
    QTest::addColumn<int>("pageBytes");
    for (const int v : {3, 4}) {
        QTest::newRow(qPrintable(QStringLiteral("Jet %1, in the row").arg(v))) << v << 0;
        QTest::newRow(qPrintable(QStringLiteral("Jet %1, on a page of long values").arg(v))) << v << 1000;
        QTest::newRow(qPrintable(QStringLiteral("Jet %1, on a chain of pages").arg(v))) << v << (v == 3 ? 32 : 64);
    }
}

void JetEditedTest::memosInTheirRowOrOnPagesOfTheirOwn()
{
    // A title kept in a Memo field comes over whole, wherever the file keeps it.
    QFETCH(int, jetVersion);
    QFETCH(int, pageBytes);
    const QString title = QStringLiteral("Lună plină în pădurea de brazi verzi. ").repeated(5).trimmed();
    std::vector<JetTable> t =
        DictionaryTables({{1, QStringLiteral("măr")}}, {{1, QStringLiteral("Introducere")}}, {{1, 1}, {1, 2}});
    t[1].columns[1].kind = JetColumn::Memo;
    t[1].rows.push_back({{JetValue(2), JetValue(title)}});
    JetOptions o = version(jetVersion);
    o.memoPageBytes = pageBytes;
    QTemporaryDir dir;
    WriteJetFile(dir.filePath("vechi.mdb"), t, o);
    const Run r = tool(dir.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    const QString upper = title.toUpper();
    QStringList expected{"W MĂR", "C INTRODUCERE", "C " + upper, "L MĂR / INTRODUCERE", "L MĂR / " + upper};
    std::sort(expected.begin() + 1, expected.begin() + 3);
    std::sort(expected.begin() + 3, expected.end());
    QCOMPARE(contentOf(dir.filePath("Dictionar.mdb")), expected);
}

void JetEditedTest::brokenMemoChainSaysSo()
{
    // The reader's own reason reaches the user, not a complaint about its output.
    std::vector<JetTable> t =
        DictionaryTables({{1, QStringLiteral("măr")}}, {{1, QStringLiteral("Introducere")}}, {{1, 1}});
    t[1].columns[1].kind = JetColumn::Memo;
    t[1].rows[0].values[1] = JetValue(QStringLiteral("Un titlu lung, ținut pe mai multe pagini. ").repeated(3));
    JetOptions o = version(4);
    o.memoPageBytes = 64;
    QByteArray file = WriteJet(t, o);
    // The chain's first page is the last written: its row no longer names the next.
    const qsizetype first = file.lastIndexOf("LVAL") - 4;
    QVERIFY(first > 0 && first % 4096 == 0);
    const int start = (uchar(file[first + 14]) | uchar(file[first + 15]) << 8) & 0x1FFF;
    file.replace(first + start, 4, QByteArray(4, '\0'));
    QTemporaryDir dir;
    writeFile(dir.filePath("vechi.mdb"), file);
    const Run r = tool(dir.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"});
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains("Memo") && !r.err.contains("neînțeles"), qPrintable(r.err));
    QVERIFY(!QFile::exists(dir.filePath("Dictionar.mdb")));
}

void JetEditedTest::codePageOnTheEvidenceOfAllTexts_data()
{
    QTest::addColumn<int>("written");  // the code page the texts are in; the header always names 1252
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("reported");
    QTest::newRow("Western, with one ã, º and ª")
        << 1252 << QStringList{"España", "Nº 2", "1ª edição", "São Paulo", "Crème", "Smørrebrød"}
        << "pagina de cod 1252 (numită de fișier; 5 texte se citesc firesc în 1252";
    QTest::newRow("Romanian written in 1250") << 1250 << QStringList{"mărime", "şcoală", "ţară", "Nr. 2"}
                                              << "pagina de cod 1250 (fișierul numește 1252, dar 3 texte";
}

void JetEditedTest::codePageOnTheEvidenceOfAllTexts()
{
    QFETCH(int, written);
    QFETCH(QStringList, words);
    QFETCH(QString, reported);
    QTemporaryDir dir;
    JetOptions o = version(3);
    o.codePage = 1252;
    o.textCodePage = written;
    std::vector<std::pair<qint32, JetValue>> rows;
    for (const QString& w : words)
        rows.emplace_back(qint32(rows.size() + 1), JetValue(w));
    WriteJetFile(dir.filePath("vechi.mdb"), DictionaryTables(rows, {{1, QStringLiteral("Capitol")}}, {}), o);
    const Run r = tool(dir.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains(reported), qPrintable(r.out));
    QStringList expected{"C CAPITOL"};
    for (const QString& w : words)
        expected << "W "
                        + JetReadBack(w, o)
                              .toUpper()
                              .replace(QChar(0x015E), QChar(0x0218))
                              .replace(QChar(0x0162), QChar(0x021A));
    expected.sort();
    QStringList got = contentOf(dir.filePath("Dictionar.mdb"));
    got.sort();
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(JetEditedTest)
#include "tst_jet_edited.moc"
