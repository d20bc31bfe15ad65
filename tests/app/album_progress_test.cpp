#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/album_progress.h"
#include "support/test_files.h"

using namespace plattera;

// A reading that takes its time shows how far it got, the window taking no input meanwhile;
// Cancel stops it and nothing is read.
TEST(AlbumProgress, ALongReadingShowsProgressAndCancelStopsIt)
{
    QTemporaryDir dir;
    // A tag reader that takes a fifth of a second over each file.
    TagReaderSettings settings {
        .program = writeTestFile(dir.filePath("slow"),
                                 "#!/bin/bash\necho ready\nwhile read -r -d '' p; do "
                                 "sleep 0.2; printf 'tags\\t\\t\\t\\t\\t\\t\\n'; done\n")};
    QFile::setPermissions(settings.program, QFile::ReadOwner | QFile::ExeOwner);
    QDialog window;
    auto* edit = new QLineEdit(&window);
    window.show();
    const QList<QByteArray> paths(50, QFile::encodeName(dir.filePath("a.flac")));
    QTimer::singleShot(0, edit, [edit] { QTest::keyClicks(edit, "typed"); });
    int shownAt = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* progress = window.findChild<QProgressDialog*>();
        if (progress && progress->isVisible() && progress->value() > 0) {
            shownAt = progress->value();
            watch.stop();
            progress->findChild<QPushButton*>()->click();
        }
    });
    watch.start(20);
    EXPECT_FALSE(readAlbumShowingProgress(&window, paths, settings));
    EXPECT_GT(shownAt, 0) << "the progress dialog showed with the files read so far";
    EXPECT_LT(shownAt, paths.size());
    EXPECT_EQ(edit->text(), "") << "typed while reading";
}

// Names that would read as two files or turn round are shown on one line as spelt, and a tag
// reader that never ran is named as the fault instead of every file's tags.
TEST(AlbumProgress, TheLeftOutBoxShowsNamesAsSpeltAndBlamesAReaderThatCannotRun)
{
    AlbumTracks album;
    album.unreadable = {"two\nlines.flac", "\u202Ecalf.mp3", "tab\there\u2029.ogg"};
    album.reasons = {"a", "b", "c"};
    const auto [text, details] = leftOutMessage(album);
    EXPECT_EQ(text.section(u'\n', 1),
              "two\u240Alines.flac\n<U+202E>calf.mp3\ntab\u2409here<U+2029>.ogg");
    EXPECT_EQ(details.section(u'\n', 1, 1), "<U+202E>calf.mp3: b");
    album.tagReaderFailed = true;
    EXPECT_EQ(leftOutMessage(album).first, kTagReaderCannotStart);
}
