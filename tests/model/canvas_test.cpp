#include <QFontInfo>
#include <QPainter>

#include <gtest/gtest.h>

#include "model/canvas.h"
#include "model/editor_state.h"
#include "model/sheet_canvas.h"
#include "model/sheets.h"
#include "support/image_assert.h"
#include "support/test_files.h"

using namespace plattera;

namespace {

const QRgb kWhiteRgb = qRgb(255, 255, 255);
const QRgb kBlackRgb = qRgb(0, 0, 0);

QRect inkBounds(const QImage& image, QRgb background = kWhiteRgb)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) | 0xFF000000u) != (background | 0xFF000000u))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace

TEST(mulDiv, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(mulDiv(50, 96, 72), 67);
    EXPECT_EQ(mulDiv(20, 96, 72), 27);
    EXPECT_EQ(mulDiv(50, 600, 72), 417);
    EXPECT_EQ(mulDiv(3, 1, 2), 2);
    EXPECT_EQ(mulDiv(-3, 1, 2), -2);
    EXPECT_EQ(mulDiv(1, 1, 0), -1);
}

TEST(SheetCanvas, IsCreatedWhiteAtItsSizeOnFirstUse)
{
    SheetCanvas sheet(22, 353, 96);
    EXPECT_FALSE(sheet.created());
    EXPECT_EQ(sheet.image().size(), QSize(22, 353));
    EXPECT_TRUE(AreaIs(sheet.image(), sheet.image().rect(), kWhiteRgb));
}

TEST(SheetCanvas, LineLeavesItsEndPointUnpaintedAndMovesThere)
{
    SheetCanvas sheet(22, 353, 96);
    sheet.moveTo(0, 0);
    sheet.lineTo(0, 353);
    EXPECT_TRUE(AreaIs(sheet.image(), QRect(0, 0, 1, 353), kBlackRgb));
    EXPECT_EQ(CountNot(sheet.image(), QRect(1, 0, 21, 353), kWhiteRgb), 0);
    EXPECT_EQ(sheet.penX(), 0);
    EXPECT_EQ(sheet.penY(), 353);

    SheetCanvas back(10, 10, 96);
    back.moveTo(9, 5);
    back.lineTo(2, 5);
    EXPECT_TRUE(AreaIs(back.image(), QRect(3, 5, 7, 1), kBlackRgb));
    EXPECT_TRUE(PixelIs(back.image(), 2, 5, kWhiteRgb));
}

TEST(SheetCanvas, LineUsesPenColour)
{
    SheetCanvas sheet(5, 5, 96);
    sheet.setPenColour(0x0000FF); // red in the low byte
    sheet.moveTo(0, 2);
    sheet.lineTo(5, 2);
    EXPECT_TRUE(AreaIs(sheet.image(), QRect(0, 2, 5, 1), qRgb(255, 0, 0)));
}

TEST(SheetCanvas, FillIsRightAndBottomExclusiveAndClearBrushFillsNothing)
{
    SheetCanvas sheet(10, 10, 96);
    sheet.image().fill(Qt::black);
    sheet.fillRect(2, 3, 5, 7);
    EXPECT_TRUE(AreaIs(sheet.image(), QRect(2, 3, 3, 4), kWhiteRgb));
    EXPECT_EQ(CountNot(sheet.image(), sheet.image().rect(), kBlackRgb), 12);

    const QImage before = sheet.image().copy();
    sheet.setBrushStyle(BrushStyle::Clear);
    sheet.fillRect(0, 0, 10, 10);
    EXPECT_TRUE(ImagesEqual(sheet.image(), before));
}

TEST(SheetCanvas, RectangleDrawsPenOutlineAndBrushInterior)
{
    SheetCanvas sheet(10, 10, 96);
    sheet.image().fill(qRgb(0, 0, 255));
    sheet.setPenColour(0);
    sheet.rectangle(1, 1, 5, 4);
    // Outline on columns 1..4 and rows 1..3; the interior white; nothing on column 5 or row 4.
    for (int x = 1; x <= 4; ++x) {
        EXPECT_TRUE(PixelIs(sheet.image(), x, 1, kBlackRgb));
        EXPECT_TRUE(PixelIs(sheet.image(), x, 3, kBlackRgb));
    }
    EXPECT_TRUE(PixelIs(sheet.image(), 1, 2, kBlackRgb));
    EXPECT_TRUE(PixelIs(sheet.image(), 4, 2, kBlackRgb));
    EXPECT_TRUE(AreaIs(sheet.image(), QRect(2, 2, 2, 1), kWhiteRgb));
    EXPECT_TRUE(PixelIs(sheet.image(), 5, 2, qRgb(0, 0, 255)));
    EXPECT_TRUE(PixelIs(sheet.image(), 2, 4, qRgb(0, 0, 255)));
}

