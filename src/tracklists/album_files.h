#pragma once

#include <QString>
#include <QStringList>

namespace plattera {

// What the tags of audio files and cue sheets say about the album they hold.
struct AlbumTracks {
    QString artist;         // the album artist, else the artist common to every track; or empty
    QString album;          // or empty
    QStringList titles;     // one per track, in disc and track order
    QStringList unreadable; // the files left out, by file name
};

// True for the files readAlbumTracks reads: audio files by their extension, and cue sheets.
bool isAlbumFile(const QString& path);

// Reads the tags of audio files (TagLib) and cue sheets. Tracks go in disc and track-number
// order; tracks without a number follow those of their disc in file name order. A file without
// a title gives its file name without extension; an audio file a cue sheet among them names is
// read through the cue sheet only.
AlbumTracks readAlbumTracks(const QStringList& paths);

} // namespace plattera
