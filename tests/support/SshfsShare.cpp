#include "support/SshfsShare.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarvix::test {

namespace {

QString find(const char* name)
{
    return QStandardPaths::findExecutable(QLatin1String(name), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"),
                                                                QStringLiteral("/sbin"), QStringLiteral("/bin")});
}

// A port nobody listens on now, or 0.
int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
        && ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

bool accepts(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

}  // namespace

SshfsShare::SshfsShare()
{
    if (!start() && unavailable_.isEmpty())
        unavailable_ = QStringLiteral("the sshfs share could not be set up");
}

SshfsShare::~SshfsShare()
{
    const QString fusermount = find("fusermount3").isEmpty() ? find("fusermount") : find("fusermount3");
    for (int i = 0; i < mounted_; ++i)
        QProcess::execute(fusermount, {QStringLiteral("-u"), QStringLiteral("-z"), mount(i)});
    if (sshd_) {
        sshd_->terminate();
        sshd_->waitForFinished(5000);
    }
}

QString SshfsShare::served() const
{
    return dir_.filePath(QStringLiteral("served"));
}

QString SshfsShare::mount(int which) const
{
    return dir_.filePath(QStringLiteral("mount%1").arg(which + 1));
}

bool SshfsShare::run(const QString& program, const QStringList& args, const QString& what)
{
    QProcess p;
    p.start(program, args);
    if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    unavailable_ =
        QStringLiteral("%1 failed: %2").arg(what, QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
    return false;
}

bool SshfsShare::start()
{
    const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fuse < 0) {
        unavailable_ = QStringLiteral("/dev/fuse cannot be opened: FUSE is not available here");
        return false;
    }
    ::close(fuse);
    const QString sshd = find("sshd"), sshfs = find("sshfs"), keygen = find("ssh-keygen");
    if (sshd.isEmpty() || sshfs.isEmpty() || keygen.isEmpty()) {
        unavailable_ = QStringLiteral("sshd, sshfs or ssh-keygen not found: install openssh-server and sshfs");
        return false;
    }
    const QDir dir(dir_.path());
    for (const QString& sub : {served(), mount(0), mount(1)})
        dir.mkpath(sub);
    const QString host = dir.filePath(QStringLiteral("host")), user = dir.filePath(QStringLiteral("user"));
    for (const QString& key : {host, user})
        if (!run(keygen,
                 {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"), QStringLiteral("-N"),
                  QString(), QStringLiteral("-f"), key},
                 QStringLiteral("ssh-keygen")))
            return false;
    const QString authorized = dir.filePath(QStringLiteral("authorized_keys"));
    QFile::copy(user + QStringLiteral(".pub"), authorized);
    // The privilege separation folder the system's own service would make.
    if (::geteuid() == 0)
        QDir().mkpath(QStringLiteral("/run/sshd"));
    const int port = freePort();
    const QString config = dir.filePath(QStringLiteral("sshd_config"));
    QFile f(config);
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral("Port %1\nListenAddress 127.0.0.1\nHostKey %2\nAuthorizedKeysFile %3\nPidFile %4\n"
                           "PasswordAuthentication no\nKbdInteractiveAuthentication no\nPubkeyAuthentication yes\n"
                           "PermitRootLogin prohibit-password\nStrictModes no\nUsePAM no\n"
                           "Subsystem sftp internal-sftp\n")
                .arg(port)
                .arg(host, authorized, dir.filePath(QStringLiteral("sshd.pid")))
                .toUtf8());
    f.close();
    sshd_ = std::make_unique<QProcess>();
    sshd_->start(sshd, {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), config});
    for (int i = 0; i < 100 && !accepts(port); ++i) {
        if (sshd_->waitForFinished(100)) {
            unavailable_ = QStringLiteral("sshd did not start: %1")
                               .arg(QString::fromLocal8Bit(sshd_->readAllStandardError()).trimmed());
            return false;
        }
    }
    const QString login = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    const QString options = QStringLiteral("port=%1,IdentityFile=%2,StrictHostKeyChecking=no,"
                                           "UserKnownHostsFile=/dev/null,BatchMode=yes")
                                .arg(port)
                                .arg(user);
    for (int i = 0; i < 2; ++i) {
        if (!run(sshfs,
                 {QStringLiteral("%1@127.0.0.1:%2").arg(login, served()), mount(i), QStringLiteral("-o"), options},
                 QStringLiteral("sshfs")))
            return false;
        ++mounted_;
    }
    return true;
}

}  // namespace tarvix::test
