#include "print/pdf_pictures.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <thread>

#include <QFile>

#include <zlib.h>

namespace plattera {

namespace {

// Not grey, so that the engine keeps three colours for it.
constexpr QRgb kStandInColour = qRgb(1, 2, 3);

struct Edit {
    qsizetype from = 0, to = 0; // the bytes replaced
    QByteArray bytes;
    qsizetype lengthObjectAt = 0; // where the length object starts within bytes
};

// Reads a decimal number at `at`, leaving `at` after it; -1 when there is none.
qint64 numberAt(const QByteArray& data, qsizetype& at)
{
    qint64 value = -1;
    while (at < data.size() && data[at] >= '0' && data[at] <= '9')
        value = std::max<qint64>(value, 0) * 10 + (data[at++] - '0');
    return value;
}

// The stand-in's object from its number to the end of its length object, or nothing.
bool findStandIn(const QByteArray& pdf, qsizetype dictionary, Edit& edit, qint64& lengthObject)
{
    // "N 0 obj\n" comes right before the dictionary.
    const QByteArray objectHead = " 0 obj\n";
    const qsizetype head = dictionary - objectHead.size();
    if (head <= 0 || pdf.mid(head, objectHead.size()) != objectHead)
        return false;
    edit.from = pdf.lastIndexOf('\n', head) + 1;
    qsizetype at = dictionary + qtStandInDictionary().size();
    lengthObject = numberAt(pdf, at);
    const QByteArray streamEnd = "\nendstream\nendobj\n";
    const qsizetype end = pdf.indexOf(streamEnd, at);
    if (lengthObject < 0 || end < 0)
        return false;
    const QByteArray lengthHead = QByteArray::number(lengthObject) + objectHead;
    const qsizetype lengthAt = end + streamEnd.size();
    const qsizetype lengthEnd = pdf.indexOf("endobj\n", lengthAt);
    if (pdf.mid(lengthAt, lengthHead.size()) != lengthHead || lengthEnd < 0)
        return false;
    edit.to = lengthEnd + 7;
    return true;
}

Edit pictureObject(const QByteArray& number, qint64 lengthObject, const QImage& picture,
                   qsizetype from, qsizetype to)
{
    const QByteArray data = deflatePictureRows(picture);
    if (data.isEmpty())
        return {};
    const QByteArray width = QByteArray::number(picture.width());
    Edit edit;
    edit.from = from;
    edit.to = to;
    edit.bytes = number + " 0 obj\n<<\n/Type /XObject\n/Subtype /Image\n/Width " + width +
        "\n/Height " + QByteArray::number(picture.height()) +
        "\n/BitsPerComponent 8\n/ColorSpace /DeviceRGB\n/Length " +
        QByteArray::number(data.size()) +
        "\n/Filter /FlateDecode\n/DecodeParms << /Predictor 15 /Colors 3 "
        "/BitsPerComponent 8 /Columns " +
        width + " >>\n>>\nstream\n" + data + "\nendstream\nendobj\n";
    edit.lengthObjectAt = edit.bytes.size();
    edit.bytes += QByteArray::number(lengthObject) + " 0 obj\n" + QByteArray::number(data.size()) +
        "\nendobj\n";
    return edit;
}

// Where a byte of the old file lies in the new one; objects that began an edit begin its bytes.
qint64 movedOffset(qint64 offset, const std::vector<Edit>& edits)
{
    qint64 shift = 0;
    for (const Edit& edit : edits) {
        if (offset < edit.from)
            break;
        if (offset < edit.to)
            return edit.from + shift + (offset == edit.from ? 0 : edit.lengthObjectAt);
        shift += edit.bytes.size() - (edit.to - edit.from);
    }
    return offset + shift;
}

// The cross-reference table with every offset moved, and the new file's tail from it.
bool moveCrossReferences(QByteArray& tail, const std::vector<Edit>& edits, qint64 tableAt)
{
    // "xref\n0 N\n" then N entries of twenty bytes, "0000012345 00000 n \n".
    qsizetype at = 5;
    if (!tail.startsWith("xref\n") || numberAt(tail, at) != 0 || tail[at] != ' ')
        return false;
    ++at;
    const qint64 count = numberAt(tail, at);
    if (count < 0 || tail[at++] != '\n' || tail.size() < at + count * 20)
        return false;
    for (qint64 i = 0; i < count; ++i, at += 20) {
        if (tail[at + 17] != 'n')
            continue;
        qsizetype digits = at;
        const qint64 offset = numberAt(tail, digits);
        tail.replace(at, 10,
                     QByteArray::number(movedOffset(offset, edits)).rightJustified(10, '0'));
    }
    const qsizetype start = tail.indexOf("startxref\n", at);
    if (start < 0)
        return false;
    tail.truncate(start);
    tail += "startxref\n" + QByteArray::number(movedOffset(tableAt, edits)) + " \n%%EOF\n";
    return true;
}

} // namespace

QByteArrayView qtStandInDictionary()
{
    return "<<\n/Type /XObject\n/Subtype /Image\n/Width 1\n/Height 1\n"
           "/BitsPerComponent 8\n/ColorSpace /DeviceRGB\n/Length ";
}

QImage PdfPictures::standIn(const QImage& picture)
{
    m_pictures.push_back(picture);
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(kStandInColour);
    return pixel;
}

namespace {

// Deflate's bits, least significant first.
class BitWriter {
public:
    explicit BitWriter(QByteArray& out) : m_out(out) { }
    void put(quint32 bits, int count)
    {
        m_bits |= quint64(bits) << m_count;
        m_count += count;
        if (m_count >= 32) {
            const char bytes[4] = {char(m_bits), char(m_bits >> 8), char(m_bits >> 16),
                                   char(m_bits >> 24)};
            m_out.append(bytes, 4);
            m_bits >>= 32;
            m_count -= 32;
        }
    }
    void toByte()
    {
        while (m_count > 0) {
            m_out.append(char(m_bits));
            m_bits >>= 8;
            m_count = std::max(0, m_count - 8);
        }
        m_bits = 0;
    }

private:
    QByteArray& m_out;
    quint64 m_bits = 0;
    int m_count = 0;
};

constexpr int kSymbols = 257; // the byte values and the end of a block
constexpr int kLongestCode = 15;

// Huffman code lengths for the counts, none longer than deflate allows: counts are halved
// until the tree is shallow enough.
std::array<int, kSymbols> codeLengths(std::array<quint64, kSymbols> counts)
{
    for (;;) {
        struct Node {
            quint64 weight;
            int index;
        };
        const auto heavier = [](const Node& a, const Node& b) { return a.weight > b.weight; };
        std::vector<Node> heap;
        std::vector<int> parent(2 * kSymbols, -1);
        for (int s = 0; s < kSymbols; ++s)
            if (counts[size_t(s)] > 0)
                heap.push_back({counts[size_t(s)], s});
        std::make_heap(heap.begin(), heap.end(), heavier);
        int next = kSymbols;
        while (heap.size() > 1) {
            std::pop_heap(heap.begin(), heap.end(), heavier);
            const Node a = heap.back();
            heap.pop_back();
            std::pop_heap(heap.begin(), heap.end(), heavier);
            const Node b = heap.back();
            heap.pop_back();
            parent[size_t(a.index)] = parent[size_t(b.index)] = next;
            heap.push_back({a.weight + b.weight, next++});
            std::push_heap(heap.begin(), heap.end(), heavier);
        }
        std::array<int, kSymbols> lengths {};
        int longest = 0;
        for (int s = 0; s < kSymbols; ++s) {
            if (counts[size_t(s)] == 0)
                continue;
            for (int n = s; parent[size_t(n)] >= 0; n = parent[size_t(n)])
                ++lengths[size_t(s)];
            longest = std::max(longest, lengths[size_t(s)]);
        }
        if (longest <= kLongestCode)
            return lengths;
        for (quint64& count : counts)
            count = count ? (count + 1) / 2 : 0;
    }
}

quint32 reversed(quint32 code, int length)
{
    quint32 result = 0;
    for (int i = 0; i < length; ++i, code >>= 1)
        result = (result << 1) | (code & 1);
    return result;
}

// One block of bytes with a Huffman code of its own and no string matches: the picture's
// residues after the row filter are mostly small, and coding them alone is fast.
void writeBlock(BitWriter& bits, const uchar* data, qsizetype size, bool last)
{
    std::array<quint64, kSymbols> counts {};
    for (qsizetype i = 0; i < size; ++i)
        ++counts[data[i]];
    counts[256] = 1;
    const std::array<int, kSymbols> lengths = codeLengths(counts);

    // Canonical codes, bit-reversed for the stream.
    std::array<int, kLongestCode + 1> perLength {};
    for (int length : lengths)
        ++perLength[size_t(length)];
    perLength[0] = 0;
    std::array<quint32, kLongestCode + 2> nextCode {};
    for (int length = 1; length <= kLongestCode; ++length)
        nextCode[size_t(length) + 1] =
            (nextCode[size_t(length)] + quint32(perLength[size_t(length)])) << 1;
    std::array<quint32, kSymbols> codes {};
    for (int s = 0; s < kSymbols; ++s)
        if (const int length = lengths[size_t(s)])
            codes[size_t(s)] = reversed(nextCode[size_t(length)]++, length);

    bits.put(last ? 1 : 0, 1);
    bits.put(2, 2);  // dynamic Huffman codes
    bits.put(0, 5);  // 257 literal codes
    bits.put(0, 5);  // one distance code
    bits.put(15, 4); // all 19 code length codes follow
    // Code lengths 0-15 each get a four-bit code (their own value), repeat codes 16-18 none.
    static constexpr int kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                       11, 4,  12, 3, 13, 2, 14, 1, 15};
    for (int symbol : kOrder)
        bits.put(symbol < 16 ? 4 : 0, 3);
    for (int length : lengths)
        bits.put(reversed(quint32(length), 4), 4);
    bits.put(reversed(1, 4), 4); // the unused distance code is one bit long
    for (qsizetype i = 0; i < size; ++i)
        bits.put(codes[data[i]], lengths[data[i]]);
    bits.put(codes[256], lengths[256]);
}

// Rows [first, last) after the PNG Sub filter as raw deflate blocks, ending with the final
// block or, for a part that others follow, an empty stored block that ends on a byte. Row
// filters and these blocks look at nothing outside their rows, so parts are independent.
struct DeflatedRows {
    QByteArray bytes;
    uLong adler = 0;
    qsizetype rawSize = 0;
};

DeflatedRows deflateRows(const QImage& rgb32, int first, int last, bool final)
{
    DeflatedRows part;
    const qsizetype rowBytes = qsizetype(rgb32.width()) * 3 + 1;
    QByteArray rows((last - first) * rowBytes, Qt::Uninitialized);
    uchar* out = reinterpret_cast<uchar*>(rows.data());
    for (int y = first; y < last; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(rgb32.constScanLine(y));
        *out++ = 1; // Sub: each byte less the same colour of the pixel before
        QRgb before = 0;
        for (int x = 0; x < rgb32.width(); ++x) {
            *out++ = uchar(qRed(in[x]) - qRed(before));
            *out++ = uchar(qGreen(in[x]) - qGreen(before));
            *out++ = uchar(qBlue(in[x]) - qBlue(before));
            before = in[x];
        }
    }
    part.rawSize = rows.size();
    part.adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(rows.constData()),
                         uInt(rows.size()));

