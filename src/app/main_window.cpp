#include "app/main_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>

#include "app/accessibility.h"
#include "app/glyph_button.h"
#include "app/colour_swatch.h"
#include "app/command_runner.h"
#include "app/fixed_dialog.h"
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
    // An album dropped or pasted anywhere on the window goes to the track editor.
    setAcceptDrops(true);
    connect(new QShortcut(QKeySequence::Paste, this), &QShortcut::activated, this,
            [this] { runCommand([this] { onPaste(); }); });

    // Created in this order, so that later controls lie over earlier ones where they overlap.
    buildToolbar();
    buildNotebook();
    buildOptionGroups();
    buildLink();

    QWidget::setTabOrder(m_fontButton, m_centreButton);
    QWidget::setTabOrder(m_centreButton, m_leftButton);
    QWidget::setTabOrder(m_leftButton, m_printButton);
    QWidget::setTabOrder(m_printButton, m_editTracksButton);
    QWidget::setTabOrder(m_editTracksButton, m_closeButton);
    QWidget::setTabOrder(m_closeButton, m_imageButton);
    QWidget::setTabOrder(m_imageButton, m_aboutButton);
    QWidget::setTabOrder(m_aboutButton, m_newCoverButton);
}

void MainWindow::runOnClick(QAbstractButton* control, void (MainWindow::*handler)())
{
    // `clicked` comes only from the user; program changes to a check box go through
    // checkFromProgram.
    connect(control, &QAbstractButton::clicked, this,
            [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
}

void MainWindow::buildToolbar()
{
    auto* toolbar = new QFrame(this);
    toolbar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_toolbar = place(toolbar, "Panel1", 0, 0, 785, 57);
    m_toolbar->setAccessibleName(QStringLiteral("Commands"));

    struct Command {
        GlyphButton* MainWindow::*button;
        const char* name;
        const char* caption;
        Glyph glyph;
        int slot; // the button's left edge is slot * 88
        void (MainWindow::*handler)();
        const char* purpose;
    };
    // New Cover and About belong to the window and lie over the toolbar: they come last.
    static const Command commands[] = {
        {&MainWindow::m_editTracksButton, "button3", "Edit Tracks", Glyph::EditTracks, 1,
         &MainWindow::onEditTracks,
         "Type the artist, the title and the tracks, then lay them out on the cover"},
        {&MainWindow::m_fontButton, "Button1", "Font type/color", Glyph::FontTypeColor, 2,
         &MainWindow::onFontTypeColour, "Choose the font and colour of the cover texts"},
        {&MainWindow::m_leftButton, "BitBtn2", "Left", Glyph::Left, 3, &MainWindow::onLeft,
         "Align the track lines on the back insert to the left"},
        {&MainWindow::m_centreButton, "BitBtn1", "Center", Glyph::Center, 4, &MainWindow::onCentre,
         "Centre the track lines on the back insert"},
        {&MainWindow::m_imageButton, "BitBtn5", "Image", Glyph::Image, 5, &MainWindow::onImage,
         "Put a picture on the insert whose page is shown, back or front"},
        {&MainWindow::m_printButton, "button4", "Print", Glyph::Print, 6, &MainWindow::onPrint,
         "Print both inserts on one page at their real size"},
        {&MainWindow::m_closeButton, "BitBtn3", "Close", Glyph::Close, 7, &MainWindow::onClose,
         "Close Plattera"},
        {&MainWindow::m_newCoverButton, "BitBtn6", "New Cover", Glyph::NewCover, 0,
         &MainWindow::onNewCover, "Start again with an empty cover: no texts, tracks or pictures"},
        {&MainWindow::m_aboutButton, "BitBtn4", "About", Glyph::About, 8, &MainWindow::onAbout,
         "Show the program's name and version"},
    };
    for (const Command& command : commands) {
        const bool onWindow = command.slot == 0 || command.slot == 8;
        auto* button =
            new GlyphButton(QLatin1String(command.caption), glyphImage(command.glyph),
                            disabledGlyphImage(command.glyph), onWindow ? this : m_toolbar);
        place(button, command.name, command.slot * kToolbarStep, 0, GlyphButton::kWidth,
              GlyphButton::kHeight);
        button->setFocusPolicy(Qt::TabFocus);
        button->setToolTip(QLatin1String(command.purpose));
        this->*command.button = button;
        runOnClick(button, command.handler);
    }
    m_editTracksButton->setToolTip(m_editTracksButton->toolTip() + QLatin1Char('\n') +
                                   kTrackEntryHint);
    // The text commands wait for texts to lay out.
    m_fontButton->setEnabled(false);
    m_leftButton->setEnabled(false);
    m_centreButton->setEnabled(false);
}

void MainWindow::buildNotebook()
{
    // The sheets at their own size; the spines lie over the panel's edge columns.
    m_notebook = place(new QTabWidget(this), "TabbedNotebook1", 8, 64, 529, 452);
    m_notebook->tabBar()->setFont(pixelFont(kDialogFace, 11));
    m_notebook->setAccessibleName(QStringLiteral("Cover"));
    auto* backPage = new QWidget;
    backPage->setObjectName(QStringLiteral("Back"));
    backPage->setAccessibleName(QStringLiteral("Back"));
    auto* frontPage = new QWidget;
    frontPage->setObjectName(QStringLiteral("Front"));
    frontPage->setAccessibleName(QStringLiteral("Front"));

    struct Sheet {
        SheetView* MainWindow::*view;
        SheetCanvas Sheets::*sheet;
        QWidget* page;
        const char* name;
        int left;
        const char* accessibleName;
    };
    const Sheet sheets[] = {
        {&MainWindow::m_backPanelView, &Sheets::backPanel, backPage, "Image1", 60, "Back insert"},
        {&MainWindow::m_leftSpineView, &Sheets::leftSpine, backPage, "Image2", 39, "Left spine"},
        {&MainWindow::m_rightSpineView, &Sheets::rightSpine, backPage, "Image3", 459,
         "Right spine"},
        {&MainWindow::m_frontCoverView, &Sheets::frontCover, frontPage, "Image4", 80,
         "Front insert"},
    };
    for (const Sheet& row : sheets) {
        SheetCanvas& sheet = m_sheets.*row.sheet;
        SheetView* view = place(new SheetView(sheet, row.page), row.name, row.left, 18,
                                sheet.width(), sheet.height());
        view->setAccessibleName(QLatin1String(row.accessibleName));
        view->setAcceptDrops(true);
        view->installEventFilter(this);
        this->*row.view = view;
    }
    m_leftSpineView->raise();
    m_rightSpineView->raise();
    m_notebook->addTab(backPage, QStringLiteral("Back"));
    m_notebook->addTab(frontPage, QStringLiteral("Front"));
    m_notebook->setCurrentIndex(0);
}

void MainWindow::buildOptionGroups()
{
    struct Box {
        QCheckBox* MainWindow::*box;
        const char* name;
        const char* caption;
        QRect geometry;
        void (MainWindow::*handler)();
    };
    const auto addBoxes = [this](QGroupBox* group, std::initializer_list<Box> boxes) {
        for (const Box& row : boxes) {
            QCheckBox* box = place(new QCheckBox(QLatin1String(row.caption), group), row.name,
                                   row.geometry.left(), row.geometry.top(), row.geometry.width(),
                                   row.geometry.height());
            this->*row.box = box;
            runOnClick(box, row.handler);
        }
    };

    m_outlinesGroup =
        place(new QGroupBox(QStringLiteral("Outlines"), this), "GroupBox1", 576, 78, 161, 171);
    addBoxes(m_outlinesGroup,
             {{&MainWindow::m_verticalLinesBox, "CheckBox1", "Vertical lines",
               QRect(32, 32, 97, 17), &MainWindow::onVerticalLines},
              {&MainWindow::m_backOutlineBox, "CheckBox2", "Back", QRect(32, 56, 97, 17),
               &MainWindow::onBackOutline},
              {&MainWindow::m_frontOutlineBox, "CheckBox3", "Front", QRect(32, 80, 97, 17),
               &MainWindow::onFrontOutline}});
    m_outlineColourButton = place(new QPushButton(QStringLiteral("Color"), m_outlinesGroup),
                                  "Button2", 43, 104, 75, 25);
    m_outlineColourButton->setToolTip(QStringLiteral("Choose the colour of the outlines"));
    runOnClick(m_outlineColourButton, &MainWindow::onOutlineColour);
    m_outlineSwatch = place(
        new ColourSwatch(QStringLiteral("The colour of the outlines, which \"Color\" changes"),
                         m_outlinesGroup),
        "Panel2", 64, 136, 33, 25);
    m_outlineSwatch->setAccessibleName(QStringLiteral("Outline colour"));
    m_verticalLinesBox->setChecked(true);
    m_backOutlineBox->setChecked(true);
    m_frontOutlineBox->setChecked(true);

    m_optionsGroup = place(new QGroupBox(QStringLiteral("Other options"), this), "GroupBox2", 576,
                           266, 161, 175);
    addBoxes(m_optionsGroup,
             {{&MainWindow::m_noFrontTextBox, "CheckBox4", "No text on front cover",
               QRect(15, 24, 130, 17), &MainWindow::onNoFrontText},
              {&MainWindow::m_extendBackPictureBox, "CheckBox6", "Extend back picture",
               QRect(16, 56, 121, 17), &MainWindow::onExtendBackPicture}});
    // The check box's caption has a second line of its own.
    m_extendCaptionTail =
        place(new QLabel(QStringLiteral("over side flips"), m_optionsGroup), "Label2", 34, 72);
    m_extendBackPictureBox->setChecked(true);
}

void MainWindow::buildLink()
{
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
    links.showError = [this](const QString& text, const QString& details) {
        m_platform.showError(m_trackEditor, kApplicationTitle, text, details);
    };
    links.screenSize = [this] { return m_platform.screenSize(); };
    links.showInformation = [this](const QString& text) {
        m_platform.showInformation(m_trackEditor, kApplicationTitle, text);
    };
    // The editor stays open: the user is still in it, and its Continue lays the texts out.
    links.placePicture = [this](const QString& file, NotebookPage page) {
        const QScopedValueRollback<bool> keepOpen(m_keepTrackEditorOpen, true);
        runCommand([&] { dropPicture(file, page); }, m_trackEditor);
    };
    // Kept in the store under its name, so every repaint reads it as it reads a file.
    links.placeEncodedPicture = [this](const QString& name, const QByteArray& bytes,
                                       NotebookPage page) {
        const QScopedValueRollback<bool> keepOpen(m_keepTrackEditorOpen, true);
        runCommand(
            [&] {
                if (m_state.pictures)
                    m_state.pictures->keepEncoded(name, bytes);
                dropPicture(name, page);
            },
            m_trackEditor);
    };
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

void MainWindow::runCommand(const std::function<void()>& command, QWidget* boxParent)
{
    runGuarded(m_platform, boxParent ? boxParent : this, command);
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

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // While a modal window waits for an answer, this window takes no input, its close box
    // included: a click that activates it brings the modal window back in front instead of
    // leaving a window that seems to hang.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        bringModalWindowBack();
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
