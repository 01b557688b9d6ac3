// The real program started where no window can be shown: a Romanian sentence
// on standard error and status 1, not Qt's abort.
#include <QProcess>
#include <QtTest>

class StartupSessionTest : public QObject {
    Q_OBJECT

private slots:
    void noGraphicalSession_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::newRow("no display") << QString();
        QTest::newRow("wayland without its plugin") << QStringLiteral("wayland");
    }
    void noGraphicalSession()
    {
        QFETCH(QString, platform);
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        if (!platform.isEmpty()) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
            env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-tarvix-none"));
        }
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(TARVIX_PROGRAM), {});
        QVERIFY(p.waitForFinished(30000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(err.contains(QStringLiteral("Tarvix are nevoie de o sesiune grafică")), qPrintable(err));
        QVERIFY2(!err.contains(QStringLiteral("This application failed to start")), qPrintable(err));
        if (!platform.isEmpty())
            QVERIFY2(err.contains(QStringLiteral("„wayland”")), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(StartupSessionTest)
#include "tst_startup_session.moc"
