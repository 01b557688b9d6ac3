// The editors when another copy of the program changes the file behind them,
// when saves are refused, when the table is full, when a stored text is longer
// than the box or holds what the store does not take, and where the focus goes
// when a button disables itself.
#include "support/Backends.h"
#include "tst_editors_common.h"

#include "store/Statements.h"
#include "support/ToolRun.h"

#include <QLineEdit>

using namespace edtest;

class TestEditorFaults : public QObject {
    Q_OBJECT

    Session s;

    // The other copy deletes a row listed before the selected one and adds a
    // new one, so the selected row's position now names another row.
    void shiftRows(const Info& in, std::int32_t before)
    {
        s.store->other().ExecuteScript(
            QStringLiteral("DELETE FROM %1 WHERE %2 = %3").arg(in.table, in.keyField).arg(before));
        s.add(in, "ALTUL");
    }

    QString textOf(const Info& in, std::int32_t key)
    {
        return s.store
            ->column(
                QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4").arg(in.textField, in.table, in.keyField).arg(key))
            .value(0);
    }

    // Rows written straight into the store, each with its fold key (the upper-case text).
    void fill(const Info& in, int rows)
    {
        const QString fold = in.words ? QStringLiteral("Cuvant_Fold") : QStringLiteral("Capitol_Fold");
        // A server gives the keys itself, so the ones it gives next stay free.
        if (TempStore::onServer())
            s.store->other().ExecuteScript(
                QStringLiteral("INSERT INTO %2 (%3, %4) SELECT 'R' || lpad(i::text, 6, '0'), "
                               "'R' || lpad(i::text, 6, '0') FROM generate_series(1, %1) AS i;")
                    .arg(rows)
                    .arg(in.table, in.textField, fold));
        else
            s.store->other().ExecuteScript(
                QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                               "INSERT INTO %2 (%3, %4, %5) SELECT i, printf('R%06d', i), printf('R%06d', i) FROM n;")
                    .arg(rows)
                    .arg(in.table, in.keyField, in.textField, fold));
    }

private slots:
    void initTestCase() { s.install(); }
    void init() { s.open(200); }
    void cleanup()
    {
        const QString failure = s.close();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void modifyFindsRowByKey_data() { bothEditors(); }
    void modifyFindsRowByKey()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        const std::int32_t a = s.add(in, "ZERO");
        const std::int32_t b = s.add(in, "UNU");
        const std::int32_t c = s.add(in, "DOI");
        auto e = make(words);
        whileShown(*e, [&] {
            // DOI, the third row of the fill, is selected; after the shift the third row is ALTUL.
            QCOMPARE(e->List1.List(0), QStringLiteral("DOI"));
            shiftRows(in, a);
            const std::int32_t added =
                s.store->column(QStringLiteral("SELECT max(%1) FROM %2").arg(in.keyField, in.table))[0].toInt();
            click(e->Command2);
            QCOMPARE(stateOf(*e, words), QStringLiteral("modifying"));
            QCOMPARE(e->Text1.Text(), QStringLiteral("DOI"));
            type(e->Text1.widget(), "I");
            click(e->Command3);
            QCOMPARE(textOf(in, c), QStringLiteral("DOII"));
            QCOMPARE(textOf(in, b), QStringLiteral("UNU"));
            QCOMPARE(textOf(in, added), QStringLiteral("ALTUL"));
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
        });
        QVERIFY(s.boxes.empty());
    }

    void modifyRowChanged_data()
    {
        QTest::addColumn<bool>("words");
        QTest::addColumn<bool>("deleted");
        for (bool words : {false, true})
            for (bool deleted : {false, true})
                QTest::addRow("%s %s", words ? "dictionar" : "capitole", deleted ? "deleted" : "renamed")
                    << words << deleted;
    }
    void modifyRowChanged()
    {
        QFETCH(bool, words);
        QFETCH(bool, deleted);
        const Info in = info(words);
        s.add(in, "UNU");
        const std::int32_t b = s.add(in, "DOI");
        s.add(in, "TREI");
        auto e = make(words);
        whileShown(*e, [&] {
            QCOMPARE(e->List1.List(0), QStringLiteral("DOI"));
            if (deleted) {
                s.store->other().Execute(in.words ? store::DeleteWordStatement("DOI")
                                                  : store::DeleteChapterStatement("DOI"));
            } else {
                auto rs = s.store->other().OpenRecordset(in.table, dbOpenDynaset);
                while (rs->Fields(in.keyField).Value.ToInt32() != b)
                    rs->MoveNext();
                rs->Edit();
                rs->Collect(in.textField) = QStringLiteral("PATRU");
                rs->Update();
            }
            const QStringList before = s.stored(in);
            click(e->Command2);
            // Nothing is touched: the window stays in browsing over a fresh list.
            QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QCOMPARE(s.stored(in), before);
            QVERIFY(!items(e->List1).contains("DOI"));
            QCOMPARE(items(e->List1).contains("PATRU"), !deleted);
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
            // The refilled list works as usual.
            click(e->Command2);
            QCOMPARE(stateOf(*e, words), QStringLiteral("modifying"));
            QCOMPARE(e->Text1.Text(), e->List1.List(0));
        });
        QVERIFY(s.boxes.empty());
    }

