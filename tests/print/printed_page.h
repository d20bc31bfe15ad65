#pragma once

#include <functional>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "print/page_canvas.h"

// A printer writing a PDF into a sandbox, and what lands on its page rasterised by poppler at
// 254 dpi: one pixel per page unit, cropped to the printable area so that pixel (x, y) is the
// page point (x, -y).
struct PrintedPage {
    QTemporaryDir dir;
    QPrinter printer {QPrinter::HighResolution};
    QImage image;
    int pages = 0;

    static bool canRasterise()
    {
        return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
    }

    PrintedPage()
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf());
        printer.setPageSize(QPageSize(QPageSize::A4));
        // Half an inch: the printable area starts on a whole tenth of a millimetre.
        printer.setPageMargins(QMarginsF(36, 36, 36, 36), QPageLayout::Point);
    }
    QString pdf() const { return dir.filePath(QStringLiteral("page.pdf")); }

    static QString run(const QString& tool, const QStringList& args)
    {
        QProcess p;
        p.start(tool, args);
        p.waitForFinished(60000);
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }

    void rasterise()
    {
        for (const QString& old :
             QDir(dir.path()).entryList({QStringLiteral("ras*.png")}, QDir::Files))
            QFile::remove(dir.filePath(old));
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("254"), QStringLiteral("-png"), pdf(),
             dir.filePath(QStringLiteral("ras"))});
        image = QImage();
        const QStringList files =
            QDir(dir.path()).entryList({QStringLiteral("ras*.png")}, QDir::Files, QDir::Name);
        pages = int(files.size());
        if (files.isEmpty())
            return;
        const QRectF area = printer.pageLayout().paintRect(QPageLayout::Point);
        const QImage full =
            QImage(dir.filePath(files.first())).convertToFormat(QImage::Format_RGB32);
        image = full.copy(qRound(area.x() * 254 / 72), qRound(area.y() * 254 / 72), 1800, 2600);
    }

    // Sizes of the bitmaps embedded in the PDF, as "width x height".
    QStringList embeddedImages()
    {
        QStringList sizes;
        const QStringList rows =
            run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf()}).split('\n');
        for (const QString& row : rows.mid(2)) {
            const QStringList cols = row.simplified().split(' ');
            if (cols.size() > 4)
                sizes << cols[3] + QStringLiteral(" x ") + cols[4];
        }
        return sizes;
    }

    // The bounding box of pixels in region that satisfy match (dark ink by default).
    QRect find(const QRect& region, const std::function<bool(QRgb)>& match = isInk) const
    {
        QRect box;
        for (int y = region.top(); y <= region.bottom(); ++y)
            for (int x = region.left(); x <= region.right(); ++x)
                if (match(image.pixel(x, y)))
                    box |= QRect(x, y, 1, 1);
        return box;
    }
    static bool isInk(QRgb c) { return qGray(c) < 128; }
    static bool isWhite(QRgb c) { return qGray(c) > 240; }
    // The dominant channel, for coloured ink.
    static bool isRed(QRgb c) { return qRed(c) > 128 && qGreen(c) < 100 && qBlue(c) < 100; }
    static bool isBlue(QRgb c) { return qBlue(c) > 128 && qRed(c) < 100 && qGreen(c) < 100; }
    static bool isBlack(QRgb c) { return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60; }
};
