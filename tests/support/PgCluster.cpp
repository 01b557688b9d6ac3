#include "support/PgCluster.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <libpq-fe.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

namespace tarvix::test {

namespace {

// A TCP port nobody listens on now.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

// The newest PostgreSQL server programs installed.
QString serverBin()
{
    const QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (auto it = versions.crbegin(); it != versions.crend(); ++it)
        if (QFile::exists(root.filePath(*it + QStringLiteral("/bin/initdb"))))
            return root.filePath(*it + QStringLiteral("/bin"));
    return {};
}

// A test program killed (by a timeout, a crash, a Ctrl+C) never runs its
// destructors: a watcher in a session of its own stops the server and removes
// its folder once the program is gone. After a normal end it finds nothing left.
void watchOver(const QString& dir, const QString& data, const QString& bin, bool asNobody)
{
    QProcess w;
    w.setProgram(QStringLiteral("setsid"));
    w.setArguments({QStringLiteral("sh"), QStringLiteral("-c"),
                    QStringLiteral("while kill -0 \"$1\" 2>/dev/null; do sleep 1; done; "
                                   "if [ -d \"$2\" ]; then $4 \"$3/pg_ctl\" -D \"$2\" -m immediate stop; "
                                   "rm -rf \"$5\"; fi"),
                    QStringLiteral("sh"), QString::number(::getpid()), data, bin,
                    asNobody ? QStringLiteral("runuser -u nobody --") : QString(), dir});
    w.setStandardInputFile(QProcess::nullDevice());
    w.setStandardOutputFile(QProcess::nullDevice());
    w.setStandardErrorFile(QProcess::nullDevice());
    w.startDetached();
}

std::unique_ptr<PgCluster>& instance()
{
    static std::unique_ptr<PgCluster> cluster;
    return cluster;
}

}  // namespace

PgCluster* PgCluster::Get(QString* whyNot)
{
    static bool tried = false;
    static QString reason;
    if (!tried) {
        tried = true;
        std::unique_ptr<PgCluster> c(new PgCluster);
        if (c->setUp(reason))
            instance() = std::move(c);
    }
    if (whyNot)
        *whyNot = reason;
    return instance().get();
}

PgCluster::~PgCluster()
{
    if (running_)
        run({bin_ + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), data_, QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("stop")});
}

bool PgCluster::run(const QStringList& command, QString* output, int timeoutMs)
{
    QStringList args = command;
    // The server refuses to run as root: it runs as nobody, who owns the cluster's folder.
    if (asNobody_)
        args = QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--")} + args;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(dir_.path());
    p.start(asNobody_ ? QStringLiteral("runuser") : args.takeFirst(), args);
    const bool ok = p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll()).trimmed();
    return ok;
}

