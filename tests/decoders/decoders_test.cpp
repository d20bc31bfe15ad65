#include <functional>
#include <tuple>

#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>
#include <zlib.h>

#include "decoders/decode_result.h"
#include "support/image_assert.h"

using namespace plattera;

namespace {

// The fixtures are quadrant pictures: red | lime over blue | white (tests/data/make_fixtures.sh).
constexpr QRgb kRed = 0xffff0000, kLime = 0xff00ff00, kBlue = 0xff0000ff, kWhite = 0xffffffff,
               kBlack = 0xff000000;

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(PLATTERA_TEST_DATA "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "missing fixture " << name;
    return file.readAll();
}

::testing::AssertionResult PixelNear(const QImage& image, int x, int y, QRgb expected,
                                     int tolerance)
{
    if (!image.valid(x, y))
        return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is outside the image";
    const QRgb actual = image.pixel(x, y);
    const int worst = std::max({std::abs(qRed(actual) - qRed(expected)),
                                std::abs(qGreen(actual) - qGreen(expected)),
                                std::abs(qBlue(actual) - qBlue(expected))});
    if (worst <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << "pixel (" << x << ", " << y << ") is " << ColourName(actual).toStdString()
        << ", expected " << ColourName(expected).toStdString();
}

// Checks the centre of each quadrant of a quadrant picture.
void ExpectQuadrants(const DecodeResult& result, int width, int height, int tolerance)
{
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    ASSERT_EQ(result->image.size(), QSize(width, height));
    EXPECT_EQ(result->image.format(), QImage::Format_RGB32);
    const int qx = width / 4, qy = height / 4;
    EXPECT_TRUE(PixelNear(result->image, qx, qy, kRed, tolerance));
    EXPECT_TRUE(PixelNear(result->image, width - 1 - qx, qy, kLime, tolerance));
    EXPECT_TRUE(PixelNear(result->image, qx, height - 1 - qy, kBlue, tolerance));
    EXPECT_TRUE(PixelNear(result->image, width - 1 - qx, height - 1 - qy, kWhite, tolerance));
}

TEST(JpegDecoder, ReadsBaselineProgressiveAndCmyk)
{
    ExpectQuadrants(decodeJpeg(fixture("jpeg_baseline.jpg")), 16, 16, 8);
    ExpectQuadrants(decodeJpeg(fixture("jpeg_progressive.jpg")), 16, 16, 8);
    ExpectQuadrants(decodeJpeg(fixture("jpeg_cmyk.jpg")), 16, 16, 12);
}

TEST(JpegDecoder, GreyscaleExpandsToGreyPixels)
{
    const DecodeResult grey = decodeJpeg(fixture("jpeg_grey.jpg"));
    ASSERT_TRUE(grey.ok()) << grey.reason().toStdString();
    ASSERT_EQ(grey->image.size(), QSize(16, 16));
    const QRgb red = grey->image.pixel(4, 4);
    EXPECT_EQ(qRed(red), qGreen(red));
    EXPECT_EQ(qRed(red), qBlue(red));
    EXPECT_NEAR(qRed(red), 54, 8); // red's luma
    EXPECT_TRUE(PixelNear(grey->image, 12, 12, kWhite, 8));
}

TEST(JpegDecoder, TruncatedDataShowsTheDecodedPart)
{
    const QByteArray whole = fixture("jpeg_tall.jpg");
    const DecodeResult cut = decodeJpeg(whole.left(whole.size() * 2 / 3));
    ASSERT_TRUE(cut.ok()) << cut.reason().toStdString();
    EXPECT_EQ(cut->image.size(), QSize(32, 256));
    EXPECT_TRUE(PixelNear(cut->image, 4, 4, kRed, 8));
    EXPECT_TRUE(PixelNear(cut->image, 28, 4, kLime, 8));
}

TEST(JpegDecoder, CorruptHeaderFailsWithLibjpegsMessage)
{
    QByteArray broken = fixture("jpeg_baseline.jpg");
    const qsizetype sos = broken.indexOf(QByteArray("\xff\xda", 2));
    ASSERT_GT(sos, 0);
    broken[sos + 5] = char(0x5d); // a component id the frame does not have
    const DecodeResult result = decodeJpeg(broken);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.reason().contains("component")) << result.reason().toStdString();
}

TEST(JpegDecoder, AbsurdFrameSizeIsRefusedBeforeDecoding)
{
    QByteArray huge = fixture("jpeg_baseline.jpg");
    const qsizetype sof = huge.indexOf(QByteArray("\xff\xc0", 2));
    ASSERT_GT(sof, 0);
    for (int i : {5, 7}) { // height, width: 65500
        huge[sof + i] = char(0xff);
        huge[sof + i + 1] = char(0xdc);
    }
    const DecodeResult result = decodeJpeg(huge);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.reason().contains("too large")) << result.reason().toStdString();
}

