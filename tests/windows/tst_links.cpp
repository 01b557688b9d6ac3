// The links editor driven through its real widgets against a fresh store.
#include "editors/frmDictionar.h"
#include "editors/frmLegatura.h"
#include "platform/Toolkit.h"
#include "resources/Resources.h"
#include "store/Global.h"
#include "support/Backends.h"
#include "support/EndProgramRecorder.h"
#include "support/MsgBoxDouble.h"
#include "support/TempStore.h"
#include "support/WindowDriver.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

using namespace tarvix;
using tarvix::test::click;
using tarvix::test::TempStore;

namespace {

const QString kDuplicateText = QStringLiteral("Acest capitol este deja în listã !");

QString removalQuestion(const QString& title)
{
    return QStringLiteral("Sunteti sigur cã doriti sã stergeti din lista de referinte capitolul '") + title
           + QStringLiteral("' ?");
}

}  // namespace

class TestLinks : public QObject, private tarvix::test::MsgBoxDouble, private tarvix::test::EndProgramRecorder {
    Q_OBJECT

private:
    std::optional<TempStore> store;
    std::unique_ptr<frmDictionar> words;
    std::unique_ptr<frmLegatura> links;

    // The window as the words editor leaves it: its word box holds the word,
    // the shared key names a word.
    void openFor(const QString& word, std::int32_t key)
    {
        words = std::make_unique<frmDictionar>();
        words->Text1.setText(word);
        Global::SelectedWordId = key;
        links = std::make_unique<frmLegatura>(*words);
    }

    // The shared modal run, and the window gone once Show returned.
    void whileShown(const std::function<void()>& body)
    {
        tarvix::test::whileShown(*links, body);
        QVERIFY(!links->IsLoaded());
    }

    QStringList listed() const { return tarvix::test::items(links->List1); }

private slots:
    void initTestCase()
    {
        InitResources();
        InstallLook();
    }

    void init()
    {
        store.emplace();
        Global::db = DBEngine().OpenDatabase(QString::fromUtf8(kStoreFileName));
        clearBoxes();
        clearEnds();
    }

    void cleanup()
    {
        if (links && links->IsLoaded())
            links->Unload();
        links.reset();
        words.reset();
        Global::db->Close();
        Global::db.reset();
        ResetAfterError();
        store.reset();
    }

