#pragma once

#include <QString>
#include <QStringList>

namespace plattera {

// The number the program puts before the title of the track it inserts as the n-th line.
QString trackNumberPrefix(int number);

// The title a line of a track list copied from elsewhere leaves once the number it already
// carries ("1.", "01 -", "1)", "01.") is dropped; the rest of the line is kept as it is. A line
// that is nothing but such a number stays whole.
QString withoutLeadingNumber(const QString& line);

// The text as one line: tabs and line ends become spaces, other control characters go.
QString singleLineText(const QString& text);

// The text cut to at most `length` UTF-16 units where a character ends, never between the
// halves of a surrogate pair.
QString cutAtCharacter(const QString& text, qsizetype length);

// A line typed into the track list as a new track (`number` 0: as a correction): one title at
// most kMaxTitleLength characters long, after the number the line carries, as a pasted or
// tagged title is.
QString enteredTrackLine(const QString& typed, int number);

// True for a text that leaves nothing to read as a single line: empty, spaces, controls.
bool isBlankTitle(const QString& text);

// A text from a tag or a cue sheet as a title: one line, at most kMaxTitleLength characters.
QString titleText(const QString& text);

// The tracks of a pasted text: the titles, and how many lines were longer than a title may be
// and were cut to kMaxTitleLength.
struct PastedTracks {
    QStringList titles;
    int shortened = 0;
};

// The titles of the lines of a pasted text, in order, numbers dropped. A line ends at CR, LF and
// the other Unicode line ends (VT, FF, NEL, U+2028, U+2029); it is made a single line (tabs to
// spaces, no control characters) and skipped when nothing but blanks is left. A text of one line
// or less gives nothing: that is an ordinary paste.
PastedTracks pastedTrackTitles(const QString& text);

// The list lines once line `removed` is taken out: a later line that still starts with the
// number the program gave it moves up by one; any other line is kept as the user left it.
QStringList linesAfterRemoval(const QStringList& lines, int removed);

} // namespace plattera