    void linksFindWordByKey()
    {
        const Info in = info(true);
        const std::int32_t a = s.add(in, "ZERO");
        s.add(in, "UNU");
        const std::int32_t c = s.add(in, "DOI");
        Global::SelectedWordId = -1;
        frmDictionar e;
        QString shown;
        whileShown(e, [&] {
            QCOMPARE(e.Text1.Text(), QStringLiteral("DOI"));
            shiftRows(in, a);
            QTimer::singleShot(0, [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (w->isVisible() && w != e.widget() && w->windowTitle() == QStringLiteral("Legaturã")) {
                        if (auto* box = w->findChild<QLineEdit*>())
                            shown = box->text();
                        w->close();
                    }
            });
            click(e.control<CommandButton>("Command7"));
            QCOMPARE(Global::SelectedWordId, c);
            QVERIFY2(listProblems(e, s, in).isEmpty(), qPrintable(listProblems(e, s, in)));
        });
        QCOMPARE(shown, QStringLiteral("DOI"));
    }

    void linksWordGone()
    {
        const Info in = info(true);
        s.add(in, "UNU");
        s.add(in, "DOI");
        Global::SelectedWordId = -1;
        frmDictionar e;
        bool opened = false;
        whileShown(e, [&] {
            s.store->other().Execute(store::DeleteWordStatement("DOI"));
            QTimer::singleShot(0, [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (w->isVisible() && w != e.widget() && w->windowTitle() == QStringLiteral("Legaturã")) {
                        opened = true;
                        w->close();
                    }
            });
            click(e.control<CommandButton>("Command7"));
            QCOMPARE(Global::SelectedWordId, -1);
            QCOMPARE(items(e.List1), QStringList{"UNU"});
            QCOMPARE(e.Text1.Text(), QStringLiteral("UNU"));
            QVERIFY2(listProblems(e, s, in).isEmpty(), qPrintable(listProblems(e, s, in)));
            QTest::qWait(20);  // let the closer look for a window that must not be there
        });
        QVERIFY(!opened);
    }

    void saveRefused_data() { editorAndModeRows(); }
    void saveRefused()
    {
        QFETCH(bool, words);
        QFETCH(bool, modify);
        const Info in = info(words);
        s.add(in, "VECHI");
        auto e = make(words);
        whileShown(*e, [&] {
            click(modify ? e->Command2 : e->Command1);
            e->Text1.setText(QString());
            type(e->Text1.widget(), "nou");
            // Another copy holds the write lock past the wait.
            s.store->other().BeginTransaction();
            if (TempStore::onServer())
                s.store->other().ExecuteScript(QStringLiteral("LOCK TABLE %1 IN SHARE MODE").arg(in.table));
            click(e->Command3);
            s.store->other().RollbackTransaction();
            QCOMPARE(s.boxes.size(), std::size_t(1));
            QCOMPARE(s.boxes[0].title, QStringLiteral("Eroare la salvare."));
            QCOMPARE(s.boxes[0].style, vbExclamation);
            QVERIFY2(s.boxes[0].text.startsWith(QStringLiteral("Eroare %1: ").arg(err::Locked)),
                     qPrintable(s.boxes[0].text));
            QVERIFY(s.boxes[0].text.size() > 12);
            QCOMPARE(stateOf(*e, words), modify ? QStringLiteral("modifying") : QStringLiteral("adding"));
            QCOMPARE(e->Text1.Text(), QStringLiteral("NOU"));
            QCOMPARE(s.stored(in), QStringList{"VECHI"});
            // The pending row survived: once the lock is gone the same save goes through.
            click(e->Command3);
            QCOMPARE(s.boxes.size(), std::size_t(1));
            QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QCOMPARE(s.stored(in), modify ? QStringList{"NOU"} : (QStringList{"VECHI", "NOU"}));
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
        });
    }

