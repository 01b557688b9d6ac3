#include "platform/toolkit/Timer.h"

#include "platform/toolkit/ErrorBoundary.h"
#include "platform/toolkit/Form.h"

#include <QTimer>

namespace tarvix {

struct Timer::Impl {
    QTimer timer;
};

Timer::Timer(Form& form, const ControlDef& def) : Control(form, def), impl_(std::make_unique<Impl>())
{
    QObject::connect(&impl_->timer, &QTimer::timeout, &impl_->timer, [this] {
        if (removed_ || !form_.IsLoaded() || !enabled_)
            return;
        Dispatch([this] {
            if (Tick)
                Tick();
        });
    });
}

Timer::~Timer() = default;

void Timer::Unload()
{
    removed_ = true;
    impl_->timer.stop();
}

void Timer::applyEnabled()
{
    restart();
}

void Timer::resetToDesign()
{
    removed_ = false;
    enabled_ = def_.props.enabled;
    impl_->timer.stop();
}

void Timer::formLoaded(bool loaded)
{
    if (loaded)
        restart();
    else
        impl_->timer.stop();
}

void Timer::restart()
{
    impl_->timer.stop();
    if (!removed_ && enabled_ && def_.props.interval > 0 && form_.IsLoaded())
        impl_->timer.start(def_.props.interval);
}

}  // namespace tarvix
