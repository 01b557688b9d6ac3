// The main window driven through its real widgets against a temporary store:
// keyword entry, the search, the totals, closing, and a store that is not there.
#include "platform/Toolkit.h"
#include "resources/Resources.h"
#include "search/frmMain.h"
#include "store/Global.h"
#include "store/Schema.h"
#include "support/Backends.h"
#include "support/EndProgramRecorder.h"
#include "support/MsgBoxDouble.h"
#include "support/TempStore.h"
#include "support/WindowDriver.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QtTest>

using namespace tarvix;
using test::paste;
using test::TempStore;
using test::type;
using test::whileShown;

namespace {

// The window's controls, as a test reads and drives them.
struct Controls {
    explicit Controls(frmMain& f)
        : Text1(f.control<TextBox>("Text1")), Command1(f.control<CommandButton>("Command1")),
          Command2(f.control<CommandButton>("Command2")), Command3(f.control<CommandButton>("Command3")),
          Command4(f.control<CommandButton>("Command4")), List1(f.control<ListBox>("List1")),
          Label4(f.control<Label>("Label4")), Label5(f.control<Label>("Label5")), Label7(f.control<Label>("Label7"))
    {
    }
    QWidget* box() const { return Text1.widget(); }
    QStringList titles() const { return tarvix::test::items(List1); }

    TextBox& Text1;
    CommandButton& Command1;
    CommandButton& Command2;
    CommandButton& Command3;
    CommandButton& Command4;
    ListBox& List1;
    Label& Label4;
    Label& Label5;
    Label& Label7;
};

// Moves the focus out of the keyword box the way a person does: a click on the result list.
void leaveBox(Controls& c)
{
    auto* list = qobject_cast<QAbstractItemView*>(c.List1.widget());
    QVERIFY(list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
}

}  // namespace

class SearchWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void loadsHiddenWhenReadFirst();
    void design_data();
    void design();
    void tabOrder();
    void keywordEntry_data();
    void keywordEntry();
    void keywordStopsAt25Characters();
    void clearingAndRetypingTheKeyword();
    void enterVersusClick_data();
    void enterVersusClick();
    void enterAfterSearchKeepsTheWindow_data();
    void enterAfterSearchKeepsTheWindow();
    void keywordWithQuotes_data();
    void keywordWithQuotes();
    void threeChaptersInRomanianOrder_data();
    void threeChaptersInRomanianOrder();
    void nothingFound_data();
    void nothingFound();
    void escClosesTheWindow_data();
    void escClosesTheWindow();
    void closeBoxClosesTheWindow();
    void totalsRefreshedOnActivation();
    void editorsOpenModallyAndRefreshTotals_data();
    void editorsOpenModallyAndRefreshTotals();
    void unusableStoreEndsTheProgram_data();
    void unusableStoreEndsTheProgram();

private:
    test::MsgBoxDouble boxes_;
    test::EndProgramRecorder end_;
};

void SearchWindowTest::initTestCase()
{
    InitResources();
    InstallLook();
}

void SearchWindowTest::cleanup()
{
    QVERIFY2(boxes_.boxes.empty() || QTest::currentTestFunction() == QByteArray("unusableStoreEndsTheProgram"),
             qPrintable(boxes_.boxes.empty() ? QString() : boxes_.boxes.front().text));
    boxes_.clearBoxes();
    end_.clearEnds();
    ResetAfterError();
    Global::db.reset();
}

void SearchWindowTest::loadsHiddenWhenReadFirst()
{
    TempStore s;
    s.addWord("ARBORE");
    frmMain f;
    Controls c(f);
    // The splash reads Visible first: that loads the window without showing it.
    QVERIFY(!f.Visible());
    QVERIFY(f.IsLoaded());
    QVERIFY(Global::db && Global::db->IsOpen());
    QCOMPARE(c.Text1.Text(), QString());
    QVERIFY(!c.Command1.Enabled());

    bool shown = false;
    whileShown(f, [&] {
        shown = f.widget()->isVisible();
        QCOMPARE(c.Label4.Caption(), QString("1"));
        QCOMPARE(c.Label5.Caption(), QString("0"));
        QCOMPARE(c.Label7.Caption(), QString("NIMIC"));
        QCOMPARE(QApplication::focusWidget(), c.box());
    });
    QVERIFY(shown);
    QVERIFY(!f.IsLoaded());
    QVERIFY(!Global::db);
}

