// A throwaway PostgreSQL cluster for the tests: made with initdb in a temporary
// folder (as an unprivileged user when the tests run as root), listening on a
// Unix socket there and on 127.0.0.1 with scram-sha-256 and a self-signed
// certificate; stopped and removed when the test program ends.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tarvix::test {

class PgCluster {
public:
    // The program's one cluster, started at the first call; null when it
    // cannot start, with the reason in whyNot (for QSKIP).
    static PgCluster* Get(QString* whyNot = nullptr);
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // The superuser and its password (kept in the cluster's own pgpass file, which PGPASSFILE names).
    static constexpr const char* kAdmin = "tarvix_admin";
    static constexpr const char* kAdminPassword = "parola-de-test";

    QString socketDir() const { return dir_.path(); }
    int port() const { return port_; }
    QString certificate() const { return dir_.filePath(QStringLiteral("server.crt")); }
    // A URI for database db as user (over the socket unless tcp), in schema when one is given.
    QString uri(const QString& db, const QString& user = QString::fromLatin1(kAdmin), bool tcp = false,
                const QString& schema = {}) const;
    // The database the tests' stores share, each in a schema of its own.
    static constexpr const char* kSharedDatabase = "tarvix_teste";
    // A new, empty schema in the shared database (cheaper than a database); its name.
    QString freshSchema();
    // A new, empty database with a name of its own; its name.
    QString freshDatabase();
    // Runs sql as the superuser in database db; false (with the reason in error) when it fails.
    bool sql(const QString& db, const QString& sql, QString* error = nullptr);
    // One value from a query as the superuser, as text.
    QString value(const QString& db, const QString& sql);
    // Stops the server (fast) or starts it again.
    bool stop();
    bool start();

private:
    PgCluster() = default;
    bool setUp(QString& whyNot);
    bool run(const QStringList& command, QString* output = nullptr, int timeoutMs = 60000);
    QTemporaryDir dir_;
    QString bin_;
    QString data_;
    int port_ = 0;
    bool asNobody_ = false;
    int databases_ = 0;
    int schemas_ = 0;
    bool running_ = false;
};

}  // namespace tarvix::test
