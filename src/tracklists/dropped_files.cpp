#include "tracklists/dropped_files.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <memory>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "tracklists/album_files.h"

namespace plattera {

namespace {

enum class Side { None, Front, Back };

// Names in order of preference; the index is the preference.
constexpr std::array<QLatin1String, 3> kFrontNames = {
    QLatin1String("cover"), QLatin1String("folder"), QLatin1String("front")};
constexpr std::array<QLatin1String, 3> kBackNames = {QLatin1String("back"), QLatin1String("inlay"),
                                                     QLatin1String("tray")};

// The insert a picture's name is for and how strongly: a whole name ("cover") before a word in
// a longer one ("Glass Houses - Front", "front_cover", "Cover (Front)"). Among words the last
// that names a side decides, so an album called "Back to Black" has its "- Front" on the front;
// "cover" or "folder" right after "front" or "back" only repeats it ("Back Cover").
std::pair<Side, int> sideOf(const QByteArray& path)
{
    const QString stem = QFileInfo(QFile::decodeName(path)).completeBaseName().toLower();
    for (size_t i = 0; i < kFrontNames.size(); ++i) {
        if (stem == kFrontNames[i])
            return {Side::Front, int(i)};
        if (stem == kBackNames[i])
            return {Side::Back, int(i)};
    }
    static const QRegularExpression nonWord(QStringLiteral("[^\\p{L}\\p{N}]+"));
    const QStringList words = stem.split(nonWord, Qt::SkipEmptyParts);
    std::pair<Side, int> found {Side::None, 0};
    for (qsizetype w = 0; w < words.size(); ++w) {
        const bool afterSide =
            w > 0 && (words[w - 1] == kFrontNames[2] || words[w - 1] == kBackNames[0]);
        for (size_t i = 0; i < kFrontNames.size(); ++i) {
            if (words[w] == kFrontNames[i] && !(afterSide && i < 2))
                found = {Side::Front, int(kFrontNames.size() + i)};
            if (words[w] == kBackNames[i])
                found = {Side::Back, int(kBackNames.size() + i)};
        }
    }
    return found;
}

QByteArray fileName(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// The picture named most strongly for `side`, the first in name order among equals.
QByteArray preferred(const QList<QByteArray>& pictures, Side side)
{
    QByteArray best;
    int bestPreference = std::numeric_limits<int>::max();
    for (const QByteArray& picture : pictures) {
        const auto [pictureSide, preference] = sideOf(picture);
        if (pictureSide != side)
            continue;
        if (preference < bestPreference ||
            (preference == bestPreference && fileName(picture) < fileName(best))) {
            best = picture;
            bestPreference = preference;
        }
    }
    return best;
}

bool isFolder(const QByteArray& path)
{
    struct stat info { };
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// What a folder holds directly: its files and its folders, each in name order (numbers by their
// value, so "Disc 10" follows "Disc 9"), with the folder's path before each name.
struct FolderEntries {
    QList<QByteArray> files;
    QList<QByteArray> folders;
};

FolderEntries entriesOf(const QByteArray& folder)
{
    FolderEntries entries;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.constData()), ::closedir);
    if (!dir)
        return entries;
    const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat info { };
        const bool folderEntry =
            ::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        (folderEntry ? entries.folders : entries.files) << prefix + name;
    }
    QCollator names;
    names.setNumericMode(true);
    for (QList<QByteArray>* list : {&entries.files, &entries.folders})
        std::sort(list->begin(), list->end(), [&](const QByteArray& a, const QByteArray& b) {
            return names.compare(QFile::decodeName(a), QFile::decodeName(b)) < 0;
        });
    return entries;
}

// A folder within an album that holds one of its discs: named like one, or holding music and
// cue sheets alone.
bool isDiscFolder(const QByteArray& path, const FolderEntries& entries)
{
    if (isDiscFolderName(QFile::decodeName(fileName(path))))
        return true;
    if (!entries.folders.isEmpty())
        return false;
    bool audio = false;
    for (const QByteArray& file : entries.files) {
        const QString name = QFile::decodeName(fileName(file));
        if (name.startsWith(QLatin1Char('.')))
            continue;
        if (!isAlbumFile(name))
            return false;
        audio = audio || !name.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive);
    }
    return audio;
}