void SearchWindowTest::design_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    for (const char* name : {"Frame1", "Text1", "List1", "Label4", "Label5", "Image1", "Image3", "Image2"})
        QTest::newRow(name) << name << "";
    QTest::newRow("Command1") << "Command1"
                              << "&Cautã";
    QTest::newRow("Command2") << "Command2"
                              << "Î&nchide";
    QTest::newRow("Frame2") << "Frame2"
                            << "Rezultate: ";
    QTest::newRow("Label6") << "Label6"
                            << "Rezultate:";
    QTest::newRow("Label2") << "Label2"
                            << "Total cuvinte:";
    QTest::newRow("Label3") << "Label3"
                            << "Total capitole:";
    QTest::newRow("Command4") << "Command4"
                              << "Capitole";
    QTest::newRow("Command3") << "Command3"
                              << "&Dictionar";
}

void SearchWindowTest::design()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    TempStore s;
    frmMain f;
    QVERIFY(!f.Visible());
    QCOMPARE(f.Caption(), QString("Tarvix - Proiecte si atestate gata fãcute la: https://tarvix.example/"));
    QCOMPARE(f.widget()->contentsRect().size(), QSize(Twips(8055), Twips(3750)));
    QVERIFY(!f.widget()->windowIcon().isNull());

    Control* c = f.find(name);
    QVERIFY(c);
    // On screen: wholly inside its window or frame, clear of every other control there.
    QWidget* w = c->widget();
    const QRect at = w->geometry();
    QVERIFY(!at.isEmpty());
    QVERIFY2(w->parentWidget()->rect().contains(at), qPrintable(name));
    for (const auto& other : f.Controls()) {
        QWidget* o = other->widget();
        if (o && o != w && o->parentWidget() == w->parentWidget())
            QVERIFY2(!o->geometry().intersects(at), qPrintable(name + " overlaps " + other->Name()));
    }
    if (auto* b = dynamic_cast<CommandButton*>(c))
        QCOMPARE(b->Caption(), text);
    if (auto* l = dynamic_cast<Label*>(c); l && !text.isEmpty())
        QCOMPARE(l->Caption(), text);
    if (auto* fr = dynamic_cast<Frame*>(c))
        QCOMPARE(fr->Caption(), text);
    const bool bold = name == "Label4" || name == "Label5";
    if (dynamic_cast<Label*>(c))
        QCOMPARE(c->widget()->font().bold(), bold);
    f.Unload();
}

void SearchWindowTest::tabOrder()
{
    TempStore s;
    frmMain f;
    Controls c(f);
    QVERIFY(f.control<Label>("Label7").widget()->font().bold());
    whileShown(f, [&] {
        type(c.box(), "a");
        const QStringList expected{"Command1", "Command2", "List1", "Command3", "Command4", "Text1"};
        QStringList seen;
        for (int i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            for (const auto& control : f.Controls())
                if (control->widget() == QApplication::focusWidget())
                    seen << control->Name();
        }
        QCOMPARE(seen, expected);
        QVERIFY(c.Command1.Default());
        QVERIFY(c.Command2.Cancel());
        QCOMPARE(c.Text1.MaxLength(), 25);
        QVERIFY(c.List1.Sorted());
    });
}

