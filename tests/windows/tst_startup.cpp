// The splash window's hand-over, driven tick by tick instead of by a clock.
// Built once per edition: 1.00.0007 hands over at the eleventh tick and stops
// its timer, 1.00.0005 at the tenth and keeps it. An older Access file met at
// the first tick is offered for conversion by the real tarvix-db.
#include "platform/Toolkit.h"
#include "startup/JetConversion.h"
#include "startup/frmLogo.h"
#include "store/Global.h"
#include "support/EndProgramRecorder.h"
#include "support/JetWriter.h"
#include "support/MsgBoxDouble.h"
#include "support/TempStore.h"
#include "support/ToolRun.h"

#include <QInputDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

using namespace tarvix;
using test::bytesOf;
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
        boxes_.clearBoxes();
        end_.clearEnds();
    }
    void cleanup()
    {
        ResetAfterError();
        DBEngine::OnJetFile = nullptr;
        Global::db.reset();
    }

    void noInputHandsOverOnItsTick();
    void inputHandsOverAtOnce_data();
    void inputHandsOverAtOnce();
    void countPassesTopWithMainWindowOpen();
    void unopenableStoreGivesOneBox_data();
    void unopenableStoreGivesOneBox();
    void programEndsWhenTheMainWindowCloses();
    void olderAccessFileIsOfferedForConversion_data();
    void olderAccessFileIsOfferedForConversion();

private:
    test::MsgBoxDouble boxes_;
    test::EndProgramRecorder end_;
    // Each box as "title|style|text".
    QStringList messages() const
    {
        QStringList out;
        for (const test::Box& b : boxes_.boxes)
            out << QStringLiteral("%1|%2|%3").arg(b.title).arg(b.style).arg(b.text);
        return out;
    }
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
    whileModal(
        logo.MainWindow(), [&] { shown = logo.MainWindow().widget()->isVisible(); }, [&] { logo.Timer1_Timer(); });
    QVERIFY(shown);
    QVERIFY(!logo.IsLoaded());  // the splash unloads itself once the main window is closed
    QVERIFY(!Global::db);
    QCOMPARE(messages(), QStringList{});
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
    whileModal(
        logo.MainWindow(),
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
    whileModal(
        logo.MainWindow(),
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
    QCOMPARE(messages(), QStringList{});
}

void StartupTest::unopenableStoreGivesOneBox_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::newRow("missing") << "missing" << err::FileNotFound;
    QTest::newRow("0 bytes") << "empty" << err::NotAStore;
    QTest::newRow("store cut in half") << "truncated" << err::Corrupt;
    QTest::newRow("random bytes") << "random" << err::NotAStore;
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
    QCOMPARE(messages().size(), 1);
    QVERIFY2(messages()[0].contains(QString::number(number)) && messages()[0].contains("Dictionar.mdb"),
             qPrintable(messages()[0]));
    QVERIFY(end_.endedWith && *end_.endedWith != 0);
    // A further tick, or a click, while the error stands raises nothing more.
    Dispatch([&] { logo.Timer1_Timer(); });
    QTest::mouseClick(logo.widget(), Qt::LeftButton);
    QCOMPARE(messages().size(), 1);

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
    whileModal(
        logo.MainWindow(), [] {}, [&] { logo.Form_Click(); });
    QVERIFY(!logo.IsLoaded());
    QVERIFY(!logo.MainWindow().IsLoaded());
}

