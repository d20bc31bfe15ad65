#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decoders/decode_result.h"
#include "support/image_assert.h"
#include "support/picture_corpus.h"

using namespace plattera;

namespace {

// Real metafiles and what a reference renderer shows in them, at 96 pixels per inch: pixels
// of about a colour, and areas that must hold (or must not hold) some ink.
struct Probe {
    QPoint at;
    QRgb near;
};
struct InkArea {
    QRect area;
    double lowest; // percent of the area's pixels unlike its corner's colour
    double highest;
};
struct ReferenceCase {
    const char* file;
    QSize size; // unchecked when invalid: it depends on the fonts at hand
    std::vector<Probe> probes;
    std::vector<InkArea> ink;
};

void PrintTo(const ReferenceCase& c, std::ostream* os)
{
    *os << c.file;
}

double inkIn(const QImage& image, const QRect& area)
{
    const QRgb paper = image.pixel(area.topLeft());
    const int total = area.width() * area.height();
    return total ? 100.0 * CountNot(image, area, paper) / total : 0;
}

class MetafileReference : public testing::TestWithParam<ReferenceCase> { };

TEST_P(MetafileReference, ShowsWhatTheReferenceShows)
{
    const ReferenceCase& c = GetParam();
    const QByteArray data = readCorpusFile(c.file);
    ASSERT_FALSE(data.isEmpty());
    const DecodeResult result =
        QByteArray(c.file).endsWith(".emf") ? decodeEmf(data, 96) : decodeWmf(data, 96);
    ASSERT_TRUE(result.ok()) << result.reason().toStdString();
    if (c.size.isValid()) {
        EXPECT_EQ(result->image.size(), c.size);
    }
    for (const Probe& p : c.probes) {
        const QRgb got = result->image.pixel(p.at);
        EXPECT_LE(std::abs(qRed(got) - qRed(p.near)) + std::abs(qGreen(got) - qGreen(p.near)) +
                      std::abs(qBlue(got) - qBlue(p.near)),
                  96)
            << "at (" << p.at.x() << ", " << p.at.y() << ") " << ColourName(got).toStdString()
            << " is not near " << ColourName(p.near).toStdString();
    }
    for (const InkArea& a : c.ink) {
        const double share = inkIn(result->image, a.area);
        EXPECT_GE(share, a.lowest) << "in " << testing::PrintToString(a.area);
        EXPECT_LE(share, a.highest) << "in " << testing::PrintToString(a.area);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, MetafileReference,
    testing::Values(
        // Gradient triangles blend their corners: red, green and blue.
        ReferenceCase {"emf/libuemf_test_libuemf_ref.emf",
                       {1122, 794},
                       {{{9, 336}, qRgb(255, 0, 0)},
                        {{21, 336}, qRgb(0, 255, 0)},
                        {{15, 349}, qRgb(0, 0, 255)}},
                       {}},
        // The frame places the drawing; bounds that count a stroke's overhang, or are
        // written in logical units, do not shrink it.
        ReferenceCase {"emf/pillow_drawing.emf",
                       {110, 110},
                       {{{5, 55}, qRgb(255, 0, 0)}, {{55, 5}, qRgb(255, 0, 0)}},
                       {}},
        // ... and its poly-text panel holds text, its region panel a framed, filled region.
        ReferenceCase {"emf/wmf2svg_fulltest.emf",
                       {1056, 792},
                       {{{37, 450}, qRgb(0, 0, 0)}, {{41, 450}, qRgb(205, 235, 205)}},
                       {{QRect(700, 530, 350, 250), 3, 10}, {QRect(215, 585, 25, 70), 6, 25}}},
        // Without a placeable header: the window extent in twips, or else what is drawn.
        ReferenceCase {
            "wmf/libwmf_p0000001.wmf", {320, 120}, {}, {{QRect(200, 0, 120, 120), 8, 16}}},
        ReferenceCase {"wmf/libwmf_text.wmf", {}, {}, {{QRect(0, 0, 100, 300), 15, 35}}},
        // Old-style bitmaps: a monochrome pattern takes the text colour, and the row of
        // BitBlt bitmaps is drawn.
        ReferenceCase {"wmf/libuemf_test_libuemf_ref.wmf",
                       {1122, 794},
                       {{{465, 375}, qRgb(255, 0, 255)}},
                       {{QRect(430, 432, 130, 16), 40, 80}}},
        // A pattern-style brush that holds a DIB all the same keeps its pattern.
        ReferenceCase {
            "wmf/libwmf_fulltest.wmf", {1056, 816}, {}, {{QRect(361, 615, 32, 28), 5, 25}}},
        // The Wingdings table shows dense dingbats, not the thin letters of the Symbol table.
        ReferenceCase {"wmf/wmf2svg_symbol-font-tables.wmf",
                       {567, 503},
                       {},
                       {{QRect(325, 60, 230, 190), 32, 45}}}),
    [](const testing::TestParamInfo<ReferenceCase>& info) {
        std::string name = info.param.file;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

} // namespace
