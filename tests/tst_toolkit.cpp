// The toolkit's event rules, driven through real widgets.
#include "platform/Engine.h"
#include "platform/Toolkit.h"
#include "support/MsgBoxRecorder.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tarvix;
using tarvix::test::EndProgramRecorder;
using tarvix::test::MsgBoxRecorder;

namespace {

const FormDesign kMainDesign{.caption = "Încercare", .clientWidth = 8055, .clientHeight = 3750, .taskbar = true};

const ControlDef kMainControls[] = {
    // name        kind                 parent    caption          left  top   width  height  properties
    {"Frame1", Kind::Frame, "", "", 60, 0, 5475, 1035, {.tabIndex = 0}},
    {"Label1", Kind::Label, "Frame1", "Cuvânt cheie:", 120, 480, 0, 0, {}},
    {"Text1", Kind::TextBox, "Frame1", "Text1", 1260, 420, 4035, 315, {.tabIndex = 1, .maxLength = 5}},
    {"Command1", Kind::CommandButton, "", "&Cautã", 6180, 120, 1815, 375, {.tabIndex = 3, .isDefault = true}},
    {"Command2", Kind::CommandButton, "", "Î&nchide", 6180, 600, 1815, 375, {.tabIndex = 4, .isCancel = true}},
    {"Frame2", Kind::Frame, "", "Rezultate: ", 60, 1140, 7935, 1935, {.tabIndex = 5}},
    {"List1", Kind::ListBox, "Frame2", "", 180, 300, 7575, 1200, {.tabIndex = 6, .sorted = true}},
    {"Label7", Kind::Label, "Frame2", "Label7", 7140, 1620, 0, 0, {.bold = true}},
    {"Command3", Kind::CommandButton, "", "&Dictionar", 6180, 3240, 1815, 375, {.tabIndex = 9}},
    {"Combo1", Kind::ComboBox, "", "", 120, 3240, 3000, 315, {.tabIndex = 10, .sorted = true}},
    {"Timer1", Kind::Timer, "", "", 0, 0, 0, 0, {.interval = 20}},
};

// Logs every event it gets, so tests can check order.
class MainForm : public Form {
public:
    MainForm() : Form(kMainDesign, kMainControls) {
        Text1.Change = [this] { log << "Text1_Change"; };
        Text1.KeyPress = [this](std::int16_t& k) {
            log << QStringLiteral("Text1_KeyPress %1").arg(k);
            if (onKeyPress) onKeyPress(k);
        };
        Text1.LostFocus = [this] { log << "Text1_LostFocus"; };
        Command1.Click = [this] {
            log << "Command1_Click";
            if (onCommand1) onCommand1();
        };
        Command2.Click = [this] {
            log << "Command2_Click";
            Unload();
        };
        Command3.Click = [this] {
            log << "Command3_Click";
            if (onCommand3) onCommand3();
        };
        List1.Click = [this] { log << QStringLiteral("List1_Click %1").arg(List1.ListIndex()); };
        Combo1.Click = [this] { log << QStringLiteral("Combo1_Click %1").arg(Combo1.ListIndex()); };
        Timer1.Tick = [this] {
            ++ticks;
            if (onTick) onTick();
        };
    }

    Frame& Frame1 = control<Frame>("Frame1");
    Label& Label1 = control<Label>("Label1");
    TextBox& Text1 = control<TextBox>("Text1");
    CommandButton& Command1 = control<CommandButton>("Command1");
    CommandButton& Command2 = control<CommandButton>("Command2");
    CommandButton& Command3 = control<CommandButton>("Command3");
    ListBox& List1 = control<ListBox>("List1");
    Label& Label7 = control<Label>("Label7");
    ComboBox& Combo1 = control<ComboBox>("Combo1");
    Timer& Timer1 = control<Timer>("Timer1");

    QStringList log;
    int ticks = 0;
    std::function<void(std::int16_t&)> onKeyPress;
    std::function<void()> onCommand1, onCommand3, onTick, onLoad, onActivate;

protected:
    void Form_Load() override {
        log << "Main_Load";
        if (onLoad) onLoad();
    }
    void Form_Activate() override {
        log << "Main_Activate";
        if (onActivate) onActivate();
    }
    void Form_Unload() override { log << "Main_Unload"; }
};

const FormDesign kChildDesign{.caption = "Copil", .clientWidth = 4500, .clientHeight = 1500};

const ControlDef kChildControls[] = {
    {"Label1", Kind::Label, "", "Nume:", 120, 120, 0, 0, {}},
    {"Text1", Kind::TextBox, "", "", 1200, 120, 2000, 315, {.tabIndex = 2, .locked = true}},
    {"Command1", Kind::CommandButton, "", "&Gata", 120, 600, 1815, 375, {.tabIndex = 0, .enabled = false}},
    {"Command2", Kind::CommandButton, "", "&Bine", 2000, 600, 1815, 375, {.tabIndex = 1, .visible = false}},
};

// No Cancel button: Esc must do nothing.
class ChildForm : public Form {
public:
    explicit ChildForm(QStringList& log) : Form(kChildDesign, kChildControls), log_(log) {
        Command1.Click = [this] { log_ << "Child_Command1"; };
    }
    Label& Label1 = control<Label>("Label1");
    TextBox& Text1 = control<TextBox>("Text1");
    CommandButton& Command1 = control<CommandButton>("Command1");
    std::function<void()> onActivate;

protected:
    void Form_Load() override { log_ << "Child_Load"; }
    void Form_Activate() override {
        log_ << "Child_Activate";
        if (onActivate) onActivate();
    }
    void Form_Unload() override { log_ << "Child_Unload"; }

private:
    QStringList& log_;
};

const FormDesign kSplashDesign{.caption = "Form1", .clientWidth = 6000, .clientHeight = 2985, .border = Border::None};
const ControlDef kSplashControls[] = {
    {"Timer1", Kind::Timer, "", "", 0, 0, 0, 0, {.interval = 1000}},
};

class SplashForm : public Form {
public:
    SplashForm() : Form(kSplashDesign, kSplashControls) {}
    QStringList log;

protected:
    void Form_Click() override { log << "Form_Click"; }
    void Form_KeyPress(std::int16_t& k) override { log << QStringLiteral("Form_KeyPress %1").arg(k); }
};

// Runs body once the modal Show of form has started, then unloads the form.
void whileShown(Form& form, const std::function<void()>& body) {
    QTimer::singleShot(0, [&form, body] {
        QVERIFY(QTest::qWaitForWindowActive(form.widget()));
        body();
        form.Unload();
    });
    form.Show();
}

QLineEdit* edit(TextBox& box) { return static_cast<QLineEdit*>(box.widget()); }

// Opens the window modeless, active, with the first control focused.
void open(Form& form) {
    form.ShowStartup();
    QVERIFY(QTest::qWaitForWindowActive(form.widget()));
}

}  // namespace

