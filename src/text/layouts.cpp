#include "text/layouts.h"

#include <algorithm>
#include <climits>

#include "pictures/outlines.h"
#include "pictures/repaint.h"
#include "model/text_fitting.h"

namespace plattera {

namespace {

const QString kFallbackFace = QStringLiteral("arial");
// Always part of the measured texts, even when the drawn separator is empty, so that the
// fitted sizes and the spine centring do not depend on whether artist or title is missing.
const QString kSeparator = QStringLiteral(": ");

constexpr int kFrontWidthMargin = 10;
constexpr int kSpineLengthMargin = 5;
constexpr int kTrackHeightMargin = 4;
constexpr int kTrackWidthMargin = 30;
constexpr int kTrackLeft = 10;
constexpr int kTrackTop = 5;
constexpr int kLeftSpineX = 1;
constexpr int kRightSpineX = 21;
constexpr int kUpwards = 900;    // a quarter turn counter-clockwise: reads bottom to top
constexpr int kDownwards = -900; // a quarter turn clockwise: reads top to bottom

// Track line i; the list and TrackCount normally agree, a missing line counts as empty.
QString trackLine(const CoverInputs& inputs, int i)
{
    return inputs.tracks.value(i);
}

// Face "arial" first, so that an empty chosen face leaves "arial"; colours; the start size of
// the panel and the front.
void setLayoutFonts(Sheets& s, const EditorState& state)
{
    for (SheetCanvas* sheet : s.visible())
        sheet->setFontFace(kFallbackFace);
    s.Image1.setFontFace(state.BackFontName);
    s.Image2.setFontFace(state.BackFontName);
    s.Image3.setFontFace(state.BackFontName);
    s.Image4.setFontFace(state.FrontFontName);
    s.Image1.setFontColour(state.BackFontColor);
    s.Image4.setFontColour(state.FrontFontColor);
    setFontSizes({&s.Image1, &s.Image4}, kPanelStartSize);
}

void drawFront(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    if (inputs.noFrontText)
        return;
    SheetCanvas& front = s.Image4;
    if (state.HasBackPicture && !state.HasFrontPicture)
        front.setBrushStyle(state.SavedFrontBrushStyle);

    const int bound = front.width() - kFrontWidthMargin;
    const QString artistMeasure = state.ArtistText + kSeparator;
    shrinkToFit({&front}, bound, [&] { return front.textWidth(artistMeasure); });
    shrinkToFit({&front}, bound, [&] { return front.textWidth(state.TitleText); });
    state.TitleLineHeight =
        front.textHeight(state.ArtistText + state.TitleSeparator + state.TitleText);

    if (state.HasFrontPicture)
        front.setBrushStyle(BrushStyle::Clear);
    const QString line1 = state.ArtistText + state.TitleSeparator;
    front.textOut(front.width() / 2 - front.textWidth(line1) / 2,
                  front.height() / 2 - state.TitleLineHeight, line1);
    front.textOut(front.width() / 2 - front.textWidth(state.TitleText) / 2, front.height() / 2,
                  state.TitleText);
}

void drawSpines(Sheets& s, EditorState& state)
{
    SheetCanvas& left = s.Image2;
    SheetCanvas& right = s.Image3;
    setFontSizes({&left, &right}, kSpineStartSize);
    const QString fitting = state.ArtistText + kSeparator + state.TitleText;
    shrinkToFit({&left, &right}, left.width(), [&] { return left.textHeight(fitting); });
    const int w = int(shrinkToFit({&left, &right}, left.height() - kSpineLengthMargin,
                                  [&] { return left.textWidth(fitting); }));

    const QString drawn = state.ArtistText + state.TitleSeparator + state.TitleText;
    left.setFontColour(state.BackFontColor);
    left.setFontEscapement(kUpwards);
    if (state.HasBackPicture)
        left.setBrushStyle(BrushStyle::Clear);
    left.textOut(kLeftSpineX, left.height() / 2 + w / 2, drawn);

    right.setFontColour(state.BackFontColor);
    right.setFontEscapement(kDownwards);
    if (state.HasBackPicture)
        right.setBrushStyle(BrushStyle::Clear);
    right.textOut(kRightSpineX, right.height() / 2 - w / 2, drawn);
}

// Height fit, widths, the widest line and the width fit of the back panel's track lines.
void fitTracks(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    SheetCanvas& panel = s.Image1;
    const int count = std::max(state.TrackCount, 0);
    if (count > 0) {
        const QString first = trackLine(inputs, 0);
        state.TrackBlockHeight = int(std::min<long long>(
            shrinkToFit({&panel}, panel.height() - kTrackHeightMargin,
                        [&] { return (long long)panel.textHeight(first) * count; }),
            INT_MAX));
    } else {
        state.TrackBlockHeight = 0;
    }

    // Every entered track has its entry: the table grows with the list.
    if (state.TrackWidths.size() < size_t(count))
        state.TrackWidths.resize(size_t(count), 0);
    for (int i = 0; i < count; ++i)
        state.TrackWidths[size_t(i)] = panel.textWidth(trackLine(inputs, i));

    state.MaxTrackWidth = 0;
    if (state.HasTracks) {
        for (int i = 0; i < count; ++i) {
            if (state.TrackWidths[size_t(i)] > state.MaxTrackWidth) {
                state.MaxTrackWidth = state.TrackWidths[size_t(i)];
                state.LongestTrack = trackLine(inputs, i);
            }
        }
    }
    // Only the widest line is measured again; the others shrink with it.
    if (state.MaxTrackWidth >= panel.width() - kTrackWidthMargin)
        state.MaxTrackWidth = int(shrinkToFit({&panel}, panel.width() - kTrackWidthMargin,
                                              [&] { return panel.textWidth(state.LongestTrack); }));

    if (state.HasTracks && count > 0)
        state.TrackLineHeight = panel.textHeight(trackLine(inputs, 0));
}

} // namespace

void LeftAlignedLayout(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    state.TextLaidOut = true;
    state.ArtistText = inputs.artist;
    state.TitleText = inputs.title;

    solidWipe(s);

    if (state.HasBackPicture)
        backPicturePlacement(s, state, inputs, BackPlacementForm::Layout);
    if (state.HasFrontPicture)
        frontPicturePlacement(s, state);

    setLayoutFonts(s, state);
    state.TitleSeparator =
        !state.ArtistText.isEmpty() && !state.TitleText.isEmpty() ? kSeparator : QString();

    drawFront(s, state, inputs);
    drawSpines(s, state);

    SheetCanvas& panel = s.Image1;
    fitTracks(s, state, inputs);
    if (state.HasFrontPicture && !state.HasBackPicture)
        panel.setBrushStyle(state.SavedBackBrushStyle);
    if (state.HasBackPicture)
        panel.setBrushStyle(BrushStyle::Clear);
    for (int i = 0; i < state.TrackCount; ++i)
        panel.textOut(kTrackLeft, state.TrackLineHeight * i + kTrackTop, trackLine(inputs, i));

    drawOutlineLayer(s, state.OutlineColor, inputs);
}

void CentredLayout(Sheets& s, EditorState& state, const CoverInputs& inputs)
{
    state.CentredMode = true;
    setLayoutFonts(s, state);

    SheetCanvas& panel = s.Image1;
    fitTracks(s, state, inputs);
    // The lines are centred with their widths in the fitted font.
    for (int i = 0; i < state.TrackCount; ++i)
        state.TrackWidths[size_t(i)] = panel.textWidth(trackLine(inputs, i));
    if (state.HasBackPicture)
        panel.setBrushStyle(BrushStyle::Clear);
    for (int i = 0; i < state.TrackCount; ++i)
        panel.textOut(panel.width() / 2 - state.TrackWidths[size_t(i)] / 2,
                      state.TrackLineHeight * i + kTrackTop, trackLine(inputs, i));

    drawFront(s, state, inputs);
    drawSpines(s, state);

    drawOutlineLayer(s, state.OutlineColor, inputs);
}

} // namespace plattera
