#include "decoders/metafile_player.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "decoders/dib_reader.h"
#include "decoders/gdi_constants.h"

// Bitmaps and raster operations of the metafile player.

namespace plattera::metafile {
namespace {

QPainter::CompositionMode compositionForRop(unsigned rop)
{
    switch (rop) {
    case gdi::rop::SrcAnd:
        return QPainter::RasterOp_SourceAndDestination;
    case gdi::rop::SrcPaint:
        return QPainter::RasterOp_SourceOrDestination;
    case gdi::rop::SrcInvert:
        return QPainter::RasterOp_SourceXorDestination;
    case gdi::rop::NotSrcCopy:
        return QPainter::RasterOp_NotSource;
    case gdi::rop::MergePaint:
        return QPainter::RasterOp_NotSourceOrDestination;
    case gdi::rop::SrcErase:
        return QPainter::RasterOp_SourceAndNotDestination;
    case gdi::rop::NotSrcErase:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

bool finite(const QPointF& p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

} // namespace

void MetafilePlayer::fillPattern(const QRectF& r, unsigned rop)
{
    if (m_state.inPath || !beginDrawing(r))
        return;
    switch (rop) {
    case gdi::rop::PatCopy:
        m_state.painter.fillRect(r, currentBrush());
        break;
    case gdi::rop::Blackness:
        m_state.painter.fillRect(r, Qt::black);
        break;
    case gdi::rop::Whiteness:
        m_state.painter.fillRect(r, Qt::white);
        break;
    case gdi::rop::PatInvert:
        m_state.painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        m_state.painter.fillRect(r, currentBrush());
        break;
    case gdi::rop::DstInvert:
        m_state.painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        m_state.painter.fillRect(r, Qt::black);
        break;
    default:
        break;
    }
}

void MetafilePlayer::drawImage(QImage image, QPointF dst, QPointF dstSize, QRectF source,
                               unsigned rop, double opacity)
{
    if (m_state.inPath || image.isNull() || rop == gdi::rop::DstCopy)
        return;
    source = source.normalized() & QRectF(image.rect());
    if (source.isEmpty() || !finite(dst) || !finite(dstSize))
        return;
    const QPointF a = map(dst.x(), dst.y());
    const QPointF b = map(dst.x() + dstSize.x(), dst.y() + dstSize.y());
    if (!beginDrawing(mapRect(dst.x(), dst.y(), dst.x() + dstSize.x(), dst.y() + dstSize.y())))
        return;
    m_state.painter.setCompositionMode(compositionForRop(rop));
    m_state.painter.setOpacity(opacity);
    image = image.copy(source.toRect());
    if (axisAligned()) {
        if (a.x() == b.x() || a.y() == b.y())
            return;
        m_state.painter.drawImage(QRectF(a, b).normalized(),
                                  image.mirrored(b.x() < a.x(), b.y() < a.y()));
        return;
    }
    if (!withinReach(m_transform.mapRect(QRectF(dst, QSizeF(dstSize.x(), dstSize.y())))))
        return;
    m_state.painter.save();
    m_state.painter.setTransform(m_transform);
    m_state.painter.drawImage(QRectF(dst, QSizeF(dstSize.x(), dstSize.y())), image);
    m_state.painter.restore();
    m_state.clipDirty = true;
}

void MetafilePlayer::drawDib(const char* dib, std::size_t length, QPointF dst, QPointF dstSize,
                             QPointF src, QPointF srcSize, unsigned rop, bool sourceFromBottom)
{
    if (rop == gdi::rop::DstCopy)
        return;
    const DibSource source = metafileDib(dib, length);
    const DecodeResult bitmap = decodeDib(source, false);
    if (!bitmap.ok())
        return;
    double sy = src.y();
    if (sourceFromBottom && dibIsBottomUp(source))
        sy = bitmap->image.height() - src.y() - srcSize.y();
    drawImage(bitmap->image, dst, dstSize, QRectF(src.x(), sy, srcSize.x(), srcSize.y()), rop);
}

} // namespace plattera::metafile
