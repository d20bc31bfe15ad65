#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/platform/app_fixture.h"

namespace {

class PrintCommandTest : public AppFixture {
protected:
    QTemporaryDir dir;
    void print() { form1().runCommand([this] { form1().button4Click(); }); }
};

TEST_F(PrintCommandTest, CancelKeepsTheCopiedTextsAndPrintsNothing)
{
    form2().Edit3->setText(QStringLiteral("Artist"));
    form2().Edit2->setText(QStringLiteral("Title"));
    platform.printAnswers = {std::nullopt};
    print();
    EXPECT_EQ(platform.printRequests, 1);
    EXPECT_EQ(state.PrintArtistText, QStringLiteral("Artist"));
    EXPECT_EQ(state.PrintTitleText, QStringLiteral("Title"));
    EXPECT_TRUE(platform.errors.empty()) << "a job was started after cancel";
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(PrintCommandTest, ConfirmedDialogPrintsAndPrinterErrorsReachTheErrorBox)
{
    const QString pdf = dir.filePath(QStringLiteral("cover.pdf"));
    platform.printAnswers = {pdf, dir.filePath(QStringLiteral("no/such/folder/cover.pdf"))};
    print();
    EXPECT_TRUE(platform.errors.empty());
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("/Type /Page\n"), 1) << "one page per job";
    print();
    ASSERT_EQ(platform.errors.size(), 1u);
    EXPECT_EQ(platform.errors[0].text, QStringLiteral("Printing could not start."));
}

} // namespace
