#include <utility>

#include <QFontMetricsF>
#include <QRegion>

#include <gtest/gtest.h>

#include "print/print_cover.h"
#include "print/print_job.h"
#include "printed_page.h"
#include "support/image_assert.h"

using namespace plattera;

namespace {

class PrintCoverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!PrintedPage::canRasterise())
            GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
        state.shownTexts.artist = QStringLiteral("HHH");
        state.shownTexts.title = QStringLiteral("HHH");
    }
    const QImage& print()
    {
        printCoverJob(page.printer, state, inputs);
        page.rasterise();
        EXPECT_EQ(page.pages, 1);
        return page.image;
    }
    void noOutlines() { inputs.backOutline = inputs.frontOutline = inputs.verticalLines = false; }
    // Positions of red pixels along a one-pixel row or column.
    QList<int> redAlong(const QRect& strip) const
    {
        QList<int> at;
        for (int y = strip.top(); y <= strip.bottom(); ++y)
            for (int x = strip.left(); x <= strip.right(); ++x)
                if (PrintedPage::isRed(page.image.pixel(x, y)))
                    at << (strip.width() == 1 ? y : x);
        return at;
    }
    // Metrics of the 50-point face, for where glyphs sit inside their cells.
    static QFontMetricsF arial50()
    {
        QFont f(QStringLiteral("arial"));
        f.setPixelSize(417);
        f.setHintingPreference(QFont::PreferNoHinting);
        return QFontMetricsF(f);
    }

    PrintedPage page;
    EditorState state;
    CoverInputs inputs;
};

TEST_F(PrintCoverTest, OutlinesLandOnTheirTenthsOfMillimetres)
{
    state.outlineColour = 0x0000FF; // red
    inputs.backOutline = false;
    print();
    // Without the back outline the fold lines and the front outline are still drawn.
    EXPECT_EQ(redAlong(QRect(0, 600, 1800, 1)), QList<int>({260, 1640}));
    EXPECT_EQ(redAlong(QRect(1000, 0, 1, 2600)), QList<int>({1300, 2499}));

    inputs.backOutline = true;
    print();
    // Back insert 150.0 x 117.5 mm, fold lines 6.0 mm in, front 121.0 x 120.0 mm 2.5 mm lower.
    EXPECT_EQ(redAlong(QRect(0, 600, 1800, 1)), QList<int>({200, 260, 1640, 1699}));
    EXPECT_EQ(redAlong(QRect(0, 1800, 1800, 1)), QList<int>({200, 1409}));
    EXPECT_EQ(redAlong(QRect(1000, 0, 1, 2600)), QList<int>({100, 1274, 1300, 2499}));
    EXPECT_EQ(page.find(QRect(260, 0, 1, 1290), PrintedPage::isRed),
              QRect(QPoint(260, 100), QPoint(260, 1274)));
    EXPECT_EQ(page.find(QRect(0, 0, 1800, 2600), PrintedPage::isRed),
              QRect(QPoint(200, 100), QPoint(1699, 2499)));
}

TEST_F(PrintCoverTest, TextsOnlyOnceLaidOutAndFrontTextOnlyWhenWanted)
{
    noOutlines();
    state.shownTexts.tracks = {QStringLiteral("H")};
    print();
    EXPECT_TRUE(page.find(page.image.rect()).isNull()) << "text before Continue";

    state.textLaidOut = true;
    state.backFont.setColour(0x0000FF);
    state.frontFont.setColour(0xFF0000);
    print();
    EXPECT_FALSE(page.find(QRect(0, 1300, 1800, 1300), PrintedPage::isBlue).isNull());
    inputs.noFrontText = true;
    print();
    EXPECT_TRUE(page.find(QRect(0, 1300, 1800, 1300)).isNull()) << "front text despite the box";
    // Both spines in the back face's colour, with or without the front text.
    EXPECT_FALSE(page.find(QRect(200, 100, 60, 1175), PrintedPage::isRed).isNull());
    EXPECT_FALSE(page.find(QRect(1640, 100, 60, 1175), PrintedPage::isRed).isNull());
}

