#include <gtest/gtest.h>

#include "tracklists/title_length.h"
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
        pastedTrackTitles(QStringLiteral("1. One\r\n\r\n  \n02 - Two\rThree\n")).titles,
        (QStringList {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}));
    EXPECT_TRUE(pastedTrackTitles(QStringLiteral("1. One\n\n")).titles.isEmpty());
}

// Text copied from terminals, web pages and word processors carries control characters and
// the Unicode line ends; none of them belongs in a title, and a line of nothing else is no track.
TEST(TrackLines, PastedLinesLoseControlCharactersAndEndAtEveryLineEnd)
{
    const std::pair<QString, QStringList> rows[] = {
        {QStringLiteral("1. A\u0007lert\r\n\0\0\0\n2.\tB\tside\u001b[0m\n\t\u0001 \n"),
         {"Alert", "B side[0m"}},
        {QStringLiteral("One\u2028Two\u2029Three\u0085Four\vFive\fSix"),
         {"One", "Two", "Three", "Four", "Five", "Six"}},
        {QStringLiteral("3. \u20284. Intro\u2029"), {"3. ", "Intro"}},
    };
    for (const auto& [text, titles] : rows)
        EXPECT_EQ(pastedTrackTitles(text).titles, titles) << text.toStdString();
}

TEST(TrackLines, PastedLinesLongerThanATitleAreCutAndCounted)
{
    const QString huge(1 << 20, u'x');
    const PastedTracks pasted =
        pastedTrackTitles(QStringLiteral("1. ") + huge + QStringLiteral("\nShort\n") + huge);
    ASSERT_EQ(pasted.titles.size(), 3);
    EXPECT_EQ(pasted.titles[0].size(), kMaxTitleLength);
    EXPECT_EQ(pasted.titles[1], QStringLiteral("Short"));
    EXPECT_EQ(pasted.shortened, 2);
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
