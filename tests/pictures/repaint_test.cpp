#include <set>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "pictures/repaint.h"
#include "support/image_assert.h"
#include "support/test_files.h"

using namespace plattera;

namespace {

const QRgb kWhiteRgb = qRgb(255, 255, 255);

std::vector<int> sourceColumns(const QImage& image, int row)
{
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x)
        columns.push_back(sourceColumnOf(image.pixel(x, row)));
    return columns;
}

struct RepaintFixture : ::testing::Test {
    Sheets sheets {96};
    EditorState state;
    CoverInputs inputs;
    QTemporaryDir dir;

    QString save(const QString& name, const QImage& image)
    {
        return writeTestBmp(dir.filePath(name), image);
    }
    void useBackPicture(const QImage& image)
    {
        state.backPicture.choose(save(QStringLiteral("back.bmp"), image), std::nullopt);
    }
};

using BandCopies = RepaintFixture;

TEST_F(BandCopies, ExtendedSpreadsTheCompositeOverSpinesAndPanel)
{
    useBackPicture(columnCodedImage(442, 353));
    inputs.extendBackPicture = true;
    placeBackPicture(sheets, state, inputs);

    for (int row : {0, 176, 352}) {
        const std::vector<int> left = sourceColumns(sheets.leftSpine.image(), row);
        const std::vector<int> right = sourceColumns(sheets.rightSpine.image(), row);
        for (int x = 0; x < 22; ++x) {
            EXPECT_EQ(left[size_t(x)], x);
            EXPECT_EQ(right[size_t(x)], 420 + x);
        }
        // 398 columns widened to 400: every one of 22..419 shows, in order, two repeated.
        const std::vector<int> panel = sourceColumns(sheets.backPanel.image(), row);
        EXPECT_EQ(panel.front(), 22);
        EXPECT_EQ(panel.back(), 419);
        EXPECT_TRUE(std::is_sorted(panel.begin(), panel.end()));
        EXPECT_EQ(std::set<int>(panel.begin(), panel.end()).size(), 398u);
    }
    EXPECT_EQ(sheets.leftSpine.brushStyle(), BrushStyle::Clear);
    EXPECT_EQ(sheets.rightSpine.brushStyle(), BrushStyle::Clear);
}

TEST_F(BandCopies, NotExtendedSqueezesTheWholeCompositeOntoThePanel)
{
    useBackPicture(columnCodedImage(442, 353));
    inputs.extendBackPicture = false;
    placeBackPicture(sheets, state, inputs);

    const std::vector<int> panel = sourceColumns(sheets.backPanel.image(), 100);
    EXPECT_EQ(panel.front(), 0);
    EXPECT_GE(panel.back(), 440);
    EXPECT_TRUE(std::is_sorted(panel.begin(), panel.end()));
    EXPECT_EQ(std::set<int>(panel.begin(), panel.end()).size(), 400u) << "442 narrowed to 400";
    EXPECT_TRUE(AreaIs(sheets.leftSpine.image(), sheets.leftSpine.image().rect(), kWhiteRgb));
    EXPECT_TRUE(AreaIs(sheets.rightSpine.image(), sheets.rightSpine.image().rect(), kWhiteRgb));
}

TEST_F(BandCopies, SpreadingCopiesTheCompositeAsItStands)
{
    useBackPicture(columnCodedImage(442, 353));
    sheets.backComposite.image().fill(qRgb(0, 200, 0));
    reloadBackPicture(sheets, state);
    fillWithSavedSpineBrushes(sheets, state);
    spreadBackBands(sheets, inputs.extendBackPicture);
    EXPECT_TRUE(AreaIs(sheets.backPanel.image(), sheets.backPanel.image().rect(), qRgb(0, 200, 0)));
    ASSERT_TRUE(state.backPicture.bitmap().has_value());

    placeBackPicture(sheets, state, inputs);
    EXPECT_EQ(sourceColumnOf(sheets.backPanel.image().pixel(0, 0)), 22);
}

