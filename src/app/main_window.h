#pragma once

#include <functional>
#include <optional>

#include <QWidget>

#include "app/colour_swatch.h"
#include "app/link_label.h"
#include "app/platform.h"
#include "app/track_editor.h"
#include "model/cover_inputs.h"
#include "model/editor_state.h"
#include "model/sheets.h"

class QAbstractButton;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace plattera {

class GlyphButton;
class SheetView;
class TrackEditor;
class AboutWindow;

// The main window: the toolbar of commands, the notebook with the cover sheets, the outline
// and option groups and the link. Each handler reads its controls into CoverInputs and calls
// the plain repaint, layout and print code; the handlers that may run a layout again live here.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(Platform& platform, EditorState& state, Sheets& sheets, QWidget* parent = nullptr);
    ~MainWindow() override;

    // What the track editor asks of this window; the editor is built with these.
    TrackEditorLinks trackEditorLinks();
    // The other two windows, created after this one at start-up.
    void attachWindows(TrackEditor* trackEditor, AboutWindow* about);

    Platform& platform() { return m_platform; }
    EditorState& state() { return m_state; }
    Sheets& sheets() { return m_sheets; }
    TrackEditor* trackEditor() { return m_trackEditor; }

    // The check boxes, the page shown and the track editor's texts as they stand now.
    CoverInputs inputs() const;
    // Runs a command; a failure ends it and shows the error box, over `boxParent` when given
    // (the window the user is in), else over this one.
    void runCommand(const std::function<void()>& command, QWidget* boxParent = nullptr);
    // Repaints the sheet widgets from the sheets' pixels and tells a screen reader what they show.
    void refreshSheets();

    void onCreate();
    void onShow();

    // Toolbar commands.
    void onNewCover();
    void onEditTracks();
    void onFontTypeColour();
    void onLeft();
    void onCentre();
    void onImage();
    // A picture file dropped on a sheet: the Image command for the page of that sheet, the
    // file taking the place of the dialog's answer.
    void dropPicture(const QString& file, NotebookPage page);
    // Files pasted on the window (Ctrl+V) or dropped beside the sheets: the track editor opens
    // with them in it, as if they were pasted there. Anything else is left alone.
    void onPaste();
    void editTracksWith(const QList<QByteArray>& paths);
    void onPrint();
    void onClose();
    void onAbout();

    // Outlines and options.
    void onVerticalLines();
    void onBackOutline();
    void onFrontOutline();
    void onOutlineColour();
    void onNoFrontText();
    void onExtendBackPicture();
    void onLink();

    // The current layout again once texts have been laid out: Center while CentredMode is
    // set, else the left-aligned layout.
    void relayoutStep();
    // The left-aligned layout with the current inputs, then the track editor closed.
    void runLeftLayout();

    // The picture last chosen in the dialog or dropped, whichever page it was for.
    const QString& lastPictureFile() const { return m_pictureDialogFile; }

    // The web page of cover images the link shows and opens.
    static inline const QString kCoverImagesUrl = QStringLiteral("https://coverartarchive.org/");

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildLayout();
    void buildToolbar();
    void buildNotebook();
    void buildOptionGroups();
    void buildLink();
    // A click on the control runs the handler as a command.
    void runOnClick(QAbstractButton* control, void (MainWindow::*handler)());
    void showOutlineColour(Colour colour);
    // onVerticalLines, onBackOutline and onFrontOutline, in that order, for the checked boxes.
    void runCheckedOutlineHandlers();
    // Checks a box from the program: when its state changes its click handler runs at once.
    void checkFromProgram(QCheckBox* box, void (MainWindow::*handler)());
    // After each command: the decoded pictures and bitmaps the cover no longer shows are let go.
    void releaseUnusedPictures();
    // The Image command's steps with the file `choose` gives (nothing: cancelled); undone
    // when one fails.
    void placePictureOrUndo(const std::function<std::optional<QString>()>& choose);
    void chooseAndPlacePicture(const std::function<std::optional<QString>()>& choose);
    // Takes a drag or drop event on a sheet: one picture file is accepted, anything else refused.
    bool takePictureDrag(SheetView* view, QEvent* event);
    // Takes a drag or drop event that carries an album or pictures for the track editor; any
    // other is refused. Always true.
    bool takeAlbumDrag(QDropEvent* drop);

    Platform& m_platform;
    EditorState& m_state;
    Sheets& m_sheets;
    TrackEditor* m_trackEditor = nullptr;
    AboutWindow* m_aboutWindow = nullptr;
    bool m_shownOnce = false;
    // While the track editor places a picture: the layout that follows leaves it open.
    bool m_keepTrackEditorOpen = false;
    bool m_dragCarriesAlbum = false; // what the drag over the window held when it came in

    // Controls; each carries its classic component name as its objectName.
    QWidget* m_toolbar = nullptr;
    GlyphButton* m_newCoverButton = nullptr;
    GlyphButton* m_editTracksButton = nullptr;
    GlyphButton* m_fontButton = nullptr;
    GlyphButton* m_leftButton = nullptr;
    GlyphButton* m_centreButton = nullptr;
    GlyphButton* m_imageButton = nullptr;
    GlyphButton* m_printButton = nullptr;
    GlyphButton* m_closeButton = nullptr;
    GlyphButton* m_aboutButton = nullptr;
    QTabWidget* m_notebook = nullptr;
    SheetView* m_backPanelView = nullptr;
    SheetView* m_leftSpineView = nullptr;
    SheetView* m_rightSpineView = nullptr;
    SheetView* m_frontCoverView = nullptr;
    QGroupBox* m_outlinesGroup = nullptr;
    QCheckBox* m_verticalLinesBox = nullptr;
    QCheckBox* m_backOutlineBox = nullptr;
    QCheckBox* m_frontOutlineBox = nullptr;
    QPushButton* m_outlineColourButton = nullptr;
    ColourSwatch* m_outlineSwatch = nullptr;
    QGroupBox* m_optionsGroup = nullptr;
    QCheckBox* m_noFrontTextBox = nullptr;
    QCheckBox* m_extendBackPictureBox = nullptr;
    QLabel* m_extendCaptionTail = nullptr;
    QLabel* m_linkCaption = nullptr;
    LinkLabel* m_link = nullptr;

    // The dialogs' own memories: the colour and font last chosen in them, the picture last chosen.
    Colour m_colourDialogColour = 0;
    FontChoice m_fontDialogFont;
    QString m_pictureDialogFile;
    // The picture dialog's file types and default extension, set up by onCreate.
    PictureDialogSetup m_pictureDialog;
};

} // namespace plattera
