#include "decoders/bounded_canvas.h"
#include "model/errors.h"

#include <algorithm>
#include <new>
#include <vector>

namespace plattera {

namespace {

// Along each side, the weights of the pixels that make up one pixel of the result sum to
// exactly 1 << kWeightBits; across both sides to 1 << 24, so that a result pixel's sum of
// weighted 8-bit values stays below 2^32.
constexpr int kWeightBits = 12;
constexpr quint32 kWhiteSum = 255u << (2 * kWeightBits);

// How the pixels along one side fall on the result's: source pixel i spans [i to, (i + 1) to)
// and result pixel j spans [j from, (j + 1) from) of one line, so a source pixel lies within
// one result pixel or across the border of two. It gives `first` to result pixel cell[i] and
// `second` to the next. Weights are the overlap rounded down at each border, so those of one
// result pixel always add up to the whole.
struct SideWeights {
    std::vector<int> cell;
    std::vector<quint16> first, second;

    SideWeights(int from, int to) : cell(size_t(from)), first(size_t(from)), second(size_t(from))
    {
        const auto at = [from](qint64 position, qint64 j) {
            return qint64(((position - j * from) << kWeightBits) / from);
        };
        for (int i = 0; i < from; ++i) {
            const qint64 start = qint64(i) * to, end = start + to, j = start / from;
            cell[size_t(i)] = int(j);
            if (end <= (j + 1) * from) {
                first[size_t(i)] = quint16(at(end, j) - at(start, j));
            } else {
                first[size_t(i)] = quint16((1 << kWeightBits) - at(start, j));
                second[size_t(i)] = quint16(at(end, j + 1));
            }
        }
    }
};

} // namespace

// The box filter: for each result pixel a running sum per colour of the source pixels over
// it, times their weights. Sums start at white and each pixel adds its difference from white,
// so what no row covers ends white; the sums wrap modulo 2^32 on the way, but each ends in
// [0, 255 << 24], where wrapping cannot have changed it.
class BoxSums {
public:
    // Keeps sums for `keptRows` result rows: two when rows come in order (a source row touches
    // at most two result rows, and those above it are then complete), else all of them.
    BoxSums(QSize from, QImage& result, int keptRows)
        : m_width(result.width()), m_kept(keptRows), m_x(from.width(), m_width),
          m_y(from.height(), result.height()), m_row(size_t(m_width) * 3 + 3),
          m_sums(size_t(m_width) * 3 * size_t(keptRows), kWhiteSum), m_result(result)
    {
    }

    void add(int y, int x0, int step, const QRgb* pixels, int count)
    {
        const int cy = m_y.cell[size_t(y)];
        if (m_kept == 2)
            finishRows(cy);
        const int last = x0 + (count - 1) * step;
        const int left = m_x.cell[size_t(x0)],
                  right = std::min(m_x.cell[size_t(last)] + 1, m_width - 1);
        std::fill(m_row.begin() + left * 3, m_row.begin() + right * 3 + 3, 0);
        for (int i = 0, x = x0; i < count; ++i, x += step) {
            const QRgb pixel = overWhite(pixels[i]);
            const int difference[3] = {qRed(pixel) - 255, qGreen(pixel) - 255, qBlue(pixel) - 255};
            qint32* sum = &m_row[size_t(m_x.cell[size_t(x)]) * 3];
            const int first = m_x.first[size_t(x)], second = m_x.second[size_t(x)];
            for (int c = 0; c < 3; ++c) {
                sum[c] += first * difference[c];
                sum[c + 3] += second * difference[c];
            }
        }
        for (const auto& [row, weight] : {std::pair {cy, int(m_y.first[size_t(y)])},
                                          std::pair {cy + 1, int(m_y.second[size_t(y)])}}) {
            if (weight == 0)
                continue;
            quint32* sums = &m_sums[size_t(row % m_kept) * size_t(m_width) * 3];
            for (int c = left * 3; c < right * 3 + 3; ++c)
                sums[c] += quint32(qint64(weight) * m_row[size_t(c)]);
        }
    }

