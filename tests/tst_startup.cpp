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

void StartupTest::unopenableStoreGivesOneBox()
{
    TempStore folderOnly(false);
    frmLogo logo;
    logo.ShowStartup();
    Dispatch([&] { logo.Timer1_Timer(); });
    QCOMPARE(messages_.size(), 1);
    QVERIFY2(messages_[0].contains("3024") && messages_[0].contains("Dictionar.mdb"), qPrintable(messages_[0]));
    QVERIFY(ended_ != 0 && ended_ != -1);
    // A further tick, or a click, while the error stands raises nothing more.
    Dispatch([&] { logo.Timer1_Timer(); });
    QTest::mouseClick(logo.widget(), Qt::LeftButton);
    QCOMPARE(messages_.size(), 1);
    QVERIFY(!QFile::exists(folderOnly.file()));
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
