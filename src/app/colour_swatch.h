#pragma once

#include <QColor>
#include <QFrame>

namespace plattera {

// A raised panel filled with one colour. Its tooltip names the colour and what it is for, so
// that a screen reader can say it too.
class ColourSwatch : public QFrame {
    Q_OBJECT
public:
    ColourSwatch(const QString& purpose, QWidget* parent = nullptr);

    void setColour(const QColor& colour);
    QColor colour() const { return palette().color(QPalette::Window); }

private:
    QString m_purpose;
};

} // namespace plattera
