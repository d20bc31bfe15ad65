#include "tracklists/album_files.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include <QCollator>
#include <QEventLoop>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include "model/text_direction.h"
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
    QString folder;            // absolute
    qsizetype folderOrder = 0; // the folder's place among those of the tracks, as they came
    QByteArray frontPicture;
    QByteArray backPicture;
    QString pictureFile; // where the pictures are, when not in the track's own file
};

// The album artist tag, else the one artist of every track that names one; several artists
// without an album artist make a compilation.
QString albumArtistOf(const std::vector<TrackEntry>& tracks)
{
    for (const TrackEntry& track : tracks)
        if (!track.albumArtist.isEmpty())
            return track.albumArtist;
    // Files without any artist do not stand against the others.
    QString shared;
    for (const TrackEntry& track : tracks) {
        if (track.artist.isEmpty())
            continue;
        if (!shared.isEmpty() && track.artist.compare(shared, Qt::CaseInsensitive) != 0)
            return kVariousArtists;
        shared = track.artist;
    }
    return shared;
}

// A folder named "Artist - Album", perhaps with a year and notes after it ("(2019) [FLAC]"):
// the artist and the album. Empty when it is not named so.
std::pair<QString, QString> artistAndAlbumOfFolder(QString name)
{
    static const QRegularExpression notes(
        QStringLiteral("\\s*(\\([^()]*\\)|\\[[^\\[\\]]*\\])\\s*$"));
    for (QString shorter; (shorter = QString(name).remove(notes)) != name;)
        name = shorter;
    const qsizetype separator = name.indexOf(QLatin1String(" - "));
    if (separator <= 0)
        return {};
    return {name.left(separator).trimmed(), name.mid(separator + 3).trimmed()};
}

// The folder that holds the album: the one holding the track, or the one above it when that
// is a disc's.
QString albumFolderName(const QString& folder)
{
    QDir dir(folder);
    if (isDiscFolderName(dir.dirName()))
        dir.cdUp();
    return dir.dirName();
}

AlbumTracks albumOf(std::vector<TrackEntry> tracks)
{
    QStringList folders;
    for (TrackEntry& track : tracks) {
        track.folderOrder = folders.indexOf(track.folder);
        if (track.folderOrder < 0) {
            track.folderOrder = folders.size();
            folders << track.folder;
        }
    }
    QCollator names;
    names.setNumericMode(true);
    std::stable_sort(tracks.begin(), tracks.end(), [&](const TrackEntry& a, const TrackEntry& b) {
        // A file that names no disc belongs with the first.
        if (std::max(a.disc, 1) != std::max(b.disc, 1))
            return std::max(a.disc, 1) < std::max(b.disc, 1);
        // Folders keep untagged discs apart, in the order they came (a folder's disc folders
        // are read in disc order).
        if (a.folderOrder != b.folderOrder)
            return a.folderOrder < b.folderOrder;
        if (a.cueSheet != b.cueSheet)
            return a.cueSheet < b.cueSheet;
        if ((a.number == 0) != (b.number == 0))
            return a.number != 0;
        if (a.number != b.number)
            return a.number < b.number;
        return names.compare(a.fileName, b.fileName) < 0;
    });
    AlbumTracks album;
    const QString artist = albumArtistOf(tracks);
    album.artist = titleText(artist);
    for (const TrackEntry& track : tracks) {
        // A compilation's tracks, or a guest's, say whose they are.
        const bool otherArtist =
            !track.artist.isEmpty() && track.artist.compare(artist, Qt::CaseInsensitive) != 0;
        album.titles << titleText(otherArtist ? withDirectionsClosed(track.artist) +
                                          kArtistSeparator + track.title
                                              : track.title);
        if (album.album.isEmpty())
            album.album = titleText(track.album);
        const QString path = !track.pictureFile.isEmpty()
            ? track.pictureFile
            : track.folder + QLatin1Char('/') + track.fileName;
        if (album.front.bytes.isEmpty() && !track.frontPicture.isEmpty())
            album.front = {track.frontPicture, path};
        if (album.back.bytes.isEmpty() && !track.backPicture.isEmpty())
            album.back = {track.backPicture, path};
    }
    // Untagged files: what the album's folder is called.
    if (!tracks.empty() && (album.artist.isEmpty() || album.album.isEmpty())) {
        const auto [folderArtist, folderAlbum] =
            artistAndAlbumOfFolder(albumFolderName(tracks.front().folder));
        if (album.artist.isEmpty())
            album.artist = titleText(folderArtist);
        if (album.album.isEmpty())
            album.album = titleText(folderAlbum);
    }
    return album;
}

// The audio file a cue sheet's FILE stands for: itself when it is there, else one of the same
// name with another audio extension (a rip's WAVE image kept as FLAC), among those given first.
QString presentAudioFile(const QString& file, const QStringList& givenAudio)
{
    if (QFileInfo::exists(file))
        return file;
    const QFileInfo named(file);
    const QString stem =
        named.absolutePath() + QLatin1Char('/') + named.completeBaseName() + QLatin1Char('.');
    for (const QString& given : givenAudio)
        if (given.startsWith(stem) && isAlbumFile(given) && !isCueSheet(given) &&
            given.indexOf(QLatin1Char('/'), stem.size()) < 0 &&
            given.indexOf(QLatin1Char('.'), stem.size()) < 0)
            return given;
    for (const std::string_view extension : kAudioExtensions) {
        const QString beside =
            stem + QString::fromLatin1(extension.data(), qsizetype(extension.size()));
        if (QFileInfo::exists(beside))
            return beside;
    }
    return file;
}

