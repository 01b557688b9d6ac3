// The chapters and words editors driven through their real widgets against a
// fresh store: design, states, typing, saving, cancelling and deleting.
#include "support/Backends.h"
#include "tst_editors_common.h"

#include <QListView>

using namespace edtest;

class TestEditors : public QObject {
    Q_OBJECT

    Session s;

private slots:
    void initTestCase() { s.install(); }
    void init() { s.open(); }
    void cleanup()
    {
        const QString failure = s.close();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void design_data() { bothEditors(); }
    void design()
    {
        QFETCH(bool, words);
        auto e = make(words);
        whileShown(*e, [&] {
            QCOMPARE(e->widget()->windowTitle(), words ? QStringLiteral("Dictionar") : QStringLiteral("Capitole"));
            QCOMPARE(e->widget()->size(), QSize(Twips(7155), Twips(words ? 3135 : 3120)));
            QVERIFY(!e->widget()->windowIcon().isNull());
            QCOMPARE(e->Frame1.Caption(),
                     words ? QStringLiteral("Cuvinte existente:") : QStringLiteral("Capitole existente:"));
            QCOMPARE(e->Label1.Caption(), words ? QStringLiteral("Total cuvinte:") : QStringLiteral("Total capitole:"));
            QCOMPARE(e->Text1.MaxLength(), words ? 25 : 40);
            QVERIFY(e->List1.Sorted());
            QCOMPARE(e->Command1.Caption(), QStringLiteral("&Adaugã"));
            QCOMPARE(e->Command2.Caption(), QStringLiteral("&Modificã"));
            QCOMPARE(e->Command3.Caption(), QStringLiteral("Sal&veazã"));
            QCOMPARE(e->Command4.Caption(), QStringLiteral("Anulea&zã"));
            QCOMPARE(e->Command5.Caption(), QStringLiteral("&Sterge"));
            QCOMPARE(e->Command6.Caption(), QStringLiteral("Î&napoi"));
            QCOMPARE(e->Command6.Cancel(), !words);
            QCOMPARE(e->find(QStringLiteral("Command7")) != nullptr, words);
            if (words)
                QCOMPARE(e->control<CommandButton>("Command7").Caption(), QStringLiteral("&Legãturã"));
            // The first control in tab order that takes the focus: the locked box, or the list.
            QCOMPARE(e->widget()->focusWidget(), words ? e->List1.widget() : e->Text1.widget());
            QCOMPARE(e->Text1.Text(), QString());
            QCOMPARE(e->Label2.Caption(), QStringLiteral("0"));
        });
    }

    void states_data()
    {
        QTest::addColumn<bool>("words");
        QTest::addColumn<QString>("state");
        for (const char* state : {"browsing", "adding", "modifying"}) {
            QTest::addRow("capitole %s", state) << false << QString::fromLatin1(state);
            QTest::addRow("dictionar %s", state) << true << QString::fromLatin1(state);
        }
    }
    void states()
    {
        QFETCH(bool, words);
        QFETCH(QString, state);
        const Info in = info(words);
        s.add(in, "BETA");
        s.add(in, "ALFA");
        auto e = make(words);
        whileShown(*e, [&] {
            if (state == "adding")
                click(e->Command1);
            if (state == "modifying")
                click(e->Command2);
            const bool browsing = state == "browsing";
            QCOMPARE(e->List1.Enabled(), browsing);
            QCOMPARE(e->Text1.Locked(), browsing);
            QCOMPARE(e->Command1.Enabled(), browsing);
            QCOMPARE(e->Command2.Enabled(), browsing);
            QCOMPARE(e->Command3.Enabled(), !browsing);
            QCOMPARE(e->Command4.Enabled(), !browsing);
            QCOMPARE(e->Command5.Enabled(), browsing);
            QCOMPARE(e->Command6.Enabled(), true);
            if (words)
                QCOMPARE(e->control<CommandButton>("Command7").Enabled(), browsing);
            QCOMPARE(e->Command1.Default(), state != "adding");
            QCOMPARE(e->Command3.Default(), state == "adding");
            QCOMPARE(stateOf(*e, words), state);
            if (browsing) {
                QCOMPARE(e->Text1.Text(), words ? QStringLiteral("ALFA") : QString());
            } else {
                QCOMPARE(e->widget()->focusWidget(), e->Text1.widget());
                QCOMPARE(e->Text1.Text(), state == "adding" ? QString() : QStringLiteral("ALFA"));
            }
        });
    }

    void emptyTable_data() { bothEditors(); }
    void emptyTable()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        auto e = make(words);
        whileShown(*e, [&] {
            QCOMPARE(e->List1.ListCount(), std::int16_t(0));
            QCOMPARE(e->List1.ListIndex(), std::int16_t(-1));
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
            click(e->Command1);
            type(e->Text1.widget(), "prim");
            click(e->Command3);
            QCOMPARE(s.stored(in), QStringList{"PRIM"});
            QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
        });
        QVERIFY(s.boxes.empty());
    }