    constexpr qsizetype kBlock = 1 << 20;
    part.bytes.reserve(rows.size() / 2 + 1024);
    BitWriter bits(part.bytes);
    const uchar* data = reinterpret_cast<const uchar*>(rows.constData());
    for (qsizetype at = 0; at < rows.size(); at += kBlock) {
        const qsizetype size = std::min(kBlock, rows.size() - at);
        writeBlock(bits, data + at, size, final && at + size == rows.size());
    }
    if (!final) {
        bits.put(0, 3); // a stored block, not the last, of no bytes
        bits.toByte();
        part.bytes.append("\x00\x00\xff\xff", 4);
    }
    bits.toByte();
    return part;
}

} // namespace

QByteArray deflatePictureRows(const QImage& picture)
{
    const QImage rgb32 = picture.format() == QImage::Format_RGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB32);
    if (rgb32.isNull())
        return {};
    // A band of rows per core: a large picture is most of a print's time.
    const int bands =
        std::clamp(int(std::thread::hardware_concurrency()), 1, std::min(8, rgb32.height()));
    std::vector<DeflatedRows> parts(static_cast<size_t>(bands));
    std::vector<std::thread> workers;
    for (int i = 0; i < bands; ++i) {
        const int first = rgb32.height() * i / bands, last = rgb32.height() * (i + 1) / bands;
        const auto work = [&parts, &rgb32, i, first, last, bands] {
            parts[size_t(i)] = deflateRows(rgb32, first, last, i == bands - 1);
        };
        if (i < bands - 1) {
            try {
                workers.emplace_back(work);
                continue;
            } catch (const std::system_error&) { // no thread to be had: the band is coded here
            }
        }
        work();
    }
    for (std::thread& worker : workers)
        worker.join();

    // A zlib stream: header (deflate, 32 KiB window, fastest), the parts, Adler-32 of it all.
    QByteArray stream("\x78\x01", 2);
    uLong adler = adler32(0, nullptr, 0);
    for (const DeflatedRows& part : parts) {
        stream += part.bytes;
        adler = adler32_combine(adler, part.adler, z_off_t(part.rawSize));
    }
    for (int shift = 24; shift >= 0; shift -= 8)
        stream += char((adler >> shift) & 0xFF);
    return stream;
}

