#include <gtest/gtest.h>

#include "tracklists/track_lines.h"

using namespace plattera;

TEST(TrackLines, LeadingNumbersAreDroppedOnlyWithTheirMark)
{
    const std::pair<const char*, const char*> rows[] = {
        {"1. Intro", "Intro"},
        {"01 - Intro", "Intro"},
        {"1) Intro", "Intro"},
        {"01.Intro", "Intro"},
        {"  12 \u2013 A - B", "A - B"},
        {"1.\tIntro\t3:45", "Intro\t3:45"},
        {"2 Become 1", "2 Become 1"},
        {"1999", "1999"},
        {"7.", "7."},
        {"Track 1. Intro", "Track 1. Intro"},
    };
    for (const auto& [line, title] : rows)
        EXPECT_EQ(withoutLeadingNumber(QString::fromUtf8(line)), QString::fromUtf8(title)) << line;
}

TEST(TrackLines, PastedTextGivesItsNonEmptyLinesOnlyWhenThereAreSeveral)
{
    EXPECT_EQ(
        pastedTrackTitles(QStringLiteral("1. One\r\n\r\n  \n02 - Two\rThree\n")),
        (QStringList {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}));
    EXPECT_TRUE(pastedTrackTitles(QStringLiteral("1. One\n\n")).isEmpty());
}

TEST(TrackLines, RemovalRenumbersOnlyTheNumbersTheProgramGave)
{
    const QStringList lines {QStringLiteral("1. A"), QStringLiteral("2. B"),
                             QStringLiteral("3. C"), QStringLiteral("Bonus"),
                             QStringLiteral("9. D"), QStringLiteral("6. E")};
    EXPECT_EQ(linesAfterRemoval(lines, 1),
              (QStringList {QStringLiteral("1. A"), QStringLiteral("2. C"), QStringLiteral("Bonus"),
                            QStringLiteral("9. D"), QStringLiteral("5. E")}));
    EXPECT_EQ(linesAfterRemoval(lines, 5), lines.mid(0, 5));
}
