// Albums as real libraries hold them, made here with the tools rippers and taggers use (sox,
// metaflac, mid3v2, iconv), each read as a file manager hands it over: the folder copied whole,
// and its files copied (select all). Both must give the same cover.
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

// What one file of a fixture is, by its name: "path" alone for a picture or an untagged WAVE
// file, "path|KEY=value|..." for tags (PICTURE=type:file embeds a picture made beside it),
// "path@code page|text" for a cue sheet written in that code page.
bool run(const QString& program, const QStringList& arguments, const QByteArray& input = {},
         QByteArray* output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        ADD_FAILURE() << qPrintable(program) << ' ' << qPrintable(arguments.join(' ')) << ": "
                      << process.readAllStandardError().constData();
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

// The pictures made, by their bytes: what an embedded cover is called in a failure.
QHash<QByteArray, QString>& madePictures()
{
    static QHash<QByteArray, QString> made;
    return made;
}

// A small picture of its own colour, so each is told from the others by its bytes.
QByteArray pictureBytes(const QString& name)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(qRgb(int(qHash(name) & 255), 40, 90));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    madePictures().insert(bytes, name);
    return bytes;
}

// A FLAC PICTURE block as Ogg files carry it in a comment: the type, a PNG's MIME type, no
// description, the size left unsaid, and the picture.
QByteArray flacPictureBlock(quint32 type, const QByteArray& png)
{
    QByteArray block;
    QDataStream out(&block, QIODevice::WriteOnly);
    const QByteArray mime = "image/png";
    out << type << quint32(mime.size());
    out.writeRawData(mime.constData(), int(mime.size()));
    out << quint32(0) << quint32(0) << quint32(0) << quint32(0) << quint32(0)
        << quint32(png.size());
    out.writeRawData(png.constData(), int(png.size()));
    return block;
}

void makeFile(const QDir& album, const QString& spec)
{
    QStringList parts = spec.split(u'|');
    const QString name = parts.takeFirst();
    const QString path = album.filePath(name.section(u'@', 0, 0));
    album.mkpath(QFileInfo(path).path());
    const QString suffix = QFileInfo(path).suffix();
    if (suffix == QLatin1String("cue")) {
        QByteArray text;
        run("iconv", {"-f", "UTF-8", "-t", name.section(u'@', 1)},
            parts.join(u'|').replace(u'~', u'\n').toUtf8(), &text);
        writeTestFile(path, text);
        return;
    }
    if (suffix == QLatin1String("png") || suffix == QLatin1String("jpg")) {
        writeTestFile(path, pictureBytes(name));
        return;
    }
    QStringList soxTags, flacTags, id3Tags;
    for (const QString& tag : parts) {
        const QString key = tag.section(u'=', 0, 0), value = tag.section(u'=', 1);
        if (key == QLatin1String("PICTURE")) {
            // Made outside the album, where no drop finds it as a file.
            const QString type = value.section(u':', 0, 0), name = value.section(u':', 1);
            const QString picture = album.filePath("../" + name + ".png");
            const QByteArray png = pictureBytes(name);
            writeTestFile(picture, png);
            flacTags << "--import-picture-from=" + type + "||||" + picture;
            id3Tags << "--picture=" + picture + ":" + name + ":" + type + ":image/png";
            soxTags << (soxTags.isEmpty() ? "--comment" : "--add-comment")
                    << "METADATA_BLOCK_PICTURE=" + flacPictureBlock(type.toUInt(), png).toBase64();
            if (suffix == QLatin1String("m4a"))
                writeTestFile(path, m4aWithCover(png));
            continue;
        }
        soxTags << (soxTags.isEmpty() ? "--comment" : "--add-comment") << tag;
        flacTags << "--set-tag=" + tag;
        const std::pair<const char*, const char*> frames[] = {
            {"TITLE", "--TIT2"}, {"ARTIST", "--TPE1"},      {"ALBUMARTIST", "--TPE2"},
            {"ALBUM", "--TALB"}, {"TRACKNUMBER", "--TRCK"}, {"COMPILATION", "--TCMP"}};
        for (const auto& [field, frame] : frames)
            if (key == QLatin1String(field))
                id3Tags << frame << value;
    }
    if (suffix == QLatin1String("m4a"))
        return;
    if (suffix == QLatin1String("mp3")) {
        // Three MPEG-1 layer III frames of silence, then the tags mid3v2 writes before them.
        QByteArray frame(417, '\0');
        frame.replace(0, 4, QByteArray::fromHex("fffb9064"));
        writeTestFile(path, frame.repeated(3));
        run("mid3v2", id3Tags << path);
        return;
    }
    run("sox",
        QStringList {"-n", "-r", "8000", "-c", "1"} +
            (suffix == QLatin1String("ogg") ? soxTags : QStringList()) +
            QStringList {path, "trim", "0", "0.05"});
    if (suffix == QLatin1String("flac") && !flacTags.isEmpty())
        run("metaflac", flacTags << path);
}

