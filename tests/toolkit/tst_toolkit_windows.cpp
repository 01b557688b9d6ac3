// Windows: modal Show, activation, loading and unloading, focus, timers.
#include "tst_toolkit.h"

#include <QStyle>

void TstToolkit::modalShowActivatesOpenerAgain()
{
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
        else
            QTimer::singleShot(0, [&] { f.Unload(); });
    };
    f.Show();
    QCOMPARE(f.log, QStringList({"Main_Load", "Main_Activate", "Text1_LostFocus", "Command3_Click", "Child_Load",
                                 "Child_Activate", "Child_Unload", "Main_Activate", "Show returned", "Main_Unload"}));
    QVERIFY(childModal);
    QVERIFY(!c.IsLoaded());
    QVERIFY(!f.IsLoaded());
}

void TstToolkit::messageBoxRaisesNoActivate()
{
    MainForm f;
    int answer = 0;
    f.onCommand3 = [&] {
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box)
                box->defaultButton()->click();
        });
        answer = MsgBox("Sigur?", vbYesNo + vbQuestion, "Întrebare");
    };
    whileShown(f, [&] { QTest::mouseClick(f.Command3.widget(), Qt::LeftButton); });
    QCOMPARE(answer, vbYes);
    QCOMPARE(f.log.count("Main_Activate"), 1);
}

void TstToolkit::realMessageBoxButtonsAreRomanian_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::newRow("48 OK exclamation") << 48 << QStringList({"OK"}) << QMessageBox::Warning;
    QTest::newRow("20 yes no stop") << 20 << QStringList({"Da", "Nu"}) << QMessageBox::Critical;
    QTest::newRow("36 yes no question") << 36 << QStringList({"Da", "Nu"}) << QMessageBox::Question;
}

void TstToolkit::realMessageBoxButtonsAreRomanian()
{
    QFETCH(int, style);
    QFETCH(QStringList, buttons);
    QFETCH(QMessageBox::Icon, icon);
    QStringList seen;
    QString title, defaultText, shownText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        for (auto* b : box->buttons())
            seen << b->text();
        title = box->windowTitle();
        seenIcon = box->icon();
        shownText = box->text();
        defaultText = box->defaultButton()->text();
        for (auto* b : box->buttons())
            if (b->text() == buttons.last())
                b->click();
    });
    const QString question = QStringLiteral(
        "Sunteti sigur cã doriti sã stergeti capitolul 'POINTERI SI ALOCARE DINAMICA' din baza de date ?");
    const int answer = MsgBox(question, style, "Titlu");
    // The text is the text: no character is changed to keep the title on one line.
    QCOMPARE(shownText, question);
    // Drawn at the density asked for, not scaled up from a small picture.
    const auto kind = icon == QMessageBox::Warning    ? QStyle::SP_MessageBoxWarning
                      : icon == QMessageBox::Critical ? QStyle::SP_MessageBoxCritical
                                                      : QStyle::SP_MessageBoxQuestion;
    const QPixmap sharp = QApplication::style()->standardIcon(kind).pixmap(QSize(32, 32), 2.0);
    QCOMPARE(sharp.size(), QSize(64, 64));
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

void TstToolkit::visibleLoadsWithoutShowing()
{
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

void TstToolkit::closeBoxUnloadsLikeUnload()
{
    MainForm f;
    // Show returns because of the close box, not before it was pressed.
    bool closed = false;
    QTimer::singleShot(0, [&] {
        closed = true;
        f.widget()->close();
    });
    f.Show();
    QVERIFY(closed);
    QVERIFY(!f.IsLoaded());
    QCOMPARE(f.log.last(), QString("Main_Unload"));
    QCOMPARE(f.log.count("Main_Unload"), 1);
}

void TstToolkit::reloadStartsFromDesignState()
{
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

void TstToolkit::showOfShownWindowIsAnError()
{
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

void TstToolkit::firstFocusableControlTakesFocus()
{
    MainForm f;
    f.onLoad = [&] { f.Text1.setEnabled(false); };
    QWidget* focused = nullptr;
    whileShown(f, [&] { focused = QApplication::focusWidget(); });
    QCOMPARE(focused, f.Command1.widget());  // Frame1 and the disabled Text1 are skipped
}

void TstToolkit::lockedBoxCanTakeFirstFocus()
{
    QStringList log;
    ChildForm c(log);
    QWidget* focused = nullptr;
    whileShown(c, [&] { focused = QApplication::focusWidget(); });
    // Command1 (tab 0) is disabled, Command2 (tab 1) hidden: the locked Text1 (tab 2) gets it.
    QCOMPARE(focused, c.Text1.widget());
    QVERIFY(c.Text1.Locked());
}

void TstToolkit::timerTicksUnderModalWindow()
{
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

void TstToolkit::unloadedTimerStopsTicking()
{
    MainForm f;
    f.onTick = [&] { f.Timer1.Unload(); };
    f.Load();
    QTRY_COMPARE(f.ticks, 1);
    QTest::qWait(100);
    QCOMPARE(f.ticks, 1);
    f.Unload();
}

void TstToolkit::timerStopsWithItsWindow()
{
    MainForm f;
    f.Load();
    QTRY_VERIFY(f.ticks > 0);
    f.Unload();
    const int after = f.ticks;
    QTest::qWait(100);
    QCOMPARE(f.ticks, after);
}

void TstToolkit::frameCaptionSitsOnTheBorder()
{
    MainForm f;
    open(f);
    QWidget* frame = f.find("Frame2")->widget();
    const QImage image = frame->grab().toImage();
    const int middle = frame->fontMetrics().height() / 2;
    const auto inked = [&](int x, int y) { return qGray(image.pixel(x, y)) < 250; };
    // The top line runs through the caption's middle, on both sides of it, with a gap before the caption.
    QVERIFY(inked(1, middle));
    QVERIFY(inked(image.width() - 3, middle));
    QVERIFY(!inked(5, middle));
    // Nothing above it: the caption is not inside a frame drawn from the top edge.
    for (int x = 0; x < image.width(); ++x)
        QVERIFY2(!inked(x, 0), qPrintable(QString::number(x)));
    // The caption's letters cross the line's row.
    int letters = 0;
    for (int x = 8; x < 50; ++x)
        letters += qGray(image.pixel(x, middle)) < 128;
    QVERIFY(letters > 0);
    f.Unload();
}
