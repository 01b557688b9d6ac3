// The part of Form that routes the keyboard: tab order, the first focus,
// Enter and Esc, access keys, and the names a screen reader gives the controls.
#include "platform/toolkit/Form.h"

#include "platform/toolkit/CommandButton.h"
#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/FormWindow.h"
#include "platform/toolkit/Look.h"
#include "platform/toolkit/TextBox.h"

#include <QGroupBox>
#include <QLabel>

#include <algorithm>
#include <climits>

namespace tarvix {

namespace {

bool canTakeFocus(Kind k)
{
    return k == Kind::TextBox || k == Kind::CommandButton || k == Kind::ListBox || k == Kind::ComboBox;
}

}  // namespace

void Form::applyTabOrder()
{
    std::vector<Control*> order;
    for (const auto& c : controls_)
        order.push_back(c.get());
    std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
        const int ta = a->def_.props.tabIndex < 0 ? INT_MAX : a->def_.props.tabIndex;
        const int tb = b->def_.props.tabIndex < 0 ? INT_MAX : b->def_.props.tabIndex;
        return ta < tb;
    });
    tabOrder_ = order;
    QWidget* previous = nullptr;
    for (Control* c : tabOrder_) {
        if (!canTakeFocus(c->kind_)) {
            if (c->widget_)
                c->widget_->setFocusPolicy(Qt::NoFocus);
            continue;
        }
        c->widget_->setFocusPolicy(Qt::StrongFocus);
        if (previous)
            QWidget::setTabOrder(previous, c->widget_);
        previous = c->widget_;
    }
    if (!previous)
        window_->setFocusPolicy(Qt::StrongFocus);
}

void Form::applyAccessibleNames()
{
    for (const auto& c : controls_) {
        // A value says its caption first ("Total cuvinte: 201"): the caption labels it.
        if (const char* caption = c->def_.props.labelledBy) {
            auto* label = dynamic_cast<Label*>(find(QString::fromUtf8(caption)));
            if (!label)
                RaiseToolkitError(tkerr::SubscriptOutOfRange);
            static_cast<QLabel*>(label->widget_)->setBuddy(c->widget_);
        }
        if (c->kind_ != Kind::TextBox && c->kind_ != Kind::ListBox && c->kind_ != Kind::ComboBox) {
            if (c->def_.props.accessibleName && c->widget_)
                c->widget_->setAccessibleName(QString::fromUtf8(c->def_.props.accessibleName));
            continue;
        }
        QString name;
        if (c->def_.props.accessibleName) {
            name = QString::fromUtf8(c->def_.props.accessibleName);
        } else {
            // The label on the same row to the left, else the one just above, else the frame's caption.
            const QRect box = c->widget_->geometry();
            const Control* best = nullptr;
            int bestDistance = INT_MAX;
            bool bestLeft = false;
            for (const auto& l : controls_) {
                if (l->kind_ != Kind::Label || l->widget_->parentWidget() != c->widget_->parentWidget())
                    continue;
                const QRect r = l->widget_->geometry();
                const bool left = r.right() <= box.left() + 4 && r.top() < box.bottom() && r.bottom() > box.top() - 4;
                const bool above = r.bottom() <= box.top() + 4 && r.left() < box.right() && r.right() > box.left();
                if (!left && !above)
                    continue;
                const int distance = left ? box.left() - r.right() : box.top() - r.bottom();
                if ((left && !bestLeft) || ((left == bestLeft) && distance < bestDistance)) {
                    best = l.get();
                    bestDistance = distance;
                    bestLeft = left;
                }
            }
            if (best) {
                name = static_cast<QLabel*>(best->widget_)->text();
            } else if (auto* frame = qobject_cast<QGroupBox*>(c->widget_->parentWidget())) {
                name = frame->title();
            }
            name = detail::StripAccel(name).trimmed();
            if (name.isEmpty())
                name = detail::StripAccel(QString::fromUtf8(design_.caption));
        }
        c->widget_->setAccessibleName(name);
    }
}

void Form::focusFirst()
{
    for (Control* c : tabOrder_) {
        if (!canTakeFocus(c->kind_))
            continue;
        QWidget* w = c->widget_;
        if (w->isEnabled() && w->isVisibleTo(window_.get())) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    window_->setFocus(Qt::OtherFocusReason);
}

void Form::noteFocus(QWidget* to)
{
    for (const auto& c : controls_) {
        if (c->widget_ != to)
            continue;
        std::erase(focusHistory_, c.get());
        focusHistory_.push_back(c.get());
        return;
    }
}

void Form::returnFocusFrom(const Control& leaving)
{
    if (!window_ || !leaving.widget_)
        return;
    QWidget* focus = window_->focusWidget();
    if (!focus || (focus != leaving.widget_ && !leaving.widget_->isAncestorOf(focus)))
        return;
    const auto usable = [&](const Control* c) {
        return c != &leaving && canTakeFocus(c->kind_) && c->kind_ != Kind::CommandButton && c->widget_
               && !leaving.widget_->isAncestorOf(c->widget_) && c->widget_->isEnabled()
               && c->widget_->isVisibleTo(window_.get());
    };
    Control* target = nullptr;
    for (auto it = focusHistory_.rbegin(); it != focusHistory_.rend() && !target; ++it)
        if (usable(*it))
            target = *it;
    for (auto it = tabOrder_.begin(); it != tabOrder_.end() && !target; ++it)
        if (usable(*it))
            target = *it;
    if (target)
        target->widget_->setFocus(Qt::OtherFocusReason);
    else
        window_->setFocus(Qt::OtherFocusReason);
}

void Form::pressButton(QWidget* button)
{
    for (const auto& c : controls_) {
        if (c->widget_ != button)
            continue;
        if (auto* b = dynamic_cast<CommandButton*>(c.get()))
            b->press();
        return;
    }
}

void Form::pressEnter(QWidget* from)
{
    for (const auto& c : controls_) {
        if (c->widget_ != from)
            continue;
        if (auto* box = dynamic_cast<TextBox*>(c.get()); box && box->KeyPress) {
            std::int16_t code = 13;
            Dispatch([&] { box->KeyPress(code); });
            if (code == 0 || ErrorRaised())
                return;
        }
        if (auto* button = dynamic_cast<CommandButton*>(c.get())) {
            button->press();
            return;
        }
    }
    for (const auto& c : controls_) {
        auto* button = dynamic_cast<CommandButton*>(c.get());
        if (button && button->default_) {
            if (button->widget_->isVisibleTo(window_.get()))
                button->press();
            return;
        }
    }
}

void Form::pressEscape()
{
    for (const auto& c : controls_) {
        auto* button = dynamic_cast<CommandButton*>(c.get());
        if (button && button->cancel_) {
            if (button->widget_->isVisibleTo(window_.get()))
                button->press();
            return;
        }
    }
}

}  // namespace tarvix
