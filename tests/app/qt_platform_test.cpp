#include <gtest/gtest.h>

#include "app/qt_platform.h"
#include "pictures/picture_formats.h"

// The picture dialog gets the program's filter; Qt wants its patterns space-separated in
// brackets, or the dialog would list no files at all.
TEST(QtPlatform, PictureFilterBecomesQtNameFilters)
{
    const QStringList filters = plattera::toQtNameFilters(plattera::PictureDialogSettings().filter);
    ASSERT_EQ(filters.size(), 8);
    EXPECT_EQ(filters[0], QStringLiteral("All (*.gif *.jpg *.jpeg *.bmp *.ico *.emf *.wmf)"));
    EXPECT_EQ(filters[1], QStringLiteral("GIF Image (*.gif)"));
    EXPECT_EQ(filters[3], QStringLiteral("JPEG Image File (*.jpeg)"));
    EXPECT_EQ(filters[7], QStringLiteral("Metafiles (*.wmf)"));
}
