// A timer on a window: ticks while the window is loaded and the timer enabled.
#pragma once

#include "platform/toolkit/Control.h"

#include <functional>
#include <memory>

namespace tarvix {

class Timer : public Control {
public:
    ~Timer() override;
    // Removes the timer until its window loads again: no Timer event follows.
    void Unload();

    // The Timer event (a member cannot share the class's name).
    std::function<void()> Tick;

private:
    friend class Form;
    Timer(Form& form, const ControlDef& def);
    void resetToDesign() override;
    void applyEnabled() override;
    // Started when its window loads, stopped when it unloads.
    void formLoaded(bool loaded);
    void restart();
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool removed_ = false;
};

}  // namespace tarvix
