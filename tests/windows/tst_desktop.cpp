// The windows on a dark desktop, with the keyboard, and as a screen reader
// sees them: the real windows against a fresh store, under a dark palette.
#include "editors/frmCapitole.h"
#include "editors/frmDictionar.h"
#include "editors/frmLegatura.h"
#include "platform/Toolkit.h"
#include "resources/Resources.h"
#include "search/frmMain.h"
#include "store/Global.h"
#include "support/DarkDesktop.h"
#include "support/TempStore.h"
#include "support/WindowDriver.h"

#include <QListView>

#include <memory>
#include <optional>

using namespace tarvix;
using namespace tarvix::test;

namespace {

// How much of the top edge of a list's current item is drawn in the pen a
// focus rectangle takes there: the selection's text colour on a selected item.
double focusEdge(QListView* list)
{
    // With no current item, where the first would be.
    const QRect item = list->currentIndex().isValid() ? list->visualRect(list->currentIndex())
                                                      : QRect(0, 0, list->viewport()->width(), 10);
    const QImage image = list->viewport()->grab().toImage();
    const bool selected = list->selectionModel()->isSelected(list->currentIndex());
    const QColor pen = list->palette().color(selected ? QPalette::HighlightedText : QPalette::Text);
    int drawn = 0;
    for (int x = item.left(); x <= item.right(); ++x)
        drawn += QColor(image.pixel(x, item.top())) == pen;
    return double(drawn) / item.width();
}

// The caption a screen reader says before a value.
QString captionOf(QWidget* value)
{
    QStringList captions;
    for (const auto& [iface, relation] : reader(value)->relations(QAccessible::Label))
        if (qobject_cast<QLabel*>(iface->object()))
            captions << iface->text(QAccessible::Name);
    return captions.join(u'|');
}

}  // namespace

class TestDesktop : public QObject {
    Q_OBJECT

private:
    std::optional<TempStore> store;

    // The window named by the data row, its store holding a few rows.
    std::unique_ptr<Form> window(const QString& which, std::unique_ptr<frmDictionar>& opener)
    {
        if (which == "main")
            return std::make_unique<frmMain>();
        if (which == "chapters")
            return std::make_unique<frmCapitole>();
        opener = std::make_unique<frmDictionar>();
        if (which == "words")
            return std::move(opener);
        opener->Text1.setText("CASA");
        Global::SelectedWordId = 1;
        return std::make_unique<frmLegatura>(*opener);
    }

private slots:
    void initTestCase()
    {
        InitResources();
        InstallLook();
    }

    void init()
    {
        store.emplace();
        const auto w = store->addWord("CASA");
        store->addWord("MASA");
        store->link(w, store->addChapter("ACOPERIS"));
        store->addChapter("ZIDURI");
        Global::db = DBEngine().OpenDatabase(QString::fromUtf8(kStoreFileName));
    }

    void cleanup()
    {
        if (Global::db) {
            Global::db->Close();
            Global::db.reset();
        }
        store.reset();
    }

