#include <csignal>
#include <cstdio>
#include <functional>
#include <ostream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/controls.h"
#include "support/platform/app_fixture.h"

namespace {

class PrintCommandTest : public AppFixture {
protected:
    QTemporaryDir dir;
    void print()
    {
        mainWindow().runCommand([this] { mainWindow().onPrint(); });
    }
};

TEST_F(PrintCommandTest, CancelPrintsNothingAndEditsTheSheetsNeverShowedAreNotTaken)
{
    trackEditor().onContinue();
    // Left in the editor by its close box: the sheets still show the prompts and no track.
    control<QLineEdit>(trackEditor(), "Edit3")->setText(QStringLiteral("Artist"));
    control<QLineEdit>(trackEditor(), "Edit2")->setText(QStringLiteral("Title"));
    trackEditor().onInsert();
    platform.printAnswers = {std::nullopt};
    print();
    EXPECT_EQ(platform.printRequests, 1);
    EXPECT_EQ(QStringList({state.shownTexts.artist, state.shownTexts.title}) +
                  state.shownTexts.tracks,
              QStringList({"<Type in name of the artist here>", "<Type in title here>"}));
    EXPECT_TRUE(platform.errors.empty()) << "a job was started after cancel";
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(PrintCommandTest, ConfirmedDialogPrintsOnePageAndReplacesAnEarlierFile)
{
    const QString pdf = dir.filePath(QStringLiteral("cover.pdf"));
    {
        QFile earlier(pdf);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier cover");
    }
    platform.printAnswers = {pdf};
    print();
    EXPECT_TRUE(platform.errors.empty());
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("/Type /Page\n"), 1) << "one page per job";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"cover.pdf"});
    EXPECT_TRUE(file.permissions() & QFile::ReadOther)
        << "the replaced file's permissions are kept";
}

// Where Print to File can fail. Each must show one error box and leave no PDF, empty or cut
// off, under the chosen name (an earlier file there stays as it was).
struct PrintFailure {
    const char* name;
    // Returns the file to choose in the dialog; may arrange what happens after the dialog.
    std::function<QString(const QTemporaryDir&, ScriptedPlatform&)> prepare;
    const char* message; // the error box's text contains this
};

void PrintTo(const PrintFailure& f, std::ostream* os)
{
    *os << f.name;
}

class PrintFailures : public PrintCommandTest,
                      public ::testing::WithParamInterface<PrintFailure> { };

TEST_P(PrintFailures, ShowOneErrorAndLeaveNoFileBehind)
{
    const QString chosen = GetParam().prepare(dir, platform);
    const bool earlier = QFile::exists(chosen) && QFileInfo(chosen).isFile();
    platform.printAnswers = {chosen};
    print();
    ASSERT_EQ(platform.errors.size(), 1u);
    EXPECT_TRUE(platform.errors[0].text.contains(QLatin1String(GetParam().message)))
        << platform.errors[0].text.toStdString();
    if (earlier) {
        QFile file(chosen);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("an earlier cover"));
    } else if (QFileInfo(chosen).absolutePath().startsWith(dir.path())) {
        EXPECT_FALSE(QFile::exists(chosen));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), earlier ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    PrintToFile, PrintFailures,
    ::testing::Values(PrintFailure {"DiskFull",
                                    [](const QTemporaryDir&, ScriptedPlatform&) {
                                        return QStringLiteral("/dev/full");
                                    },
                                    "Cannot print to full: No space left on device"},
                      PrintFailure {"FolderMissing",
                                    [](const QTemporaryDir& d, ScriptedPlatform&) {
                                        return d.filePath(QStringLiteral("gone/cover.pdf"));
                                    },
                                    "Cannot print to cover.pdf: the folder"},
                      PrintFailure {"FolderRemovedAfterTheDialog",
                                    [](const QTemporaryDir& d, ScriptedPlatform& p) {
                                        const QString folder = d.filePath(QStringLiteral("covers"));
                                        QDir().mkpath(folder);
                                        p.afterPrintDialog = [folder] {
                                            QDir(folder).removeRecursively();
                                        };
                                        return folder + QStringLiteral("/cover.pdf");
                                    },
                                    "does not exist"},
                      PrintFailure {"ReadOnlyFile",
                                    [](const QTemporaryDir& d, ScriptedPlatform&) {
                                        const QString file =
                                            d.filePath(QStringLiteral("cover.pdf"));
                                        QFile f(file);
                                        f.open(QIODevice::WriteOnly);
                                        f.write("an earlier cover");
                                        f.setPermissions(QFile::ReadOwner | QFile::ReadGroup |
                                                         QFile::ReadOther);
                                        return file;
                                    },
                                    "Cannot print to cover.pdf: the file is read-only"}),
    [](const ::testing::TestParamInfo<PrintFailure>& info) {
        return std::string(info.param.name);
    });

