#include "platform/toolkit/PasswordBox.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>

namespace tarvix {

std::optional<QString> PasswordBox(const QString& prompt, const QString& title)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Renunță"));
    dialog.setInputMethodHints(Qt::ImhHiddenText | Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
    dialog.setAccessibleName(title);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

}  // namespace tarvix
