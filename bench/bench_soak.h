#pragma once

// The long session of random commands (see bench_soak.cpp); returns the exit code.
int runSoak(int commands);
