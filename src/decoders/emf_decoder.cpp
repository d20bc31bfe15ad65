#include <cmath>
#include <cstdlib>

#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <emf2svg.h>

#include "decoders/byte_order.h"
#include "decoders/decode_result.h"

namespace plattera {

namespace {

constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmrEof = 14;
constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr size_t kMinHeaderSize = 88;


QString notAMetafile() { return QStringLiteral("Not a valid enhanced metafile"); }

// The run of well-formed records from the start, ending with EMR_EOF when the file has one.
// The converter trusts record sizes, so it only ever sees this prefix.
struct RecordRun {
    size_t length = 0;
    uint32_t records = 0;
    bool endsWithEof = false;
};

RecordRun wellFormedRecords(const unsigned char* data, size_t size)
{
    RecordRun run;
    while (size - run.length >= 8) {
        const uint32_t type = leU32(data + run.length);
        const uint32_t length = leU32(data + run.length + 4);
        if (length < 8 || length % 4 != 0 || length > size - run.length)
            break;
        run.length += length;
        ++run.records;
        if (type == kEmrEof) {
            run.endsWithEof = true;
            break;
        }
    }
    return run;
}

void putU32(unsigned char* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

// The converter walks records until EMR_EOF, and trusts the header's byte and record counts:
// the copy it gets always ends with an EMR_EOF and its header tells the truth about it.
QByteArray terminatedRecords(const unsigned char* data, const RecordRun& run)
{
    QByteArray records(reinterpret_cast<const char*>(data), qsizetype(run.length));
    uint32_t count = run.records;
    if (!run.endsWithEof) {
        unsigned char eof[20] = {};
        putU32(eof, kEmrEof);
        putU32(eof + 4, sizeof eof);
        putU32(eof + 12, 16); // offPalEntries: no palette follows
        putU32(eof + 16, sizeof eof);
        records.append(reinterpret_cast<const char*>(eof), sizeof eof);
        ++count;
    }
    auto* header = reinterpret_cast<unsigned char*>(records.data());
    putU32(header + 48, uint32_t(records.size()));
    putU32(header + 52, count);
    return records;
}

// The converter reads the header's description and pixel format wherever their offsets point.
// Pieces that do not lie inside the header record are dropped from our copy: neither is drawn,
// so the picture itself is unchanged.
void dropStrayHeaderPieces(unsigned char* header, uint32_t headerSize)
{
    const auto inside = [headerSize](uint64_t offset, uint64_t length) {
        return offset >= kMinHeaderSize && offset + length <= headerSize;
    };
    // An offset with no length is read up to a terminator that may never come.
    const uint32_t descriptionChars = leU32(header + 60);
    if (descriptionChars == 0 || !inside(leU32(header + 64), uint64_t(descriptionChars) * 2)) {
        putU32(header + 60, 0);
        putU32(header + 64, 0);
    }
    if (headerSize >= 100) {
        const uint32_t formatBytes = leU32(header + 88);
        if (formatBytes == 0 || !inside(leU32(header + 92), formatBytes)) {
            putU32(header + 88, 0);
            putU32(header + 92, 0);
        }
    }
}

// Embedded bitmaps are scaled pixel for pixel, like the rest of the program's stretching.
QByteArray withSharpImages(const char* svg, size_t length)
{
    QString text = QString::fromUtf8(svg, qsizetype(length));
    static const QRegularExpression imageTag(QStringLiteral("<((?:[A-Za-z_][\\w.-]*:)?image)(?=[\\s/>])"));
    text.replace(imageTag, QStringLiteral("<\\1 image-rendering=\"optimizeSpeed\""));
    return text.toUtf8();
}

} // namespace

DecodeResult decodeEmf(const QByteArray& data, int ppi)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const size_t size = size_t(data.size());
    if (size < kMinHeaderSize || leU32(bytes) != kEmrHeader || leU32(bytes + 40) != kEmfSignature)
        return DecodeResult::failure(notAMetafile());
    const uint32_t headerSize = leU32(bytes + 4);
    if (headerSize < kMinHeaderSize || headerSize > size || headerSize % 4 != 0)
        return DecodeResult::failure(notAMetafile());

    // rclFrame is in hundredths of a millimetre.
    const double frameWidth = double(leI32(bytes + 32)) - double(leI32(bytes + 24));
    const double frameHeight = double(leI32(bytes + 36)) - double(leI32(bytes + 28));
    const long long width = std::llround(frameWidth / 100.0 / 25.4 * ppi);
    const long long height = std::llround(frameHeight / 100.0 / 25.4 * ppi);
    const QString sizeProblem = checkPictureSize(width, height);
    if (!sizeProblem.isEmpty())
        return DecodeResult::failure(sizeProblem);

    const RecordRun run = wellFormedRecords(bytes, size);
    if (run.length < headerSize)
        return DecodeResult::failure(notAMetafile());

    // The converter takes a mutable buffer; give it its own copy.
    QByteArray records = terminatedRecords(bytes, run);
    dropStrayHeaderPieces(reinterpret_cast<unsigned char*>(records.data()), headerSize);
    generatorOptions options{};
    options.nameSpace = const_cast<char*>("");
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    options.imgWidth = double(width);
    options.imgHeight = double(height);
    char* svg = nullptr;
    size_t svgLength = 0;
    const int converted = emf2svg(records.data(), size_t(records.size()), &svg, &svgLength, &options);
    if (converted == 0 || svg == nullptr) {
        std::free(svg);
        return DecodeResult::failure(notAMetafile());
    }
    const QByteArray document = withSharpImages(svg, svgLength);
    std::free(svg);

    QSvgRenderer renderer(document);
    if (!renderer.isValid())
        return DecodeResult::failure(QStringLiteral("The enhanced metafile cannot be drawn"));
    QImage image = allocateWhiteImage(int(width), int(height));
    if (image.isNull())
        return DecodeResult::failure(QStringLiteral("Not enough memory to draw the enhanced metafile"));
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, double(width), double(height)));
    painter.end();
    return DecodeResult::success(std::move(image));
}

} // namespace plattera
