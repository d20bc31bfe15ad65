#include "tracklists/album_files.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include <QCollator>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>

#include "tracklists/tag_protocol.h"
#include "tracklists/track_lines.h"

namespace plattera {

namespace {

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

AlbumTracks albumOf(std::vector<TrackEntry> tracks)
{
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
    AlbumTracks album;
    album.artist = titleText(commonArtist(tracks));
    for (const TrackEntry& track : tracks) {
        album.titles << titleText(track.title);
        if (album.album.isEmpty())
            album.album = titleText(track.album);
    }
    return album;
}

} // namespace

QList<QByteArray> localFilePaths(const QList<QUrl>& urls)
{
    QList<QByteArray> paths;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (path.contains(QChar::ReplacementCharacter) && url.host().isEmpty())
            paths << QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        else
            paths << QFile::encodeName(path);
    }
    return paths;
}

bool isAlbumFile(const QString& path)
{
    const QByteArray extension = QFileInfo(path).suffix().toLower().toUtf8();
    return isCueSheet(path) ||
        std::find(kAudioExtensions.begin(), kAudioExtensions.end(),
                  std::string_view(extension.constData(), size_t(extension.size()))) !=
        kAudioExtensions.end();
}

AlbumReading::AlbumReading(QList<QByteArray> paths, TagReaderSettings settings, QObject* parent)
    : QObject(parent), m_paths(std::move(paths)), m_settings(std::move(settings))
{
}

void AlbumReading::start()
{
    QMetaObject::invokeMethod(this, &AlbumReading::readCueSheets, Qt::QueuedConnection);
}

void AlbumReading::cancel()
{
    if (m_finished)
        return;
    m_cancelled = true;
    m_finished = true;
    if (m_tagReader) {
        m_tagReader->disconnect(this);
        m_tagReader->cancel();
    }
    m_result = {};
    emit finished();
}

// Cue sheets are small and read at once; the audio files go to the tag reader.
void AlbumReading::readCueSheets()
{
    if (m_finished)
        return;
    QStringList readThroughCue;
    for (const QByteArray& path : m_paths) {
        if (!isCueSheet(QFile::decodeName(path)))
            continue;
        ++m_doneBeforeTags;
        Outcome<CueSheet> sheet = readCueSheet(path);
        if (!sheet) {
            m_result.unreadable << QFileInfo(QFile::decodeName(path)).fileName();
            m_result.reasons << sheet.reason();
            continue;
        }
        readThroughCue << sheet->files;
        m_cueSheets.emplace_back(path, std::move(sheet.value()));
    }
    for (const QByteArray& path : m_paths) {
        const QString name = QFile::decodeName(path);
        if (isCueSheet(name))
            continue;
        if (readThroughCue.contains(QFileInfo(name).absoluteFilePath()))
            ++m_doneBeforeTags;
        else
            m_audioFiles << path;
    }
    m_tagReader = new TagReader(m_audioFiles, m_settings, this);
    connect(m_tagReader, &TagReader::filesRead, this,
            [this](int count) { emit progressed(m_doneBeforeTags + count, fileCount()); });
    connect(m_tagReader, &TagReader::finished, this, &AlbumReading::assemble);
    m_tagReader->start();
    emit progressed(m_doneBeforeTags, fileCount());
}

void AlbumReading::assemble()
{
    std::vector<TrackEntry> tracks;
    for (const auto& [path, sheet] : m_cueSheets) {
        const QFileInfo info(QFile::decodeName(path));
        for (const CueSheet::Track& track : sheet.tracks)
            tracks.push_back({track.title, track.performer, sheet.performer, sheet.title,
                              sheet.disc, info.absoluteFilePath(), track.number, info.fileName()});
    }
    for (qsizetype i = 0; i < m_audioFiles.size(); ++i) {
        const Outcome<FileTags>& read = m_tagReader->tags()[size_t(i)];
        const QFileInfo info(QFile::decodeName(m_audioFiles[i]));
        if (!read) {
            m_result.unreadable << info.fileName();
            m_result.reasons << read.reason();
            continue;
        }
        const FileTags& tags = read.value();
        tracks.push_back({tags.title.isEmpty() ? info.completeBaseName() : tags.title, tags.artist,
                          tags.albumArtist, tags.album, tags.disc, QString(), tags.track,
                          info.fileName()});
    }
    AlbumTracks album = albumOf(std::move(tracks));
    album.unreadable = m_result.unreadable;
    album.reasons = m_result.reasons;
    m_result = std::move(album);
    m_finished = true;
    emit finished();
}

AlbumTracks readAlbumTracks(const QStringList& paths, const TagReaderSettings& settings)
{
    QList<QByteArray> encoded;
    for (const QString& path : paths)
        encoded << QFile::encodeName(path);
    AlbumReading reading(encoded, settings);
    QEventLoop loop;
    QObject::connect(&reading, &AlbumReading::finished, &loop, &QEventLoop::quit);
    reading.start();
    loop.exec();
    return reading.result();
}

} // namespace plattera
