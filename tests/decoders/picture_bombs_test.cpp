#include <future>
#include <utility>

#include <sys/resource.h>

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "decoders/decode_result.h"
#include "support/image_assert.h"
#include "support/picture_bombs.h"
#include "support/picture_writers.h"

using namespace plattera;

namespace {

constexpr QRgb kInk = 0xff285aa0, kWhite = 0xffffffff;
const QSize kHuge(14142, 14142), kLargest(3600, 2900); // 200 megapixels, just within the limit

// A file, its reader, what it decodes to: size, bottom-right pixel (0: any), not all white.
struct Bomb {
    const char* name;
    QByteArray file;
    DecodeResult (*decode)(const QByteArray&);
    QSize size;
    QRgb bottomRight;
    QSize own = kHuge; // the picture's own size when it comes at kLargest
};

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(PLATTERA_TEST_DATA "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The fixture (frames: 4 x 4 at (2, 2) of an 8 x 8 canvas, then 8 x 8) on `canvas`, + `after`.
QByteArray animatedWebp(QSize canvas, const QByteArray& after)
{
    QByteArray webp = fixture("webp_frame_offset.webp") + after;
    for (int i = 0; i < 3; ++i) {
        webp[24 + i] = char((canvas.width() - 1) >> (8 * i));
        webp[27 + i] = char((canvas.height() - 1) >> (8 * i));
    }
    for (int i = 0; i < 4; ++i)
        webp[4 + i] = char((webp.size() - 8) >> (8 * i));
    return webp;
}

// Each decodes within 30 seconds (a hang fails) and 300 MiB more memory at the peak.
void expectDecoded(std::initializer_list<Bomb> bombs)
{
    for (const Bomb& bomb : bombs) {
        SCOPED_TRACE(bomb.name);
        rusage before {}, after {};
        getrusage(RUSAGE_SELF, &before);
        auto decoding = std::async(std::launch::async, bomb.decode, bomb.file);
        ASSERT_EQ(decoding.wait_for(std::chrono::seconds(30)), std::future_status::ready);
        const DecodeResult result = decoding.get();
        getrusage(RUSAGE_SELF, &after);
        EXPECT_LT((after.ru_maxrss - before.ru_maxrss) / 1024, 300);
        ASSERT_EQ(result->image.size(), bomb.size) << result.reason().toStdString();
        EXPECT_EQ(result->sourceSize, bomb.size == kLargest ? bomb.own : QSize());
        EXPECT_TRUE(bomb.own != kHuge || CountNot(result->image, result->image.rect(), kWhite));
        EXPECT_TRUE(bomb.bottomRight == 0 ||
                    PixelIs(result->image, bomb.size.width() - 1, bomb.size.height() - 1,
                            bomb.bottomRight));
    }
}

// 50 KB and 3 KB, each would hold 763 MiB at its own size and print a 75 MB PDF. Read row by
// row (an interlaced picture's sums take 120 MiB), they come at the largest place's size.
TEST(PictureBombs, HugePicturesDecodeAtTheSizeTheLargestPlaceNeeds)
{
    expectDecoded(
        {{"png", dotPng(kHuge, false, kWhite, kInk), decodePng, kLargest, kInk},
         {"interlaced", dotPng(kHuge, true, kWhite, kInk), decodePng, kLargest, kInk},
         {"webp", animatedWebp(kHuge, QByteArray("PADD\x80\x0c\0\0", 8) + QByteArray(3200, 0)),
          decodeWebp, kLargest, kWhite}});
}

// After the picture: data inflating to 64 GiB more (minutes to walk), another frame header, a
// damaged frame. The picture is read from what it needs and no further.
TEST(PictureBombs, DataAfterThePictureIsNeverRead)
{
    const QByteArray jpeg = fixture("jpeg_baseline.jpg");
    const QByteArray frame = QByteArray::fromHex("ffc0000b080010001001011100"),
                     junk("ANMF\4\0\0\0junk", 12);
    expectDecoded(
        {{"png", dotPng({1, 1}, false, kInk, kWhite, 64LL << 30), decodePng, {1, 1}, kInk},
         {"jpeg", QByteArray(jpeg).insert(jpeg.size() - 2, frame), decodeJpeg, {16, 16}, 0},
         {"webp", animatedWebp({8, 8}, junk), decodeWebp, {8, 8}, kWhite}});
}

// A one-pixel dot covers a quarter of the result's first pixel, which takes a quarter of its
// colour: dropping rows and columns would have shown it whole or lost it.
TEST(PictureBombs, ShrinkingAveragesTheAreaEachPixelCovers)
{
    const DecodeResult result = decodePng(dotPng({7200, 5800}, false, kInk, kWhite));
    ASSERT_EQ(result->image.size(), kLargest) << result.reason().toStdString();
    EXPECT_TRUE(PixelIs(result->image, 0, 0, qRgb(201, 214, 231)));
    EXPECT_TRUE(PixelIs(result->image, 1, 0, kWhite));
}

// A JPEG larger than the largest place is read at that place's size, never whole: 65,500 x
// 3,000 took 786 MB; a photo is read at 7/8 by the DCT, then averaged.
TEST(PictureBombs, LargeJpegsDecodeAtTheSizeTheLargestPlaceNeeds)
{
    QTemporaryDir dir;
    for (const QSize own : {QSize(65500, 3000), QSize(4200, 3400)}) {
        const QString path = dir.filePath(QStringLiteral("%1.jpg").arg(own.width()));
        QFile file(own.height() == 3000 ? writeWhiteJpeg(path, own.width(), own.height())
                                        : writePhotoJpeg(path, own.width(), own.height(), 7));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        expectDecoded({{"jpeg", file.readAll(), decodeJpeg, kLargest, 0, own}});
    }
}

// A 16-bit PNG without colour information is sRGB: 30969 is 121 (value / 257, rounded), not
// linear light's 181, and reduced as it is read it averages as its 8-bit twin does.
TEST(PictureBombs, SixteenBitPngsShowTheirSamplesAsSrgb)
{
    const auto png = [](const QImage& image) {
        QBuffer bytes;
        bytes.open(QIODevice::WriteOnly);
        image.save(&bytes, "PNG");
        return decodePng(bytes.data())->image;
    };
    for (const auto& [format, size] : {std::pair {QImage::Format_Grayscale16, QSize(4, 2)},
                                       std::pair {QImage::Format_RGBX64, QSize(4, 2)},
                                       std::pair {QImage::Format_RGBA64, QSize(5003, 3001)}}) {
        QImage striped(size, format); // odd columns black
        striped.fill(QColor::fromRgba64(30969, 30969, 30969));
        QPainter painter(&striped);
        for (int x = 1; x < size.width(); x += 2)
            painter.fillRect(x, 0, 1, size.height(), Qt::black);
        painter.end();
        EXPECT_TRUE(ImagesEqual(png(striped), png(striped.convertToFormat(QImage::Format_RGB32))));
    }
}

} // namespace
