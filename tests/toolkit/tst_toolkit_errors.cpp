// The error boundary, accessible names, the look and Qt's own texts.
#include "tst_toolkit.h"

void TstToolkit::errorInHandlerShowsOneBoxAndEnds_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("engineError");
    QTest::newRow("engine error") << 3024 << "Fișierul nu a fost găsit." << true;
    QTest::newRow("toolkit error") << 380 << ToolkitErrorText(380) << true;
    QTest::newRow("other exception") << 51 << "Eroare internă: rău" << false;
}

void TstToolkit::errorInHandlerShowsOneBoxAndEnds()
{
    QFETCH(int, number);
    QFETCH(QString, text);
    QFETCH(bool, engineError);
    MsgBoxDouble boxes;
    EndProgramRecorder end;
    MainForm f;
    f.onCommand1 = [&] {
        if (engineError)
            throw EngineError(number, text);
        throw std::runtime_error("rău");
    };
    open(f);
    QTest::mouseClick(f.Command1.widget(), Qt::LeftButton);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().text, QStringLiteral("Eroare de execuție '%1':\n\n%2").arg(number).arg(text));
    QCOMPARE(boxes.last().style & 0x70, vbCritical);
    QCOMPARE(boxes.last().title, QString("Tarvix"));
    QCOMPARE(end.statuses(), std::vector<int>({1}));
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

void TstToolkit::errorInNestedEventStopsOuterHandler()
{
    MsgBoxDouble boxes;
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

void TstToolkit::errorEndsModalShow()
{
    MsgBoxDouble boxes;
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

void TstToolkit::wrongControlKindIsAnError()
{
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

void TstToolkit::accessibleNamesComeFromCaptions()
{
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

void TstToolkit::lookFollowsDesign()
{
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

void TstToolkit::splashTakesClickAndKeys()
{
    SplashForm s;
    open(s);
    QTest::mouseClick(s.widget(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QTest::keyClick(s.widget(), Qt::Key_A);
    QTest::keyClick(s.widget(), Qt::Key_Return);
    QCOMPARE(s.log, QStringList({"Form_Click", "Form_KeyPress 97", "Form_KeyPress 13"}));
    s.Unload();
}

void TstToolkit::qtTextsAreRomanian()
{
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Copy"), QString("&Copiază"));
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Paste"), QString("&Lipește"));
    QCOMPARE(QCoreApplication::translate("QLineEdit", "Select All"), QString("Selectează tot"));
}
