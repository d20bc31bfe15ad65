#pragma once

#include <QString>
#include <QStringList>

namespace plattera {

enum class NotebookPage { Back = 0, Front = 1 };

// What the commands read from the windows' controls at the moment they run: the main window's
// check boxes and notebook page, the track editor's texts and list. The forms fill it; layouts,
// repaint steps and printing read only this.
struct CoverInputs {
    bool verticalLines = true;     // CheckBox1
    bool backOutline = true;       // CheckBox2
    bool frontOutline = true;      // CheckBox3
    bool noFrontText = false;      // CheckBox4
    bool extendBackPicture = true; // CheckBox6
    NotebookPage page = NotebookPage::Back;
    QString artist;     // Edit3
    QString title;      // Edit2
    QStringList tracks; // ListBox1
};

} // namespace plattera
