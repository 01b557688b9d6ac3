// The splash window: the program's first window, which loads the main window
// while it waits and hands over to it after eleven ticks or at a click or key.
#pragma once

#include "platform/Toolkit.h"
#include "search/frmMain.h"

#include <cstdint>
#include <memory>

namespace tarvix {

// "1.00.0007" or "1.00.0005": the edition this build of the splash belongs to.
const char* Edition();

class frmLogo : public Form {
public:
    frmLogo();
    ~frmLogo() override;

    // The main window's one instance, created at its first use.
    frmMain& MainWindow();
    std::uint8_t TickCount() const { return Ticks; }

    // The handlers, public so that tests can drive them without waiting on a clock.
    void Timer1_Timer();
    void Form_Click() override;
    void Form_KeyPress(std::int16_t& KeyAscii) override;

    // While an old dictionary is asked about and converted, a tick would show a main window without a store.
    void HoldClock(bool wait);

private:
    void AddTick();

    Timer& Timer1;
    std::uint8_t Ticks = 0;
    std::unique_ptr<frmMain> main_;
};

}  // namespace tarvix
