#pragma once

#include <functional>

#include <QDialog>
#include <QSize>

namespace plattera {

// What the track editor and the About window share: they size themselves in their show
// handler, are centred on the screen at their first showing only (not over the main window at
// every showing, as QDialog would), and Escape does not close them: only their own button
// and the close box do. Shown modally, they must never be out of sight while the main window
// waits for them: they have no minimise button, and come back at once if the desktop minimises
// them all the same (bringModalWindowBack).
class FixedDialog : public QDialog {
    Q_OBJECT
public:
    // `screenSize` gives the screen to centre on at the first showing; an empty size leaves
    // the position to the window system.
    explicit FixedDialog(std::function<QSize()> screenSize, QWidget* parent = nullptr);

    // The show handler: sizes the window for what it shows.
    virtual void onShow() = 0;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::function<QSize()> m_screenSize;
    bool m_shownOnce = false;
};

// The modal window the user has to answer first, if one is up: restored if it was minimised,
// raised and given the focus. A click on a window that waits for it lands here.
void bringModalWindowBack();

} // namespace plattera
