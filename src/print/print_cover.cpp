#include "print/print_cover.h"

#include <algorithm>
#include <vector>

#include <QPainter>
#include <QPrinter>

#include "model/errors.h"
#include "model/text_fitting.h"
#include "print/page_canvas.h"

namespace plattera {

namespace {

// The one fitting loop, on the page's single canvas.
template <typename Measure>
int shrinkWhile(Canvas& canvas, int bound, Measure measure)
{
    return int(shrinkToFit({&canvas}, bound, [&]() -> long long { return measure(); }));
}

// An empty face name prints in the default face.
QString faceOrDefault(const QString& face)
{
    return face.isEmpty() ? QStringLiteral("arial") : face;
}

void setPrinterFont(Canvas& canvas, const QString& face, Colour colour, int points)
{
    canvas.setFontFace(faceOrDefault(face));
    canvas.setFontColour(colour);
    canvas.setFontSize(points);
}

// (l, t, r, b) in page units as the QRect stretchDraw takes.
QRect pageRect(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

void drawPictures(Canvas& canvas, const EditorState& state, const CoverInputs& inputs)
{
    using namespace page;
    if (state.HasBackPicture && state.BackPicture && !state.BackPicture->isNull()) {
        const QRect dest = inputs.extendBackPicture
            ? pageRect(kBackLeft, kBackTop, kBackRight, kBackBottom)
            : pageRect(kLeftFold, kBackTop, kRightFold, kBackBottom);
        canvas.stretchDraw(dest, *state.BackPicture);
    }
    if (state.HasFrontPicture && state.FrontPicture && !state.FrontPicture->isNull())
        canvas.stretchDraw(pageRect(kFrontLeft, kFrontTop, kFrontRight, kFrontBottom), *state.FrontPicture);
}

void drawOutlines(Canvas& canvas, const EditorState& state, const CoverInputs& inputs)
{
    using namespace page;
    canvas.setPenColour(state.OutlineColor);
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

void drawTracks(Canvas& canvas, const EditorState& state, const CoverInputs& inputs)
{
    using namespace page;
    const int count = std::max(0, std::min<int>(state.TrackCount, int(inputs.tracks.size())));
    const QStringList& lines = inputs.tracks;
    setPrinterFont(canvas, state.BackFontName, state.BackFontColor, kTrackStartSize);

    // All lines share one font, so the block is one cell height times the count.
    const auto blockHeight = [&] { return count > 0 ? canvas.textHeight(lines[count - 1]) * count : 0; };
    shrinkWhile(canvas, kTrackBlockLimit, blockHeight);

    // The first of equally wide lines is the widest; only it is measured while shrinking.
    int widest = -1;
    int maxWidth = 0;
    for (int i = 0; i < count; ++i) {
        const int w = canvas.textWidth(lines[i]);
        if (widest < 0 || w > maxWidth) {
            widest = i;
            maxWidth = w;
        }
    }
    if (widest >= 0)
        shrinkWhile(canvas, kTrackWidthLimit, [&] { return canvas.textWidth(lines[widest]); });

    const int lineHeight = state.HasTracks && count > 0 ? canvas.textHeight(lines[0]) : 0;
    for (int i = 0; i < count; ++i) {
        const int x = state.CentredMode ? kTrackCentre - canvas.textWidth(lines[i]) / 2 : kTrackLeft;
        canvas.textOut(x, -(kTrackTop + i * lineHeight), lines[i]);
    }
}

void drawFrontText(Canvas& canvas, const EditorState& state)
{
    using namespace page;
    const QString& artist = state.PrintArtistText;
    const QString& title = state.PrintTitleText;
    setPrinterFont(canvas, state.FrontFontName, state.FrontFontColor, kFrontStartSize);
    // The artist is tried with ": " whatever the separator, so both lines end up alike.
    shrinkWhile(canvas, kFrontWidthLimit, [&] { return canvas.textWidth(artist + QStringLiteral(": ")); });
    shrinkWhile(canvas, kFrontWidthLimit, [&] { return canvas.textWidth(title); });

    const int lineHeight = canvas.textHeight(artist + title);
    const QString first = artist + state.TitleSeparator;
    canvas.textOut(kFrontCentre - canvas.textWidth(first) / 2, lineHeight + kFrontDivide, first);
    canvas.textOut(kFrontCentre - canvas.textWidth(title) / 2, kFrontDivide, title);
}

void drawSpineTexts(Canvas& canvas, const EditorState& state)
{
    using namespace page;
    const QString& artist = state.PrintArtistText;
    const QString& title = state.PrintTitleText;
    const QString text = artist + state.TitleSeparator + title;
    setPrinterFont(canvas, state.BackFontName, state.BackFontColor, page::kSpineStartSize);
    const int cellHeight = shrinkWhile(canvas, kSpineHeightLimit,
        [&] { return canvas.textHeight(artist + QStringLiteral(": ") + title); });
    // The cell height is kept from before the length fit: the right text hangs from it.
    const int length = shrinkWhile(canvas, kSpineLengthLimit, [&] { return canvas.textWidth(text); });

    // Left spine reads upwards with the tops of the letters outwards, right spine downwards.
    canvas.setFontEscapement(-900);
    canvas.textOut(kBackLeft, -(kSpineCentre + length / 2), text);
    canvas.setFontEscapement(900);
    canvas.textOut(cellHeight + kRightFold, length / 2 - kSpineCentre, text);
    canvas.setFontEscapement(0);
}

} // namespace

void PrintCover(Canvas& canvas, const EditorState& state, const CoverInputs& inputs)
{
    canvas.setBrushStyle(BrushStyle::Clear);
    drawPictures(canvas, state, inputs);
    drawOutlines(canvas, state, inputs);
    if (!state.TextLaidOut)
        return;
    drawTracks(canvas, state, inputs);
    if (!inputs.noFrontText)
        drawFrontText(canvas, state);
    drawSpineTexts(canvas, state);
}

void PrintCoverJob(QPrinter& printer, const EditorState& state, const CoverInputs& inputs)
{
    RunPrintJob(printer, [&](PageCanvas& canvas) { PrintCover(canvas, state, inputs); });
}

} // namespace plattera
