#include "decoders/metafile_player.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include <QFontMetricsF>
#include <QStringList>

#include "decoders/gdi_constants.h"

// Text of the metafile player: the character sets metafiles write in, and drawing a string
// with the selected font, alignment and spacing.

namespace plattera::metafile {

using namespace gdi;

namespace {

// Text in a metafile is 8-bit in the font's character set; Western files use code page
// 1252, whose 0x80-0x9F block differs from Latin-1.
QString decodeCp1252(const QByteArray& bytes)
{
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString s;
    s.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = uint8_t(c);
        s.append(b >= 0x80 && b < 0xA0 ? QChar(high[b - 0x80]) : QChar(char16_t(b)));
    }
    return s;
}

// Symbol-font text stores Greek letters and math signs at Latin positions; fontconfig's
// substitutes for "Symbol" are Unicode fonts, so the codes are translated.
char16_t symbolCode(char16_t code)
{
    static const char16_t upper[26] = {0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
                                       0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D,
                                       0x039F, 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5,
                                       0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396};
    static const char16_t lower[26] = {0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
                                       0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD,
                                       0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5,
                                       0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6};
    struct Pair {
        uint8_t code;
        char16_t unicode;
    };
    static const Pair others[] = {
        {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212},
        {0x40, 0x2245}, {0x5C, 0x2234}, {0x5E, 0x22A5}, {0xA1, 0x03D2}, {0xA2, 0x2032},
        {0xA3, 0x2264}, {0xA4, 0x2044}, {0xA5, 0x221E}, {0xA6, 0x0192}, {0xA7, 0x2663},
        {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAB, 0x2194}, {0xAC, 0x2190},
        {0xAD, 0x2191}, {0xAE, 0x2192}, {0xAF, 0x2193}, {0xB0, 0x00B0}, {0xB1, 0x00B1},
        {0xB2, 0x2033}, {0xB3, 0x2265}, {0xB4, 0x00D7}, {0xB5, 0x221D}, {0xB6, 0x2202},
        {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260}, {0xBA, 0x2261}, {0xBB, 0x2248},
        {0xBC, 0x2026}, {0xBF, 0x21B5}, {0xC0, 0x2135}, {0xC1, 0x2111}, {0xC2, 0x211C},
        {0xC3, 0x2118}, {0xC4, 0x2297}, {0xC5, 0x2295}, {0xC6, 0x2205}, {0xC7, 0x2229},
        {0xC8, 0x222A}, {0xC9, 0x2283}, {0xCA, 0x2287}, {0xCB, 0x2284}, {0xCC, 0x2282},
        {0xCD, 0x2286}, {0xCE, 0x2208}, {0xCF, 0x2209}, {0xD0, 0x2220}, {0xD1, 0x2207},
        {0xD2, 0x00AE}, {0xD3, 0x00A9}, {0xD4, 0x2122}, {0xD5, 0x220F}, {0xD6, 0x221A},
        {0xD7, 0x22C5}, {0xD8, 0x00AC}, {0xD9, 0x2227}, {0xDA, 0x2228}, {0xDB, 0x21D4},
        {0xDC, 0x21D0}, {0xDD, 0x21D1}, {0xDE, 0x21D2}, {0xDF, 0x21D3}, {0xE0, 0x25CA},
        {0xE1, 0x2329}, {0xE5, 0x2211}, {0xE6, 0x239B}, {0xE7, 0x239C}, {0xE8, 0x239D},
        {0xE9, 0x23A1}, {0xEA, 0x23A2}, {0xEB, 0x23A3}, {0xEC, 0x23A7}, {0xED, 0x23A8},
        {0xEE, 0x23A9}, {0xEF, 0x23AA}, {0xF1, 0x232A}, {0xF2, 0x222B}, {0xF3, 0x2320},
        {0xF4, 0x23AE}, {0xF5, 0x2321}, {0xF6, 0x239E}, {0xF7, 0x239F}, {0xF8, 0x23A0},
        {0xF9, 0x23A4}, {0xFA, 0x23A5}, {0xFB, 0x23A6}, {0xFC, 0x23AB}, {0xFD, 0x23AC},
        {0xFE, 0x23AD}};
    if (code >= 0xF020 && code <= 0xF0FF) // the font's private-use alias of its own codes
        code -= 0xF000;
    if (code >= 'A' && code <= 'Z')
        return upper[code - 'A'];
    if (code >= 'a' && code <= 'z')
        return lower[code - 'a'];
    for (const Pair& p : others)
        if (p.code == code)
            return p.unicode;
    return code;
}

// Characters one text record may draw; each is positioned on its own.
constexpr qsizetype kMaxTextLength = 10000;

// One entry per character, a sign outside the first plane included.
QStringList splitCharacters(const QString& text)
{
    QStringList characters;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        characters.append(text.mid(i, pair ? 2 : 1));
        i += pair ? 1 : 0;
    }
    return characters;
}

