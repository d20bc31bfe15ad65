#pragma once

#include <functional>

#include <QClipboard>
#include <QLineEdit>

class QMimeData;

namespace plattera {

// A line edit that first offers every paste (keys, the X selection's middle click, the context
// menu) to its owner, which may take the text in its own way.
class TrackLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

    // Given what is about to be pasted; true when the owner took it and the edit stays as it is.
    std::function<bool(const QMimeData&)> takePaste;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool offer(QClipboard::Mode mode);
};

} // namespace plattera