class TstToolkit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallLook(); }

    void textFromCodeRaisesChangeOnlyWhenDifferent_data();
    void textFromCodeRaisesChangeOnlyWhenDifferent();
    void typingPassesKeyPressThenChange();
    void keyPressReplacesOrDrops_data();
    void keyPressReplacesOrDrops();
    void backspacePassesKeyPressAndDeletes();
    void typingStopsAtMaxLength();
    void pasteSkipsKeyPress();
    void enterClicksDefaultWithoutMovingFocus();
    void enterOnFocusedButtonClicksThatButton();
    void enterWithDisabledDefaultDoesNothing();
    void mouseClickRunsLostFocusBeforeClick();
    void accessKeyClicksButton();
    void escapeClicksCancel();
    void escapeWithoutCancelKeepsWindow();
    void settingDefaultClearsOthers();
    void modalShowActivatesOpenerAgain();
    void messageBoxRaisesNoActivate();
    void realMessageBoxButtonsAreRomanian_data();
    void realMessageBoxButtonsAreRomanian();
    void visibleLoadsWithoutShowing();
    void closeBoxUnloadsLikeUnload();
    void reloadStartsFromDesignState();
    void showOfShownWindowIsAnError();
    void firstFocusableControlTakesFocus();
    void lockedBoxCanTakeFirstFocus();
    void timerTicksUnderModalWindow();
    void unloadedTimerStopsTicking();
    void timerStopsWithItsWindow();
    void sortedListRomanianOrder_data();
    void sortedListRomanianOrder();
    void newIndexAndItemDataStayWithItem();
    void equalTextsKeepArrivalOrder();
    void fullListSortedWithItsData();
    void unloadFromOwnHandlerEndsShow();
    void unsortedListKeepsArrivalOrder();
    void listIndexWriteSelectsAndClicks_data();
    void listIndexWriteSelectsAndClicks();
    void listIndexOutOfRangeIsAnError_data();
    void listIndexOutOfRangeIsAnError();
    void userPickRaisesClick();
    void viewShowsSortedItems();
    void clearEmptiesListAndNewIndex();
    void comboTextSelectsItem();
    void comboTextOfNoItemIsAnError();
    void comboUserPickRaisesClick();
    void errorInHandlerShowsOneBoxAndEnds_data();
    void errorInHandlerShowsOneBoxAndEnds();
    void errorInNestedEventStopsOuterHandler();
    void errorEndsModalShow();
    void wrongControlKindIsAnError();
    void accessibleNamesComeFromCaptions();
    void lookFollowsDesign();
    void splashTakesClickAndKeys();
    void qtTextsAreRomanian();
    void collationOrder_data();
    void collationOrder();
    void textFunctions_data();
    void textFunctions();
    void valLeadingNumber_data();
    void valLeadingNumber();
};

void TstToolkit::textFromCodeRaisesChangeOnlyWhenDifferent_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("changes");
    QTest::newRow("same text twice") << "ABC" << "ABC" << 1;
    QTest::newRow("different texts") << "ABC" << "ABD" << 2;
    QTest::newRow("case differs") << "abc" << "ABC" << 2;
    QTest::newRow("design text again") << "Text1" << "Text1" << 0;
    QTest::newRow("to empty") << "" << "" << 1;
}

void TstToolkit::textFromCodeRaisesChangeOnlyWhenDifferent() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, changes);
    MainForm f;
    f.Load();
    f.log.clear();
    f.Text1.setText(first);
    f.Text1.setText(second);
    QCOMPARE(f.log.count("Text1_Change"), changes);
    QCOMPARE(f.Text1.Text(), second);
    f.Unload();
}

void TstToolkit::typingPassesKeyPressThenChange() {
    MainForm f;
    f.Load();
    f.Text1.setText("");
    open(f);
    f.log.clear();
    QTest::keyClicks(edit(f.Text1), "ab");
    QCOMPARE(f.log, QStringList({"Text1_KeyPress 97", "Text1_Change", "Text1_KeyPress 98", "Text1_Change"}));
    QCOMPARE(f.Text1.Text(), QString("ab"));
    f.Unload();
}

void TstToolkit::keyPressReplacesOrDrops_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("dropX");
    QTest::newRow("upper case") << "abc" << "ABC" << false;
    QTest::newRow("romanian letters") << QString("ăîșţş") << QString("ĂÎȘŢŞ") << false;
    QTest::newRow("more romanian letters") << QString("âțã") << QString("ÂȚÃ") << false;
    QTest::newRow("digits pass") << "a1b" << "A1B" << false;
    QTest::newRow("dropped x") << "axb" << "AB" << true;
}

void TstToolkit::keyPressReplacesOrDrops() {
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(bool, dropX);
    MainForm f;
    f.onKeyPress = [dropX](std::int16_t& k) {
        if (dropX && k == 'x') {
            k = 0;
            return;
        }
        k = AscW(UCase(ChrW(k)));
    };
    f.Load();
    f.Text1.setText("");
    open(f);
    f.log.clear();
    for (QChar c : typed) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit(f.Text1), &press);
    }
    QCOMPARE(f.Text1.Text(), expected);
    QCOMPARE(f.log.count("Text1_Change"), expected.size());
    f.Unload();
}

void TstToolkit::backspacePassesKeyPressAndDeletes() {
    MainForm f;
    f.Load();
    f.Text1.setText("AB");
    open(f);
    edit(f.Text1)->end(false);
    f.log.clear();
    QTest::keyClick(edit(f.Text1), Qt::Key_Backspace);
    QCOMPARE(f.log.value(0), QString("Text1_KeyPress 8"));
    QCOMPARE(f.Text1.Text(), QString("A"));
    f.Unload();
}

