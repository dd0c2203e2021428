#pragma once

struct RunOptions;

// The program without windows, in the terminal: it starts as if "Start Video Quelm" were
// pressed, prints status changes to standard output and messages to standard error, and ends
// through its normal exit on SIGINT or SIGTERM. With the simulated client the terminal is the
// owner's side of the chat. Returns the process exit code.
int run_headless(const RunOptions& options);
