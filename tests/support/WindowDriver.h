// Driving windows as a person does: a modal Show with something done while it
// is up, keys typed and pasted, buttons clicked, and the items a list shows.
#pragma once

#include "platform/Toolkit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>

namespace tarvix::test {

// Shows form modally, runs body once it is on screen and active, then closes
// it (unless body did) so that Show returns; fails when body never ran.
inline void whileShown(Form& form, const std::function<void()>& body)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        if (QTest::qWaitForWindowActive(form.widget())) {
            ran = true;
            body();
        } else {
            QTest::qFail("the window never became active", __FILE__, __LINE__);
        }
        if (form.IsLoaded())
            form.Unload();
    });
    form.Show();
    QVERIFY(ran);
}

// Each character as a keyboard sends it; QTest::keyClicks takes only Latin-1.
inline void type(QWidget* box, const QString& text)
{
    for (const QChar ch : text) {
        const char16_t upper = ch.toUpper().unicode();
        const auto key = upper < 0x80 ? Qt::Key(upper) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Press, box, key, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, box, key, QString(ch), Qt::NoModifier);
    }
}

inline void paste(QWidget* box, const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

inline void click(CommandButton& button)
{
    QTest::mouseClick(button.widget(), Qt::LeftButton);
}

inline QStringList items(const ListControl& list)
{
    QStringList out;
    for (std::int16_t i = 0; i < list.ListCount(); ++i)
        out << list.List(i);
    return out;
}

}  // namespace tarvix::test
