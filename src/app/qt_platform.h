#pragma once

#include "app/platform.h"
#include "app/print_dialog_memory.h"

namespace plattera {

// The platform as the program uses it: Qt's dialogs, message box, desktop services and screen.
class QtPlatform : public Platform {
public:
    // Needs the application object. Reads the screen's logical pixels per inch once.
    QtPlatform();

    std::optional<QString> choosePictureFile(QWidget* parent,
                                             const PictureDialogRequest& request) override;
    std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial) override;
    std::optional<Colour> chooseColour(QWidget* parent, Colour initial) override;
    // Opens where the dialog printed last in this run.
    bool setUpPrinter(QWidget* parent, QPrinter& printer, const QString& fileName) override;
    bool anyPrinter() const override;
    void showError(QWidget* parent, const QString& caption, const QString& text,
                   const QString& details) override;
    void showInformation(QWidget* parent, const QString& caption, const QString& text) override;
    void openUrl(const QString& url) override;
    void runModal(QDialog& dialog) override;
    QSize screenSize() const override;
    int logicalDpiY() const override;

private:
    int m_logicalDpiY;
    PrintDialogMemory m_printDialog;
};

// Qt's name filters for the file types, "Name (*.a *.b)": Qt reads space-separated patterns.
QStringList toQtNameFilters(const FileTypeFilters& filters);

} // namespace plattera
