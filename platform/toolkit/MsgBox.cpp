#include "platform/toolkit/MsgBox.h"

#include "platform/toolkit/MessageBox.h"

#include <QApplication>
#include <QPushButton>

#include <vector>

namespace tarvix {

std::function<int(const QString&, int, const QString&)> MsgBoxHook;

int MsgBox(const QString& text, int style, const QString& title)
{
    const QString shownTitle = title.isEmpty() ? QStringLiteral("Tarvix") : title;
    if (MsgBoxHook)
        return MsgBoxHook(text, style, shownTitle);

    detail::MessageBox box(QApplication::activeWindow());
    box.setWindowTitle(shownTitle);
    box.setText(text);
    box.setKind(style);
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
