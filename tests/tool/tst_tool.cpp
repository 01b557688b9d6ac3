// tarvix-db run as a real program: its commands, its exit codes and messages,
// and that nothing it refuses changes a file.
#include "platform/Engine.h"
#include "store/Schema.h"
#include "store/Statements.h"
#include "support/TempStore.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

#include <csignal>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvix;
using namespace tarvix::test;

namespace {

qint64 count(const QString& file, const char* table)
{
    auto db = DBEngine().OpenDatabase(file);
    return db->QueryValue(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).ToInt64();
}

void addLink(Database& db, const QString& word, const QString& chapter)
{
    const auto w = db.QueryRows(QStringLiteral("SELECT ID_Cuvant FROM tblDictionar WHERE Cuvant = ?1"), {word});
    const auto c = db.QueryRows(QStringLiteral("SELECT ID_Capitol FROM tblCapitol WHERE Capitol = ?1"), {chapter});
    QCOMPARE(w.size(), std::size_t(1));
    QCOMPARE(c.size(), std::size_t(1));
    auto rs = db.OpenRecordset(QStringLiteral("tblLegatura"), dbOpenDynaset);
    rs->AddNew();
    rs->Collect(QStringLiteral("ID_Cuvant")) = w[0][0];
    rs->Collect(QStringLiteral("ID_Capitol")) = c[0][0];
    rs->Update();
    rs->Close();
}

// The stderr line that reports a problem at file:line.
QString reportLine(const QString& err, const QString& file, int line)
{
    const QString mark = QStringLiteral("%1, linia %2:").arg(file).arg(line);
    for (const QString& l : err.split(QLatin1Char('\n')))
        if (l.contains(mark))
            return l;
    return {};
}

const char* const kCsvNames[] = {"cuvinte.csv", "capitole.csv", "legaturi.csv"};

// tarvix-db run by a shell in a mount namespace of its own, where the script
// can mount a small or read-only file system as a real medium would be;
// nothing when this system allows no such namespace.
std::optional<Run> toolInNamespace(const QString& cwd, const QString& script, const QStringList& args)
{
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")});
    if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        return std::nullopt;
    QProcess p;
    p.setWorkingDirectory(cwd);
    p.start(QStringLiteral("unshare"),
            QStringList{QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                        script + QStringLiteral(" && \"$0\" \"$@\""), QStringLiteral(TARVIX_DB_TOOL)}
                + args);
    if (!p.waitForFinished(120000))
        return Run{};
    return Run{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
               QString::fromUtf8(p.readAllStandardError())};
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Runs tarvix-db in folder and sends it signal as soon as a file whose name ends with suffix appears there.
// True when the signal ended it; false when it had finished first.
bool interrupted(const QString& folder, const QStringList& args, const QByteArray& suffix, int signal)
{
    const int watch = ::inotify_init1(IN_CLOEXEC);
    if (watch < 0 || ::inotify_add_watch(watch, QFile::encodeName(folder).constData(), IN_CREATE) < 0)
        return false;
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(QStringLiteral(TARVIX_DB_TOOL), args);
    p.waitForStarted();
    bool sent = false;
    alignas(inotify_event) char buffer[4096];
    for (pollfd fd{watch, POLLIN, 0}; !sent && ::poll(&fd, 1, 20000) > 0;) {
        const ssize_t n = ::read(watch, buffer, sizeof buffer);
        for (ssize_t at = 0; n > 0 && at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            if (!sent && e->len > 0 && QByteArray(e->name).endsWith(suffix)) {
                ::kill(static_cast<pid_t>(p.processId()), signal);
                sent = true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    ::close(watch);
    p.waitForFinished(60000);
    return sent && p.exitStatus() == QProcess::CrashExit;
}

}  // namespace

class ToolTest : public QObject {
    Q_OBJECT

private slots:
    void helpAndBadArguments_data();
    void helpAndBadArguments();
    void helpDocumentsEveryExitCode();
    void missingAndForeignFiles_data();
    void missingAndForeignFiles();
    void createMakesAnEmptySoundStore();
    void createNeverOverwritesWithoutForce();
    void sampleIsARealisticTextbook();
    void sampleIsTheSameEveryTime();
    void checkReportsDamage_data();
    void checkReportsDamage();
    void exportImportRoundTrip();
    void exportNeverOverwritesWithoutForce();
    void exportSkipsLinksThatPointAtNothing();
    void csvQuotingBothWays();
    void importStoresTextsAsTheEditorsWould();
    void importRefusesBadRows_data();
    void importRefusesBadRows();
    void importOnALockedStoreChangesNothing();
    void importStopsAtTheListLimit_data();
    void importStopsAtTheListLimit();
    void importReadsOnlyPlainFilesOfADictionarysSize_data();
    void importReadsOnlyPlainFilesOfADictionarysSize();
    void formulasAndTrailingBlankLinesRoundTrip();
    void signalsLeaveNothing_data();
    void signalsLeaveNothing();
    void leftoverJournalOrLogIsRefused_data();
    void leftoverJournalOrLogIsRefused();
    void checkRepairMends_data();
    void checkRepairMends();
    void readingCommandsOnAReadOnlyMedium_data();
    void readingCommandsOnAReadOnlyMedium();
    void exportOnAFullDisk();
};

void ToolTest::helpAndBadArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("fragment");  // in stdout for 0, in stderr otherwise

    QTest::newRow("--help") << QStringList{"--help"} << 0 << "export FIȘIER DOSAR";
    QTest::newRow("-h") << QStringList{"-h"} << 0 << "Coduri de ieșire";
    QTest::newRow("help") << QStringList{"help"} << 0 << "import FIȘIER DOSAR";
    QTest::newRow("help after a command") << QStringList{"create", "x.mdb", "--help"} << 0 << "create FIȘIER";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "tarvix-db 1.00.0007\n";
    QTest::newRow("-V") << QStringList{"-V"} << 0 << "tarvix-db 1.00.0007\n";
    QTest::newRow("nothing") << QStringList{} << 2 << "lipsește comanda";
    QTest::newRow("unknown command") << QStringList{"frobnicate", "x.mdb"} << 2 << "„frobnicate” nu există";
    QTest::newRow("unknown option") << QStringList{"--bogus", "create", "x.mdb"} << 2 << "„--bogus” nu există";
    QTest::newRow("create without file") << QStringList{"create"} << 2 << "primește un FIȘIER";
    QTest::newRow("create with two files") << QStringList{"create", "a.mdb", "b.mdb"} << 2 << "primește un FIȘIER";
    QTest::newRow("export without folder") << QStringList{"export", "a.mdb"} << 2 << "un FIȘIER și un DOSAR";
    QTest::newRow("import with three") << QStringList{"import", "a.mdb", "d", "e"} << 2 << "un FIȘIER și un DOSAR";
    QTest::newRow("check --force") << QStringList{"check", "--force", "a.mdb"} << 2 << "--force nu are sens";
    QTest::newRow("import -f") << QStringList{"import", "-f", "a.mdb", "d"} << 2 << "--force nu are sens";
    QTest::newRow("help with argument") << QStringList{"help", "x"} << 2 << "nu primește argumente";
    QTest::newRow("empty file name") << QStringList{"create", ""} << 2 << "este gol";
    QTest::newRow("export --repair") << QStringList{"export", "--repair", "a.mdb", "d"} << 2 << "doar pentru check";
}

void ToolTest::helpAndBadArguments()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, fragment);
    QTemporaryDir dir;
    const Run r = tool(dir.path(), args);
    QCOMPARE(r.code, code);
    if (code == 0) {
        QVERIFY2(r.out.contains(fragment), qPrintable(r.out));
        QVERIFY(r.err.isEmpty());
    } else {
        QVERIFY2(r.err.contains(fragment), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("tarvix-db --help")), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }
    QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
}

void ToolTest::helpDocumentsEveryExitCode()
{
    QTemporaryDir dir;
    const Run r = tool(dir.path(), {QStringLiteral("--help")});
    QCOMPARE(r.code, 0);
    for (const char* code : {"0", "2", "3", "4", "5"})
        QVERIFY2(r.out.contains(QRegularExpression(QStringLiteral("\\n\\s+%1\\s+\\S").arg(QLatin1String(code)))), code);
    QVERIFY(r.out.contains(QStringLiteral("--force")));
}

void ToolTest::missingAndForeignFiles_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("fragment");

