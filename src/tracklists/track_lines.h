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

// The titles of the non-empty lines of a pasted text, in order, numbers dropped. A text of one
// line or less gives nothing: that is an ordinary paste.
QStringList pastedTrackTitles(const QString& text);

// The list lines once line `removed` is taken out: a later line that still starts with the
// number the program gave it moves up by one; any other line is kept as the user left it.
QStringList linesAfterRemoval(const QStringList& lines, int removed);

} // namespace plattera
