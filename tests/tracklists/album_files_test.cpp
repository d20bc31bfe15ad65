#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

// Files named like cue sheets or audio files that are none: each is named among the unreadable
// at once, and the others still give their tracks.
TEST(AlbumFiles, HostileFilesAreLeftOutAndTheOthersRead)
{
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(QLatin1String(name)); };
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("never written.cue")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.cue")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path("endless device.cue")));
    const QStringList hostile {path("never written.cue"), path("folder.cue"),
                               path("endless device.cue")};
    const AlbumTracks album = readAlbumTracks(
        hostile + QStringList {QStringLiteral(PLATTERA_TEST_DATA "/album_disc1_a.flac")});
    EXPECT_EQ(album.titles, QStringList {QStringLiteral("First Song")});
    QStringList names;
    for (const QString& file : hostile)
        names << QFileInfo(file).fileName();
    EXPECT_EQ(album.unreadable, names);
}
