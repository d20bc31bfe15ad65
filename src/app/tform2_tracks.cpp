// The track list beyond typing: lines removed, and whole lists inserted at once.
#include <QListWidget>
#include <QLineEdit>
#include <QSignalBlocker>

#include "app/tform2.h"
#include "tracklists/track_lines.h"

namespace plattera {

void TForm2::ListBox1KeyDown(int key)
{
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (key != kDeleteKey || selected.isEmpty())
        return;
    const int row = ListBox1->row(selected.first());
    const QString removed = selected.first()->text();
    const QStringList lines = linesAfterRemoval(trackLines(), row);
    {
        // Nothing is selected afterwards, as after Insert: the next line is not copied to Edit1.
        const QSignalBlocker blocker(ListBox1);
        delete ListBox1->takeItem(row);
        for (int i = row; i < lines.size(); ++i)
            ListBox1->item(i)->setText(lines[i]);
        ListBox1->setCurrentItem(nullptr);
        ListBox1->clearSelection();
    }
    m_state.TrackCount = ListBox1->count();
    m_state.HasTracks = m_state.TrackCount > 0;
    // Edit1 still holds the copy the selection put there; Insert would bring the line back.
    if (Edit1->text() == removed)
        Edit1->clear();
}

void TForm2::insertTracks(const QStringList& titles)
{
    ListBox1->setCurrentItem(nullptr);
    ListBox1->clearSelection();
    for (const QString& title : titles) {
        Edit1->setText(title);
        Button3Click();
    }
}

} // namespace plattera
