#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "pictures/repaint.h"
#include "support/image_assert.h"
#include "support/test_files.h"
#include "text/layouts.h"
#include "model/text_fitting.h"

using namespace plattera;

namespace {

const QRgb kWhiteRgb = qRgb(255, 255, 255);

QRect inkBounds(const QImage& image, const QRect& within)
{
    QRect bounds;
    const QRect r = within & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if ((image.pixel(x, y) | 0xFF000000u) != (kWhiteRgb | 0xFF000000u))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}
QRect inkBounds(const QImage& image)
{
    return inkBounds(image, image.rect());
}

QStringList numberedTracks(int count, const QString& body = QStringLiteral("Track title"))
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("%1. %2").arg(i).arg(body);
    return lines;
}

// The layouts without any outline, so that every non-white pixel is text.
struct LayoutFixture : ::testing::Test {
    Sheets sheets {96};
    EditorState state;
    CoverInputs inputs;

    LayoutFixture() { inputs.verticalLines = inputs.backOutline = inputs.frontOutline = false; }
    void setTracks(const QStringList& lines)
    {
        inputs.tracks = lines;
        if (state.trackMeasures.widths.size() < size_t(lines.size()))
            state.trackMeasures.widths.resize(size_t(lines.size()));
    }
    void layOut(const QString& artist, const QString& title)
    {
        inputs.artist = artist;
        inputs.title = title;
        leftAlignedLayout(sheets, state, inputs);
    }
    const QImage& front() { return sheets.frontCover.image(); }
    int frontWidth(const QString& text) { return sheets.frontCover.textWidth(text); }
};

using FrontLines = LayoutFixture;

TEST_F(FrontLines, ArtistAboveTitleBothCentred)
{
    layOut(QStringLiteral("Artist"), QStringLiteral("Title"));
    EXPECT_EQ(state.titles.separator, QStringLiteral(": "));
    EXPECT_TRUE(state.textLaidOut);
    const int line = state.titleLineHeight;
    ASSERT_GT(line, 0);
    const QRect upper = inkBounds(front(), QRect(0, 176 - line, 361, line));
    const QRect lower = inkBounds(front(), QRect(0, 176, 361, line));
    ASSERT_FALSE(upper.isEmpty());
    ASSERT_FALSE(lower.isEmpty());
    EXPECT_EQ(inkBounds(front()), upper | lower) << "ink outside the two line cells";
    // Line 1 is centred with its separator: "Artist: " spans 180 - w/2 to 180 + w/2, and the
    // colon's ink ends before the blank.
    const int lineWidth = frontWidth(QStringLiteral("Artist: "));
    EXPECT_NEAR(upper.left(), 180 - lineWidth / 2, 3);
    EXPECT_GT(upper.right(), 180 - lineWidth / 2 + frontWidth(QStringLiteral("Artist")));
    EXPECT_LT(upper.right(), 180 + lineWidth / 2 - frontWidth(QStringLiteral(" ")) + 2);
    EXPECT_NEAR(lower.center().x(), 180, 3);
}

TEST_F(FrontLines, EmptyTitleLeavesSecondLineBlank)
{
    layOut(QStringLiteral("Artist"), QString());
    EXPECT_TRUE(state.titles.separator.isEmpty());
    EXPECT_EQ(CountNot(front(), QRect(0, 176, 361, 177), kWhiteRgb), 0);
    const QRect ink = inkBounds(front());
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.top(), 176 - state.titleLineHeight);
    EXPECT_NEAR(ink.center().x(), 180, 3);
}

TEST_F(FrontLines, EmptyArtistPutsTitleOnSecondLine)
{
    layOut(QString(), QStringLiteral("Title"));
    EXPECT_TRUE(state.titles.separator.isEmpty());
    EXPECT_EQ(CountNot(front(), QRect(0, 0, 361, 176), kWhiteRgb), 0);
    const QRect ink = inkBounds(front());
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.bottom(), 176 + state.titleLineHeight);
    EXPECT_NEAR(ink.center().x(), 180, 3);
}

