// What every control shares, and the three that show without taking input:
// frames, labels and pictures.
#pragma once

#include "platform/toolkit/Design.h"

#include <QString>

class QWidget;

namespace tarvix {

class Form;
namespace detail {
class FormWindow;
}

class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const QString& Name() const { return name_; }
    Kind ControlKind() const { return kind_; }
    Form& Parent() const { return form_; }
    // The Qt widget (nullptr for a timer), for tests and for looks.
    QWidget* widget() const { return widget_; }

    bool Enabled() const;
    void setEnabled(bool on);
    bool Visible() const;

protected:
    Control(Form& form, const ControlDef& def);
    // Back to the design state; raises no events.
    virtual void resetToDesign();
    virtual void applyEnabled();
    // SetFocus: InvalidProcedureCall when the control is disabled, hidden or its window is not shown.
    void takeFocus();

    Form& form_;
    QString name_;
    Kind kind_;
    ControlDef def_;
    QWidget* widget_ = nullptr;
    bool enabled_ = true;

    friend class Form;
    friend class detail::FormWindow;
};

class Frame : public Control {
public:
    QString Caption() const;
    void setCaption(const QString& caption);

private:
    friend class Form;
    Frame(Form& form, const ControlDef& def, QWidget* parent);
    void resetToDesign() override;
};

class Label : public Control {
public:
    QString Caption() const;
    void setCaption(const QString& caption);

private:
    friend class Form;
    Label(Form& form, const ControlDef& def, QWidget* parent);
    void resetToDesign() override;
    void fit();
};

class Image : public Control {
private:
    friend class Form;
    Image(Form& form, const ControlDef& def, QWidget* parent);
};

}  // namespace tarvix
