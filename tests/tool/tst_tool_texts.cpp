// A text from outside is stored the same way whichever door it comes in by
// (a CSV import, an old Access file, check --repair of a row another program
// wrote), and every store that check calls sound exports and imports back.
#include "platform/Engine.h"
#include "support/JetWriter.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvix;
using namespace tarvix::test;

namespace {

// What a store holds of the one word and the one chapter a door brought in:
// each text with its fold, as bytes; empty when the door let nothing in.
QList<QByteArray> storedRows(const QString& file)
{
    auto db = DBEngine().OpenDatabase(file, true);
    QList<QByteArray> out;
    for (const char* sql : {"SELECT Cuvant, Cuvant_Fold FROM tblDictionar ORDER BY Cuvant",
                            "SELECT Capitol, Capitol_Fold FROM tblCapitol ORDER BY Capitol"})
        for (const auto& row : db->QueryRows(QLatin1String(sql)))
            out << row.at(0).ToText().toUtf8() + "|" + row.at(1).ToText().toUtf8();
    return out;
}

QByteArray csvField(const QString& text)
{
    return "\"" + text.toUtf8().replace("\"", "\"\"") + "\"\r\n";
}

// The three doors, each in a folder of its own. A refused text leaves its
// store without rows (CSV, Jet) or as it was (repair).
struct Doors {
    QTemporaryDir csv, jet, repair;
    Run csvRun, jetRun, repairRun;

    explicit Doors(const QString& text)
    {
        QCOMPARE(tool(csv.path(), {"create", "Dictionar.mdb"}).code, 0);
        QVERIFY(QDir(csv.path()).mkdir("in"));
        writeFile(csv.filePath("in/cuvinte.csv"), "Cuvant\r\n" + csvField(text));
        writeFile(csv.filePath("in/capitole.csv"), "Capitol\r\n" + csvField(text));
        writeFile(csv.filePath("in/legaturi.csv"), "Cuvant,Capitol\r\n");
        csvRun = tool(csv.path(), {"import", "Dictionar.mdb", "in"});

        WriteJetFile(jet.filePath("vechi.mdb"), DictionaryTables({{1, text}}, {{1, text}}, {{1, 1}}), JetOptions{});
        jetRun = tool(jet.path(), {"import-mdb", "vechi.mdb", "Dictionar.mdb"});

        QCOMPARE(tool(repair.path(), {"create", "Dictionar.mdb"}).code, 0);
        {
            auto db = DBEngine().OpenDatabase(repair.filePath("Dictionar.mdb"));
            // As another program writes: the text as it came, a fold that is not its fold.
            db->QueryRows("INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES (?1, 'x')", {Variant(text)});
            db->QueryRows("INSERT INTO tblCapitol (Capitol, Capitol_Fold) VALUES (?1, 'x')", {Variant(text)});
        }
        repairRun = tool(repair.path(), {"check", "--repair", "Dictionar.mdb"});
    }
};

}  // namespace

class TextsTest : public QObject {
    Q_OBJECT

private slots:
    void sameTextThroughEveryDoor_data();
    void sameTextThroughEveryDoor();
    void soundStoresComeBackWhole_data();
    void soundStoresComeBackWhole();
};

void TextsTest::sameTextThroughEveryDoor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");  // empty: refused
    QTest::addColumn<QString>("fold");
    QTest::addColumn<QString>("reason");  // for a refused text

    QTest::newRow("sharp s kept") << "straße"
                                  << "STRAßE"
                                  << "STRASSE"
                                  << "";
    QTest::newRow("cedilla letters") << "ţară"
                                     << "ȚARĂ"
                                     << "ȚARĂ"
                                     << "";
    QTest::newRow("cedilla capitals") << "ŞŢ"
                                      << "ȘȚ"
                                      << "ȘȚ"
                                      << "";
    QTest::newRow("composed Ă") << "casă"
                                << "CASĂ"
                                << "CASĂ"
                                << "";
    QTest::newRow("decomposed Ă") << "casa\u0306"
                                  << "CASĂ"
                                  << "CASĂ"
                                  << "";
    QTest::newRow("trailing no-break space") << "arbore\u00A0"
                                             << "ARBORE"
                                             << "ARBORE"
                                             << "";
    QTest::newRow("blanks of both kinds around") << " \u00A0 arbore  roșu \u00A0"
                                                 << "ARBORE  ROȘU"
                                                 << "ARBORE  ROȘU"
                                                 << "";
    QTest::newRow("a 41-character title") << QString(41, u'T') << QString(41, u'T') << QString(41, u'T') << "";
    QTest::newRow("zero-width space") << "ab\u200Bc"
                                      << ""
                                      << ""
                                      << "(U+200B)";
    QTest::newRow("left-to-right mark") << "\u200Eabc"
                                        << ""
                                        << ""
                                        << "(U+200E)";
    QTest::newRow("right-to-left override") << "abc\u202E"
                                            << ""
                                            << ""
                                            << "(U+202E)";
    QTest::newRow("word joiner") << "a\u2060bc"
                                 << ""
                                 << ""
                                 << "(U+2060)";
    QTest::newRow("byte order mark") << "a\uFEFFbc"
                                     << ""
                                     << ""
                                     << "(U+FEFF)";
    QTest::newRow("TAB") << "a\tb"
                         << ""
                         << ""
                         << "(U+0009)";
    QTest::newRow("CR LF") << "a\r\nb"
                           << ""
                           << ""
                           << "(U+000D)";
    QTest::newRow("U+0001") << "a\u0001b"
                            << ""
                            << ""
                            << "(U+0001)";
    QTest::newRow("C1 control") << "a\u0085b"
                                << ""
                                << ""
                                << "(U+0085)";
    QTest::newRow("blanks only") << " \u00A0 "
                                 << ""
                                 << ""
                                 << "gol";
}

