#include "tracklists/dropped_files.h"

#include <algorithm>
#include <array>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

#include "tracklists/album_files.h"

namespace plattera {

namespace {

// Names in order of preference; the index is the preference.
constexpr std::array<QLatin1String, 3> kFrontNames = {
    QLatin1String("cover"), QLatin1String("folder"), QLatin1String("front")};
constexpr std::array<QLatin1String, 3> kBackNames = {QLatin1String("back"), QLatin1String("inlay"),
                                                     QLatin1String("tray")};

// The preference of a picture's name among `names`, or -1.
int namePreference(const QByteArray& path, const std::array<QLatin1String, 3>& names)
{
    const QString stem = QFileInfo(QFile::decodeName(path)).completeBaseName();
    for (size_t i = 0; i < names.size(); ++i)
        if (stem.compare(names[i], Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QByteArray fileName(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// The picture whose name comes first in `names`, the first in name order among equals.
QByteArray preferred(const QList<QByteArray>& pictures, const std::array<QLatin1String, 3>& names)
{
    QByteArray best;
    int bestPreference = int(names.size());
    for (const QByteArray& picture : pictures) {
        const int preference = namePreference(picture, names);
        if (preference < 0)
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

QList<QByteArray> filesIn(const QByteArray& folder)
{
    QList<QByteArray> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.constData()), ::closedir);
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        struct stat info { };
        if (name == "." || name == ".." ||
            (::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode)))
            continue;
        names << name;
    }
    std::sort(names.begin(), names.end());
    const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
    for (QByteArray& name : names)
        name.prepend(prefix);
    return names;
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
    sorted.backPicture = preferred(pictures, kBackNames);
    sorted.frontPicture = preferred(pictures, kFrontNames);
    if (sorted.frontPicture.isEmpty()) {
        QList<QByteArray> others;
        for (const QByteArray& picture : pictures)
            if (namePreference(picture, kBackNames) < 0)
                others << picture;
        if (others.size() == 1)
            sorted.frontPicture = others.front();
    }
    return sorted;
}

QList<QByteArray> withFolderContents(const QList<QByteArray>& paths)
{
    QList<QByteArray> files;
    for (const QByteArray& path : paths) {
        if (isFolder(path))
            files << filesIn(path);
        else
            files << path;
    }
    return files;
}

DroppedFiles readDroppedFiles(const QList<QByteArray>& paths, const QStringList& pictureExtensions)
{
    DroppedFiles sorted = sortDroppedFiles(withFolderContents(paths), pictureExtensions);
    const DroppedFiles given = sortDroppedFiles(paths, pictureExtensions);
    if (!given.frontPicture.isEmpty())
        sorted.frontPicture = given.frontPicture;
    if (!given.backPicture.isEmpty())
        sorted.backPicture = given.backPicture;
    return sorted;
}

} // namespace plattera