void TstToolkit::typingStopsAtMaxLength() {
    MainForm f;
    f.Load();
    f.Text1.setText("");
    open(f);
    QCOMPARE(f.Text1.MaxLength(), 5);
    QTest::keyClicks(edit(f.Text1), "abcdefgh");
    QCOMPARE(f.Text1.Text(), QString("abcde"));
    f.Unload();
}

void TstToolkit::pasteSkipsKeyPress() {
    MainForm f;
    f.onKeyPress = [](std::int16_t& k) { k = AscW(UCase(ChrW(k))); };
    f.Load();
    f.Text1.setText("");
    open(f);
    QGuiApplication::clipboard()->setText("abc");
    if (QGuiApplication::clipboard()->text() != "abc") QSKIP("no clipboard on this platform");
    f.log.clear();
    QTest::keyClick(edit(f.Text1), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.Text1.Text(), QString("abc"));
    QCOMPARE(f.log, QStringList({"Text1_Change"}));
    f.Unload();
}

void TstToolkit::enterClicksDefaultWithoutMovingFocus() {
    MainForm f;
    f.Load();
    f.Text1.setText("X");
    open(f);
    QVERIFY(edit(f.Text1)->hasFocus());
    f.log.clear();
    QTest::keyClick(edit(f.Text1), Qt::Key_Return);
    QCOMPARE(f.log, QStringList({"Text1_KeyPress 13", "Command1_Click"}));
    QVERIFY(edit(f.Text1)->hasFocus());
    f.log.clear();
    f.onKeyPress = [](std::int16_t& k) { if (k == 13) k = 0; };
    QTest::keyClick(edit(f.Text1), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(f.log, QStringList({"Text1_KeyPress 13"}));
    f.Unload();
}

void TstToolkit::enterOnFocusedButtonClicksThatButton() {
    MainForm f;
    open(f);
    f.Command3.SetFocus();
    f.log.clear();
    QTest::keyClick(f.Command3.widget(), Qt::Key_Return);
    QCOMPARE(f.log, QStringList({"Command3_Click"}));
    // From the list, Enter goes to the default button.
    f.List1.widget()->setFocus();
    f.log.clear();
    QTest::keyClick(f.List1.widget(), Qt::Key_Return);
    QCOMPARE(f.log, QStringList({"Command1_Click"}));
    f.Unload();
}

void TstToolkit::enterWithDisabledDefaultDoesNothing() {
    MainForm f;
    open(f);
    f.Command1.setEnabled(false);
    f.log.clear();
    QTest::keyClick(edit(f.Text1), Qt::Key_Return);
    QCOMPARE(f.log, QStringList({"Text1_KeyPress 13"}));
    QVERIFY(f.Visible());
    f.Unload();
}

void TstToolkit::mouseClickRunsLostFocusBeforeClick() {
    MainForm f;
    open(f);
    QVERIFY(edit(f.Text1)->hasFocus());
    f.log.clear();
    QTest::mouseClick(f.Command1.widget(), Qt::LeftButton);
    QCOMPARE(f.log, QStringList({"Text1_LostFocus", "Command1_Click"}));
    QVERIFY(f.Command1.widget()->hasFocus());
    f.Unload();
}

void TstToolkit::accessKeyClicksButton() {
    MainForm f;
    open(f);
    f.log.clear();
    QTest::keyClick(f.widget(), Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY(f.log.contains("Command3_Click"));
    QCOMPARE(f.log.first(), QString("Text1_LostFocus"));
    f.Unload();
}

void TstToolkit::escapeClicksCancel() {
    MainForm f;
    open(f);
    f.log.clear();
    QTest::keyClick(edit(f.Text1), Qt::Key_Escape);
    QCOMPARE(f.log, QStringList({"Command2_Click", "Main_Unload"}));
    QVERIFY(!f.IsLoaded());
    QVERIFY(f.widget()->isHidden());
}

void TstToolkit::escapeWithoutCancelKeepsWindow() {
    QStringList log;
    ChildForm c(log);
    bool stillShown = false;
    whileShown(c, [&] {
        QTest::keyClick(c.Text1.widget(), Qt::Key_Escape);
        QTest::keyClick(c.widget(), Qt::Key_Escape);
        stillShown = c.IsLoaded() && c.widget()->isVisible();
    });
    QVERIFY(stillShown);
    QVERIFY(!log.contains("Child_Command1"));
    // Enter with no enabled default either: nothing.
    QCOMPARE(log, QStringList({"Child_Load", "Child_Activate", "Child_Unload"}));
}

void TstToolkit::settingDefaultClearsOthers() {
    MainForm f;
    f.Load();
    QVERIFY(f.Command1.Default());
    f.Command3.setDefault(true);
    QVERIFY(f.Command3.Default());
    QVERIFY(!f.Command1.Default());
    QVERIFY(static_cast<QPushButton*>(f.Command3.widget())->isDefault());
    QVERIFY(!static_cast<QPushButton*>(f.Command1.widget())->isDefault());
    open(f);
    f.log.clear();
    QTest::keyClick(edit(f.Text1), Qt::Key_Return);
    QCOMPARE(f.log, QStringList({"Text1_KeyPress 13", "Command3_Click"}));
    f.Unload();
}

void TstToolkit::modalShowActivatesOpenerAgain() {
    MainForm f;
    ChildForm c(f.log);
    bool childModal = false;
    f.onCommand3 = [&] {
        c.Show();
        f.log << "Show returned";
    };
    c.onActivate = [&] {
        childModal = QApplication::activeModalWidget() == c.widget();
        QTimer::singleShot(0, [&] { c.Unload(); });
    };
    f.onActivate = [&] {
        static int n = 0;
        if (++n == 1)
            QTimer::singleShot(0, [&] {
                QVERIFY(QTest::qWaitForWindowActive(f.widget()));
                QTest::mouseClick(f.Command3.widget(), Qt::LeftButton);
            });
        else QTimer::singleShot(0, [&] { f.Unload(); });
    };
    f.Show();
    QCOMPARE(f.log, QStringList({"Main_Load", "Main_Activate", "Text1_LostFocus", "Command3_Click", "Child_Load",
                                 "Child_Activate", "Child_Unload", "Main_Activate", "Show returned", "Main_Unload"}));
    QVERIFY(childModal);
    QVERIFY(!c.IsLoaded());
    QVERIFY(!f.IsLoaded());
}

void TstToolkit::messageBoxRaisesNoActivate() {
    MainForm f;
    int answer = 0;
    f.onCommand3 = [&] {
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box) box->defaultButton()->click();
        });
        answer = MsgBox("Sigur?", vbYesNo + vbQuestion, "Întrebare");
    };
    whileShown(f, [&] { QTest::mouseClick(f.Command3.widget(), Qt::LeftButton); });
    QCOMPARE(answer, vbYes);
    QCOMPARE(f.log.count("Main_Activate"), 1);
}

