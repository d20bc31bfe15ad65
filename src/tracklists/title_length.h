#pragma once

namespace plattera {

// The longest title a track line holds: what the editor's type-in line takes (a line edit's
// own maximum). Longer texts are no title; they are cut here, and the user told where it matters.
inline constexpr int kMaxTitleLength = 32767;

} // namespace plattera
