#include "platform/toolkit/MsgBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace tarvix {

std::function<int(const QString&, int, const QString&)> MsgBoxHook;

namespace {

// The lines wrap between words; a title quoted in the text ('...') is kept on
// one line by no-break spaces, where it fits on one.
QString keepQuotedTogether(const QString& text, const QFontMetrics& fm, int lineWidth)
{
    QString out = text;
    qsizetype open = out.indexOf(u'\'');
    while (open >= 0) {
        const qsizetype close = out.indexOf(u'\'', open + 1);
        if (close < 0)
            break;
        const QString quoted = out.mid(open, close - open + 1);
        if (fm.horizontalAdvance(quoted) <= lineWidth)
            for (qsizetype i = open; i <= close; ++i)
                if (out.at(i) == u' ')
                    out[i] = QChar(0x00A0);
        open = out.indexOf(u'\'', close + 1);
    }
    return out;
}

}  // namespace

int MsgBox(const QString& text, int style, const QString& title)
{
    const QString shownTitle = title.isEmpty() ? QStringLiteral("Tarvix") : title;
    if (MsgBoxHook)
        return MsgBoxHook(text, style, shownTitle);

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(shownTitle);
    box.setTextFormat(Qt::PlainText);
    // About the width at which the box starts to wrap its text.
    box.setText(keepQuotedTogether(text, QFontMetrics(box.font()), 400));
    switch (style & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    default: break;
    }
    std::vector<std::pair<QPushButton*, int>> buttons;
    auto add = [&](const char* caption, QMessageBox::ButtonRole role, int answer) {
        buttons.emplace_back(box.addButton(QString::fromUtf8(caption), role), answer);
    };
    if ((style & 7) == vbYesNo) {
        add("Da", QMessageBox::YesRole, vbYes);
        add("Nu", QMessageBox::NoRole, vbNo);
    } else {
        add("OK", QMessageBox::AcceptRole, vbOK);
    }
    box.setDefaultButton(buttons.front().first);
    box.setEscapeButton(buttons.back().first);
    if (QWidget* top = QApplication::activeWindow())
        box.setWindowIcon(top->windowIcon());
    box.exec();
    for (const auto& [button, answer] : buttons)
        if (box.clickedButton() == button)
            return answer;
    return buttons.back().second;
}

}  // namespace tarvix
