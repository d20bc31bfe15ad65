#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTransform>

#include "decoders/decode_result.h"

namespace plattera::metafile {

// Stops a hostile metafile from keeping us busy forever; real files stay far below both.
constexpr int kMaxRecords = 1'000'000;
constexpr int kMaxDrawingOps = 200'000;
constexpr int kMaxObjects = 65535;
constexpr int kMaxSavedStates = 1024;
// Pixels the drawing operations may cover in all (their bounding boxes on the image).
constexpr double kMaxPaintedArea = 4e9;
// Path elements one path may collect before the rest are dropped.
constexpr int kMaxPathElements = 100'000;

// A GDI object as the metafile created it. Palettes, regions and bitmaps we cannot draw
// with still take a slot, so that later object indexes stay right.
struct GdiObject {
    enum class Kind { Free, Pen, Brush, Font, Placeholder };
    Kind kind = Kind::Free;

    // Pen
    int penStyle = 0;
    double penWidth = 0;   // logical units
    bool cosmetic = false; // one device pixel wide whatever the mapping
    QColor penColor;

    // Brush
    int brushStyle = 0;
    int hatch = 0;
    QColor brushColor;
    QImage pattern;

    // Font
    double fontHeight = 0;
    int escapement = 0;
    int weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charSet = 0;
    QString face;
};

// Everything SaveDC keeps and RestoreDC brings back.
struct DcState {
    GdiObject pen;
    GdiObject brush;
    GdiObject font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    bool bkOpaque = true;
    int textAlign = 0;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    bool clockwiseArcs = false;
    int mapMode = 1;
    QPointF windowOrg;
    QPointF windowExt;
    QPointF viewportOrg;
    QPointF viewportExt;
    QTransform world;
    QPointF currentPos;
    bool clipped = false;
    QRegion clip; // in image pixels
};

// Shapes turned by a world transform are mapped as a whole rather than point by point, so
// they are held to the same range the point mapping clamps to.
inline bool withinReach(const QRectF& r)
{
    return QRectF(-1e6, -1e6, 2e6, 2e6).contains(r);
}

enum class ArcKind { Arc, Chord, Pie };

// The fonts that carry their own signs at the codes of letters, told apart by face name;
// Other is any other face of the symbol character set.
enum class SymbolFace { None, Symbol, Wingdings, Wingdings2, Wingdings3, Webdings, Other };

// The one wording both formats use for a record whose length cannot be right: `claimed`
// bytes where `remaining` are left in the file.
QString damagedRecordMessage(uint64_t claimed, uint64_t remaining);
// ... and for an image of the metafile's size that memory could not hold.
QString outOfMemoryMessage(int width, int height);

// What both metafile decoders do: `readSize` reads the header and gives the size to draw at
// (or says why it cannot), then `play` draws the records onto a white image of that size (or
// says why it stopped). The image, or the first message, is the result.
DecodeResult decodeMetafile(int ppi, const std::function<Check(QSize*)>& readSize,
                            const std::function<Check(QImage&)>& play);

// What a format's player reads and sets itself as it plays its records: the image and the
// painter on it, the mapping's fixed ends, the device context, and whether the clip must be
// set again or a path is being collected. The object table, the saved states, the path and
// the budgets stay the shared player's own.
struct PlayerState {
    PlayerState(QImage& target, const QTransform& deviceToImage)
        : image(target), painter(&target), deviceToImage(deviceToImage)
    {
    }

    QImage& image;
    QPainter painter;
    QTransform deviceToImage;
    // EMF: the reference device's pixels per millimetre, for the metric mapping modes; WMF
    // has no device, so 0 there, and its window extent always counts.
    QPointF devicePerMm;
    DcState dc;
    bool clipDirty = true;
    bool inPath = false;
};

// The device-context machinery both metafile formats share: the object table, the saved
// states, the mapping from logical units through the world transform and the window and
// viewport to the image, clipping, paths, and drawing with the selected pen, brush and font.
// Each format's player reads its own records and calls into this.
class MetafilePlayer {
public:
    // `deviceToImage` maps the metafile's device units onto the image.
    MetafilePlayer(QImage& target, const QTransform& deviceToImage, int objectCount);
    virtual ~MetafilePlayer() = default;

    // From now on nothing is painted: each drawing operation only adds the image pixels it
    // would cover to drawnBounds(), to learn the extent of a file that states none.
    void measureOnly() { m_measuring = true; }
    QRectF drawnBounds() const { return m_drawnBounds; }

protected:
    // Coordinates
    void updateTransform();
    QPointF map(double x, double y) const;
    QPointF map(QPointF p) const { return map(p.x(), p.y()); }
    QPolygonF mapPolygon(const QPolygonF& logical) const;
    QRectF mapRect(double left, double top, double right, double bottom) const;
    bool axisAligned() const { return m_transform.m12() == 0 && m_transform.m21() == 0; }
    double scaleX() const { return std::hypot(m_transform.m11(), m_transform.m12()); }
    double scaleY() const { return std::hypot(m_transform.m21(), m_transform.m22()); }

