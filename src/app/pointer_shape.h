#pragma once

#include <Qt>

namespace plattera {

// The application-wide pointer: once set it shows over every window of the program until it
// is set again. The default lets each control show its own pointer again (an I-beam over an
// edit line); the hand overrides them all.
enum class PointerShape { Default, Hand };

void setApplicationPointer(PointerShape shape);
PointerShape applicationPointer();

} // namespace plattera
