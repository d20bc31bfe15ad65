#pragma once

#include <functional>

#include <QSize>
#include <QStringList>

#include "app/fixed_dialog.h"
#include "model/cover_inputs.h"
#include "model/editor_state.h"
#include "model/sheets.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace plattera {

// The track editor: artist, title and the numbered track list. Created once, hidden, and
// shown modally by "Edit Tracks"; its controls are the store of the texts.
class TForm2 : public FixedDialog {
    Q_OBJECT
public:
    TForm2(EditorState& state, Sheets& sheets, QWidget* parent = nullptr);

    // Set by the main window: the state of its check boxes and page, and the wrapper that runs
    // a command and shows its failure in the error box.
    std::function<CoverInputs()> readMainInputs;
    std::function<void(const std::function<void()>&)> runCommand;

    // The artist, title and track lines as they stand now.
    QString artist() const;
    QString title() const;
    QStringList trackLines() const;

    // The reset of New Cover: empty list, no selection, the New Cover prompts.
    void resetForNewCover();

    void Button3Click();          // Insert
    void Edit1KeyDown(int key);   // Enter inserts
    void ListBox1Click();         // copies the selected line into Edit1
    void FormActivate();
    void FormShow() override;
    void Button1Click();          // Continue

    QPushButton* Button1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label4 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button3 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Edit2 = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EditorState& m_state;
    Sheets& m_sheets;
};

} // namespace plattera
