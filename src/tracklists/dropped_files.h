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
// any case, the extension aside), else the only picture not named for the back; several other
// pictures give none, since any of them could be a booklet page. The back picture is the one
// named "back", "inlay" or "tray". Between two pictures of the same name the first in name
// order wins. Paths as the system spells them.
DroppedFiles sortDroppedFiles(const QList<QByteArray>& paths, const QStringList& pictureExtensions);

// `paths` with each folder among them (or link to one) replaced by the files directly inside
// it, in name order: the folders inside it are not read, as a file manager shows one folder at
// a time. Names as the system spells them; a folder that cannot be listed gives nothing.
QList<QByteArray> withFolderContents(const QList<QByteArray>& paths);

// A drop or paste as given: its folders read as withFolderContents does, the whole sorted as
// sortDroppedFiles does, except that a picture given itself outranks one found inside a folder
// given beside it. Select all in an album folder and a `scans` folder comes along: the cover
// the user can see beside the music is the one meant.
DroppedFiles readDroppedFiles(const QList<QByteArray>& paths, const QStringList& pictureExtensions);

} // namespace plattera
