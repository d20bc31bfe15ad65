#include "pictures/picture_loader.h"

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "model/errors.h"
#include "decoders/decode_result.h"
#include "pictures/picture_formats.h"

namespace plattera {

namespace {

// No picture file is anywhere near this; a bigger one is not worth reading into memory.
constexpr qint64 kMaxPictureFileBytes = 512LL * 1024 * 1024;

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

[[noreturn]] void fail(const QString& path, const QString& problem)
{
    throw CommandError(QStringLiteral("Cannot read %1: %2").arg(QFileInfo(path).fileName(), problem));
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
    struct stat info {};
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
        fail(path, QStringLiteral("the file is too large (%1 MiB; at most %2 MiB)")
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
        fail(path, QStringLiteral("not enough memory"));
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

// Every repaint loads the cover's pictures again. While a file is provably the one decoded
// last time (same device, inode, size, and change and modification times to the nanosecond)
// its pixels are handed out again instead of decoding the file anew. The file is still opened
// every time, so a vanished, replaced or unreadable file behaves exactly as without reuse.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified {};
    timespec changed {};
    int ppi = 0;

    bool operator==(const FileIdentity& o) const
    {
        return device == o.device && inode == o.inode && size == o.size && ppi == o.ppi
               && modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec
               && changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

FileIdentity identityOf(const struct stat& info, int ppi)
{
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim, ppi};
}

struct DecodedPicture {
    QString path;
    FileIdentity identity;
    QImage image;
};

// The front and the back picture in use, and room for a newly chosen one while the one it
// replaces is still in use; the cover lets go of what it stopped using after each command.
constexpr size_t kReusedPictures = 3;
std::vector<DecodedPicture>& decodedPictures()
{
    static std::vector<DecodedPicture> pictures;
    return pictures;
}

const QImage* findDecoded(const QString& path, const FileIdentity& identity)
{
    auto& pictures = decodedPictures();
    for (auto it = pictures.begin(); it != pictures.end(); ++it) {
        if (it->path == path && it->identity == identity) {
            std::rotate(pictures.begin(), it, it + 1); // most recently used first
            return &pictures.front().image;
        }
    }
    return nullptr;
}

void rememberDecoded(const QString& path, const FileIdentity& identity, const QImage& image)
{
    auto& pictures = decodedPictures();
    pictures.erase(std::remove_if(pictures.begin(), pictures.end(),
                                  [&](const DecodedPicture& p) { return p.path == path; }),
                   pictures.end());
    pictures.insert(pictures.begin(), DecodedPicture{path, identity, image});
    if (pictures.size() > kReusedPictures)
        pictures.resize(kReusedPictures);
}

// Files from this size on take long enough to decode that the user should see it.
constexpr qint64 kLongDecodeBytes = 512 * 1024;

std::function<void(bool)>& longDecodeNotifier()
{
    static std::function<void(bool)> notifier;
    return notifier;
}

// Tells the notifier about a long decode for as long as it lasts, failures included.
class LongDecode {
public:
    explicit LongDecode(qint64 bytes) : m_active(bytes >= kLongDecodeBytes && longDecodeNotifier())
    {
        if (m_active)
            longDecodeNotifier()(true);
    }
    ~LongDecode()
    {
        if (m_active)
            longDecodeNotifier()(false);
    }
    LongDecode(const LongDecode&) = delete;
    LongDecode& operator=(const LongDecode&) = delete;

private:
    bool m_active;
};

// The PNG and WebP libraries' messages name no file ("IDAT: CRC error"), so the file is named
// in front of them, as for a file that cannot be opened.
DecodeResult namingTheFile(DecodeResult result, const QString& path)
{
    if (!result.ok())
        result.error = QStringLiteral("Cannot read %1: %2").arg(QFileInfo(path).fileName(), result.error);
    return result;
}

} // namespace

void setLongDecodeNotifier(std::function<void(bool busy)> notifier)
{
    longDecodeNotifier() = std::move(notifier);
}

DecodeResult decodePicture(PictureKind kind, const QByteArray& data, const QString& path, int ppi)
{
    switch (kind) {
    case PictureKind::Jpeg:
        return decodeJpeg(data);
    case PictureKind::Gif:
        return decodeGif(data);
    case PictureKind::Bitmap:
        return decodeBmp(data);
    case PictureKind::Icon:
        return decodeIco(data);
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

std::optional<QImage> LoadPictureBitmap(const QString& path, int ppi)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info {};
    if (encoded.isEmpty() || ::stat(encoded.constData(), &info) != 0) {
        if (encoded.isEmpty() || errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        fail(path, systemError(errno));
    }

    const PictureKind kind = PictureFileFormats().readerFor(path);
    OpenPicture picture;
    openPictureFile(picture, path, encoded);
    const FileIdentity identity = identityOf(picture.info, ppi);
    if (const QImage* decoded = findDecoded(path, identity))
        return *decoded; // shares the pixels; the caller's bitmap is its own from the first write
    const LongDecode busy(picture.info.st_size);
    const QByteArray data = readPictureFile(picture, path);

    DecodeResult result;
    try {
        result = decodePicture(kind, data, path, ppi);
    } catch (const std::bad_alloc&) {
        throw CommandError(QStringLiteral("Not enough memory to load %1").arg(QFileInfo(path).fileName()));
    }
    if (!result.ok())
        throw CommandError(result.error.isEmpty() ? QStringLiteral("The picture cannot be read") : result.error);
    if (result.image.format() != QImage::Format_RGB32)
        result.image = result.image.convertToFormat(QImage::Format_RGB32);
    if (kind == PictureKind::Jpeg)
        result.image.setText(kLossySourceKey, QStringLiteral("jpeg"));
    rememberDecoded(path, identity, result.image);
    return std::move(result.image);
}


void forgetDecodedPictures()
{
    decodedPictures().clear();
}

void keepDecodedPicturesOf(const QStringList& inUse)
{
    auto& pictures = decodedPictures();
    pictures.erase(std::remove_if(pictures.begin(), pictures.end(),
                                  [&](const DecodedPicture& p) { return !inUse.contains(p.path); }),
                   pictures.end());
}

} // namespace plattera
