#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/audio_writers.h"
#include "support/image_assert.h"
#include "support/test_files.h"
#include "tracklists/album_files.h"
#include "tracklists/title_length.h"

using namespace plattera;

// A stand-in for plattera-tag-reader that answers for each name on its input as the name asks:
// with the name as the title, or by crashing, hanging, flooding, talking nonsense or telling
// its limits (address space in KiB, CPU seconds, core and file size in blocks).
const char kFakeReader[] = R"sh(#!/bin/bash
echo ready
while IFS= read -r -d '' path; do
    case "${path##*/}" in
    crash) kill -SEGV $$ ;;
    hang) exec sleep 60 ;;
    flood) exec cat /dev/zero ;;
    nonsense) echo "what?" ;;
    limits) printf 'tags\t%s\t\t\t\t\t\t\t\n' "$(ulimit -v) $(ulimit -t) $(ulimit -c) $(ulimit -f)" ;;
    *) printf 'tags\t%s\t\t\t\t\t\t\t\n' "${path##*/}" ;;
    esac
done
)sh";

// A child runs within its limits, and whatever a file does to it costs that file alone; the
// files after it go to a fresh child.
TEST(TagReader, AChildThatCrashesHangsFloodsOrTalksNonsenseCostsOnlyItsFile)
{
    QTemporaryDir dir;
    TagReaderSettings settings {.program = writeTestFile(dir.filePath("fake"), kFakeReader),
                                .filesPerChild = 4,
                                .fileTimeoutMs = 500,
                                .addressSpaceBytes = 512 << 20,
                                .cpuSecondsPerFile = 7};
    QFile::setPermissions(settings.program, QFile::ReadOwner | QFile::ExeOwner);
    QStringList paths;
    for (const char* name : {"limits", "crash", "a", "hang", "b", "flood", "c", "nonsense", "d"})
        paths << dir.filePath(name);
    const AlbumTracks album = readAlbumTracks(paths, settings);
    EXPECT_EQ(album.titles, (QStringList {"a", "b", "c", "d", "524288 7 0 0"})); // by file name
    EXPECT_EQ(album.unreadable, (QStringList {"crash", "hang", "flood", "nonsense"}));
    EXPECT_EQ(album.reasons,
              (QStringList {"reading its tags stopped the tag reader",
                            "reading its tags took longer than 0.5 s",
                            "the tag reader wrote more than any tags hold",
                            "the tag reader gave an answer that is none"}));
    EXPECT_FALSE(album.tagReaderFailed);
}

// A reader that is missing, cannot run or is not Plattera's fails the batch once, as its own
// fault: every file is left out at once with the reader's reason.
TEST(TagReader, AReaderThatCannotRunFailsTheBatchOnce)
{
    QTemporaryDir dir;
    const std::pair<const char*, const char*> rows[] = {
        {"", "the tag reader cannot start"},
        {"#!/bin/sh\nexit 127\n", "the tag reader ended before it ran (exit status 127)"},
        {"#!/bin/sh\necho tags\n", "the tag reader is not Plattera's"}};
    for (const auto& [script, reason] : rows) {
        const TagReaderSettings settings {
            .program = *script ? writeTestFile(dir.filePath("reader"), script) : "/nonexistent"};
        QFile::setPermissions(settings.program, QFile::ReadOwner | QFile::ExeOwner);
        const AlbumTracks album = readAlbumTracks({dir.filePath("a.mp3"), "b.mp3"}, settings);
        EXPECT_TRUE(album.tagReaderFailed && album.reasons.size() == 2 &&
                    album.reasons[1].startsWith(reason))
            << qPrintable(album.reasons.join(", "));
    }
}

// Two million empty padding blocks a file, which cost the tag library about a second each when
// it walked them: read within each file's own second, however many came before it in the child,
// the cover, a tag before the stream and a title cut inside a pair as TagLib gives them.
TEST(TagReader, EachFileHasItsOwnCpuTime)
{
    QTemporaryDir dir;
    const QByteArray cover = "a picture's bytes";
    const QByteArray id3 = QByteArray("ID3\x04\0\0\0\0\0\x0a", 10) + QByteArray(10, '\0');
    const QString cut = "D" + QString(kMaxTitleLength - 2, u'a'); // a pair follows at the cut
    const QByteArray tags[] = {"TITLE=A", "TITLE=B", "TITLE=C",
                               "TITLE=" + cut.toUtf8() + "\xF0\x9F\x98\x80"};
    QStringList paths;
    for (int i = 0; i < 4; ++i) {
        const QByteArray flac = paddedFlac({tags[i]}, 2'000'000, i == 1 ? cover : QByteArray());
        paths << writeTestFile(dir.filePath(QString("%1.flac").arg(i)), i == 2 ? id3 + flac : flac);
    }
    const AlbumTracks album = readAlbumTracks(paths, {.cpuSecondsPerFile = 1});
    EXPECT_EQ(album.titles, (QStringList {"A", "B", "C", cut}))
        << qPrintable(album.reasons.join(", "));
    EXPECT_EQ(album.front.bytes, cover);
}
