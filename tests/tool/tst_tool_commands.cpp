// tarvix-db's commands run in the test's own process, through the registry and
// the command line as the program runs them: what they say, their exit codes
// and the files they leave.
#include "support/JetWriter.h"
#include "support/ToolRun.h"

#include "tools/base/StoreTool.h"
#include "tools/cli/CommandLine.h"
#include "tools/cli/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvix;
using namespace tarvix::test;
using tarvix::tool::CapturedOutput;
using tarvix::tool::RunCommandLine;

namespace {

struct Said {
    int code;
    QString out, err;
};

// Runs one command line in dir, the working folder while it runs.
Said run(const QTemporaryDir& dir, const QStringList& args)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    CapturedOutput captured;
    const int code = RunCommandLine(args);
    QDir::setCurrent(previous);
    return {code, captured.out, captured.err};
}

}  // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void sampleRoundTrip();
    void indexInEveryFormat();
    void importMdb();
    void readerThatCannotStart();
    void optionOfAnotherCommand_data();
    void optionOfAnotherCommand();
    void optionValues_data();
    void optionValues();
    void everyCommandHasItsHelpAndArity();
};

void CommandsTest::initTestCase()
{
    // The Jet reader is a child of tarvix-db itself, not of this test.
    qputenv("TARVIX_JET_READER", TARVIX_DB_TOOL);
}

void CommandsTest::sampleRoundTrip()
{
    QTemporaryDir dir;
    Said s = run(dir, {"sample", "a.mdb"});
    QCOMPARE(s.code, 0);
    QVERIFY2(s.out.contains(QStringLiteral("200 de cuvinte, 42 de capitole și 623 de legături")), qPrintable(s.out));
    QCOMPARE(run(dir, {"check", "a.mdb"}).code, 0);
    QCOMPARE(run(dir, {"export", "a.mdb", "csv"}).code, 0);
    QCOMPARE(run(dir, {"create", "b.mdb"}).code, 0);
    s = run(dir, {"import", "b.mdb", "csv"});
    QVERIFY2(s.code == 0, qPrintable(s.err));
    QCOMPARE(contentOf(dir.filePath("b.mdb")), contentOf(dir.filePath("a.mdb")));
    // Nothing is replaced without --force, and the refusal names the file.
    s = run(dir, {"sample", "a.mdb"});
    QCOMPARE(s.code, 3);
    QVERIFY2(s.err.contains(QStringLiteral("„a.mdb” există deja")), qPrintable(s.err));
}

void CommandsTest::indexInEveryFormat()
{
    QTemporaryDir dir;
    QCOMPARE(run(dir, {"sample", "a.mdb"}).code, 0);
    const QList<QPair<QString, QByteArray>> formats{
        {"text", "Index\n"}, {"html", "<!DOCTYPE html>"}, {"tex", "% Indexul scris de tarvix-db"}};
    for (const auto& [format, start] : formats) {
        const Said s = run(dir, {"index", "--format", format, "--output", "index." + format, "a.mdb"});
        QVERIFY2(s.code == 0, qPrintable(s.err));
        QVERIFY2(bytesOf(dir.filePath("index." + format)).startsWith(start), qPrintable(format));
    }
    const Said s = run(dir, {"index", "--format=pdf", "a.mdb"});
    QCOMPARE(s.code, 2);
    QVERIFY2(s.err.contains(QStringLiteral("--format primește text, html sau tex, nu „pdf”")), qPrintable(s.err));
}

void CommandsTest::importMdb()
{
    QTemporaryDir dir;
    WriteJetFile(dir.filePath("vechi.mdb"),
                 DictionaryTables({{1, QStringLiteral("măr")}, {2, QStringLiteral("pară")}},
                                  {{7, QStringLiteral("Fructe")}}, {{1, 7}, {2, 7}, {3, 7}}),
                 JetOptions{});
    const Said s = run(dir, {"import-mdb", "vechi.mdb", "nou.mdb"});
    QVERIFY2(s.code == 0, qPrintable(s.err));
    QVERIFY2(s.out.contains(QStringLiteral("Legături: 3 citite, 2 păstrate")), qPrintable(s.out));
    QStringList content = contentOf(dir.filePath("nou.mdb"));
    content.sort();
    QCOMPARE(content, QStringList({"C FRUCTE", "L MĂR / FRUCTE", "L PARĂ / FRUCTE", "W MĂR", "W PARĂ"}));
}

