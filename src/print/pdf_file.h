#pragma once

#include <functional>

class QPrinter;

namespace plattera {

class PageCanvas;

// Print to File: the job goes to a hidden file beside the chosen one and is moved into place
// only once it is whole, so a failure never leaves an empty or cut-off PDF under that name.
void printToFile(QPrinter& printer, const std::function<void(PageCanvas&)>& draw);

} // namespace plattera