void TextsTest::sameTextThroughEveryDoor()
{
    QFETCH(QString, text);
    QFETCH(QString, stored);
    QFETCH(QString, fold);
    QFETCH(QString, reason);
    const Doors doors(text);
    if (QTest::currentTestFailed())
        return;
    if (!stored.isEmpty()) {
        const QByteArray row = stored.toUtf8() + "|" + fold.toUtf8();
        const QList<QByteArray> want{row, row};
        QVERIFY2(doors.csvRun.code == 0, qPrintable(doors.csvRun.err));
        QCOMPARE(storedRows(doors.csv.filePath("Dictionar.mdb")), want);
        QVERIFY2(doors.jetRun.code == 0, qPrintable(doors.jetRun.err));
        QCOMPARE(storedRows(doors.jet.filePath("Dictionar.mdb")), want);
        QVERIFY2(doors.repairRun.code == 0, qPrintable(doors.repairRun.out + doors.repairRun.err));
        QCOMPARE(storedRows(doors.repair.filePath("Dictionar.mdb")), want);
        return;
    }
    QCOMPARE(doors.csvRun.code, 4);
    QVERIFY2(doors.csvRun.err.contains("cuvinte.csv, linia 2: cuvântul") && doors.csvRun.err.contains(reason),
             qPrintable(doors.csvRun.err));
    QVERIFY2(doors.csvRun.err.contains("capitole.csv, linia 2: capitolul"), qPrintable(doors.csvRun.err));
    QCOMPARE(storedRows(doors.csv.filePath("Dictionar.mdb")), QList<QByteArray>());
    QVERIFY2(doors.jetRun.code == 0, qPrintable(doors.jetRun.err));
    QVERIFY2(doors.jetRun.out.contains("rândul 1 (cheia 1): textul") && doors.jetRun.out.contains(reason),
             qPrintable(doors.jetRun.out));
    QCOMPARE(storedRows(doors.jet.filePath("Dictionar.mdb")), QList<QByteArray>());
    // Repair cannot guess the text meant: the row stays, named by its key, and check calls the store unsound.
    QCOMPARE(doors.repairRun.code, 4);
    QVERIFY2(doors.repairRun.err.contains("nu pot repara: cuvântul (ID_Cuvant 1): textul")
                 && doors.repairRun.err.contains(reason),
             qPrintable(doors.repairRun.err));
    QCOMPARE(storedRows(doors.repair.filePath("Dictionar.mdb")).size(), 2);
}

void TextsTest::soundStoresComeBackWhole_data()
{
    QTest::addColumn<QStringList>("make");  // the command that makes a.mdb
    QTest::newRow("the sample") << QStringList{"sample", "a.mdb"};
    QTest::newRow("made by import-mdb") << QStringList{"import-mdb", "vechi.mdb", "a.mdb"};
}

void TextsTest::soundStoresComeBackWhole()
{
    QFETCH(QStringList, make);
    QTemporaryDir dir;
    JetOptions o;
    o.version = 3;  // cedilla letters in the file, as Windows wrote them
    WriteJetFile(dir.filePath("vechi.mdb"), RomanianFixture(), o);
    const Run made = tool(dir.path(), make);
    QVERIFY2(made.code == 0, qPrintable(made.err));
    const Run check = tool(dir.path(), {"check", "a.mdb"});
    QVERIFY2(check.code == 0, qPrintable(check.out + check.err));

    QCOMPARE(tool(dir.path(), {"export", "a.mdb", "csv"}).code, 0);
    QCOMPARE(tool(dir.path(), {"create", "b.mdb"}).code, 0);
    const Run back = tool(dir.path(), {"import", "b.mdb", "csv"});
    QVERIFY2(back.code == 0, qPrintable(back.err));
    QCOMPARE(storedRows(dir.filePath("b.mdb")), storedRows(dir.filePath("a.mdb")));
    QCOMPARE(contentOf(dir.filePath("b.mdb")), contentOf(dir.filePath("a.mdb")));
}

QTEST_GUILESS_MAIN(TextsTest)
#include "tst_tool_texts.moc"
