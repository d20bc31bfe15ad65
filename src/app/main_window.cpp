#include "app/main_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>

#include "app/accessibility.h"
#include "app/glyph_button.h"
#include "app/colour_swatch.h"
#include "app/command_runner.h"
#include "app/glyphs.h"
#include "app/link_label.h"
#include "app/pointer_shape.h"
#include "app/sheet_view.h"
#include "app/about_window.h"
#include "pictures/picture_formats.h"
#include "pictures/picture_store.h"
#include "pictures/repaint.h"
#include "app/track_editor.h"
#include "app/window_geometry.h"

namespace plattera {

namespace {

constexpr int kToolbarStep = 88;

} // namespace

MainWindow::MainWindow(Platform& platform, EditorState& state, Sheets& sheets, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_state(state), m_sheets(sheets)
{
    buildLayout();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildLayout()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kApplicationTitle);
    // Qualified: inside a widget, plain windowIcon() is QWidget's own getter.
    setWindowIcon(plattera::windowIcon());
    setFont(pixelFont(kWindowFace, 11));
    resize(789, 521);
    // Mouse moves over the bare surface reset the application pointer.
    setMouseTracking(true);

    // Toolbar. New Cover and About belong to the window and lie over the panel.
    auto* toolbar = new QFrame(this);
    toolbar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_toolbar = place(toolbar, "Panel1", 0, 0, 785, 57);
    m_toolbar->setAccessibleName(QStringLiteral("Commands"));

    auto button = [&](QWidget* parent, const char* name, const QString& caption, Glyph glyph,
                      int slot, const QString& purpose) {
        auto* b = new GlyphButton(caption, glyphImage(glyph), disabledGlyphImage(glyph), parent);
        place(b, name, slot * kToolbarStep, 0, GlyphButton::kWidth, GlyphButton::kHeight);
        b->setFocusPolicy(Qt::TabFocus);
        b->setToolTip(purpose);
        return b;
    };
    m_editTracksButton =
        button(m_toolbar, "button3", QStringLiteral("Edit Tracks"), Glyph::EditTracks, 1,
               QStringLiteral(
                   "Type the artist, the title and the tracks, then lay them out on the cover"));
    m_fontButton =
        button(m_toolbar, "Button1", QStringLiteral("Font type/color"), Glyph::FontTypeColor, 2,
               QStringLiteral("Choose the font and colour of the cover texts"));
    m_leftButton = button(m_toolbar, "BitBtn2", QStringLiteral("Left"), Glyph::Left, 3,
                          QStringLiteral("Align the track lines on the back insert to the left"));
    m_centreButton = button(m_toolbar, "BitBtn1", QStringLiteral("Center"), Glyph::Center, 4,
                            QStringLiteral("Centre the track lines on the back insert"));
    m_imageButton =
        button(m_toolbar, "BitBtn5", QStringLiteral("Image"), Glyph::Image, 5,
               QStringLiteral("Put a picture on the insert whose page is shown, back or front"));
    m_printButton = button(m_toolbar, "button4", QStringLiteral("Print"), Glyph::Print, 6,
                           QStringLiteral("Print both inserts on one page at their real size"));
    m_closeButton = button(m_toolbar, "BitBtn3", QStringLiteral("Close"), Glyph::Close, 7,
                           QStringLiteral("Close Plattera"));
    m_newCoverButton =
        button(this, "BitBtn6", QStringLiteral("New Cover"), Glyph::NewCover, 0,
               QStringLiteral("Start again with an empty cover: no texts, tracks or pictures"));
    m_aboutButton = button(this, "BitBtn4", QStringLiteral("About"), Glyph::About, 8,
                           QStringLiteral("Show the program's name and version"));
    m_fontButton->setEnabled(false);
    m_leftButton->setEnabled(false);
    m_centreButton->setEnabled(false);

    // Notebook with the sheets at their own size; the spines lie over the panel's edge columns.
    m_notebook = place(new QTabWidget(this), "TabbedNotebook1", 8, 64, 529, 452);
    m_notebook->tabBar()->setFont(pixelFont(kDialogFace, 11));
    m_notebook->setAccessibleName(QStringLiteral("Cover"));
    auto* backPage = new QWidget;
    backPage->setObjectName(QStringLiteral("Back"));
    backPage->setAccessibleName(QStringLiteral("Back"));
    auto* frontPage = new QWidget;
    frontPage->setObjectName(QStringLiteral("Front"));
    frontPage->setAccessibleName(QStringLiteral("Front"));
    m_backPanelView =
        place(new SheetView(m_sheets.backPanel, backPage), "Image1", 60, 18, 400, 353);
    m_leftSpineView = place(new SheetView(m_sheets.leftSpine, backPage), "Image2", 39, 18, 22, 353);
    m_rightSpineView =
        place(new SheetView(m_sheets.rightSpine, backPage), "Image3", 459, 18, 22, 353);
    m_frontCoverView =
        place(new SheetView(m_sheets.frontCover, frontPage), "Image4", 80, 18, 361, 353);
    m_backPanelView->setAccessibleName(QStringLiteral("Back insert"));
    m_leftSpineView->setAccessibleName(QStringLiteral("Left spine"));
    m_rightSpineView->setAccessibleName(QStringLiteral("Right spine"));
    m_frontCoverView->setAccessibleName(QStringLiteral("Front insert"));
    m_leftSpineView->raise();
    m_rightSpineView->raise();
    for (SheetView* view : {m_backPanelView, m_leftSpineView, m_rightSpineView, m_frontCoverView}) {
        view->setAcceptDrops(true);
        view->installEventFilter(this);
    }
    m_notebook->addTab(backPage, QStringLiteral("Back"));
    m_notebook->addTab(frontPage, QStringLiteral("Front"));
    m_notebook->setCurrentIndex(0);

    // Outlines.
    m_outlinesGroup =
        place(new QGroupBox(QStringLiteral("Outlines"), this), "GroupBox1", 576, 78, 161, 171);
    m_verticalLinesBox = place(new QCheckBox(QStringLiteral("Vertical lines"), m_outlinesGroup),
                               "CheckBox1", 32, 32, 97, 17);
    m_backOutlineBox =
        place(new QCheckBox(QStringLiteral("Back"), m_outlinesGroup), "CheckBox2", 32, 56, 97, 17);
    m_frontOutlineBox =
        place(new QCheckBox(QStringLiteral("Front"), m_outlinesGroup), "CheckBox3", 32, 80, 97, 17);
    m_outlineColourButton = place(new QPushButton(QStringLiteral("Color"), m_outlinesGroup),
                                  "Button2", 43, 104, 75, 25);
    m_outlineColourButton->setToolTip(QStringLiteral("Choose the colour of the outlines"));
    m_outlineSwatch = place(
        new ColourSwatch(QStringLiteral("The colour of the outlines, which \"Color\" changes"),
                         m_outlinesGroup),
        "Panel2", 64, 136, 33, 25);
    m_outlineSwatch->setAccessibleName(QStringLiteral("Outline colour"));
    m_verticalLinesBox->setChecked(true);
    m_backOutlineBox->setChecked(true);
    m_frontOutlineBox->setChecked(true);

    // Other options.
    m_optionsGroup = place(new QGroupBox(QStringLiteral("Other options"), this), "GroupBox2", 576,
                           266, 161, 175);
    m_noFrontTextBox =
        place(new QCheckBox(QStringLiteral("No text on front cover"), m_optionsGroup), "CheckBox4",
              15, 24, 130, 17);
    m_extendBackPictureBox =
        place(new QCheckBox(QStringLiteral("Extend back picture"), m_optionsGroup), "CheckBox6", 16,
              56, 121, 17);
    m_extendCaptionTail =
        place(new QLabel(QStringLiteral("over side flips"), m_optionsGroup), "Label2", 34, 72);
    m_extendBackPictureBox->setChecked(true);

    // The link.
    m_linkCaption =
        place(new QLabel(QStringLiteral("Looking for CD covers?"), this), "Label1", 576, 464);
    m_link = new LinkLabel(kCoverImagesUrl, this);
    m_link->setToolTip(QStringLiteral("Open this web page of CD cover images in the browser"));
    m_link->setFont(pixelFont(kWindowFace, 11));
    QPalette linkPalette = m_link->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    m_link->setPalette(linkPalette);
    place(m_link, "Label4", 576, 480);
    m_link->setMouseTracking(true);
    m_link->installEventFilter(this);

    QWidget::setTabOrder(m_fontButton, m_centreButton);
    QWidget::setTabOrder(m_centreButton, m_leftButton);
    QWidget::setTabOrder(m_leftButton, m_printButton);
    QWidget::setTabOrder(m_printButton, m_editTracksButton);
    QWidget::setTabOrder(m_editTracksButton, m_closeButton);
    QWidget::setTabOrder(m_closeButton, m_imageButton);
    QWidget::setTabOrder(m_imageButton, m_aboutButton);
    QWidget::setTabOrder(m_aboutButton, m_newCoverButton);

    auto onClick = [this](QAbstractButton* control, void (MainWindow::*handler)()) {
        connect(control, &QAbstractButton::clicked, this,
                [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
    };
    onClick(m_newCoverButton, &MainWindow::onNewCover);
    onClick(m_editTracksButton, &MainWindow::onEditTracks);
    onClick(m_fontButton, &MainWindow::onFontTypeColour);
    onClick(m_leftButton, &MainWindow::onLeft);
    onClick(m_centreButton, &MainWindow::onCentre);
    onClick(m_imageButton, &MainWindow::onImage);
    onClick(m_printButton, &MainWindow::onPrint);
    onClick(m_closeButton, &MainWindow::onClose);
    onClick(m_aboutButton, &MainWindow::onAbout);
    onClick(m_outlineColourButton, &MainWindow::onOutlineColour);
    // `clicked` comes only from the user; program changes go through checkFromProgram.
    onClick(m_verticalLinesBox, &MainWindow::onVerticalLines);
    onClick(m_backOutlineBox, &MainWindow::onBackOutline);
    onClick(m_frontOutlineBox, &MainWindow::onFrontOutline);
    onClick(m_noFrontTextBox, &MainWindow::onNoFrontText);
    onClick(m_extendBackPictureBox, &MainWindow::onExtendBackPicture);
    connect(m_link, &LinkLabel::activated, this, [this] { runCommand([this] { onLink(); }); });
}

void MainWindow::attachWindows(TrackEditor* trackEditor, AboutWindow* about)
{
    m_trackEditor = trackEditor;
    m_aboutWindow = about;
    if (m_trackEditor)
        m_trackEditor->setWindowIcon(plattera::windowIcon());
}

TrackEditorLinks MainWindow::trackEditorLinks()
{
    TrackEditorLinks links;
    links.mainInputs = [this] { return inputs(); };
    links.runCommand = [this](const std::function<void()>& command) { runCommand(command); };
    // Over the editor, which is the window the user is in when it has something to say.
    links.showError = [this](const QString& text) {
        m_platform.showError(m_trackEditor, kApplicationTitle, text);
    };
    links.screenSize = [this] { return m_platform.screenSize(); };
    return links;
}

CoverInputs MainWindow::inputs() const
{
    CoverInputs in;
    in.verticalLines = m_verticalLinesBox->isChecked();
    in.backOutline = m_backOutlineBox->isChecked();
    in.frontOutline = m_frontOutlineBox->isChecked();
    in.noFrontText = m_noFrontTextBox->isChecked();
    in.extendBackPicture = m_extendBackPictureBox->isChecked();
    in.page = m_notebook->currentIndex() == 1 ? NotebookPage::Front : NotebookPage::Back;
    if (m_trackEditor) {
        in.artist = m_trackEditor->artist();
        in.title = m_trackEditor->title();
        in.tracks = m_trackEditor->trackLines();
    }
    return in;
}

void MainWindow::runCommand(const std::function<void()>& command)
{
    runGuarded(m_platform, this, command);
    releaseUnusedPictures();
    // Whatever was drawn before a failure stays drawn, so the views follow the sheets either way.
    refreshSheets();
}

void MainWindow::releaseUnusedPictures()
{
    // A hidden picture keeps no bitmap; its file is decoded anew if it is ever shown again.
    QStringList inUse;
    if (m_state.backPicture.shown())
        inUse << m_state.backPicture.file();
    if (m_state.frontPicture.shown())
        inUse << m_state.frontPicture.file();
    if (m_state.pictures)
        m_state.pictures->keepOnly(inUse);
}

void MainWindow::refreshSheets()
{
    for (SheetView* view : {m_backPanelView, m_leftSpineView, m_rightSpineView, m_frontCoverView})
        view->update();
    const CoverInputs shown = inputs();
    m_backPanelView->setAccessibleDescription(
        sheetDescription(SheetPart::BackInsert, m_state, shown));
    m_leftSpineView->setAccessibleDescription(
        sheetDescription(SheetPart::LeftSpine, m_state, shown));
    m_rightSpineView->setAccessibleDescription(
        sheetDescription(SheetPart::RightSpine, m_state, shown));
    m_frontCoverView->setAccessibleDescription(
        sheetDescription(SheetPart::FrontInsert, m_state, shown));
}

void MainWindow::onCreate()
{
    m_pictureDialog = pictureDialogSettings();

    // Creates the four visible bitmaps, white; the composite is left until a picture needs it.
    fillSheets(m_sheets.visible());

    runCheckedOutlineHandlers();
    showOutlineColour(m_colourDialogColour);
    m_state.centredMode = false;
    refreshSheets();
}

void MainWindow::onShow()
{
    const int height = scaledSize(m_notebook->height() + m_toolbar->height() + 8, 1.055);
    const int width = scaledSize(m_toolbar->width(), 1.013);
    setOuterSize(this, QSize(width, height));

    // Small screens: the whole screen, sized rather than maximised.
    const QSize screen = m_platform.screenSize();
    if (screen.width() > 800)
        return;
    move(0, 0);
    setOuterSize(this, screen);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window coming back from the task bar is not being shown anew.
    if (event->spontaneous())
        return;
    showWindow(
        this, m_shownOnce, [this] { onShow(); }, m_platform.screenSize());
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    // Moves over a control propagate here too; only the bare surface resets the pointer.
    if (!childAt(event->position().toPoint()))
        setApplicationPointer(PointerShape::Default);
    QWidget::mouseMoveEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (auto* view = qobject_cast<SheetView*>(watched); view && takePictureDrag(view, event))
        return true;
    if (watched == m_link && event->type() == QEvent::MouseMove)
        setApplicationPointer(PointerShape::Hand);
    return QWidget::eventFilter(watched, event);
}

void MainWindow::showOutlineColour(Colour colour)
{
    m_outlineSwatch->setColour(toQColor(colour));
}

void MainWindow::checkFromProgram(QCheckBox* box, void (MainWindow::*handler)())
{
    if (box->isChecked())
        return;
    {
        const QSignalBlocker blocker(box);
        box->setChecked(true);
    }
    // Directly, so that a failure ends the caller too.
    (this->*handler)();
}

} // namespace plattera
