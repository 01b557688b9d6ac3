#include "platform/toolkit/ProgramStyle.h"

#include "platform/toolkit/MessageIcon.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOption>
#include <QWidget>

#include <cmath>

namespace tarvix::detail {

namespace {

// Lines one device pixel thick, filled as rectangles of whole device pixels
// inside the widget, so no side is rounded away or clipped at 1.5 or 2.
class DeviceLines {
public:
    DeviceLines(QPainter* painter, const QRect& r, const QColor& colour) : painter_(painter), colour_(colour)
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        px = 1.0 / dpr;
        left = r.left();
        top = r.top();
        right = r.left() + std::floor(r.width() * dpr) / dpr - px;
        bottom = r.top() + std::floor(r.height() * dpr) / dpr - px;
    }
    void across(qreal y, qreal x1, qreal x2) { painter_->fillRect(QRectF(x1, y, x2 - x1 + px, px), colour_); }
    void down(qreal x, qreal y1, qreal y2) { painter_->fillRect(QRectF(x, y1, px, y2 - y1 + px), colour_); }

    qreal px, left, top, right, bottom;

private:
    QPainter* painter_;
    QColor colour_;
};

}  // namespace

void ProgramStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    if (element == PE_Frame) {
        DeviceLines l(painter, option->rect, option->palette.color(QPalette::Mid));
        l.across(l.top, l.left, l.right);
        l.across(l.bottom, l.left, l.right);
        l.down(l.left, l.top, l.bottom);
        l.down(l.right, l.top, l.bottom);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ProgramStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element != CE_PushButton || !(option->state & State_HasFocus))
        return;
    painter->save();
    painter->setPen(QPen(option->palette.color(QPalette::ButtonText), 0, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option->rect.adjusted(4, 4, -5, -5));
    painter->restore();
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
    DeviceLines l(painter, r, box->palette.color(QPalette::Mid));
    const qreal lineY = r.top() + fm.height() / 2;
    // Left, bottom and right sides, then the top in two pieces around the caption.
    l.down(l.left, lineY, l.bottom);
    l.across(l.bottom, l.left, l.right);
    l.down(l.right, lineY, l.bottom);
    if (box->text.isEmpty()) {
        l.across(lineY, l.left, l.right);
    } else {
        const int textLeft = r.left() + kCaptionIndent;
        // One pixel more than the rounded advance, or a caption that fits is shortened.
        const int full = fm.horizontalAdvance(box->text) + 1;
        const int textWidth = std::min(full, r.width() - 2 * kCaptionIndent);
        const QRect textRect(textLeft, r.top(), textWidth, fm.height());
        l.across(lineY, l.left, textLeft - 3);
        l.across(lineY, textRect.right() + 3, l.right);
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
