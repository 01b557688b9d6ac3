// What only a store on a server meets: passwords, roles, TLS, the server going
// away, and two computers editing one dictionary at once.
#include "platform/Engine.h"
#include "store/Invariants.h"
#include "store/Schema.h"
#include "store/Statements.h"
#include "support/ErrorOf.h"
#include "support/PgCluster.h"
#include "support/TempStore.h"

#include <QtTest>

using namespace tarvix;
using namespace tarvix::test;

class ServerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void passwordAskedOnceAndNeverShown();
    void unreachableServerIsNamed();
    void readOnlyRoleSearchesButCannotSave();
    void tlsWithTheServersCertificate();
    void twoComputersEditOneDictionary();
    void serverStoppedUnderARunningProgram();
    void badLinkFiles_data();
    void badLinkFiles();

private:
    PgCluster* cluster_ = nullptr;
    // A store on the server in the current folder; the database's name.
    QString sharedStore(TempStore& s);
};

void ServerTest::initTestCase()
{
    QString why;
    cluster_ = PgCluster::Get(&why);
    if (!cluster_)
        QSKIP(qPrintable(QStringLiteral("no PostgreSQL server for the tests: ") + why));
    TempStore::backend = TempStore::Backend::Server;
}

void ServerTest::init()
{
    DBEngine::OnPassword = nullptr;
}

void ServerTest::cleanup()
{
    DBEngine::OnPassword = nullptr;
}

void ServerTest::passwordAskedOnceAndNeverShown()
{
    QVERIFY(cluster_->sql("postgres", "CREATE ROLE profesor LOGIN PASSWORD 'parola-profesor'"));
    const QString db = cluster_->freshDatabase();
    QVERIFY(cluster_->sql(db, "GRANT ALL ON SCHEMA public TO profesor"));
    const QString uri = cluster_->uri(db, "profesor");
    // Without an asker, the message says a password is wanted.
    QString text;
    QCOMPARE(errorOf([&] { DBEngine().OpenServer(uri); }, &text), err::CannotOpen);
    QVERIFY2(text.contains("cere o parolă") && text.contains(db), qPrintable(text));
    int asked = 0;
    DBEngine::OnPassword = [&](const QString& server) -> std::optional<QString> {
        ++asked;
        return server.contains(db) ? QStringLiteral("greșită") : QString();
    };
    QCOMPARE(errorOf([&] { DBEngine().OpenServer(uri); }, &text), err::CannotOpen);
    QVERIFY2(!text.contains("greșită"), qPrintable(text));
    QCOMPARE(asked, 1);
    DBEngine::OnPassword = [&](const QString&) -> std::optional<QString> {
        ++asked;
        return QStringLiteral("parola-profesor");
    };
    DBEngine().OpenServer(uri);
    DBEngine().OpenServer(uri);
    QCOMPARE(asked, 2);  // kept for the rest of the run
}

void ServerTest::unreachableServerIsNamed()
{
    QString text;
    const QString uri = QStringLiteral("postgresql://nimeni@127.0.0.1:%1/dictionar").arg(cluster_->port() == 1 ? 2 : 1);
    QCOMPARE(errorOf([&] { DBEngine().OpenServer(uri); }, &text), err::CannotOpen);
    QVERIFY2(text.contains("„dictionar” de pe serverul 127.0.0.1:1"), qPrintable(text));
}

void ServerTest::readOnlyRoleSearchesButCannotSave()
{
    TempStore s;
    s.link(s.addWord("ARBORE"), s.addChapter("GRAFURI"));
    s.other().Close();
    QVERIFY(cluster_->sql("postgres", "DO $$ BEGIN CREATE ROLE elev LOGIN PASSWORD 'parola-elev'; "
                                      "EXCEPTION WHEN duplicate_object THEN NULL; END $$"));
    QVERIFY(cluster_->sql(PgCluster::kSharedDatabase, QStringLiteral("GRANT USAGE ON SCHEMA %1 TO elev; GRANT SELECT "
                                                                     "ON ALL TABLES IN SCHEMA %1 TO elev")
                                                          .arg(s.schema())));
    DBEngine::OnPassword = [](const QString&) -> std::optional<QString> { return QStringLiteral("parola-elev"); };
    const QString uri = PgCluster::Get()->uri(PgCluster::kSharedDatabase, "elev", false, s.schema());
    ServerLink::Write(s.file(), uri);
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    store::RequireSchema(*db);
    store::RequireSoundStore(*db);
    auto found = db->OpenRecordset(store::SearchStatement("ARBORE"));
    QCOMPARE(found->Fields("Capitol").Value.ToText(), QString("GRAFURI"));
    auto rs = db->OpenRecordset("tblDictionar", dbOpenDynaset);
    rs->AddNew();
    rs->Collect("Cuvant") = "NOU";
    QCOMPARE(errorOf([&] { rs->Update(); }), err::ReadOnly);
    QCOMPARE(errorOf([&] { db->Execute(store::DeleteWordStatement("ARBORE")); }), err::ReadOnly);
}