    void windows_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("role");
        QTest::newRow("main") << "main"
                              << "Tarvix - Proiecte si atestate gata fãcute la: https://tarvix.example/"
                              << int(QAccessible::Window);
        QTest::newRow("chapters") << "chapters"
                                  << "Capitole" << int(QAccessible::Dialog);
        QTest::newRow("words") << "words"
                               << "Dictionar" << int(QAccessible::Dialog);
        QTest::newRow("links") << "links"
                               << "Legaturã" << int(QAccessible::Dialog);
    }

    // Dark text on the white windows, and each window a frame or a dialog named by its title.
    void windows()
    {
        QFETCH(QString, which);
        QFETCH(QString, title);
        QFETCH(int, role);
        if (which == "main")
            Global::db.reset();  // the main window opens the store itself
        std::unique_ptr<frmDictionar> opener;
        auto form = window(which, opener);
        whileShown(*form, [&] {
            checkReadable(form->widget());
            QAccessibleInterface* iface = reader(form->widget());
            QCOMPARE(int(iface->role()), role);
            QCOMPARE(iface->text(QAccessible::Name), title);
        });
    }

    void totalsSayTheirCaptions()
    {
        Global::db.reset();
        frmMain main;
        whileShown(main, [&] {
            QCOMPARE(captionOf(main.control<Label>("Label4").widget()), QStringLiteral("Total cuvinte:"));
            QCOMPARE(reader(main.control<Label>("Label4").widget())->text(QAccessible::Name), QStringLiteral("2"));
            QCOMPARE(captionOf(main.control<Label>("Label5").widget()), QStringLiteral("Total capitole:"));
            QCOMPARE(captionOf(main.control<Label>("Label7").widget()), QStringLiteral("Rezultate:"));
            // The pictures beside the buttons are named.
            QCOMPARE(reader(main.control<Image>("Image3").widget())->text(QAccessible::Name),
                     QStringLiteral("Capitole"));
            QCOMPARE(reader(main.control<Image>("Image2").widget())->text(QAccessible::Name),
                     QStringLiteral("Dictionar"));
        });
        Global::db = DBEngine().OpenDatabase(QString::fromUtf8(kStoreFileName));
        frmCapitole chapters;
        whileShown(chapters, [&] { QCOMPARE(captionOf(chapters.Label2.widget()), QStringLiteral("Total capitole:")); });
        frmDictionar words;
        whileShown(words, [&] { QCOMPARE(captionOf(words.Label2.widget()), QStringLiteral("Total cuvinte:")); });
        words.Text1.setText("CASA");
        frmLegatura links(words);
        whileShown(links, [&] {
            QCOMPARE(captionOf(links.Label2.widget()), QStringLiteral("Total referinte:"));
            QCOMPARE(reader(links.Label2.widget())->text(QAccessible::Name), QStringLiteral("1"));
        });
    }

    void editorBoxNamedByRole_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("name");
        QTest::newRow("chapters") << "chapters"
                                  << "Capitol";
        QTest::newRow("words") << "words"
                               << "Cuvânt";
    }

    // Named by what it holds; read-only only while locked.
    void editorBoxNamedByRole()
    {
        QFETCH(QString, which);
        QFETCH(QString, name);
        std::unique_ptr<frmDictionar> opener;
        auto form = window(which, opener);
        auto& editor = static_cast<Editor&>(*form);
        whileShown(editor, [&] {
            QAccessibleInterface* box = reader(editor.Text1.widget());
            QCOMPARE(box->text(QAccessible::Name), name);
            QVERIFY(editor.Text1.Locked());
            QVERIFY(box->state().readOnly);
            QVERIFY(!box->state().editable);
            tarvix::test::click(editor.Command1);
            QVERIFY(!editor.Text1.Locked());
            QVERIFY(!box->state().readOnly);
            QVERIFY(box->state().editable);
            // Its text read and edited through the screen reader's interfaces.
            tarvix::test::type(editor.Text1.widget(), QStringLiteral("ab"));
            QAccessibleTextInterface* text = box->textInterface();
            QVERIFY(text);
            QCOMPARE(text->characterCount(), 2);
            QCOMPARE(text->text(0, 2), QStringLiteral("AB"));
            QVERIFY(text->characterRect(0).left() < text->characterRect(1).left());
            box->editableTextInterface()->insertText(2, QStringLiteral("C"));
            QCOMPARE(editor.Text1.Text(), QStringLiteral("ABC"));
            tarvix::test::click(editor.control<CommandButton>("Command4"));
            QVERIFY(box->state().readOnly);
            box->editableTextInterface()->insertText(0, QStringLiteral("X"));
            QVERIFY(!editor.Text1.Text().startsWith(u'X'));
        });
    }

    // Alt with a letter that is no access key types nothing.
    void altLetterNeverTypes()
    {
        Global::db.reset();
        frmMain main;
        whileShown(main, [&] {
            QWidget* box = main.control<TextBox>("Text1").widget();
            QTRY_COMPARE(QApplication::focusWidget(), box);
            tarvix::test::type(box, QStringLiteral("TEST"));
            QTest::keyClick(box, Qt::Key_X, Qt::AltModifier);
            QTest::keyClick(box, Qt::Key_W, Qt::AltModifier);
            QCOMPARE(main.control<TextBox>("Text1").Text(), QStringLiteral("TEST"));
        });
    }

    void focusIsDrawn_data()
    {
        QTest::addColumn<QString>("which");
        QTest::newRow("list") << "list";
        QTest::newRow("results") << "results";
        QTest::newRow("drop-down") << "drop-down";
    }

    // The control that opens focused looks focused, without a Tab first.
    void focusIsDrawn()
    {
        QFETCH(QString, which);
        if (which == "results") {
            // Found titles, none selected, the focus moved to them with Tab.
            store->link(1, 2);
            Global::db.reset();
            frmMain main;
            whileShown(main, [&] {
                QWidget* box = main.control<TextBox>("Text1").widget();
                tarvix::test::type(box, QStringLiteral("CASA"));
                QTest::keyClick(box, Qt::Key_Return);
                QWidget* list = main.control<ListBox>("List1").widget();
                QTRY_COMPARE(main.control<ListBox>("List1").ListCount(), std::int16_t(2));
                QCOMPARE(main.control<ListBox>("List1").ListIndex(), std::int16_t(-1));
                list->setFocus(Qt::TabFocusReason);
                QTRY_COMPARE(QApplication::focusWidget(), list);
                QVERIFY(focusEdge(static_cast<QListView*>(list)) > 0.3);
                list->clearFocus();
                QCOMPARE(focusEdge(static_cast<QListView*>(list)), 0.0);
            });
            return;
        }
        std::unique_ptr<frmDictionar> opener;
        auto form = window(which == "list" ? "words" : "links", opener);
        QWidget* control = form->find(which == "list" ? "List1" : "Combo1")->widget();
        whileShown(*form, [&] {
            QTRY_COMPARE(QApplication::focusWidget(), control);
            if (auto* list = qobject_cast<QListView*>(control)) {
                QVERIFY(focusEdge(list) > 0.3);
                list->clearFocus();
                QCOMPARE(focusEdge(list), 0.0);
                return;
            }
            const QImage focused = look(control);
            control->clearFocus();
            QVERIFY(focused != look(control));
        });
    }
};

TARVIX_DARK_DESKTOP_MAIN(TestDesktop)

#include "tst_desktop.moc"
