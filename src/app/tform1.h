#pragma once

#include <functional>
#include <optional>

#include <QWidget>

#include "app/colour_swatch.h"
#include "app/link_label.h"
#include "app/platform.h"
#include "model/cover_inputs.h"
#include "model/editor_state.h"
#include "model/sheets.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace plattera {

class BitBtn;
class SheetView;
class TForm2;
class TForm3;

// The main window: the toolbar of commands, the notebook with the cover sheets, the outline
// and option groups and the link. Each handler reads its controls into CoverInputs and calls
// the plain repaint, layout and print code; the handlers that may run a layout again live here.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    TForm1(Platform& platform, EditorState& state, Sheets& sheets, QWidget* parent = nullptr);
    ~TForm1() override;

    // The other two windows, created after this one at start-up.
    void attachWindows(TForm2* trackEditor, TForm3* about);

    Platform& platform() { return m_platform; }
    EditorState& state() { return m_state; }
    Sheets& sheets() { return m_sheets; }
    TForm2* trackEditor() { return m_form2; }

    // The check boxes, the page shown and the track editor's texts as they stand now.
    CoverInputs inputs() const;
    // Runs a command; a failure ends it and shows the error box.
    void runCommand(const std::function<void()>& command);
    // Repaints the sheet widgets from the sheets' pixels and tells a screen reader what they show.
    void refreshSheets();

    void FormCreate();
    void FormShow();

    // Toolbar commands.
    void BitBtn6Click(); // New Cover
    void button3Click(); // Edit Tracks
    void Button1Click(); // Font type/color
    void BitBtn2Click(); // Left
    void BitBtn1Click(); // Center
    void BitBtn5Click(); // Image
    // A picture file dropped on a sheet: the Image command for the page of that sheet, the
    // file taking the place of the dialog's answer.
    void dropPicture(const QString& file, NotebookPage page);
    void button4Click(); // Print
    void BitBtn3Click(); // Close
    void BitBtn4Click(); // About

    // Outlines and options.
    void CheckBox1Click(); // Vertical lines
    void CheckBox2Click(); // Back
    void CheckBox3Click(); // Front
    void Button2Click();   // Color
    void CheckBox4Click(); // No text on front cover
    void CheckBox6Click(); // Extend back picture
    void Label4Click();    // the link

    // The current layout again once texts have been laid out: Center while CentredMode is
    // set, else the left-aligned layout.
    void relayoutStep();
    // The left-aligned layout with the current inputs, then the track editor closed.
    void runLeftLayout();

    // Controls, by their component names.
    QWidget* Panel1 = nullptr;
    BitBtn* BitBtn6 = nullptr;
    BitBtn* button3 = nullptr;
    BitBtn* Button1 = nullptr;
    BitBtn* BitBtn2 = nullptr;
    BitBtn* BitBtn1 = nullptr;
    BitBtn* BitBtn5 = nullptr;
    BitBtn* button4 = nullptr;
    BitBtn* BitBtn3 = nullptr;
    BitBtn* BitBtn4 = nullptr;
    QTabWidget* TabbedNotebook1 = nullptr;
    SheetView* Image1 = nullptr;
    SheetView* Image2 = nullptr;
    SheetView* Image3 = nullptr;
    SheetView* Image4 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QPushButton* Button2 = nullptr;
    ColourSwatch* Panel2 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QCheckBox* CheckBox6 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    LinkLabel* Label4 = nullptr;

    // The dialogs' own memories: the colour and font last chosen in them, the picture last chosen.
    Colour ColorDialog1Colour = 0;
    FontChoice FontDialog1Font;
    QString OpenPictureDialog1File;
    // The picture dialog's filter and default extension, set up by FormCreate.
    QString OpenPictureDialog1Filter;
    QString OpenPictureDialog1DefaultExt;

    // The web page of cover images the link shows and opens.
    static inline const QString kCoverImagesUrl = QStringLiteral("https://coverartarchive.org/");

protected:
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void setPanel2Colour(Colour colour);
    // CheckBox1Click, CheckBox2Click and CheckBox3Click, in that order, for the checked boxes.
    void runCheckedOutlineHandlers();
    // Checks a box from the program: when its state changes its click handler runs at once.
    void checkFromProgram(QCheckBox* box, void (TForm1::*handler)());
    // After each command: the decoded pictures and bitmaps the cover no longer shows are let go.
    void releaseUnusedPictures();
    // The Image command's steps with the file `choose` gives (nothing: cancelled); undone
    // when one fails.
    void placePictureOrUndo(const std::function<std::optional<QString>()>& choose);
    void chooseAndPlacePicture(const std::function<std::optional<QString>()>& choose);
    // Takes a drag or drop event on a sheet: one picture file is accepted, anything else refused.
    bool takePictureDrag(SheetView* view, QEvent* event);

    Platform& m_platform;
    EditorState& m_state;
    Sheets& m_sheets;
    TForm2* m_form2 = nullptr;
    TForm3* m_form3 = nullptr;
    bool m_shownOnce = false;
};

} // namespace plattera
