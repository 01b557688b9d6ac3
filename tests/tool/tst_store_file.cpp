// The store's file as users, their backups and their sync tools leave it on
// disk: journals of a change cut short, links, names that are not UTF-8, long
// paths, the mode and group of a replaced file, outputs named like links.
#include "platform/Engine.h"
#include "support/InterruptedWrite.h"
#include "support/JetWriter.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvix;
using namespace tarvix::test;

namespace {

const QString kStore = QStringLiteral("Dictionar.mdb");

qint64 words(const QString& file)
{
    auto db = DBEngine().OpenDatabase(file, true);
    return db->QueryValue(QStringLiteral("SELECT count(*) FROM tblDictionar")).ToInt64();
}

// More words, in one change, as an import makes them.
void addWords(const QString& file, int n)
{
    auto db = DBEngine().OpenDatabase(file);
    Transaction t(*db);
    auto rs = db->OpenRecordset(QStringLiteral("tblDictionar"), dbOpenDynaset);
    for (int i = 0; i < n; ++i) {
        rs->AddNew();
        rs->Collect(QStringLiteral("Cuvant")) = QStringLiteral("ADAOS %1").arg(i);
        rs->Update();
    }
    rs->Close();
    t.Commit();
}

void symlinkTo(const QByteArray& target, const QString& link)
{
    QVERIFY(::symlink(target.constData(), QFile::encodeName(link).constData()) == 0);
}

}  // namespace

class StoreFileTest : public QObject {
    Q_OBJECT

private slots:
    void journalOfAnotherFileIsNeverPlayed();
    void interruptedChangeIsRolledBackForReaders_data();
    void interruptedChangeIsRolledBackForReaders();
    void interruptedChangeOnAReadOnlyFolderIsSaid();
    void outputsNeverWriteThroughALink_data();
    void outputsNeverWriteThroughALink();
    void folderNameThatIsNotUtf8();
    void pathLongerThanSqliteTakes_data();
    void pathLongerThanSqliteTakes();
    void brokenLinkIsNamedOnce_data();
    void brokenLinkIsNamedOnce();
    void replacingThroughALinkKeepsTheLink_data();
    void replacingThroughALinkKeepsTheLink();
    void replacedStoreKeepsModeAndGroup_data();
    void replacedStoreKeepsModeAndGroup();
};

// A backup copied back over a store that crashed, its journal still beside it.
void StoreFileTest::journalOfAnotherFileIsNeverPlayed()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(kStore);
    QCOMPARE(tool(dir.path(), {QStringLiteral("sample"), kStore}).code, 0);
    const QByteArray backup = bytesOf(store);
    addWords(store, 2000);
    QVERIFY(InterruptWrite(store));
    writeFile(store, backup);

    try {
        DBEngine().OpenDatabase(store);
        QFAIL("a journal of another file was accepted");
    } catch (const EngineError& e) {
        QVERIFY2(e.Text().contains(QStringLiteral("„Dictionar.mdb-journal”")), qPrintable(e.Text()));
        QVERIFY2(e.Text().contains(QStringLiteral("Mutați")), qPrintable(e.Text()));
    }
    const Run r = tool(dir.path(), {QStringLiteral("check"), kStore});
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("Dictionar.mdb-journal")), qPrintable(r.err));
    QCOMPARE(bytesOf(store), backup);
    QVERIFY(QFile::exists(store + QStringLiteral("-journal")));

    // Moved aside as the message says, the backup opens as it was.
    QVERIFY(QFile::rename(store + QStringLiteral("-journal"), dir.filePath(QStringLiteral("vechi-journal"))));
    QCOMPARE(words(store), 200);
}

void StoreFileTest::interruptedChangeIsRolledBackForReaders_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("check") << QStringList{QStringLiteral("check"), kStore};
    QTest::newRow("export") << QStringList{QStringLiteral("export"), kStore, QStringLiteral("csv")};
    QTest::newRow("index") << QStringList{QStringLiteral("index"), kStore};
}

