// Text boxes, keys and buttons.
#include "tst_toolkit.h"

void TstToolkit::textFromCodeRaisesChangeOnlyWhenDifferent_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("changes");
    QTest::newRow("same text twice") << "ABC"
                                     << "ABC" << 1;
    QTest::newRow("different texts") << "ABC"
                                     << "ABD" << 2;
    QTest::newRow("case differs") << "abc"
                                  << "ABC" << 2;
    QTest::newRow("design text again") << "Text1"
                                       << "Text1" << 0;
    QTest::newRow("to empty") << ""
                              << "" << 1;
}

void TstToolkit::textFromCodeRaisesChangeOnlyWhenDifferent()
{
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

void TstToolkit::typingPassesKeyPressThenChange()
{
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

void TstToolkit::keyPressReplacesOrDrops_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("dropX");
    QTest::newRow("upper case") << "abc"
                                << "ABC" << false;
    QTest::newRow("romanian letters") << QString("ăîșţş") << QString("ĂÎȘŢŞ") << false;
    QTest::newRow("more romanian letters") << QString("âțã") << QString("ÂȚÃ") << false;
    QTest::newRow("digits pass") << "a1b"
                                 << "A1B" << false;
    QTest::newRow("dropped x") << "axb"
                               << "AB" << true;
}

void TstToolkit::keyPressReplacesOrDrops()
{
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

void TstToolkit::backspacePassesKeyPressAndDeletes()
{
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

void TstToolkit::typingStopsAtMaxLength()
{
    MainForm f;
    f.Load();
    f.Text1.setText("");
    open(f);
    QCOMPARE(f.Text1.MaxLength(), 5);
    QTest::keyClicks(edit(f.Text1), "abcdefgh");
    QCOMPARE(f.Text1.Text(), QString("abcde"));
    f.Unload();
}

void TstToolkit::textFromCodeIsNotCut_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("longer than the limit") << "abcdefgh";
    QTest::newRow("a pair across the limit") << QString::fromUtf8("abcd\U0001D11Eef");
}

void TstToolkit::textFromCodeIsNotCut()
{
    QFETCH(QString, text);
    MainForm f;
    open(f);
    f.log.clear();
    f.Text1.setText(text);
    QCOMPARE(f.Text1.Text(), text);
    QCOMPARE(f.log, QStringList{"Text1_Change"});
    // Typing adds nothing to a box already past its limit, and raises no Change.
    edit(f.Text1)->end(false);
    f.log.clear();
    QTest::keyClicks(edit(f.Text1), "x");
    QCOMPARE(f.Text1.Text(), text);
    QVERIFY(!f.log.contains("Text1_Change"));
    // Shortened by the user it still takes nothing until it is shorter than the limit.
    QTest::keyClick(edit(f.Text1), Qt::Key_Backspace);
    const QString shortened = f.Text1.Text();
    QTest::keyClicks(edit(f.Text1), "x");
    QCOMPARE(f.Text1.Text(), shortened);
    edit(f.Text1)->setSelection(0, static_cast<int>(shortened.size()) - 3);
    QTest::keyClick(edit(f.Text1), Qt::Key_Delete);
    edit(f.Text1)->end(false);
    QTest::keyClicks(edit(f.Text1), "xyz");
    QCOMPARE(f.Text1.Text().size(), 5);
    QVERIFY(f.Text1.Text().endsWith("xy"));
    // A shorter text from code brings the limit back.
    f.Text1.setText("ab");
    QTest::keyClicks(edit(f.Text1), "cdefgh");
    QCOMPARE(f.Text1.Text(), QString("abcde"));
    QCOMPARE(f.Text1.MaxLength(), 5);
    f.Unload();
}

void TstToolkit::pasteKeepsCharactersWhole()
{
    MainForm f;
    f.Load();
    f.Text1.setText("abcd");
    open(f);
    edit(f.Text1)->end(false);
    QGuiApplication::clipboard()->setText(QString::fromUtf8("\U0001D11Ez"));
    if (QGuiApplication::clipboard()->text().isEmpty())
        QSKIP("no clipboard on this platform");
    f.log.clear();
    QTest::keyClick(edit(f.Text1), Qt::Key_V, Qt::ControlModifier);
    // One place is left, and half a character is none: nothing is taken, and nothing changed.
    QCOMPARE(f.Text1.Text(), QString("abcd"));
    QVERIFY(!f.log.contains("Text1_Change"));
    f.Text1.setText("abc");
    edit(f.Text1)->end(false);
    QTest::keyClick(edit(f.Text1), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.Text1.Text(), QString::fromUtf8("abc\U0001D11E"));
    f.Unload();
}

void TstToolkit::pasteSkipsKeyPress()
{
    MainForm f;
    f.onKeyPress = [](std::int16_t& k) { k = AscW(UCase(ChrW(k))); };
    f.Load();
    f.Text1.setText("");
    open(f);
    QGuiApplication::clipboard()->setText("abc");
    if (QGuiApplication::clipboard()->text() != "abc")
        QSKIP("no clipboard on this platform");
    f.log.clear();
    QTest::keyClick(edit(f.Text1), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.Text1.Text(), QString("abc"));
    QCOMPARE(f.log, QStringList({"Text1_Change"}));
    f.Unload();
}

void TstToolkit::enterClicksDefaultWithoutMovingFocus()
{
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
    f.onKeyPress = [](std::int16_t& k) {
        if (k == 13)
            k = 0;
    };
    QTest::keyClick(edit(f.Text1), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(f.log, QStringList({"Text1_KeyPress 13"}));
    f.Unload();
}

void TstToolkit::enterOnFocusedButtonClicksThatButton()
{
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

void TstToolkit::enterWithDisabledDefaultDoesNothing()
{
    MainForm f;
    open(f);
    f.Command1.setEnabled(false);
    f.log.clear();
    QTest::keyClick(edit(f.Text1), Qt::Key_Return);
    QCOMPARE(f.log, QStringList({"Text1_KeyPress 13"}));
    QVERIFY(f.Visible());
    f.Unload();
}

void TstToolkit::disabledFocusGoesBack_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("viaButton");
    QTest::newRow("mouse click") << "click" << false;
    QTest::newRow("access key") << "alt" << false;
    QTest::newRow("enter on the button") << "enter" << false;
    QTest::newRow("another button had it between") << "click" << true;
}

void TstToolkit::disabledFocusGoesBack()
{
    QFETCH(QString, way);
    QFETCH(bool, viaButton);
    MainForm f;
    f.onCommand1 = [&] { f.Command1.setEnabled(false); };
    f.Load();
    f.Text1.setText("");
    open(f);
    QTest::keyClicks(edit(f.Text1), "ab");
    if (viaButton)
        f.Command3.SetFocus();
    if (way == "click")
        QTest::mouseClick(f.Command1.widget(), Qt::LeftButton);
    else if (way == "alt")
        QTest::keyClick(f.widget(), Qt::Key_C, Qt::AltModifier);
    else {
        f.Command1.SetFocus();
        QTest::keyClick(f.Command1.widget(), Qt::Key_Return);
    }
    QTRY_VERIFY(!f.Command1.Enabled());
    // Back to the box, never to the next button (Închide), so Enter cannot close the window.
    QCOMPARE(f.widget()->focusWidget(), f.Text1.widget());
    f.log.clear();
    QTest::keyClick(f.widget()->focusWidget(), Qt::Key_Return);
    QCOMPARE(f.log, QStringList({"Text1_KeyPress 13"}));
    QVERIFY(f.IsLoaded());
    QTest::keyClicks(edit(f.Text1), "c");
    QCOMPARE(f.Text1.Text(), QString("abc"));
    f.Unload();
}

void TstToolkit::mouseClickRunsLostFocusBeforeClick()
{
    MainForm f;
    open(f);
    QVERIFY(edit(f.Text1)->hasFocus());
    f.log.clear();
    QTest::mouseClick(f.Command1.widget(), Qt::LeftButton);
    QCOMPARE(f.log, QStringList({"Text1_LostFocus", "Command1_Click"}));
    QVERIFY(f.Command1.widget()->hasFocus());
    f.Unload();
}

void TstToolkit::accessKeyClicksButton()
{
    MainForm f;
    open(f);
    f.log.clear();
    QTest::keyClick(f.widget(), Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY(f.log.contains("Command3_Click"));
    QCOMPARE(f.log.first(), QString("Text1_LostFocus"));
    f.Unload();
}

void TstToolkit::escapeClicksCancel()
{
    MainForm f;
    open(f);
    f.log.clear();
    QTest::keyClick(edit(f.Text1), Qt::Key_Escape);
    QCOMPARE(f.log, QStringList({"Command2_Click", "Main_Unload"}));
    QVERIFY(!f.IsLoaded());
    QVERIFY(f.widget()->isHidden());
}

void TstToolkit::escapeWithoutCancelKeepsWindow()
{
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

void TstToolkit::settingDefaultClearsOthers()
{
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

QTEST_MAIN(TstToolkit)
