#pragma once

// Start-up to a visible window, the program (or another build of it) against a bare Qt window,
// on the X display in DISPLAY; returns the exit code.
int runStartupBench(int runs, const char* program = nullptr);