// Where the text's baseline starts, from its reference point, for the alignment: left of it
// by the part of the width the horizontal alignment gives, and below it by the ascent when
// the text hangs from the point, above it by the descent when it stands on the point.
QPointF alignedStart(int textAlign, double width, const QFontMetricsF& fm)
{
    double x0 = 0;
    switch (textAlign & textalign::HorizontalMask) {
    case textalign::Right:
        x0 = -width;
        break;
    case textalign::Center:
        x0 = -width / 2;
        break;
    default:
        break;
    }
    double baseline = fm.ascent(); // aligned at the top
    if ((textAlign & textalign::VerticalMask) == textalign::Baseline)
        baseline = 0;
    else if (textAlign & textalign::Bottom)
        baseline = -fm.descent();
    return QPointF(x0, baseline);
}

} // namespace

QString symbolToUnicode(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        c = QChar(symbolCode(c.unicode()));
    return out;
}

SymbolFace MetafilePlayer::symbolFace() const
{
    return symbolFaceNamed(m_state.dc.font.face, m_state.dc.font.charSet);
}

QString MetafilePlayer::decodeText(const QByteArray& bytes) const
{
    const SymbolFace face = symbolFace();
    return face == SymbolFace::None ? decodeCp1252(bytes)
                                    : symbolFaceToUnicode(QString::fromLatin1(bytes), face);
}

