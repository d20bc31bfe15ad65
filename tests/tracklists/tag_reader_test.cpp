#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/audio_writers.h"
#include "support/image_assert.h"
#include "support/test_files.h"
#include "tracklists/album_files.h"

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

// A reader that is missing, cannot run or is not Plattera's is the installation's fault: every
// file is left out at once with the reader's reason, and the album says the reader failed.
TEST(TagReader, AReaderThatCannotRunFailsTheBatchOnce)
{
    QTemporaryDir dir;
    const struct {
        const char* script; // none: no such program
        const char* reason;
    } rows[] = {
        {nullptr, "the tag reader cannot start"},
        {"#!/bin/sh\nexit 127\n", "the tag reader ended before it ran (exit status 127)"},
        {"#!/bin/sh\necho tags\n", "the tag reader is not Plattera's"},
    };
    for (const auto& row : rows) {
        TagReaderSettings settings {.program = dir.filePath("missing")};
        if (row.script) {
            settings.program = writeTestFile(dir.filePath("reader"), row.script);
            QFile::setPermissions(settings.program, QFile::ReadOwner | QFile::ExeOwner);
        }
        const AlbumTracks album =
            readAlbumTracks({dir.filePath("a.flac"), dir.filePath("b.flac")}, settings);
        EXPECT_TRUE(album.tagReaderFailed) << row.reason;
        EXPECT_EQ(album.reasons.size(), 2) << row.reason;
        EXPECT_TRUE(album.reasons.value(1).startsWith(row.reason))
            << qPrintable(album.reasons.value(1));
    }
}

// Two million empty padding blocks a file, which cost the tag library about a second each when
// it walked them: read within each file's own second, however many came before it in the child,
// the cover and a tag before the stream as TagLib reads them.
TEST(TagReader, EachFileHasItsOwnCpuTime)
{
    QTemporaryDir dir;
    const QByteArray cover = "a picture's bytes";
    const QByteArray id3 = QByteArray("ID3\x04\x00\x00\x00\x00\x00\x0a", 10) + QByteArray(10, '\0');
    QStringList paths, titles;
    for (const char* title : {"A", "B", "C", "D"}) {
        const QByteArray flac = paddedFlac({QByteArray("TITLE=") + title}, 2'000'000,
                                           title == QLatin1String("B") ? cover : QByteArray());
        paths << writeTestFile(dir.filePath(QString(title) + ".flac"),
                               title == QLatin1String("C") ? id3 + flac : flac);
        titles << title;
    }
    TagReaderSettings settings;
    settings.cpuSecondsPerFile = 1;
    const AlbumTracks album = readAlbumTracks(paths, settings);
    EXPECT_EQ(album.titles, titles);
    EXPECT_EQ(album.reasons, QStringList());
    EXPECT_EQ(album.front.bytes, cover);
}
