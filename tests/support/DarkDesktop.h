// A desktop with a dark theme under the windows and message boxes, and what
// the tests read of them: colours, a screen reader's view, real message boxes.
#pragma once

#include "platform/Toolkit.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>

namespace tarvix::test {

// A desktop with a dark theme, as GTK's dark themes or a dark Fusion palette give it.
inline QPalette darkPalette()
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

inline double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

inline double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Every caption, value and frame title against what it is drawn on, and the
// selection and disabled texts of the same palette.
inline void checkReadable(QWidget* top)
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

inline QAccessibleInterface* reader(QWidget* w)
{
    return QAccessible::queryAccessibleInterface(w);
}

// Runs body while a real message box is up, then answers its last button.
inline void withBox(const QString& text, int style, const std::function<void(QMessageBox*)>& body)
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

inline QImage look(QWidget* w)
{
    return w->grab().toImage();
}

}  // namespace tarvix::test

// The test program's entry: the dark desktop is in place before the program's look.
#define TARVIX_DARK_DESKTOP_MAIN(TestClass)                                                                            \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));                                       \
        QApplication::setPalette(tarvix::test::darkPalette());                                                         \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
