#include "pictures/picture_loader.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "model/errors.h"
#include "pictures/decoders/decode_result.h"
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

// Reads the whole of a regular file. Opening never blocks: a FIFO is opened non-blocking and
// refused once fstat shows what it is.
QByteArray readPictureFile(const QString& path, const QByteArray& encoded)
{
    FileDescriptor file;
    file.fd = ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file.fd < 0)
        fail(path, systemError(errno));
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
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

    QByteArray data;
    try {
        data.resize(qsizetype(info.st_size));
    } catch (const std::bad_alloc&) {
        fail(path, QStringLiteral("not enough memory"));
    }
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t got = ::read(file.fd, data.data() + done, size_t(data.size() - done));
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

} // namespace

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
    const QByteArray data = readPictureFile(path, encoded);

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
    return std::move(result.image);
}

} // namespace plattera
