#pragma once

#include <utility>
#include <vector>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "tracklists/cue_sheet.h"
#include "tracklists/tag_reader.h"

namespace plattera {

// The album artist of a compilation that names none.
inline const QString kVariousArtists = QStringLiteral("Various Artists");
// Between a track's own artist and its title, when it is not the album's.
inline const QString kArtistSeparator = QStringLiteral(" - ");

// A cover picture embedded in a track: the encoded picture file, and the track's path.
struct EmbeddedPicture {
    QByteArray bytes; // empty: none
    QString track;
};

// What the tags of audio files and cue sheets say about the album they hold.
struct AlbumTracks {
    // The album artist, else the artist common to every track, else kVariousArtists when the
    // tracks name several; without tags, the "Artist" of a folder named "Artist - Album".
    QString artist;
    QString album; // or empty
    // One per track, in disc and track order: the title, after its artist and kArtistSeparator
    // when the track names another artist than the album's.
    QStringList titles;
    // The front and back covers embedded in the tracks, each from the first track in disc and
    // track order that carries one.
    EmbeddedPicture front;
    EmbeddedPicture back;
    QStringList unreadable; // the files left out, by file name
    QStringList reasons;    // why, one for each file left out
    // The tag reader is missing or did not run: its files are left out through no fault of theirs.
    bool tagReaderFailed = false;
};

// The local files among dropped or pasted URLs, each as the system spells its name. A file
// manager writes a name whose bytes are not UTF-8 (Latin-1, from old disks and archives) with
// each such byte percent-encoded; QUrl reads those bytes as U+FFFD, so the name is taken from
// the URL's bytes instead.
QList<QByteArray> localFilePaths(const QList<QUrl>& urls);

// True for the files an album is read from: audio files by their extension, and cue sheets.
bool isAlbumFile(const QString& path);

// True for a folder name that says it holds one disc of an album: "CD2", "Disc 1", "Disk 01",
// "CD 2 - Bonus".
bool isDiscFolderName(const QString& name);

// Reads the tags of audio files (in plattera-tag-reader, see TagReader) and cue sheets, without
// blocking the event loop: progress as it goes, and a cancel. Tracks go in disc and track-number
// order, untagged discs in the order of their folders; tracks without a number follow those of
// their disc in file name order. A file without a title (or a blank one) gives its file name
// without extension and leading track number; an audio file a cue sheet among them names is read through the cue
// sheet only (a FILE that is missing stands for one of the same name with another audio
// extension beside it), and a sheet whose files are missing while other audio files lie beside
// it adds nothing: those are the tracks it describes. Titles, artist and album are single lines of at most
// kMaxTitleLength characters.
class AlbumReading : public QObject {
    Q_OBJECT
public:
    // `paths` as the system spells them; their bytes need not be UTF-8.
    explicit AlbumReading(QList<QByteArray> paths, TagReaderSettings settings = {},
                          QObject* parent = nullptr);

    // Starts reading; the signals come from the event loop, never from within start().
    void start();
    // Stops at once; finished() follows, and the result is empty.
    void cancel();

    int fileCount() const { return int(m_paths.size()); }
    bool isFinished() const { return m_finished; }
    bool wasCancelled() const { return m_cancelled; }
    // Once finished and not cancelled.
    const AlbumTracks& result() const { return m_result; }

signals:
    void progressed(int done, int total);
    void finished();

private:
    void readCueSheets();
    void assemble();

    QList<QByteArray> m_paths;
    TagReaderSettings m_settings;
    TagReader* m_tagReader = nullptr;
    QList<QByteArray> m_audioFiles; // those not read through a cue sheet
    QList<QByteArray> m_imageFiles; // those read through one: only their pictures are taken
    int m_doneBeforeTags = 0;
    AlbumTracks m_result;
    std::vector<std::pair<QByteArray, CueSheet>> m_cueSheets; // the path, the sheet
    bool m_finished = false;
    bool m_cancelled = false;
};

// Reads as AlbumReading does and waits for it, running the event loop meanwhile (it needs an
// application object).
AlbumTracks readAlbumTracks(const QStringList& paths, const TagReaderSettings& settings = {});

} // namespace plattera
