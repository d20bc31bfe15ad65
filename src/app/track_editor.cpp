#include "app/track_editor.h"

#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QStyledItemDelegate>

#include "app/window_geometry.h"
#include "model/version.h"
#include "text/layouts.h"
#include "app/track_line_edit.h"
#include "tracklists/title_length.h"
#include "tracklists/track_lines.h"

namespace plattera {

namespace {

const QString kStartArtistPrompt = QStringLiteral("<Type in name of the artist here>");
const QString kStartTitlePrompt = QStringLiteral("<Type in title here>");
const QString kNewCoverArtistPrompt = QStringLiteral("<type in name of artist here>");
const QString kNewCoverTitlePrompt = QStringLiteral("<type in title here>");

// Return on the main block and Enter on the keypad both insert.
bool isEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The classic single-selection list: once a line is selected it stays selected until the
// program takes the selection away (Insert, New Cover). A click beside the lines changes
// nothing and a Ctrl+click selects the line clicked, where Qt would clear or toggle.
class TrackList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override
    {
        if (!index.isValid())
            return QItemSelectionModel::NoUpdate;
        const QItemSelectionModel::SelectionFlags command =
            QListWidget::selectionCommand(index, event);
        if (command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
            return QItemSelectionModel::ClearAndSelect;
        return command;
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (!indexAt(event->position().toPoint()).isValid()) {
            event->accept();
            return;
        }
        QListWidget::mousePressEvent(event);
    }
};

// Every list line 13 pixels high, whatever the style would choose.
class FixedRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(13);
        return size;
    }
};

} // namespace

TrackEditor::TrackEditor(EditorState& state, Sheets& sheets, TrackEditorLinks links,
                         QWidget* parent)
    : FixedDialog(links.screenSize, parent), m_state(state), m_sheets(sheets),
      m_links(std::move(links))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Plattera v" PLATTERA_VERSION " - Edit Tracks"));
    setFont(pixelFont(kDialogFace, 11));
    resize(523, 453);

    const QFont buttonFont = pixelFont(kWindowFace, 11);
    const QFont captionFont = pixelFont(kWindowFace, 16);
    // The prompts above the boxes: labels sized to their text in the caption font.
    const auto caption = [&](const QString& text, QWidget* parent, const char* name, int left,
                             int top) {
        auto* label = new QLabel(text, parent);
        label->setFont(captionFont);
        return place(label, name, left, top);
    };

    m_continueButton =
        place(new QPushButton(QStringLiteral("Continue"), this), "Button1", 218, 384, 75, 25);
    m_continueButton->setFont(buttonFont);

    m_tracksGroup = place(new QGroupBox(this), "GroupBox1", 16, 8, 225, 337);
    m_tracksCaption = caption(QStringLiteral("Tracks on the CD:"), m_tracksGroup, "Label4", 50, 24);
    m_trackList = place(new TrackList(m_tracksGroup), "ListBox1", 16, 56, 177, 153);
    m_trackList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_trackList->setSortingEnabled(false);
    m_trackList->setItemDelegate(new FixedRowDelegate(m_trackList));
    m_typeInCaption = caption(QStringLiteral("Type in track:"), m_tracksGroup, "Label1", 66, 216);
    auto* typeIn = new TrackLineEdit(m_tracksGroup);
    typeIn->takePaste = [this](const QMimeData& data) { return pasteTracks(data); };
    m_typeInLine = place<QLineEdit>(typeIn, "Edit1", 16, 248, 177, 21);
    // A selected line comes into it whole, its number with its title.
    m_typeInLine->setMaxLength(kMaxTrackLineLength);
    m_insertButton =
        place(new QPushButton(QStringLiteral("Insert"), m_tracksGroup), "Button3", 75, 288, 75, 25);
    m_insertButton->setFont(buttonFont);

    m_titlesGroup = place(new QGroupBox(this), "GroupBox2", 272, 8, 225, 337);
    m_artistCaption = caption(QStringLiteral("Artist:"), m_titlesGroup, "Label5", 92, 24);
    m_artistEdit = place(new QLineEdit(m_titlesGroup), "Edit3", 24, 56, 177, 21);
    showFromStart(m_artistEdit, kStartArtistPrompt);
    m_titleCaption = caption(QStringLiteral("Title:"), m_titlesGroup, "Label6", 96, 216);
    m_titleEdit = place(new QLineEdit(m_titlesGroup), "Edit2", 24, 248, 177, 21);
    showFromStart(m_titleEdit, kStartTitlePrompt);

    // Enter in the type-in line inserts; on a focused button it presses that button, and nowhere else.
    m_continueButton->setAutoDefault(false);
    m_insertButton->setAutoDefault(false);
    pressOnEnter(m_continueButton);
    pressOnEnter(m_insertButton);
    m_trackList->installEventFilter(this);
    // The edit lines take dragged text; dragged files are the window's.
    setAcceptDrops(true);
    for (QLineEdit* edit : {m_typeInLine, m_titleEdit, m_artistEdit})
        edit->installEventFilter(this);

    // What a screen reader calls the controls; the captions above them are separate labels.
    m_tracksGroup->setAccessibleName(QStringLiteral("Tracks"));
    m_trackList->setAccessibleName(QStringLiteral("Tracks on the CD"));
    m_typeInLine->setAccessibleName(QStringLiteral("Type in track"));
    m_titlesGroup->setAccessibleName(QStringLiteral("Artist and title"));
    m_artistEdit->setAccessibleName(QStringLiteral("Artist"));
    m_titleEdit->setAccessibleName(QStringLiteral("Title"));
    m_continueButton->setToolTip(QStringLiteral(
        "Lay the artist, the title and the tracks out on the cover and close this window"));
    m_insertButton->setToolTip(
        QStringLiteral("Add the typed track to the list, or put it in place of the selected one"));
    // What the window takes besides typing. The placeholder is drawn only while the line is
    // empty and is never its text, so no layout or print ever sees it.
    m_typeInLine->setPlaceholderText(kTrackEntryHint);
    // The line is narrower than the sentence, whose end the placeholder cuts off.
    m_typeInLine->setToolTip(kTrackEntryHint);
    m_trackList->setToolTip(
        QStringLiteral("The tracks, numbered as on the back insert; Delete removes the selected "
                       "one\n") +
        kTrackEntryHint + QStringLiteral("; or drop audio files or their folder here"));

    QWidget::setTabOrder(m_continueButton, m_insertButton);
    QWidget::setTabOrder(m_insertButton, m_typeInLine);
    QWidget::setTabOrder(m_typeInLine, m_trackList);
    QWidget::setTabOrder(m_trackList, m_artistEdit);
    QWidget::setTabOrder(m_artistEdit, m_titleEdit);

    connect(m_insertButton, &QPushButton::clicked, this, [this] { onInsert(); });
    connect(m_continueButton, &QPushButton::clicked, this, [this] { onContinue(); });
    // A click, also on the line already selected, or a move with the keyboard.
    connect(m_trackList, &QListWidget::itemSelectionChanged, this, [this] { onTrackSelected(); });
    connect(m_trackList, &QListWidget::itemClicked, this, [this] { onTrackSelected(); });
}

