// The windows on a dark desktop, with the keyboard, and as a screen reader
// sees them: the real windows against a fresh store, under a dark palette.
#include "editors/frmCapitole.h"
#include "editors/frmDictionar.h"
#include "editors/frmLegatura.h"
#include "platform/Toolkit.h"
#include "platform/toolkit/MessageText.h"
#include "resources/Resources.h"
#include "search/frmMain.h"
#include "store/Global.h"
#include "support/TempStore.h"
#include "support/WindowDriver.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

using namespace tarvix;
using tarvix::test::TempStore;
using tarvix::test::whileShown;

namespace {

const QString kTitle = QStringLiteral("POINTERI SI ALOCARE DINAMICA IN LIMBAJUL C");
const QString kQuestion = QStringLiteral("Sunteti sigur cã doriti sã stergeti capitolul '") + kTitle
                          + QStringLiteral("' din baza de date împreunã cu toate referintele lui la anumite cuvinte ?");

// A desktop with a dark theme, as GTK's dark themes or a dark Fusion palette give it.
QPalette darkPalette()
{
    QPalette p(Qt::white, QColor(0x35, 0x35, 0x35), QColor(0x50, 0x50, 0x50), QColor(0x20, 0x20, 0x20),
               QColor(0x2A, 0x2A, 0x2A), Qt::white, Qt::white, QColor(0x19, 0x19, 0x19), QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x38, 0x38, 0x38));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x38, 0x38, 0x38));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x38, 0x38, 0x38));
    return p;
}

double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Every caption, value and frame title against what it is drawn on, and the
// selection and disabled texts of the same palette.
void checkReadable(QWidget* top)
{
    QList<QWidget*> texts;
    for (auto* l : top->findChildren<QLabel*>())
        if (l->pixmap().isNull())
            texts << l;
    for (auto* g : top->findChildren<QGroupBox*>())
        texts << g;
    QVERIFY(!texts.isEmpty());
    for (QWidget* w : texts) {
        const QPalette p = w->palette();
        const QColor background = p.color(QPalette::Window);
        QVERIFY2(contrast(p.color(QPalette::WindowText), background) >= 4.5, qPrintable(w->objectName()));
        QVERIFY2(contrast(p.color(QPalette::Disabled, QPalette::WindowText), background) >= 3.0,
                 qPrintable(w->objectName()));
        QCOMPARE(background, QColor(Qt::white));
    }
    for (auto* w : top->findChildren<QWidget*>()) {
        const QPalette p = w->palette();
        QVERIFY2(contrast(p.color(QPalette::Text), p.color(QPalette::Base)) >= 4.5, qPrintable(w->objectName()));
        QVERIFY2(contrast(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)) >= 4.5,
                 qPrintable(w->objectName()));
        QVERIFY2(contrast(p.color(QPalette::ButtonText), p.color(QPalette::Button)) >= 4.5,
                 qPrintable(w->objectName()));
    }
}

QAccessibleInterface* reader(QWidget* w)
{
    return QAccessible::queryAccessibleInterface(w);
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

// Runs body while a real message box is up, then answers its last button.
void withBox(const QString& text, int style, const std::function<void(QMessageBox*)>& body)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        QVERIFY(QTest::qWaitForWindowExposed(box));
        ran = true;
        body(box);
        box->buttons().constLast()->click();
    });
    MsgBox(text, style, QStringLiteral("Stergere."));
    QVERIFY(ran);
}

// How many lines plain wrapping between words gives.
int plainLines(const QString& text, const QFont& font, int width)
{
    QTextLayout layout(QString(text).replace(u'\n', QChar::LineSeparator), font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    int n = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine(), ++n)
        line.setLineWidth(width);
    layout.endLayout();
    return n;
}