// The crash's own journal: the reading commands roll the change back where
// the file may be written, instead of calling the file read-only.
void StoreFileTest::interruptedChangeIsRolledBackForReaders()
{
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    const QString store = dir.filePath(kStore);
    QCOMPARE(tool(dir.path(), {QStringLiteral("sample"), kStore}).code, 0);
    addWords(store, 2000);
    QVERIFY(InterruptWrite(store));

    const Run r = tool(dir.path(), args);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY(!QFile::exists(store + QStringLiteral("-journal")));
    QCOMPARE(words(store), 2200);
}

// Where the change cannot be rolled back, the reader says so and how, not
// merely that the file is read-only.
void StoreFileTest::interruptedChangeOnAReadOnlyFolderIsSaid()
{
    QTemporaryDir dir, view;
    const QString store = dir.filePath(kStore);
    QCOMPARE(tool(dir.path(), {QStringLiteral("sample"), kStore}).code, 0);
    QVERIFY(InterruptWrite(store));
    const QByteArray before = bytesOf(store);
    // Root writes through any mode: a read-only view of the folder instead.
    const bool root = ::geteuid() == 0;
    const QString where = root ? view.path() : dir.path();
    const auto restore = qScopeGuard([&] {
        if (root)
            QProcess::execute(QStringLiteral("umount"), {view.path()});
        else
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (root) {
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("--bind"), dir.path(), view.path()}) != 0)
            QSKIP("a bind mount cannot be made here");
        QCOMPARE(QProcess::execute(QStringLiteral("mount"),
                                   {QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), view.path()}),
                 0);
    } else {
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    }

    const Run r = tool(where, {QStringLiteral("check"), kStore});
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("o modificare întreruptă așteaptă să fie anulată")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("„tarvix-db check Dictionar.mdb”")), qPrintable(r.err));
    // The engine says what is pending; the command that undoes it is the tool's to name.
    try {
        DBEngine().OpenDatabase(QDir(where).filePath(kStore), true);
        QFAIL("the store opened");
    } catch (const StoreConditionError& e) {
        QCOMPARE(e.Condition(), StoreCondition::RollbackPending);
        QVERIFY2(!e.Text().contains(QStringLiteral("tarvix-db")), qPrintable(e.Text()));
    }
    QCOMPARE(bytesOf(store), before);
    QVERIFY(QFile::exists(store + QStringLiteral("-journal")));
}

void StoreFileTest::outputsNeverWriteThroughALink_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("output");  // made a link, in the folder
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("export --force, a link to the store")
        << QStringList{QStringLiteral("export"), QStringLiteral("--force"), kStore, QStringLiteral("csv")}
        << QStringLiteral("csv/cuvinte.csv") << QByteArray("../Dictionar.mdb");
    QTest::newRow("export, a link to nothing") << QStringList{QStringLiteral("export"), kStore, QStringLiteral("csv")}
                                               << QStringLiteral("csv/cuvinte.csv") << QByteArray("../altundeva.csv");
    QTest::newRow("index --force --output, a link to the store")
        << QStringList{QStringLiteral("index"), QStringLiteral("--force"), QStringLiteral("--output"),
                       QStringLiteral("csv/index.txt"), kStore}
        << QStringLiteral("csv/index.txt") << QByteArray("../Dictionar.mdb");
}

void StoreFileTest::outputsNeverWriteThroughALink()
{
    QFETCH(QStringList, args);
    QFETCH(QString, output);
    QFETCH(QByteArray, target);
    QTemporaryDir dir;
    QCOMPARE(tool(dir.path(), {QStringLiteral("sample"), kStore}).code, 0);
    const QByteArray before = bytesOf(dir.filePath(kStore));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("csv")));
    symlinkTo(target, dir.filePath(output));

    const Run r = tool(dir.path(), args);
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("legătură simbolică spre „%1”").arg(QString::fromUtf8(target))),
             qPrintable(r.err));
    QCOMPARE(bytesOf(dir.filePath(kStore)), before);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("altundeva.csv"))));
    QCOMPARE(QFile::symLinkTarget(dir.filePath(output)).isEmpty(), false);
}