TEST_F(FrontLines, BothEmptyDrawNothingAndKeepStartSizes)
{
    layOut(QString(), QString());
    EXPECT_TRUE(state.titles.separator.isEmpty());
    for (SheetCanvas* sheet : sheets.visible())
        EXPECT_EQ(CountNot(sheet->image(), sheet->image().rect(), kWhiteRgb), 0);
    EXPECT_EQ(sheets.frontCover.font().size, 50);
    // ": " is short, so only the thickness fit shrinks the spines: the cell height does not
    // depend on the text.
    const int spineSize = sheets.leftSpine.font().size;
    EXPECT_EQ(sheets.rightSpine.font().size, spineSize);
    EXPECT_LT(sheets.leftSpine.textHeight(QStringLiteral(": ")), 22);
    sheets.leftSpine.setFontSize(spineSize + 1);
    EXPECT_GE(sheets.leftSpine.textHeight(QStringLiteral(": ")), 22);
}

TEST_F(FrontLines, LongArtistShrinksBothLinesTogether)
{
    const QString artist(40, QLatin1Char('W'));
    layOut(artist, QStringLiteral("Go"));
    const int size = sheets.frontCover.font().size;
    ASSERT_LT(size, 50);
    // The largest size at which "artist: " fits in 351 pixels.
    EXPECT_LT(frontWidth(artist + QStringLiteral(": ")), 351);
    sheets.frontCover.setFontSize(size + 1);
    EXPECT_GE(frontWidth(artist + QStringLiteral(": ")), 351);
}

TEST_F(FrontLines, NoTextOnFrontLeavesFrontWhite)
{
    inputs.noFrontText = true;
    state.titleLineHeight = 77;
    layOut(QStringLiteral("Artist"), QStringLiteral("Title"));
    EXPECT_EQ(CountNot(front(), front().rect(), kWhiteRgb), 0);
    EXPECT_EQ(state.titleLineHeight, 77);
    EXPECT_GT(CountNot(sheets.leftSpine.image(), sheets.leftSpine.image().rect(), kWhiteRgb), 0);
}

TEST_F(FrontLines, HundredsOfCharactersEndAtOnePoint)
{
    layOut(QStringLiteral("A"), QString(500, QLatin1Char('M')));
    EXPECT_EQ(sheets.frontCover.font().size, kSmallestFontSize);
    EXPECT_EQ(sheets.leftSpine.font().size, kSmallestFontSize);
    EXPECT_EQ(sheets.rightSpine.font().size, kSmallestFontSize);
}

using Spines = LayoutFixture;

// Rows of ink on a spine, and how many ink pixels each row has.
std::vector<int> inkPerRow(const QImage& spine)
{
    std::vector<int> counts(size_t(spine.height()), 0);
    for (int y = 0; y < spine.height(); ++y)
        for (int x = 0; x < spine.width(); ++x)
            if ((spine.pixel(x, y) | 0xFF000000u) != (kWhiteRgb | 0xFF000000u))
                ++counts[size_t(y)];
    return counts;
}

int inkIn(const std::vector<int>& rows, int from, int to)
{
    int n = 0;
    for (int y = std::max(from, 0); y < std::min<int>(to, int(rows.size())); ++y)
        n += rows[size_t(y)];
    return n;
}