// A disk that fills up during the job: a file size limit in a child process stands for it.
TEST_F(PrintCommandTest, FileSizeLimitReachedDuringTheJobIsAnError)
{
    const QString pdf = dir.filePath(QStringLiteral("cover.pdf"));
    platform.printAnswers = {pdf};
    print();
    const rlim_t half = rlim_t(QFileInfo(pdf).size() / 2);
    ASSERT_GT(half, 0u);
    QFile::remove(pdf);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit {half, half};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the process
        platform.printAnswers = {pdf};
        print();
        const bool ok = platform.errors.size() == 1 &&
            platform.errors[0].text ==
                QStringLiteral("Cannot print to cover.pdf: the file could not be written whole (is "
                               "the disk full?)") &&
            QDir(dir.path()).isEmpty();
        if (!ok)
            std::fprintf(
                stderr, "child: %zu error boxes, first \"%s\"; files: %s\n", platform.errors.size(),
                platform.errors.empty() ? "" : qPrintable(platform.errors[0].text),
                qPrintable(
                    QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).join(QLatin1Char(' '))));
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the child saw no single clear error, or left a file behind (status " << status << ")";
}

struct PrintRow {
    const char* artist;
    const char* title;
    const char* pdfTitle;
    const char* proposedFile;
    bool printers;
};

void PrintTo(const PrintRow& row, std::ostream* out)
{
    *out << '"' << row.artist << "\", \"" << row.title << '"';
}

class PrintedJob : public PrintCommandTest, public ::testing::WithParamInterface<PrintRow> {
protected:
    const QString pdf = dir.filePath(QStringLiteral("cover.pdf"));

    void printCover()
    {
        control<QLineEdit>(trackEditor(), "Edit3")->setText(QString::fromUtf8(GetParam().artist));
        control<QLineEdit>(trackEditor(), "Edit2")->setText(QString::fromUtf8(GetParam().title));
        mainWindow().runLeftLayout(); // the page carries the texts the sheets show
        platform.printers = GetParam().printers;
        platform.printAnswers.push_back(pdf);
        print();
        ASSERT_TRUE(platform.errors.empty()) << platform.errors.front().text.toStdString();
    }
};

// The queue files the job, and the PDF shows it, under the cover's name; the prompts name
// nothing.
TEST_P(PrintedJob, IsNamedAfterTheCover)
{
    printCover();
    EXPECT_EQ(platform.proposedFile, QString::fromUtf8(GetParam().proposedFile));
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
    printCover();
    ASSERT_EQ(platform.notices.size(), GetParam().printers ? 0u : 1u);
    if (!GetParam().printers) {
        EXPECT_EQ(platform.notices.front().text,
                  QStringLiteral("No printer was found; the cover was saved as a PDF file: ") +
                      pdf);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Covers, PrintedJob,
    ::testing::Values(
        PrintRow {"Nina Simone", "Pastel Blues", "Plattera v2.1 - Nina Simone - Pastel Blues",
                  "Nina Simone - Pastel Blues.pdf", true},
        PrintRow {"  ", "Pastel Blues", "Plattera v2.1 - Pastel Blues", "Pastel Blues.pdf", false},
        PrintRow {"", "", "Plattera v2.1", "Plattera v2.1.pdf", false},
        PrintRow {"<Type in name of the artist here>", "<Type in title here>", "Plattera v2.1",
                  "Plattera v2.1.pdf", true}));

} // namespace
