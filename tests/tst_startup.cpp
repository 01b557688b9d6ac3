// The splash window's hand-over, driven tick by tick instead of by a clock.
// Built once per edition: 1.00.0007 hands over at the eleventh tick and stops
// its timer, 1.00.0005 at the tenth and keeps it.
#include "platform/Toolkit.h"
#include "startup/frmLogo.h"
#include "store/Global.h"
#include "support/TempStore.h"

#include <QtTest>

using namespace tarvix;
using test::TempStore;

namespace {

const bool kOlder = QByteArray(Edition()) == "1.00.0005";
const int kHandOverTick = kOlder ? 10 : 11;

// Runs `inside` once the modal window shown by `show` is up, then closes it.
void whileModal(Form& modal, const std::function<void()>& inside, const std::function<void()>& show)
{
    QTimer::singleShot(0, [&] {
        inside();
        modal.Unload();
    });
    show();
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(tarvix);
        InstallLook();
    }
    void init()
    {
        messages_.clear();
        ended_ = -1;
        MsgBoxHook = [this](const QString& text, int style, const QString& title) {
            messages_ << QStringLiteral("%1|%2|%3").arg(title).arg(style).arg(text);
            return vbOK;
        };
        EndProgramHook = [this](int status) { ended_ = status; };
    }
    void cleanup()
    {
        ResetAfterError();
        MsgBoxHook = nullptr;
        Global::db.reset();
    }

    void noInputHandsOverOnItsTick();
    void inputHandsOverAtOnce_data();
    void inputHandsOverAtOnce();
    void countPassesTopWithMainWindowOpen();
    void unopenableStoreGivesOneBox_data();
    void unopenableStoreGivesOneBox();
    void programEndsWhenTheMainWindowCloses();

private:
    QStringList messages_;
    int ended_ = -1;
};

void StartupTest::noInputHandsOverOnItsTick()
{
    TempStore store;
    frmLogo logo;
    logo.ShowStartup();
    QVERIFY(!Global::db);
    logo.Timer1_Timer();  // the first tick loads the main window, hidden, and opens the store
    QVERIFY(Global::db);
    QVERIFY(logo.MainWindow().IsLoaded());
    QVERIFY(!logo.MainWindow().widget()->isVisible());
    for (int tick = 2; tick < kHandOverTick; ++tick)
        logo.Timer1_Timer();
    QVERIFY(!logo.MainWindow().widget()->isVisible());

    bool shown = false;
    whileModal(logo.MainWindow(), [&] { shown = logo.MainWindow().widget()->isVisible(); },
               [&] { logo.Timer1_Timer(); });
    QVERIFY(shown);
    QVERIFY(!logo.IsLoaded());  // the splash unloads itself once the main window is closed
    QVERIFY(!Global::db);
    QCOMPARE(messages_, QStringList{});
}

void StartupTest::inputHandsOverAtOnce_data()
{
    QTest::addColumn<int>("ticksBefore");
    QTest::addColumn<bool>("byKey");
    QTest::newRow("click before the first tick") << 0 << false;
    QTest::newRow("key before the first tick") << 0 << true;
    QTest::newRow("click after three ticks") << 3 << false;
    QTest::newRow("key after one tick") << 1 << true;
}

void StartupTest::inputHandsOverAtOnce()
{
    QFETCH(int, ticksBefore);
    QFETCH(bool, byKey);
    TempStore store;
    frmLogo logo;
    logo.ShowStartup();
    for (int i = 0; i < ticksBefore; ++i)
        logo.Timer1_Timer();
    Database* openedByTicks = Global::db.get();

    bool shown = false;
    Database* openAtHandOver = nullptr;
    whileModal(logo.MainWindow(),
               [&] {
                   shown = logo.MainWindow().widget()->isVisible();
                   openAtHandOver = Global::db.get();
               },
               [&] {
                   if (byKey)
                       QTest::keyClick(logo.widget(), Qt::Key_A);
                   else
                       QTest::mouseClick(logo.widget(), Qt::LeftButton);
               });
    QVERIFY(shown);
    QVERIFY(openAtHandOver);
    if (ticksBefore > 0)
        QCOMPARE(openAtHandOver, openedByTicks);  // the load step ran only once
    QVERIFY(!logo.IsLoaded());
}