TEST(GifDecoder, FirstFrameSitsOnAWhiteLogicalScreen)
{
    const DecodeResult result = decodeGif(fixture("gif_frame_offset.gif"));
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    ASSERT_EQ(result->image.size(), QSize(10, 6));
    EXPECT_TRUE(AreaIs(result->image, QRect(3, 2, 4, 2), kRed));
    EXPECT_EQ(CountNot(result->image, result->image.rect(), kWhite), 8);
}

TEST(GifDecoder, InterlacedRowsAndTransparencyAsWhite)
{
    const DecodeResult result = decodeGif(fixture("gif_interlaced_transparent.gif"));
    ExpectQuadrants(result, 16, 16, 0);
    EXPECT_TRUE(AreaIs(result->image, QRect(0, 0, 4, 4), kWhite));
    EXPECT_TRUE(PixelIs(result->image, 4, 0, kRed));
    EXPECT_TRUE(PixelIs(result->image, 0, 7, kRed));
    EXPECT_TRUE(PixelIs(result->image, 0, 8, kBlue));
}

TEST(GifDecoder, LocalColourTableWithoutGlobalOne)
{
    ExpectQuadrants(decodeGif(fixture("gif_local_colours.gif")), 4, 4, 0);
}

TEST(BmpDecoder, ReadsEveryDepthAndLayout)
{
    for (const char* name : {"bmp_pal8_rle8.bmp", "bmp_rgb565.bmp", "bmp_rgb32.bmp",
                             "bmp_topdown24.bmp", "bmp_os2_4bit.bmp", "bmp_rle4.bmp"}) {
        SCOPED_TRACE(name);
        ExpectQuadrants(decodeBmp(fixture(name)), 8, 8, 0);
    }
    const DecodeResult mono = decodeBmp(fixture("bmp_1bit.bmp"));
    ASSERT_TRUE(mono.ok()) << mono.reason().toStdString();
    EXPECT_TRUE(AreaIs(mono->image, QRect(0, 0, 4, 4), kBlack));
    EXPECT_EQ(CountNot(mono->image, mono->image.rect(), kWhite), 16);
}

// A bottom-up 8-bit RLE bitmap of that size whose data ends the picture at once.
QByteArray emptyRleBitmap(int width, int height)
{
    QByteArray bmp(14 + 40 + 8 + 2, '\0');
    auto put32 = [&](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = char((v >> (8 * i)) & 0xff);
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, quint32(bmp.size()));
    put32(10, 14 + 40 + 8);
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(height));
    bmp[26] = 1;              // planes
    bmp[28] = 8;              // bits per pixel
    put32(30, 1);             // RLE8
    put32(46, 2);             // colours used
    bmp[14 + 40 + 8 + 1] = 1; // end of bitmap
    return bmp;
}

TEST(BmpDecoder, SizeLimitsAreEnforcedFromTheHeader)
{
    EXPECT_TRUE(
        decodeBmp(emptyRleBitmap(65535, 65535)).reason().contains("at most 65535 on a side") ||
        decodeBmp(emptyRleBitmap(65535, 65535)).reason().contains("megapixels"));
    EXPECT_TRUE(decodeBmp(emptyRleBitmap(70000, 2)).reason().contains("on a side"));
    EXPECT_TRUE(decodeBmp(emptyRleBitmap(14143, 14143)).reason().contains("200 megapixels"));
    // A 200-megapixel picture still loads.
    const DecodeResult big = decodeBmp(emptyRleBitmap(14142, 14142));
    ASSERT_TRUE(big.ok()) << big.reason().toStdString();
    EXPECT_EQ(big->image.size(), QSize(14142, 14142));
    EXPECT_TRUE(PixelIs(big->image, 14141, 14141, kWhite));
}

TEST(IcoDecoder, LargestImageWithTransparencyOverWhite)
{
    const DecodeResult icon = decodeIco(fixture("ico_two_sizes.ico"));
    ExpectQuadrants(icon, 32, 32, 0);
    EXPECT_TRUE(AreaIs(icon->image, QRect(0, 0, 8, 8), kWhite));
    EXPECT_TRUE(PixelIs(icon->image, 8, 8, kRed));
    ExpectQuadrants(decodeIco(fixture("ico_png_entry.ico")), 256, 256, 0);
}

