#pragma once

#include <vector>

#include <QByteArrayView>
#include <QImage>
#include <QString>

#include "model/outcome.h"

namespace plattera {

// Pictures that must reach a PDF file pixel for pixel, held back from Qt's PDF engine and
// written into the finished file. The engine deflates them at zlib's default level, which for
// a noisy six-megapixel picture takes about eight times a JPEG decode of a 12-megapixel photo;
// a PNG predictor and a Huffman code per block of residues, a band of rows per core, take a
// fifth of that and give a smaller file for photos (a flat picture, which string matching
// would shrink to almost nothing, still costs an eighth of its bytes).
//
// The engine draws a one-pixel stand-in for each picture, which places it on the page in the
// same unit square; writeInto then swaps each stand-in's image object for the picture.
class PdfPictures {
public:
    // The image to draw instead of `picture`, stretched over the picture's place from the
    // source rectangle (0, 0, 1, 1).
    QImage standIn(const QImage& picture);

    bool empty() const { return m_pictures.empty(); }

    // Rewrites the finished PDF file at `path` with the pictures in place of their stand-ins;
    // fails when the file cannot be read or written, or when Qt wrote it otherwise than the
    // stand-ins and the cross-reference table are looked for (another Qt version may).
    Check writeInto(const QString& path) const;

private:
    std::vector<QImage> m_pictures;
};

// How Qt's PDF engine writes a stand-in, the one thing it is found by: "N 0 obj\n", then this
// dictionary up to the number of the object that holds the stream's length, which comes right
// after the stream. Qt does not promise it; a Qt that writes otherwise makes writeInto fail
// (no picture is lost unseen), and the test of this seam fail.
QByteArrayView qtStandInDictionary();

// The rows of a picture as RGB, each after the PNG "Sub" filter, deflated with Huffman codes
// alone: a zlib stream for /FlateDecode with /Predictor 15 and three colours.
QByteArray deflatePictureRows(const QImage& picture);

} // namespace plattera
