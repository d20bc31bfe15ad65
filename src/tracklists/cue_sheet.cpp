#include "tracklists/cue_sheet.h"

#include <memory>
#include <type_traits>

#include <uchardet/uchardet.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include "tracklists/regular_file.h"
#include "tracklists/track_lines.h"

namespace plattera {

namespace {

// Cue sheets are far smaller; anything bigger is not one.
constexpr qint64 kMaxCueBytes = 1 << 20;

QString decodeCue(const QByteArray& bytes)
{
    // Windows programs write UTF-16 with a byte order mark; the decoder drops the mark.
    if (const std::optional<QStringConverter::Encoding> marked =
            QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*marked);
        return decoder(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    // Rippers on Windows write the system's code page (Cyrillic, Western, Japanese, Chinese),
    // which the sheet does not name: the detector guesses it from the bytes.
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
        uchardet_new(), uchardet_delete);
    if (detector &&
        uchardet_handle_data(detector.get(), bytes.constData(), size_t(bytes.size())) == 0) {
        uchardet_data_end(detector.get());
        // Windows writes its superset of Latin-1, with quotes and dashes where Latin-1 has
        // control codes.
        const QByteArray charset = uchardet_get_charset(detector.get());
        QStringDecoder detected(charset == "ISO-8859-1" ? "WINDOWS-1252" : charset.constData());
        if (detected.isValid()) {
            const QString decoded = detected(bytes);
            if (!detected.hasError())
                return decoded;
        }
    }
    return QString::fromLatin1(bytes);
}

// The first word of a line and the rest after it; a space or a tab ends the word.
std::pair<QString, QString> splitFirstWord(const QString& line)
{
    qsizetype end = 0;
    while (end < line.size() && !line[end].isSpace())
        ++end;
    return {line.left(end), line.mid(end).trimmed()};
}

// The value after a command: a quoted string, or else the rest of the line, less its last
// word when a type follows the value (FILE name WAVE).
QString commandValue(const QString& rest, bool typeFollows = false)
{
    if (rest.startsWith(QLatin1Char('"'))) {
        const qsizetype close = rest.indexOf(QLatin1Char('"'), 1);
        return close < 0 ? rest.mid(1) : rest.mid(1, close - 1);
    }
    if (!typeFollows)
        return rest;
    qsizetype lastSpace = rest.size() - 1;
    while (lastSpace >= 0 && !rest[lastSpace].isSpace())
        --lastSpace;
    return lastSpace < 0 ? rest : rest.left(lastSpace).trimmed();
}

// The absolute path of a FILE name, relative to the sheet's folder unless it starts at the root.
// QDir would take a name starting with ':' for one of the program's own resources.
QString filePath(const QString& folder, const QString& name)
{
    return QDir::cleanPath(name.startsWith(QLatin1Char('/')) ? name
                                                             : folder + QLatin1Char('/') + name);
}

} // namespace

std::optional<CueSheet> parseCueSheet(const QByteArray& bytes, const QString& folder)
{
    static const QRegularExpression lineBreak(QStringLiteral("\\r\\n|\\r|\\n"));
    CueSheet sheet;
    QString currentFile;
    for (const QString& rawLine : decodeCue(bytes).split(lineBreak)) {
        const auto [word, rest] = splitFirstWord(rawLine.trimmed());
        const QString command = word.toUpper();
        CueSheet::Track* track = sheet.tracks.empty() ? nullptr : &sheet.tracks.back();
        if (command == QLatin1String("FILE")) {
            currentFile = commandValue(rest, true);
            sheet.files << filePath(folder, currentFile);
        } else if (command == QLatin1String("TRACK")) {
            sheet.tracks.push_back({splitFirstWord(rest).first.toInt(),
                                    QFileInfo(currentFile).completeBaseName(), QString()});
        } else if (command == QLatin1String("TITLE")) {
            // A blank track title leaves the file's name, as a missing one does.
            if (const QString title = commandValue(rest); !track || !isBlankTitle(title))
                (track ? track->title : sheet.title) = title;
        } else if (command == QLatin1String("PERFORMER")) {
            (track ? track->performer : sheet.performer) = commandValue(rest);
        } else if (command == QLatin1String("REM")) {
            const auto [field, value] = splitFirstWord(rest);
            if (field == QLatin1String("DISCNUMBER"))
                sheet.disc = value.toInt();
        }
    }
    if (sheet.tracks.empty())
        return std::nullopt;
    for (CueSheet::Track& track : sheet.tracks)
        if (track.performer.isEmpty())
            track.performer = sheet.performer;
    return sheet;
}

Outcome<CueSheet> readCueSheet(const QByteArray& path)
{
    RegularFile file(path.constData());
    if (!file.isOpen())
        return Outcome<CueSheet>::failure(QString::fromLocal8Bit(file.problem()));
    if (file.size() > kMaxCueBytes)
        return Outcome<CueSheet>::failure(QStringLiteral("too large for a cue sheet"));
    std::string bytes;
    if (!file.readStart(bytes, kMaxCueBytes))
        return Outcome<CueSheet>::failure(QString::fromLocal8Bit(file.problem()));
    const QString folder = QFileInfo(QFile::decodeName(path)).absolutePath();
    std::optional<CueSheet> sheet =
        parseCueSheet(QByteArray(bytes.data(), qsizetype(bytes.size())), folder);
    if (!sheet)
        return Outcome<CueSheet>::failure(QStringLiteral("no track in it"));
    return std::move(*sheet);
}

} // namespace plattera