void TstToolkit::realMessageBoxButtonsAreRomanian_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::newRow("48 OK exclamation") << 48 << QStringList({"OK"}) << QMessageBox::Warning;
    QTest::newRow("20 yes no stop") << 20 << QStringList({"Da", "Nu"}) << QMessageBox::Critical;
    QTest::newRow("36 yes no question") << 36 << QStringList({"Da", "Nu"}) << QMessageBox::Question;
}

void TstToolkit::realMessageBoxButtonsAreRomanian() {
    QFETCH(int, style);
    QFETCH(QStringList, buttons);
    QFETCH(QMessageBox::Icon, icon);
    QStringList seen;
    QString title, defaultText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        for (auto* b : box->buttons()) seen << b->text();
        title = box->windowTitle();
        seenIcon = box->icon();
        defaultText = box->defaultButton()->text();
        for (auto* b : box->buttons())
            if (b->text() == buttons.last()) b->click();
    });
    const int answer = MsgBox("Text", style, "Titlu");
    std::sort(seen.begin(), seen.end());
    QStringList expected = buttons;
    std::sort(expected.begin(), expected.end());
    QCOMPARE(seen, expected);
    QCOMPARE(title, QString("Titlu"));
    QCOMPARE(seenIcon, icon);
    QCOMPARE(defaultText, buttons.first());
    // The click went to the last button: "Nu" or "OK".
    QCOMPARE(answer, buttons.size() > 1 ? vbNo : vbOK);
}

void TstToolkit::visibleLoadsWithoutShowing() {
    MainForm f;
    QVERIFY(!f.IsLoaded());
    QVERIFY(!f.Visible());
    QVERIFY(f.IsLoaded());
    QVERIFY(f.widget()->isHidden());
    QCOMPARE(f.log, QStringList({"Main_Load"}));
    QVERIFY(!f.Visible());
    whileShown(f, [&] { QVERIFY(f.Visible()); });
    QCOMPARE(f.log.count("Main_Load"), 1);
    QCOMPARE(f.log.count("Main_Activate"), 1);
}

void TstToolkit::closeBoxUnloadsLikeUnload() {
    MainForm f;
    bool returned = false;
    QTimer::singleShot(0, [&] { f.widget()->close(); });
    f.Show();
    returned = true;
    QVERIFY(returned);
    QVERIFY(!f.IsLoaded());
    QCOMPARE(f.log.last(), QString("Main_Unload"));
    QCOMPARE(f.log.count("Main_Unload"), 1);
}

void TstToolkit::reloadStartsFromDesignState() {
    MainForm f;
    f.Load();
    f.Command1.setEnabled(false);
    f.Command3.setDefault(true);
    f.Text1.setText("ABC");
    f.Text1.setLocked(true);
    f.Label7.setCaption("3");
    f.List1.AddItem("X");
    f.Timer1.Unload();
    f.Unload();
    f.log.clear();
    f.Load();
    QVERIFY(f.Command1.Enabled());
    QVERIFY(f.Command1.Default());
    QVERIFY(!f.Command3.Default());
    QCOMPARE(f.Text1.Text(), QString("Text1"));
    QVERIFY(!f.Text1.Locked());
    QCOMPARE(f.Label7.Caption(), QString("Label7"));
    QCOMPARE(f.List1.ListCount(), std::int16_t(0));
    QCOMPARE(f.log, QStringList({"Main_Load"}));  // no Change while resetting
    QTRY_VERIFY(f.ticks > 0);
    f.Unload();
}

void TstToolkit::showOfShownWindowIsAnError() {
    MainForm f;
    int number = 0;
    whileShown(f, [&] {
        try {
            f.Show();
        } catch (const EngineError& e) {
            number = e.Number();
        }
    });
    QCOMPARE(number, tkerr::AlreadyShown);
}

void TstToolkit::firstFocusableControlTakesFocus() {
    MainForm f;
    f.onLoad = [&] { f.Text1.setEnabled(false); };
    QWidget* focused = nullptr;
    whileShown(f, [&] { focused = QApplication::focusWidget(); });
    QCOMPARE(focused, f.Command1.widget());  // Frame1 and the disabled Text1 are skipped
}

void TstToolkit::lockedBoxCanTakeFirstFocus() {
    QStringList log;
    ChildForm c(log);
    QWidget* focused = nullptr;
    whileShown(c, [&] { focused = QApplication::focusWidget(); });
    // Command1 (tab 0) is disabled, Command2 (tab 1) hidden: the locked Text1 (tab 2) gets it.
    QCOMPARE(focused, c.Text1.widget());
    QVERIFY(c.Text1.Locked());
}

void TstToolkit::timerTicksUnderModalWindow() {
    MainForm f;
    QStringList log;
    ChildForm c(log);
    f.Load();
    c.onActivate = [&] {
        const int before = f.ticks;
        QTimer::singleShot(0, [&, before] {
            QTRY_VERIFY(f.ticks >= before + 3);
            c.Unload();
        });
    };
    c.Show();
    QVERIFY(f.ticks >= 3);
    f.Unload();
}

void TstToolkit::unloadedTimerStopsTicking() {
    MainForm f;
    f.onTick = [&] { f.Timer1.Unload(); };
    f.Load();
    QTRY_COMPARE(f.ticks, 1);
    QTest::qWait(100);
    QCOMPARE(f.ticks, 1);
    f.Unload();
}

