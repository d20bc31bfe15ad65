#include "app/tform1.h"

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
#include "app/bit_btn.h"
#include "app/colour_swatch.h"
#include "app/command_runner.h"
#include "app/glyphs.h"
#include "app/link_label.h"
#include "app/pointer_shape.h"
#include "app/sheet_view.h"
#include "app/tform3.h"
#include "pictures/picture_formats.h"
#include "pictures/picture_store.h"
#include "pictures/repaint.h"
#include "app/tform2.h"
#include "app/window_geometry.h"

namespace plattera {

namespace {

constexpr int kToolbarStep = 88;

} // namespace

TForm1::TForm1(Platform& platform, EditorState& state, Sheets& sheets, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_state(state), m_sheets(sheets)
{
    buildLayout();
}

TForm1::~TForm1() = default;

void TForm1::buildLayout()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kApplicationTitle);
    // Qualified: inside a widget, plain windowIcon() is QWidget's own getter.
    setWindowIcon(plattera::windowIcon());
    setFont(pixelFont(QStringLiteral("Arial"), 11));
    resize(789, 521);
    // Mouse moves over the bare surface reset the application pointer.
    setMouseTracking(true);

    // Toolbar. BitBtn6 and BitBtn4 belong to the window and lie over the panel.
    auto* toolbar = new QFrame(this);
    toolbar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1 = place(toolbar, "Panel1", 0, 0, 785, 57);
    Panel1->setAccessibleName(QStringLiteral("Commands"));

    auto button = [&](QWidget* parent, const char* name, const QString& caption, Glyph glyph,
                      int slot, const QString& purpose) {
        auto* b = new BitBtn(caption, glyphImage(glyph), disabledGlyphImage(glyph), parent);
        place(b, name, slot * kToolbarStep, 0, BitBtn::kWidth, BitBtn::kHeight);
        b->setFocusPolicy(Qt::TabFocus);
        b->setToolTip(purpose);
        return b;
    };
    button3 =
        button(Panel1, "button3", QStringLiteral("Edit Tracks"), Glyph::EditTracks, 1,
               QStringLiteral(
                   "Type the artist, the title and the tracks, then lay them out on the cover"));
    Button1 = button(Panel1, "Button1", QStringLiteral("Font type/color"), Glyph::FontTypeColor, 2,
                     QStringLiteral("Choose the font and colour of the cover texts"));
    BitBtn2 = button(Panel1, "BitBtn2", QStringLiteral("Left"), Glyph::Left, 3,
                     QStringLiteral("Align the track lines on the back insert to the left"));
    BitBtn1 = button(Panel1, "BitBtn1", QStringLiteral("Center"), Glyph::Center, 4,
                     QStringLiteral("Centre the track lines on the back insert"));
    BitBtn5 =
        button(Panel1, "BitBtn5", QStringLiteral("Image"), Glyph::Image, 5,
               QStringLiteral("Put a picture on the insert whose page is shown, back or front"));
    button4 = button(Panel1, "button4", QStringLiteral("Print"), Glyph::Print, 6,
                     QStringLiteral("Print both inserts on one page at their real size"));
    BitBtn3 = button(Panel1, "BitBtn3", QStringLiteral("Close"), Glyph::Close, 7,
                     QStringLiteral("Close Plattera"));
    BitBtn6 =
        button(this, "BitBtn6", QStringLiteral("New Cover"), Glyph::NewCover, 0,
               QStringLiteral("Start again with an empty cover: no texts, tracks or pictures"));
    BitBtn4 = button(this, "BitBtn4", QStringLiteral("About"), Glyph::About, 8,
                     QStringLiteral("Show the program's name and version"));
    Button1->setEnabled(false);
    BitBtn2->setEnabled(false);
    BitBtn1->setEnabled(false);

    // Notebook with the sheets at their own size; the spines lie over the panel's edge columns.
    TabbedNotebook1 = place(new QTabWidget(this), "TabbedNotebook1", 8, 64, 529, 452);
    TabbedNotebook1->tabBar()->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    TabbedNotebook1->setAccessibleName(QStringLiteral("Cover"));
    auto* backPage = new QWidget;
    backPage->setObjectName(QStringLiteral("Back"));
    backPage->setAccessibleName(QStringLiteral("Back"));
    auto* frontPage = new QWidget;
    frontPage->setObjectName(QStringLiteral("Front"));
    frontPage->setAccessibleName(QStringLiteral("Front"));
    Image1 = place(new SheetView(m_sheets.Image1, backPage), "Image1", 60, 18, 400, 353);
    Image2 = place(new SheetView(m_sheets.Image2, backPage), "Image2", 39, 18, 22, 353);
    Image3 = place(new SheetView(m_sheets.Image3, backPage), "Image3", 459, 18, 22, 353);
    Image4 = place(new SheetView(m_sheets.Image4, frontPage), "Image4", 80, 18, 361, 353);
    Image1->setAccessibleName(QStringLiteral("Back insert"));
    Image2->setAccessibleName(QStringLiteral("Left spine"));
    Image3->setAccessibleName(QStringLiteral("Right spine"));
    Image4->setAccessibleName(QStringLiteral("Front insert"));
    Image2->raise();
    Image3->raise();
    for (SheetView* view : {Image1, Image2, Image3, Image4}) {
        view->setAcceptDrops(true);
        view->installEventFilter(this);
    }
    TabbedNotebook1->addTab(backPage, QStringLiteral("Back"));
    TabbedNotebook1->addTab(frontPage, QStringLiteral("Front"));
    TabbedNotebook1->setCurrentIndex(0);

