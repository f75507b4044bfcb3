#pragma once

#include "app/command_line.h"
#include "welcome/window/frmtip.h"

namespace rainfall {

// Opens a program's first window, given the files named on the command line.
using OpenFirstWindow = void (*)(const std::vector<std::string>& files);

// Runs one of the program's executables: reads its command line, and unless
// that only asks for help or the version, opens its first window and runs the
// event loop until the last window closes. Returns the exit status: 0, 2 for
// a command line it refuses, 1 after an error that ended it.
int Run(const Program& program, int argc, char** argv, OpenFirstWindow openFirstWindow);

// Opens the welcome window, which deletes itself when it is closed. Its OK
// closes it, and then the main window opens, on its own and modeless; closed
// any other way it opens nothing, and the program ends with its last window.
frmTip* OpenWelcomeWindow(const WelcomeServices& services = {});

// Gives every window the program icon in all its sizes.
void SetProgramIcon();

} // namespace rainfall
