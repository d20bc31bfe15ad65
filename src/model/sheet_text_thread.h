#pragma once

#include <functional>

namespace plattera {

// Runs `work` on the one thread that measures and draws the sheets' text, and returns when it
// is done; what it throws is thrown here. Qt keeps its font engines and FreeType faces per
// thread, so the windows' text, drawn on the main thread, cannot leave anything in them that
// reaches a sheet. Calls from that thread itself run at once.
void onSheetTextThread(const std::function<void()>& work);

} // namespace plattera
