#include <cstdlib>
#include <string>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QtEndian>

#include <gtest/gtest.h>

#include "decoders/decode_result.h"
#include "support/image_assert.h"
#include "support/picture_corpus.h"

using plattera::DecodeResult;
using plattera::decodeWmf;

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

DecodeResult decodeFixture(const char* name, int ppi = 96)
{
    const QByteArray data = readFile(QStringLiteral(PLATTERA_TEST_DATA "/") + QLatin1String(name));
    EXPECT_FALSE(data.isEmpty()) << "fixture missing: " << name
                                 << " (run tests/data/make_wmf_fixtures.py)";
    return decodeWmf(data, ppi);
}

// The bounding box of pixels darker than mid-grey, or an empty rect.
QRect inkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// --- the corpus ---

std::vector<CorpusRow> wmfRows()
{
    std::vector<CorpusRow> rows;
    for (const CorpusRow& row : corpusManifest())
        if (row.format == "wmf" || row.format.empty()) // empty: an unreadable manifest
            rows.push_back(row);
    return rows;
}

class WmfDecoderCorpus : public testing::TestWithParam<CorpusRow> { };

TEST_P(WmfDecoderCorpus, GivesManifestSizeOrError)
{
    const CorpusRow& row = GetParam();
    const QByteArray data = readCorpusFile(row.file);
    ASSERT_FALSE(data.isEmpty());

    const DecodeResult result = decodeWmf(data, 96);
    if (row.expected == "error") {
        EXPECT_FALSE(result.ok());
        EXPECT_FALSE(result.reason().isEmpty());
        return;
    }
    // An "either" row gives the size a reader that decodes it should draw, when known.
    static const QRegularExpression ifDecoded(QStringLiteral("if decoded: (\\d+)x(\\d+)"));
    QSize expected;
    if (row.expected == "either") {
        if (!result.ok()) {
            EXPECT_FALSE(result.reason().isEmpty());
            return;
        }
        const auto match = ifDecoded.match(row.note);
        if (!match.hasMatch())
            return;
        expected = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    } else {
        const auto x = row.expected.find('x');
        expected = QSize(std::atoi(row.expected.substr(0, x).c_str()),
                         std::atoi(row.expected.substr(x + 1).c_str()));
    }
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    EXPECT_EQ(result->image.format(), QImage::Format_RGB32);
    EXPECT_LE(std::abs(result->image.width() - expected.width()), 1)
        << "width " << result->image.width();
    EXPECT_LE(std::abs(result->image.height() - expected.height()), 1)
        << "height " << result->image.height();
}

INSTANTIATE_TEST_SUITE_P(Corpus, WmfDecoderCorpus, testing::ValuesIn(wmfRows()), corpusRowName);

// --- drawing, on fixtures made by tests/data/make_wmf_fixtures.py ---

TEST(WmfDecoder, FilledEllipseIsFilledWithBrushFromReusedSlot)
{
    const DecodeResult result = decodeFixture("wmf_ellipse.wmf");
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    ASSERT_EQ(result->image.size(), QSize(100, 100));
    // The brush created after DeleteObject(0) must sit in slot 0 for SelectObject(0).
    EXPECT_TRUE(AreaIs(result->image, QRect(30, 30, 40, 40), qRgb(255, 0, 0)));
    EXPECT_TRUE(PixelIs(result->image, 15, 50, qRgb(255, 0, 0)));
    EXPECT_TRUE(PixelIs(result->image, 5, 5, qRgb(255, 255, 255)));
    EXPECT_TRUE(PixelIs(result->image, 12, 12, qRgb(255, 255, 255))); // outside the curve
    EXPECT_TRUE(PixelIs(result->image, 10, 50, qRgb(0, 0, 0)));       // black outline
}

class WmfMapping : public testing::TestWithParam<const char*> { };

TEST_P(WmfMapping, RectangleLandsWhereWindowPutsIt)
{
    // Without a placeable header the window extent counts in twips: a pixel at 1440 ppi.
    const bool twips = std::string(GetParam()).find("noplaceable") != std::string::npos;
    const DecodeResult result = decodeFixture(GetParam(), twips ? 1440 : 96);
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    ASSERT_EQ(result->image.size(), QSize(200, 100));
    // Null pen: GDI fills one pixel short of the right and bottom edges.
    EXPECT_TRUE(AreaIs(result->image, QRect(50, 25, 49, 49), qRgb(0, 0, 255)));
    EXPECT_EQ(CountNot(result->image, QRect(0, 0, 200, 25), qRgb(255, 255, 255)), 0);
    EXPECT_EQ(CountNot(result->image, QRect(0, 74, 200, 26), qRgb(255, 255, 255)), 0);
    EXPECT_EQ(CountNot(result->image, QRect(0, 0, 50, 100), qRgb(255, 255, 255)), 0);
    EXPECT_EQ(CountNot(result->image, QRect(99, 0, 101, 100), qRgb(255, 255, 255)), 0);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WmfMapping,
                         testing::Values("wmf_mapping.wmf", "wmf_mapping_flipped.wmf",
                                         "wmf_mapping_noplaceable.wmf"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             return name.substr(4, name.size() - 8);
                         });

