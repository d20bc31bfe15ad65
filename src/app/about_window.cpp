#include "app/about_window.h"

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

AboutWindow::AboutWindow(std::function<QSize()> screenSize, QWidget* parent)
    : FixedDialog(std::move(screenSize), parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(kApplicationTitle + QStringLiteral(" - About"));
    setWindowIcon(plattera::windowIcon());
    setFont(pixelFont(kDialogFace, 11));
    resize(410, 471);
    setMouseTracking(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(0, 0, 401, 369);
    panel->setMouseTracking(true);
    panel->installEventFilter(this);
    panel->setAccessibleName(QStringLiteral("About Plattera"));
    m_panel = panel;

    m_nameLabel = makeLabel(m_panel, "Label1", QStringLiteral("Plattera"),
                            pixelFont(kWindowFace, 19), QColor(0, 128, 128));
    m_nameLabel->move(kPanelMiddle - m_nameLabel->width() / 2, 16);
    m_versionLabel = makeLabel(m_panel, "Label5", QStringLiteral("Version " PLATTERA_VERSION),
                               pixelFont(kWindowFace, 11), palette().color(QPalette::WindowText));
    m_versionLabel->move(174, 40);
    m_upperRule = makeRule(m_panel, "Bevel2", 20, 128);
    m_lowerRule = makeRule(m_panel, "Bevel1", 20, 256);

    m_closeButton = new QPushButton(QStringLiteral("Close"), m_panel);
    m_closeButton->setObjectName(QStringLiteral("Button1"));
    m_closeButton->setGeometry(163, 328, 75, 25);
    m_closeButton->setToolTip(QStringLiteral("Close this window"));
    m_closeButton->setAutoDefault(false);
    pressOnEnter(m_closeButton);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutWindow::onShow()
{
    const int height = scaledSize(m_panel->height(), 1.075);
    const int width = scaledSize(m_panel->width(), 1.019);
    setOuterSize(this, QSize(width, height));
}

void AboutWindow::mouseMoveEvent(QMouseEvent* event)
{
    setApplicationPointer(PointerShape::Default);
    QDialog::mouseMoveEvent(event);
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel && event->type() == QEvent::MouseMove)
        setApplicationPointer(PointerShape::Default);
    return QDialog::eventFilter(watched, event);
}

} // namespace plattera
