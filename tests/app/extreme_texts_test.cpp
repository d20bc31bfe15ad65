#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/controls.h"
#include "model/text_fitting.h"
#include "support/image_assert.h"
#include "support/platform/app_fixture.h"

using namespace plattera;

// Texts far beyond any real cover: every layout and the print must end and draw what they can.
class ExtremeTexts : public AppFixture {
protected:
    QTemporaryDir dir;

    void typeTracks(const QStringList& lines)
    {
        for (const QString& line : lines) {
            control<QLineEdit>(trackEditor(), "Edit1")->setText(line);
            trackEditor().onInsert();
        }
    }

    void continueLayout()
    {
        trackEditor().onContinue();
        ASSERT_TRUE(platform.errors.empty()) << platform.errors.front().text.toStdString();
    }

    void printToPdf()
    {
        const QString pdf = dir.filePath(QStringLiteral("cover.pdf"));
        platform.printAnswers.push_back(pdf);
        mainWindow().runCommand([this] { mainWindow().onPrint(); });
        ASSERT_TRUE(platform.errors.empty()) << platform.errors.front().text.toStdString();
        EXPECT_GT(QFileInfo(pdf).size(), 0);
    }
};

TEST_F(ExtremeTexts, AThousandTracksAreAllMeasuredAndShrinkToTheFloor)
{
    QStringList lines;
    for (int i = 0; i < 1000; ++i)
        lines << QStringLiteral("Track title number %1").arg(i);
    typeTracks(lines);
    continueLayout();
    EXPECT_EQ(trackEditor().trackLines().size(), 1000);
    ASSERT_GE(state.trackMeasures.widths.size(), 1000u);
    EXPECT_GT(state.trackMeasures.widths[999], 0);
    EXPECT_EQ(sheets().backPanel.font().size, kSmallestFontSize);

    mainWindow().runCommand([this] { mainWindow().onCentre(); });
    EXPECT_TRUE(platform.errors.empty());
    EXPECT_TRUE(state.centredMode);
    printToPdf();
}

TEST_F(ExtremeTexts, TenThousandCharacterTitleEndsAtOnePoint)
{
    control<QLineEdit>(trackEditor(), "Edit2")->setText(QString(10000, QLatin1Char('W')));
    control<QLineEdit>(trackEditor(), "Edit3")->setText(QStringLiteral("Artist"));
    typeTracks({QStringLiteral("one")});
    continueLayout();
    EXPECT_EQ(sheets().frontCover.font().size, kSmallestFontSize);
    EXPECT_EQ(sheets().leftSpine.font().size, kSmallestFontSize);
    EXPECT_EQ(sheets().rightSpine.font().size, kSmallestFontSize);
    printToPdf();
}

TEST_F(ExtremeTexts, BlankRightToLeftAndCombiningTextsLayOutAndPrint)
{
    // "Shalom" in Hebrew, and e with a combining acute accent beside its precomposed form.
    const QString rightToLeft = QString::fromUtf8("\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d");
    const QString combining = QString::fromUtf8("Cafe\xcc\x81 / Caf\xc3\xa9");
    control<QLineEdit>(trackEditor(), "Edit3")->setText(rightToLeft);
    control<QLineEdit>(trackEditor(), "Edit2")->setText(combining);
    typeTracks({QStringLiteral("      "), rightToLeft, combining});
    continueLayout();
    EXPECT_EQ(state.titles.separator, QStringLiteral(": "));
    EXPECT_GT(state.trackMeasures.widths[1], 0);
    EXPECT_GT(state.trackMeasures.widths[0], 0); // spaces have a width, though they draw nothing
    // Something was drawn on the front: the texts are not lost on the way.
    EXPECT_GT(CountNot(sheets().frontCover.image(), QRect(1, 1, 359, 351), qRgb(255, 255, 255)), 0);
    printToPdf();
}