TEST(WmfDecoder, StretchDibLandsOnDestinationUnsmoothed)
{
    const DecodeResult result = decodeFixture("wmf_stretchdib.wmf");
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    // Each bitmap pixel is a solid 20x20 square: no blending at the seams.
    EXPECT_TRUE(AreaIs(result->image, QRect(20, 20, 20, 20), qRgb(255, 0, 0)));
    EXPECT_TRUE(AreaIs(result->image, QRect(40, 20, 20, 20), qRgb(0, 255, 0)));
    EXPECT_TRUE(AreaIs(result->image, QRect(20, 40, 20, 20), qRgb(0, 0, 255)));
    EXPECT_TRUE(AreaIs(result->image, QRect(40, 40, 20, 20), qRgb(255, 255, 255)));
    EXPECT_EQ(CountNot(result->image, QRect(0, 0, 100, 20), qRgb(255, 255, 255)), 0);
    EXPECT_EQ(CountNot(result->image, QRect(0, 60, 100, 40), qRgb(255, 255, 255)), 0);
    EXPECT_EQ(CountNot(result->image, QRect(0, 0, 20, 100), qRgb(255, 255, 255)), 0);
}

TEST(WmfDecoder, CentredBaselineTextDrawsAroundItsReferencePoint)
{
    const DecodeResult result = decodeFixture("wmf_text.wmf");
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    const QRect ink = inkBounds(result->image);
    ASSERT_FALSE(ink.isEmpty()) << "no text drawn";
    EXPECT_NEAR(ink.center().x(), 100, 8);
    EXPECT_GE(ink.width(), 50);
    EXPECT_LE(ink.bottom(), 72);   // "Hello" has no descender: it sits on the baseline
    EXPECT_GE(ink.top(), 70 - 40); // within the 40-pixel em above it
    EXPECT_LE(ink.top(), 50);
}

TEST(WmfDecoder, RestoreDcBringsBackSavedPen)
{
    const DecodeResult result = decodeFixture("wmf_savedc.wmf");
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    EXPECT_TRUE(PixelIs(result->image, 50, 10, qRgb(0, 0, 255)));
    EXPECT_TRUE(PixelIs(result->image, 50, 30, qRgb(255, 0, 0))); // RestoreDC(-1)
    EXPECT_TRUE(PixelIs(result->image, 50, 50, qRgb(255, 0, 0))); // RestoreDC(1)
}

// --- bad input ---

// A minimal non-placeable metafile: header, SetWindowExt(w, h), the given records, EOF.
QByteArray tinyMetafile(int w, int h, const QByteArray& records)
{
    QByteArray body;
    const auto put16 = [](QByteArray& out, quint16 v) {
        out.append(char(v & 0xff)).append(char(v >> 8));
    };
    const auto put32 = [&](QByteArray& out, quint32 v) {
        put16(out, quint16(v));
        put16(out, quint16(v >> 16));
    };
    put32(body, 5), put16(body, 0x020C), put16(body, quint16(h)), put16(body, quint16(w));
    body += records;
    put32(body, 3), put16(body, 0);
    QByteArray file;
    put16(file, 1), put16(file, 9), put16(file, 0x0300), put32(file, quint32(9 + body.size() / 2));
    put16(file, 0), put32(file, 5), put16(file, 0);
    return file + body;
}

TEST(WmfDecoder, RejectsDataThatIsNoMetafile)
{
    const QByteArray ellipse = readFile(QStringLiteral(PLATTERA_TEST_DATA "/wmf_ellipse.wmf"));
    ASSERT_FALSE(ellipse.isEmpty());
    QByteArray garbage(4000, '\0');
    std::srand(7);
    for (char& c : garbage)
        c = char(std::rand());
    const QByteArray inputs[] = {
        QByteArray(),
        QByteArray("Read me: this is a text file, not a picture.\n"),
        garbage,
        ellipse.left(30),                  // inside the header
        ellipse.left(ellipse.size() - 12), // inside the ellipse record
    };
    for (const QByteArray& input : inputs) {
        const DecodeResult result = decodeWmf(input, 96);
        EXPECT_FALSE(result.ok()) << "accepted " << input.size() << " bytes";
        EXPECT_FALSE(result.reason().isEmpty());
    }
}

TEST(WmfDecoder, RejectsRecordOfZeroSizeInsteadOfLooping)
{
    const QByteArray zeroRecord("\0\0\0\0\x18\x04", 6);
    const DecodeResult result = decodeWmf(tinyMetafile(10, 10, zeroRecord), 96);
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.reason().isEmpty());
}

TEST(WmfDecoder, RejectsEmptyAndHugeSizes)
{
    // The window extent is in twips: at 1440 ppi one unit is one pixel.
    EXPECT_FALSE(decodeWmf(tinyMetafile(0, 50, {}), 1440).ok());
    // 900 megapixels claimed: drawn at the largest size a picture is used at, square still.
    const DecodeResult huge = decodeWmf(tinyMetafile(30000, 30000, {}), 1440);
    ASSERT_TRUE(huge.ok()) << huge.reason().toStdString();
    EXPECT_EQ(huge->image.size(), QSize(2900, 2900));
    const DecodeResult small = decodeWmf(tinyMetafile(-30, 20, {}), 1440);
    ASSERT_TRUE(small.ok()) << small.reason().toStdString();
    EXPECT_EQ(small->image.size(), QSize(30, 20));
}

TEST(WmfDecoder, IgnoresRecordsThatNameMissingObjectsOrLieAboutLengths)
{
    QByteArray records;
    // SelectObject(40) and DeleteObject(9) with an empty object table.
    records += QByteArray("\x04\0\0\0\x2d\x01\x28\0", 8);
    records += QByteArray("\x04\0\0\0\xf0\x01\x09\0", 8);
    // Polygon claiming 5000 points in a 10-byte record.
    records += QByteArray("\x05\0\0\0\x24\x03\x88\x13\0\0", 10);
    // TextOut claiming 3000 characters.
    records += QByteArray("\x06\0\0\0\x21\x05\xb8\x0b\x41\x41\0\0", 12);
    const DecodeResult result = decodeWmf(tinyMetafile(20, 20, records), 96);
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    EXPECT_EQ(CountNot(result->image, result->image.rect(), qRgb(255, 255, 255)), 0);
}

} // namespace