QImage look(QWidget* w)
{
    return w->grab().toImage();
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

    void messageBoxReadable()
    {
        withBox(kQuestion, vbYesNo + vbCritical, [](QMessageBox* box) { checkReadable(box); });
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
            tarvix::test::click(editor.control<CommandButton>("Command4"));
            QVERIFY(box->state().readOnly);
        });
    }

    void messageIconsNamed_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("name");
        QTest::newRow("stop") << vbYesNo + vbCritical << "Eroare";
        QTest::newRow("question") << vbYesNo + vbQuestion << "Întrebare";
        QTest::newRow("exclamation") << vbExclamation << "Atenție";
    }

    void messageIconsNamed()
    {
        QFETCH(int, style);
        QFETCH(QString, name);
        withBox(QStringLiteral("Sigur?"), style, [&](QMessageBox* box) {
            auto* icon = box->findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"));
            QVERIFY(icon);
            QCOMPARE(reader(icon)->role(), QAccessible::Graphic);
            QCOMPARE(reader(icon)->text(QAccessible::Name), name);
        });
    }

    // The text shown, read and copied is the text, and the quoted title is on one line.
    void messageTextIsTheText()
    {
        withBox(kQuestion, vbYesNo + vbCritical, [](QMessageBox* box) {
            QCOMPARE(box->text(), kQuestion);
            auto* shown =
                dynamic_cast<detail::MessageText*>(box->findChild<QLabel*>(QStringLiteral("tarvix_message_text")));
            QVERIFY(shown);
            QVERIFY(shown->isVisible());
            QCOMPARE(shown->text(), kQuestion);
            QCOMPARE(reader(shown)->text(QAccessible::Name), kQuestion);
            const QStringList lines = shown->shownLines();
            QVERIFY(lines.size() > 1);
            QCOMPARE(lines.join(QString()), kQuestion);
            QVERIFY2(std::any_of(lines.begin(), lines.end(),
                                 [](const QString& l) { return l.contains(u'\'' + kTitle + u'\''); }),
                     qPrintable(lines.join(u'|')));
            QGuiApplication::clipboard()->clear();
            QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text(), kQuestion);
        });
    }

    void quotedTitleOnOneLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        const QString error =
            QStringLiteral("Eroare de execuție '3022':\n\nAcest capitol existã deja în baza de date !");
        for (int width : {180, 240, 300, 360, 400, 460, 520}) {
            QTest::addRow("question %d", width) << kQuestion << width;
            QTest::addRow("error %d", width) << error << width;
        }
    }

    // At any width the title stays whole, costing at most one line more than plain wrapping.
    void quotedTitleOnOneLine()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        const QFont font = QApplication::font();
        const QStringList lines = detail::MessageText::Lines(text, font, width);
        QCOMPARE(lines.join(QString()), text);
        for (const QString& line : lines)
            QVERIFY(QFontMetrics(font).horizontalAdvance(line.trimmed()) <= width);
        QVERIFY(lines.size() <= plainLines(text, font, width) + 1);
        const qsizetype open = text.indexOf(u'\'');
        const QString quoted = text.mid(open, text.indexOf(u'\'', open + 1) + 1 - open);
        if (QFontMetrics(font).horizontalAdvance(quoted) > width)
            return;  // longer than a line: it breaks where it must
        QVERIFY2(std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(quoted); }),
                 qPrintable(lines.join(u'|')));
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
        QTest::newRow("default button") << "default button";
    }

    // The control that opens focused looks focused, without a Tab first.
    void focusIsDrawn()
    {
        QFETCH(QString, which);
        if (which == "default button") {
            withBox(kQuestion, vbYesNo + vbCritical, [](QMessageBox* box) {
                QWidget* yes = box->defaultButton();
                QTRY_COMPARE(QApplication::focusWidget(), yes);
                const QImage focused = look(yes);
                yes->clearFocus();
                QVERIFY(focused != look(yes));
            });
            return;
        }
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
                const QImage focused = look(list);
                list->clearFocus();
                QVERIFY(focused != look(list));
            });
            return;
        }
        std::unique_ptr<frmDictionar> opener;
        auto form = window(which == "list" ? "words" : "links", opener);
        QWidget* control = form->find(which == "list" ? "List1" : "Combo1")->widget();
        whileShown(*form, [&] {
            QTRY_COMPARE(QApplication::focusWidget(), control);
            const QImage focused = look(control);
            control->clearFocus();
            QVERIFY(focused != look(control));
        });
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(darkPalette());
    TestDesktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
