// Times start-up as the user sees it: from starting the process to the X server mapping its
// first top-level window. The program and the two yardsticks take turns, so a busy moment of
// the machine falls on all alike; the figures that count are the ratios of the medians.
#include "bench_startup.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fontconfig/fontconfig.h>
#include <xcb/xcb.h>

extern char** environ;

namespace {

// Start-up depends on the number of font faces installed: Qt lists them all before the first
// window shows its text, and each look-up of a face by name goes over them.
int installedFaces()
{
    if (!FcInit())
        return 0;
    const FcFontSet* faces = FcConfigGetFonts(nullptr, FcSetSystem);
    return faces ? faces->nfont : 0;
}

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds from spawning `binary` to a window of it mapped on the root; -1 on failure.
// Without a window manager a top-level window is a child of the root, so its MapNotify comes
// to a root that listens for its children.
double timeToWindow(xcb_connection_t* x, const char* binary)
{
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(binary), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid, binary, &quiet, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return -1;
    double ms = -1;
    while (xcb_generic_event_t* event = xcb_wait_for_event(x)) {
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
        std::free(event);
        if (mapped) {
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count();
            break;
        }
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return ms;
}

} // namespace

int runStartupBench(int runs, const char* binary)
{
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(
            stderr,
            "no X display: start Xvfb and set DISPLAY (start-up is timed on a real display)\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    std::vector<double> program, bare, text;
    // The first start of each fills the page cache and font caches; it is not counted.
    for (int i = -1; i < runs; ++i) {
        const double p = timeToWindow(x, binary ? binary : PLATTERA_BINARY);
        const double b = timeToWindow(x, PLATTERA_BARE_WINDOW);
        const double t = timeToWindow(x, PLATTERA_TEXT_WINDOW);
        if (p < 0 || b < 0 || t < 0) {
            std::fprintf(stderr, "a window did not appear\n");
            return 1;
        }
        if (i >= 0) {
            program.push_back(p);
            bare.push_back(b);
            text.push_back(t);
        }
    }
    xcb_disconnect(x);
    const double p = medianOf(program), b = medianOf(bare), t = medianOf(text);
    std::printf("\n%-40s %10s %8s %10s\n", "start-up to a visible window", "ms", "ratio",
                "to text");
    std::printf("%-40s %10.1f %8.2f %10.2f\n", "yardstick: a bare Qt window", b, 1.0, b / t);
    std::printf("%-40s %10.1f %8.2f %10.2f\n", "yardstick: the same with one line of text", t,
                t / b, 1.0);
    std::printf("%-40s %10.1f %8.2f %10.2f\n", "the program", p, p / b, p / t);
    std::printf("font faces installed: %d\n", installedFaces());
    return 0;
}
