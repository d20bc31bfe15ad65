// The reader choice by file name, then the chosen decoder: the input's first line is the file
// name, the rest the file's bytes. A name the table does not know must give the unknown
// extension message; any other must reach its decoder and come back with a picture or a message.
#include <cstddef>
#include <cstdint>

#include "model/errors.h"
#include "pictures/picture_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype newline = bytes.indexOf('\n');
    const QString name = QString::fromUtf8(newline < 0 ? bytes : bytes.left(newline));
    const QByteArray content = newline < 0 ? QByteArray() : bytes.mid(newline + 1);
    try {
        const plattera::PictureKind kind = plattera::pictureFileFormats().readerFor(name);
        (void)plattera::decodePicture(kind, content, name, 96).ok();
    } catch (const plattera::CommandError& e) {
        if (!e.message().startsWith(QLatin1String("Unknown picture file extension (.")))
            __builtin_trap();
    }
    return 0;
}
