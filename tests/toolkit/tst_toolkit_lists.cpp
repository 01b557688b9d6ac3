// Lists and combos: order, items and their data, selection.
#include "tst_toolkit.h"

#include <QScrollBar>

void TstToolkit::sortedListRomanianOrder_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("a family") << QStringList({"B", "Â", "A", "Ă"}) << QStringList({"A", "Ă", "Â", "B"});
    QTest::newRow("i family") << QStringList({"J", "Î", "I"}) << QStringList({"I", "Î", "J"});
    QTest::newRow("s and t") << QStringList({"U", "Ț", "T", "Ș", "S"}) << QStringList({"S", "Ș", "T", "Ț", "U"});
    QTest::newRow("cedilla beside comma")
        << QStringList({"ȘA", "SZ", "ŞB", "T"}) << QStringList({"SZ", "ȘA", "ŞB", "T"});
    QTest::newRow("t cedilla") << QStringList({"ŢC", "ȚB", "TZ", "U"}) << QStringList({"TZ", "ȚB", "ŢC", "U"});
    QTest::newRow("words") << QStringList({"ȘTIINȚĂ", "SUD", "ÎNCEPUT", "INIMĂ", "ZEU", "ĂSTA", "AZI"})
                           << QStringList({"AZI", "ĂSTA", "INIMĂ", "ÎNCEPUT", "SUD", "ȘTIINȚĂ", "ZEU"});
    QTest::newRow("digits and blanks first")
        << QStringList({"A", "1", " B", "0"}) << QStringList({" B", "0", "1", "A"});
    QTest::newRow("prefix first") << QStringList({"ABC", "AB", "A"}) << QStringList({"A", "AB", "ABC"});
    QTest::newRow("case beside") << QStringList({"b", "B", "a", "A"}) << QStringList({"A", "a", "B", "b"});
    QTest::newRow("blank inside") << QStringList({"AB", "A B", "AA"}) << QStringList({"A B", "AA", "AB"});
}

void TstToolkit::sortedListRomanianOrder()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, sorted);
    MainForm f;
    f.Load();
    for (const QString& s : added)
        f.List1.AddItem(s);
    QStringList got;
    for (std::int16_t i = 0; i < f.List1.ListCount(); ++i)
        got << f.List1.List(i);
    QCOMPARE(got, sorted);
    // The combo sorts the same way.
    for (const QString& s : added)
        f.Combo1.AddItem(s);
    got.clear();
    for (std::int16_t i = 0; i < f.Combo1.ListCount(); ++i)
        got << f.Combo1.List(i);
    QCOMPARE(got, sorted);
    f.Unload();
}

