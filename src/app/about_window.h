#pragma once

#include "app/fixed_dialog.h"

class QFrame;
class QLabel;
class QPushButton;

namespace plattera {

// The About window: the program's name and version on one panel.
class AboutWindow : public FixedDialog {
    Q_OBJECT
public:
    explicit AboutWindow(std::function<QSize()> screenSize = {}, QWidget* parent = nullptr);

    void onShow() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Controls; each carries its classic component name as its objectName.
    QFrame* m_panel = nullptr;
    QLabel* m_nameLabel = nullptr;
    QLabel* m_versionLabel = nullptr;
    QFrame* m_upperRule = nullptr;
    QFrame* m_lowerRule = nullptr;
    QPushButton* m_closeButton = nullptr;
};

} // namespace plattera
