// The albums of tests/data/album_library.tsv, made with the tools rippers and taggers use, each
// read as a file manager hands it over: the folder copied whole, and its files (select all).
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/audio_writers.h"
#include "support/test_files.h"
#include "tracklists/album_files.h"
#include "tracklists/dropped_files.h"

using namespace plattera;

namespace {

QByteArray run(const QString& program, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        ADD_FAILURE() << qPrintable(program + ' ' + arguments.join(' ')) << ": "
                      << process.readAllStandardError().constData();
    return process.readAllStandardOutput();
}

// A PNG of its own colour, so an embedded picture is known by its bytes.
QHash<QByteArray, QString> madePictures;
QByteArray pictureBytes(const QString& name)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(qRgb(int(qHash(name) & 255), 40, 90));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    madePictures.insert(buffer.data(), name);
    return buffer.data();
}

// A FLAC PICTURE block, as an Ogg comment carries it: no description, no size given.
QByteArray flacPictureBlock(quint32 type, const QByteArray& png)
{
    QByteArray block;
    QDataStream out(&block, QIODevice::WriteOnly);
    out << type << quint32(9);
    out.writeRawData("image/png", 9);
    out << quint32(0) << quint32(0) << quint32(0) << quint32(0) << quint32(0)
        << quint32(png.size());
    out.writeRawData(png.constData(), int(png.size()));
    return block;
}

// One file as the table writes it (see its head).
void makeFile(const QDir& album, const QString& row)
{
    QStringList parts = row.split(u'|');
    const QString name = parts.takeFirst();
    const QString path = album.filePath(name.section(u'@', 0, 0));
    const QString suffix = QFileInfo(path).suffix();
    album.mkpath(QFileInfo(path).path());
    if (suffix == "cue" || suffix == "png" || suffix == "jpg") {
        writeTestFile(path,
                      suffix != "cue" ? pictureBytes(name)
                                      : run("iconv", {"-f", "UTF-8", "-t", name.section(u'@', 1)},
                                            parts.join(u'|').replace(u'~', u'\n').toUtf8()));
        return;
    }
    QStringList comments, flacTags, id3Tags;
    for (const QString& tag : parts) {
        const QString key = tag.section(u'=', 0, 0), value = tag.section(u'=', 1);
        if (key == "PICTURE") { // made outside the album, where no drop finds it as a file
            const QString type = value.section(u':', 0, 0), picture = value.section(u':', 1);
            const QString file =
                writeTestFile(album.filePath("../" + picture + ".png"), pictureBytes(picture));
            flacTags << "--import-picture-from=" + type + "||||" + file;
            id3Tags << "--picture=" + file + ':' + picture + ':' + type + ":image/png";
            comments << "--add-comment"
                     << "METADATA_BLOCK_PICTURE=" +
                    flacPictureBlock(type.toUInt(), pictureBytes(picture)).toBase64();
            if (suffix == "m4a")
                writeTestFile(path, m4aWithCover(pictureBytes(picture)));
            continue;
        }
        comments << "--add-comment" << tag;
        flacTags << "--set-tag=" + tag;
        for (const auto& [field, frame] : {std::pair {"TITLE", "--TIT2"},
                                           {"ARTIST", "--TPE1"},
                                           {"ALBUMARTIST", "--TPE2"},
                                           {"ALBUM", "--TALB"},
                                           {"TRACKNUMBER", "--TRCK"}})
            if (key == field)
                id3Tags << frame << value;
    }
    if (suffix == "mp3") { // three frames of MPEG-1 layer III silence, then mid3v2's tags
        writeTestFile(path, (QByteArray::fromHex("fffb9064") + QByteArray(413, '\0')).repeated(3));
        run("mid3v2", id3Tags << path);
    } else if (suffix == "ogg" || suffix == "flac" || suffix == "wav") {
        run("sox",
            QStringList {"-n", "-r", "8000"} + (suffix == "ogg" ? comments : QStringList()) +
                QStringList {path, "trim", "0", "0.05"});
        if (suffix == "flac" && !flacTags.isEmpty())
            run("metaflac", flacTags << path);
    }
}

// What a drop of `given` puts on the cover, in the table's words.
QStringList readCover(const QList<QByteArray>& given, const QDir& album)
{
    const DroppedFiles dropped = readDroppedFiles(given, {"png", "jpg"});
    QStringList files;
    for (const QByteArray& file : dropped.albumFiles)
        files << QFile::decodeName(file);
    const AlbumTracks read = readAlbumTracks(files);
    // A picture file given for an insert wins over one the tracks carry.
    const auto onInsert = [&](const QByteArray& file, const EmbeddedPicture& embedded) {
        if (file.isEmpty() && !embedded.bytes.isEmpty())
            return "embedded " + madePictures.value(embedded.bytes) + " of " +
                QFileInfo(embedded.track).fileName();
        return file.isEmpty() ? QString() : album.relativeFilePath(QFile::decodeName(file));
    };
    return {read.artist,
            read.album,
            read.titles.join(" / "),
            onInsert(dropped.frontPicture, read.front),
            onInsert(dropped.backPicture, read.back),
            read.unreadable.join(u' ')};
}

} // namespace

TEST(AlbumLibrary, EachAlbumGivesItsCoverWhetherTheFolderOrItsFilesAreGiven)
{
    QFile table(PLATTERA_TEST_DATA "/album_library.tsv");
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    for (const QString& line : QString::fromUtf8(table.readAll()).split(u'\n')) {
        const QStringList row = line.split(u'\t');
        if (line.startsWith(u'#') || row.size() != 8)
            continue;
        QTemporaryDir root;
        QDir(root.path()).mkdir(row[1]);
        const QDir album(root.filePath(row[1]));
        for (const QString& file : row[2].split(" ; "))
            makeFile(album, file);
        const QStringList expected = row.mid(3) << QString();
        EXPECT_EQ(readCover({QFile::encodeName(album.path())}, album), expected)
            << qPrintable(row[0]) << ", the folder given";
        QList<QByteArray> selectAll;
        for (const QString& entry : album.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            selectAll << QFile::encodeName(album.filePath(entry));
        EXPECT_EQ(readCover(selectAll, album), expected)
            << qPrintable(row[0]) << ", its files given";
    }
}
