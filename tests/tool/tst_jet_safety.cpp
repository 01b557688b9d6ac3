// convert and import-mdb beside other programs: a Jet file another program holds open, two conversions
// of one file, a signal in the middle, and a replaced file's mode and owner.
#include "support/JetWriter.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvix;
using namespace tarvix::test;

namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QString jet(const QTemporaryDir& dir, const QString& name, const std::vector<JetTable>& tables = RomanianFixture())
{
    JetOptions o;
    o.version = 4;
    WriteJetFile(dir.filePath(name), tables, o);
    return dir.filePath(name);
}

}  // namespace

class JetSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void fileHeldByAnotherProgram();
    void oneConversionAtATime();
    void signalsLeaveNothing_data();
    void signalsLeaveNothing();
    void replacedFileKeepsModeAndOwner_data();
    void replacedFileKeepsModeAndOwner();
};

void JetSafetyTest::fileHeldByAnotherProgram()
{
    QTemporaryDir dir;
    const QString file = jet(dir, "Dictionar.mdb");
    const QByteArray before = bytesOf(file);
    // Access holds byte locks on its lock file while the database is open.
    const int fd = ::open(QFile::encodeName(dir.filePath("Dictionar.ldb")).constData(), O_RDWR | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    QVERIFY(::write(fd, "ACCESS", 6) == 6);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0x10000000;
    lock.l_len = 1;
    QVERIFY(::fcntl(fd, F_SETLK, &lock) == 0);
    for (const QStringList& args :
         {QStringList{"convert", "Dictionar.mdb"}, QStringList{"import-mdb", "Dictionar.mdb", "nou.mdb"}}) {
        const Run r = tool(dir.path(), args);
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains("deschis acum de alt program") && r.err.contains("Dictionar.ldb"), qPrintable(r.err));
        QCOMPARE(entries(dir.path()), QStringList({"Dictionar.ldb", "Dictionar.mdb"}));
        QCOMPARE(bytesOf(file), before);
    }
    // Once the program has closed it, the lock file it left is stale: converted, and no lock file beside the store.
    ::close(fd);
    const Run r = tool(dir.path(), {"convert", "Dictionar.mdb"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(entries(dir.path()), QStringList({"Dictionar.mdb", "Dictionar.original-jet4.mdb"}));
}

void JetSafetyTest::oneConversionAtATime()
{
    QTemporaryDir dir;
    const QString file = jet(dir, "Dictionar.mdb");
    const QByteArray before = bytesOf(file);
    // What a conversion in progress holds.
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    QVERIFY(fd >= 0 && ::flock(fd, LOCK_EX) == 0);
    const Run busy = tool(dir.path(), {"convert", "Dictionar.mdb"});
    ::close(fd);
    QCOMPARE(busy.code, 3);
    QVERIFY2(busy.err.contains("este chiar acum adus într-o bază de date Tarvix de altă comandă convert"),
             qPrintable(busy.err));
    QCOMPARE(entries(dir.path()), QStringList{"Dictionar.mdb"});
    QCOMPARE(bytesOf(file), before);

    // Two at once: one converts, the other waits its turn and finds a Tarvix store, or says the first is at work.
    jet(dir, "Dictionar.mdb", LargeDictionary(2000, 200, 40000));
    QProcess a, b;
    for (QProcess* p : {&a, &b}) {
        p->setWorkingDirectory(dir.path());
        p->start(QStringLiteral(TARVIX_DB_TOOL), {"convert", "Dictionar.mdb"});
    }
    for (QProcess* p : {&a, &b})
        QVERIFY(p->waitForFinished(120000));
    const QString saidA = QString::fromUtf8(a.readAllStandardError()),
                  saidB = QString::fromUtf8(b.readAllStandardError());
    QVERIFY2(!saidA.contains("nu este") && !saidB.contains("nu este"), qPrintable(saidA + saidB));
    QVERIFY(a.exitCode() == 0 || b.exitCode() == 0);
    QCOMPARE(entries(dir.path()), QStringList({"Dictionar.mdb", "Dictionar.original-jet4.mdb"}));
}

void JetSafetyTest::signalsLeaveNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("signal");
    for (const char* command : {"import-mdb", "convert"})
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            QTest::newRow(qPrintable(QStringLiteral("%1, signal %2").arg(command).arg(signal)))
                << QString::fromLatin1(command) << signal;
}

void JetSafetyTest::signalsLeaveNothing()
{
    QFETCH(QString, command);
    QFETCH(int, signal);
    QTemporaryDir dir;
    static const QByteArray large = WriteJet(LargeDictionary(20000, 2000, 400000), JetOptions{});
    writeFile(dir.filePath("Dictionar.mdb"), large);
    QStringList args{command, "Dictionar.mdb"};
    if (command == QLatin1String("import-mdb"))
        args << "nou.mdb";
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral(TARVIX_DB_TOOL), args);
    QVERIFY(p.waitForStarted());
    // Stopped once the new store is being written beside the old file.
    QElapsedTimer clock;
    clock.start();
    while (entries(dir.path()).size() < 2 && clock.elapsed() < 60000)
        QTest::qWait(5);
    QVERIFY2(entries(dir.path()).size() >= 2, "the new store never appeared");
    ::kill(static_cast<pid_t>(p.processId()), signal);
    QVERIFY(p.waitForFinished(60000));
    QVERIFY(p.exitStatus() == QProcess::CrashExit || p.exitCode() != 0);
    QCOMPARE(entries(dir.path()), QStringList{"Dictionar.mdb"});
    QVERIFY(bytesOf(dir.filePath("Dictionar.mdb")) == large);
}

void JetSafetyTest::replacedFileKeepsModeAndOwner_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("convert") << QStringList{"convert", "Dictionar.mdb"};
    QTest::newRow("import-mdb --force") << QStringList{"import-mdb", "--force", "vechi.mdb", "Dictionar.mdb"};
}

void JetSafetyTest::replacedFileKeepsModeAndOwner()
{
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    const QString file = jet(dir, "Dictionar.mdb");
    jet(dir, "vechi.mdb");
    // A file the group shares; root can give it to another owner too.
    const uid_t owner = ::geteuid() == 0 ? 65534 : ::geteuid();
    const gid_t group = ::geteuid() == 0 ? 65534 : ::getegid();
    QVERIFY(::chown(QFile::encodeName(file).constData(), owner, group) == 0);
    QVERIFY(::chmod(QFile::encodeName(file).constData(), 0660) == 0);
    const Run r = tool(dir.path(), args);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    struct stat after;
    QVERIFY(::stat(QFile::encodeName(file).constData(), &after) == 0);
    QCOMPARE(after.st_mode & 07777, 0660u);
    QCOMPARE(after.st_gid, group);
    QCOMPARE(after.st_uid, owner);
    QVERIFY(contentOf(file).contains("W MĂR"));
}

QTEST_GUILESS_MAIN(JetSafetyTest)
#include "tst_jet_safety.moc"
