#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include "decoders/decode_result.h"
#include "pictures/picture_formats.h"

namespace plattera {

// Turns a picture file into a bitmap of the picture's own size (Format_RGB32).
// - no file at path: returns no bitmap and reports nothing;
// - an extension missing from the format table, or a file the reader cannot read:
//   throws CommandError with the message to show.
// ppi is the screen's logical pixels per inch, for the metafiles' physical sizes.
// The pixels of the last pictures (up to three) are reused while their files provably stay the same;
// every call still opens the file, so a vanished or unreadable file behaves as always.
std::optional<QImage> LoadPictureBitmap(const QString& path, int ppi);

// Bitmaps decoded from a lossy file (JPEG) carry this text key: the printed page may compress
// them lossily again, while every other bitmap must reach it pixel for pixel.
inline const QString kLossySourceKey = QStringLiteral("Plattera-Lossy-Source");
inline bool comesFromLossySource(const QImage& bitmap) { return !bitmap.text(kLossySourceKey).isEmpty(); }

// Told true before and false after decoding a file large enough to take a noticeable moment
// (a phone photo), so the program can show that it is busy. Not told when pixels are reused.
void setLongDecodeNotifier(std::function<void(bool busy)> notifier);

// Drops the decoded pictures kept for reuse.
void forgetDecodedPictures();
// Drops the decoded pictures kept for reuse except those of the files named: the cover tells
// which pictures it still uses, so a replaced or cleared picture gives its memory back.
void keepDecodedPicturesOf(const QStringList& inUse);

// The decoder of a reader kind over bytes already read; path tells the two metafile kinds apart.
DecodeResult decodePicture(PictureKind kind, const QByteArray& data, const QString& path, int ppi);

} // namespace plattera