TEST_F(Spines, LeftReadsUpwardsRightReadsDownwards)
{
    // Heavy letters first, light dots after: the heavy end is where the text starts.
    layOut(QStringLiteral("WWWW"), QStringLiteral("........"));
    for (SheetCanvas* spine : {&sheets.leftSpine, &sheets.rightSpine}) {
        const QRect ink = inkBounds(spine->image());
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_LT(spine->textHeight(QStringLiteral("WWWW: ........")), 22);
        EXPECT_GE(ink.left(), spine == &sheets.leftSpine ? 1 : 0);
        EXPECT_LE(ink.right(), 21);
    }
    const QRect left = inkBounds(sheets.leftSpine.image());
    const QRect right = inkBounds(sheets.rightSpine.image());
    const std::vector<int> leftRows = inkPerRow(sheets.leftSpine.image());
    const std::vector<int> rightRows = inkPerRow(sheets.rightSpine.image());
    const int leftMid = left.center().y(), rightMid = right.center().y();
    EXPECT_GT(inkIn(leftRows, leftMid, left.bottom() + 1), 2 * inkIn(leftRows, left.top(), leftMid))
        << "the left spine's text should start at the bottom";
    EXPECT_GT(inkIn(rightRows, right.top(), rightMid),
              2 * inkIn(rightRows, rightMid, right.bottom() + 1))
        << "the right spine's text should start at the top";

    // The dots sit on the baseline: right of the cell's middle on the left spine (the top
    // of the letters faces left), left of it on the right spine.
    const QRect leftDots = inkBounds(sheets.leftSpine.image(), QRect(0, left.top(), 22, 6));
    const QRect rightDots =
        inkBounds(sheets.rightSpine.image(), QRect(0, right.bottom() - 5, 22, 6));
    ASSERT_FALSE(leftDots.isEmpty());
    ASSERT_FALSE(rightDots.isEmpty());
    EXPECT_GT(leftDots.center().x(), left.center().x());
    EXPECT_LT(rightDots.center().x(), right.center().x());
}

TEST_F(Spines, CentredOnTheFittingTextWithSeparator)
{
    layOut(QStringLiteral("Artist"), QStringLiteral("Title"));
    EXPECT_NEAR(inkBounds(sheets.leftSpine.image()).center().y(), 176, 3);
    EXPECT_NEAR(inkBounds(sheets.rightSpine.image()).center().y(), 176, 3);
    EXPECT_EQ(sheets.leftSpine.font().size, sheets.rightSpine.font().size);
}

TEST_F(Spines, EmptySeparatorShiftsTextHalfItsWidthTowardsTheStart)
{
    layOut(QStringLiteral("HHHHHHHH"), QString());
    const int half = sheets.leftSpine.textWidth(QStringLiteral(": ")) / 2;
    ASSERT_GT(half, 1);
    EXPECT_NEAR(inkBounds(sheets.leftSpine.image()).center().y(), 176 + half, 2);
    EXPECT_NEAR(inkBounds(sheets.rightSpine.image()).center().y(), 176 - half, 2);
}

TEST_F(Spines, LongTextFitsAlongTheSpine)
{
    layOut(QString(60, QLatin1Char('A')), QStringLiteral("Title"));
    const QString fitting = QString(60, QLatin1Char('A')) + QStringLiteral(": Title");
    EXPECT_LT(sheets.leftSpine.textWidth(fitting), 348);
    const QRect ink = inkBounds(sheets.leftSpine.image());
    EXPECT_GE(ink.top(), 2);
    EXPECT_LE(ink.bottom(), 351);
}

// An artist that opens a direction override, embedding or isolate and never closes it turns
// nothing after it: the separator and the title read as if it held no control at all.
TEST_F(Spines, AnArtistsDirectionControlsStayInTheArtist)
{
    const auto drawn = [&](const QString& artist) {
        layOut(artist, QStringLiteral("Album"));
        return std::vector {sheets.leftSpine.image(), sheets.rightSpine.image(), front()};
    };
    const std::vector<QImage> plain = drawn(QStringLiteral("Band"));
    for (const char16_t* controls :
         {u"\u202E", u"\u202B", u"\u2067", u"\u2067\u202E\u202C", u"\u202D\u2069\u202E"})
        for (size_t i = 0; const QImage& sheet : drawn("Band" + QString::fromUtf16(controls)))
            EXPECT_TRUE(ImagesEqual(plain[i++], sheet))
                << "sheet " << i << " after U+" << std::hex << int(controls[0]);
}

