#include "startup/frmLogo.h"

#include <limits>

#ifndef TARVIX_EDITION_REVISION
#define TARVIX_EDITION_REVISION 7
#endif

namespace tarvix {

namespace {

const FormDesign kDesign{
    .caption = "Form1",
    .clientWidth = 6000,
    .clientHeight = 2985,
    .border = Border::None,
    .picture = ":/splash.bmp",
};

// clang-format off
const ControlDef kControls[] = {
    // name      kind         parent caption left top width height properties
    {"Timer1", Kind::Timer, "", "", 0, 0, 0, 0, {.interval = 1000}},
};
// clang-format on

}  // namespace

const char* Edition()
{
    return TARVIX_EDITION_REVISION == 5 ? "1.00.0005" : "1.00.0007";
}

frmLogo::frmLogo() : Form(kDesign, kControls), Timer1(control<Timer>("Timer1"))
{
    Timer1.Tick = [this] { Timer1_Timer(); };
}

frmLogo::~frmLogo() = default;

frmMain& frmLogo::MainWindow()
{
    if (!main_)
        main_ = std::make_unique<frmMain>();
    return *main_;
}

// The count is 8 bits wide; it stops at its top instead of overflowing, which
// leaves hand-over impossible once the main window has been shown.
void frmLogo::AddTick()
{
    if (Ticks < std::numeric_limits<std::uint8_t>::max())
        ++Ticks;
}

void frmLogo::HoldClock(bool wait)
{
    Timer1.setEnabled(!wait);
}

#if TARVIX_EDITION_REVISION == 5

void frmLogo::Timer1_Timer()
{
    AddTick();
    const bool visible = MainWindow().Visible();
    if (Ticks == 10 && !visible) {
        MainWindow().Show();
        Unload();
    }
}

#else

void frmLogo::Timer1_Timer()
{
    const bool visible = MainWindow().Visible();
    if (Ticks != 10 || visible) {
        AddTick();
        return;
    }
    Timer1.Unload();
    MainWindow().Show();
    Unload();
}

#endif

void frmLogo::Form_Click()
{
    MainWindow().Show();
    Unload();
}

void frmLogo::Form_KeyPress(std::int16_t&)
{
    MainWindow().Show();
    Unload();
}

}  // namespace tarvix
