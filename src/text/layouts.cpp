#include "text/layouts.h"

#include <algorithm>
#include <array>

#include "model/sheet_text_thread.h"
#include "model/text_fitting.h"
#include "pictures/outlines.h"
#include "pictures/repaint.h"
#include "text/cover_text.h"

namespace plattera {

namespace {

// The sheets' own margins and positions; the limits follow the sheets' sizes.
constexpr int kFrontWidthMargin = 10;
constexpr int kSpineLengthMargin = 5;
constexpr int kTrackHeightMargin = 4;
constexpr int kTrackWidthMargin = 30;
constexpr int kTrackLeft = 10;
constexpr int kTrackTop = 5;
constexpr int kLeftSpineX = 1;
constexpr int kRightSpineX = 21;

CoverTextGeometry sheetGeometry(Sheets& s)
{
    CoverTextGeometry g;
    g.down = 1;
    g.trackBlockLimit = s.backPanel.height() - kTrackHeightMargin;
    g.trackWidthLimit = s.backPanel.width() - kTrackWidthMargin;
    g.trackLeft = kTrackLeft;
    g.trackCentre = s.backPanel.width() / 2;
    g.trackTop = kTrackTop;
    g.frontWidthLimit = s.frontCover.width() - kFrontWidthMargin;
    g.frontCentre = s.frontCover.width() / 2;
    g.frontDivide = s.frontCover.height() / 2;
    g.spineThicknessLimit = s.leftSpine.width();
    g.spineLengthLimit = s.leftSpine.height() - kSpineLengthMargin;
    g.spineCentre = s.leftSpine.height() / 2;
    g.leftSpineX = kLeftSpineX;
    g.rightSpineX = kRightSpineX;
    return g;
}

void setLayoutFonts(Sheets& s, const EditorState& state)
{
    const TextFont back {state.backFont.face(), state.backFont.colour(), kPanelStartSize};
    setTextFont(s.backPanel, back);
    setTextFont(s.leftSpine, {back.face, back.colour, kSpineStartSize});
    setTextFont(s.rightSpine, {back.face, back.colour, kSpineStartSize});
    setTextFont(s.frontCover, {state.frontFont.face(), state.frontFont.colour(), kPanelStartSize});
}

TitleTexts titleTexts(const EditorState& state)
{
    return {state.titles.artist, state.titles.separator, state.titles.title};
}

void drawFront(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    if (inputs.noFrontText)
        return;
    SheetCanvas& front = s.frontCover;
    if (state.frontPicture.shown())
        front.setBrushStyle(BrushStyle::Clear);
    else if (state.backPicture.shown())
        front.setBrushStyle(state.savedBrushes.front);
    state.titleLineHeight = drawFrontLines(front, titleTexts(state), sheetGeometry(s));
}

void drawSpines(Sheets& s, const EditorState& state)
{
    if (state.backPicture.shown())
        setBrushes(std::array {&s.leftSpine, &s.rightSpine}, BrushStyle::Clear);
    drawSpineTexts(s.leftSpine, s.rightSpine, titleTexts(state), sheetGeometry(s));
}

// The fits of the back panel's track lines, kept in the state.
QStringList fitTracks(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    const QStringList& lines = inputs.tracks;
    const TrackFit fit = fitTrackLines(s.backPanel, lines, sheetGeometry(s));
    state.trackMeasures.blockHeight = fit.blockHeight;
    // Every entered track has its entry: the table grows with the list.
    if (state.trackMeasures.widths.size() < fit.widths.size())
        state.trackMeasures.widths.resize(fit.widths.size(), 0);
    std::copy(fit.widths.begin(), fit.widths.end(), state.trackMeasures.widths.begin());
    state.trackMeasures.widestWidth = fit.widestWidth;
    if (fit.widest >= 0)
        state.trackMeasures.longest = lines[fit.widest];
    if (fit.lineHeight)
        state.trackMeasures.lineHeight = *fit.lineHeight;
    return lines;
}

// Called once the pictures are on the sheets: a layout that stops at an unreadable picture
// draws no texts, and the page keeps printing the texts last drawn.
void keepPrintedTexts(EditorState& state, const QStringList& lines)
{
    state.shownTexts.artist = state.titles.artist;
    state.shownTexts.title = state.titles.title;
    state.shownTexts.tracks = lines;
}

// The texts of each layout, measured and drawn on the sheet text thread in one visit: the fits
// take hundreds of measures, and a visit per measure would wait for that thread each time.

void drawLeftAlignedTexts(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    setLayoutFonts(s, state);
    state.titles.separator = !state.titles.artist.isEmpty() && !state.titles.title.isEmpty()
        ? kTitleSeparator
        : QString();

    drawFront(s, state, inputs);
    drawSpines(s, state);

    SheetCanvas& panel = s.backPanel;
    const QStringList lines = fitTracks(s, state, inputs);
    keepPrintedTexts(state, lines);
    if (state.frontPicture.shown() && !state.backPicture.shown())
        panel.setBrushStyle(state.savedBrushes.back);
    if (state.backPicture.shown())
        panel.setBrushStyle(BrushStyle::Clear);
    drawTrackLines(panel, lines, state.trackMeasures.lineHeight, false, sheetGeometry(s));
}

void drawCentredTexts(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    setLayoutFonts(s, state);

    SheetCanvas& panel = s.backPanel;
    const QStringList lines = fitTracks(s, state, inputs);
    keepPrintedTexts(state, lines);
    if (state.backPicture.shown())
        panel.setBrushStyle(BrushStyle::Clear);
    // The lines are centred with their widths in the fitted font, which the state then keeps.
    const std::vector<int> widths =
        drawTrackLines(panel, lines, state.trackMeasures.lineHeight, true, sheetGeometry(s));
    std::copy(widths.begin(), widths.end(), state.trackMeasures.widths.begin());

    drawFront(s, state, inputs);
    drawSpines(s, state);
}

} // namespace

void leftAlignedLayout(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    state.textLaidOut = true;
    state.titles.artist = inputs.artist;
    state.titles.title = inputs.title;

    wipeCover(s, state);

    if (state.backPicture.shown()) {
        // The composite is spread as it stands: the picture's bitmap is loaded again for the
        // page, not stretched again.
        reloadBackPicture(s, state);
        fillWithSavedSpineBrushes(s, state);
        spreadBackBands(s, inputs.extendBackPicture);
    }
    if (state.frontPicture.shown())
        frontPicturePlacement(s, state);

    onSheetTextThread([&] { drawLeftAlignedTexts(s, state, inputs); });

    drawOutlineLayer(s, state.outlineColour, inputs);
}

void centredLayout(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    state.centredMode = true;
    onSheetTextThread([&] { drawCentredTexts(s, state, inputs); });

    drawOutlineLayer(s, state.outlineColour, inputs);
}

} // namespace plattera
