#include "tools/jet/JetReader.h"

#include "tools/jet/JetReaderChild.h"
#include "tools/cli/StoreTool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;
#include <QFile>

namespace tarvix::tool {

namespace {

// Enough of the reader's complaints to name the cause; a damaged file can make it write megabytes.
constexpr qsizetype kStderrKept = 4096;

QString firstLine(const QByteArray& err)
{
    QString line = QString::fromUtf8(err).section(QLatin1Char('\n'), 0, 0).trimmed();
    if (line.size() > 200)
        line = line.left(200) + QStringLiteral("…");
    return line;
}

}  // namespace

JetReader::JetReader(QString path) : path_(std::move(path))
{
    const QFileInfo info(path_);
    header_ = InspectJetFile(info.absoluteFilePath());
    if (!header_.ok())
        throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” %2").arg(info.fileName(), header_.problem)};
    size_ = info.size();
}

int JetReader::TimeLimitSeconds() const
{
    // A few seconds to start, and one more for each 2 MiB: the readers go through tens of MiB a second.
    return 5 + static_cast<int>(size_ / (2 * 1024 * 1024));
}

namespace {

// The reader's process: killed and reaped however the parent leaves, so a
// failure or an exception never leaves it running.
class Child {
public:
    Child(const QString& program, const QStringList& arguments)
    {
        std::vector<std::string> args{QFile::encodeName(program).toStdString()};
        for (const QString& a : arguments)
            args.push_back(QFile::encodeName(a).toStdString());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        // Texts come as UTF-8; Jet 3 bytes pass through Latin-1 unchanged, to be decoded here with the right code page.
        // A missing file must not be looked for elsewhere, nor debugging output switched on.
        std::vector<std::string> env{"MDBICONV=UTF-8", "MDB_JET3_CHARSET=ISO-8859-1"};
        for (char** e = environ; *e; ++e) {
            const std::string_view v(*e);
            if (!v.starts_with("MDBPATH=") && !v.starts_with("MDBOPTS=") && !v.starts_with("MDBICONV=")
                && !v.starts_with("MDB_JET3_CHARSET="))
                env.emplace_back(v);
        }
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
            throw std::system_error(rc, std::generic_category());
        }
    }
    ~Child()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status;
            ::waitpid(pid_, &status, 0);
        }
        closeFd(out_);
        closeFd(err_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Waits at most ms for output; false once both pipes are at their end.
    bool read(int ms, const std::function<void(const char*, std::size_t)>& onOut, QByteArray& err, qsizetype errKept)
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

    // The exit status once the pipes are closed: the code, or -signal when it crashed.
    int wait()
    {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }

private:
    static void closeFd(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

}  // namespace

void JetReader::run(const QStringList& arguments, JetOutputParser& parser)
{
    const QString name = QFileInfo(path_).fileName();
    QStringList args{QString::fromLatin1(kJetReaderMode)};
    args << arguments;
    std::unique_ptr<Child> child;
    try {
        // Tests put a misbehaving reader in its place to see each failure handled.
        const QString program = qEnvironmentVariable("TARVIX_JET_READER", QCoreApplication::applicationFilePath());
        child = std::make_unique<Child>(program, args);
    } catch (const std::system_error& e) {
        throw Failure{
            exitcode::EngineFailure,
            QStringLiteral("Cititorul de fișiere Access nu a pornit: %1.").arg(QString::fromLocal8Bit(e.what()))};
    }
    QByteArray err;
    const auto feed = [&](const char* data, std::size_t size) {
        try {
            parser.feed(data, size);
        } catch (const JetProtocolError&) {
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("Fișierul „%1” pare deteriorat: cititorul a dat un răspuns "
                                         "de neînțeles.")
                              .arg(name)};
        }
    };
    QElapsedTimer clock;
    clock.start();
    const qint64 limit = TimeLimitSeconds() * 1000LL;
    while (
        child->read(static_cast<int>(std::clamp<qint64>(limit - clock.elapsed(), 1, 1000)), feed, err, kStderrKept)) {
        if (clock.elapsed() > limit)
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("Fișierul „%1” pare deteriorat: citirea lui a durat mai mult "
                                         "de %2 s și a fost oprită.")
                              .arg(name)
                              .arg(TimeLimitSeconds())};
    }
    const int status = child->wait();
    const QString because = err.isEmpty() ? QString() : QStringLiteral(" (cititorul a spus: „%1”)").arg(firstLine(err));
    if (status < 0)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” pare deteriorat: cititorul de fișiere Access s-a "
                                     "oprit brusc citindu-l%2.")
                          .arg(name, because)};
    QString failure;
    try {
        failure = parser.finish();
    } catch (const JetProtocolError&) {
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” pare deteriorat: citirea s-a oprit înainte de "
                                     "sfârșit%2.")
                          .arg(name, because)};
    }
    if (!failure.isEmpty() || status != 0)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” nu poate fi citit ca bază de date Access (%2)%3.")
                          .arg(name, failure.isEmpty() ? QStringLiteral("cod %1").arg(status) : failure, because)};
}

std::vector<JetTableInfo> JetReader::Tables()
{
    std::vector<JetTableInfo> tables;
    JetOutputParser parser;
    parser.onTable = [&](const JetTableInfo& t) { tables.push_back(t); };
    run({QStringLiteral("list"), path_}, parser);
    return tables;
}

void JetReader::Read(const std::vector<Request>& requests,
                     const std::function<void(std::size_t, const std::vector<JetField>&)>& onRow)
{
    QStringList args{QStringLiteral("dump"), path_};
    for (const Request& r : requests) {
        if (&r != &requests.front())
            args << QStringLiteral("--");
        args << r.table << r.columns;
    }
    std::size_t current = 0;
    bool open = false;
    JetOutputParser parser;
    const QString name = QFileInfo(path_).fileName();
    parser.onTable = [&](const JetTableInfo& t) {
        if (open || current >= requests.size()
            || t.columns.size() != static_cast<std::size_t>(requests[current].columns.size()))
            throw JetProtocolError("a table not asked for");
        open = true;
    };
    parser.onRow = [&](const std::vector<JetField>& fields) {
        if (fields.size() != static_cast<std::size_t>(requests[current].columns.size()))
            throw JetProtocolError("a row of the wrong width");
        onRow(current, fields);
    };
    std::vector<std::pair<long long, long long>> counts;
    parser.onTableEnd = [&](long long read, long long declared) {
        counts.emplace_back(read, declared);
        open = false;
        ++current;
    };
    run(args, parser);
    for (std::size_t i = 0; i < counts.size(); ++i)
        if (counts[i].first != counts[i].second)
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("Fișierul „%1” este deteriorat: tabela „%2” are %3 după "
                                         "definiția ei, dar s-au citit %4.")
                              .arg(name, requests[i].table, Counted(counts[i].second, "rând", "rânduri"))
                              .arg(counts[i].first)};
    if (counts.size() != requests.size())
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” pare deteriorat: nu toate tabelele au putut fi "
                                     "citite.")
                          .arg(name)};
}

}  // namespace tarvix::tool
