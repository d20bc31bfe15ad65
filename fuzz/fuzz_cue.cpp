// The cue sheet parser on any bytes: it must come back with nothing or with a sheet of at least
// one track, whose file names are absolute and whose titles hold no line end.
#include <cstddef>
#include <cstdint>

#include "tracklists/cue_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<plattera::CueSheet> sheet =
        plattera::parseCueSheet(bytes, QStringLiteral("/music/album"));
    if (!sheet)
        return 0;
    if (sheet->tracks.empty())
        __builtin_trap();
    for (const QString& file : sheet->files)
        if (!file.startsWith(QLatin1Char('/')))
            __builtin_trap();
    for (const plattera::CueSheet::Track& track : sheet->tracks)
        if (track.title.contains(QLatin1Char('\n')) || track.title.contains(QLatin1Char('\r')))
            __builtin_trap();
    return 0;
}
