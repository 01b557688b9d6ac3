#include "support/InterruptedWrite.h"

#include "platform/Engine.h"

#include <QFile>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvix::test {

bool InterruptWrite(const QString& store)
{
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            auto db = DBEngine().OpenDatabase(store);
            // Dirty pages go to the file as soon as the cache holds one more.
            db->ExecuteScript(QStringLiteral("PRAGMA cache_size = 1; PRAGMA cache_spill = 1"));
            db->BeginTransaction();
            db->ExecuteScript(QStringLiteral("DELETE FROM tblLegatura; DELETE FROM tblDictionar"));
            // Killed with the connection still open, as a crash leaves it.
            ::kill(::getpid(), SIGKILL);
        } catch (const EngineError& e) {
            std::fputs(qPrintable(e.Text() + u'\n'), stderr);
            ::_exit(2);
        }
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    [&] { QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, "the writing child did not die mid-change"); }();
    QFile journal(store + QStringLiteral("-journal"));
    [&] { QVERIFY2(journal.size() > 512, "the interrupted change left no journal"); }();
    return WIFSIGNALED(status) && journal.size() > 512;
}

}  // namespace tarvix::test
