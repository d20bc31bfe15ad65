#pragma once

#include <QImage>
#include <QPushButton>

namespace plattera {

// A command button of the toolbar: the caption above a small glyph, both centred. While
// disabled it shows its greyed glyph.
class GlyphButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr int kWidth = 81;
    static constexpr int kHeight = 57;
    // Room between the caption and the glyph.
    static constexpr int kSpacing = 4;

    GlyphButton(const QString& caption, const QImage& glyph, const QImage& greyedGlyph,
                QWidget* parent = nullptr);

    void setGlyphs(const QImage& normal, const QImage& disabled);
    const QImage& glyph() const { return m_glyph; }
    const QImage& disabledGlyph() const { return m_disabledGlyph; }
    // The glyph the button shows in its present state.
    const QImage& shownGlyph() const { return isEnabled() ? m_glyph : m_disabledGlyph; }

    // Where the caption and the glyph go inside the button.
    QRect captionRect() const;
    QRect glyphRect() const;

    QSize sizeHint() const override { return {kWidth, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_glyph;
    QImage m_disabledGlyph;
};

} // namespace plattera
