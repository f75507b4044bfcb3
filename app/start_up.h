#pragma once

namespace rainfall {

// Runs the program: reads the command line, and unless it only asks for help
// or the version, opens the welcome window and runs the event loop until the
// last window closes. Returns the program's exit status: 0, 2 for a command
// line it refuses, 1 after an error that ended it.
int Run(int argc, char** argv);

// Gives every window the program icon in all its sizes.
void SetProgramIcon();

} // namespace rainfall
