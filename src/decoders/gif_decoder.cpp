#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

#include "decoders/bounded_canvas.h"
#include "decoders/decode_result.h"
#include "model/errors.h"

namespace plattera {

namespace {

struct MemoryReader {
    const GifByteType* data;
    size_t size;
    size_t position;
};

extern "C" int readFromMemory(GifFileType* gif, GifByteType* buffer, int wanted)
{
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    const size_t count = std::min(size_t(wanted > 0 ? wanted : 0), reader->size - reader->position);
    std::memcpy(buffer, reader->data + reader->position, count);
    reader->position += count;
    return int(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

QString gifError(int code)
{
    const char* text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : QStringLiteral("GIF error %1").arg(code);
}

// The transparent colour index of a Graphic Control Extension, or -1.
int transparentIndexOf(GifFileType* gif, int extensionCode, GifByteType* block, bool& failed)
{
    int transparent = -1;
    if (extensionCode == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent = control.TransparentColor;
    }
    // Skip the extension's remaining sub-blocks.
    while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
            failed = true;
            break;
        }
    }
    return transparent;
}

// Draws the frame's rows onto the logical screen, clipped to it. Rows of an interlaced frame
// arrive in four passes.
Check drawFrame(GifFileType* gif, int transparent, BoundedCanvas& screen)
{
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (colours == nullptr || colours->Colors == nullptr)
        return Check::failure(QStringLiteral("The GIF picture has no colour table"));
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Width > kMaxPictureSide ||
        frame.Height > kMaxPictureSide)
        return Check::failure(
            QStringLiteral("The GIF picture has a frame of invalid size (%1 x %2)")
                .arg(frame.Width)
                .arg(frame.Height));

    std::vector<GifPixelType> line(size_t(frame.Width));
    std::vector<QRgb> pixels(size_t(frame.Width));
    std::vector<int> order;
    order.reserve(size_t(frame.Height));
    if (frame.Interlace) {
        static const int kStart[] = {0, 4, 2, 1};
        static const int kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = kStart[pass]; y < frame.Height; y += kStep[pass])
                order.push_back(y);
        }
    } else {
        for (int y = 0; y < frame.Height; ++y)
            order.push_back(y);
    }

    for (int row : order) {
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
            return Check::failure(gifError(gif->Error));
        for (int x = 0; x < frame.Width; ++x) {
            const int index = line[size_t(x)];
            QRgb& pixel = pixels[size_t(x)];
            if (index == transparent) {
                pixel = 0; // lets the white screen through
            } else if (index >= colours->ColorCount) {
                pixel = qRgb(0, 0, 0);
            } else {
                const GifColorType& c = colours->Colors[index];
                pixel = qRgb(c.Red, c.Green, c.Blue);
            }
        }
        screen.putRow(frame.Top + row, frame.Left, 1, pixels.data(), frame.Width);
    }
    return Done();
}

} // namespace

// The first frame drawn on the logical screen; the background and transparent pixels are white.
// A screen larger than the largest place a picture is drawn shrinks as the rows arrive.
DecodeResult decodeGif(const QByteArray& data)
{
    MemoryReader reader {reinterpret_cast<const GifByteType*>(data.constData()),
                         size_t(data.size()), 0};
    int error = 0;
    GifHandle gif(DGifOpen(&reader, readFromMemory, &error));
    if (!gif)
        return DecodeResult::failure(gifError(error));

    if (const Check size = checkPictureSize(gif->SWidth, gif->SHeight, data.size()); !size)
        return DecodeResult::failure(size.reason());

    int transparent = -1;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR)
            return DecodeResult::failure(gifError(gif->Error));
        if (record == TERMINATE_RECORD_TYPE)
            return DecodeResult::failure(QStringLiteral("The GIF file holds no picture"));
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                return DecodeResult::failure(gifError(gif->Error));
            bool failed = false;
            const int index = transparentIndexOf(gif.get(), code, block, failed);
            if (failed)
                return DecodeResult::failure(gifError(gif->Error));
            if (code == GRAPHICS_EXT_FUNC_CODE)
                transparent = index;
            continue;
        }
        if (record == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
                return DecodeResult::failure(gifError(gif->Error));
            BoundedCanvas screen(QSize(gif->SWidth, gif->SHeight), gif->Image.Interlace);
            if (screen.isNull())
                return DecodeResult::failure(
                    notEnoughMemoryTo(QStringLiteral("decode the GIF picture")));
            if (const Check drawn = drawFrame(gif.get(), transparent, screen); !drawn)
                return DecodeResult::failure(drawn.reason());
            return screen.finish();
        }
    }
}

} // namespace plattera