    void blankSave_data()
    {
        QTest::addColumn<bool>("words");
        QTest::addColumn<bool>("modify");
        QTest::addColumn<QString>("typed");
        for (bool words : {false, true})
            for (bool modify : {false, true})
                for (const char* typed : {"", "   "})
                    QTest::addRow("%s %s '%s'", words ? "dictionar" : "capitole", modify ? "modify" : "add", typed)
                        << words << modify << QString::fromLatin1(typed);
    }
    void blankSave()
    {
        QFETCH(bool, words);
        QFETCH(bool, modify);
        QFETCH(QString, typed);
        const Info in = info(words);
        s.add(in, "ALFA");
        auto e = make(words);
        whileShown(*e, [&] {
            click(modify ? e->Command2 : e->Command1);
            e->Text1.setText(QString());
            type(e->Text1.widget(), typed);
            click(e->Command3);
            QCOMPARE(s.boxes.size(), std::size_t(1));
            QCOMPARE(s.boxes[0].text, in.blankText);
            QCOMPARE(s.boxes[0].title, in.blankTitle);
            QCOMPARE(s.boxes[0].style, vbExclamation);
            QCOMPARE(s.stored(in), QStringList{"ALFA"});
            QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
        });
    }

    void typing_data()
    {
        QTest::addColumn<bool>("words");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        for (bool words : {false, true}) {
            const char* n = words ? "dictionar" : "capitole";
            QTest::addRow("%s latin", n) << words << "abc xyz"
                                         << "ABC XYZ";
            QTest::addRow("%s romanian", n) << words << "ăâîșț"
                                            << "ĂÂÎȘȚ";
            QTest::addRow("%s cedilla", n) << words << "şţ"
                                           << "ŞŢ";
            QTest::addRow("%s digits and signs", n) << words << "1-2 \"a\""
                                                    << "1-2 \"A\"";
            QTest::addRow("%s sharp s kept", n) << words << "ß"
                                                << "ß";
            const int max = words ? 25 : 40;
            QTest::addRow("%s limit", n) << words << QString(max + 5, 'q') << QString(max, 'Q');
        }
    }
    void typing()
    {
        QFETCH(bool, words);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        auto e = make(words);
        whileShown(*e, [&] {
            click(e->Command1);
            type(e->Text1.widget(), typed);
            QCOMPARE(e->Text1.Text(), shown);
            QTest::keyClick(e->Text1.widget(), Qt::Key_Backspace);
            QCOMPARE(e->Text1.Text(), shown.chopped(1));
        });
    }

