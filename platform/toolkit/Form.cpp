#include "platform/toolkit/Form.h"

#include "platform/toolkit/CommandButton.h"
#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/FormAccessible.h"
#include "platform/toolkit/FormWindow.h"
#include "platform/toolkit/ListControl.h"
#include "platform/toolkit/Look.h"
#include "platform/toolkit/TextBox.h"
#include "platform/toolkit/Timer.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace tarvix {

class Form::ModalLoop : public QEventLoop {};

namespace {

void raiseWindow(QWidget* w)
{
    // The offscreen platform (tests) stacks nothing and says so on each raise.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        w->raise();
}

}  // namespace

Form::Form(const FormDesign& design, std::span<const ControlDef> controls)
    : design_(design), window_(std::make_unique<detail::FormWindow>(*this))
{
    detail::FormAccessible::Install();
    detail::Program().forms.push_back(this);
    QWidget* w = window_.get();
    Qt::WindowFlags flags;
    if (design.border == Border::None) {
        flags = Qt::Tool | Qt::FramelessWindowHint;
    } else {
        flags = (design.taskbar ? Qt::Window : Qt::Dialog) | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    }
    w->setWindowFlags(flags);
    w->setWindowTitle(QString::fromUtf8(design.caption));
    w->setFixedSize(Twips(design.clientWidth), Twips(design.clientHeight));
    // Its own palette, so a desktop theme changed while it runs cannot darken its text.
    w->setPalette(detail::LightPalette());
    w->setAutoFillBackground(true);
    if (design.icon)
        w->setWindowIcon(QIcon(QString::fromUtf8(design.icon)));
    if (design.picture)
        window_->background = QPixmap(QString::fromUtf8(design.picture));
    buildControls(controls);
    applyTabOrder();
    applyAccessibleNames();
}

Form::~Form()
{
    std::erase(detail::Program().forms, this);
    std::erase(detail::Program().activeStack, this);
    if (loaded_)
        --detail::Program().loadedCount;
    dropWindow();
    controls_.clear();
}

void Form::dropWindow() noexcept
{
    for (auto& c : controls_)
        c->widget_ = nullptr;
    window_.reset();
}

void detail::ReleaseAllWindows() noexcept
{
    for (Form* f : detail::Program().forms)
        f->dropWindow();
}

QWidget* Form::widget() const
{
    return window_.get();
}

Control* Form::find(const QString& name) const
{
    for (const auto& c : controls_)
        if (c->name_.compare(name, Qt::CaseInsensitive) == 0)
            return c.get();
    return nullptr;
}

void Form::buildControls(std::span<const ControlDef> defs)
{
    for (const ControlDef& def : defs) {
        QWidget* parent = window_.get();
        if (def.parent && *def.parent) {
            auto* frame = dynamic_cast<Frame*>(find(QString::fromUtf8(def.parent)));
            if (!frame)
                RaiseToolkitError(tkerr::SubscriptOutOfRange);
            parent = frame->widget();
        }
        if (find(QString::fromUtf8(def.name)))
            RaiseToolkitError(tkerr::InvalidPropertyValue);
        std::unique_ptr<Control> c;
        switch (def.kind) {
        case Kind::Frame: c.reset(new Frame(*this, def, parent)); break;
        case Kind::Label: c.reset(new Label(*this, def, parent)); break;
        case Kind::TextBox: c.reset(new TextBox(*this, def, parent)); break;
        case Kind::CommandButton: c.reset(new CommandButton(*this, def, parent)); break;
        case Kind::ListBox: c.reset(new ListBox(*this, def, parent)); break;
        case Kind::ComboBox: c.reset(new ComboBox(*this, def, parent)); break;
        case Kind::Image: c.reset(new Image(*this, def, parent)); break;
        case Kind::Timer: c.reset(new Timer(*this, def)); break;
        }
        if (QWidget* w = c->widget_) {
            w->setObjectName(c->name_);
            w->setEnabled(def.props.enabled);
            if (!def.props.visible)
                w->hide();
            w->installEventFilter(window_.get());
        }
        controls_.push_back(std::move(c));
    }
}

