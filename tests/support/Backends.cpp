#include "support/Backends.h"

#include "support/PgCluster.h"
#include "support/TempStore.h"

#include <QCoreApplication>
#include <QMetaMethod>
#include <QTest>

namespace tarvix::test {

void ServerPassSkipped::serverStore()
{
    QSKIP(qPrintable(QStringLiteral("no PostgreSQL server for the tests: ") + why_));
}

int RunOnBothBackends(QObject& test, int argc, char** argv, const QStringList& fileOnly)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    TempStore::backend = TempStore::Backend::File;
    int failed = QTest::qExec(&test, args);

    QString why;
    if (!PgCluster::Get(&why)) {
        ServerPassSkipped skipped(why);
        return failed + QTest::qExec(&skipped, QStringList{args.first()});
    }
    // Windows the first pass closed go now, so the second starts as a fresh program would.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    TempStore::backend = TempStore::Backend::Server;
    QStringList serverArgs = args;
    if (args.size() == 1) {
        const QMetaObject* meta = test.metaObject();
        for (int m = meta->methodOffset(); m < meta->methodCount(); ++m) {
            const QMetaMethod method = meta->method(m);
            const QString name = QString::fromLatin1(method.name());
            if (method.methodType() != QMetaMethod::Slot || method.access() != QMetaMethod::Private
                || name.endsWith(QLatin1String("_data")) || fileOnly.contains(name)
                || name.startsWith(QLatin1String("init")) || name.startsWith(QLatin1String("cleanup")))
                continue;
            serverArgs << name;
        }
    }
    qInfo("The same tests on a store kept on a PostgreSQL server:");
    failed += QTest::qExec(&test, serverArgs);
    TempStore::backend = TempStore::Backend::File;
    return failed;
}

}  // namespace tarvix::test