bool PgCluster::setUp(QString& whyNot)
{
    bin_ = serverBin();
    port_ = freePort();
    if (bin_.isEmpty() || !dir_.isValid() || port_ == 0) {
        whyNot = QStringLiteral("PostgreSQL server programs (Debian package postgresql) or a free port not found");
        return false;
    }
    asNobody_ = ::geteuid() == 0;
    data_ = dir_.filePath(QStringLiteral("data"));
    const QString pw = dir_.filePath(QStringLiteral("pw"));
    QFile f(pw);
    f.open(QIODevice::WriteOnly);
    f.write(kAdminPassword);
    f.close();
    QString out;
    const QString key = dir_.filePath(QStringLiteral("server.key"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", certificate(), "-days", "2",
                   "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
        whyNot = QStringLiteral("openssl could not make the test certificate");
        return false;
    }
    QFile::setPermissions(key, QFile::ReadOwner | QFile::WriteOwner);
    if (asNobody_) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) {
            whyNot = QStringLiteral("running as root and no user nobody to run the server");
            return false;
        }
        for (const QString& p : {dir_.path(), pw, key, certificate()})
            if (::chown(QFile::encodeName(p).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
                whyNot = QStringLiteral("cannot give the cluster's folder to nobody");
                return false;
            }
    }
    if (!run({bin_ + "/initdb", "-D", data_, "-U", kAdmin, "--pwfile=" + pw, "--auth=scram-sha-256", "-E", "UTF8",
              "--locale=C", "--no-sync"},
             &out)) {
        whyNot = QStringLiteral("initdb failed: ") + out.right(400);
        return false;
    }
    QFile conf(data_ + QStringLiteral("/postgresql.conf"));
    conf.open(QIODevice::Append);
    conf.write(QStringLiteral("\nlisten_addresses = '127.0.0.1'\nport = %1\nunix_socket_directories = '%2'\n"
                              "ssl = on\nssl_cert_file = '%3'\nssl_key_file = '%4'\nfsync = off\n"
                              "synchronous_commit = off\nfull_page_writes = off\nmax_connections = 40\n"
                              "shared_buffers = 32MB\n")
                   .arg(port_)
                   .arg(dir_.path(), certificate(), key)
                   .toUtf8());
    conf.close();
    const QString pgpass = dir_.filePath(QStringLiteral("pgpass"));
    QFile pass(pgpass);
    pass.open(QIODevice::WriteOnly);
    pass.write(QByteArray("*:*:*:") + kAdmin + ':' + kAdminPassword + '\n');
    pass.close();
    QFile::setPermissions(pgpass, QFile::ReadOwner | QFile::WriteOwner);
    qputenv("PGPASSFILE", QFile::encodeName(pgpass));
    if (!start() || !sql(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE ") + kSharedDatabase)) {
        QFile log(dir_.filePath(QStringLiteral("server.log")));
        log.open(QIODevice::ReadOnly);
        whyNot =
            QStringLiteral("the PostgreSQL server did not start: ") + QString::fromLocal8Bit(log.readAll()).right(400);
        return false;
    }
    watchOver(dir_.path(), data_, bin_, asNobody_);
    return true;
}

bool PgCluster::start()
{
    running_ = run({bin_ + "/pg_ctl", "-D", data_, "-l", dir_.filePath(QStringLiteral("server.log")), "-w", "start"});
    return running_;
}

bool PgCluster::stop()
{
    const bool ok = run({bin_ + "/pg_ctl", "-D", data_, "-m", "fast", "-w", "stop"});
    running_ = running_ && !ok;
    return ok;
}

QString PgCluster::uri(const QString& db, const QString& user, bool tcp, const QString& schema) const
{
    // Percent-encoded parts are put in last, so no "%2F" is taken for an arg() marker.
    QString out = tcp ? QStringLiteral("postgresql://%1@127.0.0.1:%2/%3?sslmode=disable").arg(user).arg(port_).arg(db)
                      : QStringLiteral("postgresql://%1@/%2?port=%3&host=").arg(user, db).arg(port_)
                            + QString::fromUtf8(QUrl::toPercentEncoding(dir_.path()));
    if (!schema.isEmpty())
        out += QStringLiteral("&options=") + QString::fromUtf8(QUrl::toPercentEncoding("-c search_path=" + schema));
    return out;
}

QString PgCluster::freshSchema()
{
    const QString name = QStringLiteral("s%1_%2").arg(::getpid()).arg(++schemas_);
    sql(QString::fromLatin1(kSharedDatabase), QStringLiteral("CREATE SCHEMA %1").arg(name));
    return name;
}

bool PgCluster::sql(const QString& db, const QString& text, QString* error)
{
    std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PQconnectdb(uri(db).toUtf8().constData()), PQfinish);
    bool ok = PQstatus(conn.get()) == CONNECTION_OK;
    if (ok) {
        PGresult* r = PQexec(conn.get(), text.toUtf8().constData());
        ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        PQclear(r);
    }
    if (!ok && error)
        *error = QString::fromUtf8(PQerrorMessage(conn.get()));
    return ok;
}

QString PgCluster::value(const QString& db, const QString& text)
{
    std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PQconnectdb(uri(db).toUtf8().constData()), PQfinish);
    PGresult* r = PQexec(conn.get(), text.toUtf8().constData());
    const QString v = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0
                          ? QString::fromUtf8(PQgetvalue(r, 0, 0))
                          : QStringLiteral("<error: %1>").arg(QString::fromUtf8(PQerrorMessage(conn.get())));
    PQclear(r);
    return v;
}

QString PgCluster::freshDatabase()
{
    const QString name = QStringLiteral("tarvix_%1_%2").arg(::getpid()).arg(++databases_);
    sql(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(name));
    return name;
}

}  // namespace tarvix::test