// tarvix-db run in a folder whose name is not UTF-8: its name given as the
// system gives it, through a shell.
void StoreFileTest::folderNameThatIsNotUtf8()
{
    QTemporaryDir dir;
    const QByteArray odd = QFile::encodeName(dir.path()) + "/dosar\xe9";
    QVERIFY(::mkdir(odd.constData(), 0755) == 0);
    // QTemporaryDir reaches names by their UTF-8 text: this folder goes by its bytes.
    const auto removeOdd = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("/bin/sh"),
                          {QStringLiteral("-c"), QStringLiteral("rm -rf \"$0/$(printf 'dosar\\351')\""), dir.path()});
    });
    const auto run = [&](const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral("/bin/sh"),
                QStringList{QStringLiteral("-c"), QStringLiteral("cd \"$(printf 'dosar\\351')\" && exec \"$0\" \"$@\""),
                            QStringLiteral(TARVIX_DB_TOOL)}
                    + args);
        p.waitForFinished(60000);
        return std::pair(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()));
    };
    const auto made = run({QStringLiteral("sample"), kStore});
    QVERIFY2(made.first == 0, qPrintable(made.second));
    const auto checked = run({QStringLiteral("check"), kStore});
    QVERIFY2(checked.first == 0, qPrintable(checked.second));
    QVERIFY2(checked.second.contains(QStringLiteral("cuvinte:  200")), qPrintable(checked.second));
    const auto exported = run({QStringLiteral("export"), kStore, QStringLiteral("csv")});
    QVERIFY2(exported.first == 0, qPrintable(exported.second));
    struct stat st {};
    QVERIFY(::stat((odd + "/csv/cuvinte.csv").constData(), &st) == 0);
    const auto imported = run({QStringLiteral("import"), kStore, QStringLiteral("csv")});
    QVERIFY2(imported.first == 4 && imported.second.contains(QStringLiteral("cuvinte.csv")),
             qPrintable(imported.second));
    WriteJetFile(dir.filePath(QStringLiteral("vechi.mdb")), RomanianFixture(), {});
    QVERIFY(::rename(QFile::encodeName(dir.filePath(QStringLiteral("vechi.mdb"))).constData(),
                     (odd + "/Vechi.mdb").constData())
            == 0);
    const auto converted = run({QStringLiteral("convert"), QStringLiteral("Vechi.mdb")});
    QVERIFY2(converted.first == 0, qPrintable(converted.second));

    // The program opens it from there too.
    const QString previous = QDir::currentPath();
    QVERIFY(::chdir(odd.constData()) == 0);
    qint64 n = -1;
    try {
        n = words(kStore);
    } catch (const EngineError& e) {
        QDir::setCurrent(previous);
        QFAIL(qPrintable(e.Text()));
    }
    QDir::setCurrent(previous);
    QCOMPARE(n, 200);
}

void StoreFileTest::pathLongerThanSqliteTakes_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("sample") << QStringLiteral("sample");
    QTest::newRow("check") << QStringLiteral("check");
}

void StoreFileTest::pathLongerThanSqliteTakes()
{
    QFETCH(QString, command);
    QTemporaryDir dir;
    QString deep = dir.path();
    while (QFile::encodeName(deep).size() < 600)
        deep += QLatin1Char('/') + QString(60, QLatin1Char('d'));
    QVERIFY(QDir().mkpath(deep));
    if (command == QLatin1String("check")) {
        QCOMPARE(tool(dir.path(), {QStringLiteral("sample"), kStore}).code, 0);
        QVERIFY(QFile::rename(dir.filePath(kStore), deep + QLatin1Char('/') + kStore));
    }
    const Run r = tool(deep, {command, kStore});
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("SQLite lucrează doar cu fișiere a căror cale are cel mult")),
             qPrintable(r.err));
    QVERIFY2(r.err.contains(QDir::toNativeSeparators(deep)), qPrintable(r.err));
    QVERIFY2(!r.err.contains(QStringLiteral(".tarvix-db-")), qPrintable(r.err));
}

void StoreFileTest::brokenLinkIsNamedOnce_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("said");
    QTest::newRow("pointing nowhere") << QByteArray("lipsa/Dictionar.mdb") << QStringLiteral("care nu există");
    QTest::newRow("a loop") << QByteArray("Dictionar.mdb") << QStringLiteral("în cerc");
}

