#include <functional>

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/qt_platform.h"
#include "app/startup.h"
#include "pictures/picture_formats.h"
#include "support/test_files.h"

namespace {

// Runs `script` on the next modal dialog to come up, then cancels it.
void onNextDialog(const std::function<void(QDialog&)>& script)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, script] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            script(*dialog);
            dialog->reject();
        }
    });
    poll->start(10);
}

plattera::PictureDialogRequest pictureRequest()
{
    const plattera::PictureDialogSetup setup = plattera::pictureDialogSettings();
    return {setup.filters, setup.defaultExtension, QString()};
}

} // namespace

// The picture dialog gets the program's file types; Qt wants their patterns space-separated in
// brackets, or the dialog would list no files at all.
TEST(QtPlatform, PictureFilterBecomesQtNameFilters)
{
    const QStringList filters =
        plattera::toQtNameFilters(plattera::pictureDialogSettings().filters);
    ASSERT_EQ(filters.size(), 10);
    EXPECT_EQ(filters[0],
              QStringLiteral("All (*.webp *.png *.gif *.jpg *.jpeg *.bmp *.ico *.emf *.wmf)"));
    EXPECT_EQ(filters[1], QStringLiteral("WebP Image (*.webp)"));
    EXPECT_EQ(filters[5], QStringLiteral("JPEG Image File (*.jpeg)"));
    EXPECT_EQ(filters[9], QStringLiteral("Metafiles (*.wmf)"));
}

// The user reads the program's own descriptions, while the files listed still match them.
TEST(QtPlatform, PictureDialogShowsTheFilterAsWrittenAndMatchesItsPatterns)
{
    plattera::QtPlatform platform;
    QStringList shown, matched;
    onNextDialog([&](QDialog& dialog) {
        const auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; types && i < types->count(); ++i)
            shown << types->itemText(i);
        if (const auto* files = dialog.findChild<QFileSystemModel*>())
            matched = files->nameFilters();
    });
    EXPECT_FALSE(platform.choosePictureFile(nullptr, pictureRequest()));
    ASSERT_EQ(shown.size(), 10);
    EXPECT_EQ(shown[0],
              QStringLiteral("All (*.webp;*.png;*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)"));
    EXPECT_EQ(shown[4], QStringLiteral("JPEG Image File (*.jpg)"));
    EXPECT_EQ(matched,
              QStringList({"*.webp", "*.png", "*.gif", "*.jpg", "*.jpeg", "*.bmp", "*.ico", "*.emf",
                           "*.wmf"}));
}

// A file name is shown as it is, never as markup, and the details stay behind their button.
TEST(QtPlatform, MessageBoxesShowPlainText)
{
    plattera::QtPlatform platform;
    const QString text = QStringLiteral("<img src=x.png>.png cannot be read");
    QString shown, details;
    onNextDialog([&](QDialog& dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            if (box->textFormat() == Qt::PlainText)
                shown = box->text();
            details = box->detailedText();
        }
    });
    platform.showError(nullptr, QStringLiteral("Plattera"), text, QStringLiteral("why"));
    EXPECT_EQ(shown, text);
    EXPECT_EQ(details, QStringLiteral("why"));
}

// Qt's dialogs keep their history and custom colours in a settings file of their own; the
// program writes none.
TEST(QtPlatform, DialogsWriteNoSettings)
{
    QTemporaryDir config;
    const SavedEnvironment saved({"XDG_CONFIG_HOME"});
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    plattera::keepQtSettingsNowhere();
    plattera::QtPlatform platform;
    onNextDialog([](QDialog&) {});
    platform.choosePictureFile(nullptr, pictureRequest());
    QColorDialog::setCustomColor(0, Qt::red);
    onNextDialog([](QDialog&) {});
    platform.chooseColour(nullptr, 0x0000FF);
    EXPECT_EQ(QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList());
}
