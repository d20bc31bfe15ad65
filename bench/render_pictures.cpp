// Draws picture files through the loader into PNGs, for looking at them, and prints each
// one's size and share of inked (not white) pixels:
//   plattera_render OUTDIR FILE...
#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

#include "model/errors.h"
#include "pictures/picture_store.h"

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTDIR FILE...\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        const QString name = QFileInfo(path).fileName();
        try {
            const std::optional<plattera::Picture> picture = plattera::loadPictureBitmap(path, 96);
            if (!picture) {
                std::printf("%s\tmissing\n", qPrintable(name));
                continue;
            }
            const QImage* image = &picture->image;
            long long inked = 0;
            for (int y = 0; y < image->height(); ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(image->constScanLine(y));
                for (int x = 0; x < image->width(); ++x)
                    inked += (row[x] & 0xffffff) != 0xffffff;
            }
            const double share = 100.0 * double(inked) / (double(image->width()) * image->height());
            std::printf("%s\t%dx%d\t%.2f%%\n", qPrintable(name), image->width(), image->height(),
                        share);
            image->save(out.filePath(name + QStringLiteral(".png")));
        } catch (const plattera::CommandError& e) {
            std::printf("%s\terror\t%s\n", qPrintable(name), qPrintable(e.message()));
        }
    }
    return 0;
}
