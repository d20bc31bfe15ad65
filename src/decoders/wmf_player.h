#pragma once

// The Windows-metafile player: each record family read through libuemf's parsers and handed
// to the shared metafile player. Internal to the decoders.

#include <array>
#include <cstddef>

#include <QImage>
#include <QRectF>
#include <QString>

#include "decoders/metafile_player.h"

namespace plattera::wmf {

// A private copy of one record of `size` bytes followed by zero padding, so the fixed
// fields libuemf reads are always inside our buffer; lengths stored inside the record are
// checked with `fits` before any variable part is used.
struct Record {
    int type = 0; // the function's low byte, as libuemf numbers records
    const char* p = nullptr;
    std::size_t size = 0;

    const char* end() const { return p + size; }
    bool fits(const char* at, std::size_t bytes) const
    {
        return at >= p && at <= end() && std::size_t(end() - at) >= bytes;
    }
};

// Plays the records of one metafile onto an image. `frame` is the rectangle, in the
// metafile's logical units, that covers the whole image: the placeable bounding box, or
// the window extent when the file has no placeable header.
class WmfPlayer : public metafile::MetafilePlayer {
public:
    WmfPlayer(QImage& target, const QRectF& frame, int objectCount);

    // Plays records from `begin` up to the EOF record or `end`. Returns an error message
    // when a record's length cannot be right, else an empty string; drawing done before a
    // bad record stays on the image.
    Check play(const char* begin, const char* end);

private:
    using Handler = void (WmfPlayer::*)(const Record&);
    static const std::array<Handler, 256>& handlers();

    void colorsAndModes(const Record& r);
    void mapping(const Record& r);
    void savedStatesAndClip(const Record& r);
    void createPenOrBrush(const Record& r);
    void createFont(const Record& r);
    void createPatternBrush(const Record& r);
    void createPlaceholder(const Record& r);
    void selectOrDelete(const Record& r);
    void lines(const Record& r);
    void boxes(const Record& r);
    void arcs(const Record& r);
    void polygons(const Record& r);
    void polyPolygon(const Record& r);
    void pixelAndPattern(const Record& r);
    void text(const Record& r);
    void extText(const Record& r);
    void bitmaps(const Record& r);
    void oldBitmaps(const Record& r);
};

} // namespace plattera::wmf
