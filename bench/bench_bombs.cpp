// A small hostile picture as the back picture: the resident memory once it is on the cover,
// the peak while it was loaded and the peak while the cover printed to PDF, the PDF's size
// and the time each took. Run one kind per process, so each peak is that bomb's alone:
// `plattera_bench bombs png|interlaced|webp|webp-frame|bmp|drain|wide-jpeg`.
#include <cstdio>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTabWidget>
#include <QTemporaryDir>

#include "app/startup.h"
#include "app/main_window.h"
#include "bench_bombs.h"
#include "model/editor_state.h"
#include "model/sheets.h"
#include "pictures/picture_store.h"
#include "support/controls.h"
#include "support/picture_bombs.h"
#include "support/picture_writers.h"
#include "support/platform/scripted_platform.h"

using namespace plattera;

namespace {

// VmRSS or VmHWM of this process, in MB.
double statusMb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toDouble() /
                1000.0;
    return 0;
}

// Forgets the peak so far (Linux: writing 5 to clear_refs resets VmHWM).
void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

void putLittleEndian(QByteArray& out, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char(v >> (8 * i));
}

void appendRiffChunk(QByteArray& file, const char* type, const QByteArray& payload)
{
    file += QByteArray(type, 4);
    putLittleEndian(file, quint32(payload.size()), 4);
    file += payload + QByteArray(payload.size() % 2, '\0');
}

// An animated WebP whose first frame is a lossless `frame` of one colour, on its canvas.
// Lossless bits, least significant first: the size, no transform, no colour cache, five
// prefix codes (green, red, blue, alpha, distance) of one 8-bit symbol, so pixels take none.
QByteArray oneColourWebp(QSize canvas, QRect frame, QRgb colour)
{
    QByteArray bits;
    int used = 0;
    const auto putBits = [&](quint64 value, int count) {
        for (int i = 0; i < count; ++i, ++used) {
            bits += QByteArray(used % 8 == 0, '\0');
            bits.back() = char(bits.back() | ((value >> i) & 1) << (used % 8));
        }
    };
    putBits(0x2f | (frame.width() - 1) << 8 | quint64(frame.height() - 1) << 22 | 1ULL << 36, 43);
    for (int symbol : {qGreen(colour), qRed(colour), qBlue(colour), qAlpha(colour), 0})
        putBits(0b101 | quint32(symbol) << 3, 11); // simple code, one symbol, of 8 bits
    QByteArray header("\x12\0\0\0", 4), place, image, body("WEBP"); // alpha, animation
    putLittleEndian(header, quint32(canvas.width() - 1), 3);
    putLittleEndian(header, quint32(canvas.height() - 1), 3);
    for (int v : {frame.x() / 2, frame.y() / 2, frame.width() - 1, frame.height() - 1, 100})
        putLittleEndian(place, quint32(v), 3);
    appendRiffChunk(image, "VP8L", bits);
    appendRiffChunk(body, "VP8X", header);
    appendRiffChunk(body, "ANIM", QByteArray(6, '\0'));
    appendRiffChunk(body, "ANMF", place + '\0' + image);
    // Padding: the decoders allow 65536 pixels a byte.
    appendRiffChunk(body, "PADD", QByteArray(qint64(canvas.width()) * canvas.height() / 65536, 0));
    QByteArray webp("RIFF");
    putLittleEndian(webp, quint32(body.size()), 4);
    return webp + body;
}

// A bitmap whose 8-bit RLE data ends the picture at once, leaving all of it white.
QByteArray emptyRleBitmap(QSize size)
{
    QByteArray bmp("BM");
    for (quint32 v : {64u, 0u, 62u, 40u, quint32(size.width()), quint32(size.height())})
        putLittleEndian(bmp, v, 4);
    putLittleEndian(bmp, 1, 2);                // planes
    putLittleEndian(bmp, 8, 2);                // bits per pixel
    for (quint32 v : {1u, 2u, 0u, 0u, 2u, 0u}) // RLE8, its bytes, resolution, colours
        putLittleEndian(bmp, v, 4);
    return bmp + QByteArray(8, char(0xff)) + QByteArray("\0\1", 2); // white; the end
}

QByteArray bomb(const QByteArray& kind, QString& extension)
{
    const QSize big(14142, 14142);
    extension = QStringLiteral("png");
    if (kind == "png")
        return dotPng(big, false, qRgb(255, 255, 255), qRgb(40, 90, 160));
    if (kind == "interlaced")
        return dotPng(big, true, qRgb(255, 255, 255), qRgb(40, 90, 160));
    if (kind == "drain")
        return dotPng(QSize(1, 1), false, qRgb(40, 90, 160), qRgb(255, 255, 255), 16LL << 30);
    extension = QStringLiteral("webp");
    if (kind == "webp")
        return oneColourWebp(big, QRect(0, 0, 16, 16), qRgb(40, 90, 160));
    if (kind == "webp-frame")
        return oneColourWebp(big, QRect(QPoint(0, 0), big), qRgb(40, 90, 160));
    extension = QStringLiteral("bmp");
    if (kind == "bmp")
        return emptyRleBitmap(big);
    extension = QStringLiteral("jpg");
    if (kind == "wide-jpeg") {
        QTemporaryDir dir;
        QFile jpeg(writeWhiteJpeg(dir.filePath(QStringLiteral("wide.jpg")), 65500, 3000));
        return jpeg.open(QIODevice::ReadOnly) ? jpeg.readAll() : QByteArray();
    }
    return QByteArray();
}

} // namespace

int runBombBench(const char* kindName)
{
    QString extension;
    const QByteArray file = bomb(kindName, extension);
    if (file.isEmpty()) {
        std::printf("kinds: png interlaced webp webp-frame bmp drain wide-jpeg\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bomb.") + extension);
    const QString pdf = dir.filePath(QStringLiteral("cover.pdf"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
        return 1;
    out.close();

    ScriptedPlatform platform;
    EditorState state;
    PictureStore pictures;
    state.pictures = &pictures;
    Sheets sheets(platform.logicalDpiY());
    AppWindows windows = createWindows(platform, state, sheets);
    MainWindow& mainWindow = *windows.mainWindow;
    const double before = statusMb("VmRSS:");

    resetPeak();
    QElapsedTimer timer;
    timer.start();
    control<QTabWidget>(mainWindow, "TabbedNotebook1")->setCurrentIndex(0);
    platform.pictureAnswers.push_back(path);
    mainWindow.runCommand([&] { mainWindow.onImage(); });
    const double loadMs = double(timer.nsecsElapsed()) / 1e6;
    const double loadPeak = statusMb("VmHWM:"), onCover = statusMb("VmRSS:");

    resetPeak();
    timer.restart();
    platform.printAnswers.push_back(pdf);
    mainWindow.runCommand([&] { mainWindow.onPrint(); });
    const double printMs = double(timer.nsecsElapsed()) / 1e6;
    const double printPeak = statusMb("VmHWM:");

    const QSize decoded =
        state.backPicture.bitmap() ? state.backPicture.bitmap()->image.size() : QSize();
    std::printf("%s: file %.1f KB, decoded %d x %d, load %.0f ms, print %.0f ms\n", kindName,
                double(file.size()) / 1e3, decoded.width(), decoded.height(), loadMs, printMs);
    std::printf("resident MB: before %.0f, on the cover %.0f, peak loading %.0f, peak printing "
                "%.0f; PDF %.2f MB\n",
                before, onCover, loadPeak, printPeak, double(QFileInfo(pdf).size()) / 1e6);
    for (const auto& error : platform.errors)
        std::printf("error: %s\n", qPrintable(error.text));
    return 0;
}
