#pragma once

#include <optional>
#include <vector>

#include <QImage>
#include <QString>
#include <QStringList>

#include "model/canvas.h"
#include "model/colour.h"
#include "model/picture.h"

namespace plattera {

// The cover's face until the user chooses one: New Cover sets it, and an empty face name
// stands for it on the sheets and on the page.
inline const QString kFallbackFace = QStringLiteral("arial");

// Room the track width table starts with; it grows with the track list so that every
// track the user entered is measured.
constexpr int kInitialTrackSlots = 41;

// The one program-wide record of the cover. All zero at start; the windows share one
// instance and read and write its fields directly.
struct EditorState {
    // Texts and measurements.
    QString ArtistText;
    QString TitleText;
    QString TitleSeparator;
    int TrackCount = 0;
    bool HasTracks = false;
    std::vector<int> TrackWidths = std::vector<int>(kInitialTrackSlots, 0);
    int MaxTrackWidth = 0;
    QString LongestTrack;
    int TrackBlockHeight = 0;
    int TrackLineHeight = 0;
    int TitleLineHeight = 0;

    // Fonts, colours, pictures, modes. An empty face name stands for kFallbackFace.
    QString BackFontName;
    Colour BackFontColor = 0;
    QString FrontFontName;
    Colour FrontFontColor = 0;
    Colour OutlineColor = 0;
    QString BackPictureFile;
    QString FrontPictureFile;
    bool HasBackPicture = false;
    bool HasFrontPicture = false;
    std::optional<Picture> BackPicture;
    std::optional<Picture> FrontPicture;
    // The store the pictures are loaded through, owned beside this state; without one every
    // load decodes its file anew.
    PictureProvider* Pictures = nullptr;
    bool CentredMode = false;
    bool TextLaidOut = false;

    // Brush styles recorded by the Image command; solid until it has run once.
    BrushStyle SavedBackBrushStyle = BrushStyle::Solid;
    BrushStyle SavedFrontBrushStyle = BrushStyle::Solid;
    BrushStyle SavedLeftSpineBrushStyle = BrushStyle::Solid;
    BrushStyle SavedRightSpineBrushStyle = BrushStyle::Solid;

    // The texts of the layout last drawn, which is what the page prints: the track editor may
    // hold edits that the sheets never showed.
    QString PrintArtistText;
    QString PrintTitleText;
    QStringList PrintTracks;

    // Face names are kept to 31 characters.
    void setBackFontName(const QString& face) { BackFontName = clampFaceName(face); }
    void setFrontFontName(const QString& face) { FrontFontName = clampFaceName(face); }
};

} // namespace plattera
