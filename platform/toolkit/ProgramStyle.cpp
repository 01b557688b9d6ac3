#include "platform/toolkit/ProgramStyle.h"

#include "platform/toolkit/MessageIcon.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOption>
#include <QWidget>

#include <cmath>

namespace tarvix::detail {

namespace {

// A rectangle of one device pixel lines, kept inside the widget's pixels at
// any scale, so no side is rounded away at 1.5.
// Centres of the first and last device pixels a rectangle covers, so lines
// one device pixel wide stay inside the widget at any scale (none is lost at 1.5).
struct Edges {
    Edges(const QPainter* painter, const QRect& r)
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        half = 0.5 / dpr;
        left = r.left() + half;
        top = r.top() + half;
        right = r.left() + (std::floor(r.width() * dpr) - 0.5) / dpr;
        bottom = r.top() + (std::floor(r.height() * dpr) - 0.5) / dpr;
    }
    qreal half, left, top, right, bottom;
};

void line(QPainter* painter, qreal x1, qreal y1, qreal x2, qreal y2)
{
    painter->drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void drawWholeRect(QPainter* painter, const QRect& r, const QColor& colour)
{
    const Edges e(painter, r);
    painter->save();
    painter->setPen(QPen(colour, 0));  // cosmetic: one device pixel at any scale
    painter->setRenderHint(QPainter::Antialiasing, false);
    line(painter, e.left, e.top, e.right, e.top);
    line(painter, e.left, e.bottom, e.right, e.bottom);
    line(painter, e.left, e.top, e.left, e.bottom);
    line(painter, e.right, e.top, e.right, e.bottom);
    painter->restore();
}

}  // namespace

void ProgramStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    if (element == PE_Frame) {
        drawWholeRect(painter, option->rect, option->palette.color(QPalette::Mid));
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ProgramStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                      const QWidget* widget) const
{
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !box) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    painter->save();
    // The painter's own font, which is what the caption is drawn in.
    const QFontMetrics fm = painter->fontMetrics();
    const QRect r = box->rect;
    const Edges e(painter, r);
    const qreal lineY = r.top() + fm.height() / 2 + e.half;
    painter->setPen(QPen(box->palette.color(QPalette::Mid), 0));
    painter->setRenderHint(QPainter::Antialiasing, false);
    // Left, bottom and right sides, then the top in two pieces around the caption.
    line(painter, e.left, lineY, e.left, e.bottom);
    line(painter, e.left, e.bottom, e.right, e.bottom);
    line(painter, e.right, lineY, e.right, e.bottom);
    if (box->text.isEmpty()) {
        line(painter, e.left, lineY, e.right, lineY);
    } else {
        const int textLeft = r.left() + kCaptionIndent;
        // One pixel more than the rounded advance, or a caption that fits is shortened.
        const int full = fm.horizontalAdvance(box->text) + 1;
        const int textWidth = std::min(full, r.width() - 2 * kCaptionIndent);
        const QRect textRect(textLeft, r.top(), textWidth, fm.height());
        line(painter, e.left, lineY, textLeft - 2, lineY);
        line(painter, textRect.right() + 3, lineY, e.right, lineY);
        painter->setPen(box->palette.color(box->state & State_Enabled ? QPalette::Active : QPalette::Disabled,
                                           QPalette::WindowText));
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          full > textWidth ? fm.elidedText(box->text, Qt::ElideRight, textWidth) : box->text);
    }
    painter->restore();
}

QIcon ProgramStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    switch (icon) {
    case SP_MessageBoxWarning: return QIcon(new MessageIcon(MessageIcon::Kind::Exclamation));
    case SP_MessageBoxCritical: return QIcon(new MessageIcon(MessageIcon::Kind::Stop));
    case SP_MessageBoxQuestion: return QIcon(new MessageIcon(MessageIcon::Kind::Question));
    default: return QProxyStyle::standardIcon(icon, option, widget);
    }
}

int ProgramStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const
{
    if (hint == SH_ComboBox_Popup)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace tarvix::detail
