#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "pictures/picture_store.h"
#include "support/image_assert.h"
#include "support/test_files.h"

using namespace plattera;

// The bitmap alone, for the checks that do not look at the kind of file it came from.
static std::optional<QImage> loadBitmap(const QString& path, int ppi)
{
    std::optional<Picture> picture = loadPictureBitmap(path, ppi);
    return picture ? std::optional<QImage>(std::move(picture->image)) : std::nullopt;
}

namespace {

class PictureStoreLoad : public testing::Test {
protected:
    QTemporaryDir sandbox;

    QString path(const QString& name) const { return sandbox.filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }

    static QByteArray fixture(const char* name)
    {
        QFile file(QStringLiteral(PLATTERA_TEST_DATA "/") + QLatin1String(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        return file.readAll();
    }

    // The message of the failure, or empty when the load succeeded. A FIFO or device that the
    // store tried to read would hang or exhaust memory here rather than fail.
    static QString failure(const QString& file)
    {
        QString message;
        try {
            loadBitmap(file, 96);
        } catch (const CommandError& e) {
            message = e.message();
        }
        return message;
    }
};

TEST_F(PictureStoreLoad, MissingFileGivesNoBitmapAndNoMessage)
{
    EXPECT_FALSE(loadBitmap(path("gone.jpg"), 96).has_value());
    EXPECT_FALSE(loadBitmap(path("no/such/folder/cover.pcx"), 96).has_value());
    EXPECT_FALSE(loadBitmap(QString(), 96).has_value());
}

TEST_F(PictureStoreLoad, EachLoadGivesItsOwnBitmapOfThePicturesSize)
{
    const QString gif = write("Cover Ärt.GIF", fixture("gif_frame_offset.gif"));
    std::optional<QImage> first = loadBitmap(gif, 96);
    std::optional<QImage> second = loadBitmap(gif, 96);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->size(), QSize(10, 6));
    EXPECT_EQ(first->format(), QImage::Format_RGB32);
    first->fill(Qt::black);
    EXPECT_TRUE(PixelIs(*second, 0, 0, 0xffffffff)); // not shared with the first
}

TEST_F(PictureStoreLoad, IconsAndMetafilesComeBackAsOpaqueBitmaps)
{
    std::optional<QImage> icon = loadBitmap(write("a.ico", fixture("ico_two_sizes.ico")), 96);
    ASSERT_TRUE(icon.has_value());
    EXPECT_EQ(icon->size(), QSize(32, 32));
    EXPECT_EQ(icon->format(), QImage::Format_RGB32);
    std::optional<QImage> emf = loadBitmap(write("a.emf", fixture("emf_two_shapes.emf")), 120);
    ASSERT_TRUE(emf.has_value());
    EXPECT_EQ(emf->size(), QSize(120, 60));
}

TEST_F(PictureStoreLoad, UnknownExtensionComesBeforeReading)
{
    write("cover.pcx", "");
    EXPECT_EQ(failure(path("cover.pcx")), "Unknown picture file extension (.pcx)");
    ASSERT_TRUE(QDir(sandbox.path()).mkdir("noext"));
    EXPECT_EQ(failure(path("noext")), "Unknown picture file extension (.)");
}

TEST_F(PictureStoreLoad, HostileFilesFailQuicklyWithAMessage)
{
    ASSERT_TRUE(QDir(sandbox.path()).mkdir("x.jpg"));
    EXPECT_TRUE(failure(path("x.jpg")).contains("not a regular file"));

    ASSERT_EQ(::mkfifo(QFile::encodeName(path("x.gif")).constData(), 0600), 0);
    EXPECT_TRUE(failure(path("x.gif")).contains("not a regular file"));

    ASSERT_TRUE(QFile::link("/dev/zero", path("x.bmp")));
    EXPECT_TRUE(failure(path("x.bmp")).contains("not a regular file"));

    for (const char* name : {"e.gif", "e.jpg", "e.jpeg", "e.bmp", "e.ico", "e.emf", "e.wmf"})
        EXPECT_TRUE(failure(write(name, "")).contains("empty")) << name;

    // Headers that claim 65535 x 65535 pixels.
    QByteArray gif = fixture("gif_frame_offset.gif");
    gif[6] = gif[7] = gif[8] = gif[9] = char(0xff);
    EXPECT_TRUE(failure(write("huge.gif", gif)).contains("too large"));
    QByteArray bmp = fixture("bmp_topdown24.bmp");
    bmp[18] = bmp[19] = bmp[22] = bmp[23] = char(0xff);
    bmp[20] = bmp[21] = bmp[24] = bmp[25] = 0;
    EXPECT_TRUE(failure(write("huge.bmp", bmp)).contains("too large"));

    // Mislabelled: a GIF named .jpg, text named .ico.
    EXPECT_FALSE(failure(write("gif.jpg", fixture("gif_frame_offset.gif"))).isEmpty());
    EXPECT_FALSE(failure(write("notes.ico", "just some text\n")).isEmpty());
    for (const char* name : {"gif.png", "gif.webp"})
        EXPECT_TRUE(failure(write(name, fixture("gif_frame_offset.gif")))
                        .startsWith(QStringLiteral("Cannot read %1: ").arg(name)));
}

TEST_F(PictureStoreLoad, HugeFilesAndOddNamesNeverGetRead)
{
    // 2 GB, almost all of it a hole: refused from its size, not read.
    const QString sparse = write("sparse.bmp", fixture("bmp_topdown24.bmp"));
    ASSERT_EQ(::truncate(QFile::encodeName(sparse).constData(), 2LL * 1024 * 1024 * 1024), 0);
    EXPECT_TRUE(failure(sparse).contains("too large"));

    // A name longer than the system allows is an error the user sees, not a silent nothing.
    const QString longName = path(QString(4000, QLatin1Char('n')) + QStringLiteral(".gif"));
    EXPECT_TRUE(failure(longName).contains(QString::fromLocal8Bit(std::strerror(ENAMETOOLONG))));

    // Bytes that are not UTF-8 reach the program as U+FFFD: the file is still found and read.
    const QByteArray rawName = QFile::encodeName(sandbox.path()) + "/\xff\xfe.bmp";
    const int fd = ::open(rawName.constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_TRUE(failure(QFile::decodeName(rawName)).contains("empty"));
}

// Wider than any place on the cover: 3600 pixels across are kept, the preview keeps its shape.
TEST_F(PictureStoreLoad, PicturesLargerThanAnyPlaceShrinkYetPreviewInTheirOwnShape)
{
    const QString wide = writeTestBmp(path("wide.bmp"), columnCodedImage(7200, 1000));
    EXPECT_EQ(loadBitmap(wide, 96)->size(), QSize(3600, 1000));
    const std::optional<PictureThumbnail> preview = loadPictureThumbnail(wide, {72, 72}, 96);
    EXPECT_EQ(preview->size, QSize(7200, 1000));
    EXPECT_EQ(preview->thumbnail.size(), QSize(72, 10));
}

// Latin-1 names from old disks: the file dialog reads them with U+FFFD for each odd byte.
TEST_F(PictureStoreLoad, NamesThatAreNotUtf8AreOpened)
{
    const QByteArray folder = QFile::encodeName(sandbox.path()) + "/d\xe9j\xe0";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    const auto writeRaw = [&](const QByteArray& name) {
        QFile raw;
        const int fd = ::open((folder + name).constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_TRUE(raw.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        raw.write(fixture("jpeg_baseline.jpg"));
    };
    const QString shown = QFile::decodeName(folder + "/caf\xe9.jpg");
    ASSERT_TRUE(shown.contains(QChar::ReplacementCharacter));
    writeRaw("/caf\xe9.jpg");
    const std::optional<QImage> picture = loadBitmap(shown, 96);
    ASSERT_TRUE(picture.has_value());
    EXPECT_TRUE(
        ImagesEqual(*picture, *loadBitmap(write("cafe.jpg", fixture("jpeg_baseline.jpg")), 96)));
    // Two names that read alike cannot be told apart: said so, never a silent nothing.
    writeRaw("/caf\xe8.jpg");
    EXPECT_TRUE(failure(shown).contains("not UTF-8")) << failure(shown).toStdString();
}

TEST_F(PictureStoreLoad, UnreadableFileFailsWithTheSystemsReason)
{
    const QString locked = write("locked.jpg", fixture("jpeg_baseline.jpg"));
    // Permission bits do not stop root (CI runs as root); a link that leads back to itself
    // stops everyone, and the system's reason must reach the message either way.
    ASSERT_TRUE(QFile::link(QStringLiteral("loop.jpg"), path("loop.jpg")));
    EXPECT_TRUE(failure(path("loop.jpg")).contains(QString::fromLocal8Bit(std::strerror(ELOOP))))
        << failure(path("loop.jpg")).toStdString();

    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    if (::geteuid() != 0) {
        EXPECT_TRUE(failure(locked).contains("ermission")) << failure(locked).toStdString();
    }
}

} // namespace

// Reuse of decoded pictures must never change what a load gives.
class PictureReuse : public ::testing::Test {
protected:
    QTemporaryDir dir;
    plattera::PictureStore store;

    std::optional<QImage> bitmap(const QString& path, int ppi)
    {
        std::optional<Picture> picture = store.load(path, ppi);
        return picture ? std::optional<QImage>(std::move(picture->image)) : std::nullopt;
    }

    QString writeBmp(const QString& name, QRgb colour, int width = 8, int height = 4)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }
};

TEST_F(PictureReuse, SameFileIsHandedOutAgainAsItsOwnBitmap)
{
    const QString path = writeBmp(QStringLiteral("same.bmp"), qRgb(10, 20, 30));
    std::optional<QImage> first = bitmap(path, 96);
    const std::optional<QImage> second = bitmap(path, 96);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->constBits(), second->constBits()); // not decoded twice
    first->setPixel(0, 0, qRgb(255, 0, 0));             // one caller's change stays its own
    EXPECT_EQ(second->pixel(0, 0) | 0xFF000000u, qRgb(10, 20, 30));
}

TEST_F(PictureReuse, VanishedReplacedAndBrokenFilesBehaveAsWithoutReuse)
{
    const QString path = writeBmp(QStringLiteral("cover.bmp"), qRgb(10, 20, 30));
    ASSERT_TRUE(bitmap(path, 96));

    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(bitmap(path, 96).has_value());

    // Rewritten in place at the same size: decoded again.
    writeBmp(QStringLiteral("cover.bmp"), qRgb(200, 100, 50));
    const std::optional<QImage> rewritten = bitmap(path, 96);
    ASSERT_TRUE(rewritten);
    EXPECT_EQ(rewritten->pixel(3, 2) | 0xFF000000u, qRgb(200, 100, 50));

    // Replaced by another file under the same name: decoded again, and found broken.
    const QString other = dir.filePath(QStringLiteral("other.bmp"));
    {
        QFile f(other);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BM this is not a bitmap at all");
    }
    ASSERT_TRUE(
        ::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()) == 0);
    EXPECT_THROW(bitmap(path, 96), plattera::CommandError);
    EXPECT_THROW(bitmap(path, 96), plattera::CommandError);
}

TEST_F(PictureReuse, KeepsTheLastThreeAndThenOnlyWhatTheCoverStillUses)
{
    QImage first[4];
    QString files[4];
    for (int i = 0; i < 4; ++i)
        files[i] = writeBmp(QStringLiteral("%1.bmp").arg(i), qRgb(i, i, i));
    auto load = [&](int i) { return bitmap(files[i], 96)->constBits(); };
    for (int i = 0; i < 3; ++i)
        first[i] = *bitmap(files[i], 96);
    EXPECT_EQ(load(0), first[0].constBits());
    load(3); // 1 is now the least recently used: dropped
    EXPECT_EQ(load(0), first[0].constBits());
    EXPECT_NE(load(1), first[1].constBits());

    store.keepOnly({files[0]});
    EXPECT_EQ(load(0), first[0].constBits());
    EXPECT_NE(load(2), first[2].constBits());
}

TEST_F(PictureReuse, LongDecodesAreAnnouncedAndClosedEvenWhenTheyFail)
{
    std::vector<bool> told;
    store.setLongDecodeNotifier([&](bool busy) { told.push_back(busy); });
    const QString big =
        writeBmp(QStringLiteral("big.bmp"), qRgb(9, 9, 9), 600, 400); // about 700 KiB
    const QString small = writeBmp(QStringLiteral("small.bmp"), qRgb(9, 9, 9));
    bitmap(small, 96);
    EXPECT_TRUE(told.empty());
    bitmap(big, 96);
    EXPECT_EQ(told, (std::vector<bool> {true, false}));
    bitmap(big, 96); // reused: nothing to wait for
    EXPECT_EQ(told.size(), 2u);

    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(2);
        f.write(QByteArray(600 * 1024, char(0xFF))); // a header that makes no sense
    }
    EXPECT_THROW(bitmap(big, 96), plattera::CommandError);
    EXPECT_EQ(told, (std::vector<bool> {true, false, true, false}));
}