void TstToolkit::timerStopsWithItsWindow() {
    MainForm f;
    f.Load();
    QTRY_VERIFY(f.ticks > 0);
    f.Unload();
    const int after = f.ticks;
    QTest::qWait(100);
    QCOMPARE(f.ticks, after);
}

void TstToolkit::sortedListRomanianOrder_data() {
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("a family") << QStringList({"B", "Â", "A", "Ă"}) << QStringList({"A", "Ă", "Â", "B"});
    QTest::newRow("i family") << QStringList({"J", "Î", "I"}) << QStringList({"I", "Î", "J"});
    QTest::newRow("s and t") << QStringList({"U", "Ț", "T", "Ș", "S"}) << QStringList({"S", "Ș", "T", "Ț", "U"});
    QTest::newRow("cedilla beside comma") << QStringList({"ȘA", "SZ", "ŞB", "T"})
                                           << QStringList({"SZ", "ȘA", "ŞB", "T"});
    QTest::newRow("t cedilla") << QStringList({"ŢC", "ȚB", "TZ", "U"}) << QStringList({"TZ", "ȚB", "ŢC", "U"});
    QTest::newRow("words") << QStringList({"ȘTIINȚĂ", "SUD", "ÎNCEPUT", "INIMĂ", "ZEU", "ĂSTA", "AZI"})
                           << QStringList({"AZI", "ĂSTA", "INIMĂ", "ÎNCEPUT", "SUD", "ȘTIINȚĂ", "ZEU"});
    QTest::newRow("digits and blanks first") << QStringList({"A", "1", " B", "0"}) << QStringList({" B", "0", "1", "A"});
    QTest::newRow("prefix first") << QStringList({"ABC", "AB", "A"}) << QStringList({"A", "AB", "ABC"});
    QTest::newRow("case beside") << QStringList({"b", "B", "a", "A"}) << QStringList({"A", "a", "B", "b"});
    QTest::newRow("blank inside") << QStringList({"AB", "A B", "AA"}) << QStringList({"A B", "AA", "AB"});
}

void TstToolkit::sortedListRomanianOrder() {
    QFETCH(QStringList, added);
    QFETCH(QStringList, sorted);
    MainForm f;
    f.Load();
    for (const QString& s : added) f.List1.AddItem(s);
    QStringList got;
    for (std::int16_t i = 0; i < f.List1.ListCount(); ++i) got << f.List1.List(i);
    QCOMPARE(got, sorted);
    // The combo sorts the same way.
    for (const QString& s : added) f.Combo1.AddItem(s);
    got.clear();
    for (std::int16_t i = 0; i < f.Combo1.ListCount(); ++i) got << f.Combo1.List(i);
    QCOMPARE(got, sorted);
    f.Unload();
}

void TstToolkit::newIndexAndItemDataStayWithItem() {
    MainForm f;
    f.Load();
    const QStringList texts{"MERE", "ALUNE", "ZMEURĂ", "CAISE", "ĂLA"};
    for (int i = 0; i < texts.size(); ++i) {
        f.List1.AddItem(texts[i]);
        f.List1.setItemData(f.List1.NewIndex(), 100 + i);
        QCOMPARE(f.List1.List(f.List1.NewIndex()), texts[i]);
        QCOMPARE(f.List1.ItemData(f.List1.NewIndex()), 100 + i);
    }
    // Converted to a position, NewIndex is where the last item sits now.
    const std::int16_t last = f.List1.NewIndex();
    QCOMPARE(last, std::int16_t(1));
    QCOMPARE(f.List1.List(last), QString("ĂLA"));
    for (std::int16_t i = 0; i < f.List1.ListCount(); ++i)
        QCOMPARE(f.List1.ItemData(i), 100 + static_cast<int>(texts.indexOf(f.List1.List(i))));
    // Adding one more at the front keeps data with its items.
    f.List1.AddItem("AAA");
    QCOMPARE(static_cast<std::int16_t>(f.List1.NewIndex()), std::int16_t(0));
    f.List1.setItemData(0, 7);
    QCOMPARE(f.List1.ItemData(0), 7);
    QCOMPARE(f.List1.ItemData(2), 104);
    QCOMPARE(f.List1.ListCount(), std::int16_t(6));
    f.Unload();
}

void TstToolkit::equalTextsKeepArrivalOrder() {
    MainForm f;
    f.Load();
    for (int i = 0; i < 5; ++i) {
        f.List1.AddItem(i % 2 ? "B" : "A");
        f.List1.setItemData(f.List1.NewIndex(), i);
    }
    QList<int> data;
    for (std::int16_t i = 0; i < f.List1.ListCount(); ++i) data << f.List1.ItemData(i);
    QCOMPARE(data, QList<int>({0, 2, 4, 1, 3}));
    f.List1.AddItem("A");
    QCOMPARE(static_cast<std::int16_t>(f.List1.NewIndex()), std::int16_t(3));
    f.Unload();
}

void TstToolkit::fullListSortedWithItsData() {
    MainForm f;
    f.Load();
    const QString letters = QStringLiteral("AĂÂBIÎSȘŞTȚŢZ 1");
    QStringList texts;
    for (int i = 0; i < 32767; ++i) {
        QString t;
        for (int k = 0, v = i * 7919 + 13; k < 4; ++k, v /= letters.size()) t += letters.at(v % letters.size());
        texts << t;
        f.List1.AddItem(t);
        f.List1.setItemData(f.List1.NewIndex(), i);
    }
    QCOMPARE(f.List1.ListCount(), std::int16_t(32767));
    f.List1.setListIndex(0);
    for (std::int16_t i = 0; i < 32767; ++i) {
        QCOMPARE(f.List1.List(i), texts[f.List1.ItemData(i)]);
        if (i > 0) QVERIFY(RomanianCompare(f.List1.List(i - 1), f.List1.List(i)) <= 0);
        // Equal texts keep the order they arrived in.
        if (i > 0 && f.List1.List(i - 1) == f.List1.List(i)) QVERIFY(f.List1.ItemData(i - 1) < f.List1.ItemData(i));
    }
    int number = 0;
    try {
        f.List1.AddItem("PREA MULTE");
    } catch (const EngineError& e) {
        number = e.Number();
    }
    QCOMPARE(number, tkerr::Overflow);
    QCOMPARE(f.List1.ListCount(), std::int16_t(32767));
    f.Unload();
}