    for (const char* cmd : {"check", "export", "import"}) {
        QStringList args{QLatin1String(cmd), "Dictionar.mdb"};
        if (QLatin1String(cmd) != QLatin1String("check"))
            args << "csv";
        QTest::addRow("%s on a missing file", cmd) << "none" << args << "3024";
        QTest::addRow("%s on a text file", cmd) << "text" << args << "3343";
        QTest::addRow("%s on an empty file", cmd) << "empty" << args << "3343";
        QTest::addRow("%s on another SQLite file", cmd) << "sqlite" << args << "lipsește tabela";
    }
    QTest::newRow("check on a folder") << "folder" << QStringList{"check", "Dictionar.mdb"} << "este un dosar";
    QTest::newRow("check on a pipe") << "fifo" << QStringList{"check", "Dictionar.mdb"} << "ci o conductă";
    QTest::newRow("import from a missing folder")
        << "store" << QStringList{"import", "Dictionar.mdb", "nu-i"} << "nu există";
    QTest::newRow("import with a file missing")
        << "store+two" << QStringList{"import", "Dictionar.mdb", "csv"} << "lipsește legaturi.csv";
    QTest::newRow("import from a file") << "store+file" << QStringList{"import", "Dictionar.mdb", "csv"}
                                        << "nu un dosar";
    QTest::newRow("export into a file") << "store+file" << QStringList{"export", "Dictionar.mdb", "csv"}
                                        << "nu un dosar";
    QTest::newRow("create in a missing folder") << "none" << QStringList{"create", "nu-i/Dictionar.mdb"} << "nu există";
    QTest::newRow("sample in a missing folder") << "none" << QStringList{"sample", "nu-i/Dictionar.mdb"} << "nu există";
    QTest::newRow("import into a store out of step")
        << "store+fold" << QStringList{"import", "Dictionar.mdb", "csv"} << "„tarvix-db check --repair Dictionar.mdb”";
    QTest::newRow("create over a folder") << "folder" << QStringList{"create", "--force", "Dictionar.mdb"} << "dosar";
}

void ToolTest::missingAndForeignFiles()
{
    QFETCH(QString, setup);
    QFETCH(QStringList, args);
    QFETCH(QString, fragment);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Dictionar.mdb"));
    if (setup == QLatin1String("text"))
        writeFile(file, "Acesta nu este un fișier de date.\n");
    else if (setup == QLatin1String("empty"))
        writeFile(file, {});
    else if (setup == QLatin1String("folder"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Dictionar.mdb")));
    else if (setup == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    else if (setup == QLatin1String("sqlite")) {
        auto db = DBEngine().CreateDatabase(file);
        db->ExecuteScript(QStringLiteral("CREATE TABLE Alta (x INTEGER)"));
    } else if (setup.startsWith(QLatin1String("store"))) {
        auto db = DBEngine().CreateDatabase(file);
        store::CreateSchema(*db);
    }
    if (setup == QLatin1String("store+two")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("csv")));
        writeFile(dir.filePath(QStringLiteral("csv/cuvinte.csv")), "Cuvant\r\n");
        writeFile(dir.filePath(QStringLiteral("csv/capitole.csv")), "Capitol\r\n");
    } else if (setup == QLatin1String("store+fold")) {
        DBEngine().OpenDatabase(file)->ExecuteScript(
            QStringLiteral("INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('stivă', 'stivă')"));
    } else if (setup == QLatin1String("store+file")) {
        writeFile(dir.filePath(QStringLiteral("csv")), "nu este un dosar");
    }
    // Reading a pipe would wait for a writer.
    const bool pipe = setup == QLatin1String("fifo");
    const QByteArray before = pipe ? QByteArray() : bytesOf(file);

    const Run r = tool(dir.path(), args, 20000);
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(fragment), qPrintable(r.err));
    if (!pipe)
        QCOMPARE(bytesOf(file), before);
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("nu-i"))));
}

void ToolTest::createMakesAnEmptySoundStore()
{
    QTemporaryDir dir;
    const Run r = tool(dir.path(), {QStringLiteral("create"), QStringLiteral("Dictionar.mdb")});
    QCOMPARE(r.code, 0);
    const QString file = dir.filePath(QStringLiteral("Dictionar.mdb"));
    {
        auto db = DBEngine().OpenDatabase(file);
        store::RequireSchema(*db);
        QCOMPARE(db->QueryValue(QStringLiteral("SELECT count(*) FROM tblDictionar")).ToInt64(), 0);
        QCOMPARE(db->QueryValue(QStringLiteral("SELECT count(*) FROM tblCapitol")).ToInt64(), 0);
        QCOMPARE(db->QueryValue(QStringLiteral("SELECT count(*) FROM tblLegatura")).ToInt64(), 0);
    }
    const Run c = tool(dir.path(), {QStringLiteral("check"), QStringLiteral("Dictionar.mdb")});
    QCOMPARE(c.code, 0);
    QVERIFY2(c.out.contains(QStringLiteral("cuvinte:  0")) && c.out.contains(QStringLiteral("legături: 0")),
             qPrintable(c.out));
    QVERIFY2(c.out.contains(QStringLiteral("este în regulă")), qPrintable(c.out));
    // Nothing but the store is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{QStringLiteral("Dictionar.mdb")});
}

void ToolTest::createNeverOverwritesWithoutForce()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Dictionar.mdb"));
    QCOMPARE(tool(dir.path(), {QStringLiteral("create"), QStringLiteral("Dictionar.mdb")}).code, 0);
    {
        auto db = DBEngine().OpenDatabase(file);
        AddText(*db, store::kWords, QStringLiteral("STIVĂ"));
    }
    const QByteArray before = bytesOf(file);
    for (const char* cmd : {"create", "sample"}) {
        const Run r = tool(dir.path(), {QLatin1String(cmd), QStringLiteral("Dictionar.mdb")});
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains(QStringLiteral("există deja")) && r.err.contains(QStringLiteral("--force")),
                 qPrintable(r.err));
        QCOMPARE(bytesOf(file), before);
    }
    // A journal beside the file is a change in progress or cut short: even --force leaves it alone.
    writeFile(file + QStringLiteral("-journal"), "jurnal");
    const Run busy =
        tool(dir.path(), {QStringLiteral("sample"), QStringLiteral("--force"), QStringLiteral("Dictionar.mdb")});
    QCOMPARE(busy.code, 3);
    QVERIFY2(busy.err.contains(QStringLiteral("Dictionar.mdb-journal")), qPrintable(busy.err));
    QCOMPARE(bytesOf(file), before);
    QVERIFY(QFile::remove(file + QStringLiteral("-journal")));

    QCOMPARE(
        tool(dir.path(), {QStringLiteral("sample"), QStringLiteral("--force"), QStringLiteral("Dictionar.mdb")}).code,
        0);
    QVERIFY(count(file, "tblDictionar") > 100);
    QCOMPARE(tool(dir.path(), {QStringLiteral("create"), QStringLiteral("-f"), QStringLiteral("Dictionar.mdb")}).code,
             0);
    QCOMPARE(count(file, "tblDictionar"), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{QStringLiteral("Dictionar.mdb")});
}