// Browsing in the picture dialog decodes each file at preview size and keeps nothing: the
// cover's pictures are still there for the next repaint, and no wait cursor comes up.
TEST_F(PictureReuse, PreviewsLeaveTheCoversPicturesAlone)
{
    std::vector<bool> told;
    store.setLongDecodeNotifier([&](bool busy) { told.push_back(busy); });
    const QString back = writeBmp(QStringLiteral("back.bmp"), qRgb(1, 2, 3));
    const QString front = writeBmp(QStringLiteral("front.bmp"), qRgb(4, 5, 6));
    const auto repaint = [&] { return bitmap(back, 96) && bitmap(front, 96); };
    ASSERT_TRUE(repaint());
    const QString browsed[] = {writeBmp(QStringLiteral("big.bmp"), qRgb(7, 8, 9), 600, 400),
                               QStringLiteral(PLATTERA_TEST_DATA "/jpeg_tall.jpg"),
                               QStringLiteral(PLATTERA_TEST_DATA "/jpeg_baseline.jpg")};
    const int decodesBefore = store.decodeCount();
    for (const QString& file : browsed) {
        const std::optional<PictureThumbnail> preview =
            loadPictureThumbnail(file, QSize(12, 12), 96);
        ASSERT_TRUE(preview) << file.toStdString();
        EXPECT_EQ(preview->size, loadBitmap(file, 96)->size());
        EXPECT_TRUE(preview->thumbnail.width() <= 12 && preview->thumbnail.height() <= 12);
        EXPECT_EQ(preview->thumbnail.format(), QImage::Format_RGB32);
    }
    store.keepOnly({back, front});
    ASSERT_TRUE(repaint());
    EXPECT_EQ(store.decodeCount(), decodesBefore);
    EXPECT_TRUE(told.empty());
}