Check PdfPictures::writeInto(const QString& path) const
{
    const auto unwritten = [] {
        return Check::failure(
            QStringLiteral("the file could not be written whole (is the disk full?)"));
    };
    const auto unexpected = [] {
        return Check::failure(QStringLiteral(
            "the PDF that Qt wrote is laid out otherwise than expected, so its pictures could "
            "not be put in"));
    };
    if (m_pictures.empty())
        return Done();
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return Check::failure(file.errorString());
    const QByteArray pdf = file.readAll();

    // The stand-ins' objects, in the order they were drawn.
    std::vector<Edit> edits;
    for (qsizetype at = pdf.indexOf(qtStandInDictionary()); at >= 0;
         at = pdf.indexOf(qtStandInDictionary(), at + 1)) {
        Edit found;
        qint64 lengthObject = 0;
        if (!findStandIn(pdf, at, found, lengthObject) || edits.size() == m_pictures.size())
            return unexpected();
        const QByteArray number = pdf.mid(found.from, pdf.indexOf(' ', found.from) - found.from);
        edits.push_back(
            pictureObject(number, lengthObject, m_pictures[edits.size()], found.from, found.to));
        if (edits.back().bytes.isEmpty())
            return unexpected();
    }
    const qsizetype table = pdf.lastIndexOf("\nxref\n") + 1;
    if (edits.size() != m_pictures.size() || table <= 0 || table < edits.back().to)
        return unexpected();
    QByteArray tail = pdf.mid(table);
    if (!moveCrossReferences(tail, edits, table))
        return unexpected();

    if (!file.resize(0) || !file.seek(0))
        return unwritten();
    qsizetype copied = 0;
    for (const Edit& edit : edits) {
        if (file.write(pdf.constData() + copied, edit.from - copied) != edit.from - copied ||
            file.write(edit.bytes) != edit.bytes.size())
            return unwritten();
        copied = edit.to;
    }
    if (file.write(pdf.constData() + copied, table - copied) != table - copied ||
        file.write(tail) != tail.size() || !file.flush())
        return unwritten();
    return Done();
}

} // namespace plattera
