#include "platform/toolkit/MessageIcon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tarvix::detail {

void MessageIcon::paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State)
{
    const qreal size = std::min(rect.width(), rect.height());
    painter->save();
    painter->translate(rect.topLeft());
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    switch (kind_) {
    case Kind::Exclamation: drawExclamation(*painter, size); break;
    case Kind::Stop: drawStop(*painter, size); break;
    case Kind::Question: drawQuestion(*painter, size); break;
    }
    painter->restore();
}

QPixmap MessageIcon::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    // Asked at the device size: drawn at every device pixel, not scaled up from a small picture.
    QPixmap out(size);
    out.fill(Qt::transparent);
    QPainter p(&out);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return out;
}

void MessageIcon::drawExclamation(QPainter& p, qreal s)
{
    // A yellow warning triangle with a black exclamation mark.
    QPainterPath triangle;
    triangle.moveTo(s * 0.5, s * 0.06);
    triangle.lineTo(s * 0.97, s * 0.92);
    triangle.lineTo(s * 0.03, s * 0.92);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(0x80, 0x60, 0x00), s / 32.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xFF, 0xD8, 0x20));
    p.drawPath(triangle);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    QPainterPath bar;
    bar.moveTo(s * 0.44, s * 0.32);
    bar.lineTo(s * 0.56, s * 0.32);
    bar.lineTo(s * 0.53, s * 0.66);
    bar.lineTo(s * 0.47, s * 0.66);
    bar.closeSubpath();
    p.drawPath(bar);
    p.drawEllipse(QPointF(s * 0.5, s * 0.78), s * 0.065, s * 0.065);
}

void MessageIcon::drawStop(QPainter& p, qreal s)
{
    // A red disc with a white cross.
    p.setPen(QPen(QColor(0x80, 0x00, 0x00), s / 32.0));
    p.setBrush(QColor(0xE0, 0x20, 0x20));
    p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.46, s * 0.46);
    p.setPen(QPen(Qt::white, s * 0.11, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.33, s * 0.33), QPointF(s * 0.67, s * 0.67));
    p.drawLine(QPointF(s * 0.67, s * 0.33), QPointF(s * 0.33, s * 0.67));
}

void MessageIcon::drawQuestion(QPainter& p, qreal s)
{
    // A blue disc with a white question mark.
    p.setPen(QPen(QColor(0x10, 0x30, 0x80), s / 32.0));
    p.setBrush(QColor(0x30, 0x70, 0xD0));
    p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.46, s * 0.46);
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("sans-serif")});
    font.setBold(true);
    font.setPixelSize(std::max(1, static_cast<int>(s * 0.62)));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, s, s * 1.02), Qt::AlignCenter, QStringLiteral("?"));
}

}  // namespace tarvix::detail