TEST_F(PrintCoverTest, TracksStartAt30mmOrCentreOn95mm)
{
    noOutlines();
    state.textLaidOut = true;
    inputs.noFrontText = true;
    state.shownTexts.tracks = {QStringLiteral("HH"), QStringLiteral("HHHH")};
    const QFontMetricsF fm = arial50();
    print();
    // Two short lines keep 50 points: the capital's top lies (ascent - cap height) below 10.5 mm.
    const QRect ink = page.find(QRect(262, 100, 1376, 1175));
    EXPECT_NEAR(ink.left(), 300 + fm.leftBearing('H'), 1.0);
    EXPECT_NEAR(ink.top(), 105 + fm.ascent() - fm.capHeight(), 1.0);
    EXPECT_NEAR(ink.bottom() + 1, 105 + 2 * (fm.ascent() + fm.descent()) - fm.descent(), 1.5);

    state.centredMode = true;
    print();
    for (int row : {200, 700}) {
        const QRect line = page.find(QRect(262, row, 1376, 1));
        EXPECT_NEAR((line.left() + line.right() + 1) / 2.0, 950, 1.5) << row;
    }
}

TEST_F(PrintCoverTest, LongTrackListsShrinkIntoTheInsert)
{
    state.textLaidOut = true;
    inputs.noFrontText = true;
    inputs.verticalLines = inputs.frontOutline = false;
    for (int i = 1; i <= 60; ++i)
        state.shownTexts.tracks
            << QStringLiteral("%1. A rather long track title that goes on and on, and on").arg(i);
    print();
    const QRect ink = page.find(QRect(262, 102, 1376, 1171));
    EXPECT_GE(ink.top(), 105);
    EXPECT_LT(ink.right(), 1600);
    EXPECT_TRUE(page.find(QRect(201, 1276, 1498, 20)).isNull()) << "tracks below the back insert";
}

TEST_F(PrintCoverTest, TrackBlockStaysInsideTheBackPanel)
{
    // What does not fit at the smallest size stops at the panel's edges, as on the sheet.
    noOutlines();
    state.textLaidOut = inputs.noFrontText = true;
    state.shownTexts.artist = state.shownTexts.title = QString(); // no spine text
    QStringList many;
    for (int i = 1; i <= 150; ++i)
        many << QString::number(i) + ". Track";
    for (const QStringList& tracks : {many, QStringList {"1. " + QString(1300, u'W')}}) {
        state.shownTexts.tracks = tracks;
        print();
        EXPECT_TRUE(QRect(260, 100, 1380, 1175).contains(page.find(page.image.rect())))
            << tracks.size() << " lines: ink in "
            << ::testing::PrintToString(page.find(page.image.rect()));
    }
}

// The sheet shows every line, in rows of a pixel when they are many: the page too, pressed
// into the panel (it dropped those past the 130th), the last line's descenders clear of the
// lower edge. Only the last line reaches the panel's right half.
TEST_F(PrintCoverTest, EveryTrackLinePrintsAboveThePanelsLowerEdge)
{
    state.textLaidOut = inputs.noFrontText = true;
    state.shownTexts.artist = state.shownTexts.title = QString();
    for (const int count : {130, 400}) {
        state.shownTexts.tracks = QStringList(count - 1, QStringLiteral("1. gjpqy"));
        state.shownTexts.tracks << QStringLiteral("%1. gjpqy ").arg(count) + QString(150, u'g');
        print();
        const QRect last = page.find(QRect(700, 101, 930, 1173));
        EXPECT_TRUE(last.top() >= 1240 && last.bottom() <= 1272) << count << ": " << last.y();
    }
}

