#pragma once

#include <QString>
#include <QStringList>

namespace plattera {

enum class NotebookPage { Back = 0, Front = 1 };

// What the commands read from the windows' controls at the moment they run: the main window's
// check boxes and notebook page, the track editor's texts and list. The forms fill it; layouts,
// repaint steps and printing read only this.
struct CoverInputs {
    bool verticalLines = true;
    bool backOutline = true;
    bool frontOutline = true;
    bool noFrontText = false;
    bool extendBackPicture = true;
    NotebookPage page = NotebookPage::Back;
    QString artist;
    QString title;
    QStringList tracks;
};

} // namespace plattera
