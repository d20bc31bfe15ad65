#pragma once

#include "app/fixed_dialog.h"

class QFrame;
class QLabel;
class QPushButton;

namespace plattera {

// The About window: the program's name and version on one panel.
class TForm3 : public FixedDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    void FormShow() override;

    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label5 = nullptr;
    QFrame* Bevel2 = nullptr;
    QFrame* Bevel1 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

} // namespace plattera