void StartupTest::olderAccessFileIsOfferedForConversion_data()
{
    QTest::addColumn<QString>(
        "file");  // "header": a Jet signature and nothing else; "foreign": another program's Jet 4 file
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>(
        "tool");  // "found", "nowhere", or a stand-in: "slow" (waits a second), "crashing", "unstartable"
    QTest::addColumn<QString>("says");  // part of the error box; empty: the converted store opens
    const QString refused = QStringLiteral("tarvix-db convert Dictionar.mdb");
    QTest::newRow("older Access file, Nu") << "header" << 4 << vbNo << "found" << refused;
    QTest::newRow("Jet 4 dictionary, Nu") << "dictionary" << 4 << vbNo << "found" << refused;
    QTest::newRow("Jet 3 dictionary, Da") << "dictionary" << 3 << vbYes << "found"
                                          << "";
    QTest::newRow("Jet 4 dictionary, Da, slow") << "dictionary" << 4 << vbYes << "slow"
                                                << "";
    QTest::newRow("Jet 4 dictionary with a password, Da, the password given") << "password" << 4 << vbYes << "found"
                                                                              << "";
    QTest::newRow("Jet 4 file without the dictionary's tables, Da")
        << "foreign" << 4 << vbYes << "found"
        << "Mesajul programului tarvix-db:\nFișierul „Dictionar.mdb” nu are tabela „tblDictionar”";
    QTest::newRow("Jet 4 file without the dictionary's tables, Da, the mapping named")
        << "foreign" << 4 << vbYes << "found"
        << "tarvix-db import-mdb --words TABELĂ:CHEIE:TEXT --chapters";
    QTest::newRow("older Access file, Da") << "header" << 4 << vbYes << "found"
                                           << "este deteriorat sau trunchiat";
    QTest::newRow("tarvix-db nowhere, Da") << "dictionary" << 4 << vbYes << "nowhere"
                                           << "Programul tarvix-db, care face";
    QTest::newRow("tarvix-db killed, Da") << "dictionary" << 4 << vbYes << "crashing"
                                          << "s-a oprit neașteptat";
    QTest::newRow("tarvix-db cannot start, Da") << "dictionary" << 4 << vbYes << "unstartable"
                                                << "nu a putut fi pornit";
}