void SearchWindowTest::keywordEntry_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("whileInBox");
    QTest::addColumn<QString>("afterLeaving");

    QTest::newRow("typed") << "abc"
                           << ""
                           << "ABC"
                           << "ABC";
    QTest::newRow("typed diacritics") << "ăâîșțşţ"
                                      << ""
                                      << "ĂÂÎȘȚŞŢ"
                                      << "ĂÂÎȘȚŞŢ";
    QTest::newRow("typed digits and signs") << "a1-b.2"
                                            << ""
                                            << "A1-B.2"
                                            << "A1-B.2";
    QTest::newRow("sharp s has no one-letter capital") << "straße"
                                                       << ""
                                                       << "STRAßE"
                                                       << "STRASSE";
    QTest::newRow("pasted") << ""
                            << "abc"
                            << "abc"
                            << "ABC";
    QTest::newRow("pasted diacritics") << ""
                                       << "mărțișor"
                                       << "mărțișor"
                                       << "MĂRȚIȘOR";
    QTest::newRow("typed then pasted") << "ab"
                                       << "cd"
                                       << "ABcd"
                                       << "ABCD";
    QTest::newRow("blanks around") << "  abc  "
                                   << ""
                                   << "  ABC  "
                                   << "ABC";
    QTest::newRow("blanks inside kept") << " a  b "
                                        << ""
                                        << " A  B "
                                        << "A  B";
    QTest::newRow("tab is not trimmed") << ""
                                        << "\tabc"
                                        << "\tabc"
                                        << "\tABC";
    QTest::newRow("blanks only") << "   "
                                 << ""
                                 << "   "
                                 << "";
}

void SearchWindowTest::keywordEntry()
{
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, whileInBox);
    QFETCH(QString, afterLeaving);
    TempStore s;
    frmMain f;
    Controls c(f);
    whileShown(f, [&] {
        type(c.box(), typed);
        if (!pasted.isEmpty())
            paste(c.box(), pasted);
        QCOMPARE(c.Text1.Text(), whileInBox);
        QCOMPARE(qobject_cast<QLineEdit*>(c.box())->text(), whileInBox);
        // A text of blanks is not empty: the search stays possible until the box is left.
        QVERIFY(c.Command1.Enabled());

        leaveBox(c);
        QVERIFY(!c.box()->hasFocus());
        QCOMPARE(c.Text1.Text(), afterLeaving);
        QCOMPARE(c.Command1.Enabled(), !afterLeaving.isEmpty());
    });
}

void SearchWindowTest::keywordStopsAt25Characters()
{
    TempStore s;
    frmMain f;
    Controls c(f);
    whileShown(f, [&] {
        type(c.box(), "abcdefghijklmnopqrstuvwxyzăâî");
        QCOMPARE(c.Text1.Text(), QString("ABCDEFGHIJKLMNOPQRSTUVWXY"));
        c.Text1.setText(QString());
        paste(c.box(), "0123456789012345678901234567890");
        QCOMPARE(c.Text1.Text().size(), 25);
    });
}

void SearchWindowTest::clearingAndRetypingTheKeyword()
{
    TempStore s;
    s.link(s.addWord("AB"), s.addChapter("CAPITOL"));
    frmMain f;
    Controls c(f);
    whileShown(f, [&] {
        type(c.box(), "ab");
        QVERIFY(c.Command1.Enabled());
        QTest::keyClick(c.box(), Qt::Key_Backspace);
        QVERIFY(c.Command1.Enabled());
        QTest::keyClick(c.box(), Qt::Key_Backspace);
        QCOMPARE(c.Text1.Text(), QString());
        QVERIFY(!c.Command1.Enabled());
        type(c.box(), "a");
        QVERIFY(c.Command1.Enabled());
        type(c.box(), "b");

        QTest::keyClick(c.box(), Qt::Key_Return);
        QCOMPARE(c.titles(), QStringList{"CAPITOL"});
        QVERIFY(!c.Command1.Enabled());
        // A second search of the same word needs a change of the keyword first.
        QTest::keyClick(c.box(), Qt::Key_Return);
        QCOMPARE(c.titles(), QStringList{"CAPITOL"});
        QVERIFY(f.IsLoaded());
        QTest::keyClick(c.box(), Qt::Key_Backspace);
        type(c.box(), "b");
        QVERIFY(c.Command1.Enabled());
    });
}

void SearchWindowTest::enterVersusClick_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("click");
    QTest::addColumn<QString>("searched");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("count");

    QTest::newRow("enter keeps the blanks") << "  abc  " << false << "  ABC  " << QStringList{} << "NIMIC";
    QTest::newRow("click trims first") << "  abc  " << true << "ABC" << QStringList{"PRIMUL"} << "1";
    QTest::newRow("enter on a clean keyword") << "abc" << false << "ABC" << QStringList{"PRIMUL"} << "1";
    QTest::newRow("click on a clean keyword") << "abc" << true << "ABC" << QStringList{"PRIMUL"} << "1";
}