void TstToolkit::unloadFromOwnHandlerEndsShow() {
    MainForm f;
    QTimer::singleShot(0, [&] {
        QVERIFY(QTest::qWaitForWindowActive(f.widget()));
        QTest::mouseClick(f.Command2.widget(), Qt::LeftButton);  // Command2_Click unloads
    });
    f.Show();
    QVERIFY(!f.IsLoaded());
    QCOMPARE(f.log.mid(f.log.size() - 2), QStringList({"Command2_Click", "Main_Unload"}));
    // Loads afresh when shown again.
    whileShown(f, [] {});
    QCOMPARE(f.log.count("Main_Load"), 2);
}

void TstToolkit::unsortedListKeepsArrivalOrder() {
    QStringList log;
    const ControlDef defs[] = {{"List1", Kind::ListBox, "", "", 0, 0, 1500, 1500, {}}};
    Form form(kChildDesign, defs);
    auto& list = form.control<ListBox>("List1");
    QVERIFY(!list.Sorted());
    list.AddItem("Z");
    list.AddItem("A");
    QCOMPARE(static_cast<std::int16_t>(list.NewIndex()), std::int16_t(1));
    QCOMPARE(list.List(0), QString("Z"));
}

void TstToolkit::listIndexWriteSelectsAndClicks_data() {
    QTest::addColumn<int>("index");
    QTest::newRow("first") << 0;
    QTest::newRow("last") << 2;
    QTest::newRow("none") << -1;
}

void TstToolkit::listIndexWriteSelectsAndClicks() {
    QFETCH(int, index);
    MainForm f;
    f.Load();
    f.List1.AddItem("C");
    f.List1.AddItem("A");
    f.List1.AddItem("B");
    f.List1.setListIndex(1);
    f.log.clear();
    f.List1.setListIndex(static_cast<std::int16_t>(index));
    QCOMPARE(f.log, QStringList({QStringLiteral("List1_Click %1").arg(index)}));
    QCOMPARE(f.List1.ListIndex(), static_cast<std::int16_t>(index));
    auto* view = static_cast<QListView*>(f.List1.widget());
    const auto rows = view->selectionModel()->selectedRows();
    if (index < 0) {
        QVERIFY(rows.isEmpty());
    } else {
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.front().row(), index);
        QCOMPARE(rows.front().data().toString(), QString(QChar(u'A' + index)));
    }
    f.Unload();
}

void TstToolkit::listIndexOutOfRangeIsAnError_data() {
    QTest::addColumn<int>("index");
    QTest::newRow("past end") << 2;
    QTest::newRow("below -1") << -2;
}

void TstToolkit::listIndexOutOfRangeIsAnError() {
    QFETCH(int, index);
    MainForm f;
    f.Load();
    f.List1.AddItem("A");
    f.List1.AddItem("B");
    f.log.clear();
    int number = 0;
    try {
        f.List1.setListIndex(static_cast<std::int16_t>(index));
    } catch (const EngineError& e) {
        number = e.Number();
    }
    QCOMPARE(number, tkerr::InvalidPropertyValue);
    QVERIFY(f.log.isEmpty());
    number = 0;
    try {
        f.List1.ItemData(static_cast<std::int16_t>(index));
    } catch (const EngineError& e) {
        number = e.Number();
    }
    QCOMPARE(number, tkerr::InvalidPropertyIndex);
    QCOMPARE(f.List1.List(2), QString());
    QCOMPARE(f.List1.List(-1), QString());
    f.Unload();
}

