#pragma once

#include <cstddef>
#include <vector>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QString>
#include <QTransform>

namespace plattera::wmf {

// Stops a hostile metafile from keeping us busy forever; real files stay far below both.
constexpr int kMaxRecords = 1'000'000;
constexpr int kMaxDrawingOps = 200'000;
constexpr int kMaxObjects = 65535;
constexpr int kMaxSavedStates = 1024;
// Pixels the drawing operations may cover in all (their bounding boxes on the image).
constexpr double kMaxPaintedArea = 4e9;

// A GDI object as the metafile created it. Palettes, regions and bitmaps we cannot draw
// with still take a slot, so that later object indexes stay right.
struct GdiObject {
    enum class Kind { Free, Pen, Brush, Font, Placeholder };
    Kind kind = Kind::Free;

    // Pen
    int penStyle = 0;
    int penWidth = 0;
    QColor penColor;

    // Brush
    int brushStyle = 0;
    int hatch = 0;
    QColor brushColor;
    QImage pattern;

    // Font
    int fontHeight = 0;
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
    int mapMode = 1;
    QPointF windowOrg;
    QPointF windowExt;
    QPointF viewportOrg;
    QPointF viewportExt;
    QPointF currentPos;
    bool clipped = false;
    QRegion clip; // in image pixels
};

// Plays the records of one metafile onto an image. `frame` is the rectangle, in the
// metafile's device units, that covers the whole image: the placeable bounding box, or
// the window extent when the file has no placeable header.
class WmfPlayer {
public:
    WmfPlayer(QImage& target, const QRectF& frame, int objectCount);

    // Plays records from `begin` up to the EOF record or `end`. Returns an error message
    // when a record runs past the data, else an empty string; drawing done before a bad
    // record stays on the image.
    QString play(const char* begin, const char* end);

private:
    void playRecord(int type, const char* rec, std::size_t size);

    // Coordinates
    void updateTransform();
    QPointF map(double x, double y) const;
    QRectF mapRect(int left, int top, int right, int bottom) const;
    double scaleX() const { return std::abs(m_transform.m11()); }
    double scaleY() const { return std::abs(m_transform.m22()); }

    // Objects
    void addObject(GdiObject object);
    void selectObject(int index);
    void deleteObject(int index);

    // Painter set-up before each drawing operation; false when nothing is to be drawn.
    bool beginDrawing(const QRectF& bounds);
    QPen currentPen() const;
    QBrush currentBrush() const;
    void applyClip();

    // Drawing
    void drawRectangle(const QRectF& r, double roundW = 0, double roundH = 0);
    void drawEllipse(const QRectF& r);
    void drawArcFamily(int type, const QRectF& r, QPointF start, QPointF end);
    void drawPolygon(const QPolygonF& polygon);
    void drawPolyline(const QPolygonF& polygon);
    void drawText(QPointF logicalPos, const QByteArray& bytes, const std::vector<int>& dx,
                  int options, const QRectF& rect);
    void drawDib(const char* dib, std::size_t length, QPointF dst, QPointF dstSize,
                 QPointF src, QPointF srcSize, unsigned rop, bool sourceFromBottom);
    void fillPattern(const QRectF& r, unsigned rop);

    QImage& m_image;
    QPainter m_painter;
    QRectF m_frame;
    QTransform m_transform;
    DcState m_dc;
    std::vector<DcState> m_saved;
    std::vector<GdiObject> m_objects;
    std::size_t m_lowestFree = 0;
    bool m_clipDirty = true;
    int m_drawingOps = 0;
    double m_paintedArea = 0;
};

// A device-independent bitmap (header, colour table, bits) as an image, or a null image
// when it is malformed, compressed in a way we do not read, or too large.
QImage decodeDib(const char* dib, std::size_t length);

} // namespace plattera::wmf
