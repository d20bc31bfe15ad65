#include "print/print_cover.h"

#include "model/text_fitting.h"
#include "print/page_canvas.h"
#include "text/cover_text.h"

namespace plattera {

namespace {

CoverTextGeometry pageGeometry()
{
    using namespace page;
    CoverTextGeometry g;
    g.down = -1;
    g.trackBlockLimit = kTrackBlockLimit;
    g.trackWidthLimit = kTrackWidthLimit;
    g.trackLeft = kTrackLeft;
    g.trackCentre = kTrackCentre;
    g.trackTop = -kTrackTop;
    g.frontWidthLimit = kFrontWidthLimit;
    g.frontCentre = kFrontCentre;
    g.frontDivide = kFrontDivide;
    g.spineThicknessLimit = kSpineHeightLimit;
    g.spineLengthLimit = kSpineLengthLimit;
    g.spineCentre = -kSpineCentre;
    g.leftSpineX = kBackLeft;
    g.rightSpineX = kRightFold;
    g.rightSpineAfterCell = true;
    g.spineFitsDrawnText = true;
    return g;
}

// (l, t, r, b) in page units as the QRect stretchDraw takes.
QRect pageRect(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

void drawPictures(Canvas& canvas, const EditorState& state, const CoverInputs& inputs)
{
    using namespace page;
    if (state.backPicture.shown() && state.backPicture.bitmap() &&
        !state.backPicture.bitmap()->isNull()) {
        const QRect dest = inputs.extendBackPicture
            ? pageRect(kBackLeft, kBackTop, kBackRight, kBackBottom)
            : pageRect(kLeftFold, kBackTop, kRightFold, kBackBottom);
        canvas.stretchDraw(dest, *state.backPicture.bitmap());
    }
    if (state.frontPicture.shown() && state.frontPicture.bitmap() &&
        !state.frontPicture.bitmap()->isNull())
        canvas.stretchDraw(pageRect(kFrontLeft, kFrontTop, kFrontRight, kFrontBottom),
                           *state.frontPicture.bitmap());
}

void drawOutlines(Canvas& canvas, const EditorState& state, const CoverInputs& inputs)
{
    using namespace page;
    canvas.setPenColour(state.outlineColour);
    if (inputs.backOutline)
        canvas.rectangle(kBackLeft, kBackTop, kBackRight, kBackBottom);
    if (inputs.verticalLines) {
        canvas.moveTo(kLeftFold, kBackTop);
        canvas.lineTo(kLeftFold, kBackBottom);
        canvas.moveTo(kRightFold, kBackTop);
        canvas.lineTo(kRightFold, kBackBottom);
    }
    if (inputs.frontOutline)
        canvas.rectangle(kFrontLeft, kFrontTop, kFrontRight, kFrontBottom);
}

// Lines that do not fit even at the smallest size stop at the back panel's edges, as on the
// sheet, instead of running over the front insert or past the right cut line. A block that
// does not fit its place at the smallest size is pressed into it, every line with it: the
// sheet shows them all in rows of a pixel, and the page must not silently drop those past
// the 130th. It then ends kTrackBlockRoom above the limit, so that the last line's
// descenders stay clear of the outline on the panel's lower edge.
void drawTracks(PageCanvas& canvas, const EditorState& state, const CoverTextGeometry& geometry)
{
    using namespace page;
    constexpr int kTrackBlockRoom = 2;
    const QStringList& lines = state.shownTexts.tracks;
    setTextFont(canvas, {state.backFont.face(), state.backFont.colour(), kPanelStartSize});
    const TrackFit fit = fitTrackLines(canvas, lines, geometry);
    canvas.clipTo(kLeftFold, kBackTop, kRightFold, kBackBottom);
    const bool squeezed = fit.blockHeight >= geometry.trackBlockLimit;
    if (squeezed)
        canvas.squeezeDown(geometry.trackTop,
                           double(geometry.trackBlockLimit - kTrackBlockRoom) / fit.blockHeight);
    drawTrackLines(canvas, lines, fit.lineHeight.value_or(0), state.centredMode, geometry);
    if (squeezed)
        canvas.squeezeDown(geometry.trackTop, 1);
    canvas.clearClip();
}

TitleTexts printedTitles(const EditorState& state)
{
    return {state.shownTexts.artist, state.titles.separator, state.shownTexts.title};
}

} // namespace

void printCover(PageCanvas& canvas, const EditorState& state, const CoverInputs& inputs)
{
    using namespace page;
    canvas.setBrushStyle(BrushStyle::Clear);
    drawPictures(canvas, state, inputs);
    drawOutlines(canvas, state, inputs);
    if (!state.textLaidOut)
        return;
    // The same steps as on the sheets, fitted anew in page units, on one page.
    const CoverTextGeometry geometry = pageGeometry();
    drawTracks(canvas, state, geometry);
    // Each text stays on its own insert, as each sheet keeps its own: a title too long even at
    // the smallest size is cut at the insert's edge, not printed across the next one.
    if (!inputs.noFrontText) {
        canvas.keepTextsWithin(kFrontLeft, kFrontTop, kFrontRight, kFrontBottom);
        setTextFont(canvas, {state.frontFont.face(), state.frontFont.colour(), kPanelStartSize});
        drawFrontLines(canvas, printedTitles(state), geometry);
    }
    setTextFont(canvas, {state.backFont.face(), state.backFont.colour(), kSpineStartSize});
    PageCanvas rightSpine = canvas; // the same page, with a bound of its own
    canvas.keepTextsWithin(kBackLeft, kBackTop, kLeftFold, kBackBottom);
    rightSpine.keepTextsWithin(kRightFold, kBackTop, kBackRight, kBackBottom);
    drawSpineTexts(canvas, rightSpine, printedTitles(state), geometry);
    // The next job's texts start upright and go anywhere.
    canvas.setFontEscapement(0);
    canvas.keepTextsWithin(0, 0, 0, 0);
}

} // namespace plattera
