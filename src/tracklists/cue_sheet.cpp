#include "tracklists/cue_sheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace plattera {

namespace {

// Cue sheets are far smaller; anything bigger is not one.
constexpr qint64 kMaxCueBytes = 1 << 20;

QString decodeCue(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// The value after a command: a quoted string, or else the rest of the line, less its last
// word when a type follows the value (FILE name WAVE).
QString commandValue(const QString& rest, bool typeFollows = false)
{
    if (rest.startsWith(QLatin1Char('"'))) {
        const qsizetype close = rest.indexOf(QLatin1Char('"'), 1);
        return close < 0 ? rest.mid(1) : rest.mid(1, close - 1);
    }
    return typeFollows && rest.contains(QLatin1Char(' ')) ? rest.section(QLatin1Char(' '), 0, -2)
                                                          : rest;
}

} // namespace

std::optional<CueSheet> readCueSheet(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxCueBytes)
        return std::nullopt;
    const QString text = decodeCue(file.read(kMaxCueBytes));
    const QDir folder = QFileInfo(path).absoluteDir();

    CueSheet sheet;
    QString currentFile;
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        const QString command = line.section(QLatin1Char(' '), 0, 0).toUpper();
        const QString rest = line.section(QLatin1Char(' '), 1).trimmed();
        CueSheet::Track* track = sheet.tracks.empty() ? nullptr : &sheet.tracks.back();
        if (command == QLatin1String("FILE")) {
            currentFile = commandValue(rest, true);
            sheet.files << QDir::cleanPath(folder.absoluteFilePath(currentFile));
        } else if (command == QLatin1String("TRACK")) {
            sheet.tracks.push_back({rest.section(QLatin1Char(' '), 0, 0).toInt(),
                                    QFileInfo(currentFile).completeBaseName(), QString()});
        } else if (command == QLatin1String("TITLE")) {
            (track ? track->title : sheet.title) = commandValue(rest);
        } else if (command == QLatin1String("PERFORMER")) {
            (track ? track->performer : sheet.performer) = commandValue(rest);
        } else if (command == QLatin1String("REM") &&
                   rest.startsWith(QLatin1String("DISCNUMBER "))) {
            sheet.disc = rest.mid(11).trimmed().toInt();
        }
    }
    if (sheet.tracks.empty())
        return std::nullopt;
    for (CueSheet::Track& track : sheet.tracks)
        if (track.performer.isEmpty())
            track.performer = sheet.performer;
    return sheet;
}

} // namespace plattera