void SearchWindowTest::enterVersusClick()
{
    QFETCH(QString, typed);
    QFETCH(bool, click);
    QFETCH(QString, searched);
    QFETCH(QStringList, titles);
    QFETCH(QString, count);
    TempStore s;
    s.link(s.addWord("ABC"), s.addChapter("PRIMUL"));
    frmMain f;
    Controls c(f);
    whileShown(f, [&] {
        type(c.box(), typed);
        if (click)
            QTest::mouseClick(c.Command1.widget(), Qt::LeftButton);
        else
            QTest::keyClick(c.box(), Qt::Key_Return);
        QCOMPARE(c.Text1.Text(), searched);
        QCOMPARE(c.titles(), titles);
        QCOMPARE(c.Label7.Caption(), count);
        // A click moves the focus to the button, which hands it back to the box when the search disables it.
        QVERIFY(c.box()->hasFocus());
    });
}

void SearchWindowTest::enterAfterSearchKeepsTheWindow_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("mouse click") << "click";
    QTest::newRow("access key") << "alt";
    QTest::newRow("enter") << "enter";
}

void SearchWindowTest::enterAfterSearchKeepsTheWindow()
{
    QFETCH(QString, way);
    TempStore s;
    s.link(s.addWord("ABC"), s.addChapter("PRIMUL"));
    frmMain f;
    Controls c(f);
    whileShown(f, [&] {
        type(c.box(), "abc");
        if (way == "click")
            QTest::mouseClick(c.Command1.widget(), Qt::LeftButton);
        else if (way == "alt")
            QTest::keyClick(f.widget(), Qt::Key_C, Qt::AltModifier);
        else
            QTest::keyClick(c.box(), Qt::Key_Return);
        QTRY_COMPARE(c.Label7.Caption(), QStringLiteral("1"));
        QCOMPARE(f.widget()->focusWidget(), c.box());
        // Cautã is disabled until the keyword changes: Enter does nothing, and never reaches Închide.
        QTest::keyClick(f.widget()->focusWidget(), Qt::Key_Return);
        QVERIFY(f.IsLoaded());
        QCOMPARE(c.titles(), QStringList{"PRIMUL"});
        QVERIFY(!c.Command1.Enabled());
        type(c.box(), "d");
        QCOMPARE(c.Text1.Text(), QStringLiteral("ABCD"));
        QTest::keyClick(c.box(), Qt::Key_Return);
        QCOMPARE(c.titles(), QStringList{});
        QCOMPARE(c.Label7.Caption(), QStringLiteral("NIMIC"));
        QVERIFY(f.IsLoaded());
    });
}

void SearchWindowTest::keywordWithQuotes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("titles");

    QTest::newRow("quote inside") << "a\"b" << QStringList{"GHILIMEA"};
    QTest::newRow("two quotes inside") << "a\"\"b" << QStringList{"DOUA GHILIMELE"};
    QTest::newRow("quote alone") << "\"" << QStringList{"SINGURA"};
    QTest::newRow("statement breaker") << "a\" or \"1\"=\"1" << QStringList{};
    QTest::newRow("closing the text early") << "a\"" << QStringList{};
    QTest::newRow("apostrophe") << "l'a" << QStringList{"APOSTROF"};
}

void SearchWindowTest::keywordWithQuotes()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, titles);
    TempStore s;
    s.link(s.addWord("A\"B"), s.addChapter("GHILIMEA"));
    s.link(s.addWord("A\"\"B"), s.addChapter("DOUA GHILIMELE"));
    s.link(s.addWord("\""), s.addChapter("SINGURA"));
    s.link(s.addWord("L'A"), s.addChapter("APOSTROF"));
    s.link(s.addWord("A"), s.addChapter("DOAR A"));
    frmMain f;
    Controls c(f);
    whileShown(f, [&] {
        type(c.box(), typed);
        QTest::keyClick(c.box(), Qt::Key_Return);
        QCOMPARE(c.titles(), titles);
        QCOMPARE(c.Label7.Caption(), titles.isEmpty() ? QString("NIMIC") : QString::number(titles.size()));
    });
}

