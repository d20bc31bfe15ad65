#include "decoders/metafile_player.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "decoders/byte_order.h"
#include "decoders/dib_reader.h"

// Bitmaps and raster operations of the metafile player.

namespace plattera::metafile {
namespace {

QPainter::CompositionMode compositionForRop(unsigned rop)
{
    switch (rop) {
    case 0x008800C6: return QPainter::RasterOp_SourceAndDestination;     // SRCAND
    case 0x00EE0086: return QPainter::RasterOp_SourceOrDestination;      // SRCPAINT
    case 0x00660046: return QPainter::RasterOp_SourceXorDestination;     // SRCINVERT
    case 0x00330008: return QPainter::RasterOp_NotSource;                // NOTSRCCOPY
    case 0x00BB0226: return QPainter::RasterOp_NotSourceOrDestination;   // MERGEPAINT
    case 0x00440328: return QPainter::RasterOp_SourceAndNotDestination;  // SRCERASE
    case 0x001100A6: return QPainter::RasterOp_NotSourceAndNotDestination; // NOTSRCERASE
    default: return QPainter::CompositionMode_SourceOver;
    }
}

bool finite(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

} // namespace

void MetafilePlayer::fillPattern(const QRectF& r, unsigned rop)
{
    if (m_inPath || !beginDrawing(r))
        return;
    switch (rop) {
    case 0x00F00021: // PATCOPY
        m_painter.fillRect(r, currentBrush());
        break;
    case 0x00000042: // BLACKNESS
        m_painter.fillRect(r, Qt::black);
        break;
    case 0x00FF0062: // WHITENESS
        m_painter.fillRect(r, Qt::white);
        break;
    case 0x005A0049: // PATINVERT
        m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        m_painter.fillRect(r, currentBrush());
        break;
    case 0x00550009: // DSTINVERT
        m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        m_painter.fillRect(r, Qt::black);
        break;
    default:
        break;
    }
}


void MetafilePlayer::drawImage(QImage image, QPointF dst, QPointF dstSize, QRectF source, unsigned rop,
                               double opacity)
{
    if (m_inPath || image.isNull() || rop == 0x00AA0029) // leaves the destination as it is
        return;
    source = source.normalized() & QRectF(image.rect());
    if (source.isEmpty() || !finite(dst) || !finite(dstSize))
        return;
    const QPointF a = map(dst.x(), dst.y());
    const QPointF b = map(dst.x() + dstSize.x(), dst.y() + dstSize.y());
    if (!beginDrawing(mapRect(dst.x(), dst.y(), dst.x() + dstSize.x(), dst.y() + dstSize.y())))
        return;
    m_painter.setCompositionMode(compositionForRop(rop));
    m_painter.setOpacity(opacity);
    image = image.copy(source.toRect());
    if (axisAligned()) {
        if (a.x() == b.x() || a.y() == b.y())
            return;
        m_painter.drawImage(QRectF(a, b).normalized(), image.mirrored(b.x() < a.x(), b.y() < a.y()));
        return;
    }
    if (!withinReach(m_transform.mapRect(QRectF(dst, QSizeF(dstSize.x(), dstSize.y())))))
        return;
    m_painter.save();
    m_painter.setTransform(m_transform);
    m_painter.drawImage(QRectF(dst, QSizeF(dstSize.x(), dstSize.y())), image);
    m_painter.restore();
    m_clipDirty = true;
}

void MetafilePlayer::drawDib(const char* dib, std::size_t length, QPointF dst, QPointF dstSize, QPointF src,
                             QPointF srcSize, unsigned rop, bool sourceFromBottom)
{
    if (rop == 0x00AA0029)
        return;
    const QImage image = decodeDib(dib, length);
    if (image.isNull())
        return;
    double sy = src.y();
    const bool bottomUp = length >= 12 && (leU32(dib) == 12 ? leI16(dib + 6) > 0 : leI32(dib + 8) > 0);
    if (sourceFromBottom && bottomUp)
        sy = image.height() - src.y() - srcSize.y();
    drawImage(image, dst, dstSize, QRectF(src.x(), sy, srcSize.x(), srcSize.y()), rop);
}

QImage decodeDib(const char* dib, std::size_t length, std::size_t pixelOffset, bool keepAlpha)
{
    if (!dib || length < 12)
        return QImage();
    DibSource source;
    source.data = reinterpret_cast<const unsigned char*>(dib);
    source.size = length;
    source.pixelOffset = pixelOffset;
    source.alpha32 = keepAlpha;
    // Run-length data may claim a huge bitmap in a few bytes; a metafile's pictures are small.
    DibHeader header;
    if (!readDibHeader(source, header).isEmpty())
        return QImage();
    if ((header.compression == 1 || header.compression == 2)
        && header.width * header.height > (long long)(length) * 1024)
        return QImage();
    const DecodeResult result = plattera::decodeDib(source, keepAlpha);
    return result.ok() ? result.image : QImage();
}

} // namespace plattera::metafile
