#pragma once

namespace plattera {

// The longest title a track line holds: what the editor's type-in line takes (a line edit's
// own maximum). Longer texts are no title; they are cut here, and the user told where it matters.
inline constexpr int kMaxTitleLength = 32767;
// The longest track line: a title and room for the number before it ("12. "), so that a line
// copied back into the type-in line for a correction comes whole.
inline constexpr int kMaxTrackLineLength = kMaxTitleLength + 16;

} // namespace plattera