void StartupTest::countPassesTopWithMainWindowOpen()
{
    TempStore store;
    frmLogo logo;
    logo.ShowStartup();
    logo.Timer1_Timer();
    bool stillOpen = true;
    whileModal(logo.MainWindow(),
               [&] {
                   // About an hour of ticks under the open main window: no overflow, no second hand-over.
                   for (int i = 0; i < 4000; ++i)
                       Dispatch([&] { logo.Timer1_Timer(); });
                   stillOpen = logo.IsLoaded() && logo.MainWindow().widget()->isVisible();
               },
               [&] { logo.Form_Click(); });
    QVERIFY(stillOpen);
    QCOMPARE(logo.TickCount(), std::uint8_t(255));
    QCOMPARE(ErrorRaised(), false);
    QCOMPARE(messages_, QStringList{});
}

void StartupTest::unopenableStoreGivesOneBox_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::newRow("missing") << "missing" << err::FileNotFound;
    QTest::newRow("0 bytes") << "empty" << err::NotAStore;
    QTest::newRow("store cut in half") << "truncated" << err::Corrupt;
    QTest::newRow("random bytes") << "random" << err::NotAStore;
    QTest::newRow("older Access file") << "access" << err::NotAStore;
    QTest::newRow("text file") << "text" << err::NotAStore;
    QTest::newRow("a table missing") << "no table" << err::NotAStore;
    QTest::newRow("a field missing") << "no field" << err::NotAStore;
    QTest::newRow("locked by another copy") << "locked" << err::Locked;
}

void StartupTest::unopenableStoreGivesOneBox()
{
    QFETCH(QString, kind);
    QFETCH(int, number);
    TempStore store(kind != "missing");
    std::unique_ptr<Database> holder;
    const int timeout = DBEngine::BusyTimeoutMs;
    DBEngine::BusyTimeoutMs = 200;
    auto write = [&](const QByteArray& bytes) {
        QFile f(store.file());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    if (kind == "truncated") {
        for (int i = 0; i < 300; ++i)
            store.addWord(QString("CUVANT %1").arg(i));
        store.other().Close();
        QFile f(store.file());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();
        f.close();
        write(all.left(all.size() / 2));
    } else if (kind == "empty") {
        write({});
    } else if (kind == "random") {
        QByteArray bytes(8192, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919 + 13) % 251);
        write(bytes);
    } else if (kind == "access") {
        write(QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(4096, '\0'));
    } else if (kind == "text") {
        write("cuvânt,capitol\nARBORE,GRAFURI\n");
    } else if (kind == "no table") {
        store.other().ExecuteScript("DROP TABLE tblLegatura");
        store.other().Close();
    } else if (kind == "no field") {
        store.other().ExecuteScript("ALTER TABLE tblCapitol RENAME COLUMN Capitol TO Titlu");
        store.other().Close();
    } else if (kind == "locked") {
        holder = DBEngine().OpenDatabase(store.file());
        holder->ExecuteScript("PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE");
    }
    QByteArray before;
    if (QFile::exists(store.file())) {
        QFile f(store.file());
        QVERIFY(f.open(QIODevice::ReadOnly));
        before = f.readAll();
    }

    frmLogo logo;
    logo.ShowStartup();
    Dispatch([&] { logo.Timer1_Timer(); });
    DBEngine::BusyTimeoutMs = timeout;
    QCOMPARE(messages_.size(), 1);
    QVERIFY2(messages_[0].contains(QString::number(number)) && messages_[0].contains("Dictionar.mdb"),
             qPrintable(messages_[0]));
    QVERIFY(ended_ != 0 && ended_ != -1);
    // A further tick, or a click, while the error stands raises nothing more.
    Dispatch([&] { logo.Timer1_Timer(); });
    QTest::mouseClick(logo.widget(), Qt::LeftButton);
    QCOMPARE(messages_.size(), 1);

    holder.reset();
    QCOMPARE(QFile::exists(store.file()), kind != "missing");  // never made
    if (kind != "missing") {
        QFile f(store.file());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll() == before);  // nor changed
    }
}

void StartupTest::programEndsWhenTheMainWindowCloses()
{
    TempStore store;
    frmLogo logo;
    logo.ShowStartup();
    whileModal(logo.MainWindow(), [] {}, [&] { logo.Form_Click(); });
    QVERIFY(!logo.IsLoaded());
    QVERIFY(!logo.MainWindow().IsLoaded());
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