    // Objects: WMF puts each new object in the lowest free slot, EMF names the slot.
    void addObject(GdiObject object);
    void storeObject(std::size_t index, GdiObject object);
    void selectObject(std::size_t index);
    void selectStockObject(unsigned stock);
    void deleteObject(std::size_t index);

    // Saved states; a negative level counts back from the latest SaveDC.
    void saveDc();
    void restoreDc(int level);

    // Clipping: rectangles in logical units, regions in image pixels.
    void clipToRect(double left, double top, double right, double bottom, bool exclude);
    void combineClip(const QRegion& region, int mode);
    void resetClip();

    // Painter set-up before each drawing operation; false when nothing is to be drawn.
    bool beginDrawing(const QRectF& bounds);
    QPen currentPen() const;
    QBrush currentBrush() const;
    void applyClip();

    // Drawing, in logical units. Inside BeginPath/EndPath the shapes go to the path instead.
    void drawRectangle(double left, double top, double right, double bottom, double roundW = 0,
                       double roundH = 0);
    void drawEllipse(double left, double top, double right, double bottom);
    void drawArcFamily(ArcKind kind, const QRectF& logicalBox, QPointF start, QPointF end);
    void drawPolygon(const QPolygonF& logical);
    void drawPolyline(const QPolygonF& logical);
    void drawPolyPolygon(const std::vector<QPolygonF>& logical);
    // Lines and Béziers from the current position, which moves to their last point.
    void lineTo(QPointF logical);
    void polylineTo(const QPolygonF& logical);
    void polyBezier(const QPolygonF& logical, bool fromCurrent);
    void moveTo(QPointF logical);
    void drawText(QPointF logicalPos, QString text, const std::vector<double>& dx, int options,
                  const QRectF& rect);
    // Draws the `source` part of an image onto the logical rectangle at dst of dstSize.
    void drawImage(QImage image, QPointF dst, QPointF dstSize, QRectF source, unsigned rop,
                   double opacity = 1.0);
    void drawDib(const char* dib, std::size_t length, QPointF dst, QPointF dstSize, QPointF src,
                 QPointF srcSize, unsigned rop, bool sourceFromBottom);
    void fillPattern(const QRectF& r, unsigned rop);
    void setPixel(QPointF logical, const QColor& color);

    // Paths
    void beginPath();
    void endPath() { m_state.inPath = false; }
    void abortPath();
    void closeFigure();
    void fillStrokePath(bool fill, bool stroke);
    void selectClipPath(int mode);

    // Text in a metafile's 8-bit character set, or a symbol font's codes.
    QString decodeText(const QByteArray& bytes) const;
    SymbolFace symbolFace() const;

    // What the format's player reads and sets between these calls.
    PlayerState& state() { return m_state; }
    const PlayerState& state() const { return m_state; }

private:
    PlayerState m_state;
    QTransform m_transform; // logical units to image pixels
    std::vector<DcState> m_saved;
    std::vector<GdiObject> m_objects;
    std::size_t m_lowestFree = 0;
    int m_drawingOps = 0;
    double m_paintedArea = 0;
    QPainterPath m_path; // image pixels
    bool m_measuring = false;
    QRectF m_drawnBounds;

    // A string laid out for drawing: the font, each character's advance when the record
    // gives them, where the text starts against its reference point.
    struct TextRun {
        QFont font;
        QString text;
        QStringList characters;
        std::vector<double> advances; // image pixels; empty: the font's own
        double width = 0;             // image pixels
        double ascent = 0;
        double descent = 0;
        QPointF reference; // image pixels
        QPointF start;     // the baseline's left end, from the reference point
    };
    std::optional<QFont> selectedFont() const;
    void paintText(const TextRun& run, int options, const QRectF& rect);

    void paintShape(QPainterPath path, bool fill);
    void addToPath(const QPainterPath& path);
    void strokeOpen(const QPolygonF& device);
};

// Maps the Symbol font's codes (Latin positions, or U+F020..U+F0FF) to Unicode.
QString symbolToUnicode(const QString& text);

SymbolFace symbolFaceNamed(const QString& face, int charSet);
// Text in such a font as the Unicode signs it shows. Other keeps its codes, for its own
// face to draw.
QString symbolFaceToUnicode(const QString& text, SymbolFace face);

} // namespace plattera::metafile
