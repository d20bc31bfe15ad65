#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

namespace plattera {

// The parts of a cue sheet that name an album: its performer and title, the audio files it
// refers to, and its tracks in the order written.
struct CueSheet {
    struct Track {
        int number = 0;
        QString title;     // the TITLE, else the name of its FILE without extension
        QString performer; // the track's PERFORMER, else the sheet's
    };
    QString performer;
    QString title;
    int disc = 0;      // from "REM DISCNUMBER", 0 when absent
    QStringList files; // absolute paths
    std::vector<Track> tracks;
};

// Parses a cue sheet as UTF-8, or Latin-1 when it is not valid UTF-8. Nothing when the file
// cannot be read or holds no track.
std::optional<CueSheet> readCueSheet(const QString& path);

} // namespace plattera
