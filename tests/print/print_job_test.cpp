#include <cstdlib>
#include <functional>
#include <ostream>
#include <stdexcept>

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zlib.h>

#include "model/errors.h"
#include "pictures/picture_store.h"
#include "support/image_assert.h"
#include "support/test_files.h"
#include "print/pdf_pictures.h"
#include "print/print_cover.h"
#include "print/print_job.h"
#include "print/print_settings.h"
#include "printed_page.h"

using namespace plattera;

namespace {

// Red top-left, green top-right, blue bottom-left, black bottom-right, split at (sx, sy):
// shows where a picture lands and which way up.
QImage quadrants(int w, int h, int sx, int sy)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y,
                         y < sy ? (x < sx ? qRgb(255, 0, 0) : qRgb(0, 255, 0))
                                : (x < sx ? qRgb(0, 0, 255) : qRgb(0, 0, 0)));
    return img;
}

class PrintPictureTest : public ::testing::TestWithParam<bool> { };

TEST_P(PrintPictureTest, PicturesFillTheirRectanglesUprightAtFullResolution)
{
    if (!PrintedPage::canRasterise())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    const bool extend = GetParam();
    EditorState state;
    CoverInputs inputs;
    inputs.backOutline = inputs.frontOutline = inputs.verticalLines = false;
    inputs.extendBackPicture = extend;

    // Far wider, and far taller, than their places; the splits fall on whole page units.
    state.backPicture.choose(QString(), quadrants(1234, 47, 617, 23));
    state.frontPicture.choose(QString(), quadrants(22, 300, 11, 150));
    PrintedPage page;
    printCoverJob(page.printer, state, inputs);
    page.rasterise();
    ASSERT_EQ(page.pages, 1);
    const int backLeft = extend ? 200 : 260, backRight = extend ? 1700 : 1640;
    // The rasteriser may darken a pixel an edge only touches: within a tenth of a millimetre.
    const auto near = [&](const QRect& region, bool (*colour)(QRgb), const QRect& want) {
        const QRect got = page.find(region, colour);
        return std::abs(got.left() - want.left()) <= 1 && std::abs(got.top() - want.top()) <= 1 &&
            std::abs(got.right() - want.right()) <= 1 &&
            std::abs(got.bottom() - want.bottom()) <= 1;
    };
    EXPECT_TRUE(near(QRect(0, 0, 1800, 1290), PrintedPage::isRed,
                     QRect(QPoint(backLeft, 100), QPoint(949, 674))));
    EXPECT_TRUE(near(QRect(0, 0, 1800, 1290), PrintedPage::isBlack,
                     QRect(QPoint(950, 675), QPoint(backRight - 1, 1274))));
    EXPECT_TRUE(near(QRect(0, 1290, 1800, 1300), PrintedPage::isRed,
                     QRect(QPoint(200, 1300), QPoint(804, 1899))));
    EXPECT_TRUE(near(QRect(0, 1290, 1800, 1300), PrintedPage::isBlack,
                     QRect(QPoint(805, 1900), QPoint(1409, 2499))));
    if (!extend) { // white spines
        EXPECT_TRUE(
            page.find(QRect(200, 100, 59, 1175), std::not_fn(PrintedPage::isWhite)).isNull());
        EXPECT_TRUE(
            page.find(QRect(1641, 100, 59, 1175), std::not_fn(PrintedPage::isWhite)).isNull());
    }
    EXPECT_EQ(page.embeddedImages(), QStringList({"1234 x 47", "22 x 300"}));
}

INSTANTIATE_TEST_SUITE_P(ExtendBackPicture, PrintPictureTest, ::testing::Bool());

TEST(PrintJob, AFailingPageClosesTheJobAndTheNextOnePrints)
{
    if (!PrintedPage::canRasterise())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    PrintedPage page;
    EXPECT_THROW(
        runPrintJob(page.printer, [](PageCanvas&) { throw std::runtime_error("out of ink"); }),
        std::runtime_error);
    EXPECT_NE(page.printer.printerState(), QPrinter::Active);
    EditorState state;
    printCoverJob(page.printer, state, CoverInputs());
    page.rasterise();
    EXPECT_EQ(page.pages, 1);
    EXPECT_FALSE(page.find(page.image.rect()).isNull());
}

TEST(PrintJob, AJobThatCannotStartIsACommandError)
{
    PrintedPage page;
    page.printer.setOutputFileName(page.dir.filePath(QStringLiteral("missing/folder/page.pdf")));
    EXPECT_THROW(printCoverJob(page.printer, EditorState(), CoverInputs()), CommandError);
    EXPECT_NE(page.printer.printerState(), QPrinter::Active);
}

