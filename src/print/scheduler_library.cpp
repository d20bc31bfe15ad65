#include "print/scheduler_library.h"

#include <dlfcn.h>

namespace plattera {

namespace {

template <typename Function> void resolve(void* library, Function& function, const char* name)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
}

} // namespace

const SchedulerCalls& schedulerCalls()
{
    static const SchedulerCalls calls = [] {
        SchedulerCalls found;
        if (void* library = ::dlopen(kSchedulerLibrary, RTLD_NOW | RTLD_LOCAL)) {
            resolve(library, found.lastError, "cupsLastError");
            resolve(library, found.lastErrorString, "cupsLastErrorString");
            resolve(library, found.server, "cupsServer");
            resolve(library, found.port, "ippPort");
            resolve(library, found.connect, "httpConnect2");
            resolve(library, found.close, "httpClose");
            resolve(library, found.newRequest, "ippNewRequest");
            resolve(library, found.addString, "ippAddString");
            resolve(library, found.addStrings, "ippAddStrings");
            resolve(library, found.doRequest, "cupsDoRequest");
            resolve(library, found.findAttribute, "ippFindAttribute");
            resolve(library, found.integer, "ippGetInteger");
            resolve(library, found.string, "ippGetString");
            resolve(library, found.count, "ippGetCount");
            resolve(library, found.firstAttribute, "ippFirstAttribute");
            resolve(library, found.nextAttribute, "ippNextAttribute");
            resolve(library, found.name, "ippGetName");
            resolve(library, found.deleteMessage, "ippDelete");
        }
        return found;
    }();
    return calls;
}
} // namespace plattera
