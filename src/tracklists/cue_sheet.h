#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "model/outcome.h"

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

// Parses the bytes of a cue sheet: UTF-16 or UTF-32 when a byte order mark says so, else UTF-8,
// or when it is not valid UTF-8 the code page the bytes look like (Windows-1251, Windows-1252,
// Shift-JIS, GBK...), Latin-1 when none can be told. Lines end at CR LF, LF or CR alone; spaces or tabs
// separate the fields. FILE names are taken relative to `folder`. Nothing when it holds no track.
std::optional<CueSheet> parseCueSheet(const QByteArray& bytes, const QString& folder);

// Reads the cue sheet at `path`, the name as the system spells it (its bytes need not be UTF-8):
// a regular file of at most 1 MiB, opened read-only without waiting, so that a FIFO or a device
// is refused at once. Else why there is no sheet.
Outcome<CueSheet> readCueSheet(const QByteArray& path);

} // namespace plattera