void ToolTest::sampleIsARealisticTextbook()
{
    QTemporaryDir dir;
    const Run r = tool(dir.path(), {QStringLiteral("sample"), QStringLiteral("Dictionar.mdb")});
    QCOMPARE(r.code, 0);
    const QString file = dir.filePath(QStringLiteral("Dictionar.mdb"));

    const qint64 words = count(file, "tblDictionar"), chapters = count(file, "tblCapitol"),
                 links = count(file, "tblLegatura");
    QVERIFY2(chapters >= 35 && chapters <= 45, qPrintable(QString::number(chapters)));
    QVERIFY2(words >= 180 && words <= 220, qPrintable(QString::number(words)));
    QVERIFY2(links >= 550 && links <= 650, qPrintable(QString::number(links)));

    const QStringList wordTexts = column(file, QStringLiteral("SELECT Cuvant FROM tblDictionar"));
    const QStringList titles = column(file, QStringLiteral("SELECT Capitol FROM tblCapitol"));
    for (const QString& w : wordTexts) {
        QVERIFY2(!w.isEmpty() && w == w.trimmed() && w == w.toUpper() && w.size() <= 25, qPrintable(w));
        QVERIFY2(!w.contains(QChar(0x015E)) && !w.contains(QChar(0x0162)), qPrintable(w));  // comma forms, not cedilla
    }
    for (const QString& t : titles)
        QVERIFY2(!t.isEmpty() && t == t.trimmed() && t == t.toUpper() && t.size() <= 40, qPrintable(t));
    const QString all = (wordTexts + titles).join(QLatin1Char(' '));
    for (const QChar c : QStringLiteral("ĂÂÎȘȚ"))
        QVERIFY2(all.contains(c), qPrintable(QString(c)));
    for (const char* w : {"ALGORITM", "VARIABILĂ", "ȘIR", "ÎNTREG", "STIVĂ", "COADĂ", "ARBORE"})
        QVERIFY2(wordTexts.contains(QString::fromUtf8(w)), w);
    for (const char* t :
         {"ALGORITMI ȘI SCHEME LOGICE", "TABLOURI UNIDIMENSIONALE", "RECURSIVITATE", "GRAFURI NEORIENTATE"})
        QVERIFY2(titles.contains(QString::fromUtf8(t)), t);

    // Every word and chapter is used, no pair twice, and a search finds what a reader expects.
    QCOMPARE(
        column(file,
               QStringLiteral(
                   "SELECT count(*) FROM tblDictionar WHERE ID_Cuvant NOT IN (SELECT ID_Cuvant FROM tblLegatura)")),
        QStringList{"0"});
    QCOMPARE(
        column(file,
               QStringLiteral(
                   "SELECT count(*) FROM tblCapitol WHERE ID_Capitol NOT IN (SELECT ID_Capitol FROM tblLegatura)")),
        QStringList{"0"});
    QCOMPARE(
        column(
            file,
            QStringLiteral(
                "SELECT count(*) FROM (SELECT 1 FROM tblLegatura GROUP BY ID_Cuvant, ID_Capitol HAVING count(*) > 1)")),
        QStringList{"0"});
    {
        auto db = DBEngine().OpenDatabase(file);
        auto rs = db->OpenRecordset(store::SearchStatement(QStringLiteral("STIVĂ")));
        QStringList found;
        for (; !rs->Eof(); rs->MoveNext())
            found << rs->Fields(QStringLiteral("Capitol")).Value.ToText();
        QVERIFY2(found.contains(QStringLiteral("STIVA ȘI COADA")) && found.contains(QStringLiteral("RECURSIVITATE")),
                 qPrintable(found.join(QLatin1Char('|'))));
    }

    const Run c = tool(dir.path(), {QStringLiteral("check"), QStringLiteral("Dictionar.mdb")});
    QCOMPARE(c.code, 0);
    QVERIFY2(c.out.contains(QStringLiteral("cuvinte:  %1").arg(words)), qPrintable(c.out));
    QVERIFY2(c.out.contains(QStringLiteral("capitole: %1").arg(chapters)), qPrintable(c.out));
    QVERIFY2(c.out.contains(QStringLiteral("legături: %1").arg(links)), qPrintable(c.out));
    QVERIFY2(c.err.isEmpty(), qPrintable(c.err));
}

void ToolTest::sampleIsTheSameEveryTime()
{
    QTemporaryDir dir;
    for (const char* name : {"a.mdb", "b.mdb"}) {
        QCOMPARE(tool(dir.path(), {QStringLiteral("sample"), QLatin1String(name)}).code, 0);
        QCOMPARE(tool(dir.path(),
                      {QStringLiteral("export"), QLatin1String(name), QLatin1String(name) + QStringLiteral(".csv")})
                     .code,
                 0);
    }
    for (const char* csv : kCsvNames)
        QCOMPARE(bytesOf(dir.filePath(QStringLiteral("a.mdb.csv/") + QLatin1String(csv))),
                 bytesOf(dir.filePath(QStringLiteral("b.mdb.csv/") + QLatin1String(csv))));
    QCOMPARE(
        column(dir.filePath(QStringLiteral("a.mdb")), QStringLiteral("SELECT ID_Cuvant || Cuvant FROM tblDictionar")),
        column(dir.filePath(QStringLiteral("b.mdb")), QStringLiteral("SELECT ID_Cuvant || Cuvant FROM tblDictionar")));
}

void ToolTest::checkReportsDamage_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("fragments");

    QTest::newRow("link to a missing chapter")
        << "PRAGMA foreign_keys = OFF; INSERT INTO tblLegatura (ID_Cuvant, ID_Capitol) VALUES (1, 9999);"
        << QStringList{"ID_Capitol 9999", "lipsește capitolul", "foreign_key_check"};
    QTest::newRow("link to a missing word")
        << "PRAGMA foreign_keys = OFF; INSERT INTO tblLegatura (ID_Cuvant, ID_Capitol) VALUES (8888, 1);"
        << QStringList{"ID_Cuvant 8888", "lipsește cuvântul"};
    QTest::newRow("link to neither")
        << "PRAGMA foreign_keys = OFF; INSERT INTO tblLegatura (ID_Cuvant, ID_Capitol) VALUES (8888, 9999);"
        << QStringList{"lipsesc și cuvântul, și capitolul"};
    QTest::newRow("stale word fold") << "UPDATE tblDictionar SET Cuvant_Fold = 'ALTCEVA' WHERE ID_Cuvant = 1;"
                                     << QStringList{"Cuvant_Fold este „ALTCEVA”"};
    QTest::newRow("stale chapter fold") << "UPDATE tblCapitol SET Capitol_Fold = lower(Capitol) WHERE ID_Capitol = 2;"
                                        << QStringList{"Capitol_Fold"};
    QTest::newRow("two words alike but for case")
        << "UPDATE tblDictionar SET Cuvant = 'program', Cuvant_Fold = 'ALTCEVA' WHERE ID_Cuvant = 2;"
           "UPDATE tblDictionar SET Cuvant = 'PROGRAM', Cuvant_Fold = 'PROGRAM' WHERE ID_Cuvant = 1;"
        << QStringList{"literele mari și mici"};
    QTest::newRow("bytes that are not UTF-8")
        << "UPDATE tblDictionar SET Cuvant = CAST(X'53FF' AS TEXT) WHERE ID_Cuvant = 3;"
        << QStringList{"cuvântul cu ID_Cuvant 3 nu este text UTF-8 valid"};
    QTest::newRow("key past 32 bits")
        << "INSERT INTO tblCapitol (ID_Capitol, Capitol, Capitol_Fold) VALUES (2147483648, 'MARE', 'MARE');"
        << QStringList{"ID_Capitol 2147483648, care nu încape în 32 de biți"};
    QTest::newRow("more rows than a list shows")
        << "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 32600) INSERT INTO "
           "tblDictionar (Cuvant, Cuvant_Fold) SELECT 'C' || i, 'C' || i FROM n;"
        << QStringList{"tabela „tblDictionar” are 32800 de rânduri", "cel mult 32767"};
    QTest::newRow("blank texts") << "PRAGMA ignore_check_constraints = ON; UPDATE tblCapitol SET Capitol = '   ', "
                                    "Capitol_Fold = '   ' WHERE ID_Capitol = 4; UPDATE tblDictionar SET Cuvant = "
                                    "char(160), Cuvant_Fold = char(160) WHERE ID_Cuvant = 5;"
                                 << QStringList{"capitolul cu ID_Capitol 4: textul este gol sau are doar spații",
                                                "cuvântul cu ID_Cuvant 5: textul este gol sau are doar spații"};
    QTest::newRow("write-ahead log") << "PRAGMA journal_mode = WAL;" << QStringList{"write-ahead log"};
    QTest::newRow("a trigger") << "CREATE TRIGGER jurnal AFTER INSERT ON tblCapitol BEGIN SELECT 1; END;"
                               << QStringList{"tabela „tblCapitol” are declanșatorul „jurnal”"};
    QTest::newRow("an extra required field")
        << "PRAGMA foreign_keys = OFF; CREATE TABLE nou (ID_Cuvant INTEGER NOT NULL REFERENCES tblDictionar "
           "(ID_Cuvant) ON DELETE CASCADE, ID_Capitol INTEGER NOT NULL REFERENCES tblCapitol (ID_Capitol) ON "
           "DELETE CASCADE, Nota TEXT NOT NULL); INSERT INTO nou SELECT ID_Cuvant, ID_Capitol, '' FROM "
           "tblLegatura; DROP TABLE tblLegatura; ALTER TABLE nou RENAME TO tblLegatura;"
        << QStringList{"tabela „tblLegatura” are câmpul obligatoriu „Nota”"};
}

