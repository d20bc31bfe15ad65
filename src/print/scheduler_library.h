#pragma once

#include <cups/cups.h>

namespace plattera {

// The printing system's library is opened on the first job for a printer, not linked: linked,
// it brings some eighteen libraries of its own (TLS, Kerberos, service discovery) into every
// start-up. Qt's CUPS support is a plugin that has loaded the same library by then, so opening
// it again costs nothing and shares its per-thread answer. The handle is never closed.
inline constexpr char kSchedulerLibrary[] = "libcups.so.2";

struct SchedulerCalls {
    decltype(&cupsLastError) lastError = nullptr;
    decltype(&cupsLastErrorString) lastErrorString = nullptr;
    decltype(&cupsServer) server = nullptr;
    decltype(&ippPort) port = nullptr;
    decltype(&httpConnect2) connect = nullptr;
    decltype(&httpClose) close = nullptr;
    decltype(&ippNewRequest) newRequest = nullptr;
    decltype(&ippAddString) addString = nullptr;
    decltype(&ippAddStrings) addStrings = nullptr;
    decltype(&cupsDoRequest) doRequest = nullptr;
    decltype(&ippFindAttribute) findAttribute = nullptr;
    decltype(&ippGetInteger) integer = nullptr;
    decltype(&ippGetString) string = nullptr;
    decltype(&ippGetCount) count = nullptr;
    decltype(&ippFirstAttribute) firstAttribute = nullptr;
    decltype(&ippNextAttribute) nextAttribute = nullptr;
    decltype(&ippGetName) name = nullptr;
    decltype(&ippDelete) deleteMessage = nullptr;

    bool complete() const
    {
        return lastError && lastErrorString && server && port && connect && close && newRequest &&
            addString && addStrings && doRequest && findAttribute && integer && string && count &&
            firstAttribute && nextAttribute && name && deleteMessage;
    }
};

// The library's calls, looked up on the first use; all null when the library cannot be loaded.
const SchedulerCalls& schedulerCalls();

} // namespace plattera
