#pragma once

#include "welcome/window/frmtip.h"

namespace rainfall {

// Runs the program: reads the command line, and unless it only asks for help
// or the version, opens the welcome window and runs the event loop until the
// last window closes. Returns the program's exit status: 0, 2 for a command
// line it refuses, 1 after an error that ended it.
int Run(int argc, char** argv);

// Opens the welcome window, which deletes itself when it is closed. Its OK
// closes it, and then the main window opens, on its own and modeless; closed
// any other way it opens nothing, and the program ends with its last window.
frmTip* OpenWelcomeWindow(const WelcomeServices& services = {});

// Gives every window the program icon in all its sizes.
void SetProgramIcon();

} // namespace rainfall