void ToolTest::checkReportsDamage()
{
    QFETCH(QString, script);
    QFETCH(QStringList, fragments);
    QTemporaryDir dir;
    QCOMPARE(tool(dir.path(), {QStringLiteral("sample"), QStringLiteral("Dictionar.mdb")}).code, 0);
    {
        auto db = DBEngine().OpenDatabase(dir.filePath(QStringLiteral("Dictionar.mdb")));
        db->ExecuteScript(script);
    }
    const Run r = tool(dir.path(), {QStringLiteral("check"), QStringLiteral("Dictionar.mdb")});
    QCOMPARE(r.code, 4);
    for (const QString& f : fragments)
        QVERIFY2(r.err.contains(f), qPrintable(f + QStringLiteral("\n") + r.err));
    QVERIFY2(r.err.contains(QStringLiteral("NU este în regulă")), qPrintable(r.err));
    QVERIFY2(r.out.contains(QStringLiteral("legături:")), qPrintable(r.out));
}

void ToolTest::exportImportRoundTrip()
{
    QTemporaryDir dir;
    QCOMPARE(tool(dir.path(), {QStringLiteral("sample"), QStringLiteral("a.mdb")}).code, 0);
    const Run e = tool(dir.path(), {QStringLiteral("export"), QStringLiteral("a.mdb"), QStringLiteral("csv")});
    QCOMPARE(e.code, 0);
    QVERIFY2(e.out.contains(QStringLiteral("legaturi.csv")), qPrintable(e.out));
    QVERIFY(bytesOf(dir.filePath(QStringLiteral("csv/cuvinte.csv"))).startsWith("Cuvant\r\n"));
    QVERIFY(bytesOf(dir.filePath(QStringLiteral("csv/capitole.csv"))).startsWith("Capitol\r\n"));
    QVERIFY(bytesOf(dir.filePath(QStringLiteral("csv/legaturi.csv"))).startsWith("Cuvant,Capitol\r\n"));

    QCOMPARE(tool(dir.path(), {QStringLiteral("create"), QStringLiteral("b.mdb")}).code, 0);
    const Run i = tool(dir.path(), {QStringLiteral("import"), QStringLiteral("b.mdb"), QStringLiteral("csv")});
    QCOMPARE(i.code, 0);
    QVERIFY2(i.err.isEmpty(), qPrintable(i.err));
    QCOMPARE(contentOf(dir.filePath(QStringLiteral("b.mdb"))), contentOf(dir.filePath(QStringLiteral("a.mdb"))));
    QCOMPARE(tool(dir.path(), {QStringLiteral("check"), QStringLiteral("b.mdb")}).code, 0);

    // Exported again, the files are the same to the byte.
    QCOMPARE(tool(dir.path(), {QStringLiteral("export"), QStringLiteral("b.mdb"), QStringLiteral("csv2")}).code, 0);
    for (const char* csv : kCsvNames)
        QCOMPARE(bytesOf(dir.filePath(QStringLiteral("csv2/") + QLatin1String(csv))),
                 bytesOf(dir.filePath(QStringLiteral("csv/") + QLatin1String(csv))));

    // A second import of the same files is all duplicates.
    const QByteArray before = bytesOf(dir.filePath(QStringLiteral("b.mdb")));
    const Run again = tool(dir.path(), {QStringLiteral("import"), QStringLiteral("b.mdb"), QStringLiteral("csv")});
    QCOMPARE(again.code, 4);
    QVERIFY2(again.err.contains(QStringLiteral("există deja")), qPrintable(again.err));
    QCOMPARE(bytesOf(dir.filePath(QStringLiteral("b.mdb"))), before);
}

void ToolTest::exportNeverOverwritesWithoutForce()
{
    QTemporaryDir dir;
    QCOMPARE(tool(dir.path(), {QStringLiteral("sample"), QStringLiteral("a.mdb")}).code, 0);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("csv")));
    const QString words = dir.filePath(QStringLiteral("csv/cuvinte.csv"));
    writeFile(words, "foaia mea\n");
    const Run r = tool(dir.path(), {QStringLiteral("export"), QStringLiteral("a.mdb"), QStringLiteral("csv")});
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("cuvinte.csv")) && r.err.contains(QStringLiteral("--force")),
             qPrintable(r.err));
    QCOMPARE(bytesOf(words), QByteArray("foaia mea\n"));
    // None of the three is written when one is in the way.
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("csv/capitole.csv"))));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("csv/legaturi.csv"))));

    QCOMPARE(tool(dir.path(),
                  {QStringLiteral("export"), QStringLiteral("--force"), QStringLiteral("a.mdb"), QStringLiteral("csv")})
                 .code,
             0);
    QVERIFY(bytesOf(words).startsWith("Cuvant\r\n"));
}

void ToolTest::exportSkipsLinksThatPointAtNothing()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Dictionar.mdb"));
    QCOMPARE(tool(dir.path(), {QStringLiteral("create"), QStringLiteral("Dictionar.mdb")}).code, 0);
    {
        auto db = DBEngine().OpenDatabase(file);
        AddText(*db, store::kWords, QStringLiteral("STIVĂ"));
        AddText(*db, store::kChapters, QStringLiteral("RECURSIVITATE"));
        addLink(*db, QStringLiteral("STIVĂ"), QStringLiteral("RECURSIVITATE"));
        addLink(*db, QStringLiteral("STIVĂ"), QStringLiteral("RECURSIVITATE"));
        db->ExecuteScript(QStringLiteral("PRAGMA foreign_keys = OFF; INSERT INTO tblLegatura VALUES (1, 77);"));
    }
    const Run r = tool(dir.path(), {QStringLiteral("export"), QStringLiteral("Dictionar.mdb"), QStringLiteral("csv")});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.err.contains(QStringLiteral("1 legătură fără cuvânt sau fără capitol")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("o singură dată")), qPrintable(r.err));
    QCOMPARE(bytesOf(dir.filePath(QStringLiteral("csv/legaturi.csv"))),
             QByteArray("Cuvant,Capitol\r\nSTIV\xC4\x82,RECURSIVITATE\r\n"));
}