// A title too long even at the smallest size is cut at each insert's edges, as on the sheets:
// no ink between the inserts or on the empty panel (poppler may round a clip out a pixel).
TEST_F(PrintCoverTest, SpineAndFrontTextsStayOnTheirInserts)
{
    noOutlines();
    state.textLaidOut = true;
    state.shownTexts.title = QString(320, u'W');
    print();
    const QRegion inserts =
        QRegion(199, 99, 62, 1177) + QRegion(1639, 99, 62, 1177) + QRegion(199, 1299, 1212, 1202);
    for (int y = 0; y < page.image.height(); ++y)
        for (int x = 0; x < page.image.width(); ++x)
            ASSERT_TRUE(inserts.contains({x, y}) || !PrintedPage::isInk(page.image.pixel(x, y)))
                << x << ", " << y;
    EXPECT_FALSE(page.find(QRect(200, 1300, 1210, 1200)).isNull()) << "no front text";
}

TEST_F(PrintCoverTest, FrontLinesCentreOn80_5mmAndMeetAt190mm)
{
    noOutlines();
    state.textLaidOut = true;
    const QFontMetricsF fm = arial50();
    print();
    const QRect artist = page.find(QRect(0, 1300, 1800, 600));
    const QRect title = page.find(QRect(0, 1900, 1800, 600));
    for (const QRect& line : {artist, title})
        EXPECT_NEAR((line.left() + line.right() + 1) / 2.0, 805, 1.5);
    EXPECT_NEAR(artist.bottom() + 1, 1900 - fm.descent(), 1.0);
    EXPECT_NEAR(title.top(), 1900 + fm.ascent() - fm.capHeight(), 1.0);
}

TEST_F(PrintCoverTest, SpineTextsSitInTheSpinesReadingUpLeftAndDownRight)
{
    noOutlines();
    state.textLaidOut = true;
    inputs.noFrontText = true;
    state.shownTexts.artist = QStringLiteral("H");
    state.shownTexts.title = QStringLiteral("..........");
    print();
    const QRect left = page.find(QRect(150, 0, 200, 1400));
    const QRect right = page.find(QRect(1580, 0, 200, 1400));
    EXPECT_GE(left.left(), 200);
    EXPECT_LT(left.right(), 260);
    EXPECT_GE(right.left(), 1640);
    EXPECT_LT(right.right(), 1700);
    // The capital comes first: at the bottom on the left spine, at the top on the right one.
    // Its rows hold ink across the whole cap height; the full stops sit on the baseline, on
    // the inner side when the tops of the letters face outwards.
    const auto ends = [&](const QRect& spine) {
        return std::pair(page.find(QRect(spine.left(), spine.top(), spine.width(), 12)),
                         page.find(QRect(spine.left(), spine.bottom() - 11, spine.width(), 12)));
    };
    const auto [leftTop, leftBottom] = ends(left);
    EXPECT_GT(leftBottom.width(), 2 * leftTop.width());
    EXPECT_GT(leftTop.center().x(), left.center().x());
    const auto [rightTop, rightBottom] = ends(right);
    EXPECT_GT(rightTop.width(), 2 * rightBottom.width());
    EXPECT_LT(rightBottom.center().x(), right.center().x());
    EXPECT_NEAR((left.top() + left.bottom() + 1) / 2.0, 690, 5);
    EXPECT_NEAR((right.top() + right.bottom() + 1) / 2.0, 690, 5);
}

TEST_F(PrintCoverTest, SpineTextWithoutTitleIsCentredAsDrawn)
{
    // The page fits and centres the drawn text; the sheets count a ": " that is not drawn.
    noOutlines();
    state.textLaidOut = true;
    inputs.noFrontText = true;
    state.shownTexts.artist = QStringLiteral("HHHH");
    state.shownTexts.title.clear();
    print();
    for (const QRect& spine :
         {page.find(QRect(150, 0, 200, 1400)), page.find(QRect(1580, 0, 200, 1400))})
        EXPECT_NEAR((spine.top() + spine.bottom() + 1) / 2.0, 690, 5);
}

} // namespace
