// Inside the toolkit: a message box's text, wrapped between words, where a
// quoted title ('...') that fits on a line never breaks. The line breaks are
// chosen, the characters never changed: what is read and copied is the text.
#pragma once

#include <QLabel>
#include <QStringList>
#include <QTextLayout>

namespace tarvix::detail {

class MessageText : public QLabel {
public:
    MessageText(const QString& text, QWidget* parent);

    // The text's lines at width pixels; joined they give the text back.
    static QStringList Lines(const QString& text, const QFont& font, int width);
    // The lines as drawn.
    QStringList shownLines() const { return Lines(text(), font(), width()); }

    // Wider texts wrap at this width.
    static constexpr int kLineWidth = 400;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Lays the text out at width pixels into layout; returns the height used.
    static qreal layOut(QTextLayout& layout, int width);
    void fit();
};

}  // namespace tarvix::detail
