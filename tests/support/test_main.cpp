#include <cstdlib>

#ifdef PLATTERA_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication; // the libraries below the windows link no widgets
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Headless: no test needs or touches a display, and pixel sizes never scale.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
