#pragma once

#include <optional>

#include <QDialog>

#include "app/platform.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QListWidget;

namespace plattera {

// The font dialog of "Font type/color": scalable faces only, style and size, and an effects
// group with underline, strikeout and a colour. Qt's own font dialog has no colour choice.
class FontDialog : public QDialog {
    Q_OBJECT
public:
    FontDialog(const FontChoice& initial, QWidget* parent = nullptr);

    // What the controls hold now. A colour the user did not touch comes back as it came in.
    FontChoice choice() const;

    // The faces offered: every family the font database can scale smoothly.
    static QStringList scalableFamilies();

    QListWidget* faceList() const { return m_faces; }
    QListWidget* styleList() const { return m_styles; }
    QListWidget* sizeList() const { return m_sizes; }
    QCheckBox* underlineBox() const { return m_underline; }
    QCheckBox* strikeOutBox() const { return m_strikeOut; }
    QComboBox* colourBox() const { return m_colours; }

    // Selects the colour in the colour box, adding it when it is none of the named ones.
    void selectColour(Colour colour);

private:
    static QLabel* labelFor(const QString& text, QWidget* control, QWidget* parent);
    QGridLayout* buildLists();
    QGroupBox* buildEffects();
    // The font the dialog starts from: its face when it is offered (the list may spell it
    // differently), else the face the system draws for it; then its style, size, effects and
    // colour.
    void showStartingFont();
    void connectControls();
    void fillStyles();
    void updateSample();
    int pointsFromPixels(int pixels) const;
    int pixelsFromPoints(int points) const;

    QListWidget* m_faces = nullptr;
    QListWidget* m_styles = nullptr;
    QListWidget* m_sizes = nullptr;
    QCheckBox* m_underline = nullptr;
    QCheckBox* m_strikeOut = nullptr;
    QComboBox* m_colours = nullptr;
    QLabel* m_sample = nullptr;
    FontChoice m_initial;
    // The colour last picked in the colour box, which "Other..." starts from.
    Colour m_pickedColour = 0;
    // Whether the face comes from the list: false while the starting face, not offered under
    // its own name, has not been replaced by the user's pick.
    bool m_faceTaken = false;
    // The family the style list was filled for, and the weight and slant last shown in it.
    QString m_stylesFamily;
    bool m_previousBold = false;
    bool m_previousItalic = false;
};

// Shows the font dialog modally, starting from `initial`; the choice, or nothing on cancel.
std::optional<FontChoice> runFontDialog(QWidget* parent, const FontChoice& initial);

} // namespace plattera