    // Writes the result rows up to `end` whose sums are complete, and clears their sums.
    void finishRows(int end)
    {
        for (; m_done < end; ++m_done) {
            quint32* sums = &m_sums[size_t(m_done % m_kept) * size_t(m_width) * 3];
            auto* out = reinterpret_cast<QRgb*>(m_result.scanLine(m_done));
            for (int x = 0; x < m_width; ++x, sums += 3) {
                const auto mean = [](quint32& sum) {
                    const int value = int((quint64(sum) + (1u << 23)) >> (2 * kWeightBits));
                    sum = kWhiteSum;
                    return value;
                };
                out[x] = qRgb(mean(sums[0]), mean(sums[1]), mean(sums[2]));
            }
        }
    }

private:
    int m_width;
    int m_kept;
    SideWeights m_x, m_y;
    std::vector<qint32> m_row; // one source row's weighted differences, three per result column
    std::vector<quint32> m_sums;
    QImage& m_result;
    int m_done = 0; // result rows written
};

BoundedCanvas::BoundedCanvas(QSize own, bool anyOrder) : m_own(own)
{
    const QSize size = boundedDecodingSize(own);
    // Rows in any order need a sum for every result pixel until the end: 12 bytes a pixel.
    // A picture that takes less at its own size is kept as it is and shrunk at the end.
    m_staged = size != own && anyOrder &&
        qint64(own.width()) * own.height() * 4 <= qint64(size.width()) * size.height() * 12;
    m_image = allocateWhiteImage(m_staged ? own.width() : size.width(),
                                 m_staged ? own.height() : size.height());
    if (size == own || m_staged || m_image.isNull())
        return;
    try {
        m_sums = std::make_unique<BoxSums>(own, m_image, anyOrder ? size.height() : 2);
    } catch (const std::bad_alloc&) {
        m_image = QImage();
    }
}

BoundedCanvas::~BoundedCanvas() = default;

void BoundedCanvas::putRow(int y, int x0, int step, const QRgb* pixels, int count)
{
    if (y < 0 || y >= m_own.height() || x0 < 0 || x0 >= m_own.width() || count <= 0)
        return;
    count = std::min(count, (m_own.width() - 1 - x0) / step + 1);
    if (m_sums) {
        m_sums->add(y, x0, step, pixels, count);
        return;
    }
    auto* row = reinterpret_cast<QRgb*>(m_image.scanLine(y));
    for (int i = 0; i < count; ++i)
        row[x0 + i * step] = overWhite(pixels[i]);
}

DecodeResult BoundedCanvas::finish()
{
    try {
        if (m_staged) {
            // Shrunk now, row by row, as if the rows had come in order.
            const QImage own = std::move(m_image);
            const QSize size = boundedDecodingSize(m_own);
            m_image = allocateWhiteImage(size.width(), size.height());
            if (m_image.isNull())
                return DecodeResult::failure(
                    notEnoughMemoryTo(QStringLiteral("decode the picture")));
            m_sums = std::make_unique<BoxSums>(m_own, m_image, 2);
            for (int y = 0; y < own.height(); ++y)
                m_sums->add(y, 0, 1, reinterpret_cast<const QRgb*>(own.constScanLine(y)),
                            own.width());
        }
        if (m_sums)
            m_sums->finishRows(m_image.height());
    } catch (const std::bad_alloc&) {
        return DecodeResult::failure(notEnoughMemoryTo(QStringLiteral("decode the picture")));
    }
    m_sums.reset();
    DecodeResult result = decodedPicture(std::move(m_image));
    if (result->image.size() != m_own)
        result->sourceSize = m_own;
    return result;
}

DecodeResult shrinkToLargestDrawn(DecodeResult decoded)
{
    if (!decoded.ok())
        return decoded;
    const QSize own = decoded->image.size();
    if (boundedDecodingSize(own) == own)
        return decoded;
    const QImage image = decoded->image.convertToFormat(QImage::Format_RGB32);
    decoded->image = QImage();
    BoundedCanvas canvas(own, false);
    if (image.isNull() || canvas.isNull())
        return DecodeResult::failure(notEnoughMemoryTo(QStringLiteral("decode the picture")));
    for (int y = 0; y < own.height(); ++y)
        canvas.putRow(y, 0, 1, reinterpret_cast<const QRgb*>(image.constScanLine(y)), own.width());
    return canvas.finish();
}

} // namespace plattera
