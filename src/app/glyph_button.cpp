#include "app/glyph_button.h"

#include <QFontMetrics>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace plattera {

GlyphButton::GlyphButton(const QString& caption, const QImage& glyph, const QImage& greyedGlyph,
                         QWidget* parent)
    : QPushButton(caption, parent)
{
    setGlyphs(glyph, greyedGlyph);
    setFixedSize(kWidth, kHeight);
}

void GlyphButton::setGlyphs(const QImage& normal, const QImage& disabled)
{
    m_glyph = normal;
    m_disabledGlyph = disabled;
    update();
}

// The caption line and the glyph form one block, centred in the button.
QRect GlyphButton::captionRect() const
{
    const QFontMetrics metrics(font());
    const int blockHeight = metrics.height() + kSpacing + m_glyph.height();
    const int top = (height() - blockHeight) / 2;
    return QRect(0, top, width(), metrics.height());
}

QRect GlyphButton::glyphRect() const
{
    const QRect caption = captionRect();
    const int top = caption.bottom() + 1 + kSpacing;
    const int left = (width() - m_glyph.width()) / 2;
    return QRect(left, top, m_glyph.width(), m_glyph.height());
}

void GlyphButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    // A pressed button's face moves down and right by one pixel.
    const QPoint shift = isDown() || isChecked() ? QPoint(1, 1) : QPoint(0, 0);
    painter.drawItemText(captionRect().translated(shift),
                         Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(),
                         isEnabled(), text(), QPalette::ButtonText);
    painter.drawImage(glyphRect().topLeft() + shift, shownGlyph());
}

} // namespace plattera
