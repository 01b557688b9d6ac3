// Inside the toolkit: the message box as shown: its icon named for a screen
// reader, its text exactly the text (shown, read and copied), laid out so a
// quoted title stays on one line.
#pragma once

#include <QMessageBox>

namespace tarvix::detail {

class MessageText;

class MessageBox : public QMessageBox {
public:
    explicit MessageBox(QWidget* parent);

    // The icon, and the name a screen reader gives it ("Eroare", "Întrebare", "Atenție").
    void setKind(int style);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The text drawn by a MessageText in the place of the box's own label.
    void placeText();
    MessageText* shown_ = nullptr;
};

}  // namespace tarvix::detail
