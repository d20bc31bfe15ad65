#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "model/canvas.h"
#include "model/colour.h"

namespace plattera {

// The steps that put the cover's texts on a target, written once for the sheets and the page.
// Each target describes itself by a geometry in its own units; the steps draw through Canvas
// and know nothing else of the target. The caller sets the brushes and the fonts (setTextFont).

// Where the texts go and how far they may reach, in the target's units.
struct CoverTextGeometry {
    // +1 where y grows downwards (sheet pixels), -1 where it grows upwards (page units): the
    // direction from one track line to the next and from the front's first line to its second.
    int down = 1;

    // Track lines: the block of all lines fits when lower than trackBlockLimit, the widest line
    // when narrower than trackWidthLimit. The first line's top lies at trackTop.
    int trackBlockLimit = 0;
    int trackWidthLimit = 0;
    int trackLeft = 0;
    int trackCentre = 0;
    int trackTop = 0;

    // Front: both lines narrower than frontWidthLimit, centred on frontCentre; the first ends
    // and the second starts at frontDivide.
    int frontWidthLimit = 0;
    int frontCentre = 0;
    int frontDivide = 0;

    // Spines: a cell thinner than spineThicknessLimit, a text shorter than spineLengthLimit,
    // centred along the spine on spineCentre. The left spine reads upwards, the right downwards.
    int spineThicknessLimit = 0;
    int spineLengthLimit = 0;
    int spineCentre = 0;
    int leftSpineX = 0;
    int rightSpineX = 0;
    // The page hangs the right text from its fitted cell height: x = rightSpineX + cell height.
    bool rightSpineAfterCell = false;
    // The page fits and centres the text as drawn; the sheets always count ": " in, so that the
    // spine text does not move when the artist or the title is missing.
    bool spineFitsDrawnText = false;
};

// Drawn between an artist and a title that are both there, and always counted in where the
// front and spine texts are fitted.
inline const QString kTitleSeparator = QStringLiteral(": ");

// Face, colour and start size of one step's font.
struct TextFont {
    QString face; // empty: kFallbackFace
    Colour colour = 0;
    int points = 0;
};

// kFallbackFace first, then the face (an empty one leaves kFallbackFace), the colour, and the
// size last, so the font is unrotated.
void setTextFont(Canvas& canvas, const TextFont& font);

// The artist, the separator drawn after it (empty unless both texts are) and the title.
struct TitleTexts {
    QString artist;
    QString separator;
    QString title;
};

// What the track fit measured, for the sheets to keep in the editor state.
struct TrackFit {
    // Cell height times the line count in the font reached by the height fit (0 without lines).
    int blockHeight = 0;
    // Each line's width in the font reached by the height fit, before the width fit.
    std::vector<int> widths;
    // The first of the widest lines (wider than nothing), -1 when there is none.
    int widest = -1;
    // Its width after the width fit; 0 when there is no widest line.
    int widestWidth = 0;
    // The cell height in the fitted font; none without lines.
    std::optional<int> lineHeight;
};

// Shrinks the panel's font until the block of lines and then the widest line fit.
TrackFit fitTrackLines(Canvas& panel, const QStringList& lines, const CoverTextGeometry& geometry);

// Draws line i at trackTop + down * i * lineHeight, from trackLeft or centred on trackCentre.
// Returns the widths the centred lines were placed with (empty when left-aligned).
std::vector<int> drawTrackLines(Canvas& panel, const QStringList& lines, int lineHeight,
                                bool centred, const CoverTextGeometry& geometry);

// Fits and draws the front's two lines; returns the line height in the fitted font. The artist
// is fitted with ": " whatever the separator, so both lines end up in the same size.
int drawFrontLines(Canvas& front, const TitleTexts& texts, const CoverTextGeometry& geometry);

// Fits the spine text on the left spine, shrinking both spine fonts together (left and right
// may be one canvas), and draws it turned on each. The turns stay on the fonts.
void drawSpineTexts(Canvas& left, Canvas& right, const TitleTexts& texts,
                    const CoverTextGeometry& geometry);

} // namespace plattera
