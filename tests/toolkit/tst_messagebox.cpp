// Message boxes on a dark desktop, read by a screen reader and copied: their
// text is exactly the text, a quoted title stays on one line, the icon is named.
#include "platform/Toolkit.h"
#include "platform/toolkit/MessageText.h"
#include "support/DarkDesktop.h"

#include <QClipboard>
#include <QTextLayout>

using namespace tarvix;
using namespace tarvix::test;

namespace {

const QString kTitle = QStringLiteral("POINTERI SI ALOCARE DINAMICA IN LIMBAJUL C");
const QString kQuestion = QStringLiteral("Sunteti sigur cã doriti sã stergeti capitolul '") + kTitle
                          + QStringLiteral("' din baza de date împreunã cu toate referintele lui la anumite cuvinte ?");

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

}  // namespace

class TestMessageBox : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallLook(); }

    void messageBoxReadable()
    {
        withBox(kQuestion, vbYesNo + vbCritical, [](QMessageBox* box) { checkReadable(box); });
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

    // The default button looks focused from the start, not only after a Tab.
    void defaultButtonShowsFocus()
    {
        withBox(kQuestion, vbYesNo + vbCritical, [](QMessageBox* box) {
            QWidget* yes = box->defaultButton();
            QTRY_COMPARE(QApplication::focusWidget(), yes);
            const QImage focused = look(yes);
            yes->clearFocus();
            QVERIFY(focused != look(yes));
        });
    }
};

TARVIX_DARK_DESKTOP_MAIN(TestMessageBox)

#include "tst_messagebox.moc"