void TstToolkit::userPickRaisesClick() {
    MainForm f;
    open(f);
    f.List1.AddItem("B");
    f.List1.AddItem("A");
    auto* view = static_cast<QListView*>(f.List1.widget());
    QTRY_COMPARE(view->model()->rowCount(), 2);
    f.log.clear();
    const QRect r = view->visualRect(view->model()->index(1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QVERIFY(f.log.contains("List1_Click 1"));
    QCOMPARE(f.List1.ListIndex(), std::int16_t(1));
    QCOMPARE(f.List1.List(f.List1.ListIndex()), QString("B"));
    f.log.clear();
    QTest::keyClick(view, Qt::Key_Up);
    QCOMPARE(f.log, QStringList({"List1_Click 0"}));
    f.Unload();
}

void TstToolkit::viewShowsSortedItems() {
    MainForm f;
    open(f);
    for (const char* s : {"ȚARĂ", "TOC", "ȘAH", "SAT"}) f.List1.AddItem(QString::fromUtf8(s));
    auto* view = static_cast<QListView*>(f.List1.widget());
    QTRY_COMPARE(view->model()->rowCount(), 4);
    QStringList shown;
    for (int i = 0; i < 4; ++i) shown << view->model()->index(i, 0).data().toString();
    QCOMPARE(shown, QStringList({"SAT", "ȘAH", "TOC", "ȚARĂ"}));
    f.Unload();
}

void TstToolkit::clearEmptiesListAndNewIndex() {
    MainForm f;
    f.Load();
    f.List1.AddItem("A");
    f.List1.setListIndex(0);
    f.List1.Clear();
    QCOMPARE(f.List1.ListCount(), std::int16_t(0));
    QCOMPARE(f.List1.ListIndex(), std::int16_t(-1));
    QCOMPARE(static_cast<std::int16_t>(f.List1.NewIndex()), std::int16_t(-1));
    QCOMPARE(static_cast<QListView*>(f.List1.widget())->model()->rowCount(), 0);
    f.Unload();
}

void TstToolkit::comboTextSelectsItem() {
    MainForm f;
    f.Load();
    for (const char* s : {"CAP 2", "CAP 1", "ALT"}) {
        f.Combo1.AddItem(s);
        f.Combo1.setItemData(f.Combo1.NewIndex(), QString(s).size());
    }
    QCOMPARE(f.Combo1.ListIndex(), std::int16_t(-1));
    QCOMPARE(f.Combo1.Text(), QString());
    f.log.clear();
    f.Combo1.setText(f.Combo1.List(0));
    QCOMPARE(f.Combo1.Text(), QString("ALT"));
    QCOMPARE(f.Combo1.ListIndex(), std::int16_t(0));
    QCOMPARE(f.Combo1.ItemData(f.Combo1.ListIndex()), 3);
    f.Combo1.setText("CAP 2");
    QCOMPARE(f.Combo1.ListIndex(), std::int16_t(2));
    QCOMPARE(static_cast<QComboBox*>(f.Combo1.widget())->currentText(), QString("CAP 2"));
    QCOMPARE(f.log, QStringList({"Combo1_Click 0", "Combo1_Click 2"}));
    f.Unload();
}

void TstToolkit::comboTextOfNoItemIsAnError() {
    MainForm f;
    f.Load();
    f.Combo1.AddItem("A");
    int number = 0;
    try {
        f.Combo1.setText("a");  // exact comparison
    } catch (const EngineError& e) {
        number = e.Number();
    }
    QCOMPARE(number, tkerr::TextReadOnly);
    QCOMPARE(f.Combo1.ListIndex(), std::int16_t(-1));
    f.Unload();
}

void TstToolkit::comboUserPickRaisesClick() {
    MainForm f;
    open(f);
    f.Combo1.AddItem("B");
    f.Combo1.AddItem("A");
    f.Combo1.setListIndex(0);
    auto* combo = static_cast<QComboBox*>(f.Combo1.widget());
    combo->setFocus();
    f.log.clear();
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(f.log, QStringList({"Combo1_Click 1"}));
    QCOMPARE(f.Combo1.Text(), QString("B"));
    f.Unload();
}

void TstToolkit::errorInHandlerShowsOneBoxAndEnds_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("engineError");
    QTest::newRow("engine error") << 3024 << "Fișierul nu a fost găsit." << true;
    QTest::newRow("toolkit error") << 380 << ToolkitErrorText(380) << true;
    QTest::newRow("other exception") << 51 << "Eroare internă: rău" << false;
}

void TstToolkit::errorInHandlerShowsOneBoxAndEnds() {
    QFETCH(int, number);
    QFETCH(QString, text);
    QFETCH(bool, engineError);
    MsgBoxRecorder boxes;
    EndProgramRecorder end;
    MainForm f;
    bool after = false;
    f.onCommand1 = [&] {
        if (engineError) throw EngineError(number, text);
        throw std::runtime_error("rău");
        after = true;
    };
    open(f);
    QTest::mouseClick(f.Command1.widget(), Qt::LeftButton);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().text, QStringLiteral("Eroare de execuție '%1':\n\n%2").arg(number).arg(text));
    QCOMPARE(boxes.last().style & 0x70, vbCritical);
    QCOMPARE(boxes.last().title, QString("Tarvix"));
    QCOMPARE(end.statuses(), std::vector<int>({1}));
    QVERIFY(!after);
    // Nothing else runs: no second box, no ticks, no clicks.
    f.log.clear();
    const int ticks = f.ticks;
    QTest::mouseClick(f.Command3.widget(), Qt::LeftButton);
    QTest::qWait(60);
    QVERIFY(f.log.isEmpty());
    QCOMPARE(f.ticks, ticks);
    QCOMPARE(boxes.count(), 1);
    f.Unload();
}

void TstToolkit::errorInNestedEventStopsOuterHandler() {
    MsgBoxRecorder boxes;
    EndProgramRecorder end;
    MainForm f;
    bool after = false;
    f.Text1.Change = [] { throw EngineError(3021, "Nu există înregistrarea curentă."); };
    f.onCommand1 = [&] {
        f.Text1.setText("ALTCEVA");
        after = true;
    };
    open(f);
    QTest::mouseClick(f.Command1.widget(), Qt::LeftButton);
    QCOMPARE(boxes.count(), 1);
    QVERIFY(boxes.last().text.startsWith("Eroare de execuție '3021'"));
    QVERIFY(!after);
    QCOMPARE(end.statuses().size(), std::size_t(1));
    f.Unload();
}

void TstToolkit::errorEndsModalShow() {
    MsgBoxRecorder boxes;
    EndProgramRecorder end;
    MainForm f;
    QStringList log;
    ChildForm c(log);
    bool afterShow = false;
    f.onCommand3 = [&] {
        c.Show();
        afterShow = true;
    };
    c.onActivate = [&] {
        QTimer::singleShot(0, [&] { Dispatch([] { throw EngineError(3043, "Eroare de disc."); }); });
    };
    open(f);
    QTest::mouseClick(f.Command3.widget(), Qt::LeftButton);
    QCOMPARE(boxes.count(), 1);
    QVERIFY(!afterShow);
    QCOMPARE(end.statuses(), std::vector<int>({1}));
    c.Unload();
    f.Unload();
}

void TstToolkit::wrongControlKindIsAnError() {
    MainForm f;
    int number = 0;
    try {
        f.control<TextBox>("Command1");
    } catch (const EngineError& e) {
        number = e.Number();
    }
    QCOMPARE(number, tkerr::SubscriptOutOfRange);
    number = 0;
    try {
        f.control<TextBox>("Text9");
    } catch (const EngineError& e) {
        number = e.Number();
    }
    QCOMPARE(number, tkerr::SubscriptOutOfRange);
    QCOMPARE(&f.control<TextBox>("text1"), &f.Text1);
}

void TstToolkit::accessibleNamesComeFromCaptions() {
    MainForm f;
    QCOMPARE(f.Text1.widget()->accessibleName(), QString("Cuvânt cheie:"));
    QCOMPARE(f.List1.widget()->accessibleName(), QString("Rezultate:"));
    QCOMPARE(f.Command1.widget()->accessibleName(), QString("Cautã"));
    QCOMPARE(f.Command2.widget()->accessibleName(), QString("Închide"));
    QCOMPARE(f.Command3.widget()->accessibleName(), QString("Dictionar"));
    QStringList log;
    ChildForm c(log);
    QCOMPARE(c.Text1.widget()->accessibleName(), QString("Nume:"));
}

