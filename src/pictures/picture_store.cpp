#include "pictures/picture_store.h"

#include <cerrno>
#include <algorithm>
#include <new>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QList>

#include "model/errors.h"
#include "decoders/bounded_canvas.h"
#include "decoders/decode_result.h"
#include "model/editor_state.h"
#include "pictures/picture_formats.h"

namespace plattera {

namespace {

// No picture file is anywhere near this; a bigger one is not worth reading into memory.
constexpr qint64 kMaxPictureFileBytes = 512LL * 1024 * 1024;

[[noreturn]] void fail(const QString& path, const QString& problem)
{
    throw CommandError(
        QStringLiteral("Cannot read %1: %2").arg(QFileInfo(path).fileName(), problem));
}

// Closes the descriptor on every way out.
struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// An open regular file of a sane size. Opening never blocks: a FIFO is opened non-blocking and
// refused once fstat shows what it is.
struct OpenPicture {
    FileDescriptor file;
    struct stat info { };
};

void openPictureFile(OpenPicture& picture, const QString& path, const QByteArray& encoded)
{
    picture.file.fd = ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (picture.file.fd < 0)
        fail(path, systemError(errno));
    struct stat& info = picture.info;
    if (::fstat(picture.file.fd, &info) != 0)
        fail(path, systemError(errno));
    if (!S_ISREG(info.st_mode))
        fail(path, QStringLiteral("not a regular file"));
    if (info.st_size == 0)
        fail(path, QStringLiteral("the file is empty"));
    if (info.st_size > kMaxPictureFileBytes) {
        fail(path,
             QStringLiteral("the file is too large (%1 MiB; at most %2 MiB)")
                 .arg(info.st_size / (1024 * 1024))
                 .arg(kMaxPictureFileBytes / (1024 * 1024)));
    }
}

QByteArray readPictureFile(const OpenPicture& picture, const QString& path)
{
    QByteArray data;
    try {
        data.resize(qsizetype(picture.info.st_size));
    } catch (const std::bad_alloc&) {
        throw CommandError(
            notEnoughMemoryTo(QStringLiteral("read %1").arg(QFileInfo(path).fileName())));
    }
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t got = ::read(picture.file.fd, data.data() + done, size_t(data.size() - done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            fail(path, systemError(errno));
        }
        if (got == 0)
            break; // the file shrank while we read it
        done += got;
    }
    data.truncate(done);
    if (data.isEmpty())
        fail(path, QStringLiteral("the file is empty"));
    return data;
}

// The front and the back picture in use, and room for a newly chosen one while the one it
// replaces is still in use; the cover lets go of what it stopped using after each command.
constexpr size_t kKeptPictures = 3;

// Files from this size on take long enough to decode that the user should see it.
constexpr qint64 kLongDecodeBytes = 512 * 1024;

// Tells the notifier about a long decode for as long as it lasts, failures included.
class LongDecode {
public:
    LongDecode(const std::function<void(bool)>& notifier, qint64 bytes)
        : m_notifier(bytes >= kLongDecodeBytes && notifier ? &notifier : nullptr)
    {
        if (m_notifier)
            (*m_notifier)(true);
    }
    ~LongDecode()
    {
        if (m_notifier)
            (*m_notifier)(false);
    }
    LongDecode(const LongDecode&) = delete;
    LongDecode& operator=(const LongDecode&) = delete;

private:
    const std::function<void(bool)>* m_notifier;
};

// A name whose bytes are not UTF-8 (Latin-1 names from old disks and archives) reaches the
// program with each such byte read as U+FFFD, and encoding that back gives other bytes. Each
// such part of the path is found again among its folder's entries by the name Qt reads for it,
// which is the name the file dialog showed. Two entries read alike cannot be told apart.
QByteArray systemName(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info { };
    if (!path.contains(QChar::ReplacementCharacter) || ::stat(encoded.constData(), &info) == 0)
        return encoded;
    QByteArray resolved;
    const QStringList parts = path.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            resolved += '/';
        if (!parts[i].contains(QChar::ReplacementCharacter)) {
            resolved += QFile::encodeName(parts[i]);
            continue;
        }
        DIR* folder = ::opendir(resolved.isEmpty() ? "." : resolved.constData());
        if (folder == nullptr)
            return encoded;
        QList<QByteArray> matches;
        while (const dirent* entry = ::readdir(folder)) {
            if (QFile::decodeName(entry->d_name) == parts[i])
                matches << QByteArray(entry->d_name);
        }
        ::closedir(folder);
        if (matches.isEmpty())
            return encoded;
        if (matches.size() > 1)
            fail(path,
                 QStringLiteral("its name is not UTF-8 and %1 files in its folder read the same; "
                                "rename the file")
                     .arg(matches.size()));
        resolved += matches.front();
    }
    return resolved;
}

// False when there is no file at path: the one case that is no failure.
bool exists(const QString& path, const QByteArray& encoded)
{
    struct stat info { };
    if (encoded.isEmpty() || ::stat(encoded.constData(), &info) != 0) {
        if (encoded.isEmpty() || errno == ENOENT || errno == ENOTDIR)
            return false;
        fail(path, systemError(errno));
    }
    return true;
}

// The steps every read starts with: no file is no picture (false); otherwise the reader the
// format table names, and the file opened, or a CommandError saying why it cannot be.
bool openExistingPicture(const QString& path, PictureKind& kind, OpenPicture& picture)
{
    const QByteArray encoded = systemName(path);
    if (!exists(path, encoded))
        return false;
    kind = pictureFileFormats().readerFor(path);
    openPictureFile(picture, path, encoded);
    return true;
}

DecodeResult decodeOrFail(PictureKind kind, const QByteArray& data, const QString& path, int ppi,
                          QSize atLeast)
{
    DecodeResult result = DecodeResult::failure(QString());
    try {
        result = decodePicture(kind, data, path, ppi, atLeast);
    } catch (const std::bad_alloc&) {
        throw CommandError(
            notEnoughMemoryTo(QStringLiteral("load %1").arg(QFileInfo(path).fileName())));
    }
    if (!result.ok())
        throw CommandError(result.reason().isEmpty() ? QStringLiteral("The picture cannot be read")
                                                     : result.reason());
    if (result->image.format() != QImage::Format_RGB32)
        result->image = result->image.convertToFormat(QImage::Format_RGB32);
    return result;
}

// The PNG and WebP libraries' messages name no file ("IDAT: CRC error"), so the file is named
// in front of them, as for a file that cannot be opened.
DecodeResult namingTheFile(DecodeResult result, const QString& path)
{
    if (!result.ok())
        return DecodeResult::failure(
            QStringLiteral("Cannot read %1: %2").arg(QFileInfo(path).fileName(), result.reason()));
    return result;
}

// The kind of an encoded picture by its first bytes: embedded covers carry no file name.
std::optional<PictureKind> kindOfBytes(const QByteArray& data)
{
    if (data.startsWith("\xff\xd8\xff"))
        return PictureKind::Jpeg;
    if (data.startsWith("\x89PNG"))
        return PictureKind::Png;
    if (data.startsWith("GIF8"))
        return PictureKind::Gif;
    if (data.startsWith("BM"))
        return PictureKind::Bitmap;
    if (data.startsWith("RIFF") && data.mid(8, 4) == "WEBP")
        return PictureKind::Webp;
    return std::nullopt;
}

} // namespace

