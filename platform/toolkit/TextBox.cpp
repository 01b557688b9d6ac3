#include "platform/toolkit/TextBox.h"

#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/Look.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

#include <algorithm>

namespace tarvix {

namespace detail {

// What the user types or pastes stops at MaxLength, or at the length of a
// longer text written by code, so such a text takes nothing more until it is
// shorter than the limit; and Qt's cut at the limit never leaves half of a
// character outside the BMP.
class WholeCharacters : public QValidator {
public:
    WholeCharacters(TextBox& box, QObject* parent) : QValidator(parent), box_(box) {}
    State validate(QString& input, int& pos) const override
    {
        if (box_.fromCode_)
            return Acceptable;
        const qsizetype allowed = std::max<qsizetype>(box_.limit(), box_.lastText_.size());
        if (input.size() > allowed) {
            const qsizetype cut = std::min<qsizetype>(input.size() - allowed, pos);
            input.remove(pos - cut, cut);
            pos -= static_cast<int>(cut);
        }
        if (pos > 0 && pos <= input.size() && input.at(pos - 1).isHighSurrogate()
            && (pos == input.size() || !input.at(pos).isLowSurrogate())) {
            input.remove(pos - 1, 1);
            --pos;
        }
        return Acceptable;
    }

private:
    TextBox& box_;
};

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
    edit->setValidator(new detail::WholeCharacters(*this, edit));
    QObject::connect(edit, &QLineEdit::textChanged, edit, [this](const QString& now) {
        // A dropped half of a character can put back the very text the box had.
        const bool same = now == lastText_;
        lastText_ = now;
        if (quiet_ || same || !Change)
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
    const bool wasQuiet = quiet_;
    quiet_ = true;
    fromCode_ = true;
    edit->setText(QString::fromUtf8(def_.caption));
    edit->setMaxLength(std::max<int>(limit(), static_cast<int>(edit->text().size())));
    lastText_ = edit->text();
    fromCode_ = false;
    quiet_ = wasQuiet;
}

int TextBox::limit() const
{
    return def_.props.maxLength > 0 ? def_.props.maxLength : 32767;
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
    // Only typing and pasting stop at MaxLength: a text from code is shown whole,
    // and the box then takes no more characters until it is shorter than the limit.
    const int room = std::max<int>(limit(), static_cast<int>(text.size()));
    fromCode_ = true;
    if (room >= edit->maxLength()) {
        edit->setMaxLength(room);
        edit->setText(text);
    } else {
        edit->setText(text);
        edit->setMaxLength(room);
    }
    fromCode_ = false;
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
    return def_.props.maxLength;
}

void TextBox::SetFocus()
{
    takeFocus();
}

}  // namespace tarvix
