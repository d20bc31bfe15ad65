#pragma once

// The enhanced-metafile player: the records' fields as the shared metafile player's calls.
// Internal to the decoders.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <QImage>
#include <QPointF>
#include <QRegion>
#include <QSize>
#include <QTransform>

#include "decoders/byte_order.h"
#include "decoders/dib_reader.h"
#include "decoders/metafile_player.h"

namespace plattera::emf {

// One record, padded with zeros. Fields are read little-endian at byte offsets from the
// record's start; `has` tells whether a variable part lies inside the record.
struct Record {
    uint32_t type = 0;
    const char* p = nullptr;
    std::size_t size = 0;

    bool has(uint64_t offset, uint64_t bytes) const
    {
        return offset <= size && bytes <= size - offset;
    }
    int32_t i32(std::size_t offset) const { return leI32(p + offset); }
    uint32_t u32(std::size_t offset) const { return leU32(p + offset); }
    float f32(std::size_t offset) const
    {
        const uint32_t bits = u32(offset);
        float value;
        std::memcpy(&value, &bits, 4);
        return value;
    }
    QPointF point(std::size_t offset) const { return QPointF(i32(offset), i32(offset + 4)); }
    QColor color(std::size_t offset) const
    {
        return QColor(uint8_t(p[offset]), uint8_t(p[offset + 1]), uint8_t(p[offset + 2]));
    }
    // A bitmap whose info header and bits the record locates by offset and length, or a
    // null image. `bottomUp` tells whether its rows are stored from the bottom.
    QImage dib(std::size_t at, bool keepAlpha = false, bool* bottomUp = nullptr) const
    {
        const uint32_t offBmi = u32(at), cbBmi = u32(at + 4), offBits = u32(at + 8),
                       cbBits = u32(at + 12);
        if (cbBmi < 12 || !has(offBmi, cbBmi) || !has(offBits, cbBits))
            return QImage();
        QByteArray joined(p + offBmi, qsizetype(cbBmi));
        joined.append(p + offBits, qsizetype(cbBits));
        const DibSource source =
            metafileDib(joined.constData(), std::size_t(joined.size()), cbBmi, keepAlpha);
        if (bottomUp)
            *bottomUp = dibIsBottomUp(source);
        const DecodeResult bitmap = decodeDib(source, keepAlpha);
        return bitmap.ok() ? bitmap->image : QImage();
    }
};

struct Header {
    QSize size;
    QTransform deviceToImage;
    QPointF devicePerMm;
    int handles = 0;
    std::size_t headerSize = 0;
};

class EmfPlayer : public metafile::MetafilePlayer {
public:
    EmfPlayer(QImage& target, const Header& header)
        : MetafilePlayer(target, header.deviceToImage, header.handles)
    {
        state().devicePerMm = header.devicePerMm;
        updateTransform();
    }

    // Plays the records after the header up to EMR_EOF. Returns an error message when a
    // record's length cannot be right, else an empty string; drawing done before a bad
    // record stays on the image.
    Check play(const char* begin, const char* end);

private:
    // One handler per family of record types; the types without one are not played.
    using Handler = void (EmfPlayer::*)(const Record&);
    static Handler handlerFor(uint32_t type);

    void colorsAndModes(const Record& r);
    void mapping(const Record& r);
    void worldTransform(const Record& r);
    void savedStates(const Record& r);
    void clipping(const Record& r);
    void createPen(const Record& r);
    void createBrush(const Record& r);
    void createFont(const Record& r);
    void createPlaceholder(const Record& r);
    void selectOrDelete(const Record& r);
    void linesAndPixels(const Record& r);
    void boxes(const Record& r);
    void arcs(const Record& r);
    void polys(const Record& r);
    void polyPoly(const Record& r);
    void paths(const Record& r);
    void extText(const Record& r);
    void polyText(const Record& r);
    void smallText(const Record& r);
    void blits(const Record& r);
    void dibBits(const Record& r);
    void gradient(const Record& r);
    void paintRegion(const Record& r);

    // A stock object's number with the stock bit, or a slot of the object table.
    void selectByIndex(uint32_t index);
    // One string of a text record: `wide` for UTF-16, `at` where its description starts.
    void text(const Record& r, bool wide, std::size_t at);
    // False once the drawing budget is spent.
    bool shadeTriangle(const std::array<QPointF, 3>& corners, const std::array<QColor, 3>& colours);
    QRegion regionData(const Record& r, std::size_t offset, std::size_t length, bool logical) const;
};

} // namespace plattera::emf
