#pragma once
// Ctrl-C (SIGINT), SIGTERM and SIGHUP (the terminal closed) ask long-running commands to stop: the
// handler only sets a flag, and the command's loop stops the library cleanly (so a recording is
// finalised).

namespace kelvra::tool {

// Installs the handlers. The first signal sets the flag; the handler then reverts to the default
// action, so a second Ctrl-C ends a program that does not react.
void installStopHandlers();
bool stopRequested();

}  // namespace kelvra::tool
