#include "app/tform2.h"

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

namespace plattera {

namespace {

const QString kStartArtistPrompt = QStringLiteral("<Type in name of the artist here>");
const QString kStartTitlePrompt = QStringLiteral("<Type in title here>");
const QString kNewCoverArtistPrompt = QStringLiteral("<type in name of artist here>");
const QString kNewCoverTitlePrompt = QStringLiteral("<type in title here>");

// The key code of Enter that Edit1KeyDown acts on.
constexpr int kEnterKey = 13;

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

// Puts a text into an edit line the way the classic edit control shows it: from its first
// character, where QLineEdit would scroll to the end.
void setEditText(QLineEdit* edit, const QString& text)
{
    edit->setText(text);
    edit->setCursorPosition(0);
}

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

TForm2::TForm2(EditorState& state, Sheets& sheets, QWidget* parent)
    : FixedDialog(parent), m_state(state), m_sheets(sheets)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Plattera v" PLATTERA_VERSION " - Edit Tracks"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    resize(523, 453);

    const QFont buttonFont = pixelFont(QStringLiteral("Arial"), 11);
    const QFont captionFont = pixelFont(QStringLiteral("Arial"), 16);
    // The prompts above the boxes: labels sized to their text in the caption font.
    const auto caption = [&](const QString& text, QWidget* parent, const char* name, int left,
                             int top) {
        auto* label = new QLabel(text, parent);
        label->setFont(captionFont);
        return place(label, name, left, top);
    };

    Button1 = place(new QPushButton(QStringLiteral("Continue"), this), "Button1", 218, 384, 75, 25);
    Button1->setFont(buttonFont);

    GroupBox1 = place(new QGroupBox(this), "GroupBox1", 16, 8, 225, 337);
    Label4 = caption(QStringLiteral("Tracks on the CD:"), GroupBox1, "Label4", 50, 24);
    ListBox1 = place(new TrackList(GroupBox1), "ListBox1", 16, 56, 177, 153);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setSortingEnabled(false);
    ListBox1->setItemDelegate(new FixedRowDelegate(ListBox1));
    Label1 = caption(QStringLiteral("Type in track:"), GroupBox1, "Label1", 66, 216);
    auto* edit1 = new TrackLineEdit(GroupBox1);
    edit1->takePaste = [this](const QMimeData& data) { return pasteTracks(data); };
    Edit1 = place<QLineEdit>(edit1, "Edit1", 16, 248, 177, 21);
    Button3 =
        place(new QPushButton(QStringLiteral("Insert"), GroupBox1), "Button3", 75, 288, 75, 25);
    Button3->setFont(buttonFont);

    GroupBox2 = place(new QGroupBox(this), "GroupBox2", 272, 8, 225, 337);
    Label5 = caption(QStringLiteral("Artist:"), GroupBox2, "Label5", 92, 24);
    Edit3 = place(new QLineEdit(GroupBox2), "Edit3", 24, 56, 177, 21);
    setEditText(Edit3, kStartArtistPrompt);
    Label6 = caption(QStringLiteral("Title:"), GroupBox2, "Label6", 96, 216);
    Edit2 = place(new QLineEdit(GroupBox2), "Edit2", 24, 248, 177, 21);
    setEditText(Edit2, kStartTitlePrompt);

    // Enter in Edit1 inserts; on a focused button it presses that button, and nowhere else.
    Button1->setAutoDefault(false);
    Button3->setAutoDefault(false);
    pressOnEnter(Button1);
    pressOnEnter(Button3);
    ListBox1->installEventFilter(this);
    // The edit lines take dragged text; dragged files are the window's.
    setAcceptDrops(true);
    for (QLineEdit* edit : {Edit1, Edit2, Edit3})
        edit->installEventFilter(this);