void StartupTest::olderAccessFileIsOfferedForConversion()
{
    QFETCH(QString, file);
    QFETCH(int, version);
    QFETCH(int, answer);
    QFETCH(QString, tool);
    QFETCH(QString, says);
    TempStore store(false);
    if (file == "header") {
        test::writeFile(store.file(), QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(4096, '\0'));
    } else if (file == "foreign") {
        QVERIFY(QFile::copy(QStringLiteral(TARVIX_TEST_DATA "/testUnicodeCompV2003.mdb"), store.file()));
        QVERIFY(QFile::setPermissions(store.file(), QFile::ReadOwner | QFile::WriteOwner));
    } else {
        test::WriteJetFile(store.file(),
                           test::DictionaryTables({{1, "MĂR"}, {2, "PÂINE"}, {3, "ȘTIINȚĂ"}},
                                                  {{1, "Întâi"}, {2, "Al doilea"}}, {{1, 1}, {2, 1}, {3, 2}}),
                           {.version = version, .password = file == "password" ? "Biologie7" : ""});
    }
    // The password question, answered as the user would: typed, then OK.
    QString passwordAsked;
    QTimer passwordProbe;
    QObject::connect(&passwordProbe, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QInputDialog*>(w); dialog && dialog->isVisible()) {
                passwordAsked = dialog->labelText();
                dialog->setTextValue(QStringLiteral("Biologie7"));
                dialog->accept();
            }
    });
    passwordProbe.start(50);
    const QByteArray before = bytesOf(store.file());
    const QString buildTree = TarvixDbInBuildTree;
    const QByteArray path = qgetenv("PATH");
    auto restore = qScopeGuard([&] {
        TarvixDbInBuildTree = buildTree;
        qputenv("PATH", path);
    });
    QTemporaryDir bin;
    if (tool == "nowhere") {
        TarvixDbInBuildTree.clear();
        qputenv("PATH", QFile::encodeName(store.folder()));
    } else if (tool != "found") {
        const QString standIn = bin.filePath("tarvix-db");
        test::writeFile(standIn, tool == "slow"
                                     ? "#!/bin/sh\ncase \"$*\" in *--original-name*) ;; *) sleep 1 ;; esac\nexec '"
                                           + QFile::encodeName(FindTarvixDb()) + "' \"$@\"\n"
                                 : tool == "crashing" ? QByteArray("#!/bin/sh\nkill -KILL $$\n")
                                                      : QByteArray("#!/nonexistent/sh\n"));
        QVERIFY(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        TarvixDbInBuildTree = standIn;
    }

    boxes_.answer(answer);
    frmLogo logo;
    DBEngine::OnJetFile = [&](const QString& jet) {
        return ConvertJetDictionary(jet, [&](bool wait) { logo.HoldClock(wait); });
    };
    logo.ShowStartup();
    const Timer& clock = logo.control<Timer>("Timer1");
    bool clockHeld = false;
    QTimer probe;  // fires inside the conversion's own event loop, the first one to run
    probe.setSingleShot(true);
    QObject::connect(&probe, &QTimer::timeout, [&] { clockHeld = !clock.Enabled(); });
    probe.start(0);
    QString progressShown;
    QTimer progressProbe;
    progressProbe.setSingleShot(true);
    QObject::connect(&progressProbe, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(w);
                dialog && dialog->isVisible() && dialog->isModal() && dialog->findChildren<QPushButton*>().isEmpty())
                progressShown = dialog->labelText();
    });
    progressProbe.start(800);
    Dispatch([&] { logo.Timer1_Timer(); });

    QVERIFY(boxes_.count() >= 1);
    const test::Box& question = boxes_.boxes[0];
    QCOMPARE(question.style, vbYesNo + vbQuestion);
    QVERIFY2(question.text.contains("„Dictionar.mdb”")
                 && question.text.contains(QDir::toNativeSeparators(store.folder()))
                 && question.text.contains("Originalul se păstrează neschimbat"),
             qPrintable(question.text));
    // The question names the file the original is kept as, when tarvix-db can say it.
    const bool named = tool == "found" || tool == "slow";
    QCOMPARE(question.text.contains(QStringLiteral("ca „Dictionar.original-jet%1.mdb”").arg(version)),
             named && file != "header");
    QVERIFY(clock.Enabled());
    const QStringList left = QDir(store.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (!says.isEmpty()) {
        QCOMPARE(boxes_.count(), 2);
        QCOMPARE(boxes_.last().style, vbCritical);
        QVERIFY2(boxes_.last().text.contains(QString::number(err::NotAStore)) && boxes_.last().text.contains(says),
                 qPrintable(boxes_.last().text));
        QVERIFY(!boxes_.last().text.contains("tarvix-db: "));
        QCOMPARE(end_.statuses(), std::vector<int>{1});
        QVERIFY(!Global::db);
        QCOMPARE(left, QStringList{"Dictionar.mdb"});
        QVERIFY(bytesOf(store.file()) == before);
        return;
    }
    // The report, before the main window: what came over, and the name the original is kept under.
    QCOMPARE(boxes_.count(), 2);
    QVERIFY2(boxes_.last().text.contains("Cuvinte (tabela „tblDictionar”): 3 citite, 3 păstrate, 0 unite cu altele")
                 && boxes_.last().text.contains("Legături: 3 citite, 3 păstrate")
                 && boxes_.last().text.contains(
                     QStringLiteral("Originalul este păstrat ca „Dictionar.original-jet%1.mdb”").arg(version))
                 && boxes_.last().text.contains(version == 3 ? "pagina de cod" : "texte Unicode"),
             qPrintable(boxes_.last().text));
    QCOMPARE(passwordAsked.contains("protejat cu o parolă"), file == "password");
    QVERIFY(!end_.ended());
    QVERIFY(clockHeld);
    QCOMPARE(progressShown.contains("Se aduc datele din „Dictionar.mdb”"), tool == "slow");
    QVERIFY(Global::db);
    const QString original = QStringLiteral("Dictionar.original-jet%1.mdb").arg(version);
    QCOMPARE(left, (QStringList{"Dictionar.mdb", original}));
    QVERIFY(bytesOf(store.folder() + "/" + original) == before);
    QCOMPARE(store.count("tblDictionar"), 3);
    QCOMPARE(store.count("tblCapitol"), 2);
    QCOMPARE(store.count("tblLegatura"), 3);

    QString words, chapters;
    whileModal(
        logo.MainWindow(),
        [&] {
            words = logo.MainWindow().control<Label>("Label4").Caption();
            chapters = logo.MainWindow().control<Label>("Label5").Caption();
        },
        [&] { logo.Form_Click(); });
    QCOMPARE(words, QStringLiteral("3"));
    QCOMPARE(chapters, QStringLiteral("2"));
    QCOMPARE(boxes_.count(), 2);
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
