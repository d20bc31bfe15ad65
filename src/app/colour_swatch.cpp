#include "app/colour_swatch.h"

namespace plattera {

ColourSwatch::ColourSwatch(const QString& purpose, QWidget* parent)
    : QFrame(parent), m_purpose(purpose)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
}

void ColourSwatch::setColour(const QColor& colour)
{
    QPalette shades = palette();
    shades.setColor(QPalette::Window, colour);
    setPalette(shades);
    setToolTip(QStringLiteral("%1: %2 (red %3, green %4, blue %5)")
                   .arg(m_purpose, colour.name())
                   .arg(colour.red())
                   .arg(colour.green())
                   .arg(colour.blue()));
}

} // namespace plattera
