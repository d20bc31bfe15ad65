// The batch a tag reader once took minutes over: FLAC files of millions of empty PADDING blocks
// each (fourteen million by default, about 7 s apiece for TagLib's own walk), read as a drop
// reads them, from the start to the last answer.
#include "bench_tags.h"

#include <cstdio>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include "support/audio_writers.h"
#include "support/test_files.h"
#include "tracklists/album_files.h"

using namespace plattera;

int runTagBench(int files, int blocks)
{
    QTemporaryDir dir;
    const QByteArray flac = paddedFlac({QByteArrayLiteral("TITLE=Padded")}, blocks);
    QStringList paths;
    for (int i = 0; i < files; ++i)
        paths << writeTestFile(dir.filePath(QStringLiteral("%1.flac").arg(i)), flac);
    TagReaderSettings settings;
    settings.program = QStringLiteral(PLATTERA_TAG_READER_PATH);
    QElapsedTimer timer;
    timer.start();
    const AlbumTracks album = readAlbumTracks(paths, settings);
    std::printf("%d files of %d padding blocks: %.0f ms, %lld read, %lld left out\n", files, blocks,
                double(timer.nsecsElapsed()) / 1e6, static_cast<long long>(album.titles.size()),
                static_cast<long long>(album.unreadable.size()));
    return album.unreadable.isEmpty() ? 0 : 1;
}
