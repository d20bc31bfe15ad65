#pragma once

#include <optional>

#include <QImage>
#include <QString>

namespace plattera {

// Turns a picture file into a bitmap of the picture's own size (Format_RGB32).
// - no file at path: returns no bitmap and reports nothing;
// - an extension missing from the format table, or a file the reader cannot read:
//   throws CommandError with the message to show.
// ppi is the screen's logical pixels per inch, for the metafiles' physical sizes.
std::optional<QImage> LoadPictureBitmap(const QString& path, int ppi);

} // namespace plattera