// Pictures from lossless files reach the PDF pixel for pixel; a JPEG may go in as JPEG again.
TEST(PrintJob, LosslessPicturesKeepEveryPixelAndJpegsStayJpegs)
{
    if (!PrintedPage::canRasterise())
        GTEST_SKIP() << "pdfimages (poppler-utils) is not installed";
    PrintedPage page;
    const QString bmp =
        writeTestBmp(page.dir.filePath(QStringLiteral("edges.bmp")), quadrants(64, 48, 20, 30));
    const QString jpeg = QStringLiteral(PLATTERA_TEST_DATA "/jpeg_baseline.jpg");
    for (const QString& path : {bmp, jpeg}) {
        SCOPED_TRACE(path.toStdString());
        const std::optional<Picture> picture = loadPictureBitmap(path, 96);
        ASSERT_TRUE(picture);
        runPrintJob(page.printer, [&](PageCanvas& canvas) {
            canvas.stretchDraw(QRect(100, -100, 640, -480), *picture);
        });
        const QString list =
            PrintedPage::run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), page.pdf()});
        EXPECT_EQ(list.contains(QStringLiteral(" jpeg ")), path == jpeg) << list.toStdString();
        if (path == bmp) {
            PrintedPage::run(
                QStringLiteral("pdfimages"),
                {QStringLiteral("-png"), page.pdf(), page.dir.filePath(QStringLiteral("img"))});
            const QImage embedded(page.dir.filePath(QStringLiteral("img-000.png")));
            EXPECT_TRUE(
                ImagesEqual(embedded.convertToFormat(QImage::Format_RGB32), picture->image));
        }
    }
}

// A job for a queue no scheduler knows (none may be running at all) must not end "printed".
TEST(PrintJob, AJobNoSchedulerTakesIsACommandError)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(QStringLiteral("plattera-no-such-queue"));
    printer.setOutputFormat(QPrinter::NativeFormat);
    EXPECT_THROW(printCoverJob(printer, EditorState(), CoverInputs()), CommandError);
}

// Every page a dialog can hand over: the cover whole at its place from the printable corner,
// or the reason and no file at all.
struct PageChoice {
    const char* name;
    QPageSize size;
    QPageLayout::Orientation orientation;
    double marginMm; // a printer's own margins all round; 0 keeps the PDF's
    const char* refusal;
};

void PrintTo(const PageChoice& choice, std::ostream* out)
{
    *out << choice.name;
}

class PageChoices : public ::testing::TestWithParam<PageChoice> { };

TEST_P(PageChoices, PrintTheCoverWholeOrSayWhyBeforeAnythingIsWritten)
{
    if (!PrintedPage::canRasterise())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    const PageChoice& choice = GetParam();
    PrintedPage page;
    page.printer.setPageSize(choice.size);
    page.printer.setPageOrientation(choice.orientation);
    keepCoverAtPhysicalSize(page.printer);
    if (choice.marginMm > 0)
        page.printer.setPageMargins(
            QMarginsF(choice.marginMm, choice.marginMm, choice.marginMm, choice.marginMm),
            QPageLayout::Millimeter);
    if (choice.refusal) {
        try {
            printCoverJob(page.printer, EditorState(), CoverInputs());
            ADD_FAILURE() << "the cover was printed";
        } catch (const CommandError& error) {
            EXPECT_EQ(QString::fromUtf8(error.what()), QString::fromUtf8(choice.refusal));
        }
        EXPECT_FALSE(QFile::exists(page.pdf()));
        return;
    }
    printCoverJob(page.printer, EditorState(), CoverInputs());
    page.rasterise();
    ASSERT_EQ(page.pages, 1);
    EXPECT_EQ(page.image.size(), QSize(1800, 2600)) << "the page is not portrait";
    // The outlines: back insert from 20.0 x 10.0 mm, front insert down to 250.0 mm.
    EXPECT_EQ(page.find(QRect(0, 0, 1800, 2600)), QRect(QPoint(200, 100), QPoint(1699, 2499)));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageChoices,
    ::testing::Values(
        PageChoice {"A4", QPageSize(QPageSize::A4), QPageLayout::Portrait, 0, nullptr},
        PageChoice {"Letter", QPageSize(QPageSize::Letter), QPageLayout::Portrait, 0, nullptr},
        PageChoice {"Landscape", QPageSize(QPageSize::A4), QPageLayout::Landscape, 0, nullptr},
        PageChoice {"A5", QPageSize(QPageSize::A5), QPageLayout::Portrait, 0,
                    "The page A5 (148 x 210 mm) is too small for the cover: it needs a printable "
                    "area of 170 x 250 mm, as A4 and Letter have."},
        PageChoice {"JisB5", QPageSize(QPageSize::JisB5), QPageLayout::Portrait, 5.5,
                    "The page JIS B5 (182 x 257 mm) is too small for the cover: its printable "
                    "area is 171 x 246 mm, and it needs a printable area of 170 x 250 mm, as A4 "
                    "and Letter have."},
        PageChoice {"Borderless4x6", QPageSize(QSizeF(4, 6), QPageSize::Inch),
                    QPageLayout::Portrait, 0.001,
                    "The custom page (101.6 x 152.4 mm) is too small for the cover: it needs a "
                    "printable area of 170 x 250 mm, as A4 and Letter have."}),
    [](const ::testing::TestParamInfo<PageChoice>& info) { return std::string(info.param.name); });

