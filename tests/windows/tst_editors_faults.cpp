// The editors when another copy of the program changes the file behind them:
// rows found again by key, and saves the store refuses for other reasons.
#include "tst_editors_common.h"

#include "store/Statements.h"

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
};

QTEST_MAIN(TestEditorFaults)
#include "tst_editors_faults.moc"
