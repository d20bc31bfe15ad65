#pragma once

#include <QString>

class QPrinter;
class QWidget;

namespace plattera {

// Qt's print dialog, opened where it printed last in this run: on the printer chosen last (the
// system's default at first, or when that one has gone), or on Print to File. Print to File
// proposes the given file name in the folder printed to last (home at first). A page the user
// did not choose (the printer's default) is A4 or Letter when it could not hold the cover and
// the printer offers one of them. Kept in memory only; the program writes no settings.
class PrintDialogMemory {
public:
    // True when the user confirms; the printer is then set up as the dialog left it, and holds
    // no file name when a printer was chosen, so that the job cannot go to the proposed file.
    bool exec(QWidget* parent, QPrinter& printer, const QString& fileName);

private:
    QString m_printer; // empty until a printer is chosen
    bool m_toFile = false;
    QString m_folder; // empty until a file is chosen
};

} // namespace plattera