void TstToolkit::newIndexAndItemDataStayWithItem()
{
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

void TstToolkit::equalTextsKeepArrivalOrder()
{
    MainForm f;
    f.Load();
    for (int i = 0; i < 5; ++i) {
        f.List1.AddItem(i % 2 ? "B" : "A");
        f.List1.setItemData(f.List1.NewIndex(), i);
    }
    QList<int> data;
    for (std::int16_t i = 0; i < f.List1.ListCount(); ++i)
        data << f.List1.ItemData(i);
    QCOMPARE(data, QList<int>({0, 2, 4, 1, 3}));
    f.List1.AddItem("A");
    QCOMPARE(static_cast<std::int16_t>(f.List1.NewIndex()), std::int16_t(3));
    f.Unload();
}

void TstToolkit::fullListSortedWithItsData()
{
    MainForm f;
    f.Load();
    const QString letters = QStringLiteral("AĂÂBIÎSȘŞTȚŢZ 1");
    QStringList texts;
    for (int i = 0; i < 32767; ++i) {
        QString t;
        for (int k = 0, v = i * 7919 + 13; k < 4; ++k, v /= letters.size())
            t += letters.at(v % letters.size());
        texts << t;
        f.List1.AddItem(t);
        f.List1.setItemData(f.List1.NewIndex(), i);
    }
    QCOMPARE(f.List1.ListCount(), std::int16_t(32767));
    f.List1.setListIndex(0);
    for (std::int16_t i = 0; i < 32767; ++i) {
        QCOMPARE(f.List1.List(i), texts[f.List1.ItemData(i)]);
        if (i > 0)
            QVERIFY(RomanianCompare(f.List1.List(i - 1), f.List1.List(i)) <= 0);
        // Equal texts keep the order they arrived in.
        if (i > 0 && f.List1.List(i - 1) == f.List1.List(i))
            QVERIFY(f.List1.ItemData(i - 1) < f.List1.ItemData(i));
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

void TstToolkit::unloadFromOwnHandlerEndsShow()
{
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

void TstToolkit::unsortedListKeepsArrivalOrder()
{
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

void TstToolkit::listIndexWriteSelectsAndClicks_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("first") << 0;
    QTest::newRow("last") << 2;
    QTest::newRow("none") << -1;
}

void TstToolkit::listIndexWriteSelectsAndClicks()
{
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

void TstToolkit::listIndexOutOfRangeIsAnError_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("past end") << 2;
    QTest::newRow("below -1") << -2;
}

void TstToolkit::listIndexOutOfRangeIsAnError()
{
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

void TstToolkit::userPickRaisesClick()
{
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

void TstToolkit::viewShowsSortedItems()
{
    MainForm f;
    open(f);
    for (const char* s : {"ȚARĂ", "TOC", "ȘAH", "SAT"})
        f.List1.AddItem(QString::fromUtf8(s));
    auto* view = static_cast<QListView*>(f.List1.widget());
    QTRY_COMPARE(view->model()->rowCount(), 4);
    QStringList shown;
    for (int i = 0; i < 4; ++i)
        shown << view->model()->index(i, 0).data().toString();
    QCOMPARE(shown, QStringList({"SAT", "ȘAH", "TOC", "ȚARĂ"}));
    f.Unload();
}

void TstToolkit::clearEmptiesListAndNewIndex()
{
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

void TstToolkit::comboTextSelectsItem()
{
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

void TstToolkit::comboTextOfNoItemIsAnError()
{
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

void TstToolkit::comboUserPickRaisesClick()
{
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

void TstToolkit::comboOpensAsAScrollingList()
{
    MainForm f;
    open(f);
    for (int i = 0; i < 40; ++i)
        f.Combo1.AddItem(QStringLiteral("CAPITOLUL %1").arg(i, 2, 10, QLatin1Char('0')));
    f.Combo1.setListIndex(0);
    auto* combo = static_cast<QComboBox*>(f.Combo1.widget());
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    QTRY_VERIFY(view->isVisible());
    const int rows = view->viewport()->height() / view->sizeHintForRow(0);
    QVERIFY2(rows >= 8 && rows <= 12, qPrintable(QString::number(rows)));
    QVERIFY(view->verticalScrollBar()->isVisible());
    combo->hidePopup();
    f.Unload();
}

void TstToolkit::emptyListShowsTheFocus()
{
    MainForm f;
    open(f);
    auto* view = static_cast<QListView*>(f.List1.widget());
    const auto marked = [&] {
        const QImage image = view->viewport()->grab().toImage();
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 160;
        return dark;
    };
    QCOMPARE(f.List1.ListCount(), std::int16_t(0));
    QCOMPARE(marked(), 0);
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    QVERIFY(marked() > 20);
    f.Text1.SetFocus();
    QCOMPARE(marked(), 0);
    f.Unload();
}

void TstToolkit::listBorderWholeAtAnyScale_data()
{
    QTest::addColumn<qreal>("scale");
    for (qreal scale : {1.0, 1.25, 1.5, 1.75, 2.0})
        QTest::addRow("%g", scale) << scale;
}

void TstToolkit::listBorderWholeAtAnyScale()
{
    QFETCH(qreal, scale);
    MainForm f;
    open(f);
    QWidget* list = f.List1.widget();
    const int w = static_cast<int>(list->width() * scale);
    const int h = static_cast<int>(list->height() * scale);
    QImage image(w, h, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    list->render(&image);
    const auto inked = [&](int x, int y) { return qGray(image.pixel(x, y)) < 250; };
    // Every device pixel of the four sides, the last ones included.
    for (int x = 0; x < w; x += 7) {
        QVERIFY2(inked(x, 0), qPrintable(QStringLiteral("top at %1").arg(x)));
        QVERIFY2(inked(x, h - 1), qPrintable(QStringLiteral("bottom at %1").arg(x)));
    }
    for (int y = 0; y < h; y += 7) {
        QVERIFY2(inked(0, y), qPrintable(QStringLiteral("left at %1").arg(y)));
        QVERIFY2(inked(w - 1, y), qPrintable(QStringLiteral("right at %1").arg(y)));
    }
    f.Unload();
}
