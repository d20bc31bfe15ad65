#pragma once

#include <optional>
#include <utility>

#include <QByteArray>
#include <QList>

#include "tracklists/album_files.h"

class QWidget;

namespace plattera {

// Reads the audio files and cue sheets as AlbumReading does while the window goes on painting.
// The window takes no input meanwhile, and closing it cancels. When the reading takes longer
// than half a second, a progress dialog with Cancel shows how far it got. Nothing when the
// user cancels.
std::optional<AlbumTracks> readAlbumShowingProgress(QWidget* window, const QList<QByteArray>& paths,
                                                    const TagReaderSettings& settings = {});

// What the box says when the tag reader is missing or broken, rather than blaming each file.
inline const QString kTagReaderCannotStart =
    QStringLiteral("Plattera's tag reader could not start: reinstall the program");

// The error box for the files an album reading left out: its text and its details. A few names
// in the box, so that it stays on the screen however many there are, and every name with its
// reason in the details; each name on one line and read as it is spelt, line ends and direction
// controls shown as symbols. A tag reader that could not run is said plainly: the files are
// not at fault.
std::pair<QString, QString> leftOutMessage(const AlbumTracks& album);

} // namespace plattera
