#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include <QSize>
#include <QString>

#include "app/platform.h"

class QDialog;

// A platform that answers from queues set up by the test and records what was asked.
// An empty queue answers as a cancelled dialog, so nothing ever waits for a person.
class ScriptedPlatform : public plattera::Platform {
public:
    struct ShownError {
        QString caption;
        QString text;
        QString details;
    };

    // Dialog answers, taken front first; std::nullopt means the user cancelled.
    std::deque<std::optional<QString>> pictureAnswers;
    std::deque<std::optional<plattera::FontChoice>> fontAnswers;
    std::deque<std::optional<plattera::Colour>> colourAnswers;
    // The PDF file a confirmed print dialog prints to; std::nullopt cancels.
    std::deque<std::optional<QString>> printAnswers;
    // Run once after the next confirmed print dialog, before the job starts.
    std::function<void()> afterPrintDialog;
    // Run while a modal window is shown; it is closed afterwards if still open.
    std::deque<std::function<void(QDialog&)>> modalScripts;

    // What was asked.
    std::vector<plattera::PictureDialogRequest> pictureRequests;
    std::vector<plattera::FontChoice> fontRequests;
    std::vector<plattera::Colour> colourRequests;
    int printRequests = 0;
    QString proposedFile; // the file name the last print dialog proposed
    // Whether the printing system knows a printer (a confirmed dialog still prints to the file).
    bool printers = true;
    std::vector<ShownError> errors;
    std::vector<ShownError> notices;
    std::vector<QString> openedUrls;
    std::vector<QDialog*> modalWindows;

    QSize screen {1024, 768};
    int dpi = 96;

    std::optional<QString>
    choosePictureFile(QWidget* parent, const plattera::PictureDialogRequest& request) override;
    std::optional<plattera::FontChoice> chooseFont(QWidget* parent,
                                                   const plattera::FontChoice& initial) override;
    std::optional<plattera::Colour> chooseColour(QWidget* parent,
                                                 plattera::Colour initial) override;
    bool setUpPrinter(QWidget* parent, QPrinter& printer, const QString& fileName) override;
    bool anyPrinter() const override { return printers; }
    void showError(QWidget* parent, const QString& caption, const QString& text,
                   const QString& details) override;
    void showInformation(QWidget*, const QString& caption, const QString& text) override
    {
        notices.push_back({caption, text, QString()});
    }
    void openUrl(const QString& url) override;
    void runModal(QDialog& dialog) override;
    QSize screenSize() const override { return screen; }
    int logicalDpiY() const override { return dpi; }
};