    void design()
    {
        const auto w = store->addWord("CASA");
        store->addChapter("ACOPERIS");
        openFor("CASA", w);
        whileShown([&] {
            QWidget* top = links->widget();
            QCOMPARE(top->windowTitle(), QStringLiteral("Legaturã"));
            QCOMPARE(top->contentsRect().size(), QSize(Twips(8085), Twips(4320)));
            QCOMPARE(qobject_cast<QPushButton*>(links->Command1.widget())->text(), QStringLiteral("&Adaugã legãtura"));
            QCOMPARE(qobject_cast<QPushButton*>(links->Command2.widget())->text(), QStringLiteral("&Sterge legãtura"));
            QCOMPARE(qobject_cast<QPushButton*>(links->Command3.widget())->text(), QStringLiteral("Î&napoi"));
            QCOMPARE(links->Command3.widget()->geometry(), QRect(Twips(7080), Twips(120), Twips(855), Twips(795)));
            QVERIFY(links->Command3.Cancel());
            QVERIFY(!links->Command1.Default() && !links->Command2.Default());
            // The word box: read-only for the window's whole life, bold, light yellow.
            auto* edit = qobject_cast<QLineEdit*>(links->Text1.widget());
            QVERIFY(edit);
            QCOMPARE(edit->text(), QStringLiteral("CASA"));
            QVERIFY(edit->isReadOnly());
            QVERIFY(edit->font().bold());
            QCOMPARE(edit->palette().color(QPalette::Base), QColor(255, 255, 192));
            QVERIFY(links->Label2.widget()->font().bold());
            QVERIFY(!top->windowIcon().isNull());
            // The focus starts in the chapters combo, the first to take it.
            QTRY_COMPARE(QApplication::focusWidget(), links->Combo1.widget());
            // Tab order: combo, word box, links list, add; remove is disabled and skipped.
            const QWidget* order[] = {links->Text1.widget(), links->List1.widget(), links->Command1.widget(),
                                      links->Command3.widget(), links->Combo1.widget()};
            for (const QWidget* next : order) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget(), next);
            }
        });
    }

    void emptyChaptersTable()
    {
        const auto w = store->addWord("CASA");
        openFor("CASA", w);
        whileShown([&] {
            QCOMPARE(links->Combo1.ListCount(), std::int16_t(0));
            QCOMPARE(links->Combo1.Text(), QString());
            QVERIFY(!links->Command1.Enabled());
            QVERIFY(!links->Command2.Enabled());
            QCOMPARE(links->List1.ListCount(), std::int16_t(0));
            QCOMPARE(links->Label2.Caption(), QStringLiteral("0"));
            // Neither a click nor Enter reaches the disabled add button.
            click(links->Command1);
            QTest::keyClick(links->Combo1.widget(), Qt::Key_Return);
            QVERIFY(!links->Command1.Enabled());
            QCOMPARE(store->count("tblLegatura"), 0);
            QVERIFY(boxes.empty());
        });
        QVERIFY(!endedWith);
    }

    void comboHoldsEveryChapterSortedWithItsKey()
    {
        const auto w = store->addWord("CASA");
        const auto z = store->addChapter("ZIDURI");
        const auto a = store->addChapter("ACOPERIS");
        const auto m = store->addChapter("MOBILA");
        openFor("CASA", w);
        whileShown([&] {
            QCOMPARE(links->Combo1.ListCount(), std::int16_t(3));
            QCOMPARE(links->Combo1.List(0), QStringLiteral("ACOPERIS"));
            QCOMPARE(links->Combo1.List(1), QStringLiteral("MOBILA"));
            QCOMPARE(links->Combo1.List(2), QStringLiteral("ZIDURI"));
            QCOMPARE(links->Combo1.ItemData(0), a);
            QCOMPARE(links->Combo1.ItemData(1), m);
            QCOMPARE(links->Combo1.ItemData(2), z);
            QCOMPARE(links->Combo1.ListIndex(), std::int16_t(0));
            QCOMPARE(links->Combo1.Text(), QStringLiteral("ACOPERIS"));
            QCOMPARE(qobject_cast<QComboBox*>(links->Combo1.widget())->currentText(), QStringLiteral("ACOPERIS"));
            // The user picks the last chapter; its own key goes into the new row.
            QTest::keyClick(links->Combo1.widget(), Qt::Key_Down);
            QTest::keyClick(links->Combo1.widget(), Qt::Key_Down);
            QCOMPARE(links->Combo1.Text(), QStringLiteral("ZIDURI"));
            click(links->Command1);
            QCOMPARE(store->chaptersOf(w), QStringList{"ZIDURI"});
        });
    }

    void wordWithoutLinksThenAdd()
    {
        const auto w = store->addWord("CASA");
        store->addWord("MASA");
        store->addChapter("BUCATARIE");
        store->addChapter("ACOPERIS");
        openFor("CASA", w);
        whileShown([&] {
            QCOMPARE(links->List1.ListCount(), std::int16_t(0));
            QCOMPARE(links->Label2.Caption(), QStringLiteral("0"));
            QVERIFY(!links->Command2.Enabled());
            QVERIFY(links->Command1.Enabled());
            click(links->Command1);
            QCOMPARE(store->count("tblLegatura"), 1);
            QCOMPARE(store->column("SELECT ID_Cuvant FROM tblLegatura"), QStringList{QString::number(w)});
            QCOMPARE(store->chaptersOf(w), QStringList{"ACOPERIS"});
            QCOMPARE(listed(), QStringList{"ACOPERIS"});
            QCOMPARE(links->List1.ListIndex(), std::int16_t(0));
            QCOMPARE(qobject_cast<QAbstractItemView*>(links->List1.widget())->currentIndex().row(), 0);
            QCOMPARE(links->Label2.Caption(), QStringLiteral("1"));
            QVERIFY(links->Command2.Enabled());
            QCOMPARE(links->Text1.Text(), QStringLiteral("CASA"));
            QVERIFY(boxes.empty());
        });
        QVERIFY(!endedWith);
    }

    // The duplicate scan compares whole titles.
    void duplicateScan_data()
    {
        QTest::addColumn<QStringList>("linked");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("the only link") << QStringList{"ALFA"} << "ALFA" << true;
        QTest::newRow("the last of three") << QStringList{"ALFA", "BETA", "GAMA"} << "GAMA" << true;
        QTest::newRow("a longer title") << QStringList{"ALFA"} << "ALFA BETA" << false;
        QTest::newRow("a shorter title") << QStringList{"ALFA BETA"} << "ALFA" << false;
        QTest::newRow("the first of two") << QStringList{"BETA", "ALFA"} << "ALFA" << true;
        QTest::newRow("a title the list does not hold") << QStringList{"ALFA", "GAMA"} << "BETA" << false;
        QTest::newRow("quotes") << QStringList{"\"A\""} << "\"A\"" << true;
    }

    void duplicateScan()
    {
        QFETCH(QStringList, linked);
        QFETCH(QString, chosen);
        QFETCH(bool, duplicate);
        const auto w = store->addWord("CASA");
        for (const QString& t : linked)
            store->link(w, store->addChapter(t));
        const bool chosenIsNew = !linked.contains(chosen);
        if (chosenIsNew)
            store->addChapter(chosen);
        openFor("CASA", w);
        whileShown([&] {
            links->Combo1.setText(chosen);
            if (links->List1.ListCount() > 1)
                links->List1.setListIndex(std::int16_t(links->List1.ListCount() - 1));
            const auto before = store->count("tblLegatura");
            click(links->Command1);
            if (duplicate) {
                QCOMPARE(boxes.size(), std::size_t(1));
                QCOMPARE(boxes[0].text, kDuplicateText);
                QCOMPARE(boxes[0].style, 48);
                QCOMPARE(boxes[0].title, QStringLiteral("Duplicat."));
                QCOMPARE(store->count("tblLegatura"), before);
                QCOMPARE(links->List1.ListCount(), std::int16_t(linked.size()));
            } else {
                QVERIFY(boxes.empty());
                QCOMPARE(store->count("tblLegatura"), before + 1);
                QVERIFY(store->chaptersOf(w).contains(chosen));
                QCOMPARE(links->List1.ListCount(), std::int16_t(linked.size() + 1));
            }
            // Reloaded either way: the first title is selected again.
            QCOMPARE(links->List1.ListIndex(), std::int16_t(0));
            QCOMPARE(links->Label2.Caption(), QString::number(links->List1.ListCount()));
        });
        QVERIFY(!endedWith);
    }

    void removalAnsweredNo()
    {
        const auto w = store->addWord("CASA");
        store->link(w, store->addChapter("ACOPERIS"));
        store->link(w, store->addChapter("ZIDURI"));
        openFor("CASA", w);
        whileShown([&] {
            links->List1.setListIndex(1);
            answers = {vbNo};
            click(links->Command2);
            QCOMPARE(boxes.size(), std::size_t(1));
            QCOMPARE(boxes[0].text, removalQuestion("ZIDURI"));
            QCOMPARE(boxes[0].style, 36);
            QCOMPARE(boxes[0].title, QStringLiteral("Stergere referintã."));
            QCOMPARE(store->chaptersOf(w), (QStringList{"ACOPERIS", "ZIDURI"}));
            QCOMPARE(listed(), (QStringList{"ACOPERIS", "ZIDURI"}));
            QCOMPARE(links->List1.ListIndex(), std::int16_t(1));
            QCOMPARE(links->Label2.Caption(), QStringLiteral("2"));
            QVERIFY(links->Command2.Enabled());
        });
    }

    void removalAnsweredYesTakesOnlyThatLink()
    {
        const auto w = store->addWord("CASA");
        const auto other = store->addWord("MASA");
        const auto roof = store->addChapter("ACOPERIS");
        const auto walls = store->addChapter("ZIDURI");
        const auto door = store->addChapter("USA");
        store->link(w, roof);
        store->link(w, walls);
        store->link(w, door);
        store->link(other, walls);
        openFor("CASA", w);
        whileShown([&] {
            QCOMPARE(listed(), (QStringList{"ACOPERIS", "USA", "ZIDURI"}));
            links->List1.setListIndex(2);
            answers = {vbYes};
            click(links->Command2);
            QCOMPARE(boxes.size(), std::size_t(1));
            QCOMPARE(boxes[0].text, removalQuestion("ZIDURI"));
            QCOMPARE(store->chaptersOf(w), (QStringList{"ACOPERIS", "USA"}));
            QCOMPARE(store->chaptersOf(other), QStringList{"ZIDURI"});
            QCOMPARE(store->count("tblCapitol"), 3);
            QCOMPARE(store->count("tblDictionar"), 2);
            QCOMPARE(listed(), (QStringList{"ACOPERIS", "USA"}));
            QCOMPARE(links->List1.ListIndex(), std::int16_t(0));
            QCOMPARE(links->Label2.Caption(), QStringLiteral("2"));
        });
        QVERIFY(!endedWith);
    }

    void removingTheLastLink_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("mouse click") << "click";
        QTest::newRow("access key") << "alt";
        QTest::newRow("enter on the button") << "enter";
    }
    void removingTheLastLink()
    {
        QFETCH(QString, way);
        const auto w = store->addWord("CASA");
        store->link(w, store->addChapter("ACOPERIS"));
        openFor("CASA", w);
        whileShown([&] {
            QCOMPARE(links->Label2.Caption(), QStringLiteral("1"));
            answers = {vbYes};
            if (way == "click") {
                click(links->Command2);
            } else if (way == "alt") {
                QTest::keyClick(links->widget(), Qt::Key_S, Qt::AltModifier);
            } else {
                links->Command2.SetFocus();
                QTest::keyClick(links->Command2.widget(), Qt::Key_Return);
            }
            QTRY_COMPARE(store->count("tblLegatura"), 0);
            // The disabled button hands the focus back to the drop-down, not to Înapoi.
            QCOMPARE(links->widget()->focusWidget(), links->Combo1.widget());
            QTest::keyClick(links->widget()->focusWidget(), Qt::Key_Return);
            QVERIFY(links->IsLoaded());
            QCOMPARE(links->List1.ListCount(), std::int16_t(0));
            QCOMPARE(links->List1.ListIndex(), std::int16_t(-1));
            QCOMPARE(links->Label2.Caption(), QStringLiteral("0"));
            QVERIFY(!links->Command2.Enabled());
            QVERIFY(links->Command1.Enabled());
            QCOMPARE(store->count("tblLegatura"), 0);
            QCOMPARE(store->count("tblCapitol"), 1);
        });
        QVERIFY(!endedWith);
    }

    // Titles and words holding double quotes are listed, added and removed like any other.
    void doubleQuotes_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("title");
        QTest::newRow("quoted title") << "CASA"
                                      << "CAPITOLUL \"UNU\"";
        QTest::newRow("quoted word") << "ZI \"BUNA\""
                                     << "ACOPERIS";
        QTest::newRow("both") << "\""
                              << "\"\"";
        QTest::newRow("quote and dialect words") << "A\" OR \"\"=\""
                                                 << "B\" And tblDictionar.Cuvant = \"";
    }

    void doubleQuotes()
    {
        QFETCH(QString, word);
        QFETCH(QString, title);
        const auto w = store->addWord(word);
        const auto decoy = store->addWord("ALTUL");
        const auto c = store->addChapter(title);
        store->addChapter("ZZZ");
        store->link(decoy, c);
        openFor(word, w);
        whileShown([&] {
            QCOMPARE(links->Text1.Text(), word);
            QCOMPARE(links->Label2.Caption(), QStringLiteral("0"));
            links->Combo1.setText(title);
            click(links->Command1);
            QCOMPARE(listed(), QStringList{title});
            click(links->Command1);
            QCOMPARE(boxes.size(), std::size_t(1));
            QCOMPARE(boxes[0].text, kDuplicateText);
            answers = {vbYes};
            click(links->Command2);
            QCOMPARE(boxes.size(), std::size_t(2));
            QCOMPARE(boxes[1].text, removalQuestion(title));
            QCOMPARE(listed(), QStringList());
            QCOMPARE(store->chaptersOf(w), QStringList());
            QCOMPARE(store->chaptersOf(decoy), QStringList{title});
        });
        QVERIFY(!endedWith);
    }

    // The list follows the word's text, new rows its key: when they differ the
    // new link belongs to the key's word and is not listed here.
    void keyAndTextDesignateDifferentWords()
    {
        const auto shown = store->addWord("CASA");
        const auto keyed = store->addWord("MASA");
        store->link(shown, store->addChapter("ACOPERIS"));
        store->addChapter("BUCATARIE");
        openFor("CASA", keyed);
        whileShown([&] {
            QCOMPARE(listed(), QStringList{"ACOPERIS"});
            links->Combo1.setText("BUCATARIE");
            click(links->Command1);
            QCOMPARE(store->chaptersOf(keyed), QStringList{"BUCATARIE"});
            QCOMPARE(store->chaptersOf(shown), QStringList{"ACOPERIS"});
            QCOMPARE(listed(), QStringList{"ACOPERIS"});
            QCOMPARE(links->Label2.Caption(), QStringLiteral("1"));
        });
        QVERIFY(!endedWith);
    }

    // A store refusal while adding stops the handler: the error is shown, the
    // program ends, nothing is written and the list is not reloaded.
    void refusedLinkEndsTheProgram()
    {
        const auto w = store->addWord("CASA");
        store->link(w, store->addChapter("ACOPERIS"));
        store->addChapter("BUCATARIE");
        openFor("CASA", w + 100);  // no word has this key
        whileShown([&] {
            links->List1.setListIndex(0);
            links->Combo1.setText("BUCATARIE");
            click(links->Command1);
            QVERIFY(endedWith.has_value());
            QVERIFY(*endedWith != 0);
            QCOMPARE(boxes.size(), std::size_t(1));
            QVERIFY(boxes[0].text.contains(QString::number(err::RelatedRowRequired)));
            QCOMPARE(store->count("tblLegatura"), 1);
            QCOMPARE(listed(), QStringList{"ACOPERIS"});
        });
    }

    // Another copy deletes the chosen chapter after the window filled its list:
    // the user is told, both lists are read again and the window goes on.
    void chapterDeletedByAnotherCopy()
    {
        const auto w = store->addWord("CASA");
        store->link(w, store->addChapter("ACOPERIS"));
        store->addChapter("BUCATARIE");
        store->addChapter("ZIDURI");
        openFor("CASA", w);
        whileShown([&] {
            links->Combo1.setText("BUCATARIE");
            store->other().QueryRows("DELETE FROM tblCapitol WHERE Capitol = 'BUCATARIE'");
            click(links->Command1);
            QVERIFY(!endedWith);
            QCOMPARE(boxes.size(), std::size_t(1));
            QVERIFY2(boxes[0].text.contains("„BUCATARIE” nu mai există"), qPrintable(boxes[0].text));
            QCOMPARE(tarvix::test::items(links->Combo1), (QStringList{"ACOPERIS", "ZIDURI"}));
            QCOMPARE(listed(), QStringList{"ACOPERIS"});
            QCOMPARE(store->count("tblLegatura"), 1);
            // And the window goes on: the next add works.
            links->Combo1.setText("ZIDURI");
            click(links->Command1);
            QCOMPARE(listed(), (QStringList{"ACOPERIS", "ZIDURI"}));
            QCOMPARE(store->chaptersOf(w), (QStringList{"ACOPERIS", "ZIDURI"}));
        });
        QVERIFY(!endedWith);
    }

    // Esc, the close box and the back button all unload the window; the next
    // opening loads it afresh.
    void closing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("back button") << "button";
        QTest::newRow("Esc in the combo") << "esc-combo";
        QTest::newRow("Esc in the list") << "esc-list";
        QTest::newRow("close box") << "closebox";
    }

    void closing()
    {
        QFETCH(QString, how);
        const auto w = store->addWord("CASA");
        store->link(w, store->addChapter("ACOPERIS"));
        store->addChapter("BUCATARIE");
        openFor("CASA", w);
        for (int round = 0; round < 2; ++round) {
            bool closedByItself = false;
            std::int16_t chapters = 0;
            std::int16_t linked = 0;
            QTimer::singleShot(0, this, [&] {
                chapters = links->Combo1.ListCount();
                linked = links->List1.ListCount();
                if (how == "button")
                    click(links->Command3);
                else if (how == "esc-combo")
                    QTest::keyClick(links->Combo1.widget(), Qt::Key_Escape);
                else if (how == "esc-list")
                    QTest::keyClick(links->List1.widget(), Qt::Key_Escape);
                else
                    links->widget()->close();
                closedByItself = !links->IsLoaded();
                if (!closedByItself)
                    links->Unload();
            });
            links->Show();
            QVERIFY2(closedByItself, qPrintable(how));
            QVERIFY(!links->IsLoaded());
            // Filled once per opening, never twice.
            QCOMPARE(chapters, std::int16_t(2));
            QCOMPARE(linked, std::int16_t(1));
        }
        QCOMPARE(store->chaptersOf(w), QStringList{"ACOPERIS"});
        QVERIFY(boxes.empty());
    }
};

TARVIX_TEST_BOTH_BACKENDS(TestLinks, QApplication)
#include "tst_links.moc"
