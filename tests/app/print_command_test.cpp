#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/controls.h"
#include "support/platform/app_fixture.h"

struct PrintRow {
    const char* artist;
    const char* title;
    const char* pdfTitle;
    bool printers;
};

void PrintTo(const PrintRow& row, std::ostream* out)
{
    *out << '"' << row.artist << "\", \"" << row.title << '"';
}

class PrintedJob : public AppFixture, public ::testing::WithParamInterface<PrintRow> {
protected:
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("cover.pdf"));

    void print()
    {
        control<QLineEdit>(trackEditor(), "Edit3")->setText(QString::fromUtf8(GetParam().artist));
        control<QLineEdit>(trackEditor(), "Edit2")->setText(QString::fromUtf8(GetParam().title));
        mainWindow().runLeftLayout(); // the page carries the texts the sheets show
        platform.printers = GetParam().printers;
        platform.printAnswers.push_back(pdf);
        mainWindow().runCommand([this] { mainWindow().onPrint(); });
        ASSERT_TRUE(platform.errors.empty()) << platform.errors.front().text.toStdString();
    }
};

// The queue files the job, and the PDF shows it, under the cover's name.
TEST_P(PrintedJob, IsNamedAfterTheCover)
{
    print();
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    if (!info.waitForFinished(30000))
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    const QString title = QString::fromUtf8(info.readAllStandardOutput())
                              .section(QStringLiteral("Title:"), 1)
                              .section(QLatin1Char('\n'), 0, 0);
    EXPECT_EQ(title.trimmed(), QString::fromUtf8(GetParam().pdfTitle));
}

// A PDF that was the only choice is announced with where it went.
TEST_P(PrintedJob, ToTheOnlyChoiceAPdfFileSaysSo)
{
    print();
    ASSERT_EQ(platform.notices.size(), GetParam().printers ? 0u : 1u);
    if (!GetParam().printers) {
        EXPECT_EQ(platform.notices.front().text,
                  QStringLiteral("No printer was found; the cover was saved as a PDF file: ") +
                      pdf);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Covers, PrintedJob,
    ::testing::Values(PrintRow {"Nina Simone", "Pastel Blues",
                                "Plattera v2.1 - Nina Simone - Pastel Blues", true},
                      PrintRow {"  ", "Pastel Blues", "Plattera v2.1 - Pastel Blues", false},
                      PrintRow {"", "", "Plattera v2.1", false}));