// A file of a drop or paste and how far below what was given it lies: 0 given itself, 1 inside
// a folder given, 2 inside a folder within that. Music is taken at depth 2 from disc folders
// only; pictures from any folder.
struct FoundFile {
    QByteArray path;
    int depth = 0;
    bool pictureOnly = false;
};

std::vector<FoundFile> foundFiles(const QList<QByteArray>& paths)
{
    std::vector<FoundFile> found;
    for (const QByteArray& path : paths) {
        if (!isFolder(path)) {
            found.push_back({path, 0});
            continue;
        }
        const FolderEntries entries = entriesOf(path);
        for (const QByteArray& file : entries.files)
            found.push_back({file, 1});
        for (const QByteArray& folder : entries.folders) {
            const FolderEntries inner = entriesOf(folder);
            const bool disc = isDiscFolder(folder, inner);
            for (const QByteArray& file : inner.files)
                found.push_back({file, 2, !disc});
        }
    }
    return found;
}

} // namespace

DroppedFileKind droppedFileKind(const QString& path, const QStringList& pictureExtensions)
{
    const QFileInfo info(path);
    if (info.fileName().startsWith(QLatin1Char('.')))
        return DroppedFileKind::Other;
    const QString extension = info.suffix().toLower();
    if (extension == QLatin1String("cue"))
        return DroppedFileKind::CueSheet;
    if (isAlbumFile(path))
        return DroppedFileKind::Audio;
    if (!extension.isEmpty() && pictureExtensions.contains(extension))
        return DroppedFileKind::Picture;
    return DroppedFileKind::Other;
}

DroppedFiles sortDroppedFiles(const QList<QByteArray>& paths, const QStringList& pictureExtensions)
{
    DroppedFiles sorted;
    QList<QByteArray> pictures;
    for (const QByteArray& path : paths) {
        switch (droppedFileKind(QFile::decodeName(path), pictureExtensions)) {
        case DroppedFileKind::Audio:
        case DroppedFileKind::CueSheet:
            sorted.albumFiles << path;
            break;
        case DroppedFileKind::Picture:
            pictures << path;
            break;
        case DroppedFileKind::Other:
            break;
        }
    }
    sorted.backPicture = preferred(pictures, Side::Back);
    sorted.frontPicture = preferred(pictures, Side::Front);
    if (sorted.frontPicture.isEmpty()) {
        QList<QByteArray> others;
        for (const QByteArray& picture : pictures)
            if (sideOf(picture).first != Side::Back)
                others << picture;
        if (others.size() == 1)
            sorted.frontPicture = others.front();
    }
    return sorted;
}

DroppedFiles readDroppedFiles(const QList<QByteArray>& paths, const QStringList& pictureExtensions)
{
    DroppedFiles sorted;
    std::map<int, QList<QByteArray>> picturesByDepth;
    for (const FoundFile& file : foundFiles(paths)) {
        switch (droppedFileKind(QFile::decodeName(file.path), pictureExtensions)) {
        case DroppedFileKind::Audio:
        case DroppedFileKind::CueSheet:
            if (!file.pictureOnly)
                sorted.albumFiles << file.path;
            break;
        case DroppedFileKind::Picture:
            picturesByDepth[file.depth] << file.path;
            break;
        case DroppedFileKind::Other:
            break;
        }
    }
    // The pictures nearest to what was given first, each insert on its own: the cover beside
    // the music before the scans in a folder below it, whether the files or the folder came.
    for (const auto& [depth, pictures] : picturesByDepth) {
        const DroppedFiles level = sortDroppedFiles(pictures, pictureExtensions);
        if (sorted.frontPicture.isEmpty())
            sorted.frontPicture = level.frontPicture;
        if (sorted.backPicture.isEmpty())
            sorted.backPicture = level.backPicture;
    }
    return sorted;
}

} // namespace plattera
