#pragma once

#include <optional>
#include <vector>

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

// The artist and title the left-aligned layout took from the track editor, and what it drew
// between them; the centred layout draws these again.
struct CoverTitles {
    QString artist;
    QString title;
    // ": " between an artist and a title that are both there, else empty.
    QString separator;
};

// What the sheets show once a layout has drawn its texts. The page prints these, never the
// track editor's newer edits.
struct ShownTexts {
    QString artist;
    QString title;
    QStringList tracks;
};

// What the last layout measured of the track lines on the back panel.
struct TrackMeasures {
    // Each line's width; only the first lines, as many as there are tracks, are current.
    std::vector<int> widths = std::vector<int>(kInitialTrackSlots, 0);
    int widestWidth = 0;
    QString longest;
    int blockHeight = 0;
    int lineHeight = 0;
};

// The face and colour of one side's texts. An empty face stands for kFallbackFace; a face
// name is kept to 31 characters.
class TextStyle {
public:
    const QString& face() const { return m_face; }
    void setFace(const QString& face) { m_face = clampFaceName(face); }
    Colour colour() const { return m_colour; }
    void setColour(Colour colour) { m_colour = colour; }

private:
    QString m_face;
    Colour m_colour = 0;
};

// One place for a picture on the cover, the back or the front: the file last chosen for it,
// whether the cover shows it, and the bitmap last loaded from that file (none while the file
// is gone). A hidden slot keeps its file name but no bitmap.
class PictureSlot {
public:
    const QString& file() const { return m_file; }
    bool shown() const { return m_shown; }
    const std::optional<Picture>& bitmap() const { return m_bitmap; }

    // A file chosen for this place: shown from now on, with what was loaded from it.
    void choose(const QString& file, std::optional<Picture> bitmap)
    {
        m_file = file;
        m_bitmap = std::move(bitmap);
        m_shown = true;
    }
    // What the same file gave when it was loaded again.
    void reload(std::optional<Picture> bitmap) { m_bitmap = std::move(bitmap); }
    // The bitmap goes with the pixels it was drawn into; the next repaint loads it again.
    void dropBitmap() { m_bitmap.reset(); }
    // Shown again from the file last chosen.
    void show() { m_shown = true; }
    // Neither shown nor printed until a file is chosen again; the file name stays.
    void hide()
    {
        m_shown = false;
        m_bitmap.reset();
    }

private:
    QString m_file;
    std::optional<Picture> m_bitmap;
    bool m_shown = false;
};

// The brush style each visible sheet had when the Image command last filled it; solid until
// the command has run once.
struct SavedBrushes {
    BrushStyle back = BrushStyle::Solid;
    BrushStyle front = BrushStyle::Solid;
    BrushStyle leftSpine = BrushStyle::Solid;
    BrushStyle rightSpine = BrushStyle::Solid;
};

// The one program-wide record of the cover. All zero at start; the windows share one
// instance. The track lines themselves live in the track editor's list.
struct EditorState {
    CoverTitles titles;
    TrackMeasures trackMeasures;
    int titleLineHeight = 0;

    TextStyle backFont;
    TextStyle frontFont;
    Colour outlineColour = 0;

    PictureSlot backPicture;
    PictureSlot frontPicture;
    // The store the pictures are loaded through, owned beside this state; without one every
    // load decodes its file anew.
    PictureProvider* pictures = nullptr;

    // Set by the centred layout, cleared by Left, Continue and New Cover: which layout the
    // commands run again.
    bool centredMode = false;
    // Set by the left-aligned layout, cleared by New Cover: whether any texts are on the cover.
    bool textLaidOut = false;

    SavedBrushes savedBrushes;

    // The texts of the layout last drawn, which is what the page prints: the track editor may
    // hold edits that the sheets never showed.
    ShownTexts shownTexts;
};

} // namespace plattera