void ToolTest::csvQuotingBothWays()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.mdb"));
    QCOMPARE(tool(dir.path(), {QStringLiteral("create"), QStringLiteral("a.mdb")}).code, 0);
    {
        auto db = DBEngine().OpenDatabase(a);
        AddText(*db, store::kWords, QStringLiteral("OPERATORUL \"?:\""));
        AddText(*db, store::kWords, QStringLiteral("CÂT, REST"));
        AddText(*db, store::kChapters, QStringLiteral("\"DATE\", VARIABILE ȘI CONSTANTE"));
        addLink(*db, QStringLiteral("OPERATORUL \"?:\""), QStringLiteral("\"DATE\", VARIABILE ȘI CONSTANTE"));
        addLink(*db, QStringLiteral("CÂT, REST"), QStringLiteral("\"DATE\", VARIABILE ȘI CONSTANTE"));
    }
    QCOMPARE(tool(dir.path(), {QStringLiteral("export"), QStringLiteral("a.mdb"), QStringLiteral("csv")}).code, 0);
    QCOMPARE(bytesOf(dir.filePath(QStringLiteral("csv/cuvinte.csv"))),
             QByteArray("Cuvant\r\n\"OPERATORUL \"\"?:\"\"\"\r\n\"C\xC3\x82T, REST\"\r\n"));
    QCOMPARE(bytesOf(dir.filePath(QStringLiteral("csv/legaturi.csv"))).split('\n').at(1),
             QString::fromUtf8("\"OPERATORUL \"\"?:\"\"\",\"\"\"DATE\"\", VARIABILE ȘI CONSTANTE\"\r").toUtf8());

    QCOMPARE(tool(dir.path(), {QStringLiteral("create"), QStringLiteral("b.mdb")}).code, 0);
    QCOMPARE(tool(dir.path(), {QStringLiteral("import"), QStringLiteral("b.mdb"), QStringLiteral("csv")}).code, 0);
    QCOMPARE(contentOf(dir.filePath(QStringLiteral("b.mdb"))), contentOf(a));
}

void ToolTest::importStoresTextsAsTheEditorsWould()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Dictionar.mdb"));
    QCOMPARE(tool(dir.path(), {QStringLiteral("create"), QStringLiteral("Dictionar.mdb")}).code, 0);
    {
        auto db = DBEngine().OpenDatabase(file);
        AddText(*db, store::kWords, QStringLiteral("ALGORITM"));
        AddText(*db, store::kChapters, QStringLiteral("RECURSIVITATE"));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("csv")));
    // A spreadsheet's byte order mark, LF and CR LF mixed, lower case, blanks, quoted fields;
    // 25 and 40 letters with diacritics are within the limits.
    writeFile(dir.filePath(QStringLiteral("csv/cuvinte.csv")), "\xEF\xBB\xBF"
                                                               "cuvant\n  stivă \r\n\"coadă, circulară\"\n"
                                                                   + QString(25, QChar(0x0219)).toUtf8() + "\n");
    writeFile(dir.filePath(QStringLiteral("csv/capitole.csv")),
              "Capitol\r\nstiva şi coada\r\n" + QString(40, QChar(0x0103)).toUtf8());
    writeFile(dir.filePath(QStringLiteral("csv/legaturi.csv")),
              QString::fromUtf8("Cuvant , Capitol\r\nStivă,Stiva și Coada\r\nalgoritm,recursivitate\r\n"
                                "\"COADĂ, CIRCULARĂ\",\"STIVA ŞI COADA\"\r\n")
                  .toUtf8());
    const Run r = tool(dir.path(), {QStringLiteral("import"), QStringLiteral("Dictionar.mdb"), QStringLiteral("csv")});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains(QStringLiteral("3 cuvinte, 2 capitole și 3 legături")), qPrintable(r.out + r.err));
    QCOMPARE(column(file, QStringLiteral("SELECT Cuvant FROM tblDictionar ORDER BY ID_Cuvant")),
             (QStringList{"ALGORITM", "STIVĂ", "COADĂ, CIRCULARĂ", QString(25, QChar(0x0218))}));
    QCOMPARE(column(file, QStringLiteral("SELECT Capitol FROM tblCapitol ORDER BY ID_Capitol")),
             (QStringList{"RECURSIVITATE", "STIVA ȘI COADA", QString(40, QChar(0x0102))}));
    QCOMPARE(
        contentOf(file).filter(QRegularExpression(QStringLiteral("^L "))),
        (QStringList{"L ALGORITM / RECURSIVITATE", "L COADĂ, CIRCULARĂ / STIVA ȘI COADA", "L STIVĂ / STIVA ȘI COADA"}));
    QCOMPARE(tool(dir.path(), {QStringLiteral("check"), QStringLiteral("Dictionar.mdb")}).code, 0);
}

void ToolTest::signalsLeaveNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("signal");
    for (const char* command : {"create", "sample", "import"})
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            QTest::newRow(qPrintable(QStringLiteral("%1, signal %2").arg(command).arg(signal)))
                << QString::fromLatin1(command) << signal;
}

void ToolTest::signalsLeaveNothing()
{
    // Stopped as soon as the new store, or the journal of the store being changed, appears: nothing half-made
    // stays, and a store being changed is as it was.
    QFETCH(QString, command);
    QFETCH(int, signal);
    QTemporaryDir dir;
    QStringList args{command, QStringLiteral("Dictionar.mdb")};
    QByteArray suffix = QByteArrayLiteral("");
    QStringList left;
    QByteArray before;
    if (command == QLatin1String("import")) {
        QCOMPARE(tool(dir.path(), {QStringLiteral("create"), QStringLiteral("Dictionar.mdb")}).code, 0);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("csv")));
        QByteArray words = "Cuvant\n", chapters = "Capitol\n", links = "Cuvant,Capitol\n";
        for (int w = 0; w < 5000; ++w)
            words += "CUVÂNT " + QByteArray::number(w) + '\n';
        for (int c = 0; c < 500; ++c)
            chapters += "CAPITOLUL " + QByteArray::number(c) + '\n';
        for (int w = 0; w < 5000; ++w)
            for (int k = 0; k < 10; ++k)
                links +=
                    "CUVÂNT " + QByteArray::number(w) + ",CAPITOLUL " + QByteArray::number((w + k * 50) % 500) + '\n';
        writeFile(dir.filePath(QStringLiteral("csv/cuvinte.csv")), words);
        writeFile(dir.filePath(QStringLiteral("csv/capitole.csv")), chapters);
        writeFile(dir.filePath(QStringLiteral("csv/legaturi.csv")), links);
        args << QStringLiteral("csv");
        suffix = "-journal";
        left = QStringList{QStringLiteral("Dictionar.mdb"), QStringLiteral("csv")};
        before = bytesOf(dir.filePath(QStringLiteral("Dictionar.mdb")));
    }
    QVERIFY2(interrupted(dir.path(), args, suffix, signal), "the command finished before the signal");
    QCOMPARE(entries(dir.path()), left);
    if (!before.isEmpty())
        QVERIFY(bytesOf(dir.filePath(QStringLiteral("Dictionar.mdb"))) == before);
}