    void focusBackAfterSave_data()
    {
        QTest::addColumn<bool>("words");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("way");
        for (bool words : {false, true}) {
            const char* name = words ? "dictionar" : "capitole";
            for (const char* way : {"click", "alt"}) {
                QTest::addRow("%s save %s", name, way) << words << "save" << way;
                QTest::addRow("%s cancel %s", name, way) << words << "cancel" << way;
            }
            QTest::addRow("%s save enter", name) << words << "save"
                                                 << "enter";
        }
    }
    void focusBackAfterSave()
    {
        QFETCH(bool, words);
        QFETCH(QString, button);
        QFETCH(QString, way);
        const Info in = info(words);
        auto e = make(words);
        whileShown(*e, [&] {
            click(e->Command1);
            type(e->Text1.widget(), "nou");
            CommandButton& b = button == "save" ? e->Command3 : e->Command4;
            if (way == "click")
                click(b);
            else if (way == "alt")
                QTest::keyClick(e->widget(), button == "save" ? Qt::Key_V : Qt::Key_Z, Qt::AltModifier);
            else
                QTest::keyClick(e->Text1.widget(), Qt::Key_Return);
            QTRY_COMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QCOMPARE(s.stored(in), button == "save" ? QStringList{"NOU"} : QStringList{});
            // Back in the text box, not on Înapoi: Enter adds, as the default button does in browsing.
            QCOMPARE(e->widget()->focusWidget(), e->Text1.widget());
            QTest::keyClick(e->widget()->focusWidget(), Qt::Key_Return);
            QVERIFY(e->IsLoaded());
            QCOMPARE(stateOf(*e, words), QStringLiteral("adding"));
        });
    }

