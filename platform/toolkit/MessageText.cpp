#include "platform/toolkit/MessageText.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace tarvix::detail {

namespace {

// Where the quoted part around position i starts, or -1 when i is in none.
qsizetype quoteAround(const QString& text, qsizetype i)
{
    qsizetype open = text.indexOf(u'\'');
    while (open >= 0) {
        const qsizetype close = text.indexOf(u'\'', open + 1);
        if (close < 0)
            return -1;
        if (i > open && i <= close)
            return open;
        open = text.indexOf(u'\'', close + 1);
    }
    return -1;
}

// The quoted part starting at open, with its closing quote.
qsizetype quoteEnd(const QString& text, qsizetype open)
{
    return text.indexOf(u'\'', open + 1) + 1;
}

}  // namespace

MessageText::MessageText(const QString& text, QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("tarvix_message_text"));
    setTextFormat(Qt::PlainText);
    setText(text);
    fit();
}

qreal MessageText::layOut(QTextLayout& layout, int width)
{
    const QString& text = layout.text();
    const QFontMetricsF fm(layout.font());
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        const qsizetype start = line.textStart();
        const qsizetype next = start + line.textLength();
        // A break inside a quoted title moves to the blank before it, when the title fits a line.
        const qsizetype open = next < text.size() ? quoteAround(text, next) : -1;
        if (open > start) {
            const qsizetype end = quoteEnd(text, open);
            if (fm.horizontalAdvance(text.mid(open, end - open)) <= width)
                line.setNumColumns(static_cast<int>(open - start));
        }
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}

QStringList MessageText::Lines(const QString& text, const QFont& font, int width)
{
    // A line feed ends a line, as in any label.
    QTextLayout layout(QString(text).replace(u'\n', QChar::LineSeparator), font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layOut(layout, width);
    QStringList lines;
    for (int i = 0; i < layout.lineCount(); ++i)
        lines << text.mid(layout.lineAt(i).textStart(), layout.lineAt(i).textLength());
    return lines;
}

QSize MessageText::sizeHint() const
{
    return size();
}

void MessageText::fit()
{
    QTextLayout layout(QString(text()).replace(u'\n', QChar::LineSeparator), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    const qreal height = layOut(layout, kLineWidth);
    qreal widest = 0;
    for (int i = 0; i < layout.lineCount(); ++i)
        widest = std::max(widest, layout.lineAt(i).naturalTextWidth());
    setFixedSize(std::min(static_cast<int>(std::ceil(widest)) + 1, kLineWidth), static_cast<int>(std::ceil(height)));
}

void MessageText::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fit();
}

void MessageText::paintEvent(QPaintEvent*)
{
    QTextLayout layout(QString(text()).replace(u'\n', QChar::LineSeparator), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layOut(layout, width());
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, QPointF(0, 0));
}

}  // namespace tarvix::detail