void Form::centre()
{
    QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window_->frameGeometry().size().expandedTo(window_->size());
    window_->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void Form::Load()
{
    if (loaded_)
        return;
    if (everLoaded_) {
        for (auto& c : controls_)
            c->resetToDesign();
        window_->setWindowTitle(QString::fromUtf8(design_.caption));
    }
    loaded_ = true;
    everLoaded_ = true;
    ++detail::Program().loadedCount;
    for (auto& c : controls_)
        if (auto* t = dynamic_cast<Timer*>(c.get()))
            t->formLoaded(true);
    Form_Load();
    detail::CheckUnwind();
}

void Form::raiseActivate()
{
    Dispatch([this] {
        if (loaded_)
            Form_Activate();
    });
    detail::CheckUnwind();
}

// Shown, in front, with the focus on its first control, and the window the program now works in.
void Form::putOnScreen()
{
    centre();
    shown_ = true;
    window_->show();
    raiseWindow(window_.get());
    window_->activateWindow();
    focusFirst();
    detail::Program().activeStack.push_back(this);
}

void Form::Show()
{
    if (shown_)
        RaiseToolkitError(tkerr::AlreadyShown);
    Load();
    if (!loaded_)
        return;  // Form_Load unloaded it
    Form* opener = detail::Program().activeStack.empty() ? nullptr : detail::Program().activeStack.back();
    if (!design_.taskbar && opener && opener->window_) {
        window_->winId();
        opener->window_->winId();
        if (window_->windowHandle() && opener->window_->windowHandle())
            window_->windowHandle()->setTransientParent(opener->window_->windowHandle());
    }
    window_->setWindowModality(Qt::ApplicationModal);
    putOnScreen();
    ModalLoop loop;
    struct Guard {
        Form* form;
        ModalLoop* loop;
        ModalLoop* previous;
        ~Guard()
        {
            form->loop_ = previous;
            std::erase(detail::Program().activeStack, form);
            std::erase(detail::Program().modalLoops, loop);
        }
    } guard{this, &loop, loop_};
    loop_ = &loop;
    detail::Program().modalLoops.push_back(&loop);
    raiseActivate();
    if (loaded_ && shown_ && !detail::Program().errorRaised)
        loop.exec();
    loop_ = guard.previous;
    std::erase(detail::Program().activeStack, this);
    std::erase(detail::Program().modalLoops, &loop);
    detail::CheckUnwind();
    if (opener && opener->loaded_
        && std::find(detail::Program().activeStack.begin(), detail::Program().activeStack.end(), opener)
               != detail::Program().activeStack.end()) {
        if (opener->window_)
            opener->window_->activateWindow();
        opener->raiseActivate();
    }
}

void Form::ShowStartup()
{
    Load();
    if (!loaded_)
        return;
    putOnScreen();
    raiseActivate();
}

void Form::Unload()
{
    if (!loaded_ || inUnload_)
        return;
    inUnload_ = true;
    struct Finish {
        Form* form;
        ~Finish() { form->finishUnload(); }
    } finish{this};
    Form_Unload();
}

void Form::finishUnload() noexcept
{
    for (auto& c : controls_)
        if (auto* t = dynamic_cast<Timer*>(c.get()))
            t->formLoaded(false);
    loaded_ = false;
    shown_ = false;
    focusHistory_.clear();
    if (window_) {
        window_->hide();
        window_->setWindowModality(Qt::NonModal);
    }
    if (loop_)
        loop_->exit();
    std::erase(detail::Program().activeStack, this);
    inUnload_ = false;
    if (--detail::Program().loadedCount == 0 && detail::Program().programRunning && detail::Program().programLoop)
        detail::Program().programLoop->exit();
}

void Form::closeBox()
{
    Dispatch([this] { Unload(); });
}

bool Form::Visible()
{
    Load();
    return shown_ && window_->isVisible();
}

QString Form::Caption()
{
    Load();
    return window_->windowTitle();
}

void Form::setCaption(const QString& caption)
{
    Load();
    window_->setWindowTitle(caption);
}

}  // namespace tarvix
