// Bad files swept: each kind of wrong "Dictionar.mdb" gives its own error
// number and a clear text when opened as the program opens it, and through
// "tarvix-db check"; the file is byte-identical afterwards and no file appears.
#include "platform/Engine.h"
#include "store/OpenStore.h"
#include "store/Schema.h"
#include "support/TempStore.h"

#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <cstring>
#include <iostream>
#include <map>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using namespace tarvix;
using test::TempStore;

namespace {

const QString kFile = QStringLiteral("Dictionar.mdb");

// The folder's entries with their bytes and permissions.
std::map<QString, std::pair<QByteArray, QFile::Permissions>> snapshot(const QString& folder)
{
    std::map<QString, std::pair<QByteArray, QFile::Permissions>> out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        QByteArray bytes;
        if (it.fileInfo().isFile() && f.open(QIODevice::ReadOnly))
            bytes = f.readAll();
        out[QDir(folder).relativeFilePath(path)] = {bytes, it.fileInfo().permissions()};
    }
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A real store with a few rows, as bytes.
QByteArray realStore(const QString& folder)
{
    const QString path = folder + QStringLiteral("/made.mdb");
    {
        auto db = DBEngine().CreateDatabase(path);
        store::CreateSchema(*db);
        for (int i = 0; i < 300; ++i)
            db->QueryRows(QStringLiteral("INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES (?1, ?1)"),
                          {Variant(QStringLiteral("CUVANTUL NUMARUL %1").arg(i))});
        db->Close();
    }
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    f.close();
    QFile::remove(path);
    return bytes;
}

// A store made from a schema script of its own (a table or a field missing).
void storeFromScript(const QString& path, const char* script)
{
    auto db = DBEngine().CreateDatabase(path);
    db->ExecuteScript(QString::fromUtf8(script));
    db->Close();
}

const char* const kNoLinks = R"sql(
CREATE TABLE tblDictionar (ID_Cuvant INTEGER PRIMARY KEY AUTOINCREMENT, Cuvant TEXT NOT NULL, Cuvant_Fold TEXT NOT NULL UNIQUE);
CREATE TABLE tblCapitol (ID_Capitol INTEGER PRIMARY KEY AUTOINCREMENT, Capitol TEXT NOT NULL, Capitol_Fold TEXT NOT NULL UNIQUE);
)sql";
const char* const kNoTitle = R"sql(
CREATE TABLE tblDictionar (ID_Cuvant INTEGER PRIMARY KEY AUTOINCREMENT, Cuvant TEXT NOT NULL, Cuvant_Fold TEXT NOT NULL UNIQUE);
CREATE TABLE tblCapitol (ID_Capitol INTEGER PRIMARY KEY AUTOINCREMENT, Titlu TEXT NOT NULL);
CREATE TABLE tblLegatura (ID_Cuvant INTEGER NOT NULL, ID_Capitol INTEGER NOT NULL);
)sql";
const char* const kNoFold = R"sql(
CREATE TABLE tblDictionar (ID_Cuvant INTEGER PRIMARY KEY AUTOINCREMENT, Cuvant TEXT NOT NULL);
CREATE TABLE tblCapitol (ID_Capitol INTEGER PRIMARY KEY AUTOINCREMENT, Capitol TEXT NOT NULL, Capitol_Fold TEXT NOT NULL UNIQUE);
CREATE TABLE tblLegatura (ID_Cuvant INTEGER NOT NULL, ID_Capitol INTEGER NOT NULL);
)sql";

enum class Kind {
    Missing,
    Folder,
    Fifo,
    Empty,
    TruncatedHalf,
    TruncatedHeader,
    TruncatedPage,
    RandomBytes,
    AccessHeader,
    TextFile,
    BrokenServerLink,
    ReadOnlyFile,
    ReadOnlyFolder,
    NoTable,
    NoField,
    NoFoldField,
    LockedByOther
};

bool needsPermissions(Kind k)
{
    return k == Kind::ReadOnlyFile || k == Kind::ReadOnlyFolder;
}

// helper lock FILE: holds an exclusive lock on the file until a line comes on stdin.
int helperMain(int argc, char** argv)
{
    if (argc != 4 || std::strcmp(argv[2], "lock") != 0)
        return 2;
    try {
        auto db = DBEngine().OpenDatabase(QString::fromLocal8Bit(argv[3]));
        db->ExecuteScript(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE"));
        std::cout << "READY" << std::endl;
        std::string line;
        std::getline(std::cin, line);
        db->RollbackTransaction();
        db->Close();
    } catch (const EngineError& e) {
        std::cout << e.what() << std::endl;
        return 3;
    }
    return 0;
}

}  // namespace

Q_DECLARE_METATYPE(Kind)

class BadFilesTest : public QObject {
    Q_OBJECT

private slots:
    void sweep_data();
    void sweep();

private:
    // Makes the bad file; returns the locking copy when there is one.
    std::unique_ptr<QProcess> prepare(Kind kind, const QString& folder);
    void restore(Kind kind, const QString& folder);
};