// check and create give one answer: the link, where it points, what is wrong.
void StoreFileTest::brokenLinkIsNamedOnce()
{
    QFETCH(QByteArray, target);
    QFETCH(QString, said);
    QTemporaryDir dir;
    symlinkTo(target, dir.filePath(kStore));
    const Run checked = tool(dir.path(), {QStringLiteral("check"), kStore});
    const Run created = tool(dir.path(), {QStringLiteral("create"), kStore});
    QCOMPARE(checked.code, 3);
    QCOMPARE(created.code, 3);
    QCOMPARE(created.err, checked.err);
    QVERIFY2(checked.err.contains(QStringLiteral("„Dictionar.mdb” din dosarul „%1” este o legătură simbolică spre „%2”")
                                      .arg(QDir::toNativeSeparators(dir.path()), QString::fromUtf8(target))),
             qPrintable(checked.err));
    QVERIFY2(checked.err.contains(said), qPrintable(checked.err));
    QVERIFY(QFileInfo(dir.filePath(kStore)).isSymLink());
}

void StoreFileTest::replacingThroughALinkKeepsTheLink_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("jet");  // the file pointed to is an old Access file
    QTest::newRow("sample --force") << QStringList{QStringLiteral("sample"), QStringLiteral("--force"), kStore}
                                    << false;
    QTest::newRow("convert") << QStringList{QStringLiteral("convert"), kStore} << true;
}

// A store shared through a link: the file it points to is replaced, the link stays.
void StoreFileTest::replacingThroughALinkKeepsTheLink()
{
    QFETCH(QStringList, args);
    QFETCH(bool, jet);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("comun")));
    const QString real = dir.filePath(QStringLiteral("comun/real.mdb"));
    if (jet)
        WriteJetFile(real, RomanianFixture(), {});
    else
        QCOMPARE(tool(dir.path(), {QStringLiteral("create"), QStringLiteral("comun/real.mdb")}).code, 0);
    const QByteArray before = bytesOf(real);
    symlinkTo("comun/real.mdb", dir.filePath(kStore));

    const Run r = tool(dir.path(), args);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains(QStringLiteral("legătură simbolică spre „comun/real.mdb”")), qPrintable(r.out));
    QCOMPARE(QFileInfo(dir.filePath(kStore)).isSymLink(), true);
    QVERIFY(words(real) > 0);
    const QStringList kept = QDir(dir.filePath(QStringLiteral("comun"))).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(kept.size(), jet ? 2 : 1);
    if (jet)
        QCOMPARE(bytesOf(dir.filePath(QStringLiteral("comun/real.original-jet4.mdb"))), before);
}

void StoreFileTest::replacedStoreKeepsModeAndGroup_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("jet");  // the file replaced is an old Access file
    QTest::newRow("create --force") << QStringList{QStringLiteral("create"), QStringLiteral("--force"), kStore}
                                    << false;
    QTest::newRow("sample --force") << QStringList{QStringLiteral("sample"), QStringLiteral("--force"), kStore}
                                    << false;
    QTest::newRow("convert") << QStringList{QStringLiteral("convert"), kStore} << true;
}

void StoreFileTest::replacedStoreKeepsModeAndGroup()
{
    QFETCH(QStringList, args);
    QFETCH(bool, jet);
    // A group of the runner's other than its own: any group for root.
    gid_t group = 0;
    if (::geteuid() == 0) {
        const struct group* users = ::getgrnam("users");
        group = users ? users->gr_gid : 100;
    } else {
        gid_t list[64];
        const int n = ::getgroups(64, list);
        for (int i = 0; i < n && group == 0; ++i)
            group = list[i] != ::getegid() ? list[i] : 0;
        if (group == 0)
            QSKIP("the runner belongs to no group besides its own");
    }
    QTemporaryDir dir;
    const QString store = dir.filePath(kStore);
    if (jet)
        WriteJetFile(store, RomanianFixture(), {});
    else
        QCOMPARE(tool(dir.path(), {QStringLiteral("create"), kStore}).code, 0);
    const QByteArray path = QFile::encodeName(store);
    QVERIFY(::chown(path.constData(), uid_t(-1), group) == 0);
    QVERIFY(::chmod(path.constData(), 0660) == 0);

    const Run r = tool(dir.path(), args);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    struct stat st {};
    QVERIFY(::stat(path.constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0660));
    QCOMPARE(st.st_gid, group);
}

QTEST_GUILESS_MAIN(StoreFileTest)
#include "tst_store_file.moc"
