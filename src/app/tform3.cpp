#include "app/tform3.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>

#include "app/command_runner.h"
#include "app/glyphs.h"
#include "app/pointer_shape.h"
#include "app/window_geometry.h"
#include "model/version.h"

namespace plattera {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font,
                  const QColor& colour)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->adjustSize();
    return label;
}

QFrame* makeRule(QWidget* parent, const char* name, int left, int top)
{
    auto* rule = new QFrame(parent);
    rule->setObjectName(QLatin1String(name));
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    rule->setLineWidth(1);
    rule->setGeometry(left, top, 361, 2);
    return rule;
}

constexpr int kPanelMiddle = 200;

} // namespace

TForm3::TForm3(QWidget* parent) : FixedDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(kApplicationTitle + QStringLiteral(" - About"));
    setWindowIcon(plattera::windowIcon());
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    resize(410, 471);
    setMouseTracking(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(0, 0, 401, 369);
    panel->setMouseTracking(true);
    panel->installEventFilter(this);
    panel->setAccessibleName(QStringLiteral("About Plattera"));
    Panel1 = panel;

    Label1 = makeLabel(Panel1, "Label1", QStringLiteral("Plattera"),
                       pixelFont(QStringLiteral("Arial"), 19), QColor(0, 128, 128));
    Label1->move(kPanelMiddle - Label1->width() / 2, 16);
    Label5 =
        makeLabel(Panel1, "Label5", QStringLiteral("Version " PLATTERA_VERSION),
                  pixelFont(QStringLiteral("Arial"), 11), palette().color(QPalette::WindowText));
    Label5->move(174, 40);
    Bevel2 = makeRule(Panel1, "Bevel2", 20, 128);
    Bevel1 = makeRule(Panel1, "Bevel1", 20, 256);

    Button1 = new QPushButton(QStringLiteral("Close"), Panel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(163, 328, 75, 25);
    Button1->setToolTip(QStringLiteral("Close this window"));
    Button1->setAutoDefault(false);
    pressOnEnter(Button1);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm3::FormShow()
{
    const int height = scaledSize(Panel1->height(), 1.075);
    const int width = scaledSize(Panel1->width(), 1.019);
    setOuterSize(this, QSize(width, height));
}

void TForm3::mouseMoveEvent(QMouseEvent* event)
{
    setApplicationPointer(PointerShape::Default);
    QDialog::mouseMoveEvent(event);
}

bool TForm3::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel1 && event->type() == QEvent::MouseMove)
        setApplicationPointer(PointerShape::Default);
    return QDialog::eventFilter(watched, event);
}

} // namespace plattera
