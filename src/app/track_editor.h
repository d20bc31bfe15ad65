#pragma once

#include <functional>

#include <QSize>
#include <QStringList>

#include "app/fixed_dialog.h"
#include "model/cover_inputs.h"
#include "model/editor_state.h"
#include "model/sheets.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPushButton;

namespace plattera {

struct DroppedFiles;

// What a paste of files none of which the editor reads says.
inline const QString kNothingReadable =
    QStringLiteral("Nothing in what was pasted can be read: it holds no audio files, cue "
                   "sheets or pictures.");

// The ways into the track list, as the type-in line's placeholder and the tooltips say them.
inline const QString kTrackEntryHint =
    QStringLiteral("Type a track, or paste a list or audio files");

// Whether a text is one of the prompts the artist and title boxes start with: it asks for a
// name, so nothing is named after it.
bool isArtistOrTitlePrompt(const QString& text);

// What the track editor asks of the main window it serves. Given when the editor is built and
// never missing: each default stands alone (no check boxes, commands run directly, no error
// box, no screen to centre on), which is what a track editor without a main window needs.
struct TrackEditorLinks {
    // The main window's check boxes and page as they stand now.
    std::function<CoverInputs()> mainInputs = [] { return CoverInputs(); };
    // Runs a command; a failure ends it and shows the error box.
    std::function<void(const std::function<void()>&)> runCommand =
        [](const std::function<void()>& command) { command(); };
    // The error box: the text, and details behind a button when there are any.
    std::function<void(const QString& text, const QString& details)> showError =
        [](const QString&, const QString&) {};
    // The screen to centre on at the first showing.
    std::function<QSize()> screenSize = [] { return QSize(); };
    // The information box, for what the user should know but is no failure.
    std::function<void(const QString&)> showInformation = [](const QString&) {};
    // The Image command for that page with that file, as a command of its own.
    std::function<void(const QString& file, NotebookPage page)> placePicture = [](const QString&,
                                                                                  NotebookPage) {};
    // The same with an encoded picture that is no file of its own (a cover embedded in a
    // track), known by `name` from then on.
    std::function<void(const QString& name, const QByteArray& bytes, NotebookPage page)>
        placeEncodedPicture = [](const QString&, const QByteArray&, NotebookPage) {};
};

// The track editor: artist, title and the numbered track list. Created once, hidden, and
// shown modally by "Edit Tracks"; its controls are the store of the texts.
class TrackEditor : public FixedDialog {
    Q_OBJECT
public:
    TrackEditor(EditorState& state, Sheets& sheets, TrackEditorLinks links = {},
                QWidget* parent = nullptr);

    // The artist, title and track lines as they stand now.
    QString artist() const;
    QString title() const;
    QStringList trackLines() const;

    // The reset of New Cover: empty list, no selection, the New Cover prompts.
    void resetForNewCover();

    void onInsert();
    // The key handlers, given the Qt::Key pressed.
    void onTypeInKey(int key);    // Return or keypad Enter inserts
    void onTrackListKey(int key); // Delete removes the selected line
    void onTrackSelected();       // copies the selected line into the type-in line
    void onActivate();
    void onShow() override;
    void onContinue();

    // Appends each title as a track, numbered as Insert numbers it, all at once. The type-in
    // line and the selection are left as they are, so a track being typed or a correction in
    // progress goes on afterwards.
    void insertTracks(const QStringList& titles);
    // A paste into the type-in line: files copied in a file manager as if dropped, several
    // lines of text each as a track. False for anything else, which is pasted as usual.
    bool pasteTracks(const QMimeData& data);
    // Files dropped on the window, an album's folder among them read as the files directly
    // inside it. Audio files and cue sheets give the artist, the title and one track per file;
    // the picture named for the front (cover, folder, front, else the only one) and the one
    // named for the back (back, inlay, tray) are placed as the Image command places them; other
    // files are passed over. The files that cannot be read are named in one message at the end.
    // `paths` as the system spells them. Reading shows its progress when it takes a while.
    // A picture alone goes on the front, or on the back when it is named for the back.
    void dropAlbumFiles(const QList<QByteArray>& paths);
    // True when a drop or paste holds audio files, cue sheets or pictures the editor reads.
    static bool carriesAlbumOrPicture(const QMimeData& data);
    // The local files a drop or paste names, as the system spells them: its URLs, or a text of
    // nothing but file URLs or paths of files that are there (how some file managers copy).
    static QList<QByteArray> filesOf(const QMimeData& data);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Takes a drag or drop event that carries files: accepted when they hold audio files, cue
    // sheets or pictures (or a folder with some), refused otherwise; false for others.
    bool takeFileDrag(QEvent* event);
    // The tracks, texts and pictures of files already sorted out.
    void takeAlbum(const DroppedFiles& dropped);
    // Puts a text into an edit line the way the classic edit control shows it: from its first
    // character, where QLineEdit would scroll to the end.
    static void showFromStart(QLineEdit* edit, const QString& text);

    EditorState& m_state;
    Sheets& m_sheets;
    TrackEditorLinks m_links;
    bool m_dragCarriesAlbum = false; // what the drag over the window held when it came in

    // Controls; each carries its classic component name as its objectName.
    QPushButton* m_continueButton = nullptr;
    QGroupBox* m_tracksGroup = nullptr;
    QLabel* m_tracksCaption = nullptr;
    QListWidget* m_trackList = nullptr;
    QLabel* m_typeInCaption = nullptr;
    QLineEdit* m_typeInLine = nullptr;
    QPushButton* m_insertButton = nullptr;
    QGroupBox* m_titlesGroup = nullptr;
    QLabel* m_artistCaption = nullptr;
    QLineEdit* m_artistEdit = nullptr;
    QLabel* m_titleCaption = nullptr;
    QLineEdit* m_titleEdit = nullptr;
};

} // namespace plattera