    // What a screen reader calls the controls; the captions above them are separate labels.
    GroupBox1->setAccessibleName(QStringLiteral("Tracks"));
    ListBox1->setAccessibleName(QStringLiteral("Tracks on the CD"));
    Edit1->setAccessibleName(QStringLiteral("Type in track"));
    GroupBox2->setAccessibleName(QStringLiteral("Artist and title"));
    Edit3->setAccessibleName(QStringLiteral("Artist"));
    Edit2->setAccessibleName(QStringLiteral("Title"));
    Button1->setToolTip(QStringLiteral(
        "Lay the artist, the title and the tracks out on the cover and close this window"));
    Button3->setToolTip(
        QStringLiteral("Add the typed track to the list, or put it in place of the selected one"));

    QWidget::setTabOrder(Button1, Button3);
    QWidget::setTabOrder(Button3, Edit1);
    QWidget::setTabOrder(Edit1, ListBox1);
    QWidget::setTabOrder(ListBox1, Edit3);
    QWidget::setTabOrder(Edit3, Edit2);

    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    // A click, also on the line already selected, or a move with the keyboard.
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] { ListBox1Click(); });
    connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
}

QString TForm2::artist() const
{
    return Edit3->text();
}

QString TForm2::title() const
{
    return Edit2->text();
}

QStringList TForm2::trackLines() const
{
    QStringList lines;
    lines.reserve(ListBox1->count());
    for (int i = 0; i < ListBox1->count(); ++i)
        lines << ListBox1->item(i)->text();
    return lines;
}

void TForm2::resetForNewCover()
{
    m_state.HasTracks = false;
    ListBox1->clear();
    m_state.TrackCount = 0;
    ListBox1->setCurrentItem(nullptr);
    m_state.LongestTrack.clear();
    setEditText(Edit3, kNewCoverArtistPrompt);
    setEditText(Edit2, kNewCoverTitlePrompt);
    Edit1->clear();
}

void TForm2::Button3Click()
{
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (selected.isEmpty()) {
        ++m_state.TrackCount;
        m_state.HasTracks = true;
        ListBox1->addItem(QString::number(m_state.TrackCount) + QStringLiteral(". ") +
                          Edit1->text());
        ListBox1->scrollToItem(ListBox1->item(ListBox1->count() - 1));
        Edit1->clear();
        return;
    }
    // A correction replaces the line as typed: whatever number the user left in it stays.
    selected.first()->setText(Edit1->text());
    // The list may have been scrolled away from the line since it was selected.
    ListBox1->scrollToItem(selected.first());
    ListBox1->setCurrentItem(nullptr);
    ListBox1->clearSelection();
}

void TForm2::Edit1KeyDown(int key)
{
    if (key == kEnterKey)
        Button3Click();
}

void TForm2::ListBox1Click()
{
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (!selected.isEmpty())
        setEditText(Edit1, selected.first()->text());
}

void TForm2::FormActivate()
{
    Edit1->setFocus(Qt::ActiveWindowFocusReason);
}

void TForm2::FormShow()
{
    const int height = scaledSize(GroupBox1->height(), 1.45);
    const int width = scaledSize(GroupBox1->width(), 2.32);
    setOuterSize(this, QSize(width, height));
}

void TForm2::Button1Click()
{
    auto layout = [this] {
        CoverInputs inputs = readMainInputs ? readMainInputs() : CoverInputs();
        inputs.artist = artist();
        inputs.title = title();
        inputs.tracks = trackLines();
        // Continue draws the left-aligned layout, so the mode must say so too: otherwise Print
        // and the next re-layout would centre what the screen shows left-aligned.
        m_state.CentredMode = false;
        LeftAlignedLayout(m_sheets, m_state, inputs);
        // Only a layout that ran to its end closes the editor.
        accept();
    };
    if (runCommand)
        runCommand(layout);
    else
        layout();
}

bool TForm2::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Edit1KeyDown(kEnterKey);
            return true;
        }
    }
    if (watched == ListBox1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        ListBox1KeyDown(kDeleteKey);
        return true;
    }
    if ((watched == Edit1 || watched == Edit2 || watched == Edit3) && takeFileDrag(event))
        return true;
    return QDialog::eventFilter(watched, event);
}

} // namespace plattera