    // Outlines.
    GroupBox1 =
        place(new QGroupBox(QStringLiteral("Outlines"), this), "GroupBox1", 576, 78, 161, 171);
    CheckBox1 = place(new QCheckBox(QStringLiteral("Vertical lines"), GroupBox1), "CheckBox1", 32,
                      32, 97, 17);
    CheckBox2 =
        place(new QCheckBox(QStringLiteral("Back"), GroupBox1), "CheckBox2", 32, 56, 97, 17);
    CheckBox3 =
        place(new QCheckBox(QStringLiteral("Front"), GroupBox1), "CheckBox3", 32, 80, 97, 17);
    Button2 =
        place(new QPushButton(QStringLiteral("Color"), GroupBox1), "Button2", 43, 104, 75, 25);
    Button2->setToolTip(QStringLiteral("Choose the colour of the outlines"));
    Panel2 =
        place(new ColourSwatch(
                  QStringLiteral("The colour of the outlines, which \"Color\" changes"), GroupBox1),
              "Panel2", 64, 136, 33, 25);
    Panel2->setAccessibleName(QStringLiteral("Outline colour"));
    CheckBox1->setChecked(true);
    CheckBox2->setChecked(true);
    CheckBox3->setChecked(true);

    // Other options.
    GroupBox2 = place(new QGroupBox(QStringLiteral("Other options"), this), "GroupBox2", 576, 266,
                      161, 175);
    CheckBox4 = place(new QCheckBox(QStringLiteral("No text on front cover"), GroupBox2),
                      "CheckBox4", 15, 24, 130, 17);
    CheckBox6 = place(new QCheckBox(QStringLiteral("Extend back picture"), GroupBox2), "CheckBox6",
                      16, 56, 121, 17);
    Label2 = place(new QLabel(QStringLiteral("over side flips"), GroupBox2), "Label2", 34, 72);
    CheckBox6->setChecked(true);

    // The link.
    Label1 = place(new QLabel(QStringLiteral("Looking for CD covers?"), this), "Label1", 576, 464);
    Label4 = new LinkLabel(kCoverImagesUrl, this);
    Label4->setToolTip(QStringLiteral("Open this web page of CD cover images in the browser"));
    Label4->setFont(pixelFont(QStringLiteral("Arial"), 11));
    QPalette linkPalette = Label4->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Label4->setPalette(linkPalette);
    place(Label4, "Label4", 576, 480);
    Label4->setMouseTracking(true);
    Label4->installEventFilter(this);

    QWidget::setTabOrder(Button1, BitBtn1);
    QWidget::setTabOrder(BitBtn1, BitBtn2);
    QWidget::setTabOrder(BitBtn2, button4);
    QWidget::setTabOrder(button4, button3);
    QWidget::setTabOrder(button3, BitBtn3);
    QWidget::setTabOrder(BitBtn3, BitBtn5);
    QWidget::setTabOrder(BitBtn5, BitBtn4);
    QWidget::setTabOrder(BitBtn4, BitBtn6);

