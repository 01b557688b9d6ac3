#include "platform/toolkit/TextBox.h"

#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/Look.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace tarvix {

namespace detail {

// Hands each typed character to KeyPress first, and a focus that moved on to LostFocus.
class LineEdit : public QLineEdit {
public:
    LineEdit(TextBox& box, QWidget* parent) : QLineEdit(parent), box_(box) {}

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (box_.KeyPress && !event->text().isEmpty() && !command) {
            const char16_t typed = event->text().at(0).unicode();
            std::int16_t code = static_cast<std::int16_t>(typed);
            Dispatch([&] { box_.KeyPress(code); });
            if (ErrorRaised() || code == 0) {
                event->accept();
                return;
            }
            const auto replaced = static_cast<char16_t>(code);
            if (replaced != typed) {
                QKeyEvent changed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(replaced)));
                QLineEdit::keyPressEvent(&changed);
                event->setAccepted(changed.isAccepted());
                return;
            }
        }
        QLineEdit::keyPressEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QLineEdit::focusOutEvent(event);
        const auto reason = event->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return;
        if (!box_.Parent().IsLoaded() || !box_.LostFocus)
            return;
        // Only when the focus went to another control of the same window.
        Dispatch([this] {
            if (box_.LostFocus)
                box_.LostFocus();
        });
    }

private:
    TextBox& box_;
};

}  // namespace detail

TextBox::TextBox(Form& form, const ControlDef& def, QWidget* parent) : Control(form, def)
{
    auto* edit = new detail::LineEdit(*this, parent);
    widget_ = edit;
    detail::PlaceWidget(edit, def);
    detail::ApplyLook(edit, def.props, QPalette::Base);
    edit->setContextMenuPolicy(Qt::DefaultContextMenu);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [this](const QString&) {
        if (quiet_ || !Change)
            return;
        Dispatch([this] {
            if (Change)
                Change();
        });
    });
    quiet_ = true;
    resetToDesign();
    quiet_ = false;
}

void TextBox::resetToDesign()
{
    Control::resetToDesign();
    auto* edit = static_cast<QLineEdit*>(widget_);
    edit->setReadOnly(def_.props.locked);
    edit->setMaxLength(def_.props.maxLength > 0 ? def_.props.maxLength : 32767);
    const bool wasQuiet = quiet_;
    quiet_ = true;
    edit->setText(QString::fromUtf8(def_.caption));
    quiet_ = wasQuiet;
}

QString TextBox::Text() const
{
    return static_cast<QLineEdit*>(widget_)->text();
}

void TextBox::setText(const QString& text)
{
    auto* edit = static_cast<QLineEdit*>(widget_);
    if (edit->text() == text)
        return;
    edit->setText(text);
    detail::CheckUnwind();
}

bool TextBox::Locked() const
{
    return static_cast<QLineEdit*>(widget_)->isReadOnly();
}
void TextBox::setLocked(bool on)
{
    static_cast<QLineEdit*>(widget_)->setReadOnly(on);
}

int TextBox::MaxLength() const
{
    const int n = static_cast<QLineEdit*>(widget_)->maxLength();
    return n >= 32767 ? 0 : n;
}

void TextBox::SetFocus()
{
    takeFocus();
}

}  // namespace tarvix
