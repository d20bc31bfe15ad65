#include "text/layouts.h"

#include <algorithm>
#include <array>

#include "model/text_fitting.h"
#include "pictures/outlines.h"
#include "pictures/repaint.h"
#include "text/cover_text.h"

namespace plattera {

namespace {

// Always part of the spine and front fits; drawn only between an artist and a title.
const QString kSeparator = QStringLiteral(": ");

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

// Track line i for i below TrackCount; the list and TrackCount normally agree, a missing line
// counts as empty.
QStringList trackLines(const EditorState& state, const CoverInputs& inputs)
{
    QStringList lines;
    for (int i = 0; i < state.TrackCount; ++i)
        lines << inputs.tracks.value(i);
    return lines;
}

void setLayoutFonts(Sheets& s, const EditorState& state)
{
    const TextFont back {state.BackFontName, state.BackFontColor, kPanelStartSize};
    setTextFont(s.backPanel, back);
    setTextFont(s.leftSpine, {back.face, back.colour, kSpineStartSize});
    setTextFont(s.rightSpine, {back.face, back.colour, kSpineStartSize});
    setTextFont(s.frontCover, {state.FrontFontName, state.FrontFontColor, kPanelStartSize});
}

TitleTexts titleTexts(const EditorState& state)
{
    return {state.ArtistText, state.TitleSeparator, state.TitleText};
}

void drawFront(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    if (inputs.noFrontText)
        return;
    SheetCanvas& front = s.frontCover;
    if (state.HasFrontPicture)
        front.setBrushStyle(BrushStyle::Clear);
    else if (state.HasBackPicture)
        front.setBrushStyle(state.SavedFrontBrushStyle);
    state.TitleLineHeight = drawFrontLines(front, titleTexts(state), sheetGeometry(s));
}

void drawSpines(Sheets& s, const EditorState& state)
{
    if (state.HasBackPicture)
        setBrushes(std::array {&s.leftSpine, &s.rightSpine}, BrushStyle::Clear);
    drawSpineTexts(s.leftSpine, s.rightSpine, titleTexts(state), sheetGeometry(s));
}

// The fits of the back panel's track lines, kept in the state.
QStringList fitTracks(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    const QStringList lines = trackLines(state, inputs);
    const TrackFit fit = fitTrackLines(s.backPanel, lines, state.HasTracks, sheetGeometry(s));
    state.TrackBlockHeight = fit.blockHeight;
    // Every entered track has its entry: the table grows with the list.
    if (state.TrackWidths.size() < fit.widths.size())
        state.TrackWidths.resize(fit.widths.size(), 0);
    std::copy(fit.widths.begin(), fit.widths.end(), state.TrackWidths.begin());
    state.MaxTrackWidth = fit.widestWidth;
    if (fit.widest >= 0)
        state.LongestTrack = lines[fit.widest];
    if (fit.lineHeight)
        state.TrackLineHeight = *fit.lineHeight;
    return lines;
}

// Called once the pictures are on the sheets: a layout that stops at an unreadable picture
// draws no texts, and the page keeps printing the texts last drawn.
void keepPrintedTexts(EditorState& state, const QStringList& lines)
{
    state.PrintArtistText = state.ArtistText;
    state.PrintTitleText = state.TitleText;
    state.PrintTracks = lines;
}

} // namespace

void leftAlignedLayout(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    state.TextLaidOut = true;
    state.ArtistText = inputs.artist;
    state.TitleText = inputs.title;

    wipeCover(s, state);

    if (state.HasBackPicture)
        backPicturePlacement(s, state, inputs, BackPlacementForm::Layout);
    if (state.HasFrontPicture)
        frontPicturePlacement(s, state);

    setLayoutFonts(s, state);
    state.TitleSeparator =
        !state.ArtistText.isEmpty() && !state.TitleText.isEmpty() ? kSeparator : QString();

    drawFront(s, state, inputs);
    drawSpines(s, state);

    SheetCanvas& panel = s.backPanel;
    const QStringList lines = fitTracks(s, state, inputs);
    keepPrintedTexts(state, lines);
    if (state.HasFrontPicture && !state.HasBackPicture)
        panel.setBrushStyle(state.SavedBackBrushStyle);
    if (state.HasBackPicture)
        panel.setBrushStyle(BrushStyle::Clear);
    drawTrackLines(panel, lines, state.TrackLineHeight, false, sheetGeometry(s));

    drawOutlineLayer(s, state.OutlineColor, inputs);
}

void centredLayout(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    state.CentredMode = true;
    setLayoutFonts(s, state);

    SheetCanvas& panel = s.backPanel;
    const QStringList lines = fitTracks(s, state, inputs);
    keepPrintedTexts(state, lines);
    if (state.HasBackPicture)
        panel.setBrushStyle(BrushStyle::Clear);
    // The lines are centred with their widths in the fitted font, which the state then keeps.
    const std::vector<int> widths =
        drawTrackLines(panel, lines, state.TrackLineHeight, true, sheetGeometry(s));
    std::copy(widths.begin(), widths.end(), state.TrackWidths.begin());

    drawFront(s, state, inputs);
    drawSpines(s, state);

    drawOutlineLayer(s, state.OutlineColor, inputs);
}

} // namespace plattera