void ToolTest::importRefusesBadRows_data()
{
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("fragment");

    const QByteArray w = "Cuvant\r\n";
    const QByteArray c = "Capitol\r\n";
    const QByteArray l = "Cuvant,Capitol\r\n";
    QTest::newRow("empty word") << "cuvinte.csv" << w + "STIVĂ\r\n\"\"\r\n" << 3 << "gol";
    QTest::newRow("blank word") << "cuvinte.csv" << w + "   \r\n" << 2 << "gol";
    QTest::newRow("blank line") << "cuvinte.csv" << w + "STIVĂ\r\n\r\nCOADĂ\r\n" << 3 << "gol";
    QTest::newRow("empty title") << "capitole.csv" << c + "\"  \"\r\n" << 2 << "gol";
    QTest::newRow("empty word in a link") << "legaturi.csv" << l + ",GRAFURI\r\n" << 2 << "gol";
    // The store's own limit decides, not the editor's box.
    QTest::newRow("word of 256") << "cuvinte.csv" << w + QByteArray(256, 'A') + "\r\n" << 2 << "256 de caractere";
    QTest::newRow("word of 256 diacritics")
        << "cuvinte.csv" << w + QString(256, QChar(0x0102)).toUtf8() << 2 << "256 de caractere";
    QTest::newRow("title of 256") << "capitole.csv" << c + QByteArray(256, 'T') + "\r\n" << 2 << "256 de caractere";
    QTest::newRow("word too long in a link") << "legaturi.csv" << l + QByteArray(300, 'X') + ",GRAFURI\r\n"
                                             << 2 << "300 de caractere";
    QTest::newRow("word with two fields") << "cuvinte.csv" << w + "STIVĂ,COADĂ\r\n"
                                          << 2 << "2 câmpuri în loc de 1 câmp";
    QTest::newRow("link with one field") << "legaturi.csv" << l + "STIVĂ\r\n" << 2 << "1 câmp în loc de 2 câmpuri";
    QTest::newRow("link with three fields") << "legaturi.csv" << l + "STIVĂ,GRAFURI,X\r\n" << 2 << "3 câmpuri";
    QTest::newRow("unknown word") << "legaturi.csv" << l + "STIVĂ,GRAFURI\r\nPOINTER,GRAFURI\r\n"
                                  << 3 << "cuvântul „POINTER” nu există";
    QTest::newRow("unknown chapter") << "legaturi.csv" << l + "STIVĂ,ARBORI\r\n" << 2 << "capitolul „ARBORI” nu există";
    QTest::newRow("word twice in the file") << "cuvinte.csv" << w + "STIVĂ\r\nstivă\r\n" << 3 << "este deja pe linia 2";
    QTest::newRow("word already stored") << "cuvinte.csv" << w + "algoritm\r\n" << 2 << "există deja în baza de date";
    QTest::newRow("comma form of a cedilla word") << "cuvinte.csv" << w + "ȘIR\r\n" << 2 << "scris „ŞIR”";
    QTest::newRow("chapter twice in the file") << "capitole.csv" << c + "GRAFURI\r\nArbori\r\ngrafuri\r\n"
                                               << 4 << "este deja pe linia 2";
    QTest::newRow("chapter already stored") << "capitole.csv" << c + "Recursivitate\r\n"
                                            << 2 << "există deja în baza de date";
    QTest::newRow("link twice in the file") << "legaturi.csv" << l + "STIVĂ,GRAFURI\r\nstivă,grafuri\r\n"
                                            << 3 << "este deja pe linia 2";
    QTest::newRow("link already stored") << "legaturi.csv" << l + "ALGORITM,RECURSIVITATE\r\n"
                                         << 2 << "există deja în baza de date";
    QTest::newRow("bad UTF-8") << "cuvinte.csv" << w + "STIVĂ\r\nCOAD\xC4\r\n" << 3 << "UTF-8";
    QTest::newRow("Latin-2 bytes") << "capitole.csv"
                                   << c
                                          + "GRAFURI\r\nSTIVA \xBA"
                                            "I COADA\r\n"
                                   << 3 << "UTF-8";
    QTest::newRow("unclosed quote") << "cuvinte.csv" << w + "STIVĂ\r\n\"COADĂ\r\nLISTĂ\r\n" << 3 << "nu se mai închid";
    QTest::newRow("quote inside a field") << "cuvinte.csv" << w + "ST\"IVĂ\r\n" << 2 << "ghilimele";
    QTest::newRow("text after a closing quote") << "legaturi.csv" << l + "\"STIVĂ\"X,GRAFURI\r\n"
                                                << 2 << "după ghilimele";
    QTest::newRow("wrong header") << "cuvinte.csv" << QByteArray("Word\r\nSTIVĂ\r\n") << 1 << "antet";
    QTest::newRow("empty file") << "legaturi.csv" << QByteArray() << 1 << "lipsește rândul de antet";
    QTest::newRow("tab in a word") << "cuvinte.csv" << w + "STI\tVĂ\r\n" << 2 << "caracter de control";
    QTest::newRow("line break in a word") << "cuvinte.csv" << w + "\"STIVĂ\r\nCOADĂ\"\r\n"
                                          << 2 << "caracter de control";
    // Texts that look like others.
    QTest::newRow("no-break spaces around") << "cuvinte.csv" << w + "STIVĂ\r\n\xC2\xA0stivă\xC2\xA0\r\n"
                                            << 3 << "este deja pe linia 2";
    QTest::newRow("decomposed letter") << "cuvinte.csv" << w + "STIVĂ\r\nSTIVA\xCC\x86\r\n"
                                       << 3 << "este deja pe linia 2";
    QTest::newRow("zero-width space") << "cuvinte.csv" << w + "STI\xE2\x80\x8BVĂ\r\n" << 2 << "invizibil (U+200B)";
    QTest::newRow("direction mark") << "capitole.csv" << c + "\xE2\x80\x8FGRAFURI\r\n" << 2 << "invizibil (U+200F)";
    QTest::newRow("letters outside the BMP")
        << "cuvinte.csv" << w + QString::fromUcs4(U"\U0001D400").repeated(130).toUtf8() + "\r\n"
        << 2 << "130 de caractere (260 de poziții în căsuța ferestrei)";
    QTest::newRow("a 10 MB field") << "cuvinte.csv" << w + QByteArray(10'000'000, 'X') + "\r\n"
                                   << 2 << "… (10000000 de caractere în total)";
}

void ToolTest::importRefusesBadRows()
{
    QFETCH(QString, csv);
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QFETCH(QString, fragment);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Dictionar.mdb"));
    QCOMPARE(tool(dir.path(), {QStringLiteral("create"), QStringLiteral("Dictionar.mdb")}).code, 0);
    {
        auto db = DBEngine().OpenDatabase(file);
        AddText(*db, store::kWords, QStringLiteral("ALGORITM"));
        AddText(*db, store::kWords, QStringLiteral("ŞIR"));  // the older cedilla form
        AddText(*db, store::kChapters, QStringLiteral("RECURSIVITATE"));
        addLink(*db, QStringLiteral("ALGORITM"), QStringLiteral("RECURSIVITATE"));
    }
    const QByteArray good[] = {
        QByteArray("Cuvant\r\nSTIVĂ\r\nCOADĂ\r\n"),
        QByteArray("Capitol\r\nGRAFURI\r\n"),
        QByteArray("Cuvant,Capitol\r\nSTIVĂ,GRAFURI\r\nALGORITM,GRAFURI\r\nCOADĂ,RECURSIVITATE\r\n"),
    };
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("csv")));
    for (int i = 0; i < 3; ++i)
        writeFile(dir.filePath(QStringLiteral("csv/") + QLatin1String(kCsvNames[i])),
                  QLatin1String(kCsvNames[i]) == csv ? content : good[i]);
    const QByteArray before = bytesOf(file);

    const Run r = tool(dir.path(), {QStringLiteral("import"), QStringLiteral("Dictionar.mdb"), QStringLiteral("csv")});
    QCOMPARE(r.code, 4);
    const QString reported = reportLine(r.err, csv, line);
    QVERIFY2(!reported.isEmpty(), qPrintable(r.err));
    QVERIFY2(reported.contains(fragment), qPrintable(r.err));
    QVERIFY2(r.err.size() < 4000, "a quoted text is cut to a readable length");
    QVERIFY2(r.err.contains(QStringLiteral("nu a fost schimbată")), qPrintable(r.err));
    QCOMPARE(bytesOf(file), before);
    QVERIFY(!QFileInfo::exists(file + QStringLiteral("-journal")));

    // The same files with that one put right go in whole.
    for (int i = 0; i < 3; ++i)
        writeFile(dir.filePath(QStringLiteral("csv/") + QLatin1String(kCsvNames[i])), good[i]);
    const Run ok = tool(dir.path(), {QStringLiteral("import"), QStringLiteral("Dictionar.mdb"), QStringLiteral("csv")});
    QCOMPARE(ok.code, 0);
    QCOMPARE(count(file, "tblDictionar"), 4);
    QCOMPARE(count(file, "tblLegatura"), 4);
}