void BadFilesTest::sweep_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");  // a part of the message the user reads
    QTest::addColumn<int>("toolStatus");
    // What the program and the tool add: the command that mends it; the engine names no command.
    QTest::addColumn<QString>("advice");

    const QString notStore = QStringLiteral("nu este o bază de date Tarvix");
    QTest::newRow("missing") << Kind::Missing << err::FileNotFound
                             << QStringLiteral("Nu găsesc fișierul „Dictionar.mdb”") << 3
                             << QStringLiteral("\ntarvix-db create Dictionar.mdb\n");
    QTest::newRow("a folder of that name")
        << Kind::Folder << err::CannotOpen << QStringLiteral("este un dosar, nu un fișier") << 3 << QString();
    QTest::newRow("a pipe of that name") << Kind::Fifo << err::CannotOpen
                                         << QStringLiteral("nu este un fișier obișnuit, ci o conductă") << 3
                                         << QString();
    QTest::newRow("0 bytes") << Kind::Empty << err::NotAStore << QStringLiteral("lipsește tabela „tblDictionar”") << 3
                             << QString();
    QTest::newRow("store cut in half") << Kind::TruncatedHalf << err::Corrupt << QStringLiteral("este deteriorat") << 3
                                       << QString();
    QTest::newRow("store cut inside its header")
        << Kind::TruncatedHeader << err::Corrupt << QStringLiteral("este deteriorat") << 3 << QString();
    QTest::newRow("store cut to its first page")
        << Kind::TruncatedPage << err::Corrupt << QStringLiteral("este deteriorat") << 3 << QString();
    QTest::newRow("random bytes") << Kind::RandomBytes << err::NotAStore << notStore << 3 << QString();
    QTest::newRow("older Access file") << Kind::AccessHeader << err::NotAStore
                                       << QStringLiteral("bază de date Access mai veche") << 3
                                       << QStringLiteral("„tarvix-db convert Dictionar.mdb”");
    QTest::newRow("text file") << Kind::TextFile << err::NotAStore << notStore << 3 << QString();
    QTest::newRow("link to a server without its address")
        << Kind::BrokenServerLink << err::CannotOpen << QStringLiteral("nu are pe al doilea rând adresa") << 3
        << QStringLiteral("„tarvix-db link Dictionar.mdb ADRESĂ”");
    QTest::newRow("read-only file") << Kind::ReadOnlyFile << err::ReadOnly << QStringLiteral("poate fi doar citit") << 3
                                    << QString();
    QTest::newRow("read-only folder") << Kind::ReadOnlyFolder << err::ReadOnly << QStringLiteral("poate fi doar citit")
                                      << 3 << QString();
    QTest::newRow("links table missing") << Kind::NoTable << err::NotAStore
                                         << QStringLiteral("lipsește tabela „tblLegatura”") << 3 << QString();
    QTest::newRow("title field missing") << Kind::NoField << err::NotAStore
                                         << QStringLiteral("tabela „tblCapitol” nu are câmpul „Capitol”") << 3
                                         << QString();
    QTest::newRow("fold field missing") << Kind::NoFoldField << err::NotAStore
                                        << QStringLiteral("tabela „tblDictionar” nu are câmpul „Cuvant_Fold”") << 3
                                        << QString();
    QTest::newRow("locked by another copy")
        << Kind::LockedByOther << err::Locked
        << QStringLiteral("este ocupat de alt program sau de altă copie a lui Tarvix") << 3 << QString();
}