void SearchWindowTest::threeChaptersInRomanianOrder_data()
{
    QTest::addColumn<QStringList>("linked");  // in the order the links are made
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("breve and comma s") << QStringList{"ȘCOALA", "TEATRU", "ĂLBIE"}
                                       << QStringList{"ĂLBIE", "ȘCOALA", "TEATRU"};
    QTest::newRow("i circumflex and comma t")
        << QStringList{"ȚARA", "ÎNCEPUT", "IARNA"} << QStringList{"IARNA", "ÎNCEPUT", "ȚARA"};
    QTest::newRow("breve before circumflex")
        << QStringList{"BRAD", "ÂNCĂ", "ĂSTA"} << QStringList{"ĂSTA", "ÂNCĂ", "BRAD"};
    QTest::newRow("cedilla s beside comma s") << QStringList{"TÂRG", "ŞAH", "SAT"} << QStringList{"SAT", "ŞAH", "TÂRG"};
}

void SearchWindowTest::threeChaptersInRomanianOrder()
{
    QFETCH(QStringList, linked);
    QFETCH(QStringList, shown);
    TempStore s;
    const auto word = s.addWord("PĂMÂNT");
    for (const QString& title : linked)
        s.link(word, s.addChapter(title));
    // Chapters of other words stay out of the result.
    s.link(s.addWord("APĂ"), s.addChapter("AAA ALTUL"));
    s.addChapter("NELEGAT");
    frmMain f;
    Controls c(f);
    whileShown(f, [&] {
        QCOMPARE(c.Label4.Caption(), QString("2"));
        QCOMPARE(c.Label5.Caption(), QString::number(linked.size() + 2));
        type(c.box(), "pământ");
        QTest::mouseClick(c.Command1.widget(), Qt::LeftButton);
        QCOMPARE(c.titles(), shown);
        QCOMPARE(c.Label7.Caption(), QString("3"));
        QVERIFY(!c.Command1.Enabled());
        QVERIFY(c.Command3.Enabled());
        QVERIFY(c.Command4.Enabled());
    });
}

void SearchWindowTest::nothingFound_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::newRow("no such word") << "nimeni";
    QTest::newRow("word without links") << "singur";
    QTest::newRow("part of a word") << "pă";
    QTest::newRow("chapter title is not a word") << "capitol";
}

void SearchWindowTest::nothingFound()
{
    QFETCH(QString, keyword);
    TempStore s;
    s.link(s.addWord("PĂMÂNT"), s.addChapter("CAPITOL"));
    s.addWord("SINGUR");
    frmMain f;
    Controls c(f);
    whileShown(f, [&] {
        // A search that finds something first, so the list has to be emptied.
        type(c.box(), "pământ");
        QTest::keyClick(c.box(), Qt::Key_Return);
        QCOMPARE(c.titles(), QStringList{"CAPITOL"});
        QCOMPARE(c.Label7.Caption(), QString("1"));

        c.Text1.setText(QString());
        type(c.box(), keyword);
        QVERIFY(c.Command1.Enabled());
        QTest::mouseClick(c.Command1.widget(), Qt::LeftButton);
        QCOMPARE(c.List1.ListCount(), std::int16_t(0));
        QCOMPARE(c.Label7.Caption(), QString("NIMIC"));
        QVERIFY(!c.Command1.Enabled());
        QVERIFY(c.Command3.Enabled());
        QVERIFY(c.Command4.Enabled());
        QVERIFY(c.Command2.Enabled());
    });
}

void SearchWindowTest::escClosesTheWindow_data()
{
    QTest::addColumn<QString>("from");
    QTest::newRow("keyword box") << "Text1";
    QTest::newRow("result list") << "List1";
    QTest::newRow("search button") << "Command1";
    QTest::newRow("words button") << "Command3";
}

