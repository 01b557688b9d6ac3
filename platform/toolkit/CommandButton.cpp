#include "platform/toolkit/CommandButton.h"

#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/Look.h"

#include <QPushButton>

namespace tarvix {

CommandButton::CommandButton(Form& form, const ControlDef& def, QWidget* parent) : Control(form, def)
{
    auto* button = new QPushButton(QString::fromUtf8(def.caption), parent);
    widget_ = button;
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
    detail::PlaceWidget(button, def);
    detail::ApplyLook(button, def.props, QPalette::Button);
    button->setAccessibleName(detail::StripAccel(QString::fromUtf8(def.caption)));
    QObject::connect(button, &QAbstractButton::clicked, button, [this] { press(); });
    default_ = def.props.isDefault;
    cancel_ = def.props.isCancel;
    applyDefaultLook();
}

void CommandButton::resetToDesign()
{
    Control::resetToDesign();
    setCaption(QString::fromUtf8(def_.caption));
    default_ = def_.props.isDefault;
    cancel_ = def_.props.isCancel;
    applyDefaultLook();
}

void CommandButton::applyDefaultLook()
{
    static_cast<QPushButton*>(widget_)->setDefault(default_);
}

QString CommandButton::Caption() const
{
    return static_cast<QPushButton*>(widget_)->text();
}

void CommandButton::setCaption(const QString& caption)
{
    static_cast<QPushButton*>(widget_)->setText(caption);
    widget_->setAccessibleName(detail::StripAccel(caption));
}

bool CommandButton::Default() const
{
    return default_;
}

void CommandButton::setDefault(bool on)
{
    if (on) {
        for (const auto& c : form_.Controls()) {
            if (auto* other = dynamic_cast<CommandButton*>(c.get()); other && other != this && other->default_) {
                other->default_ = false;
                other->applyDefaultLook();
            }
        }
    }
    default_ = on;
    applyDefaultLook();
}

bool CommandButton::Cancel() const
{
    return cancel_;
}

void CommandButton::SetFocus()
{
    takeFocus();
}

void CommandButton::press()
{
    if (!enabled_)
        return;
    Dispatch([this] {
        if (Click)
            Click();
    });
}

}  // namespace tarvix
