// A store in a folder that two computers reach: where the file system keeps
// its locks to one computer (sshfs, NFS nolock, SMB nobrl), nothing writes the
// store; reading still works. Tried on a real sshfs mount served by a local sshd.
#include "platform/Engine.h"
#include "platform/engine/FileSystemLocks.h"
#include "store/OpenStore.h"
#include "support/SshfsShare.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace tarvix;
using namespace tarvix::test;

class SharedFolderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { share_.reset(); }
    void locksByFileSystem_data();
    void locksByFileSystem();
    void writersRefusedOnSshfs_data();
    void writersRefusedOnSshfs();
    void programRefusesToWriteOnSshfs();

private:
    std::unique_ptr<SshfsShare> share_;
};

void SharedFolderTest::initTestCase()
{
    share_ = std::make_unique<SshfsShare>();
    if (share_->unavailable().isEmpty())
        QCOMPARE(tool(share_->served(), {QStringLiteral("sample"), QStringLiteral("Dictionar.mdb")}).code, 0);
}

void SharedFolderTest::locksByFileSystem_data()
{
    QTest::addColumn<QByteArray>("line");  // the mount holding the folder
    QTest::addColumn<QString>("unshared");
    QTest::newRow("ext4") << QByteArray("rw,relatime - ext4 /dev/sda1 rw") << QString();
    QTest::newRow("sshfs") << QByteArray("rw,nosuid - fuse.sshfs a@b:/d rw,user_id=0") << QStringLiteral("fuse.sshfs");
    QTest::newRow("rclone") << QByteArray("rw - fuse.rclone r: rw") << QStringLiteral("fuse.rclone");
    QTest::newRow("nfs4 with its locks") << QByteArray("rw - nfs4 s:/d rw,vers=4.2,local_lock=none") << QString();
    QTest::newRow("nfs nolock") << QByteArray("rw - nfs s:/d rw,vers=3,nolock") << QStringLiteral("nfs (nolock)");
    QTest::newRow("nfs local_lock=all") << QByteArray("rw - nfs s:/d rw,local_lock=all")
                                        << QStringLiteral("nfs (local_lock=all)");
    QTest::newRow("nfs local_lock=flock") << QByteArray("rw - nfs s:/d rw,local_lock=flock") << QString();
    QTest::newRow("cifs") << QByteArray("rw - cifs //s/d rw,vers=3.0") << QString();
    QTest::newRow("cifs nobrl") << QByteArray("rw - cifs //s/d rw,vers=3.0,nobrl") << QStringLiteral("cifs (nobrl)");
}

void SharedFolderTest::locksByFileSystem()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, unshared);
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(QDir(dir.path()).canonicalPath());
    const QByteArray table = "1 0 0:1 / / rw - ext4 /dev/vda rw\n2 1 0:999 / " + folder + ' ' + line + '\n';
    const auto mount = FileSystemLocks::MountOf(folder, table);
    QVERIFY(mount);
    QCOMPARE(QFile::encodeName(mount->mountPoint), folder);
    QCOMPARE(FileSystemLocks::Unshared(*mount), unshared);
}

void SharedFolderTest::writersRefusedOnSshfs_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("writes");
    QTest::newRow("import") << QStringList{QStringLiteral("import"), QStringLiteral("Dictionar.mdb"),
                                           QStringLiteral("nou")}
                            << true;
    QTest::newRow("check --repair") << QStringList{QStringLiteral("check"), QStringLiteral("--repair"),
                                                   QStringLiteral("Dictionar.mdb")}
                                    << true;
    QTest::newRow("create") << QStringList{QStringLiteral("create"), QStringLiteral("altul.mdb")} << true;
    QTest::newRow("sample --force") << QStringList{QStringLiteral("sample"), QStringLiteral("--force"),
                                                   QStringLiteral("Dictionar.mdb")}
                                    << true;
    QTest::newRow("check") << QStringList{QStringLiteral("check"), QStringLiteral("Dictionar.mdb")} << false;
    QTest::newRow("index") << QStringList{QStringLiteral("index"), QStringLiteral("Dictionar.mdb")} << false;
}

void SharedFolderTest::writersRefusedOnSshfs()
{
    if (!share_->unavailable().isEmpty())
        QSKIP(qPrintable(share_->unavailable()));
    QFETCH(QStringList, args);
    QFETCH(bool, writes);
    const QString served = share_->served();
    QDir(served).mkpath(QStringLiteral("nou"));
    writeFile(served + QStringLiteral("/nou/cuvinte.csv"), "Cuvant\nNOU\n");
    writeFile(served + QStringLiteral("/nou/capitole.csv"), "Capitol\n");
    writeFile(served + QStringLiteral("/nou/legaturi.csv"), "Cuvant,Capitol\n");
    const QByteArray before = bytesOf(served + QStringLiteral("/Dictionar.mdb"));

    const Run r = tool(share_->mount(0), args);
    if (!writes) {
        QVERIFY2(r.code == 0, qPrintable(r.err));
        return;
    }
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("fuse.sshfs")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("„tarvix-db share”")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("NFS cu serviciul lui de blocări")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QDir::toNativeSeparators(share_->mount(0))), qPrintable(r.err));
    QCOMPARE(bytesOf(served + QStringLiteral("/Dictionar.mdb")), before);
    QVERIFY(!QFile::exists(served + QStringLiteral("/altul.mdb")));
}

// The program opens its store for writing: refused with the same reason; a
// reader through the other mount still reads.
void SharedFolderTest::programRefusesToWriteOnSshfs()
{
    if (!share_->unavailable().isEmpty())
        QSKIP(qPrintable(share_->unavailable()));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(share_->mount(1));
    const auto back = qScopeGuard([&] { QDir::setCurrent(previous); });
    try {
        DBEngine().OpenDatabase(QStringLiteral("Dictionar.mdb"));
        QFAIL("a store on sshfs was opened for writing");
    } catch (const EngineError& e) {
        QCOMPARE(e.Number(), err::LocksNotShared);
        QVERIFY2(e.Text().contains(QStringLiteral("fuse.sshfs")), qPrintable(e.Text()));
        // The engine names the condition; the program's open adds the command that mends it.
        QVERIFY2(!e.Text().contains(QStringLiteral("tarvix-db")), qPrintable(e.Text()));
    }
    try {
        store::Open(QStringLiteral("Dictionar.mdb"), store::Access::ForWriting);
        QFAIL("a store on sshfs was opened for writing");
    } catch (const EngineError& e) {
        QVERIFY2(e.Text().contains(QStringLiteral("„tarvix-db share”")), qPrintable(e.Text()));
    }
    auto db = DBEngine().OpenDatabase(QStringLiteral("Dictionar.mdb"), true);
    QCOMPARE(db->QueryValue(QStringLiteral("SELECT count(*) FROM tblDictionar")).ToInt64(), 200);
}

QTEST_GUILESS_MAIN(SharedFolderTest)
#include "tst_shared_folder.moc"
