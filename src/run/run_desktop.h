#pragma once

struct RunOptions;

// The program with its windows: the start-up window first, the main window once the user
// starts the program, and, with the simulated chat/call client, the owner's side of it in a
// window of its own. Needs a QApplication. Returns the process exit code.
int run_desktop(const RunOptions& options);
