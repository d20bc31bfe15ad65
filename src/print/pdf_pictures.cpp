#include "print/pdf_pictures.h"

#include <algorithm>
#include <thread>

#include <QFile>

#include <zlib.h>

namespace plattera {

namespace {

// How Qt's PDF engine writes a one-pixel RGB image: the object, its dictionary and, right
// after it, the object that holds the stream's length.
constexpr char kStandInDictionary[] = "<<\n/Type /XObject\n/Subtype /Image\n/Width 1\n/Height 1\n"
                                      "/BitsPerComponent 8\n/ColorSpace /DeviceRGB\n/Length ";
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
    qsizetype at = dictionary + qsizetype(sizeof kStandInDictionary) - 1;
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

Edit pictureObject(const QByteArray& number, qint64 lengthObject, const QImage& picture, qsizetype from, qsizetype to)
{
    const QByteArray data = deflatePictureRows(picture);
    if (data.isEmpty())
        return {};
    const QByteArray width = QByteArray::number(picture.width());
    Edit edit;
    edit.from = from;
    edit.to = to;
    edit.bytes = number + " 0 obj\n<<\n/Type /XObject\n/Subtype /Image\n/Width " + width + "\n/Height "
        + QByteArray::number(picture.height()) + "\n/BitsPerComponent 8\n/ColorSpace /DeviceRGB\n/Length "
        + QByteArray::number(data.size()) + "\n/Filter /FlateDecode\n/DecodeParms << /Predictor 15 /Colors 3 "
        "/BitsPerComponent 8 /Columns " + width + " >>\n>>\nstream\n" + data + "\nendstream\nendobj\n";
    edit.lengthObjectAt = edit.bytes.size();
    edit.bytes += QByteArray::number(lengthObject) + " 0 obj\n" + QByteArray::number(data.size()) + "\nendobj\n";
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
        tail.replace(at, 10, QByteArray::number(movedOffset(offset, edits)).rightJustified(10, '0'));
    }
    const qsizetype start = tail.indexOf("startxref\n", at);
    if (start < 0)
        return false;
    tail.truncate(start);
    tail += "startxref\n" + QByteArray::number(movedOffset(tableAt, edits)) + " \n%%EOF\n";
    return true;
}

} // namespace

QImage PdfPictures::standIn(const QImage& picture)
{
    m_pictures.push_back(picture);
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(kStandInColour);
    return pixel;
}

namespace {

// Rows [first, last) after the Sub filter as raw deflate blocks of Huffman codes alone, ending
// byte-aligned (a sync flush) so that the next part follows on, or with the final block.
// Row filters and Huffman codes look at nothing outside their rows, so parts are independent.
struct DeflatedRows {
    QByteArray bytes;
    uLong adler = 0;
    qsizetype rawSize = 0;
    bool ok = false;
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
    part.adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(rows.constData()), uInt(rows.size()));
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_HUFFMAN_ONLY) != Z_OK)
        return part;
    part.bytes.resize(qsizetype(deflateBound(&z, uLong(rows.size()))) + 16);
    z.next_in = reinterpret_cast<Bytef*>(rows.data());
    z.avail_in = uInt(rows.size());
    z.next_out = reinterpret_cast<Bytef*>(part.bytes.data());
    z.avail_out = uInt(part.bytes.size());
    const int result = deflate(&z, final ? Z_FINISH : Z_SYNC_FLUSH);
    part.ok = final ? result == Z_STREAM_END : result == Z_OK && z.avail_in == 0;
    part.bytes.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return part;
}

} // namespace

QByteArray deflatePictureRows(const QImage& picture)
{
    const QImage rgb32 = picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
    if (rgb32.isNull())
        return {};
    // A band of rows per core: a large picture is most of a print's time.
    const int bands = std::clamp(int(std::thread::hardware_concurrency()), 1, std::min(8, rgb32.height()));
    std::vector<DeflatedRows> parts(static_cast<size_t>(bands));
    std::vector<std::thread> workers;
    for (int i = 0; i < bands; ++i) {
        const int first = rgb32.height() * i / bands, last = rgb32.height() * (i + 1) / bands;
        const auto work = [&parts, &rgb32, i, first, last, bands] { parts[size_t(i)] = deflateRows(rgb32, first, last, i == bands - 1); };
        if (i == bands - 1)
            work();
        else
            workers.emplace_back(work);
    }
    for (std::thread& worker : workers)
        worker.join();

    // A zlib stream: header (deflate, 32 KiB window, fastest), the parts, Adler-32 of it all.
    QByteArray stream("\x78\x01", 2);
    uLong adler = adler32(0, nullptr, 0);
    for (const DeflatedRows& part : parts) {
        if (!part.ok)
            return {};
        stream += part.bytes;
        adler = adler32_combine(adler, part.adler, z_off_t(part.rawSize));
    }
    for (int shift = 24; shift >= 0; shift -= 8)
        stream += char((adler >> shift) & 0xFF);
    return stream;
}

bool PdfPictures::writeInto(const QString& path) const
{
    if (m_pictures.empty())
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray pdf = file.readAll();

    // The stand-ins' objects, in the order they were drawn.
    std::vector<Edit> edits;
    for (qsizetype at = pdf.indexOf(kStandInDictionary); at >= 0; at = pdf.indexOf(kStandInDictionary, at + 1)) {
        Edit found;
        qint64 lengthObject = 0;
        if (!findStandIn(pdf, at, found, lengthObject) || edits.size() == m_pictures.size())
            return false;
        const QByteArray number = pdf.mid(found.from, pdf.indexOf(' ', found.from) - found.from);
        edits.push_back(pictureObject(number, lengthObject, m_pictures[edits.size()], found.from, found.to));
        if (edits.back().bytes.isEmpty())
            return false;
    }
    const qsizetype table = pdf.lastIndexOf("\nxref\n") + 1;
    if (edits.size() != m_pictures.size() || table <= 0 || table < edits.back().to)
        return false;
    QByteArray tail = pdf.mid(table);
    if (!moveCrossReferences(tail, edits, table))
        return false;

    if (!file.resize(0) || !file.seek(0))
        return false;
    qsizetype copied = 0;
    for (const Edit& edit : edits) {
        if (file.write(pdf.constData() + copied, edit.from - copied) != edit.from - copied
            || file.write(edit.bytes) != edit.bytes.size())
            return false;
        copied = edit.to;
    }
    return file.write(pdf.constData() + copied, table - copied) == table - copied && file.write(tail) == tail.size()
        && file.flush();
}

} // namespace plattera