DecodeResult decodePicture(PictureKind kind, const QByteArray& data, const QString& path, int ppi,
                           QSize atLeast)
{
    switch (kind) {
    case PictureKind::Jpeg:
        return decodeJpegCovering(data, atLeast);
    case PictureKind::Gif:
        return decodeGif(data);
    case PictureKind::Bitmap:
        return shrinkToLargestDrawn(decodeBmp(data));
    case PictureKind::Icon:
        return shrinkToLargestDrawn(decodeIco(data));
    case PictureKind::Png:
        return namingTheFile(decodePng(data), path);
    case PictureKind::Webp:
        return namingTheFile(decodeWebp(data), path);
    case PictureKind::Metafile:
        return pictureFileExtension(path).compare(QLatin1String("emf"), Qt::CaseInsensitive) == 0
            ? decodeEmf(data, ppi)
            : decodeWmf(data, ppi);
    case PictureKind::Graphic:
        break;
    }
    return DecodeResult::failure(unknownExtensionMessage(pictureFileExtension(path)));
}

bool PictureStore::FileIdentity::operator==(const FileIdentity& o) const
{
    return device == o.device && inode == o.inode && size == o.size && ppi == o.ppi &&
        modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
        changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
}

std::optional<Picture> PictureStore::load(const QString& path, int ppi)
{
    const auto encoded = std::find_if(m_encoded.begin(), m_encoded.end(),
                                      [&](const auto& entry) { return entry.first == path; });
    if (encoded != m_encoded.end())
        return loadEncoded(path, encoded->second, ppi);
    PictureKind kind {};
    OpenPicture picture;
    if (!openExistingPicture(path, kind, picture))
        return std::nullopt;
    const struct stat& info = picture.info;
    const FileIdentity identity {info.st_dev,  info.st_ino,  info.st_size,
                                 info.st_mtim, info.st_ctim, ppi};
    if (std::optional<Picture> kept = keptPicture(path, identity))
        return kept;

    const LongDecode busy(m_longDecode, info.st_size);
    return decodeAndKeep(kind, readPictureFile(picture, path), path, identity);
}