void SearchWindowTest::escClosesTheWindow()
{
    QFETCH(QString, from);
    TempStore s;
    s.link(s.addWord("ABC"), s.addChapter("PRIMUL"));
    frmMain f;
    Controls c(f);
    bool closed = false;
    QTimer::singleShot(0, [&] {
        QVERIFY(QTest::qWaitForWindowActive(f.widget()));
        type(c.box(), "abc");
        QWidget* target = f.find(from)->widget();
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        closed = !f.IsLoaded();
        if (!closed)
            f.Unload();
    });
    f.Show();
    QVERIFY(closed);
    QVERIFY(!f.widget()->isVisible());
    QVERIFY(!Global::db);
    QVERIFY(!end_.ended());
}

void SearchWindowTest::closeBoxClosesTheWindow()
{
    TempStore s;
    frmMain f;
    bool closed = false;
    QTimer::singleShot(0, [&] {
        f.widget()->close();
        closed = !f.IsLoaded();
        if (!closed)
            f.Unload();
    });
    f.Show();
    QVERIFY(closed);
    QVERIFY(!Global::db);
    // The store file is released: another connection can remove it.
    QVERIFY(QFile::remove(s.file()));
}

// A window of nothing but a button, to be shown modally above the main window.
class Above : public Form {
public:
    Above() : Form(kDesign, kControls) {}

private:
    static constexpr FormDesign kDesign{.caption = "Deasupra", .clientWidth = 3000, .clientHeight = 1000};
    static constexpr ControlDef kControls[] = {
        {"Command1", Kind::CommandButton, "", "OK", 120, 120, 1815, 375, {.tabIndex = 0}},
    };
};

void SearchWindowTest::totalsRefreshedOnActivation()
{
    TempStore s;
    const auto abc = s.addWord("ABC");
    s.link(abc, s.addChapter("PRIMUL"));
    s.link(abc, s.addChapter("AL DOILEA"));
    frmMain f;
    Controls c(f);
    whileShown(f, [&] {
        QCOMPARE(c.Label4.Caption(), QString("1"));
        QCOMPARE(c.Label5.Caption(), QString("2"));
        type(c.box(), "abc");
        QTest::keyClick(c.box(), Qt::Key_Return);
        QCOMPARE(c.titles(), (QStringList{"AL DOILEA", "PRIMUL"}));
        QCOMPARE(c.Label7.Caption(), QString("2"));

        // Another copy of the program changes the store meanwhile.
        s.addWord("NOU");
        s.addChapter("TREI");
        s.addChapter("PATRU");
        QCOMPARE(c.Label4.Caption(), QString("1"));

        Above above;
        QTimer::singleShot(0, [&] { above.Unload(); });
        above.Show();
        QVERIFY(f.widget()->isVisible());
        QCOMPARE(c.Label4.Caption(), QString("2"));
        QCOMPARE(c.Label5.Caption(), QString("4"));
        QCOMPARE(c.Label7.Caption(), QString("NIMIC"));
        // The last result stays listed, and the keyword and its button as they were.
        QCOMPARE(c.titles(), (QStringList{"AL DOILEA", "PRIMUL"}));
        QCOMPARE(c.Text1.Text(), QString("ABC"));
        QVERIFY(!c.Command1.Enabled());
        QVERIFY(c.Command3.Enabled());
        QVERIFY(c.Command4.Enabled());
    });
}

void SearchWindowTest::editorsOpenModallyAndRefreshTotals_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("words editor") << "Command3";
    QTest::newRow("chapters editor") << "Command4";
}

void SearchWindowTest::editorsOpenModallyAndRefreshTotals()
{
    QFETCH(QString, button);
    TempStore s;
    s.link(s.addWord("ABC"), s.addChapter("PRIMUL"));
    frmMain f;
    Controls c(f);
    whileShown(f, [&] {
        type(c.box(), "abc");
        QTest::keyClick(c.box(), Qt::Key_Return);
        QCOMPARE(c.Label7.Caption(), QString("1"));

        // The editor goes away with its window once it closes, so it is watched, not held.
        QPointer<QWidget> editor;
        bool shown = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w != f.widget() && w->isVisible() && w->isWindow() && !editor)
                    editor = w;
            shown = !editor.isNull();
            s.addWord("NOU");
            s.addChapter("NOU");
            if (editor)
                editor->close();
        });
        QTest::mouseClick(f.find(button)->widget(), Qt::LeftButton);
        QVERIFY2(shown, "no editor window was shown");
        QVERIFY(editor.isNull() || !editor->isVisible());
        QVERIFY(f.IsLoaded());
        QCOMPARE(c.Label4.Caption(), QString("2"));
        QCOMPARE(c.Label5.Caption(), QString("2"));
        QCOMPARE(c.Label7.Caption(), QString("NIMIC"));
        QCOMPARE(c.titles(), QStringList{"PRIMUL"});
    });
}

