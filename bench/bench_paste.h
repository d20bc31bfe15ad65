#pragma once

// A long list pasted into the track editor (see bench_paste.cpp); returns the exit code.
int runPasteBench(int lines);