// The selected font at the pixel size the mapping gives its height, or nothing when that
// size is under a pixel or no number at all.
std::optional<QFont> MetafilePlayer::selectedFont() const
{
    const GdiObject& f = m_state.dc.font;
    QFont font(f.face.isEmpty() ? QStringLiteral("Sans Serif") : f.face);
    // Symbol and dingbat text arrives here as Unicode; the fonts that stand in for them keep
    // their signs at the old codes only, so Unicode faces that have the signs draw it.
    const SymbolFace face = symbolFace();
    if (face == SymbolFace::Symbol)
        font.setFamilies({QStringLiteral("Liberation Serif"), QStringLiteral("Serif")});
    else if (face != SymbolFace::None && face != SymbolFace::Other)
        font.setFamilies({QStringLiteral("Symbola"), QStringLiteral("DejaVu Sans")});
    double pixels = std::abs(f.fontHeight) * scaleY();
    if (f.fontHeight == 0)
        pixels = 12;
    if (!std::isfinite(pixels))
        return std::nullopt;
    if (f.fontHeight > 0 && pixels >= 1) {
        // A positive height is the character cell (ascent + descent), not the em size.
        font.setPixelSize(std::max(1, int(std::lround(std::min(pixels, 4000.0)))));
        const QFontMetricsF probe(font);
        if (probe.height() > 0)
            pixels = pixels * pixels / (probe.ascent() + probe.descent());
    }
    if (pixels < 1)
        return std::nullopt;
    font.setPixelSize(int(std::lround(std::min(pixels, 4000.0))));
    font.setWeight(QFont::Weight(f.weight <= 0 ? 400 : std::clamp(f.weight, 100, 900)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    return font;
}

void MetafilePlayer::drawText(QPointF logicalPos, QString text, const std::vector<double>& dx,
                              int options, const QRectF& rect)
{
    if (m_state.inPath)
        return;
    // Measuring needs the text's own box, which is known only further down.
    if (!beginDrawing(rect) && !(m_measuring && m_drawingOps <= kMaxDrawingOps))
        return;
    text.truncate(kMaxTextLength);
    const std::optional<QFont> font = selectedFont();
    if (!font)
        return;
    const QFontMetricsF fm(*font);
    TextRun run {*font, text, splitCharacters(text), {}, 0, fm.ascent(), fm.descent(), {}, {}};
    if (!dx.empty() && dx.size() == std::size_t(run.characters.size())) {
        for (double d : dx) {
            run.advances.push_back(d * scaleX());
            run.width += run.advances.back();
        }
    } else {
        run.width = fm.horizontalAdvance(text);
    }
    if (!std::isfinite(run.width))
        return;

    const bool updateCp = m_state.dc.textAlign & textalign::UpdateCp;
    const QPointF origin = updateCp ? m_state.dc.currentPos : logicalPos;
    run.reference = map(origin.x(), origin.y());
    run.start = alignedStart(m_state.dc.textAlign, run.width, fm);
    if (m_measuring) {
        const QRectF box(run.reference.x() + run.start.x(),
                         run.reference.y() + run.start.y() - run.ascent, run.width,
                         run.ascent + run.descent);
        if (withinReach(box))
            m_drawnBounds = m_drawnBounds.united(box);
        return;
    }
    paintText(run, options, rect);
    if (updateCp && scaleX() > 0) {
        const double logicalWidth = run.width / scaleX();
        if ((m_state.dc.textAlign & textalign::HorizontalMask) == 0)
            m_state.dc.currentPos.rx() += logicalWidth;
        else if ((m_state.dc.textAlign & textalign::HorizontalMask) == textalign::Right)
            m_state.dc.currentPos.rx() -= logicalWidth;
    }
}

// The opaque box or clip the record asks for, the background where the mode is opaque,
// then the characters, turned with the escapement and any rotation of the world transform.
void MetafilePlayer::paintText(const TextRun& run, int options, const QRectF& rect)
{
    // The world transform may turn the baseline; text stays upright when an axis is flipped.
    double angle = -m_state.dc.font.escapement / 10.0;
    if (!axisAligned())
        angle += std::atan2(m_transform.m12(), m_transform.m11()) * 180 / M_PI;

    m_state.painter.save();
    if (options & textout::Opaque)
        m_state.painter.fillRect(rect, m_state.dc.bkColor);
    if (options & textout::Clipped)
        m_state.painter.setClipRect(rect, Qt::IntersectClip);
    m_state.painter.translate(run.reference);
    m_state.painter.rotate(angle);
    const double x0 = run.start.x(), baseline = run.start.y();
    if (m_state.dc.bkOpaque && !(options & textout::Opaque))
        m_state.painter.fillRect(
            QRectF(x0, baseline - run.ascent, run.width, run.ascent + run.descent),
            m_state.dc.bkColor);
    m_state.painter.setFont(run.font);
    m_state.painter.setPen(m_state.dc.textColor);
    if (run.advances.empty()) {
        m_state.painter.drawText(QPointF(x0, baseline), run.text);
    } else {
        double x = x0;
        for (qsizetype i = 0; i < run.characters.size(); ++i) {
            m_state.painter.drawText(QPointF(x, baseline), run.characters[i]);
            x += run.advances[std::size_t(i)];
        }
    }
    m_state.painter.restore();
    m_state.clipDirty = true;
}

} // namespace plattera::metafile
