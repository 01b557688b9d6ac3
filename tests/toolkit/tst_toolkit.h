// The toolkit's event rules, driven through real widgets: the test windows
// and the one test class, whose functions are spread over tst_toolkit*.cpp.
#pragma once

#include "platform/Engine.h"
#include "platform/Toolkit.h"
#include "support/EndProgramRecorder.h"
#include "support/MsgBoxDouble.h"
#include "support/WindowDriver.h"

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
using tarvix::test::MsgBoxDouble;
using tarvix::test::whileShown;

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
    MainForm() : Form(kMainDesign, kMainControls)
    {
        Text1.Change = [this] { log << "Text1_Change"; };
        Text1.KeyPress = [this](std::int16_t& k) {
            log << QStringLiteral("Text1_KeyPress %1").arg(k);
            if (onKeyPress)
                onKeyPress(k);
        };
        Text1.LostFocus = [this] { log << "Text1_LostFocus"; };
        Command1.Click = [this] {
            log << "Command1_Click";
            if (onCommand1)
                onCommand1();
        };
        Command2.Click = [this] {
            log << "Command2_Click";
            Unload();
        };
        Command3.Click = [this] {
            log << "Command3_Click";
            if (onCommand3)
                onCommand3();
        };
        List1.Click = [this] { log << QStringLiteral("List1_Click %1").arg(List1.ListIndex()); };
        Combo1.Click = [this] { log << QStringLiteral("Combo1_Click %1").arg(Combo1.ListIndex()); };
        Timer1.Tick = [this] {
            ++ticks;
            if (onTick)
                onTick();
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
    void Form_Load() override
    {
        log << "Main_Load";
        if (onLoad)
            onLoad();
    }
    void Form_Activate() override
    {
        log << "Main_Activate";
        if (onActivate)
            onActivate();
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
    explicit ChildForm(QStringList& log) : Form(kChildDesign, kChildControls), log_(log)
    {
        Command1.Click = [this] { log_ << "Child_Command1"; };
    }
    Label& Label1 = control<Label>("Label1");
    TextBox& Text1 = control<TextBox>("Text1");
    CommandButton& Command1 = control<CommandButton>("Command1");
    std::function<void()> onActivate;

protected:
    void Form_Load() override { log_ << "Child_Load"; }
    void Form_Activate() override
    {
        log_ << "Child_Activate";
        if (onActivate)
            onActivate();
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

inline QLineEdit* edit(TextBox& box)
{
    return static_cast<QLineEdit*>(box.widget());
}

// Opens the window modeless, active, with the first control focused.
inline void open(Form& form)
{
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
    void textFromCodeIsNotCut_data();
    void textFromCodeIsNotCut();
    void pasteKeepsCharactersWhole();
    void disabledFocusGoesBack_data();
    void disabledFocusGoesBack();
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
    void comboOpensAsAScrollingList();
    void emptyListShowsTheFocus();
    void listBorderWholeAtAnyScale_data();
    void listBorderWholeAtAnyScale();
    void frameCaptionSitsOnTheBorder();
    void errorInHandlerShowsOneBoxAndEnds_data();
    void errorInHandlerShowsOneBoxAndEnds();
    void errorInNestedEventStopsOuterHandler();
    void errorEndsModalShow();
    void wrongControlKindIsAnError();
    void accessibleNamesComeFromCaptions();
    void lookFollowsDesign();
    void splashTakesClickAndKeys();
    void qtTextsAreRomanian();
};
