#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "app/startup.h"
#include "app/main_window.h"
#include "app/about_window.h"
#include "model/editor_state.h"
#include "model/sheets.h"
#include "pictures/picture_store.h"
#include "support/platform/scripted_platform.h"
#include "app/track_editor.h"

// The program as start-up leaves it, on the scripted platform at 96 pixels per inch and a
// 1024 x 768 screen (change `platform` before calling start() for other screens).
class AppFixture : public ::testing::Test {
protected:
    ScriptedPlatform platform;
    plattera::PictureStore pictures;
    plattera::EditorState state;
    std::unique_ptr<plattera::Sheets> sheetsPtr;
    plattera::AppWindows windows;

    void SetUp() override { start(); }

    void start()
    {
        windows = plattera::AppWindows();
        state = plattera::EditorState();
        pictures.clear();
        state.pictures = &pictures;
        sheetsPtr = std::make_unique<plattera::Sheets>(platform.logicalDpiY());
        windows = plattera::createWindows(platform, state, *sheetsPtr);
    }

    plattera::MainWindow& mainWindow() { return *windows.mainWindow; }
    plattera::TrackEditor& trackEditor() { return *windows.trackEditor; }
    plattera::AboutWindow& aboutWindow() { return *windows.aboutWindow; }
    plattera::Sheets& sheets() { return *sheetsPtr; }
};