QString TrackEditor::artist() const
{
    return m_artistEdit->text();
}

QString TrackEditor::title() const
{
    return m_titleEdit->text();
}

QStringList TrackEditor::trackLines() const
{
    QStringList lines;
    lines.reserve(m_trackList->count());
    for (int i = 0; i < m_trackList->count(); ++i)
        lines << m_trackList->item(i)->text();
    return lines;
}

void TrackEditor::resetForNewCover()
{
    m_trackList->clear();
    m_trackList->setCurrentItem(nullptr);
    showFromStart(m_artistEdit, kNewCoverArtistPrompt);
    showFromStart(m_titleEdit, kNewCoverTitlePrompt);
    m_typeInLine->clear();
}

void TrackEditor::onInsert()
{
    const QList<QListWidgetItem*> selected = m_trackList->selectedItems();
    if (selected.isEmpty()) {
        // Numbered by the count of lines, which Delete keeps in step by renumbering.
        m_trackList->addItem(enteredTrackLine(m_typeInLine->text(), m_trackList->count() + 1));
        m_trackList->scrollToItem(m_trackList->item(m_trackList->count() - 1));
        m_typeInLine->clear();
        return;
    }
    // A correction replaces the line as typed: whatever number the user left in it stays.
    selected.first()->setText(enteredTrackLine(m_typeInLine->text(), 0));
    // The list may have been scrolled away from the line since it was selected.
    m_trackList->scrollToItem(selected.first());
    m_trackList->setCurrentItem(nullptr);
    m_trackList->clearSelection();
}

void TrackEditor::onTypeInKey(int key)
{
    if (isEnterKey(key))
        onInsert();
}

void TrackEditor::onTrackSelected()
{
    const QList<QListWidgetItem*> selected = m_trackList->selectedItems();
    if (!selected.isEmpty())
        showFromStart(m_typeInLine, selected.first()->text());
}

void TrackEditor::onActivate()
{
    m_typeInLine->setFocus(Qt::ActiveWindowFocusReason);
}

void TrackEditor::onShow()
{
    const int height = scaledSize(m_tracksGroup->height(), 1.45);
    const int width = scaledSize(m_tracksGroup->width(), 2.32);
    setOuterSize(this, QSize(width, height));
}

void TrackEditor::onContinue()
{
    auto layout = [this] {
        CoverInputs inputs = m_links.mainInputs();
        inputs.artist = artist();
        inputs.title = title();
        inputs.tracks = trackLines();
        // Continue draws the left-aligned layout, so the mode must say so too: otherwise Print
        // and the next re-layout would centre what the screen shows left-aligned.
        m_state.centredMode = false;
        leftAlignedLayout(m_sheets, m_state, inputs);
        // Only a layout that ran to its end closes the editor.
        accept();
    };
    m_links.runCommand(layout);
}

bool TrackEditor::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        onActivate();
    return QDialog::event(event);
}

bool TrackEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_typeInLine && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (isEnterKey(key)) {
            onTypeInKey(key);
            return true;
        }
    }
    if (watched == m_trackList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        onTrackListKey(Qt::Key_Delete);
        return true;
    }
    if ((watched == m_typeInLine || watched == m_titleEdit || watched == m_artistEdit) &&
        takeFileDrag(event))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TrackEditor::showFromStart(QLineEdit* edit, const QString& text)
{
    edit->setText(text);
    edit->setCursorPosition(0);
}

bool isArtistOrTitlePrompt(const QString& text)
{
    return text == kStartArtistPrompt || text == kStartTitlePrompt ||
        text == kNewCoverArtistPrompt || text == kNewCoverTitlePrompt;
}

} // namespace plattera
