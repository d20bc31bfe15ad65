#pragma once

// Memory of one picture bomb on the cover and in print (see bench_bombs.cpp); returns the
// exit code.
int runBombBench(const char* kind);
