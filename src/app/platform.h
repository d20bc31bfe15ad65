#pragma once

#include <functional>
#include <optional>

#include <QSize>
#include <QString>

#include "app/window_geometry.h"
#include "model/colour.h"
#include "pictures/picture_formats.h"

class QDialog;
class QPrinter;
class QWidget;

namespace plattera {

// What the font dialog hands back; the cover takes only the face and the colour.
struct FontChoice {
    QString face = kWindowFace;
    int pixelHeight = 11;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    Colour colour = 0;
};

struct PictureDialogRequest {
    FileTypeFilters filters;  // "All" first, then one type per format
    QString defaultExtension; // added to a typed name without one
    QString initialFile;      // the file last chosen, whichever page it was for
};

// Everything the program takes from the operating system. The program uses QtPlatform; tests
// install a scripted one so that nothing ever waits on a modal dialog or a real screen.
class Platform {
public:
    virtual ~Platform() = default;

    // The full path chosen, or nothing when the user cancels.
    virtual std::optional<QString> choosePictureFile(QWidget* parent,
                                                     const PictureDialogRequest& request) = 0;
    // Starts from `initial` (the font last confirmed); nothing on cancel.
    virtual std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial) = 0;
    // Starts from `initial` (the colour last chosen); nothing on cancel.
    virtual std::optional<Colour> chooseColour(QWidget* parent, Colour initial) = 0;
    // Lets the user choose and set up the printer; false on cancel. Print to File proposes
    // `fileName` (a name without its folder).
    virtual bool setUpPrinter(QWidget* parent, QPrinter& printer, const QString& fileName) = 0;
    // Whether the printing system knows any printer; without one the print dialog offers only
    // a PDF file.
    virtual bool anyPrinter() const = 0;
    // The error box: error icon, the caption, the text, shown as plain text whatever it holds
    // (a file name may look like markup). Details, when there are any, are behind a button.
    virtual void showError(QWidget* parent, const QString& caption, const QString& text,
                           const QString& details) = 0;
    // The same box with the information icon, for what the user should know but is no failure.
    virtual void showInformation(QWidget* parent, const QString& caption, const QString& text) = 0;
    // Opens a web address in the user's browser; the result is not checked.
    virtual void openUrl(const QString& url) = 0;
    // Shows a window modally and returns when it closes.
    virtual void runModal(QDialog& dialog) = 0;
    virtual QSize screenSize() const = 0;
    virtual int logicalDpiY() const = 0;
};

} // namespace plattera
