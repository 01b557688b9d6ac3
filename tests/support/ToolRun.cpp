#include "support/ToolRun.h"

#include "support/TempStore.h"

#include "platform/Engine.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

#ifndef TARVIX_DB_TOOL
#error "tests/CMakeLists.txt passes the tarvix-db path as TARVIX_DB_TOOL"
#endif

namespace tarvix::test {

Run tool(const QString& cwd, const QStringList& args, int timeoutMs, const QStringList& env)
{
    QProcess p;
    p.setWorkingDirectory(cwd);
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& v : env)
        e.insert(v.section(QLatin1Char('='), 0, 0), v.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(TARVIX_DB_TOOL), args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    Run r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QStringList column(const QString& file, const QString& sql)
{
    auto db = DBEngine().OpenDatabase(file);
    return Column(*db, sql);
}

QStringList contentOf(const QString& file)
{
    const auto sorted = [&](const char* sql) {
        QStringList texts = column(file, QLatin1String(sql));
        texts.sort();
        return texts;
    };
    return sorted("SELECT 'W ' || Cuvant FROM tblDictionar") + sorted("SELECT 'C ' || Capitol FROM tblCapitol")
           + sorted("SELECT 'L ' || d.Cuvant || ' / ' || c.Capitol FROM tblLegatura AS l "
                    "JOIN tblDictionar AS d ON d.ID_Cuvant = l.ID_Cuvant "
                    "JOIN tblCapitol AS c ON c.ID_Capitol = l.ID_Capitol");
}

}  // namespace tarvix::test
