#include "text/cover_text.h"

#include <algorithm>
#include <climits>

#include "model/editor_state.h"
#include "model/text_direction.h"
#include "model/text_fitting.h"

namespace plattera {

namespace {

constexpr int kQuarterTurn = 900;

// The artist and the title drawn one after the other, each keeping its direction controls to
// itself.
TitleTexts closedFields(const TitleTexts& texts)
{
    return {withDirectionsClosed(texts.artist), texts.separator, withDirectionsClosed(texts.title)};
}

} // namespace

void setTextFont(Canvas& canvas, const TextFont& font)
{
    canvas.setFontFace(kFallbackFace);
    canvas.setFontFace(font.face);
    canvas.setFontColour(font.colour);
    canvas.setFontSize(font.points);
}

TrackFit fitTrackLines(Canvas& panel, const QStringList& lines, const CoverTextGeometry& geometry)
{
    TrackFit fit;
    const long long count = lines.size();
    // All lines share one font and the cell height ignores the text: one line's cell stands
    // for every line's.
    if (count > 0)
        fit.blockHeight = int(std::min<long long>(
            shrinkToFit({&panel}, geometry.trackBlockLimit,
                        [&] { return (long long)panel.textHeight(lines.front()) * count; }),
            INT_MAX));

    fit.widths.reserve(size_t(count));
    for (const QString& line : lines)
        fit.widths.push_back(panel.textWidth(line));

    for (int i = 0; i < int(count); ++i) {
        if (fit.widths[size_t(i)] > fit.widestWidth) {
            fit.widest = i;
            fit.widestWidth = fit.widths[size_t(i)];
        }
    }
    // Only the widest line is measured again; the others shrink with it.
    if (fit.widest >= 0)
        fit.widestWidth = int(shrinkToFit({&panel}, geometry.trackWidthLimit,
                                          [&] { return panel.textWidth(lines[fit.widest]); }));

    if (count > 0)
        fit.lineHeight = panel.textHeight(lines.front());
    return fit;
}

std::vector<int> drawTrackLines(Canvas& panel, const QStringList& lines, int lineHeight,
                                bool centred, const CoverTextGeometry& geometry)
{
    std::vector<int> widths;
    for (int i = 0; i < int(lines.size()); ++i) {
        int x = geometry.trackLeft;
        if (centred) {
            widths.push_back(panel.textWidth(lines[i]));
            x = geometry.trackCentre - widths.back() / 2;
        }
        panel.textOut(x, geometry.trackTop + geometry.down * lineHeight * i, lines[i]);
    }
    return widths;
}

int drawFrontLines(Canvas& front, const TitleTexts& given, const CoverTextGeometry& geometry)
{
    const TitleTexts texts = closedFields(given);
    const QString artistMeasure = texts.artist + kTitleSeparator;
    shrinkToFit({&front}, geometry.frontWidthLimit, [&] { return front.textWidth(artistMeasure); });
    shrinkToFit({&front}, geometry.frontWidthLimit, [&] { return front.textWidth(texts.title); });
    const int lineHeight = front.textHeight(texts.artist + texts.separator + texts.title);

    const QString first = texts.artist + texts.separator;
    front.textOut(geometry.frontCentre - front.textWidth(first) / 2,
                  geometry.frontDivide - geometry.down * lineHeight, first);
    front.textOut(geometry.frontCentre - front.textWidth(texts.title) / 2, geometry.frontDivide,
                  texts.title);
    return lineHeight;
}

void drawSpineTexts(Canvas& left, Canvas& right, const TitleTexts& given,
                    const CoverTextGeometry& geometry)
{
    const TitleTexts texts = closedFields(given);
    const QString drawn = texts.artist + texts.separator + texts.title;
    const QString fitting = texts.artist + kTitleSeparator + texts.title;
    const QString& lengthMeasure = geometry.spineFitsDrawnText ? drawn : fitting;
    const int cellHeight = int(shrinkToFit({&left, &right}, geometry.spineThicknessLimit,
                                           [&] { return left.textHeight(fitting); }));
    // The cell height is kept from before the length fit.
    const int length = int(shrinkToFit({&left, &right}, geometry.spineLengthLimit,
                                       [&] { return left.textWidth(lengthMeasure); }));

    // Turns are counter-clockwise as seen on the target, so y upwards turns them the other way.
    left.setFontEscapement(geometry.down * kQuarterTurn);
    left.textOut(geometry.leftSpineX, geometry.spineCentre + geometry.down * (length / 2), drawn);
    right.setFontEscapement(-geometry.down * kQuarterTurn);
    const int rightX = geometry.rightSpineX + (geometry.rightSpineAfterCell ? cellHeight : 0);
    right.textOut(rightX, geometry.spineCentre - geometry.down * (length / 2), drawn);
}

} // namespace plattera
