#include <gtest/gtest.h>

#include "decoders/decode_result.h"
#include "decoders/metafile_player.h"
#include "support/picture_corpus.h"

using namespace plattera;

namespace {

// Share of the image's pixels that are not white, in percent.
double inkedShare(const QImage& image)
{
    long long inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            inked += (row[x] & 0xffffff) != 0xffffff;
    }
    return 100.0 * double(inked) / (double(image.width()) * image.height());
}

// Real metafiles and the share of their pixels the drawing covers at 96 pixels per inch.
// The diagrams' coordinates, text, paths under world transforms, pattern brushes and
// clipping all count towards these; a record drawn nowhere or everywhere moves them.
struct InkCase {
    const char* file;
    double lowest;  // percent
    double highest; // percent
};

void PrintTo(const InkCase& c, std::ostream* os)
{
    *os << c.file;
}

class MetafileInk : public testing::TestWithParam<InkCase> { };

TEST_P(MetafileInk, DrawingCoversItsShareOfThePicture)
{
    const InkCase& c = GetParam();
    const QByteArray data = readCorpusFile(c.file);
    ASSERT_FALSE(data.isEmpty());
    const DecodeResult result =
        QByteArray(c.file).endsWith(".emf") ? decodeEmf(data, 96) : decodeWmf(data, 96);
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    const double share = inkedShare(result->image);
    EXPECT_GE(share, c.lowest);
    EXPECT_LE(share, c.highest);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, MetafileInk,
    testing::Values(
        InkCase {"emf/libemf2svg_EA-test-file-001.emf", 5, 9}, // UML diagram, anisotropic mapping
        InkCase {"emf/libemf2svg_EA-test-file-012.emf", 5, 9},
        InkCase {"emf/libemf2svg_test-152.emf", 6, 11},  // stroked and filled Bézier path
        InkCase {"emf/libemf2svg_test-166.emf", 2, 4},   // grid of lines and a dot
        InkCase {"emf/libemf2svg_test-182.emf", 50, 80}, // clip paths, world transforms
        InkCase {"emf/libemf2svg_test-065.emf", 4, 8},   // thin cross, not a black square
        InkCase {"emf/libgdiplus_test.emf", 50, 65},     // StretchDIBits photo
        InkCase {"emf/pillow_drawing.emf", 65, 80}, InkCase {"emf/wmf2svg_fulltest.emf", 9, 14},
        InkCase {"wmf/libwmf_formula1.wmf", 14, 22}), // Symbol-font formula
    [](const testing::TestParamInfo<InkCase>& info) {
        std::string name = info.param.file;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST(SymbolFont, CodesBecomeGreekLettersAndOperators)
{
    const QString text =
        metafile::symbolToUnicode(QStringLiteral("abpS") + QChar(0xB3) + QChar(0xF0E5) +
                                  QChar(0xF061) + QStringLiteral("1+"));
    EXPECT_EQ(text, QString::fromUtf8("αβπΣ≥∑α1+"));
}

TEST(SymbolFont, DingbatFacesBecomeTheirOwnSignsOtherFacesKeepTheirCodes)
{
    using metafile::SymbolFace;
    EXPECT_EQ(metafile::symbolFaceNamed(QStringLiteral("WingDings"), 0), SymbolFace::Wingdings);
    EXPECT_EQ(metafile::symbolFaceNamed(QStringLiteral("Marlett"), 2), SymbolFace::Other);
    EXPECT_EQ(
        metafile::symbolFaceToUnicode(QStringLiteral("J") + QChar(0xF04A), SymbolFace::Wingdings),
        QString::fromUtf8("☺☺"));
    EXPECT_EQ(metafile::symbolFaceToUnicode(QStringLiteral("!"), SymbolFace::Wingdings2),
              QString::fromUtf8("🖊"));
    EXPECT_EQ(metafile::symbolFaceToUnicode(QStringLiteral("!"), SymbolFace::Wingdings3),
              QString::fromUtf8("⭠"));
    EXPECT_EQ(metafile::symbolFaceToUnicode(QStringLiteral("!"), SymbolFace::Webdings),
              QString::fromUtf8("🕷"));
    EXPECT_EQ(metafile::symbolFaceToUnicode(QStringLiteral("ab"), SymbolFace::Other),
              QStringLiteral("ab"));
}

} // namespace
