#include <cstring>

#include <QFontDatabase>
#include <QFontInfo>

#include <gtest/gtest.h>

#include "app/arial_face.h"
#include "app/startup.h"
#include "app/window_geometry.h"
#include "support/platform/app_fixture.h"
#include "support/test_files.h"

namespace {

struct EnvironmentCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> given;
    bool desktop;
    const char* platform; // QT_QPA_PLATFORM afterwards
};

const char* const kScaleVariables[] = {
    "QT_SCALE_FACTOR",      "QT_SCREEN_SCALE_FACTORS",     "QT_FONT_DPI",
    "QT_USE_PHYSICAL_DPI",  "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_SCALE_FACTOR_ROUNDING_POLICY",
    "QT_DEVICE_PIXEL_RATIO"};

class QtEnvironment : public ::testing::TestWithParam<EnvironmentCase> { };

// The program, not the environment, chooses Qt's platform and keeps every pixel size fixed.
TEST_P(QtEnvironment, IsTheProgramsOwnChoice)
{
    const SavedEnvironment saved({"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                  "QT_ENABLE_HIGHDPI_SCALING", "QT_SCALE_FACTOR",
                                  "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI", "QT_USE_PHYSICAL_DPI",
                                  "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_SCALE_FACTOR_ROUNDING_POLICY",
                                  "QT_DEVICE_PIXEL_RATIO"});
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_ENABLE_HIGHDPI_SCALING"})
        qunsetenv(name);
    for (const char* name : kScaleVariables)
        qputenv(name, "2");
    for (const auto& [name, value] : GetParam().given)
        qputenv(name, value);

    EXPECT_EQ(plattera::takeOverQtEnvironment(), GetParam().desktop);
    if (!GetParam().desktop)
        return;
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray(GetParam().platform));
    EXPECT_EQ(qgetenv("QT_ENABLE_HIGHDPI_SCALING"), QByteArray("0"));
    for (const char* name : kScaleVariables)
        EXPECT_FALSE(qEnvironmentVariableIsSet(name)) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, QtEnvironment,
    ::testing::Values(
        EnvironmentCase {"X11", {{"DISPLAY", ":0"}}, true, "xcb"},
        EnvironmentCase {
            "WaylandWithXWayland",
            {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
            true,
            "xcb;wayland"},
        EnvironmentCase {"WaylandOnly", {{"WAYLAND_DISPLAY", "wayland-0"}}, true, "wayland"},
        EnvironmentCase {"NoDesktop", {{"QT_QPA_PLATFORM", "offscreen"}}, false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Qt would take -reverse, -platform or -style from the command line; it sees only the name.
TEST(QtCommandLine, HoldsTheProgramNameAlone)
{
    char name[] = "plattera";
    plattera::QtCommandLine line(name);
    ASSERT_EQ(line.argc, 1);
    EXPECT_STREQ(line.argv[0], "plattera");
    EXPECT_EQ(line.argv[1], nullptr);
}

// The forms and the start-up check take Arial's face from one fontconfig match, not from Qt:
// it must be the face Qt finds for the name itself, and here one with Arial's metrics.
TEST(ArialFace, IsTheFaceQtFindsForArial)
{
    const QString face = plattera::arialFace();
    EXPECT_EQ(face, QFontInfo(QFont(QStringLiteral("Arial"))).family());
    EXPECT_EQ(QFontInfo(plattera::pixelFont(QStringLiteral("Arial"), 11)).family(), face);
    EXPECT_EQ(plattera::arialFontProblem(), QString());
}

// Qt sorts every installed face for a face name it does not list, the first time the name is
// used: on a desktop with thousands of faces that costs more than showing the window.
using FormFonts = AppFixture;
TEST_F(FormFonts, NameOnlyFacesQtLists)
{
    const QStringList listed = QFontDatabase::families();
    for (QWidget* window :
         std::initializer_list<QWidget*> {&mainWindow(), &trackEditor(), &aboutWindow()}) {
        QList<QWidget*> controls = window->findChildren<QWidget*>();
        controls << window;
        for (const QWidget* control : controls)
            EXPECT_TRUE(listed.contains(control->font().family()))
                << control->objectName().toStdString() << ": "
                << control->font().family().toStdString();
    }
}

} // namespace