void ToolTest::importStopsAtTheListLimit_data()
{
    QTest::addColumn<bool>("words");
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("code");
    QTest::newRow("words up to the limit") << true << 7 << 0;
    QTest::newRow("words one past it") << true << 8 << 4;
    QTest::newRow("chapters one past it") << false << 8 << 4;
}

void ToolTest::importStopsAtTheListLimit()
{
    QFETCH(bool, words);
    QFETCH(int, added);
    QFETCH(int, code);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Dictionar.mdb"));
    QCOMPARE(tool(dir.path(), {QStringLiteral("create"), QStringLiteral("Dictionar.mdb")}).code, 0);
    const char* table = words ? "tblDictionar" : "tblCapitol";
    const char* field = words ? "Cuvant" : "Capitol";
    DBEngine().OpenDatabase(file)->ExecuteScript(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 32760) "
                       "INSERT INTO %1 (%2, %2_Fold) SELECT printf('R%06d', i), printf('R%06d', i) FROM n;")
            .arg(QLatin1String(table), QLatin1String(field)));
    QByteArray csv = QByteArray(field) + "\r\n";
    for (int i = 0; i < added; ++i)
        csv += "NOU " + QByteArray::number(i) + "\r\n";
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("csv")));
    writeFile(dir.filePath(QStringLiteral("csv/cuvinte.csv")), words ? csv : QByteArray("Cuvant\r\n"));
    writeFile(dir.filePath(QStringLiteral("csv/capitole.csv")), words ? QByteArray("Capitol\r\n") : csv);
    writeFile(dir.filePath(QStringLiteral("csv/legaturi.csv")), "Cuvant,Capitol\r\n");
    const QByteArray before = bytesOf(file);

    const Run r = tool(dir.path(), {QStringLiteral("import"), QStringLiteral("Dictionar.mdb"), QStringLiteral("csv")});
    QCOMPARE(r.code, code);
    QCOMPARE(count(file, table), code == 0 ? 32767 : 32760);
    if (code != 0) {
        QVERIFY2(r.err.contains(QStringLiteral("cel mult 32767")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("„%1” ar avea %2").arg(QLatin1String(table)).arg(32760 + added)),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("nu a fost schimbată")), qPrintable(r.err));
        QCOMPARE(bytesOf(file), before);
    }
}

void ToolTest::importReadsOnlyPlainFilesOfADictionarysSize_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("a pipe") << "fifo"
                            << "conductă";
    QTest::newRow("a link to /dev/zero") << "zero"
                                         << "dispozitiv";
    QTest::newRow("a folder") << "folder"
                              << "un dosar";
    QTest::newRow("100 MiB") << "huge"
                             << "100 MiB";
}

void ToolTest::importReadsOnlyPlainFilesOfADictionarysSize()
{
    QFETCH(QString, kind);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    QCOMPARE(tool(dir.path(), {"create", "Dictionar.mdb"}).code, 0);
    QVERIFY(QDir(dir.path()).mkdir("csv"));
    writeFile(dir.filePath("csv/capitole.csv"), "Capitol\r\n");
    writeFile(dir.filePath("csv/legaturi.csv"), "Cuvant,Capitol\r\n");
    const QString words = dir.filePath("csv/cuvinte.csv");
    if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(words).constData(), 0600), 0);
    else if (kind == "zero")
        QVERIFY(QFile::link("/dev/zero", words));
    else if (kind == "folder")
        QVERIFY(QDir().mkdir(words));
    else {
        QFile f(words);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(100LL * 1024 * 1024));
    }
    const QByteArray before = bytesOf(dir.filePath("Dictionar.mdb"));
    const Run r = tool(dir.path(), {"import", "Dictionar.mdb", "csv"}, 20000);
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(mentions), qPrintable(r.err));
    QCOMPARE(bytesOf(dir.filePath("Dictionar.mdb")), before);
}

void ToolTest::formulasAndTrailingBlankLinesRoundTrip()
{
    QTemporaryDir dir;
    QCOMPARE(tool(dir.path(), {"create", "a.mdb"}).code, 0);
    const QStringList texts{"=SUM(A1:A9)", "+40", "-CONSTANTĂ", "@ADRESĂ", "'CITAT", "'=DEJA", "A=B"};
    {
        auto db = DBEngine().OpenDatabase(dir.filePath("a.mdb"));
        for (const QString& t : texts)
            AddText(*db, store::kWords, t);
        AddText(*db, store::kChapters, "=HYPERLINK(\"X\")");
        addLink(*db, "=SUM(A1:A9)", "=HYPERLINK(\"X\")");
    }
    QCOMPARE(tool(dir.path(), {"export", "a.mdb", "csv"}).code, 0);
    QCOMPARE(bytesOf(dir.filePath("csv/cuvinte.csv")),
             QByteArray("Cuvant\r\n'=SUM(A1:A9)\r\n'+40\r\n'-CONSTANTĂ\r\n'@ADRESĂ\r\n''CITAT\r\n''=DEJA\r\nA=B\r\n"));
    QVERIFY(bytesOf(dir.filePath("csv/legaturi.csv")).contains("'=SUM(A1:A9),\"'=HYPERLINK(\"\"X\"\")\""));
    // An editor's blank lines at the ends of the files are no rows.
    for (const char* name : {"csv/cuvinte.csv", "csv/capitole.csv", "csv/legaturi.csv"})
        writeFile(dir.filePath(name), bytesOf(dir.filePath(name)) + "\r\n\n\r\n");
    QCOMPARE(tool(dir.path(), {"create", "b.mdb"}).code, 0);
    const Run r = tool(dir.path(), {"import", "b.mdb", "csv"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(contentOf(dir.filePath("b.mdb")), contentOf(dir.filePath("a.mdb")));
}

void ToolTest::importOnALockedStoreChangesNothing()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Dictionar.mdb"));
    QCOMPARE(tool(dir.path(), {QStringLiteral("sample"), QStringLiteral("Dictionar.mdb")}).code, 0);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("csv")));
    writeFile(dir.filePath(QStringLiteral("csv/cuvinte.csv")), "Cuvant\r\nHEAP\r\n");
    writeFile(dir.filePath(QStringLiteral("csv/capitole.csv")), "Capitol\r\n");
    writeFile(dir.filePath(QStringLiteral("csv/legaturi.csv")), "Cuvant,Capitol\r\nHEAP,ARBORI\r\n");
    const QByteArray before = bytesOf(file);
    {
        // Another copy of the program in the middle of a change.
        auto other = DBEngine().OpenDatabase(file);
        other->BeginTransaction();
        const Run r =
            tool(dir.path(), {QStringLiteral("import"), QStringLiteral("Dictionar.mdb"), QStringLiteral("csv")});
        other->RollbackTransaction();
        QCOMPARE(r.code, 5);
        QVERIFY2(r.err.contains(QStringLiteral("3218")), qPrintable(r.err));
        QVERIFY2(!r.err.contains(QStringLiteral("..")), qPrintable(r.err));
    }
    QCOMPARE(bytesOf(file), before);
    QCOMPARE(tool(dir.path(), {QStringLiteral("import"), QStringLiteral("Dictionar.mdb"), QStringLiteral("csv")}).code,
             0);
    QCOMPARE(count(file, "tblLegatura"), 624);
}

void ToolTest::leftoverJournalOrLogIsRefused_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("storeThere");
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        QTest::addRow("%s beside the store", suffix) << QString::fromLatin1(suffix) << true;
        QTest::addRow("%s where no store is left", suffix) << QString::fromLatin1(suffix) << false;
    }
}