// What the name of a file says when its tags do not: its title without a leading track
// number and what separates it ("01 - ", "01. ", "1-03 ", "01_", "A1 "), and that number (0
// for a vinyl side's "B1", which would come before "A2").
std::pair<QString, int> titleAndNumberOfFileName(const QString& baseName)
{
    static const QRegularExpression number(QStringLiteral(
        "^\\s*([A-Za-z]?)(?:\\d{1,3}[-.])?(\\d{1,3})(?:\\s*[-._)]\\s*|\\s+)(?=\\S)"));
    const QRegularExpressionMatch match = number.match(baseName);
    if (!match.hasMatch())
        return {baseName, 0};
    return {baseName.mid(match.capturedEnd()),
            match.capturedLength(1) > 0 ? 0 : match.captured(2).toInt()};
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

bool isDiscFolderName(const QString& name)
{
    static const QRegularExpression disc(QStringLiteral("^(cd|dis[ck])\\s*[-_.]?\\s*\\d+(\\D.*)?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    return disc.match(name).hasMatch();
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
    QStringList givenAudio; // absolute
    for (const QByteArray& path : m_paths) {
        const QString name = QFile::decodeName(path);
        if (!isCueSheet(name))
            givenAudio << QFileInfo(name).absoluteFilePath();
    }
    QStringList readThroughCue;
    std::vector<std::pair<QByteArray, CueSheet>> sheets;
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
        for (QString& file : sheet->files)
            file = presentAudioFile(file, givenAudio);
        readThroughCue << sheet->files;
        sheets.emplace_back(path, std::move(sheet.value()));
    }
    for (auto& [path, sheet] : sheets) {
        // The image a sheet describes is gone and the tracks lie beside it as files of their
        // own: those give the tracks, and the sheet would only give them twice.
        const QString folder = QFileInfo(QFile::decodeName(path)).absolutePath();
        const bool imageMissing =
            std::any_of(sheet.files.begin(), sheet.files.end(),
                        [](const QString& file) { return !QFileInfo::exists(file); });
        const bool tracksBeside =
            std::any_of(givenAudio.begin(), givenAudio.end(), [&](const QString& file) {
                return QFileInfo(file).absolutePath() == folder && !readThroughCue.contains(file);
            });
        if (!(imageMissing && tracksBeside))
            m_cueSheets.emplace_back(path, std::move(sheet));
    }
    readThroughCue.clear();
    for (const auto& [path, sheet] : m_cueSheets)
        readThroughCue << sheet.files;
    for (const QByteArray& path : m_paths) {
        const QString name = QFile::decodeName(path);
        if (isCueSheet(name))
            continue;
        if (readThroughCue.contains(QFileInfo(name).absoluteFilePath()))
            m_imageFiles << path;
        else
            m_audioFiles << path;
    }
    // An image's tags name no track, but it may carry the album's cover.
    m_tagReader = new TagReader(m_audioFiles + m_imageFiles, m_settings, this);
    connect(m_tagReader, &TagReader::filesRead, this,
            [this](int count) { emit progressed(m_doneBeforeTags + count, fileCount()); });
    connect(m_tagReader, &TagReader::finished, this, &AlbumReading::assemble);
    m_tagReader->start();
    emit progressed(m_doneBeforeTags, fileCount());
}

void AlbumReading::assemble()
{
    QHash<QString, FileTags> images; // by absolute path; a failure only costs the pictures
    for (qsizetype i = 0; i < m_imageFiles.size(); ++i)
        if (const Outcome<FileTags>& read = m_tagReader->tags()[size_t(m_audioFiles.size() + i)])
            images.insert(QFileInfo(QFile::decodeName(m_imageFiles[i])).absoluteFilePath(),
                          read.value());
    std::vector<TrackEntry> tracks;
    for (const auto& [path, sheet] : m_cueSheets) {
        const QFileInfo info(QFile::decodeName(path));
        FileTags image;
        QString imageFile;
        for (const QString& file : sheet.files) {
            if (image.frontPicture.isEmpty() && image.backPicture.isEmpty()) {
                image = images.value(file);
                imageFile = file;
            }
        }
        for (const CueSheet::Track& track : sheet.tracks)
            tracks.push_back({track.title, track.performer, sheet.performer, sheet.title,
                              sheet.disc, info.absoluteFilePath(), track.number, info.fileName(),
                              info.absolutePath(), 0, image.frontPicture, image.backPicture,
                              imageFile});
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
        const auto [nameTitle, nameNumber] = titleAndNumberOfFileName(info.completeBaseName());
        tracks.push_back({isBlankTitle(tags.title) ? nameTitle : tags.title, tags.artist,
                          tags.albumArtist, tags.album, tags.disc, QString(),
                          tags.track != 0 ? tags.track : nameNumber, info.fileName(),
                          info.absolutePath(), 0, tags.frontPicture, tags.backPicture, QString()});
    }
    AlbumTracks album = albumOf(std::move(tracks));
    album.unreadable = m_result.unreadable;
    album.reasons = m_result.reasons;
    album.tagReaderFailed = m_tagReader->readerFailed();
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
