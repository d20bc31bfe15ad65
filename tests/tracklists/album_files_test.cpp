#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "tracklists/album_files.h"

using namespace plattera;

namespace {

QString fixture(const char* name)
{
    return QStringLiteral(PLATTERA_TEST_DATA "/") + QLatin1String(name);
}

} // namespace

TEST(AlbumFiles, TagsGiveDiscAndTrackOrderTheAlbumArtistAndTheAlbum)
{
    const AlbumTracks album = readAlbumTracks({fixture("album_disc2.ogg"), fixture("album untagged.wav"),
                                               fixture("album_broken.flac"), fixture("album_disc1_b.flac"),
                                               fixture("album_disc1_a.flac")});
    EXPECT_EQ(album.titles, (QStringList{QStringLiteral("First Song"), QStringLiteral("Second Song"),
                                         QStringLiteral("album untagged"), QStringLiteral("Encore")}));
    EXPECT_EQ(album.artist, QStringLiteral("The Band"));
    EXPECT_EQ(album.album, QStringLiteral("The Album"));
    EXPECT_EQ(album.unreadable, QStringList{QStringLiteral("album_broken.flac")});
}

TEST(AlbumFiles, CueSheetGivesItsTracksAndHidesTheFileItNames)
{
    QTemporaryDir dir;
    QFile cue(dir.filePath(QStringLiteral("live.cue")));
    ASSERT_TRUE(cue.open(QIODevice::WriteOnly));
    // Latin-1, as many older rippers write them.
    cue.write("REM GENRE Rock\r\nTITLE \"Live \xE0 Paris\"\r\nFILE \"live.flac\" WAVE\r\n"
              "  TRACK 01 AUDIO\r\n    TITLE \"Opening\"\r\n    PERFORMER Solo\r\n    INDEX 01 00:00:00\r\n"
              "  TRACK 02 AUDIO\r\n    PERFORMER \"Solo\"\r\n    INDEX 01 03:00:00\r\n");
    cue.close();
    const AlbumTracks album = readAlbumTracks({dir.filePath(QStringLiteral("live.flac")), cue.fileName(),
                                               dir.filePath(QStringLiteral("empty.cue"))});
    EXPECT_EQ(album.titles, (QStringList{QStringLiteral("Opening"), QStringLiteral("live")}));
    EXPECT_EQ(album.artist, QStringLiteral("Solo"));
    EXPECT_EQ(album.album, QString::fromUtf8("Live \u00e0 Paris"));
    EXPECT_EQ(album.unreadable, QStringList{QStringLiteral("empty.cue")});
}
