#include <QStringEncoder>

#include <gtest/gtest.h>

#include "tracklists/cue_sheet.h"

using namespace plattera;

// The same sheet as rippers and editors on other systems write it.
TEST(CueSheet, SheetsInUtf16TabsOrCarriageReturnsGiveTheirTracks)
{
    // '|' stands where a writer puts a space or a tab.
    const QString sheet = QStringLiteral("PERFORMER|\"The Band\"\nTITLE|\"Caf\u00e9 Live\"\n"
                                         "FILE|\"live.flac\"|WAVE\n||TRACK|01|AUDIO\n"
                                         "||||TITLE|\"\u00c9t\u00e9\"\n||TRACK|02|AUDIO\n"
                                         "||||TITLE|Two Words\n||||PERFORMER|Guest\n"
                                         "||TRACK|03|AUDIO\n||||TITLE|\"||\""); // blank: none
    const QString spaced = QString(sheet).replace(u'|', u' ');
    const auto marked = [](QStringConverter::Encoding encoding, const QString& text) {
        return QByteArray(QStringEncoder(encoding, QStringConverter::Flag::WriteBom)(text));
    };
    const std::pair<const char*, QByteArray> rows[] = {
        {"UTF-16 LE, CRLF",
         marked(QStringConverter::Utf16LE, QString(spaced).replace("\n", "\r\n"))},
        {"UTF-8 with BOM, tabs",
         marked(QStringConverter::Utf8, QString(sheet).replace(u'|', u'\t'))},
        {"CR alone", QString(spaced).replace(u'\n', u'\r').toUtf8()},
    };
    for (const auto& [name, bytes] : rows) {
        const std::optional<CueSheet> read = parseCueSheet(bytes, QStringLiteral("/music"));
        QStringList found;
        if (read) {
            found << read->title << read->files;
            for (const CueSheet::Track& track : read->tracks)
                found << QString::number(track.number) + u' ' + track.title + u'/' +
                        track.performer;
        }
        EXPECT_EQ(found.join(u'|').toStdString(),
                  "Caf\u00e9 Live|/music/live.flac|1 \u00c9t\u00e9/The Band|2 Two Words/Guest|"
                  "3 live/The Band")
            << name;
    }
}
