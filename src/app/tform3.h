#pragma once

#include <functional>

#include <QDialog>
#include <QSize>

class QFrame;
class QLabel;
class QPushButton;

namespace plattera {

// The About window: the program's name and version on one panel.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    void FormShow();

    // The screen size for centring at the first showing; set by the main window.
    std::function<QSize()> screenSize;

    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label5 = nullptr;
    QFrame* Bevel2 = nullptr;
    QFrame* Bevel1 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_shownOnce = false;
};

} // namespace plattera