TEST(SheetCanvas, NarrowingAndWideningTakeColumnsByTheFloorRuleWithoutBlending)
{
    SheetCanvas composite(442, 353, 96);
    composite.stretchDraw(QRect(0, 0, 442, 353), columnCodedImage(442, 353));
    SheetCanvas panel(400, 353, 96);

    panel.copyRect(QRect(0, 0, 400, 353), composite, QRect(0, 0, 442, 353));
    for (int d = 0; d < 400; ++d)
        ASSERT_EQ(sourceColumnOf(panel.image().pixel(d, 100)), d * 442 / 400) << "column " << d;

    panel.copyRect(QRect(0, 0, 400, 353), composite, QRect(22, 0, 398, 353));
    for (int d = 0; d < 400; ++d)
        ASSERT_EQ(sourceColumnOf(panel.image().pixel(d, 7)), 22 + d * 398 / 400) << "column " << d;
    // Rows are taken one to one at equal heights.
    QImage rowCoded(442, 353, QImage::Format_RGB32);
    for (int y = 0; y < 353; ++y)
        for (int x = 0; x < 442; ++x)
            rowCoded.setPixel(x, y, qRgb(0, 0, y & 0xFF));
    composite.stretchDraw(QRect(0, 0, 442, 353), rowCoded);
    panel.copyRect(QRect(0, 0, 400, 353), composite, QRect(0, 0, 442, 353));
    for (int y = 0; y < 353; ++y)
        ASSERT_EQ(qBlue(panel.image().pixel(0, y)), y & 0xFF);
}

TEST(SheetCanvas, StretchDrawFillsTheRectangleFromAnySourceShape)
{
    QImage tall(3, 700, QImage::Format_RGB32);
    tall.fill(qRgb(10, 200, 30));
    tall.setPixel(2, 698, qRgb(255, 0, 0)); // row 352 * 700 / 353
    SheetCanvas front(361, 353, 96);
    front.stretchDraw(QRect(0, 0, 361, 353), tall);
    EXPECT_EQ(CountNot(front.image(), QRect(0, 0, 241, 353), qRgb(10, 200, 30)), 0);
    // The last destination pixel takes source row floor(352 * 700 / 353) = 698.
    EXPECT_TRUE(PixelIs(front.image(), 360, 352, qRgb(255, 0, 0)));
}

TEST(SheetCanvas, FontSizeBecomesPixelHeightThroughMulDiv)
{
    const QFontInfo info(QFont(QStringLiteral("arial")));
    ASSERT_TRUE(info.family() == QLatin1String("Liberation Sans") ||
                info.family() == QLatin1String("Arial"))
        << "\"arial\" resolves to \"" << info.family().toStdString()
        << "\", which lacks Arial's metrics: install the package fonts-liberation";

    SheetCanvas sheet(400, 353, 96);
    sheet.setFontFace(QStringLiteral("arial"));
    sheet.setFontSize(50); // 67-pixel em
    EXPECT_EQ(sheet.qfont().pixelSize(), 67);
    EXPECT_EQ(sheet.textHeight(QStringLiteral("x")), 75);
    EXPECT_EQ(sheet.textHeight(QString()), 75);
    // Whole-pixel advances: the width of a string is the sum of its parts.
    const int ab = sheet.textWidth(QStringLiteral("AB"));
    EXPECT_EQ(ab, sheet.textWidth(QStringLiteral("A")) + sheet.textWidth(QStringLiteral("B")));
    EXPECT_GT(ab, 0);
}

TEST(SheetCanvas, TextOutAdvancesThePenAndHonoursTheBrush)
{
    SheetCanvas sheet(200, 100, 96);
    sheet.image().fill(qRgb(0, 0, 255));
    sheet.setFontFace(QStringLiteral("arial"));
    sheet.setFontSize(20);
    sheet.setBrushStyle(BrushStyle::Clear);
    const QString text = QStringLiteral("I I");
    const int width = sheet.textWidth(text);
    sheet.textOut(10, 20, text);
    EXPECT_EQ(sheet.penX(), 10 + width);
    EXPECT_EQ(sheet.penY(), 20);
    // Between the letters the picture shows through; the ink stays inside the cell.
    const int height = sheet.textHeight(text);
    const QRect cell(10, 20, width, height);
    EXPECT_GT(CountNot(sheet.image(), cell, qRgb(0, 0, 255)), 0);
    EXPECT_EQ(CountNot(sheet.image(), QRect(0, 0, 200, 100), qRgb(0, 0, 255)),
              CountNot(sheet.image(), cell, qRgb(0, 0, 255)));
    EXPECT_TRUE(PixelIs(sheet.image(), 10 + width / 2, 20 + height / 2, qRgb(0, 0, 255)));

    // A solid brush paints the whole cell white behind the letters.
    SheetCanvas solid(200, 100, 96);
    solid.image().fill(qRgb(0, 0, 255));
    solid.setFontFace(QStringLiteral("arial"));
    solid.setFontSize(20);
    solid.textOut(10, 20, text);
    EXPECT_EQ(CountNot(solid.image(), cell, qRgb(0, 0, 255)), width * height);
    EXPECT_TRUE(PixelIs(solid.image(), 10 + width / 2, 20 + height / 2, kWhiteRgb));
}