std::optional<Picture> PictureStore::keptPicture(const QString& path, const FileIdentity& identity)
{
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
        if (it->path == path && it->identity == identity) {
            std::rotate(m_kept.begin(), it, it + 1);
            return m_kept.front()
                .picture; // shares the pixels; the caller's copy is its own from its first write
        }
    }
    return std::nullopt;
}

Picture PictureStore::decodeAndKeep(PictureKind kind, const QByteArray& data, const QString& path,
                                    const FileIdentity& identity)
{
    ++m_decodes;
    DecodeResult result = decodeOrFail(kind, data, path, identity.ppi, QSize());
    Picture decoded(std::move(result->image),
                    kind == PictureKind::Jpeg ? PictureSource::Lossy : PictureSource::Lossless);
    forget(path);
    m_kept.insert(m_kept.begin(), Kept {path, identity, decoded});
    if (m_kept.size() > kKeptPictures)
        m_kept.resize(kKeptPictures);
    return decoded;
}

std::optional<Picture> PictureStore::loadEncoded(const QString& name, const QByteArray& data,
                                                 int ppi)
{
    const FileIdentity identity {0, 0, off_t(data.size()), {}, {}, ppi};
    if (std::optional<Picture> kept = keptPicture(name, identity))
        return kept;
    const std::optional<PictureKind> kind = kindOfBytes(data);
    if (!kind)
        fail(name, QStringLiteral("not a picture the program reads"));
    const LongDecode busy(m_longDecode, data.size());
    return decodeAndKeep(*kind, data, name, identity);
}

void PictureStore::keepEncoded(const QString& name, const QByteArray& bytes)
{
    forget(name);
    std::erase_if(m_encoded, [&](const auto& entry) { return entry.first == name; });
    m_encoded.emplace_back(name, bytes);
}

void PictureStore::forget(const QString& path)
{
    std::erase_if(m_kept, [&](const Kept& kept) { return kept.path == path; });
}

void PictureStore::keepOnly(const QStringList& inUse)
{
    std::erase_if(m_kept, [&](const Kept& kept) { return !inUse.contains(kept.path); });
    std::erase_if(m_encoded, [&](const auto& entry) { return !inUse.contains(entry.first); });
}

void PictureStore::clear()
{
    m_kept.clear();
    m_encoded.clear();
}

std::optional<Picture> loadCoverPicture(EditorState& state, const QString& path, int ppi)
{
    if (state.pictures)
        return state.pictures->load(path, ppi);
    return loadPictureBitmap(path, ppi);
}

std::optional<Picture> loadPictureBitmap(const QString& path, int ppi)
{
    PictureStore once;
    return once.load(path, ppi);
}

std::optional<PictureThumbnail> loadPictureThumbnail(const QString& path, QSize bound, int ppi)
{
    PictureKind kind {};
    OpenPicture picture;
    if (!openExistingPicture(path, kind, picture))
        return std::nullopt;
    const QByteArray data = readPictureFile(picture, path);
    DecodeResult result = decodeOrFail(kind, data, path, ppi, bound);
    PictureThumbnail preview;
    preview.size = result->sourceSize.isValid() ? result->sourceSize : result->image.size();
    // A picture decoded smaller may have shrunk more on one side than the other: the preview
    // takes the picture's own shape.
    preview.thumbnail = result->image.size().boundedTo(bound) == result->image.size()
        ? std::move(result->image)
        : result->image.scaled(preview.size.scaled(bound, Qt::KeepAspectRatio),
                               Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return preview;
}

} // namespace plattera
