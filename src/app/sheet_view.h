#pragma once

#include <QWidget>

namespace plattera {

class SheetCanvas;

// Shows one cover sheet at its own pixel size. Painting copies the sheet's pixels and does
// nothing else; commands draw on the sheet and then ask for a repaint.
class SheetView : public QWidget {
    Q_OBJECT
public:
    SheetView(const SheetCanvas& sheet, QWidget* parent = nullptr);

    const SheetCanvas& sheet() const { return m_sheet; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SheetCanvas& m_sheet;
};

} // namespace plattera