// The dialog's own options stay; a name is matched as a name, never as another option's value.
TEST(PrintJob, CupsOptionsJoinTheDialogsOwn)
{
    EXPECT_EQ(withCupsOptions({"job-billing", "fit-to-page", "fit-to-page", "true", "media", "A4"},
                              {"print-scaling", "none", "fit-to-page", "false"}),
              QStringList({"job-billing", "fit-to-page", "fit-to-page", "false", "media", "A4",
                           "print-scaling", "none"}));
}

TEST(PrintJob, FileNamesHoldWhatEveryFileSystemTakes)
{
    const QString clef = QStringLiteral("\U0001D11E"); // two UTF-16 units, four UTF-8 bytes
    const QString rows[][3] = {{"AC/DC", "What?  <Live>\t|", "AC_DC - What_ _Live_ _.pdf"},
                               {"", " ", "Plattera v2.1.pdf"},
                               {"...\a", "", "_.._.pdf"},
                               {clef.repeated(40), "", clef.repeated(30) + ".pdf"}};
    for (const auto& [artist, title, file] : rows)
        EXPECT_EQ(printFileName(QStringLiteral("Plattera v2.1"), artist, title), file);
}

// In grey Qt turns pictures grey itself; a picture kept back for the file must not get lost.
TEST(PrintJob, AGreyJobPrintsItsLosslessPictures)
{
    PrintedPage page;
    page.printer.setColorMode(QPrinter::GrayScale);
    runPrintJob(page.printer, [&](PageCanvas& canvas) {
        canvas.stretchDraw(QRect(100, -100, 640, -480), quadrants(64, 48, 20, 30));
    });
    EXPECT_EQ(page.embeddedImages(), QStringList({"64 x 48"}));
}

// The stand-ins are found by the bytes Qt's engine writes for them: a Qt that writes them
// otherwise fails here, not only when a print refuses its pictures.
TEST(PdfPictures, QtWritesTheStandInAsItIsLookedFor)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.pdf"));
    PdfPictures pictures;
    {
        QPdfWriter writer(path);
        QPainter painter(&writer);
        painter.drawImage(QRectF(0, 0, 640, 480), pictures.standIn(quadrants(64, 48, 20, 30)),
                          QRectF(0, 0, 1, 1));
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count(qtStandInDictionary()), 1);
    file.close();
    const Check written = pictures.writeInto(path);
    EXPECT_TRUE(written) << written.reason().toStdString();
}

// Rows undone from the Sub filter after inflating: one pixel, flat colour, and noise over
// several blocks of residues.
TEST(PdfPictures, RowsInflateToEveryPixel)
{
    unsigned seed = 7;
    QImage noise(900, 1000, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, seed = seed * 1664525u + 1013904223u);
    for (const QImage& picture : {quadrants(1, 1, 1, 1), quadrants(300, 40, 100, 20), noise}) {
        const QByteArray packed = deflatePictureRows(picture);
        const qsizetype rowBytes = qsizetype(picture.width()) * 3 + 1;
        QByteArray rows(rowBytes * picture.height(), Qt::Uninitialized);
        uLongf size = uLongf(rows.size());
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(rows.data()), &size,
                             reinterpret_cast<const Bytef*>(packed.constData()),
                             uLong(packed.size())),
                  Z_OK);
        ASSERT_EQ(qsizetype(size), rows.size());
        QImage unpacked(picture.size(), QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            const uchar* row = reinterpret_cast<const uchar*>(rows.constData()) + y * rowBytes;
            uchar pixel[3] = {0, 0, 0};
            for (int x = 0; x < picture.width(); ++x) {
                for (int c = 0; c < 3; ++c)
                    pixel[c] = uchar(pixel[c] + row[1 + 3 * x + c]);
                unpacked.setPixel(x, y, qRgb(pixel[0], pixel[1], pixel[2]));
            }
        }
        EXPECT_TRUE(ImagesEqual(unpacked, picture));
    }
}

} // namespace
