// The whole maintenance path: main window, words editor, links editor, back,
// and a search that finds the chapter just linked.
#include "platform/Toolkit.h"
#include "resources/Resources.h"
#include "search/frmMain.h"
#include "store/Global.h"
#include "support/EndProgramRecorder.h"
#include "support/MsgBoxDouble.h"
#include "support/TempStore.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

using namespace tarvix;
using tarvix::test::TempStore;

namespace {

QWidget* shown(const QString& title)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title)
            return w;
    return nullptr;
}

template <class T>
T* part(QWidget* window, const char* name)
{
    return window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

QStringList rows(QAbstractItemView* view)
{
    QStringList out;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        out << view->model()->index(r, 0).data().toString();
    return out;
}

void pickRow(QAbstractItemView* view, int row)
{
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

const QString kWords = QStringLiteral("Dictionar");
const QString kLinks = QStringLiteral("Legaturã");

}  // namespace

class TestLinksEndToEnd : public QObject {
    Q_OBJECT

private:
    tarvix::test::MsgBoxDouble boxes;
    tarvix::test::EndProgramRecorder end;
    QStringList stepsDone;
    bool abandoned = false;

    // Runs step once ready() holds, checking from the event loop so that the
    // modal windows beneath keep running; a step that fails closes every window.
    void when(const QString& name, std::function<bool()> ready, std::function<void()> step, int tries = 1000)
    {
        QTimer::singleShot(5, this, [=, this] {
            if (abandoned)
                return;
            if (!ready()) {
                if (tries > 0)
                    return when(name, ready, step, tries - 1);
                QTest::qFail(qPrintable(QStringLiteral("never ready: ") + name), __FILE__, __LINE__);
                abandonAll();
                return;
            }
            stepsDone << name;
            step();
            if (QTest::currentTestFailed())
                abandonAll();
        });
    }

    void abandonAll()
    {
        abandoned = true;
        for (const QString& title : {kLinks, kWords})
            if (QWidget* w = shown(title))
                w->close();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                w->close();
    }

private slots:
    void initTestCase()
    {
        InitResources();
        InstallLook();
    }

    void wordToLinkToSearch()
    {
        TempStore store;
        store.addWord("CASA");
        const auto masa = store.addWord("MASA");
        const auto legs = store.addChapter("PICIOARE");
        store.addChapter("BUCATARIE");
        store.link(store.addWord("SCAUN"), legs);

        frmMain main;
        QWidget* mainWindow = nullptr;

        // The main window: a search for the word finds nothing yet; then to the words editor.
        when(
            "main", [&] { return main.widget()->isVisible(); },
            [&] {
                mainWindow = main.widget();
                QTest::keyClicks(main.control<TextBox>("Text1").widget(), "masa");
                QTest::mouseClick(main.control<CommandButton>("Command1").widget(), Qt::LeftButton);
                QCOMPARE(main.control<Label>("Label7").Caption(), QStringLiteral("NIMIC"));
                QCOMPARE(main.control<ListBox>("List1").ListCount(), std::int16_t(0));

                // The words editor: pick the second word and open its links.
                when(
                    "words",
                    [&] {
                        auto* list = part<QAbstractItemView>(shown(kWords), "List1");
                        return list && list->model()->rowCount() == 3;
                    },
                    [&] {
                        QWidget* words = shown(kWords);
                        auto* list = part<QAbstractItemView>(words, "List1");
                        QCOMPARE(rows(list), (QStringList{"CASA", "MASA", "SCAUN"}));
                        pickRow(list, 1);
                        QCOMPARE(part<QLineEdit>(words, "Text1")->text(), QStringLiteral("MASA"));

                        // The links editor: the word, no links yet; link it to the chosen chapter.
                        when(
                            "links", [&] { return shown(kLinks) != nullptr; },
                            [&] {
                                QWidget* links = shown(kLinks);
                                QCOMPARE(Global::SelectedWordId, masa);
                                QCOMPARE(part<QLineEdit>(links, "Text1")->text(), QStringLiteral("MASA"));
                                QCOMPARE(part<QLabel>(links, "Label2")->text(), QStringLiteral("0"));
                                auto* combo = part<QComboBox>(links, "Combo1");
                                QCOMPARE(combo->currentText(), QStringLiteral("BUCATARIE"));
                                QTest::keyClick(combo, Qt::Key_Down);
                                QCOMPARE(combo->currentText(), QStringLiteral("PICIOARE"));
                                QTest::mouseClick(part<QPushButton>(links, "Command1"), Qt::LeftButton);
                                QCOMPARE(rows(part<QAbstractItemView>(links, "List1")), QStringList{"PICIOARE"});
                                QCOMPARE(part<QLabel>(links, "Label2")->text(), QStringLiteral("1"));
                                // Another copy of the program adds a word meanwhile: the words editor must show it.
                                store.addWord("ALBINA");

                                // Back in the words editor: refilled, the first word selected; then back to the main
                                // window.
                                when(
                                    "words again", [&] { return !shown(kLinks) && shown(kWords); },
                                    [&] {
                                        QWidget* words = shown(kWords);
                                        auto* list = part<QAbstractItemView>(words, "List1");
                                        QCOMPARE(rows(list), (QStringList{"ALBINA", "CASA", "MASA", "SCAUN"}));
                                        QCOMPARE(list->currentIndex().row(), 0);
                                        QCOMPARE(part<QLineEdit>(words, "Text1")->text(), QStringLiteral("ALBINA"));

                                        // The search now finds the chapter just linked. The main window must be
                                        // active again: only then does the click take the focus from Text1, whose
                                        // LostFocus trims the keyword.
                                        when(
                                            "search",
                                            [&] {
                                                return !shown(kWords) && mainWindow->isVisible()
                                                       && mainWindow->isActiveWindow();
                                            },
                                            [&] {
                                                QCOMPARE(main.control<Label>("Label4").Caption(), QStringLiteral("4"));
                                                auto& keyword = main.control<TextBox>("Text1");
                                                keyword.setText(QString());
                                                keyword.SetFocus();
                                                QTest::keyClicks(keyword.widget(), " masa");
                                                QTest::mouseClick(main.control<CommandButton>("Command1").widget(),
                                                                  Qt::LeftButton);
                                                auto& found = main.control<ListBox>("List1");
                                                QCOMPARE(found.ListCount(), std::int16_t(1));
                                                QCOMPARE(found.List(0), QStringLiteral("PICIOARE"));
                                                QCOMPARE(main.control<Label>("Label7").Caption(), QStringLiteral("1"));
                                                QTest::mouseClick(main.control<CommandButton>("Command2").widget(),
                                                                  Qt::LeftButton);
                                            });
                                        QTest::mouseClick(part<QPushButton>(words, "Command6"), Qt::LeftButton);
                                    });
                                QTest::keyClick(combo, Qt::Key_Escape);
                            });
                        QTest::mouseClick(part<QPushButton>(words, "Command7"), Qt::LeftButton);
                    });
                QTest::mouseClick(main.control<CommandButton>("Command3").widget(), Qt::LeftButton);
            });
        main.Show();

        QCOMPARE(stepsDone, (QStringList{"main", "words", "links", "words again", "search"}));
        QVERIFY(!main.IsLoaded());
        QVERIFY(!Global::db);
        QVERIFY(boxes.boxes.empty());
        QVERIFY(!end.endedWith);
        QCOMPARE(store.chaptersOf(masa), QStringList{"PICIOARE"});
        QCOMPARE(store.count("tblLegatura"), 2);
    }
};

QTEST_MAIN(TestLinksEndToEnd)
#include "tst_links_endtoend.moc"
