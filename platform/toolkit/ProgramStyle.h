// Inside the toolkit: how the program's frames, lists and drop-down lists are
// drawn over the platform's style.
#pragma once

#include <QProxyStyle>

namespace tarvix::detail {

class ProgramStyle : public QProxyStyle {
public:
    // Frames: a thin line on the white window with the caption on the top
    // border, the line broken behind it; panels drawn whole at any scale.
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    // A focused button shows a dotted rectangle inside it: the platform's style
    // draws a focused button and the default button alike.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;
    // The message boxes' icons, sharp at any scale.
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override;
    // A drop-down list opens as a scrolling list below the box.
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;

    static constexpr int kCaptionIndent = 6;  // pixels from the frame's left side to its caption
};

}  // namespace tarvix::detail
