#include "platform/toolkit/Control.h"

#include "platform/text/Error.h"
#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/Look.h"

#include <QGroupBox>
#include <QLabel>
#include <QPixmap>

namespace tarvix {

Control::Control(Form& form, const ControlDef& def)
    : form_(form), name_(QString::fromUtf8(def.name)), kind_(def.kind), def_(def), enabled_(def.props.enabled)
{
}

Control::~Control() = default;

bool Control::Enabled() const
{
    return enabled_;
}

void Control::setEnabled(bool on)
{
    enabled_ = on;
    applyEnabled();
}

void Control::applyEnabled()
{
    if (!widget_)
        return;
    // Qt would hand the focus to the next control, often a button that Enter then presses.
    if (!enabled_)
        form_.returnFocusFrom(*this);
    widget_->setEnabled(enabled_);
}

bool Control::Visible() const
{
    return widget_ ? !widget_->isHidden() : false;
}

void Control::takeFocus()
{
    if (!widget_ || !widget_->isEnabled() || !widget_->isVisible() || !form_.IsLoaded())
        RaiseToolkitError(tkerr::InvalidProcedureCall);
    widget_->setFocus(Qt::OtherFocusReason);
    detail::CheckUnwind();
}

void Control::resetToDesign()
{
    enabled_ = def_.props.enabled;
    applyEnabled();
    if (widget_)
        widget_->setVisible(def_.props.visible);
}

// ---- Frame

Frame::Frame(Form& form, const ControlDef& def, QWidget* parent) : Control(form, def)
{
    auto* box = new QGroupBox(QString::fromUtf8(def.caption), parent);
    widget_ = box;
    detail::PlaceWidget(box, def);
    detail::ApplyLook(box, def.props, QPalette::Window);
}

QString Frame::Caption() const
{
    return static_cast<QGroupBox*>(widget_)->title();
}
void Frame::setCaption(const QString& caption)
{
    static_cast<QGroupBox*>(widget_)->setTitle(caption);
}

void Frame::resetToDesign()
{
    Control::resetToDesign();
    setCaption(QString::fromUtf8(def_.caption));
}

// ---- Label

Label::Label(Form& form, const ControlDef& def, QWidget* parent) : Control(form, def)
{
    auto* label = new QLabel(parent);
    widget_ = label;
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    detail::PlaceWidget(label, def);
    detail::ApplyLook(label, def.props, QPalette::Window);
    setCaption(QString::fromUtf8(def.caption));
}

QString Label::Caption() const
{
    return static_cast<QLabel*>(widget_)->text();
}

void Label::setCaption(const QString& caption)
{
    static_cast<QLabel*>(widget_)->setText(caption);
    fit();
}

void Label::fit()
{
    if (def_.width == 0 && def_.height == 0)
        widget_->adjustSize();
}

void Label::resetToDesign()
{
    Control::resetToDesign();
    setCaption(QString::fromUtf8(def_.caption));
}

// ---- Image

Image::Image(Form& form, const ControlDef& def, QWidget* parent) : Control(form, def)
{
    auto* label = new QLabel(parent);
    widget_ = label;
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setScaledContents(false);
    if (def.props.picture)
        label->setPixmap(QPixmap(QString::fromUtf8(def.props.picture)));
    detail::PlaceWidget(label, def);
    if (def.width == 0 && def.height == 0)
        label->adjustSize();
}

}  // namespace tarvix
