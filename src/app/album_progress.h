#pragma once

#include <optional>

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

} // namespace plattera
