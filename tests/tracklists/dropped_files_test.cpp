#include <gtest/gtest.h>

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
