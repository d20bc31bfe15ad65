#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace plattera {

// What a file dropped on the track editor, or pasted into it, is to the editor, by its name.
enum class DroppedFileKind { Audio, CueSheet, Picture, Other };

// `pictureExtensions` in lower case without the dot: those of the picture format table, which
// this library does not know. A hidden file (its name starts with ".") is Other whatever its
// extension: what systems leave beside the music under a music file's name (a Mac's
// `._01.flac`) holds no music.
DroppedFileKind droppedFileKind(const QString& path, const QStringList& pictureExtensions);

// A drop or paste of files sorted out: the files an album is read from, and the pictures for
// the two inserts. Everything else in it is passed over.
struct DroppedFiles {
    QList<QByteArray> albumFiles; // audio files and cue sheets, in the order given
    QByteArray frontPicture;      // empty: none
    QByteArray backPicture;       // empty: none
};

// The front picture is the one named "cover", "folder" or "front" (in that order of preference,
// any case, the extension aside), then one with one of those words in a longer name ("Glass
// Houses - Front", "Cover (Front)"), else the only picture not named for the back; several
// other pictures give none, since any of them could be a booklet page. The back picture is
// named so with "back", "inlay" or "tray". Between two pictures of the same name the first in
// name order wins. Paths as the system spells them.
DroppedFiles sortDroppedFiles(const QList<QByteArray>& paths, const QStringList& pictureExtensions);

// A drop or paste as given, a folder among it read as the files directly inside it and one
// level further: the music of the folders that hold a disc (see isDiscFolderName, or a folder
// holding nothing but music and cue sheets), in disc order, and the pictures of any folder.
// The pictures are sorted as sortDroppedFiles does, nearest first: those given, then those
// directly in a folder given, then those a level below. So the files of an album folder and
// the folder itself give the same, and a `Scans` folder that comes along with select all
// gives its pictures only for an insert the album's own pictures leave empty. Names as the
// system spells them; a folder that cannot be listed gives nothing.
DroppedFiles readDroppedFiles(const QList<QByteArray>& paths, const QStringList& pictureExtensions);

} // namespace plattera
