#pragma once

#include <QString>

#include "support/picture_writers.h"

// A GIF of phone-photo size, made here so that the figures need no files from elsewhere; the
// JPEG and BMP writers are the tests' own.
void writeGif(const QString& path, int width, int height);

// A plain libjpeg decode of the whole file into RGB rows: the yardstick.
void decodeJpegPlain(const QString& path);
