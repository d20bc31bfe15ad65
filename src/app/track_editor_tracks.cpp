// The track list beyond typing: lines removed, and whole lists inserted at once.
#include <algorithm>

#include <QListWidget>
#include <QLineEdit>
#include <QSignalBlocker>

#include "app/track_editor.h"
#include "tracklists/track_lines.h"

namespace plattera {

void TrackEditor::onTrackListKey(int key)
{
    const QList<QListWidgetItem*> selected = m_trackList->selectedItems();
    if (key != Qt::Key_Delete || selected.isEmpty())
        return;
    const int row = m_trackList->row(selected.first());
    const QString removed = selected.first()->text();
    const QStringList lines = linesAfterRemoval(trackLines(), row);
    {
        const QSignalBlocker blocker(m_trackList);
        delete m_trackList->takeItem(row);
        for (int i = row; i < lines.size(); ++i)
            m_trackList->item(i)->setText(lines[i]);
    }
    // The line that took its place stays selected, else the new last one, as in any list box:
    // Delete pressed again goes on removing. Its copy goes to the type-in line, as a selection's
    // does (the list may have selected it already while its signals were blocked).
    if (!lines.isEmpty()) {
        m_trackList->setCurrentRow(std::min(row, int(lines.size()) - 1));
        onTrackSelected();
        return;
    }
    m_trackList->setCurrentItem(nullptr);
    m_trackList->clearSelection();
    // The type-in line still holds the copy the selection put there; Insert would bring the line back.
    if (m_typeInLine->text() == removed)
        m_typeInLine->clear();
}

void TrackEditor::insertTracks(const QStringList& titles)
{
    if (titles.isEmpty())
        return;
    QStringList lines;
    lines.reserve(titles.size());
    int number = m_trackList->count();
    for (const QString& title : titles)
        lines << trackNumberPrefix(++number) + title;
    // In one step and scrolled once: a row at a time, each scroll lays every row out again.
    m_trackList->addItems(lines);
    m_trackList->scrollToBottom();
}

} // namespace plattera
