// The program's entry: the application, its look and the start-up window.
#pragma once

#include <functional>

namespace tarvix {

class Form;

struct ProgramInfo {
    const char* version = "";  // application version, e.g. "1.00.0007"
};

// Creates the application (name "Tarvix"), installs Romanian texts, the font
// and the white palette, shows the start-up window modeless and runs until no
// window is loaded. Returns the exit status.
int RunProgram(int argc, char** argv, const ProgramInfo& info, const std::function<Form*()>& startup);

// The font, palette and Romanian translations, for a QApplication created by
// someone else (tests). Safe to call more than once.
void InstallLook();

}  // namespace tarvix
