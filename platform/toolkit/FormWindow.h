// Inside the toolkit: the top-level widget of a form. Routes Enter, Esc,
// access keys, the close box, a click on the window and its keys to the form.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace tarvix {

class Form;

namespace detail {

class FormWindow : public QWidget {
public:
    explicit FormWindow(Form& form) : form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override;

    QPixmap background;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Form& form_;
};

}  // namespace detail

}  // namespace tarvix
