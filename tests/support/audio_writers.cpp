#include "support/audio_writers.h"

#include <QtEndian>

namespace {

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// ID3v2.4 sizes carry 7 bits a byte.
QByteArray syncSafe(quint32 value)
{
    QByteArray bytes;
    for (int shift : {21, 14, 7, 0})
        bytes += char((value >> shift) & 0x7F);
    return bytes;
}

} // namespace

// Both are written outside in, each header giving the size of all it holds: building each level
// around the last would copy the whole nest at every level.

QByteArray nestedAtomsM4a(int depth)
{
    QByteArray file = bigEndian32(28) + QByteArray("ftypM4A ") + bigEndian32(0) +
        QByteArray("M4A mp42isom") + bigEndian32(quint32(8 + 8 * depth)) + "moov";
    for (int level = 0; level < depth; ++level)
        file += bigEndian32(quint32(8 * (depth - level))) + QByteArray("udta");
    return file;
}

QByteArray nestedChaptersMp3(int depth)
{
    // A chapter: its header, element id, start and end times and offsets, then what it holds;
    // the innermost holds an empty title.
    const QByteArray title = QByteArray("TIT2") + syncSafe(1) + QByteArray("\0\0\x03", 3);
    constexpr quint32 kChapterBytes = 10 + 2 + 16;
    const quint32 tagSize = quint32(depth) * kChapterBytes + quint32(title.size());
    QByteArray file = QByteArray("ID3\x04\x00\x00", 6) + syncSafe(tagSize);
    for (int level = 0; level < depth; ++level)
        file += QByteArray("CHAP") +
            syncSafe(tagSize - quint32(level + 1) * 10 - quint32(level) * 18) +
            QByteArray(2, '\0') + QByteArray("c\0", 2) + QByteArray(16, '\0');
    file += title;
    // MPEG-1 layer III, 128 kbit/s, 44.1 kHz: 417 bytes a frame.
    for (int frame = 0; frame < 3; ++frame)
        file += QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(413, '\0');
    return file;
}

QByteArray m4aWithCover(const QByteArray& png)
{
    const auto atom = [](const char* type, const QByteArray& content) {
        return bigEndian32(quint32(8 + content.size())) + QByteArray(type) + content;
    };
    constexpr quint32 kPngData = 14;
    const QByteArray handler = atom("hdlr", QByteArray(8, '\0') + "mdirappl" + QByteArray(9, '\0'));
    const QByteArray cover =
        atom("covr", atom("data", bigEndian32(kPngData) + QByteArray(4, '\0') + png));
    const QByteArray meta = atom("meta", QByteArray(4, '\0') + handler + atom("ilst", cover));
    return atom("ftyp", QByteArray("M4A ") + bigEndian32(0) + "M4A mp42isom") +
        atom("moov", atom("udta", meta));
}

QByteArray paddedFlac(const QList<QByteArray>& comments, int paddingBlocks,
                      const QByteArray& frontCover)
{
    const auto littleEndian32 = [](quint32 value) {
        value = qToLittleEndian(value);
        return QByteArray(reinterpret_cast<const char*>(&value), 4);
    };
    const auto header = [](int type, qsizetype length) {
        return QByteArray(1, char(type)) + bigEndian32(quint32(length)).mid(1);
    };
    // 4096-sample blocks, 44.1 kHz, two channels of 16 bits, length and signature unknown.
    const QByteArray streamInfo =
        QByteArray::fromHex("100010000000000000000ac442f000000000") + QByteArray(16, '\0');
    QByteArray comment = littleEndian32(6) + "tester" + littleEndian32(quint32(comments.size()));
    for (const QByteArray& entry : comments)
        comment += littleEndian32(quint32(entry.size())) + entry;
    QByteArray file =
        "fLaC" + header(0, streamInfo.size()) + streamInfo + header(4, comment.size()) + comment;
    // Type 3, the front cover; a MIME type and description left empty, sizes unknown.
    const QByteArray picture = bigEndian32(3) + QByteArray(24, '\0') +
        bigEndian32(quint32(frontCover.size())) + frontCover;
    if (!frontCover.isEmpty())
        file += header(6, picture.size()) + picture;
    return file + header(1, 0).repeated(paddingBlocks) + header(0x80 | 1, 0); // the last
}