void ServerTest::tlsWithTheServersCertificate()
{
    const QString db = cluster_->freshDatabase();
    const QString base = cluster_->uri(db, PgCluster::kAdmin, true).section('?', 0, 0);
    auto conn = DBEngine().OpenServer(base + "?sslmode=verify-full&sslrootcert=" + cluster_->certificate());
    QCOMPARE(conn->QueryValue("SELECT ssl::int FROM pg_stat_ssl WHERE pid = pg_backend_pid()").ToInt64(), 1);
}

void ServerTest::twoComputersEditOneDictionary()
{
    TempStore s;
    auto first = DBEngine().OpenDatabase("Dictionar.mdb");
    auto second = DBEngine().OpenDatabase("Dictionar.mdb");
    auto a = first->OpenRecordset("tblDictionar", dbOpenDynaset);
    auto b = second->OpenRecordset("tblDictionar", dbOpenDynaset);
    for (int i = 0; i < 20; ++i) {
        a->AddNew();
        a->Collect("Cuvant") = QStringLiteral("A%1").arg(i);
        a->Update();
        b->AddNew();
        b->Collect("Cuvant") = QStringLiteral("B%1").arg(i);
        b->Update();
    }
    b->AddNew();
    b->Collect("Cuvant") = "a5";
    QCOMPARE(errorOf([&] { b->Update(); }), err::Duplicate);
    QCOMPARE(s.count("tblDictionar"), 40);
    // Each edits the row it holds, never another; a row the other deleted is reported.
    auto ea = first->OpenRecordset("tblDictionar", dbOpenDynaset);
    auto eb = second->OpenRecordset("tblDictionar", dbOpenDynaset);
    ea->Edit();
    ea->Collect("Cuvant") = "PRIMUL";
    ea->Update();
    eb->Move(1);
    eb->Edit();
    eb->Collect("Cuvant") = "AL DOILEA";
    eb->Update();
    QCOMPARE(s.column("SELECT Cuvant FROM tblDictionar ORDER BY ID_Cuvant").mid(0, 2),
             (QStringList{"PRIMUL", "AL DOILEA"}));
    second->Execute(store::DeleteWordStatement("PRIMUL"));
    ea->Edit();
    ea->Collect("Cuvant") = "ÎNCĂ O DATĂ";
    QCOMPARE(errorOf([&] { ea->Update(); }), err::RowDeleted);
}

void ServerTest::serverStoppedUnderARunningProgram()
{
    TempStore s;
    s.addWord("UNU");
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    const QString count = "SELECT count(*) FROM tblDictionar";
    QCOMPARE(db->QueryValue(count).ToInt64(), 1);
    auto rs = db->OpenRecordset("tblDictionar", dbOpenDynaset);
    rs->AddNew();
    rs->Collect("Cuvant") = "DOI";
    QVERIFY(cluster_->stop());
    QString text;
    QCOMPARE(errorOf([&] { rs->Update(); }, &text), err::ConnectionLost);
    QVERIFY2(text.contains("s-a pierdut"), qPrintable(text));
    // While the server is down, each try says so again and writes nothing.
    QCOMPARE(errorOf([&] { rs->Update(); }, &text), err::ConnectionLost);
    QVERIFY2(text.contains("nu a putut fi refăcută"), qPrintable(text));
    QVERIFY(cluster_->start());
    s.other().Close();
    QCOMPARE(DBEngine().OpenDatabase("Dictionar.mdb")->QueryValue(count).ToInt64(), 1);
    // Once it is back, the same program goes on: the pending row is saved once, and
    // a statement prepared before the loss is prepared again on the new connection.
    QCOMPARE(db->QueryValue(count).ToInt64(), 1);
    rs->Update();
    QCOMPARE(db->QueryValue(count).ToInt64(), 2);
    // A server restarted between two actions is not even noticed.
    QVERIFY(cluster_->stop());
    QVERIFY(cluster_->start());
    std::int64_t rows = 0;
    QVERIFY2(errorOf([&] { rows = db->QueryValue(count).ToInt64(); }, &text) == 0, qPrintable(text));
    QCOMPARE(rows, 2);
    QCOMPARE(DBEngine()
                 .OpenDatabase("Dictionar.mdb")
                 ->QueryValue("SELECT count(*) FROM tblDictionar WHERE Cuvant = "
                              "'DOI'")
                 .ToInt64(),
             1);
}

void ServerTest::badLinkFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("says");
    const QByteArray first = QByteArray(ServerLink::kFirstLine) + '\n';
    QTest::newRow("no address") << first << "nu are pe al doilea rând adresa";
    QTest::newRow("not an address") << first + "Dictionar.mdb\n"
                                    << "nu are pe al doilea rând adresa";
    QTest::newRow("password in it") << first + "postgresql://u:ascuns@h/db\n"
                                    << "conține o parolă";
    QTest::newRow("two addresses") << first + "postgresql://h/a\npostgresql://h/b\n"
                                   << "nu are pe al doilea rând adresa";
}

void ServerTest::badLinkFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, says);
    TempStore s(false);
    QFile f(s.file());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    QString text;
    QVERIFY(errorOf([&] { DBEngine().OpenDatabase("Dictionar.mdb"); }, &text) != 0);
    QVERIFY2(text.contains(says) && !text.contains("ascuns"), qPrintable(text));
}

QTEST_GUILESS_MAIN(ServerTest)
#include "tst_server.moc"