void SearchWindowTest::unusableStoreEndsTheProgram_data()
{
    QTest::addColumn<QByteArray>("contents");  // empty: no file at all
    QTest::addColumn<bool>("show");            // shown directly instead of read first by the splash
    QTest::addColumn<int>("number");

    QTest::newRow("missing, read by the splash") << QByteArray() << false << 3024;
    QTest::newRow("missing, shown directly") << QByteArray() << true << 3024;
    QTest::newRow("not a database") << QByteArray("Acesta este un fișier text oarecare.\n") << false << 3343;
    QTest::newRow("a database without the tables") << QByteArray("sqlite") << false << 3343;
    // Left so by another program, the windows would act on the wrong row.
    QTest::newRow("a fold out of step with its text")
        << QByteArray("INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('PROGRAM', 'PROGRAM'), ('program', "
                      "'program');")
        << false << 3049;
    QTest::newRow("a link waiting for the next word")
        << QByteArray("PRAGMA foreign_keys = OFF; INSERT INTO tblCapitol (Capitol, Capitol_Fold) VALUES ('A', 'A'); "
                      "INSERT INTO tblLegatura VALUES (1, 1);")
        << true << 3049;
}

void SearchWindowTest::unusableStoreEndsTheProgram()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, show);
    QFETCH(int, number);
    TempStore s(false);
    if (contents == "sqlite") {
        DBEngine().CreateDatabase(s.file())->Close();
    } else if (contents.startsWith("INSERT") || contents.startsWith("PRAGMA")) {
        auto db = DBEngine().CreateDatabase(s.file());
        store::CreateSchema(*db);
        db->ExecuteScript(QString::fromUtf8(contents));
    } else if (!contents.isEmpty()) {
        QFile file(s.file());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    frmMain f;
    // Both ways in run inside some handler (the splash's timer, or the start-up): its error boundary.
    if (show) {
        // The window must not become usable; should it show anyway, close it so the test ends. The guard drops
        // the timer with this test, should the refusal end the handler before it fires.
        QObject guard;
        QTimer::singleShot(0, &guard, [&] {
            if (f.IsLoaded() && f.widget()->isVisible())
                f.Unload();
        });
        Dispatch([&] { f.Show(); });
    } else {
        Dispatch([&] { f.Visible(); });
    }
    QVERIFY(!f.widget()->isVisible());
    QCOMPARE(boxes_.boxes.size(), std::size_t(1));
    QVERIFY2(boxes_.boxes[0].text.contains(QString::number(number)), qPrintable(boxes_.boxes[0].text));
    QVERIFY2(boxes_.boxes[0].text.contains("Dictionar.mdb"), qPrintable(boxes_.boxes[0].text));
    // A missing store: where it was looked for, and the two ways to make one.
    if (contents.isEmpty())
        for (const QString& part : {QDir::toNativeSeparators(QDir(s.folder()).absolutePath()),
                                    QStringLiteral("\ntarvix-db create Dictionar.mdb\n"),
                                    QStringLiteral("\ntarvix-db sample Dictionar.mdb\n")})
            QVERIFY2(boxes_.boxes[0].text.contains(part), qPrintable(boxes_.boxes[0].text));
    if (number == err::Corrupt)
        QVERIFY2(boxes_.boxes[0].text.contains("„tarvix-db check --repair Dictionar.mdb”"),
                 qPrintable(boxes_.boxes[0].text));
    QCOMPARE(end_.statuses().size(), std::size_t(1));
    QVERIFY(end_.statuses()[0] != 0);
    QVERIFY(ErrorRaised());
}

TARVIX_TEST_BOTH_BACKENDS(SearchWindowTest, QApplication)
#include "tst_search.moc"