using Tracks = LayoutFixture;

TEST_F(Tracks, FortyOneAndSixtyTracksFitAndAreAllDrawn)
{
    for (int count : {41, 60}) {
        SCOPED_TRACE(count);
        setTracks(numberedTracks(count));
        layOut(QStringLiteral("A"), QStringLiteral("T"));
        EXPECT_LT(state.trackMeasures.blockHeight, 349);
        EXPECT_EQ(state.trackMeasures.blockHeight, state.trackMeasures.lineHeight * count);
        ASSERT_GE(state.trackMeasures.widths.size(), size_t(count));
        EXPECT_GT(state.trackMeasures.widths[size_t(count - 1)], 0);
        // The last line has ink in its own row band.
        const int lastTop = state.trackMeasures.lineHeight * (count - 1) + 5;
        EXPECT_GT(CountNot(sheets.backPanel.image(),
                           QRect(10, lastTop, 390, state.trackMeasures.lineHeight), kWhiteRgb),
                  0);
        const QRect ink = inkBounds(sheets.backPanel.image());
        EXPECT_GE(ink.left(), 10);
        EXPECT_LT(ink.bottom(), 349);
    }
}

TEST_F(Tracks, FirstOfEquallyWideLinesIsLongest)
{
    setTracks({QStringLiteral("1 ab"), QStringLiteral("2 WWW"), QStringLiteral("3 WWW"),
               QStringLiteral("4 ww")});
    layOut(QStringLiteral("A"), QStringLiteral("T"));
    ASSERT_EQ(state.trackMeasures.widths[1], state.trackMeasures.widths[2]);
    EXPECT_EQ(state.trackMeasures.longest, QStringLiteral("2 WWW"));
    EXPECT_EQ(state.trackMeasures.widestWidth, state.trackMeasures.widths[1]);
}

TEST_F(Tracks, WidthFitMeasuresOnlyTheWidestLineAgain)
{
    setTracks({QStringLiteral("1. ") + QString(30, QLatin1Char('M')), QStringLiteral("2. short")});
    layOut(QStringLiteral("A"), QStringLiteral("T"));
    SheetCanvas& panel = sheets.backPanel;
    ASSERT_LT(panel.font().size, 50);
    EXPECT_EQ(state.trackMeasures.widestWidth, panel.textWidth(state.trackMeasures.longest));
    EXPECT_LT(state.trackMeasures.widestWidth, 370);
    // The table keeps the widths from before the width fit.
    EXPECT_GT(state.trackMeasures.widths[0], state.trackMeasures.widestWidth);
    EXPECT_GT(state.trackMeasures.widths[1], panel.textWidth(QStringLiteral("2. short")));
    EXPECT_GE(inkBounds(panel.image()).left(), 10);
}

TEST_F(Tracks, ShorterListAfterLongerFindsWidestAmongCurrent)
{
    setTracks({QStringLiteral("1. a very long track line"), QStringLiteral("2. b")});
    layOut(QStringLiteral("A"), QStringLiteral("T"));
    setTracks({QStringLiteral("1. cc")});
    layOut(QStringLiteral("A"), QStringLiteral("T"));
    EXPECT_EQ(state.trackMeasures.longest, QStringLiteral("1. cc"));
}

TEST_F(Tracks, NoTracksKeepLineHeightAndDrawNothing)
{
    state.trackMeasures.lineHeight = 13;
    layOut(QStringLiteral("A"), QStringLiteral("T"));
    EXPECT_EQ(state.trackMeasures.lineHeight, 13);
    EXPECT_EQ(sheets.backPanel.font().size, 50);
    EXPECT_EQ(CountNot(sheets.backPanel.image(), sheets.backPanel.image().rect(), kWhiteRgb), 0);
}

