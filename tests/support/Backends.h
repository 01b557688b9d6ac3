// One test class run against both stores: the SQLite file, then the same store
// on a PostgreSQL server (a throwaway cluster), TempStore making each kind.
#pragma once

#include <QObject>
#include <QStringList>

namespace tarvix::test {

// Runs test's functions on the file store, then those not in fileOnly on a
// server store; the server pass is skipped, with the reason, when no cluster
// can start. Named functions on the command line run in both passes.
int RunOnBothBackends(QObject& test, int argc, char** argv, const QStringList& fileOnly = {});

// Stands for the server pass when no cluster can start: its one function skips with the reason.
class ServerPassSkipped : public QObject {
    Q_OBJECT
public:
    explicit ServerPassSkipped(QString why) : why_(std::move(why)) {}
private slots:
    void serverStore();

private:
    QString why_;
};

}  // namespace tarvix::test

// main() for a test class run on both stores; Application is QCoreApplication or QApplication.
#define TARVIX_TEST_BOTH_BACKENDS(TestClass, Application, ...)                                                         \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        Application app(argc, argv);                                                                                   \
        TestClass tc;                                                                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return tarvix::test::RunOnBothBackends(tc, argc, argv, QStringList{__VA_ARGS__});                              \
    }
