#pragma once

#include <QLabel>

namespace plattera {

// A label that works as a link: a left click released over it, Enter or Space while it has
// the focus (it takes the focus by Tab only), or a screen reader's press activates it.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& text, QWidget* parent = nullptr);

    void activate() { emit activated(); }

signals:
    void activated();

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace plattera
