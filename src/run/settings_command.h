#pragma once

struct RunOptions;

// "--settings" and "--set key=value ...": the application folder's settings without the
// windows. Returns the exit code: 0 done, 1 the files could not be written, 2 a wrong key or
// value (then nothing is written).
int run_settings_command(const RunOptions& options);