void CommandsTest::readerThatCannotStart()
{
    QTemporaryDir dir;
    WriteJetFile(dir.filePath("vechi.mdb"), DictionaryTables({{1, QStringLiteral("MĂR")}}, {}, {}), JetOptions{});
    qputenv("TARVIX_JET_READER", QFile::encodeName(dir.filePath("nu-există")));
    const Said s = run(dir, {"import-mdb", "vechi.mdb", "nou.mdb"});
    qputenv("TARVIX_JET_READER", TARVIX_DB_TOOL);
    QCOMPARE(s.code, 5);
    QVERIFY2(s.err.contains(QStringLiteral("Cititorul de fișiere Access nu a pornit")), qPrintable(s.err));
    QVERIFY(!QFileInfo::exists(dir.filePath("nou.mdb")));
}

void CommandsTest::optionOfAnotherCommand_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("--linked-only for export") << QStringList{"export", "--linked-only", "a.mdb", "d"}
                                              << QStringLiteral("opțiunea --linked-only este doar pentru index.");
    QTest::newRow("--apply for index") << QStringList{
        "index", "--apply",
        "a.mdb"} << QStringLiteral("opțiunile --chapter, --min, --apply și --apply-from sunt doar pentru suggest.");
    QTest::newRow("--codepage for check")
        << QStringList{"check", "--codepage", "1250", "a.mdb"}
        << QStringLiteral("opțiunile --words, --chapters, --links și --codepage sunt doar pentru import-mdb.");
    QTest::newRow("--repair for index") << QStringList{"index", "--repair", "a.mdb"}
                                        << QStringLiteral("opțiunea --repair este doar pentru check.");
    QTest::newRow("-f for convert") << QStringList{"convert", "-f", "a.mdb"}
                                    << QStringLiteral("opțiunea --force nu are sens pentru comanda „convert”.");
    QTest::newRow("--force for help") << QStringList{"help", "--force"}
                                      << QStringLiteral("opțiunea --force nu are sens pentru comanda „help”.");
}

void CommandsTest::optionOfAnotherCommand()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const Said s = run(dir, args);
    QCOMPARE(s.code, 2);
    QCOMPARE(s.err.section(QLatin1Char('\n'), 0, 0), QStringLiteral("tarvix-db: ") + message);
    QVERIFY(s.out.isEmpty());
    QVERIFY(QDir(dir.path()).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden));
}

void CommandsTest::optionValues_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no value") << QStringList{"index", "a.mdb", "--output"}
                              << QStringLiteral("opțiunea --output are nevoie de o valoare.");
    QTest::newRow("empty output") << QStringList{"index", "--output=", "a.mdb"}
                                  << QStringLiteral("un nume de fișier sau de dosar este gol.");
    QTest::newRow("codepage not a number") << QStringList{"import-mdb", "--codepage", "x", "a", "b"}
                                           << QStringLiteral("--codepage primește un număr, ca 1250, nu „x”.");
    QTest::newRow("codepage too big") << QStringList{"import-mdb", "--codepage=70000", "a", "b"}
                                      << QStringLiteral("--codepage primește un număr, ca 1250, nu „70000”.");
    QTest::newRow("mapping of two parts") << QStringList{"import-mdb", "--words", "T:K", "a", "b"}
                                          << QStringLiteral("--words primește TABELĂ:CÂMP:CÂMP, nu „T:K”.");
    QTest::newRow("a switch given a value")
        << QStringList{"check", "--repair=yes", "a.mdb"} << QStringLiteral("opțiunea „--repair=yes” nu există.");
}

void CommandsTest::optionValues()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const Said s = run(dir, args);
    QCOMPARE(s.code, 2);
    QVERIFY2(s.err.section(QLatin1Char('\n'), 0, 0).endsWith(message), qPrintable(s.err));
}

void CommandsTest::everyCommandHasItsHelpAndArity()
{
    QTemporaryDir dir;
    for (const tool::Command& c : tool::Registry()) {
        QVERIFY2(!c.help.isEmpty() && c.run, qPrintable(c.name));
        // One argument too many is refused before anything runs; one too few where any number is taken.
        QStringList args{c.name};
        const qsizetype given = c.takesMany() ? c.arguments.size() - 2 : c.arguments.size() + 1;
        for (qsizetype i = 0; i < given; ++i)
            args << QStringLiteral("x%1").arg(i);
        const Said s = run(dir, args);
        QCOMPARE(s.code, 2);
        QVERIFY2(s.err.contains(c.arguments.isEmpty() ? QStringLiteral("nu primește argumente") : c.wants),
                 qPrintable(s.err));
        for (const tool::Option& o : c.options)
            QVERIFY2(!o.help.isEmpty(), qPrintable(c.name + QLatin1Char(' ') + o.longName()));
    }
    QVERIFY(QDir(dir.path()).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden));
}

QTEST_GUILESS_MAIN(CommandsTest)
#include "tst_tool_commands.moc"