    void trimming_data() { bothEditors(); }
    void trimming()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        auto e = make(words);
        whileShown(*e, [&] {
            click(e->Command1);
            type(e->Text1.widget(), "  doi  trei ");
            click(e->Command3);
            QCOMPARE(s.stored(in), QStringList{"DOI  TREI"});
            // The chapters box keeps what was typed; the words box follows the first word.
            QCOMPARE(e->Text1.Text(), words ? QStringLiteral("DOI  TREI") : QStringLiteral("  DOI  TREI "));
        });
    }

    void duplicate_data()
    {
        QTest::addColumn<bool>("words");
        QTest::addColumn<bool>("modify");
        QTest::addColumn<QString>("existing");
        for (bool words : {false, true})
            for (bool modify : {false, true}) {
                const char* n = words ? "dictionar" : "capitole";
                const char* m = modify ? "modify" : "add";
                QTest::addRow("%s %s same", n, m) << words << modify << "ȘARPE";
                QTest::addRow("%s %s other case", n, m) << words << modify << "șarpe";
            }
    }
    void duplicate()
    {
        QFETCH(bool, words);
        QFETCH(bool, modify);
        QFETCH(QString, existing);
        const Info in = info(words);
        s.add(in, existing);
        s.add(in, "ALBINĂ");
        const QStringList before = s.stored(in);
        auto e = make(words);
        whileShown(*e, [&] {
            click(modify ? e->Command2 : e->Command1);
            e->Text1.setText(QString());
            type(e->Text1.widget(), "șarpe");
            click(e->Command3);
            QCOMPARE(s.boxes.size(), std::size_t(1));
            QCOMPARE(s.boxes[0].text, in.duplicateText);
            QCOMPARE(s.boxes[0].title, QStringLiteral("Duplicat."));
            QCOMPARE(s.boxes[0].style, vbExclamation);
            QCOMPARE(stateOf(*e, words), modify ? QStringLiteral("modifying") : QStringLiteral("adding"));
            QCOMPARE(e->Text1.Text(), QStringLiteral("ȘARPE"));
            QCOMPARE(s.stored(in), before);
            // The pending row is still there: a corrected text saves.
            type(e->Text1.widget(), "le");
            click(e->Command3);
            QCOMPARE(s.boxes.size(), std::size_t(1));
            QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QCOMPARE(s.stored(in).contains("ȘARPELE"), true);
            QCOMPARE(s.stored(in).contains("ALBINĂ"), !modify);
        });
    }

    void cancelAfterDuplicate_data() { bothEditors(); }
    void cancelAfterDuplicate()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        s.add(in, "UNU");
        auto e = make(words);
        whileShown(*e, [&] {
            click(e->Command1);
            type(e->Text1.widget(), "unu");
            click(e->Command3);
            QCOMPARE(s.boxes.size(), std::size_t(1));
            click(e->Command4);
            QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QCOMPARE(s.stored(in), QStringList{"UNU"});
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
        });
    }

    void modifyUnchanged_data() { bothEditors(); }
    void modifyUnchanged()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        const std::int32_t key = s.add(in, "MERE");
        s.add(in, "PERE");
        auto e = make(words);
        whileShown(*e, [&] {
            click(e->Command2);
            QCOMPARE(e->Text1.Text(), QStringLiteral("MERE"));
            click(e->Command3);
            QVERIFY(s.boxes.empty());
            QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QCOMPARE(s.store->column(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                                         .arg(in.textField, in.table, in.keyField)
                                         .arg(key)),
                     QStringList{"MERE"});
        });
    }

    void enterKey_data() { editorAndModeRows(); }
    void enterKey()
    {
        QFETCH(bool, words);
        QFETCH(bool, modify);
        const Info in = info(words);
        s.add(in, "VECHI");
        auto e = make(words);
        whileShown(*e, [&] {
            click(modify ? e->Command2 : e->Command1);
            type(e->Text1.widget(), "x");
            QTest::keyClick(e->Text1.widget(), Qt::Key_Return);
            if (modify) {
                QCOMPARE(stateOf(*e, words), QStringLiteral("modifying"));
                QCOMPARE(e->Text1.Text(), QStringLiteral("VECHIX"));
                QCOMPARE(s.stored(in), QStringList{"VECHI"});
            } else {
                QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
                QCOMPARE(s.stored(in), (QStringList{"VECHI", "X"}));
            }
            QVERIFY(s.boxes.empty());
        });
    }

    void escape_data() { states_data(); }
    void escape()
    {
        QFETCH(bool, words);
        QFETCH(QString, state);
        const Info in = info(words);
        s.add(in, "UNU");
        auto e = make(words);
        whileShown(*e, [&] {
            if (state != "browsing") {
                click(state == "adding" ? e->Command1 : e->Command2);
                type(e->Text1.widget(), "doi");
            }
            QTest::keyClick(e->widget()->focusWidget(), Qt::Key_Escape);
            QCOMPARE(e->IsLoaded(), words);
            if (words)
                QCOMPARE(stateOf(*e, words), state);
        });
        // A pending row is never stored on the way out.
        QCOMPARE(s.stored(in), QStringList{"UNU"});
    }

    void deleteRow_data()
    {
        QTest::addColumn<bool>("words");
        QTest::addColumn<bool>("yes");
        for (bool words : {false, true})
            for (bool yes : {false, true})
                QTest::addRow("%s %s", words ? "dictionar" : "capitole", yes ? "yes" : "no") << words << yes;
    }
    void deleteRow()
    {
        QFETCH(bool, words);
        QFETCH(bool, yes);
        const Info in = info(words);
        const std::int32_t w1 = s.store->addWord("ÎNCEPUT");
        const std::int32_t w2 = s.store->addWord("SFÂRȘIT");
        const std::int32_t c1 = s.store->addChapter("ÎNCEPUT");
        const std::int32_t c2 = s.store->addChapter("SFÂRȘIT");
        s.store->link(w1, c1);
        s.store->link(w1, c2);
        s.store->link(w2, c1);
        s.store->link(w2, c2);
        s.answers.push_back(yes ? vbYes : vbNo);
        auto e = make(words);
        whileShown(*e, [&] {
            click(e->Command5);
            QCOMPARE(s.boxes.size(), std::size_t(1));
            QCOMPARE(s.boxes[0].text, in.deleteQuestion("ÎNCEPUT"));
            QCOMPARE(s.boxes[0].title, QStringLiteral("Stergere."));
            QCOMPARE(s.boxes[0].style, vbYesNo + vbCritical);
            QCOMPARE(stateOf(*e, words), QStringLiteral("browsing"));
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
        });
        QCOMPARE(s.stored(in), yes ? QStringList{"SFÂRȘIT"} : (QStringList{"ÎNCEPUT", "SFÂRȘIT"}));
        const std::int32_t gone = words ? w1 : c1;
        QCOMPARE(s.store->count("tblLegatura"), yes ? 2 : 4);
        QCOMPARE(s.store->column(
                     QStringLiteral("SELECT count(*) FROM tblLegatura WHERE %1 = %2").arg(in.keyField).arg(gone)),
                 QStringList{yes ? "0" : "2"});
    }

    void deleteLast_data() { bothEditors(); }
    void deleteLast()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        s.add(in, "SINGUR");
        s.answers.push_back(vbYes);
        auto e = make(words);
        whileShown(*e, [&] {
            click(e->Command5);
            QCOMPARE(e->List1.ListCount(), std::int16_t(0));
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
        });
    }

    void doubleQuotes_data() { bothEditors(); }
    void doubleQuotes()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        s.add(in, "ALTUL");
        auto e = make(words);
        whileShown(*e, [&] {
            click(e->Command1);
            type(e->Text1.widget(), "a \"b\" c");
            click(e->Command3);
            QCOMPARE(s.stored(in), (QStringList{"ALTUL", "A \"B\" C"}));
            QCOMPARE(e->List1.List(0), QStringLiteral("A \"B\" C"));
            click(e->Command2);
            type(e->Text1.widget(), "\"");
            click(e->Command3);
            QCOMPARE(s.stored(in), (QStringList{"ALTUL", "A \"B\" C\""}));
            s.answers.push_back(vbYes);
            click(e->Command5);
            QCOMPARE(s.boxes.back().text, in.deleteQuestion("A \"B\" C\""));
            QCOMPARE(s.stored(in), QStringList{"ALTUL"});
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
        });
    }

    void romanianOrder_data() { bothEditors(); }
    void romanianOrder()
    {
        QFETCH(bool, words);
        const Info in = info(words);
        for (const char* t : {"ȚARĂ", "TAC", "ZEU", "ĂLA", "ALB", "ÎN", "INEL", "ȘA", "SAC", "ÂNC"})
            s.add(in, QString::fromUtf8(t));
        auto e = make(words);
        whileShown(*e, [&] {
            QCOMPARE(items(e->List1),
                     (QStringList{"ALB", "ĂLA", "ÂNC", "INEL", "ÎN", "SAC", "ȘA", "TAC", "ȚARĂ", "ZEU"}));
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
            // Every way back to browsing leaves the same picture.
            click(e->Command1);
            type(e->Text1.widget(), "șaua");
            click(e->Command3);
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
            e->List1.setListIndex(4);
            click(e->Command2);
            type(e->Text1.widget(), "x");
            click(e->Command4);
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
            click(e->Command2);
            type(e->Text1.widget(), "a");
            click(e->Command3);
            QCOMPARE(items(e->List1).contains("ALBA"), true);
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
            s.answers.push_back(vbYes);
            e->List1.setListIndex(6);
            click(e->Command5);
            QCOMPARE(items(e->List1).contains("ȘA"), false);
            QVERIFY2(listProblems(*e, s, in).isEmpty(), qPrintable(listProblems(*e, s, in)));
        });
        QVERIFY(s.boxes.size() == 1);
    }

    void wordBoxFollowsSelection()
    {
        const Info in = info(true);
        for (const char* t : {"CAL", "BOU", "AUR"})
            s.add(in, QString::fromUtf8(t));
        frmDictionar e;
        whileShown(e, [&] {
            QCOMPARE(e.Text1.Text(), QStringLiteral("AUR"));
            auto* view = qobject_cast<QListView*>(e.List1.widget());
            QVERIFY(view);
            const QRect r = view->visualRect(view->model()->index(2, 0));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
            QCOMPARE(e.List1.ListIndex(), std::int16_t(2));
            QCOMPARE(e.Text1.Text(), QStringLiteral("CAL"));
            e.List1.setListIndex(1);
            QCOMPARE(e.Text1.Text(), QStringLiteral("BOU"));
            // The chapters editor's box stays as it is; this one shows the selected word until an edit starts.
            click(e.Command1);
            QCOMPARE(e.Text1.Text(), QString());
            click(e.Command4);
            QCOMPARE(e.Text1.Text(), QStringLiteral("AUR"));
        });
    }

    void chapterBoxIgnoresSelection()
    {
        const Info in = info(false);
        for (const char* t : {"CAL", "BOU", "AUR"})
            s.add(in, QString::fromUtf8(t));
        frmCapitole e;
        whileShown(e, [&] {
            e.List1.setListIndex(2);
            QCOMPARE(e.Text1.Text(), QString());
            click(e.Command2);
            QCOMPARE(e.Text1.Text(), QStringLiteral("CAL"));
            click(e.Command4);
            QCOMPARE(e.Text1.Text(), QStringLiteral("CAL"));
            QCOMPARE(e.List1.ListIndex(), std::int16_t(0));
        });
    }
};

TARVIX_TEST_BOTH_BACKENDS(TestEditors, QApplication)
#include "tst_editors.moc"
