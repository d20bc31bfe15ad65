#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include "app/glyphs.h"
#include "support/image_assert.h"

using namespace plattera;

namespace {

QString installedIcon(const char* size)
{
    return QStringLiteral(PLATTERA_TEST_DATA "/../../resources/icons/hicolor/%1/apps/plattera.png")
        .arg(QLatin1String(size));
}

// The icon files that the install puts where desktops look must be the icon the windows show.
TEST(WindowIcon, InstalledPicturesMatchTheDrawing)
{
    for (auto [size, name] : {std::pair{16, "16x16"}, std::pair{48, "48x48"}}) {
        SCOPED_TRACE(name);
        const QImage file(installedIcon(name));
        ASSERT_FALSE(file.isNull()) << installedIcon(name).toStdString();
        const QImage drawn = windowIconImage(size);
        ASSERT_EQ(drawn.size(), QSize(size, size));
        EXPECT_EQ(file.convertToFormat(QImage::Format_ARGB32), drawn.convertToFormat(QImage::Format_ARGB32));
    }
}

TEST(Glyphs, DisabledFormGreysDarkPixelsWithAHighlightAndDropsLightOnes)
{
    QImage normal(4, 4, QImage::Format_ARGB32);
    normal.fill(Qt::transparent);
    normal.setPixel(1, 1, qRgb(0, 0, 128));     // dark: grey, highlight at (2, 2)
    normal.setPixel(0, 3, qRgb(255, 255, 0));   // light: gone
    normal.setPixel(3, 3, qRgb(200, 0, 0));     // dark at the edge: no room for its highlight
    const QImage grey = disabledGlyph(normal);
    EXPECT_EQ(grey.pixel(1, 1), qRgb(128, 128, 128));
    EXPECT_EQ(grey.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(qAlpha(grey.pixel(0, 3)), 0);
    EXPECT_EQ(grey.pixel(3, 3), qRgb(128, 128, 128));
    EXPECT_EQ(qAlpha(grey.pixel(0, 0)), 0);
}

} // namespace
