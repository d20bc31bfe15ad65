#pragma once

// A batch of FLAC files full of empty PADDING blocks through the tag reader (see
// bench_tags.cpp); returns the exit code.
int runTagBench(int files, int blocks);
