#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/audio_writers.h"
#include "support/image_assert.h"
#include "support/test_files.h"
#include "tracklists/album_files.h"

using namespace plattera;

TEST(AlbumFiles, CueSheetGivesItsTracksAndHidesTheFileItNames)
{
    QTemporaryDir dir;
    QFile cue(dir.filePath(QStringLiteral("live.cue")));
    ASSERT_TRUE(cue.open(QIODevice::WriteOnly));
    // Latin-1, as many older rippers write them; the FILE it names is read through it alone.
    cue.write("REM GENRE Rock\r\nTITLE \"Live \xE0 Paris\"\r\nFILE live set.flac WAVE\r\n"
              "  TRACK 01 AUDIO\r\n    TITLE \"Opening\"\r\n    PERFORMER Solo\r\n    INDEX 01 "
              "00:00:00\r\n"
              "  TRACK 02 AUDIO\r\n    PERFORMER \"Solo\"\r\n    INDEX 01 03:00:00\r\n");
    cue.close();
    const AlbumTracks album =
        readAlbumTracks({dir.filePath(QStringLiteral("live set.flac")), cue.fileName(),
                         dir.filePath(QStringLiteral("empty.cue"))});
    EXPECT_EQ(album.titles, (QStringList {QStringLiteral("Opening"), QStringLiteral("live set")}));
    EXPECT_EQ(album.artist, QStringLiteral("Solo"));
    EXPECT_EQ(album.album, QString::fromUtf8("Live \u00e0 Paris"));
    EXPECT_EQ(album.unreadable, QStringList {QStringLiteral("empty.cue")});
}

// Files named like cue sheets or audio files that would crash the tag library, never end or
// make it walk gigabytes: each is left out at once with its reason, through the real reader,
// and the others still give their tracks.
TEST(AlbumFiles, HostileFilesAreLeftOutAndTheOthersRead)
{
    QTemporaryDir dir;
    const auto fifo = [](const QString& path) { ::mkfifo(QFile::encodeName(path), 0600); };
    const auto zeros = [](const QString& path) { // sparse
        std::filesystem::resize_file(writeTestFile(path, "").toStdString(), 4LL << 30);
    };
    const auto bytes = [](const QByteArray& content) {
        return [content](const QString& path) { writeTestFile(path, content); };
    };
    const char* crashed = "reading its tags stopped the tag reader";
    // Cue sheets first, as the files left out are named.
    const struct {
        const char* name;
        std::function<void(const QString&)> make;
        const char* reason; // none: read, and titled by its name
    } rows[] = {
        {"never written.cue", fifo, "not a regular file"},
        {"folder.cue", [](const QString& path) { QDir().mkdir(path); }, "not a regular file"},
        {"endless device.cue", [](const QString& path) { QFile::link("/dev/zero", path); },
         "not a regular file"},
        {"nested atoms.m4a", bytes(nestedAtomsM4a(60000)), crashed},
        {"nested chapters.mp3", bytes(nestedChaptersMp3(20000)), crashed},
        {"blank title.flac", bytes(paddedFlac({"TITLE= \t "}, 0)), nullptr},
        {"shallow atoms.m4a", bytes(nestedAtomsM4a(5)), nullptr},
        {"shallow chapters.mp3", bytes(nestedChaptersMp3(5)), nullptr},
        {"zeros.mp3", zeros, "not a .mp3 file"},
        {"zeros.flac", zeros, "not a .flac file"},
        {"zeros.ogg", zeros, "not a .ogg file"},
        {"never written.mp3", fifo, "not a regular file"},
        {"never written.flac", fifo, "not a regular file"},
    };
    QStringList paths {PLATTERA_TEST_DATA "/album_disc1_a.flac"}, titles {"First Song"};
    QStringList leftOut, expectedLeftOut;
    for (const auto& row : rows) {
        paths << dir.filePath(row.name);
        row.make(paths.back());
        if (row.reason)
            expectedLeftOut << QString("%1: %2").arg(row.name, row.reason);
        else
            titles << QFileInfo(paths.back()).completeBaseName();
    }
    const AlbumTracks album = readAlbumTracks(paths);
    EXPECT_EQ(album.titles, titles);
    for (qsizetype i = 0; i < album.unreadable.size(); ++i)
        leftOut << album.unreadable[i] + ": " + album.reasons.value(i);
    EXPECT_EQ(leftOut, expectedLeftOut);
}

// Reading asks for no write access: file watchers (backup, sync, music libraries) take a file
// opened for writing as changed, and the tag library opened every file so when it could.
TEST(AlbumFiles, ReadingOpensNoFileForWriting)
{
    QTemporaryDir dir;
    QStringList paths;
    for (const char* name : {"album_disc1_a.flac", "album_disc2.ogg", "album untagged.wav"}) {
        paths << dir.filePath(name);
        QFile::copy(QString(PLATTERA_TEST_DATA "/") + name, paths.back());
    }
    paths << writeTestFile(dir.filePath("a.m4a"), nestedAtomsM4a(1))
          << writeTestFile(dir.filePath("b.mp3"), nestedChaptersMp3(1))
          << writeTestFile(dir.filePath("c.cue"), "FILE x.wav WAVE\nTRACK 1 AUDIO");
    const int watcher = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ::inotify_add_watch(watcher, QFile::encodeName(dir.path()).constData(),
                        IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
    // The cue sheet's missing image lies beside files of its own: the sheet adds no track.
    EXPECT_EQ(readAlbumTracks(paths).titles.size(), 5);
    QStringList readOnly, forWriting;
    alignas(inotify_event) char events[1 << 16];
    const ssize_t got = ::read(watcher, events, sizeof events);
    for (const char* at = events; at < events + std::max<ssize_t>(got, 0);) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        (event->mask & IN_CLOSE_WRITE ? forWriting : readOnly) << QFile::decodeName(event->name);
        at += sizeof(inotify_event) + event->len;
    }
    ::close(watcher);
    EXPECT_EQ(forWriting, QStringList {});
    readOnly.removeDuplicates();
    EXPECT_EQ(readOnly.size(), paths.size()) << "each file seen opened and closed";
}

// As a file manager copies files: names percent-encoded byte by byte, Latin-1 ones included.
TEST(AlbumFiles, DroppedUrlsNameTheFilesByteForByte)
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    // Named by their bytes: QFile would spell a Latin-1 name in UTF-8.
    for (const char* name : {"caf\xE9.flac", "\xC3\xA9t\xC3\xA9 #1.flac"})
        std::ofstream((folder + '/' + name).toStdString(), std::ios::binary)
            << std::ifstream(PLATTERA_TEST_DATA "/album_disc1_a.flac", std::ios::binary).rdbuf();
    AlbumReading reading(
        localFilePaths({QUrl("file://" + folder.toPercentEncoding("/") + "/caf%E9.flac"),
                        QUrl::fromLocalFile(dir.filePath("\u00e9t\u00e9 #1.flac")),
                        QUrl("https://example.org/caf%E9.flac")}));
    QSignalSpy finished(&reading, &AlbumReading::finished);
    reading.start();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(reading.result().titles, QStringList(2, "First Song"));
    EXPECT_EQ(reading.result().unreadable, QStringList {});
}