TEST_F(BandCopies, PlacingFillsWithTheSavedSpineStyles)
{
    // Saved clear: the spines' earlier content survives where no band lands (none with the box
    // unchecked); saved solid: they are wiped white.
    useBackPicture(columnCodedImage(442, 353));
    inputs.extendBackPicture = false;
    for (BrushStyle saved : {BrushStyle::Clear, BrushStyle::Solid}) {
        sheets.leftSpine.image().fill(qRgb(9, 9, 9));
        state.savedBrushes.leftSpine = saved;
        placeBackPicture(sheets, state, inputs);
        EXPECT_TRUE(PixelIs(sheets.leftSpine.image(), 5, 5,
                            saved == BrushStyle::Clear ? qRgb(9, 9, 9) : kWhiteRgb));
    }
}

TEST_F(BandCopies, VanishedFileKeepsTheCompositeAndStillCopiesIt)
{
    sheets.backComposite.image().fill(qRgb(10, 20, 30));
    state.backPicture.choose(dir.filePath(QStringLiteral("gone.bmp")), std::nullopt);
    placeBackPicture(sheets, state, inputs);
    EXPECT_FALSE(state.backPicture.bitmap().has_value());
    EXPECT_TRUE(PixelIs(sheets.backComposite.image(), 100, 100, qRgb(10, 20, 30)));
    EXPECT_TRUE(PixelIs(sheets.backPanel.image(), 100, 100, qRgb(10, 20, 30)));
}

TEST_F(BandCopies, UnreadableFileStopsBeforeDrawing)
{
    const QString path = writeTestFile(dir.filePath(QStringLiteral("broken.bmp")), "BMnot really");
    state.backPicture.choose(path, std::nullopt);
    sheets.backPanel.image().fill(qRgb(1, 2, 3));
    EXPECT_THROW(placeBackPicture(sheets, state, inputs), CommandError);
    EXPECT_TRUE(PixelIs(sheets.backPanel.image(), 0, 0, qRgb(1, 2, 3)));
}

using FrontPlacement = RepaintFixture;

TEST_F(FrontPlacement, AnyShapeFillsTheWholeFrontSheet)
{
    for (QSize size : {QSize(5, 2), QSize(1, 500), QSize(900, 7)}) {
        SCOPED_TRACE(size.width());
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(qRgb(200, 0, 0));
        // A different colour in the last columns shows the far edge (a narrowing drops columns).
        for (int y = 0; y < size.height(); ++y)
            for (int x = std::max(0, size.width() - 3); x < size.width(); ++x)
                picture.setPixel(x, y, qRgb(0, 0, 200));
        state.frontPicture.choose(save(QStringLiteral("front.bmp"), picture), std::nullopt);
        frontPicturePlacement(sheets, state);
        const QImage& front = sheets.frontCover.image();
        EXPECT_EQ(front.size(), QSize(361, 353));
        EXPECT_EQ(CountNot(front, front.rect(), qRgb(200, 0, 0)) +
                      CountNot(front, front.rect(), qRgb(0, 0, 200)),
                  361 * 353)
            << "every pixel shows the picture";
        EXPECT_TRUE(PixelIs(front, 360, 352, qRgb(0, 0, 200)));
        EXPECT_TRUE(PixelIs(front, 0, 0, size.width() <= 3 ? qRgb(0, 0, 200) : qRgb(200, 0, 0)));
    }
}

TEST(SolidWipe, WhitensVisibleSheetsAndLeavesBrushesClear)
{
    Sheets sheets(96);
    sheets.backComposite.image().fill(qRgb(5, 5, 5));
    for (SheetCanvas* sheet : sheets.visible()) {
        sheet->image().fill(qRgb(5, 5, 5));
        sheet->setBrushStyle(BrushStyle::Clear);
    }
    solidWipe(sheets);
    for (SheetCanvas* sheet : sheets.visible()) {
        EXPECT_TRUE(AreaIs(sheet->image(), sheet->image().rect(), kWhiteRgb));
        EXPECT_EQ(sheet->brushStyle(), BrushStyle::Clear);
    }
    EXPECT_TRUE(PixelIs(sheets.backComposite.image(), 0, 0, qRgb(5, 5, 5)));
}

} // namespace