TEST_F(Tracks, EmptyFaceNameLaysOutInArialAndChosenFaceIsUsed)
{
    setTracks({QStringLiteral("1. x")});
    layOut(QStringLiteral("A"), QStringLiteral("T"));
    EXPECT_EQ(sheets.backPanel.font().face.toLower(), QStringLiteral("arial"));
    EXPECT_EQ(sheets.frontCover.font().face.toLower(), QStringLiteral("arial"));
    state.backFont.setFace(QStringLiteral("DejaVu Serif"));
    layOut(QStringLiteral("A"), QStringLiteral("T"));
    EXPECT_EQ(sheets.backPanel.font().face, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(sheets.leftSpine.font().face, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(sheets.frontCover.font().face.toLower(), QStringLiteral("arial"));
}

TEST_F(Tracks, RunningTwiceGivesTheSameSheets)
{
    setTracks(numberedTracks(12));
    layOut(QStringLiteral("Artist"), QStringLiteral("Title"));
    std::vector<QImage> first;
    for (SheetCanvas* sheet : sheets.visible())
        first.push_back(sheet->image().copy());
    // Window labels in between share the sheets' font files and sit at fractions of a pixel.
    QImage window(300, 40, QImage::Format_RGB32);
    QPainter painter(&window);
    for (int i = 0; i < 12; ++i) {
        QFont label(QStringLiteral("arial"));
        label.setPixelSize(9 + i); // a size of its own: its glyphs are loaded afresh
        label.setHintingPreference(i % 2 ? QFont::PreferNoHinting : QFont::PreferDefaultHinting);
        painter.setFont(label);
        painter.drawText(QPointF(1.25 + i * 0.25, 30), QStringLiteral("Artist Title 0123456789"));
    }
    layOut(QStringLiteral("Artist"), QStringLiteral("Title"));
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_TRUE(ImagesEqual(first[i], sheets.visible()[i]->image())) << "sheet " << i + 1;
}

using Centred = LayoutFixture;

TEST_F(Centred, LinesCentredOnTwoHundredWithFittedWidths)
{
    setTracks({QStringLiteral("1. ") + QString(30, QLatin1Char('M')), QStringLiteral("2. ab")});
    centredLayout(sheets, state, inputs);
    EXPECT_TRUE(state.centredMode);
    EXPECT_FALSE(state.textLaidOut);
    SheetCanvas& panel = sheets.backPanel;
    EXPECT_EQ(state.trackMeasures.widths[0], panel.textWidth(inputs.tracks[0]));
    EXPECT_EQ(state.trackMeasures.widths[1], panel.textWidth(inputs.tracks[1]));
    for (int i = 0; i < 2; ++i) {
        const QRect ink = inkBounds(
            panel.image(),
            QRect(0, state.trackMeasures.lineHeight * i + 5, 400, state.trackMeasures.lineHeight));
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_NEAR(ink.center().x(), 200, 3) << "line " << i;
    }
    // No artist or title was ever taken: front and spines stay blank.
    EXPECT_EQ(CountNot(sheets.frontCover.image(), sheets.frontCover.image().rect(), kWhiteRgb), 0);
}

TEST_F(Centred, FrontAndSpinesMatchTheLeftLayout)
{
    setTracks(numberedTracks(5));
    layOut(QStringLiteral("Artist"), QStringLiteral("Title"));
    const QImage front = sheets.frontCover.image().copy();
    const QImage left = sheets.leftSpine.image().copy();
    const QImage right = sheets.rightSpine.image().copy();
    solidWipe(sheets);
    centredLayout(sheets, state, inputs);
    EXPECT_TRUE(ImagesEqual(front, sheets.frontCover.image()));
    EXPECT_TRUE(ImagesEqual(left, sheets.leftSpine.image()));
    EXPECT_TRUE(ImagesEqual(right, sheets.rightSpine.image()));
}

using LayoutPictures = LayoutFixture;

QString writeBmp(const QTemporaryDir& dir, const QString& name, QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return writeTestBmp(dir.filePath(name), image);
}

TEST_F(LayoutPictures, CompositeIsCopiedAsItStands)
{
    QTemporaryDir dir;
    state.backPicture.choose(
        writeBmp(dir, QStringLiteral("back.bmp"), QSize(4, 4), qRgb(255, 0, 0)), std::nullopt);
    sheets.backComposite.image().fill(qRgb(0, 128, 0));
    layOut(QString(), QString());
    EXPECT_TRUE(PixelIs(sheets.backPanel.image(), 200, 100, qRgb(0, 128, 0)));
    EXPECT_TRUE(PixelIs(sheets.leftSpine.image(), 10, 100, qRgb(0, 128, 0)));
    EXPECT_TRUE(PixelIs(sheets.backComposite.image(), 10, 100, qRgb(0, 128, 0)));
    ASSERT_TRUE(state.backPicture.bitmap().has_value());
    EXPECT_EQ(state.backPicture.bitmap()->image.size(), QSize(4, 4));
}

TEST_F(LayoutPictures, VanishedFrontPictureDrawsNothing)
{
    QTemporaryDir dir;
    state.frontPicture.choose(dir.filePath(QStringLiteral("gone.bmp")), std::nullopt);
    layOut(QString(), QString());
    EXPECT_TRUE(state.frontPicture.shown());
    EXPECT_EQ(CountNot(sheets.frontCover.image(), sheets.frontCover.image().rect(), kWhiteRgb), 0);
}

TEST_F(LayoutPictures, UnreadablePictureStopsTheRunAfterTheWipe)
{
    QTemporaryDir dir;
    const QString path =
        writeTestFile(dir.filePath(QStringLiteral("broken.bmp")), "this is not a bitmap at all");
    state.frontPicture.choose(path, std::nullopt);
    sheets.frontCover.image().fill(qRgb(0, 0, 255));
    state.frontPicture.reload(QImage(2, 2, QImage::Format_RGB32));
    inputs.artist = QStringLiteral("Artist");
    EXPECT_THROW(leftAlignedLayout(sheets, state, inputs), CommandError);
    EXPECT_TRUE(state.textLaidOut);
    EXPECT_EQ(CountNot(sheets.frontCover.image(), sheets.frontCover.image().rect(), kWhiteRgb), 0);
    EXPECT_FALSE(state.frontPicture.bitmap()) << "the page would print the picture the sheets lost";
}

TEST_F(LayoutPictures, BrushesFollowThePictureFlags)
{
    QTemporaryDir dir;
    state.frontPicture.choose(
        writeBmp(dir, QStringLiteral("front.bmp"), QSize(3, 3), qRgb(0, 0, 255)), std::nullopt);
    setTracks({QStringLiteral("1. x")});
    layOut(QStringLiteral("A"), QStringLiteral("T"));
    // Only a front picture: the panel takes its saved style (solid until Image has run).
    EXPECT_EQ(sheets.backPanel.brushStyle(), BrushStyle::Solid);
    EXPECT_EQ(sheets.frontCover.brushStyle(), BrushStyle::Clear);
    state.savedBrushes.back = BrushStyle::Clear;
    layOut(QStringLiteral("A"), QStringLiteral("T"));
    EXPECT_EQ(sheets.backPanel.brushStyle(), BrushStyle::Clear);

    // Only a back picture: the front takes its saved style before its lines are drawn.
    state.frontPicture.hide();
    state.backPicture.choose(
        writeBmp(dir, QStringLiteral("back.bmp"), QSize(3, 3), qRgb(255, 0, 0)), std::nullopt);
    state.savedBrushes.front = BrushStyle::Solid;
    layOut(QStringLiteral("A"), QStringLiteral("T"));
    EXPECT_EQ(sheets.frontCover.brushStyle(), BrushStyle::Solid);
    EXPECT_EQ(sheets.backPanel.brushStyle(), BrushStyle::Clear);
    EXPECT_EQ(sheets.leftSpine.brushStyle(), BrushStyle::Clear);
}

} // namespace