TEST(SheetCanvas, EscapementTurnsTextAboutItsReferencePoint)
{
    // 900: reads upwards, the cell lies to the right of x and above y.
    SheetCanvas left(22, 353, 96);
    left.setFontFace(QStringLiteral("arial"));
    left.setFontSize(12);
    left.setBrushStyle(BrushStyle::Clear);
    const QString text = QStringLiteral("Artist: Title");
    const int w = left.textWidth(text);
    left.setFontEscapement(900);
    left.textOut(1, 176 + w / 2, text);
    const QRect upward = inkBounds(left.image());
    ASSERT_FALSE(upward.isEmpty());
    EXPECT_GE(upward.left(), 1);
    EXPECT_LE(upward.bottom(), 176 + w / 2);
    EXPECT_GE(upward.top(), 176 - w / 2 - 1);
    EXPECT_GT(upward.height(), w * 3 / 4);
    // "A" stands at the bottom: the lower end of the ink is wider than the upper one (the colon).
    // -900: reads downwards, the cell lies to the left of x and below y.
    SheetCanvas right(22, 353, 96);
    right.setFontFace(QStringLiteral("arial"));
    right.setFontSize(12);
    right.setBrushStyle(BrushStyle::Clear);
    right.setFontEscapement(-900);
    right.textOut(21, 176 - w / 2, text);
    const QRect downward = inkBounds(right.image());
    ASSERT_FALSE(downward.isEmpty());
    EXPECT_LE(downward.right(), 20);
    EXPECT_GE(downward.top(), 176 - w / 2);
    EXPECT_LE(downward.bottom(), 176 + w / 2 + 1);
    EXPECT_GT(downward.height(), w * 3 / 4);
}

TEST(Canvas, FaceNamesAreCutTo31AndEmptyLeavesTheFace)
{
    SheetCanvas sheet(10, 10, 96);
    sheet.setFontFace(QStringLiteral("arial"));
    sheet.setFontEscapement(900);
    sheet.setFontFace(QString());
    EXPECT_EQ(sheet.font().face, QStringLiteral("arial"));
    EXPECT_EQ(sheet.font().escapement, 900);
    sheet.setFontFace(QString(40, QLatin1Char('x')));
    EXPECT_EQ(sheet.font().face.size(), 31);
    EXPECT_EQ(sheet.font().escapement, 0); // a new face is an unrotated font

    EditorState state;
    state.backFont.setFace(QString(33, QLatin1Char('y')));
    EXPECT_EQ(state.backFont.face().size(), 31);
}

TEST(Sheets, HaveTheirSizesAndStartAllZero)
{
    Sheets sheets(96);
    EXPECT_EQ(sheets.backPanel.image().size(), QSize(400, 353));
    EXPECT_EQ(sheets.leftSpine.image().size(), QSize(22, 353));
    EXPECT_EQ(sheets.rightSpine.image().size(), QSize(22, 353));
    EXPECT_EQ(sheets.frontCover.image().size(), QSize(361, 353));
    EXPECT_EQ(sheets.backComposite.image().size(), QSize(442, 353));

    const EditorState state;
    EXPECT_TRUE(state.titles.artist.isEmpty() && state.titles.title.isEmpty() &&
                state.backFont.face().isEmpty());
    EXPECT_EQ(state.trackMeasures.widths.size(), 41u);
    EXPECT_FALSE(state.backPicture.shown() || state.frontPicture.shown() || state.textLaidOut ||
                 state.centredMode);
    EXPECT_FALSE(state.backPicture.bitmap().has_value());
    EXPECT_EQ(state.savedBrushes.back, BrushStyle::Solid);
    EXPECT_EQ(state.savedBrushes.leftSpine, BrushStyle::Solid);
    EXPECT_EQ(state.outlineColour, 0u);
}
