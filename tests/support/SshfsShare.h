// One folder served by a local sshd on 127.0.0.1 and mounted twice through
// sshfs, as two computers reach one network folder. Everything is started here
// (keys, server, mounts) and stopped in the destructor.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace tarvix::test {

class SshfsShare {
public:
    SshfsShare();
    ~SshfsShare();
    SshfsShare(const SshfsShare&) = delete;
    SshfsShare& operator=(const SshfsShare&) = delete;

    // Why the share could not be set up on this machine; empty when it is up.
    const QString& unavailable() const { return unavailable_; }
    // The folder as it lies on the serving side, and as each mount shows it.
    QString served() const;
    QString mount(int which) const;

private:
    bool start();
    bool run(const QString& program, const QStringList& args, const QString& what);

    QTemporaryDir dir_;
    std::unique_ptr<QProcess> sshd_;
    int mounted_ = 0;
    QString unavailable_;
};

}  // namespace tarvix::test
