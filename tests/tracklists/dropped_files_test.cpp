#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tracklists/dropped_files.h"

using namespace plattera;

// What an album folder holds: the music, a picture for each insert, and the rest.
TEST(DroppedFiles, SortedIntoAlbumFilesAndThePicturesForEachInsert)
{
    const char* rows[][2] = {
        // given; album files | front picture | back picture
        {"01.flac Cover.PNG notes.txt live.CUE ._02.flac rip.log",
         "01.flac live.CUE | Cover.PNG | "},
        {"scan.jpg 02.mp3", "02.mp3 | scan.jpg | "},
        {"scan.jpg booklet.jpg", " |  | "},
        {"AlbumArtSmall.jpg Folder.JPG front.gif", " | Folder.JPG | "},
        {"cover.png cover.jpg", " | cover.jpg | "},
        {"Tray.webp inlay.png art.png", " | art.png | inlay.png"},
        {"cover.pcx .cover.png", " |  | "},
    };
    for (const auto& row : rows) {
        const DroppedFiles sorted =
            sortDroppedFiles(QByteArray(row[0]).split(' '), {"png", "jpg", "gif", "webp"});
        EXPECT_EQ(sorted.albumFiles.join(' ') + " | " + sorted.frontPicture + " | " +
                      sorted.backPicture,
                  QByteArray(row[1]))
            << row[0];
    }
}

// Select all in an album folder and its `scans` folder comes along with the cover beside the music.
TEST(DroppedFiles, APictureGivenItselfOutranksOneInsideAFolderGivenBesideIt)
{
    QTemporaryDir album;
    QDir(album.path()).mkdir(QStringLiteral("scans"));
    for (const char* name : {"cover.png", "scans/cover.jpg", "scans/back.jpg", "01.flac"})
        QFile(album.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    const QByteArray root = QFile::encodeName(album.path()) + '/';
    const DroppedFiles sorted =
        readDroppedFiles({root + "01.flac", root + "cover.png", root + "scans"}, {"png", "jpg"});
    EXPECT_EQ(sorted.frontPicture, root + "cover.png");
    EXPECT_EQ(sorted.backPicture, root + "scans/back.jpg");
    EXPECT_EQ(sorted.albumFiles, QList<QByteArray> {root + "01.flac"});
}
