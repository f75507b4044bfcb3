#pragma once

namespace rainfall {

#ifdef _WIN32
// A Windows program without a console window of its own prints what it
// answers on the command line (--help, --version) into the console of the
// command prompt that started it. Output that is redirected to a file or a
// pipe stays there.
void UseStartingConsole();
#else
// Elsewhere a program always writes to where it was started from.
inline void UseStartingConsole() {}
#endif

} // namespace rainfall