TEST(EmfDecoder, DrawsAtTheFrameSizeInPixels)
{
    const QByteArray emf = fixture("emf_two_shapes.emf");
    const DecodeResult at96 = decodeEmf(emf, 96);
    ASSERT_TRUE(at96.ok()) << at96.reason().toStdString();
    EXPECT_EQ(at96->image.size(), QSize(96, 48));
    EXPECT_TRUE(PixelIs(at96->image, 20, 24, kRed));
    EXPECT_TRUE(PixelIs(at96->image, 72, 24, kBlue));
    EXPECT_TRUE(PixelIs(at96->image, 92, 4, kWhite));

    const DecodeResult at144 = decodeEmf(emf, 144);
    ASSERT_TRUE(at144.ok()) << at144.reason().toStdString();
    EXPECT_EQ(at144->image.size(), QSize(144, 72));
    EXPECT_TRUE(PixelIs(at144->image, 108, 36, kBlue));
}

TEST(PngWebpDecoders, FirstFrameWithTransparencyOverWhite)
{
    // Quadrant fixtures, with the transparent corner that must come out white.
    for (const auto& [name, size, tolerance, clear] :
         {std::tuple {"png_palette_trns.png", 8, 0, QRect(0, 0, 1, 1)},
          std::tuple {"png_animated.png", 8, 0, QRect()},
          std::tuple {"png_hidden_default.png", 8, 0, QRect()},
          std::tuple {"webp_lossless_alpha.webp", 8, 0, QRect(0, 0, 2, 2)},
          std::tuple {"webp_lossy.webp", 16, 12, QRect()}}) {
        SCOPED_TRACE(name);
        const DecodeResult result = QByteArray(name).endsWith(".png") ? decodePng(fixture(name))
                                                                      : decodeWebp(fixture(name));
        ExpectQuadrants(result, size, size, tolerance);
        EXPECT_TRUE(clear.isEmpty() || AreaIs(result->image, clear, kWhite));
    }
    EXPECT_TRUE(
        PixelIs(decodePng(fixture("png_half_alpha.png"))->image, 1, 1, qRgb(255, 127, 127)));
    const DecodeResult offset = decodeWebp(fixture("webp_frame_offset.webp"));
    EXPECT_TRUE(AreaIs(offset->image, QRect(2, 2, 4, 4), kRed));
    EXPECT_EQ(CountNot(offset->image, offset->image.rect(), kWhite), 16);
}

TEST(PngWebpDecoders, PublicTestFilesMatchAnotherReader)
{
    for (const char* name : {"png_libpng_pngtest.png", "png_cpython_python.png"}) {
        const QImage qt = QImage::fromData(fixture(name)),
                     ours = decodePng(fixture(name))->image; // Qt's own reader
        QImage overWhite = allocateWhiteImage(qt.width(), qt.height());
        QPainter(&overWhite).drawImage(0, 0, qt);
        EXPECT_TRUE(ImagesEqual(ours, overWhite)) << name;
    }
    // The same picture as CPython's PNG, lossily compressed: single pixels are off by up to 105,
    // yet close on average (swapped red and blue would be 78 off).
    const QImage webp = decodeWebp(fixture("webp_cpython_python.webp"))->image,
                 png = decodePng(fixture("png_cpython_python.png"))->image;
    ASSERT_EQ(webp.size(), QSize(16, 16));
    double off = 0;
    for (int i = 0; i < 256; ++i) {
        const QRgb w = webp.pixel(i % 16, i / 16), p = png.pixel(i % 16, i / 16);
        off += std::max({std::abs(qRed(w) - qRed(p)), std::abs(qGreen(w) - qGreen(p)),
                         std::abs(qBlue(w) - qBlue(p))}) /
            256.0;
    }
    EXPECT_LT(off, 20);
}

TEST(PngWebpDecoders, HeadersClaimingTooMuchAreRefused)
{
    QByteArray png = fixture("png_half_alpha.png"); // IHDR: 20000 x 10000, its CRC made good again
    png.replace(16, 8, QByteArray::fromHex("00004e2000002710"));
    const auto crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17));
    png.replace(29, 4, QByteArray::fromHex(QByteArray::number(crc, 16).rightJustified(8, '0')));
    EXPECT_TRUE(decodePng(png).reason().contains("bytes can hold"))
        << decodePng(png).reason().toStdString();
    // Found by fuzzing: libpng took 1.9 GB for a text chunk that claimed it, before reading it.
    const QByteArray text =
        fixture("png_half_alpha.png").insert(33, QByteArray::fromHex("7400000074455874"));
    EXPECT_TRUE(decodePng(text).reason().contains("more than the file holds"))
        << decodePng(text).reason().toStdString();
    const QByteArray webp = fixture("webp_lossless_alpha.webp")
                                .replace(21, 4, QByteArray::fromHex("ffffff0f")); // 16384 x 16384
    EXPECT_TRUE(decodeWebp(webp).reason().contains("too large"))
        << decodeWebp(webp).reason().toStdString();
}