void TstToolkit::lookFollowsDesign() {
    MainForm f;
    QCOMPARE(f.widget()->size(), QSize(537, 250));
    QCOMPARE(f.widget()->windowTitle(), QString("Încercare"));
    QCOMPARE(f.Command1.widget()->geometry(), QRect(412, 8, 121, 25));
    QCOMPARE(f.Text1.widget()->parentWidget(), f.Frame1.widget());
    QCOMPARE(f.widget()->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(f.Frame1.widget()->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(f.Label7.widget()->font().bold());
    QVERIFY(!f.Label1.widget()->font().bold());
    QCOMPARE(f.Label1.widget()->font().pointSizeF(), 8.25);
    // A label sized to its text follows a new caption.
    const int before = f.Label7.widget()->width();
    f.Label7.setCaption("NIMIC NIMIC NIMIC");
    QVERIFY(f.Label7.widget()->width() > before);
    QCOMPARE(f.Label7.Caption(), QString("NIMIC NIMIC NIMIC"));
    // Fixed size, close box, no minimise or maximise box.
    const auto flags = f.widget()->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(f.widget()->minimumSize(), f.widget()->maximumSize());
    SplashForm s;
    QVERIFY(s.widget()->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(s.widget()->size(), QSize(400, 199));
}

void TstToolkit::splashTakesClickAndKeys() {
    SplashForm s;
    open(s);
    QTest::mouseClick(s.widget(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QTest::keyClick(s.widget(), Qt::Key_A);
    QTest::keyClick(s.widget(), Qt::Key_Return);
    QCOMPARE(s.log, QStringList({"Form_Click", "Form_KeyPress 97", "Form_KeyPress 13"}));
    s.Unload();
}

void TstToolkit::qtTextsAreRomanian() {
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Copy"), QString("&Copiază"));
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Paste"), QString("&Lipește"));
    QCOMPARE(QCoreApplication::translate("QLineEdit", "Select All"), QString("Selectează tot"));
}

void TstToolkit::collationOrder_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order");
    QTest::newRow("A before Ă") << "A" << "Ă" << -1;
    QTest::newRow("Ă before Â") << "Ă" << "Â" << -1;
    QTest::newRow("Â before B") << "Â" << "B" << -1;
    QTest::newRow("AZ before ĂA") << "AZ" << "ĂA" << -1;
    QTest::newRow("IZ before ÎA") << "IZ" << "ÎA" << -1;
    QTest::newRow("Î before J") << "Î" << "J" << -1;
    QTest::newRow("SZ before ȘA") << "SZ" << "ȘA" << -1;
    QTest::newRow("ȘZ before T") << "ȘZ" << "T" << -1;
    QTest::newRow("ŞA before ȘB") << "ŞA" << "ȘB" << -1;
    QTest::newRow("ȚA before ŢB") << "ȚA" << "ŢB" << -1;
    QTest::newRow("ŢZ before U") << "ŢZ" << "U" << -1;
    QTest::newRow("cedilla beside comma") << "Ş" << "Ș" << 1;
    QTest::newRow("lower beside upper") << "aZ" << "AZ" << 1;
    QTest::newRow("lower before next letter") << "a" << "B" << -1;
    QTest::newRow("ă before B") << "ăz" << "B" << -1;
    QTest::newRow("digit before letter") << "9" << "A" << -1;
    QTest::newRow("blank before digit") << " " << "0" << -1;
    QTest::newRow("equal") << "ȘTIINȚĂ" << "ȘTIINȚĂ" << 0;
    QTest::newRow("é with e") << "éa" << "EB" << -1;
    QTest::newRow("sign before digit") << "-" << "0" << -1;
    QTest::newRow("shorter first") << "AB" << "ABA" << -1;
}

void TstToolkit::collationOrder() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    QCOMPARE(RomanianCompare(a, b), order);
    QCOMPARE(RomanianCompare(b, a), -order);
    QCOMPARE(RomanianSortKey(a) < RomanianSortKey(b), order < 0);
}

void TstToolkit::textFunctions_data() {
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("UCase ascii") << "UCase" << "abc" << "ABC";
    QTest::newRow("UCase romanian") << "UCase" << "ăâîșțşţ" << "ĂÂÎȘȚŞŢ";
    QTest::newRow("UCase ã") << "UCase" << "ã" << "Ã";
    QTest::newRow("Trim blanks") << "Trim" << "  A B  " << "A B";
    QTest::newRow("Trim keeps tabs") << "Trim" << "\tA " << "\tA";
    QTest::newRow("Trim blanks only") << "Trim" << "   " << "";
    QTest::newRow("LTrim") << "LTrim" << "  A " << "A ";
    QTest::newRow("RTrim") << "RTrim" << "  A " << "  A";
}

void TstToolkit::textFunctions() {
    QFETCH(QString, function);
    QFETCH(QString, in);
    QFETCH(QString, out);
    QString got;
    if (function == "UCase") got = UCase(in);
    else if (function == "Trim") got = Trim(in);
    else if (function == "LTrim") got = LTrim(in);
    else if (function == "RTrim") got = RTrim(in);
    QCOMPARE(got, out);
    QCOMPARE(CStr(0), QString("0"));
    QCOMPARE(CStr(-32768), QString("-32768"));
    QCOMPARE(CStr(2147483647), QString("2147483647"));
    QCOMPARE(AscW("Ă"), std::int16_t(0x102));
    QCOMPARE(ChrW(0x219), QString("ș"));
    QCOMPARE(ChrW(AscW(QString(QChar(0xFFFF)))), QString(QChar(0xFFFF)));
    int number = 0;
    try {
        AscW("");
    } catch (const EngineError& e) {
        number = e.Number();
    }
    QCOMPARE(number, tkerr::InvalidProcedureCall);
}

void TstToolkit::valLeadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("digits") << "12" << 12.0;
    QTest::newRow("trailing text") << "12 abc" << 12.0;
    QTest::newRow("name") << "Label2" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("leading blanks") << "  7" << 7.0;
    QTest::newRow("negative") << "-3" << -3.0;
    QTest::newRow("decimal") << "2.5x" << 2.5;
    QTest::newRow("blanks inside") << "1 2" << 12.0;
}

void TstToolkit::valLeadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(Val(text), value);
}

QTEST_MAIN(TstToolkit)
#include "tst_toolkit.moc"