// SQLite would play a leftover journal or log into the new store and bring old rows back.
void ToolTest::leftoverJournalOrLogIsRefused()
{
    QFETCH(QString, suffix);
    QFETCH(bool, storeThere);
    QTemporaryDir dir;
    const QString file = dir.filePath("Dictionar.mdb");
    if (storeThere)
        QCOMPARE(tool(dir.path(), {"create", "Dictionar.mdb"}).code, 0);
    writeFile(file + suffix, "rămas de la o modificare întreruptă");
    const QByteArray before = bytesOf(file);
    for (const char* cmd : {"create", "sample"}) {
        // Over a store only --force goes on; where none is left, the command alone.
        const Run r = tool(dir.path(), storeThere ? QStringList{QLatin1String(cmd), "--force", "Dictionar.mdb"}
                                                  : QStringList{QLatin1String(cmd), "Dictionar.mdb"});
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains("Dictionar.mdb" + suffix), qPrintable(r.err));
        QCOMPARE(bytesOf(file), before);
    }
}

void ToolTest::checkRepairMends_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("changed");  // on stdout
    QTest::addColumn<QStringList>("cannot");   // on stderr; empty when all is mended
    QTest::addColumn<QStringList>("words");    // as stored afterwards, by key, from 199 on

    QTest::newRow("a fold not of its text")
        << "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('Tastatură', 'tastatură');"
        << QStringList{"cuvântul „Tastatură” (ID_Cuvant 201) este acum „TASTATURĂ”"} << QStringList{}
        << QStringList{"MOȘTENIRE", "POLIMORFISM", "TASTATURĂ"};
    QTest::newRow("a fold out of step, the text as it should be")
        << "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('TASTATURĂ', 'tastatură');"
        << QStringList{"cuvântul „TASTATURĂ” (ID_Cuvant 201): Cuvant_Fold era „tastatură”, acum este „TASTATURĂ”"}
        << QStringList{} << QStringList{"MOȘTENIRE", "POLIMORFISM", "TASTATURĂ"};
    QTest::newRow("blanks around a word")
        << "UPDATE tblDictionar SET Cuvant = char(160) || ' ' || Cuvant || ' ' WHERE ID_Cuvant = 200;"
        << QStringList{"(ID_Cuvant 200) este acum „POLIMORFISM”, fără spațiile de la capete"} << QStringList{}
        << QStringList{"MOȘTENIRE", "POLIMORFISM"};
    QTest::newRow("a link to a word not yet added")
        << "PRAGMA foreign_keys = OFF; INSERT INTO tblLegatura VALUES (201, 3);"
        << QStringList{"am șters legătura din rândul 624 (ID_Cuvant 201, ID_Capitol 3): lipsea cuvântul"}
        << QStringList{} << QStringList{"MOȘTENIRE", "POLIMORFISM"};
    QTest::newRow("write-ahead log") << "PRAGMA journal_mode = WAL;" << QStringList{"write-ahead log"} << QStringList{}
                                     << QStringList{"MOȘTENIRE", "POLIMORFISM"};
    QTest::newRow("two texts alike once mended")
        << "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('polimorfism ', 'altceva');" << QStringList{}
        << QStringList{"nu pot repara: cuvântul „polimorfism ” (ID_Cuvant 201) ar fi același cu alt cuvânt"}
        << QStringList{"MOȘTENIRE", "POLIMORFISM", "polimorfism "};
}

// check --repair mends what it can without losing a row, lists each change,
// and leaves a store the program opens; what it cannot mend it names.
void ToolTest::checkRepairMends()
{
    QFETCH(QString, script);
    QFETCH(QStringList, changed);
    QFETCH(QStringList, cannot);
    QFETCH(QStringList, words);
    QTemporaryDir dir;
    const QString file = dir.filePath("Dictionar.mdb");
    QCOMPARE(tool(dir.path(), {"sample", "Dictionar.mdb"}).code, 0);
    DBEngine().OpenDatabase(file)->ExecuteScript(script);
    QCOMPARE(tool(dir.path(), {"check", "Dictionar.mdb"}).code, 4);

    const Run r = tool(dir.path(), {"check", "--repair", "Dictionar.mdb"});
    for (const QString& c : changed)
        QVERIFY2(r.out.contains(c), qPrintable(c + "\n" + r.out));
    for (const QString& c : cannot)
        QVERIFY2(r.err.contains(c), qPrintable(c + "\n" + r.err));
    QCOMPARE(r.code, cannot.isEmpty() ? 0 : 4);
    QCOMPARE(column(file, "SELECT Cuvant FROM tblDictionar WHERE ID_Cuvant >= 199 ORDER BY ID_Cuvant"), words);
    QCOMPARE(count(file, "tblCapitol"), 42);
    QVERIFY(!QFileInfo::exists(file + "-wal"));
    if (!cannot.isEmpty())
        return;
    QCOMPARE(count(file, "tblLegatura"), 623);
    QCOMPARE(tool(dir.path(), {"check", "Dictionar.mdb"}).code, 0);
    // The next word added gets no link left behind for its key.
    auto db = DBEngine().OpenDatabase(file);
    AddText(*db, store::kWords, "NOU");
    QCOMPARE(db->QueryValue("SELECT count(*) FROM tblLegatura AS l JOIN tblDictionar AS d ON d.ID_Cuvant = "
                            "l.ID_Cuvant WHERE d.Cuvant = 'NOU'")
                 .ToInt64(),
             0);
}

void ToolTest::readingCommandsOnAReadOnlyMedium_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    QTest::newRow("check") << QStringList{"check", "Dictionar.mdb"} << "este în regulă";
    QTest::newRow("export") << QStringList{"export", "Dictionar.mdb", "../csv"} << "legaturi.csv (623 de legături)";
    QTest::newRow("index") << QStringList{"index", "Dictionar.mdb"} << "POLIMORFISM";
    QTest::newRow("convert on a Tarvix store")
        << QStringList{"convert", "Dictionar.mdb"} << "este deja o bază de date Tarvix";
}

// Commands that only read open the store read-only, so a medium that cannot be written is no obstacle.
void ToolTest::readingCommandsOnAReadOnlyMedium()
{
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QCOMPARE(tool(dir.path(), {"sample", "Dictionar.mdb"}).code, 0);
    QVERIFY(QDir(dir.path()).mkdir("ro"));
    const auto r = toolInNamespace(dir.path(),
                                   "mount -t tmpfs -o size=4m tmpfs ro && cp Dictionar.mdb ro/ && mount -o "
                                   "remount,ro ro && cd ro",
                                   args);
    if (!r)
        QSKIP("this system allows no mount namespace (unshare -rm), so no read-only medium can be made here");
    QVERIFY2(r->code == 0, qPrintable(r->err));
    QVERIFY2(r->out.contains(says), qPrintable(r->out));
}

// Qt says "Unknown error" in English; the user reads that the disk is full.
void ToolTest::exportOnAFullDisk()
{
    QTemporaryDir dir;
    QCOMPARE(tool(dir.path(), {"sample", "Dictionar.mdb"}).code, 0);
    QVERIFY(QDir(dir.path()).mkdir("plin"));
    const auto r =
        toolInNamespace(dir.path(), "mount -t tmpfs -o size=4k tmpfs plin", {"export", "Dictionar.mdb", "plin/csv"});
    if (!r)
        QSKIP("this system allows no mount namespace (unshare -rm), so no full disk can be made here");
    QCOMPARE(r->code, 3);
    QVERIFY2(r->err.contains("nu mai este loc pe disc"), qPrintable(r->err));
    QVERIFY2(!r->err.contains("Unknown"), qPrintable(r->err));
}

QTEST_GUILESS_MAIN(ToolTest)
#include "tst_tool.moc"