struct Row {
    const char* name;
    QStringList files;
    QString artist;
    QString album;
    QStringList tracks;
    QString front; // the picture for each insert, by its path in the album; empty: none
    QString back;
};

// What a drop of `given` puts on the cover, in words a failure can show.
QStringList readCover(const QList<QByteArray>& given, const QDir& album)
{
    const DroppedFiles dropped = readDroppedFiles(given, {"png", "jpg"});
    QStringList files;
    for (const QByteArray& file : dropped.albumFiles)
        files << QFile::decodeName(file);
    const AlbumTracks read = readAlbumTracks(files);
    const auto inAlbum = [&](const QByteArray& path) {
        return path.isEmpty() ? QString() : album.relativeFilePath(QFile::decodeName(path));
    };
    // A picture file given for an insert wins over the one the tracks carry inside.
    const auto onInsert = [&](const QByteArray& file, const EmbeddedPicture& embedded) {
        if (!file.isEmpty() || embedded.bytes.isEmpty())
            return inAlbum(file);
        return "embedded " + madePictures().value(embedded.bytes, "?") + " of " +
            QFileInfo(embedded.track).fileName();
    };
    return {read.artist,
            read.album,
            read.titles.join(u'/'),
            onInsert(dropped.frontPicture, read.front),
            onInsert(dropped.backPicture, read.back),
            read.unreadable.join(u' ')};
}

// A cue sheet of an image rip written in a code page: the performer, the album, then the
// tracks, all in UTF-8 here. The performer of the first row of a UTF-8 sheet may carry its
// byte order mark.
Row codePageRow(const char* name, const char* codePage, std::initializer_list<const char*> texts)
{
    QStringList values;
    for (const char* text : texts)
        values << QString::fromUtf8(text);
    QString sheet = QStringLiteral("PERFORMER \"%1\"~TITLE \"%2\"~FILE \"%2.flac\" WAVE~")
                        .arg(values[0], values[1]);
    for (qsizetype i = 2; i < values.size(); ++i)
        sheet += QStringLiteral("  TRACK %1 AUDIO~    TITLE \"%2\"~    INDEX 01 0%1:00:00~")
                     .arg(i - 1)
                     .arg(values[i]);
    return {name,
            {QStringLiteral("a.cue@%1|").arg(QLatin1String(codePage)) + sheet},
            QString(values[0]).remove(u'\ufeff'),
            values[1],
            values.mid(2),
            "",
            ""};
}

} // namespace

