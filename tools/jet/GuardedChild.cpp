#include "tools/jet/GuardedChild.h"

#include <QFile>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace tarvix::tool {

namespace {

std::vector<std::string> environmentWith(const std::vector<std::string>& changes)
{
    const auto nameOf = [](std::string_view v) { return v.substr(0, v.find('=')); };
    std::vector<std::string> env;
    for (const std::string& c : changes)
        if (c.find('=') != std::string::npos)
            env.push_back(c);
    for (char** e = environ; *e; ++e) {
        const std::string_view v(*e);
        if (std::none_of(changes.begin(), changes.end(), [&](const std::string& c) { return nameOf(c) == nameOf(v); }))
            env.emplace_back(v);
    }
    return env;
}

}  // namespace

GuardedChild::GuardedChild(const QString& program, const QStringList& arguments,
                           const std::vector<std::string>& environment)
{
    std::vector<std::string> args{QFile::encodeName(program).toStdString()};
    for (const QString& a : arguments)
        args.push_back(QFile::encodeName(a).toStdString());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = environmentWith(environment);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category());
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        throw std::system_error(errno, std::generic_category());
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    const int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
    if (rc != 0) {
        pid_ = -1;
        closeFd(out_);
        closeFd(err_);
        throw std::system_error(rc, std::generic_category());
    }
}

GuardedChild::~GuardedChild()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status;
        ::waitpid(pid_, &status, 0);
    }
    closeFd(out_);
    closeFd(err_);
}

bool GuardedChild::read(int ms, const std::function<void(const char*, std::size_t)>& onOut, QByteArray& err,
                        qsizetype errKept)
{
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (out_ < 0 && err_ < 0)
        return false;
    if (::poll(fds, 2, ms) < 0 && errno != EINTR)
        return false;
    static thread_local std::vector<char> buffer(1 << 20);
    if (out_ >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
        const ssize_t n = ::read(out_, buffer.data(), buffer.size());
        if (n > 0)
            onOut(buffer.data(), static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            closeFd(out_);
    }
    if (err_ >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
        const ssize_t n = ::read(err_, buffer.data(), buffer.size());
        if (n > 0 && err.size() < errKept)
            err.append(buffer.data(), std::min<qsizetype>(n, errKept - err.size()));
        else if (n <= 0 && (n == 0 || errno != EINTR))
            closeFd(err_);
    }
    return out_ >= 0 || err_ >= 0;
}

int GuardedChild::wait()
{
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

void GuardedChild::closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

QString FirstErrorLine(const QByteArray& err)
{
    QString line = QString::fromUtf8(err).section(QLatin1Char('\n'), 0, 0).trimmed();
    if (line.size() > 200)
        line = line.left(200) + QStringLiteral("…");
    return line;
}

}  // namespace tarvix::tool
