#pragma once

#include <QString>

// Pictures of phone-photo size, made here so that the figures need no files from elsewhere.
// The content mixes gradients with noise so that the encoders cannot make them trivially small.
void writeJpeg(const QString& path, int width, int height, unsigned seed);
void writeGif(const QString& path, int width, int height);
void writeBmp(const QString& path, int width, int height);

// A plain libjpeg decode of the whole file into RGB rows: the yardstick.
void decodeJpegPlain(const QString& path);
