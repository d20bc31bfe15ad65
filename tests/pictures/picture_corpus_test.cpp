#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "pictures/picture_store.h"
#include "support/picture_corpus.h"

namespace {

// Pass counts per format, printed once the suite is done.
std::map<std::string, std::pair<int, int>>& tally()
{
    static std::map<std::string, std::pair<int, int>> counts;
    return counts;
}

class PictureCorpus : public testing::TestWithParam<CorpusRow> {
public:
    static void TearDownTestSuite()
    {
        for (const auto& [format, count] : tally())
            std::printf("[ corpus   ] %-5s %d of %d rows pass\n", format.c_str(), count.first,
                        count.second);
    }
};

TEST_P(PictureCorpus, LoadsOrFailsAsListed)
{
    const CorpusRow& row = GetParam();
    const QString path = corpusPath(row.file);
    ASSERT_TRUE(QFileInfo(path).isFile())
        << "listed in the manifest but missing: " << path.toStdString();
    bool passed = false;
    auto count = qScopeGuard([&] {
        auto& [pass, total] = tally()[row.format];
        total += 1;
        pass += passed ? 1 : 0;
    });

    std::optional<QImage> image;
    QString error;
    bool threw = false;
    try {
        if (auto picture = plattera::loadPictureBitmap(path, 96))
            image = std::move(picture->image);
    } catch (const plattera::CommandError& e) {
        threw = true;
        error = e.message();
    }
    if (std::getenv("PLATTERA_CORPUS_VERBOSE"))
        std::printf(
            "[ outcome  ] %s: %s\n", row.file.c_str(),
            threw ? qPrintable(error)
                  : qPrintable(QStringLiteral("%1x%2").arg(image->width()).arg(image->height())));

    ASSERT_TRUE(threw || image.has_value()) << "an existing file gave no bitmap";
    if (row.expected == "error") {
        EXPECT_TRUE(threw) << "loaded as " << image->width() << "x" << image->height();
        EXPECT_FALSE(error.trimmed().isEmpty());
        passed = threw && !error.trimmed().isEmpty();
        return;
    }
    if (threw) {
        EXPECT_EQ(row.expected, "either") << "failed: " << error.toStdString();
        EXPECT_FALSE(error.trimmed().isEmpty());
        passed = row.expected == "either" && !error.trimmed().isEmpty();
        return;
    }
    EXPECT_EQ(image->format(), QImage::Format_RGB32);
    if (row.expected == "either") {
        passed = true;
        return;
    }
    static const QRegularExpression sizePattern(QStringLiteral("^(\\d+)x(\\d+)$"));
    const auto match = sizePattern.match(QString::fromStdString(row.expected));
    ASSERT_TRUE(match.hasMatch()) << "bad manifest entry " << row.expected;
    // Raster pictures come no larger than the largest place on the cover needs.
    const bool shrinks = row.format != "wmf" && row.format != "emf";
    const QSize listed = QSize(match.captured(1).toInt(), match.captured(2).toInt())
                             .boundedTo(shrinks ? QSize(3600, 2900) : QSize(65535, 65535));
    const int width = listed.width(), height = listed.height();
    const int slack = (row.format == "wmf" || row.format == "emf") ? 1 : 0;
    EXPECT_LE(std::abs(image->width() - width), slack)
        << "width " << image->width() << ", listed " << width;
    EXPECT_LE(std::abs(image->height() - height), slack)
        << "height " << image->height() << ", listed " << height;
    passed =
        std::abs(image->width() - width) <= slack && std::abs(image->height() - height) <= slack;
}

INSTANTIATE_TEST_SUITE_P(Manifest, PictureCorpus, testing::ValuesIn(corpusManifest()),
                         corpusRowName);

// A picture added without its manifest row would never be tested, and its source and
// licence would go unrecorded.
TEST(PictureCorpusManifest, ListsEveryPicture)
{
    std::set<std::string> listed;
    for (const CorpusRow& row : corpusManifest())
        listed.insert(row.file);
    for (const char* format : {"bmp", "emf", "gif", "ico", "jpeg", "wmf"}) {
        for (const QString& name : QDir(corpusPath(format)).entryList(QDir::Files)) {
            const std::string file = std::string(format) + "/" + name.toStdString();
            EXPECT_TRUE(listed.count(file)) << "not in MANIFEST.tsv: " << file;
        }
    }
}

} // namespace