    void fullTableRefusesAdd_data() { bothEditors(); }
    void fullTableRefusesAdd()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        fill(in, 32767);
        auto e = make(words);
        whileShown(*e, [&] {
            QCOMPARE(e->List1.ListCount(), std::int16_t(32767));
            QTest::keyClick(e->widget(), Qt::Key_A, Qt::AltModifier);
            QTRY_COMPARE(s.boxes.size(), std::size_t(1));
            QCOMPARE(s.boxes[0].title, QStringLiteral("Tabelã plinã."));
            QCOMPARE(s.boxes[0].style, vbExclamation);
            QVERIFY2(s.boxes[0].text.contains(QStringLiteral("cel mult 32767 de ")), qPrintable(s.boxes[0].text));
            QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QCOMPARE(s.store->count(in.table), std::int64_t(32767));
            // Still usable: a title can be changed, and a row deleted makes room for one more.
            click(e->Command2);
            QCOMPARE(stateOf(*e, words), QStringLiteral("modifying"));
            click(e->Command4);
            s.answer(vbYes);
            click(e->Command5);
            QCOMPARE(s.boxes.size(), std::size_t(2));
            QCOMPARE(s.boxes[1].title, QStringLiteral("Stergere."));
            QCOMPARE(s.store->count(in.table), std::int64_t(32766));
            click(e->Command1);
            type(e->Text1.widget(), "nou");
            click(e->Command3);
            QCOMPARE(s.store->count(in.table), std::int64_t(32767));
            QCOMPARE(s.boxes.size(), std::size_t(2));
        });
        // And it opens again.
        auto again = make(words);
        whileShown(*again, [&] { QCOMPARE(again->List1.ListCount(), std::int16_t(32767)); });
        QCOMPARE(s.boxes.size(), std::size_t(2));
    }

    void tableFilledDuringAdd_data() { bothEditors(); }
    void tableFilledDuringAdd()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        fill(in, 32766);
        auto e = make(words);
        whileShown(*e, [&] {
            click(e->Command1);
            s.add(in, "DE ALTUNDEVA");  // another copy takes the last place
            type(e->Text1.widget(), "nou");
            click(e->Command3);
            QCOMPARE(s.boxes.size(), std::size_t(1));
            QCOMPARE(s.boxes[0].title, QStringLiteral("Tabelã plinã."));
            QCOMPARE(s.store->count(in.table), std::int64_t(32767));
            // Still adding, with the typed text: the user can only cancel.
            QCOMPARE(stateOf(*e, words), QStringLiteral("adding"));
            QCOMPARE(e->Text1.Text(), QStringLiteral("NOU"));
            click(e->Command4);
            QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QCOMPARE(e->List1.ListCount(), std::int16_t(32767));
        });
    }

    void longTextSavedWhole_data() { bothEditors(); }
    void longTextSavedWhole()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        // From another tool: longer than the box, with a character of two UTF-16 units across the limit.
        const QString longText = QString(in.maxLength - 1, QLatin1Char('A')) + QString::fromUtf8("\U0001D11E") + "BC";
        s.add(in, longText);
        auto e = make(words);
        whileShown(*e, [&] {
            click(e->Command2);
            QCOMPARE(e->Text1.Text(), longText);
            type(e->Text1.widget(), "x");
            QCOMPARE(e->Text1.Text(), longText);
            click(e->Command3);
            QCOMPARE(s.stored(in), QStringList{longText});
            QVERIFY(s.boxes.empty());
        });
    }

    void invisibleRefused_data()
    {
        QTest::addColumn<bool>("words");
        QTest::addColumn<bool>("modify");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("code");
        for (bool words : {false, true})
            for (bool modify : {false, true}) {
                const char* n = words ? "dictionar" : "capitole";
                const char* m = modify ? "modify" : "add";
                QTest::addRow("%s %s zero-width space", n, m) << words << modify << "AB\u200BC"
                                                              << "U+200B";
                QTest::addRow("%s %s TAB", n, m) << words << modify << "A\tB"
                                                 << "U+0009";
                QTest::addRow("%s %s bidi override", n, m) << words << modify << "\u202EABC"
                                                           << "U+202E";
                QTest::addRow("%s %s U+0001", n, m) << words << modify << "A\u0001"
                                                    << "U+0001";
            }
    }
    void invisibleRefused()
    {
        QFETCH(bool, words);
        QFETCH(bool, modify);
        QFETCH(QString, pasted);
        QFETCH(QString, code);
        const Info in = info(words);
        s.add(in, "ABC");
        auto e = make(words);
        whileShown(*e, [&] {
            click(modify ? e->Command2 : e->Command1);
            e->Text1.setText(QString());
            test::paste(e->Text1.widget(), pasted);
            click(e->Command3);
            QCOMPARE(s.boxes.size(), std::size_t(1));
            QCOMPARE(s.boxes[0].title, QStringLiteral("Caracter invizibil."));
            QCOMPARE(s.boxes[0].style, vbExclamation);
            QVERIFY2(s.boxes[0].text.contains("(" + code + ")"), qPrintable(s.boxes[0].text));
            QCOMPARE(stateOf(*e, words), modify ? QStringLiteral("modifying") : QStringLiteral("adding"));
            QCOMPARE(s.stored(in), QStringList{"ABC"});
            // The pending row is still there: the corrected text saves.
            e->Text1.setText(QString());
            type(e->Text1.widget(), "xyz");
            click(e->Command3);
            QCOMPARE(s.boxes.size(), std::size_t(1));
            QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QCOMPARE(s.stored(in), modify ? QStringList{"XYZ"} : (QStringList{"ABC", "XYZ"}));
        });
    }

    // A decomposed letter pasted from another program is the same text as the composed one.
    void decomposedIsADuplicate_data() { bothEditors(); }
    void decomposedIsADuplicate()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        s.add(in, "CASĂ");
        auto e = make(words);
        whileShown(*e, [&] {
            click(e->Command1);
            test::paste(e->Text1.widget(), "CASA\u0306");
            click(e->Command3);
            QCOMPARE(s.boxes.size(), std::size_t(1));
            QCOMPARE(s.boxes[0].text, in.duplicateText);
            QCOMPARE(s.stored(in), QStringList{"CASĂ"});
        });
    }

    // What the editors store exports and imports back; a typed ş is stored Ş, which comes back Ș.
    void typedStoreComesBackWhole()
    {
        for (bool words : {false, true}) {
            auto e = make(words);
            whileShown(*e, [&] {
                for (const char* text :
                     {"măr", "ştiinţă", "straße", "pâine și apă", "capitolul al patruzecilea lung"}) {
                    click(e->Command1);
                    type(e->Text1.widget(), QString::fromUtf8(text));
                    click(e->Command3);
                }
            });
        }
        QVERIFY(s.boxes.empty());
        QCOMPARE(s.store->column("SELECT Cuvant FROM tblDictionar WHERE Cuvant LIKE 'Ş%'"), QStringList{"ŞTIINŢĂ"});
        Global::db->Close();
        const QString dir = s.store->folder();
        const test::Run check = test::tool(dir, {"check", "Dictionar.mdb"});
        QVERIFY2(check.code == 0, qPrintable(check.out + check.err));
        QCOMPARE(test::tool(dir, {"export", "Dictionar.mdb", "csv"}).code, 0);
        QCOMPARE(test::tool(dir, {"create", "b.mdb"}).code, 0);
        const test::Run back = test::tool(dir, {"import", "b.mdb", "csv"});
        QVERIFY2(back.code == 0, qPrintable(back.err));
        QStringList expected = test::contentOf(s.store->file()).replaceInStrings("Ş", "Ș").replaceInStrings("Ţ", "Ț");
        QStringList got = test::contentOf(dir + "/b.mdb");
        expected.sort();
        got.sort();
        QCOMPARE(got, expected);
    }
};

TARVIX_TEST_BOTH_BACKENDS(TestEditorFaults, QApplication)
#include "tst_editors_faults.moc"