// Every decoder turns damaged input into a message: cut at several points, or garbage.
struct DamageCase {
    const char* name;
    const char* fixture;
    std::function<DecodeResult(const QByteArray&)> decode;
};

void PrintTo(const DamageCase& c, std::ostream* os)
{
    *os << c.name;
}

class DamagedInput : public testing::TestWithParam<DamageCase> { };

TEST_P(DamagedInput, FailsWithAMessageNeverACrash)
{
    const DamageCase& c = GetParam();
    const QByteArray whole = fixture(c.fixture);
    for (qsizetype cut :
         {qsizetype(0), qsizetype(1), qsizetype(7), qsizetype(20), whole.size() / 3}) {
        const DecodeResult result = c.decode(whole.left(cut));
        if (!result.ok()) {
            EXPECT_FALSE(result.reason().isEmpty()) << "cut at " << cut;
        }
    }
    for (qsizetype cut : {qsizetype(0), qsizetype(1), qsizetype(7)})
        EXPECT_FALSE(c.decode(whole.left(cut)).ok()) << "cut at " << cut;

    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919 + 13) % 251);
    const DecodeResult junk = c.decode(garbage);
    EXPECT_FALSE(junk.ok());
    EXPECT_FALSE(junk.reason().isEmpty());

    // The right signature followed by noise.
    QByteArray noisy = whole.left(12) + garbage;
    const DecodeResult result = c.decode(noisy);
    if (!result.ok()) {
        EXPECT_FALSE(result.reason().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Decoders, DamagedInput,
    testing::Values(DamageCase {"jpeg", "jpeg_progressive.jpg", decodeJpeg},
                    DamageCase {"gif", "gif_interlaced_transparent.gif", decodeGif},
                    DamageCase {"bmp", "bmp_rgb565.bmp", decodeBmp},
                    DamageCase {"ico", "ico_two_sizes.ico", decodeIco},
                    DamageCase {"png", "png_libpng_pngtest.png", decodePng},
                    DamageCase {"webp", "webp_cpython_python.webp", decodeWebp},
                    DamageCase {"emf", "emf_two_shapes.emf",
                                [](const QByteArray& d) { return decodeEmf(d, 96); }}),
    [](const testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

TEST(PictureSize, LimitsOnSidesAndArea)
{
    EXPECT_TRUE(checkPictureSize(65535, 1).ok());
    EXPECT_TRUE(checkPictureSize(16320, 12240).ok()); // a 200-megapixel phone photo
    EXPECT_TRUE(checkPictureSize(20000, 10000).ok());
    EXPECT_FALSE(checkPictureSize(20000, 10001).ok());
    EXPECT_FALSE(checkPictureSize(65536, 1).ok());
    EXPECT_FALSE(checkPictureSize(0, 10).ok());
    EXPECT_FALSE(checkPictureSize(10, -1).ok());
    EXPECT_FALSE(checkPictureSize(3000000, 2000000).ok());
}

TEST(IcoDecoder, PngEntryClaimingAbsurdSizeIsRefused)
{
    // Found by fuzzing: a PNG entry whose header claimed 3858745276 x 3170879675 overflowed
    // the area used to pick the largest image.
    // Directory of one entry (29 bytes at offset 22), then a PNG signature and IHDR only.
    const QByteArray icon = QByteArray::fromHex("000001000100"
                                                "0000000000000000"
                                                "1d000000"
                                                "16000000");
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a"
                                               "0000000d49484452"
                                               "e6000000"
                                               "bd000000"
                                               "0806000000");
    const DecodeResult result = decodeIco(icon + png);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.reason().contains(QLatin1String("too large")))
        << result.reason().toStdString();
}

TEST(PictureSize, TinyFilesCannotClaimHugePictures)
{
    // Found by fuzzing: 32 bytes of progressive JPEG whose frame claims 2810 x 64250 pixels,
    // which cost 720 MB and seconds of filling before the missing data was noticed.
    const QByteArray tiny = QByteArray::fromBase64("/9gU/8IAEQj6+gr6AwERAAIRAQMRAP/aAAgBAQAs334=");
    const DecodeResult result = decodeJpeg(tiny);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.reason().contains(QLatin1String("more than its 32 bytes")))
        << result.reason().toStdString();

    EXPECT_TRUE(checkPictureSize(16320, 12240, 4096).ok());
    EXPECT_FALSE(checkPictureSize(16320, 12240, 1024).ok());
}

} // namespace
