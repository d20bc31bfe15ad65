#pragma once

#include <functional>

#include <QDialog>
#include <QSize>

namespace plattera {

// What the track editor and the About window share: they size themselves in their show
// handler, are centred on the screen at their first showing only (not over the main window at
// every showing, as QDialog would), and Escape does not close them: only their own button
// and the close box do.
class FixedDialog : public QDialog {
    Q_OBJECT
public:
    explicit FixedDialog(QWidget* parent = nullptr) : QDialog(parent) { }

    // The show handler: sizes the window for what it shows.
    virtual void onShow() = 0;

    // The screen size for centring at the first showing; set by the main window.
    std::function<QSize()> screenSize;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_shownOnce = false;
};

} // namespace plattera