std::unique_ptr<QProcess> BadFilesTest::prepare(Kind kind, const QString& folder)
{
    const QString path = folder + QLatin1Char('/') + kFile;
    switch (kind) {
    case Kind::Missing: break;
    case Kind::Folder: QDir(folder).mkdir(kFile); break;
    case Kind::Fifo: ::mkfifo(QFile::encodeName(path).constData(), 0600); break;
    case Kind::Empty: writeFile(path, {}); break;
    case Kind::TruncatedHalf: {
        const QByteArray store = realStore(folder);
        writeFile(path, store.left(store.size() / 2));
        break;
    }
    case Kind::TruncatedHeader: writeFile(path, realStore(folder).left(60)); break;
    case Kind::TruncatedPage: writeFile(path, realStore(folder).left(4096)); break;
    case Kind::RandomBytes: {
        QByteArray bytes(16384, '\0');
        QRandomGenerator gen(7);
        for (char& c : bytes)
            c = static_cast<char>(gen.bounded(256));
        writeFile(path, bytes);
        break;
    }
    case Kind::AccessHeader: {
        QByteArray bytes = QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        bytes += QByteArray(4096 - bytes.size(), '\x5a');
        writeFile(path, bytes);
        break;
    }
    case Kind::TextFile: writeFile(path, "CUVINTE\nCASA,ISTORIE\nMASA,GEOGRAFIE\n"); break;
    case Kind::BrokenServerLink: writeFile(path, QByteArray(ServerLink::kFirstLine) + "\n"); break;
    case Kind::ReadOnlyFile:
        writeFile(path, realStore(folder));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        break;
    case Kind::ReadOnlyFolder:
        writeFile(path, realStore(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        break;
    case Kind::NoTable: storeFromScript(path, kNoLinks); break;
    case Kind::NoField: storeFromScript(path, kNoTitle); break;
    case Kind::NoFoldField: storeFromScript(path, kNoFold); break;
    case Kind::LockedByOther: {
        writeFile(path, realStore(folder));
        auto p = std::make_unique<QProcess>();
        p->setProgram(QCoreApplication::applicationFilePath());
        p->setArguments({QStringLiteral("--helper"), QStringLiteral("lock"), path});
        p->start();
        if (!p->waitForReadyRead(30000) || p->readLine().trimmed() != "READY")
            qWarning("the locking copy did not start");
        return p;
    }
    }
    return nullptr;
}

void BadFilesTest::restore(Kind kind, const QString& folder)
{
    if (kind == Kind::ReadOnlyFolder)
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void BadFilesTest::sweep()
{
    QFETCH(Kind, kind);
    QFETCH(int, number);
    QFETCH(QString, text);
    QFETCH(int, toolStatus);
    QFETCH(QString, advice);
    if (needsPermissions(kind) && ::geteuid() == 0)
        QSKIP("running as root: permission bits do not stop root from writing, so a read-only file or folder "
              "cannot be made here; run the tests as an ordinary user to cover this case");

    TempStore s(false);
    std::unique_ptr<QProcess> locker = prepare(kind, s.folder());
    const auto before = snapshot(s.folder());
    // The lock is held past a short wait; the program's own wait is longer but ends the same way.
    const int savedTimeout = DBEngine::BusyTimeoutMs;
    DBEngine::BusyTimeoutMs = 300;

    int got = 0;
    QString message;
    const char* step = "open";
    try {
        auto db = DBEngine().OpenDatabase(kFile);
        step = "schema";
        store::RequireSchema(*db);
        // What the main window reads first: the totals of both tables.
        step = "first read";
        db->OpenRecordset(QStringLiteral("tblDictionar"))->RecordCount();
        db->OpenRecordset(QStringLiteral("tblCapitol"))->RecordCount();
        db->Close();
    } catch (const EngineError& e) {
        got = e.Number();
        message = e.Text();
    }
    // As the program opens it: the same error, with the command that mends it added.
    QString programMessage;
    try {
        store::Open(kFile, store::Access::ForWriting)->Close();
    } catch (const EngineError& e) {
        programMessage = e.Text();
    }
    DBEngine::BusyTimeoutMs = savedTimeout;
    qInfo("%s: %d %s", step, got, qPrintable(message));
    QCOMPARE(got, number);
    QVERIFY2(message.contains(text), qPrintable(message));
    QVERIFY2(!message.contains(QStringLiteral("tarvix-db")), qPrintable(message));
    QVERIFY2(programMessage.startsWith(message), qPrintable(programMessage));
    if (advice.isEmpty())
        QCOMPARE(programMessage, message);
    else
        QVERIFY2(programMessage.contains(advice), qPrintable(programMessage));

#ifdef TARVIX_DB_TOOL
    // The same file through the store tool: its exit status and the same error on stderr.
    QProcess tool;
    tool.setWorkingDirectory(s.folder());
    tool.start(QStringLiteral(TARVIX_DB_TOOL), {QStringLiteral("check"), kFile});
    QVERIFY(tool.waitForFinished(60000));
    const QString err = QString::fromUtf8(tool.readAllStandardError());
    qInfo("tarvix-db check: status %d: %s", tool.exitCode(), qPrintable(err.trimmed()));
    QCOMPARE(tool.exitCode(), toolStatus);
    QVERIFY2(err.contains(QStringLiteral("eroarea %1").arg(number)) && err.contains(text), qPrintable(err));
    QVERIFY2(err.contains(advice), qPrintable(err));
#else
    Q_UNUSED(toolStatus);
#endif

    if (locker) {
        locker->write("END\n");
        QVERIFY(locker->waitForFinished(30000));
        QCOMPARE(locker->exitCode(), 0);
    }
    restore(kind, s.folder());
    // Byte-identical, and nothing made beside it (no journal, no new store).
    const auto after = snapshot(s.folder());
    QCOMPARE(after.size(), before.size());
    for (const auto& [name, content] : before) {
        QVERIFY2(after.count(name), qPrintable(name));
        QVERIFY2(after.at(name).first == content.first, qPrintable(name + QStringLiteral(" changed")));
    }
}

int main(int argc, char** argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--helper") == 0)
        return helperMain(argc, argv);
    QCoreApplication app(argc, argv);
    BadFilesTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_engine_files.moc"