    auto onClick = [this](QAbstractButton* control, void (TForm1::*handler)()) {
        connect(control, &QAbstractButton::clicked, this,
                [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
    };
    onClick(BitBtn6, &TForm1::BitBtn6Click);
    onClick(button3, &TForm1::button3Click);
    onClick(Button1, &TForm1::Button1Click);
    onClick(BitBtn2, &TForm1::BitBtn2Click);
    onClick(BitBtn1, &TForm1::BitBtn1Click);
    onClick(BitBtn5, &TForm1::BitBtn5Click);
    onClick(button4, &TForm1::button4Click);
    onClick(BitBtn3, &TForm1::BitBtn3Click);
    onClick(BitBtn4, &TForm1::BitBtn4Click);
    onClick(Button2, &TForm1::Button2Click);
    // `clicked` comes only from the user; program changes go through checkFromProgram.
    onClick(CheckBox1, &TForm1::CheckBox1Click);
    onClick(CheckBox2, &TForm1::CheckBox2Click);
    onClick(CheckBox3, &TForm1::CheckBox3Click);
    onClick(CheckBox4, &TForm1::CheckBox4Click);
    onClick(CheckBox6, &TForm1::CheckBox6Click);
    connect(Label4, &LinkLabel::activated, this, [this] { runCommand([this] { Label4Click(); }); });
}

void TForm1::attachWindows(TForm2* trackEditor, TForm3* about)
{
    m_form2 = trackEditor;
    m_form3 = about;
    auto screen = [this] { return m_platform.screenSize(); };
    if (m_form2) {
        m_form2->setWindowIcon(plattera::windowIcon());
        m_form2->readMainInputs = [this] { return inputs(); };
        m_form2->runCommand = [this](const std::function<void()>& command) { runCommand(command); };
        m_form2->screenSize = screen;
        m_form2->showMessage = [this](const QString& text) {
            m_platform.showError(m_form2, kApplicationTitle, text);
        };
    }
    if (m_form3)
        m_form3->screenSize = screen;
}

CoverInputs TForm1::inputs() const
{
    CoverInputs in;
    in.verticalLines = CheckBox1->isChecked();
    in.backOutline = CheckBox2->isChecked();
    in.frontOutline = CheckBox3->isChecked();
    in.noFrontText = CheckBox4->isChecked();
    in.extendBackPicture = CheckBox6->isChecked();
    in.page = TabbedNotebook1->currentIndex() == 1 ? NotebookPage::Front : NotebookPage::Back;
    if (m_form2) {
        in.artist = m_form2->artist();
        in.title = m_form2->title();
        in.tracks = m_form2->trackLines();
    }
    return in;
}

void TForm1::runCommand(const std::function<void()>& command)
{
    runGuarded(m_platform, this, command);
    releaseUnusedPictures();
    // Whatever was drawn before a failure stays drawn, so the views follow the sheets either way.
    refreshSheets();
}

void TForm1::releaseUnusedPictures()
{
    // A bitmap whose flag is down is never drawn again before it is loaded anew.
    QStringList inUse;
    if (m_state.HasBackPicture)
        inUse << m_state.BackPictureFile;
    else
        m_state.BackPicture.reset();
    if (m_state.HasFrontPicture)
        inUse << m_state.FrontPictureFile;
    else
        m_state.FrontPicture.reset();
    if (m_state.Pictures)
        m_state.Pictures->keepOnly(inUse);
}

void TForm1::refreshSheets()
{
    for (SheetView* view : {Image1, Image2, Image3, Image4})
        view->update();
    const CoverInputs shown = inputs();
    Image1->setAccessibleDescription(sheetDescription(SheetPart::BackInsert, m_state, shown));
    Image2->setAccessibleDescription(sheetDescription(SheetPart::LeftSpine, m_state, shown));
    Image3->setAccessibleDescription(sheetDescription(SheetPart::RightSpine, m_state, shown));
    Image4->setAccessibleDescription(sheetDescription(SheetPart::FrontInsert, m_state, shown));
}

void TForm1::FormCreate()
{
    const PictureDialogSetup dialog = PictureDialogSettings();
    OpenPictureDialog1DefaultExt = dialog.defaultExtension;
    OpenPictureDialog1Filter = dialog.filter;

    // Creates the four visible bitmaps, white; the composite is left until a picture needs it.
    fillSheets(m_sheets.visible());

    runCheckedOutlineHandlers();
    setPanel2Colour(ColorDialog1Colour);
    m_state.CentredMode = false;
    refreshSheets();
}

void TForm1::FormShow()
{
    const int height = scaledSize(TabbedNotebook1->height() + Panel1->height() + 8, 1.055);
    const int width = scaledSize(Panel1->width(), 1.013);
    setOuterSize(this, QSize(width, height));

    // Small screens: the whole screen, sized rather than maximised.
    const QSize screen = m_platform.screenSize();
    if (screen.width() > 800)
        return;
    move(0, 0);
    setOuterSize(this, screen);
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window coming back from the task bar is not being shown anew.
    if (event->spontaneous())
        return;
    showWindow(
        this, m_shownOnce, [this] { FormShow(); }, m_platform.screenSize());
}

void TForm1::mouseMoveEvent(QMouseEvent* event)
{
    // Moves over a control propagate here too; only the bare surface resets the pointer.
    if (!childAt(event->position().toPoint()))
        setApplicationPointer(PointerShape::Default);
    QWidget::mouseMoveEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (auto* view = qobject_cast<SheetView*>(watched); view && takePictureDrag(view, event))
        return true;
    if (watched == Label4 && event->type() == QEvent::MouseMove)
        setApplicationPointer(PointerShape::Hand);
    return QWidget::eventFilter(watched, event);
}

void TForm1::setPanel2Colour(Colour colour)
{
    Panel2->setColour(toQColor(colour));
}

void TForm1::checkFromProgram(QCheckBox* box, void (TForm1::*handler)())
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
