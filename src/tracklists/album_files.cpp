#include "tracklists/album_files.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <QCollator>
#include <QFile>
#include <QFileInfo>

#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

#include "tracklists/cue_sheet.h"

namespace plattera {

namespace {

const QStringList kAudioExtensions = {
    QStringLiteral("flac"), QStringLiteral("ogg"), QStringLiteral("oga"), QStringLiteral("opus"),
    QStringLiteral("mp3"),  QStringLiteral("m4a"), QStringLiteral("wav")};

bool isCueSheet(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) == 0;
}

// One track with what sorts it: a cue sheet's tracks stay together after the audio files of
// their disc.
struct TrackEntry {
    QString title;
    QString artist;
    QString albumArtist;
    QString album;
    int disc = 0;
    QString cueSheet;
    int number = 0; // 0: none
    QString fileName;
};

// "3/12" and "3" both give 3.
int leadingNumber(const QString& text)
{
    return text.section(QLatin1Char('/'), 0, 0).trimmed().toInt();
}

std::optional<TrackEntry> readTags(const QString& path)
{
    TagLib::FileRef ref(QFile::encodeName(path).constData());
    if (ref.isNull() || !ref.file()->isValid())
        return std::nullopt;
    const TagLib::PropertyMap properties = ref.file()->properties();
    const auto value = [&](const char* key) {
        const auto found = properties.find(key);
        if (found == properties.end() || found->second.isEmpty())
            return QString();
        return QString::fromUtf8(found->second.front().toCString(true)).trimmed();
    };
    const QFileInfo info(path);
    TrackEntry entry {value("TITLE"),
                      value("ARTIST"),
                      value("ALBUMARTIST"),
                      value("ALBUM"),
                      leadingNumber(value("DISCNUMBER")),
                      QString(),
                      leadingNumber(value("TRACKNUMBER")),
                      info.fileName()};
    if (entry.title.isEmpty())
        entry.title = info.completeBaseName();
    return entry;
}

QString commonArtist(const std::vector<TrackEntry>& tracks)
{
    for (const TrackEntry& track : tracks)
        if (!track.albumArtist.isEmpty())
            return track.albumArtist;
    // Files without any artist do not stand against the others.
    QString shared;
    for (const TrackEntry& track : tracks) {
        if (track.artist.isEmpty())
            continue;
        if (!shared.isEmpty() && track.artist != shared)
            return {};
        shared = track.artist;
    }
    return shared;
}

} // namespace

bool isAlbumFile(const QString& path)
{
    return isCueSheet(path) || kAudioExtensions.contains(QFileInfo(path).suffix().toLower());
}

AlbumTracks readAlbumTracks(const QStringList& paths)
{
    AlbumTracks result;
    std::vector<TrackEntry> tracks;
    QStringList readThroughCue;
    for (const QString& path : paths) {
        if (!isCueSheet(path))
            continue;
        const std::optional<CueSheet> sheet = readCueSheet(QFile::encodeName(path)).sheet;
        if (!sheet) {
            result.unreadable << QFileInfo(path).fileName();
            continue;
        }
        readThroughCue << sheet->files;
        for (const CueSheet::Track& track : sheet->tracks)
            tracks.push_back({track.title, track.performer, sheet->performer, sheet->title,
                              sheet->disc, QFileInfo(path).absoluteFilePath(), track.number,
                              QFileInfo(path).fileName()});
    }
    for (const QString& path : paths) {
        if (isCueSheet(path) || readThroughCue.contains(QFileInfo(path).absoluteFilePath()))
            continue;
        if (std::optional<TrackEntry> entry = readTags(path))
            tracks.push_back(std::move(*entry));
        else
            result.unreadable << QFileInfo(path).fileName();
    }

    QCollator names;
    names.setNumericMode(true);
    std::stable_sort(tracks.begin(), tracks.end(), [&](const TrackEntry& a, const TrackEntry& b) {
        // A file that names no disc belongs with the first.
        if (std::max(a.disc, 1) != std::max(b.disc, 1))
            return std::max(a.disc, 1) < std::max(b.disc, 1);
        if (a.cueSheet != b.cueSheet)
            return a.cueSheet < b.cueSheet;
        if ((a.number == 0) != (b.number == 0))
            return a.number != 0;
        if (a.number != b.number)
            return a.number < b.number;
        return names.compare(a.fileName, b.fileName) < 0;
    });

    result.artist = commonArtist(tracks);
    for (const TrackEntry& track : tracks) {
        result.titles << track.title;
        if (result.album.isEmpty())
            result.album = track.album;
    }
    return result;
}

} // namespace plattera