TEST(AlbumLibrary, EachAlbumGivesItsCoverWhetherTheFolderOrItsFilesAreGiven)
{
    const Row rows[] = {
        {"compilation with an album artist, tracks of two formats",
         {"01.flac|TITLE=Sunburnt|ARTIST=Sun Kids|ALBUMARTIST=Various Artists|ALBUM=Summer|"
          "TRACKNUMBER=1",
          "02.mp3|TITLE=Rain|ARTIST=Cloud Nine|ALBUMARTIST=Various Artists|ALBUM=Summer|"
          "TRACKNUMBER=2",
          "Cover (Front).jpg", "booklet.jpg"},
         "Various Artists",
         "Summer",
         {"Sun Kids - Sunburnt", "Cloud Nine - Rain"},
         "Cover (Front).jpg",
         ""},
        {"compilation flag, no album artist",
         {"a.ogg|TITLE=One|ARTIST=Ann|ALBUM=Mix|TRACKNUMBER=1|COMPILATION=1",
          "b.ogg|TITLE=Two|ARTIST=Bob|ALBUM=Mix|TRACKNUMBER=2|COMPILATION=1"},
         "Various Artists",
         "Mix",
         {"Ann - One", "Bob - Two"},
         "",
         ""},
        {"untagged rip in an Artist - Album folder",
         {"01 - Garage Song.wav", "02. Second Take.wav", "1-03 Third.wav", "A6 Side Six.wav",
          "04_Fourth.wav", "front_cover.png", "Back Cover.jpg"},
         "Garage Band",
         "First Tapes",
         {"Garage Song", "Second Take", "Third", "Fourth", "Side Six"},
         "front_cover.png",
         "Back Cover.jpg"},
        {"disc folders, artwork in folders of their own",
         {"CD2/01 - Gamma.wav", "CD1/01 - Alpha.wav", "CD1/02 - Beta.wav", "Artwork/cover.jpg",
          "Scans/Glass Houses - Back.jpg", "Scans/Glass Houses - Front.jpg"},
         "The Band",
         "Double",
         {"Alpha", "Beta", "Gamma"},
         "Artwork/cover.jpg",
         "Scans/Glass Houses - Back.jpg"},
        {"a picture beside the music before the scans below it",
         {"1.flac|TITLE=Glass|ARTIST=Billy|ALBUM=Houses", "Glass Houses - Front.jpg",
          "Scans/front.jpg", "Scans/back.jpg"},
         "Billy",
         "Houses",
         {"Glass"},
         "Glass Houses - Front.jpg",
         "Scans/back.jpg"},
        {"per-track files beside the cue of an image that is gone",
         {"01.flac|TITLE=Uno|ARTIST=Range|ALBUM=Live|TRACKNUMBER=1",
          "02.flac|TITLE=Dos|ARTIST=Range|ALBUM=Live|TRACKNUMBER=2",
          "Range.cue@UTF-8|FILE \"Range.wav\" WAVE~TRACK 01 AUDIO~TITLE Uno~TRACK 02 AUDIO~"
          "TITLE Dos"},
         "Range",
         "Live",
         {"Uno", "Dos"},
         "",
         ""},
        {"a cue naming the WAVE its FLAC image was made from",
         {"album.flac",
          "album.cue@UTF-8|PERFORMER Image~TITLE Whole~FILE \"album.wav\" WAVE~"
          "TRACK 01 AUDIO~TITLE First~TRACK 02 AUDIO~TITLE Second"},
         "Image",
         "Whole",
         {"First", "Second"},
         "",
         ""},
        {"covers embedded in FLAC, the same in every track",
         {"2.flac|TITLE=B|ARTIST=X|ALBUM=Y|TRACKNUMBER=2|PICTURE=3:flac front|PICTURE=4:flac back",
          "1.flac|TITLE=A|ARTIST=X|ALBUM=Y|TRACKNUMBER=1|PICTURE=3:flac front|PICTURE=4:flac back"},
         "X",
         "Y",
         {"A", "B"},
         "embedded flac front of 1.flac",
         "embedded flac back of 1.flac"},
        {"a cover embedded in an MP3, a back picture file beside it",
         {"1.mp3|TITLE=A|ARTIST=X|ALBUM=Y|PICTURE=3:mp3 front|PICTURE=4:mp3 back", "tray.png"},
         "X",
         "Y",
         {"A"},
         "embedded mp3 front of 1.mp3",
         "tray.png"},
        {"a cover embedded in an Ogg Vorbis file, typed other",
         {"1.ogg|TITLE=A|ARTIST=X|ALBUM=Y|PICTURE=0:ogg other"},
         "X",
         "Y",
         {"A"},
         "embedded ogg other of 1.ogg",
         ""},
        {"a cover embedded in an M4A file, the first track's before the next",
         {"1.m4a|PICTURE=3:m4a front", "2.flac|TITLE=B|PICTURE=3:ignored"},
         "",
         "",
         {"1", "B"},
         "embedded m4a front of 1.m4a",
         ""},
        codePageRow("cue sheet in Windows-1251", "CP1251",
                    {"Кино",
                     "Группа "
                     "крови",
                     "Закрой "
                     "за мной дверь",
                     "Спокойная "
                     "ночь"}),
        codePageRow("cue sheet in Windows-1252", "CP1252",
                    {"Sigur Rós", "Ágætis byrjun", "Svefn-g-englar", "Starálfur", "Ný batterí",
                     "Viðrar vel til loftárása"}),
        codePageRow("cue sheet in Shift-JIS", "SHIFT_JIS",
                    {"坂本龍一",
                     "戦場のメリーク"
                     "リスマス",
                     "東京の夜", "禁じられた色彩"}),
        codePageRow("cue sheet in GBK", "GBK", {"王菲", "天空", "我愿意", "矛盾", "棋子", "红豆"}),
        codePageRow("cue sheet in UTF-8 with a byte order mark", "UTF-8",
                    {"\ufeffBjörk", "Post", "Army of Me", "Hyperballad"}),
    };
    for (const Row& row : rows) {
        QTemporaryDir root;
        // Untagged rows are named by their folder; disc folders lie one level down.
        const QString folderName = QString::fromLatin1(row.name).startsWith("untagged")
            ? "Garage Band - First Tapes (2019) [FLAC]"
            : QString::fromLatin1(row.name).startsWith("disc") ? "The Band - Double"
                                                               : "album";
        QDir(root.path()).mkdir(folderName);
        const QDir album(root.filePath(folderName));
        for (const QString& file : row.files)
            makeFile(album, file);
        const QStringList expected = {row.artist, row.album, row.tracks.join(u'/'),
                                      row.front,  row.back,  QString()};
        EXPECT_EQ(readCover({QFile::encodeName(album.path())}, album), expected)
            << row.name << ", the folder given";
        QList<QByteArray> selectAll;
        for (const QString& entry : album.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            selectAll << QFile::encodeName(album.filePath(entry));
        EXPECT_EQ(readCover(selectAll, album), expected) << row.name << ", its files given";
    }
}
