#include "app/print_dialog_memory.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace plattera {

bool PrintDialogMemory::exec(QWidget* parent, QPrinter& printer, const QString& fileName)
{
    // The dialog fills its file box from the printer's output file, which also switches the
    // printer to a PDF file; it lists the printer's own queue first, or the default.
    const QString proposed =
        QDir(m_folder.isEmpty() ? QDir::homePath() : m_folder).filePath(fileName);
    printer.setOutputFileName(proposed);
    if (!m_printer.isEmpty() && QPrinterInfo::availablePrinterNames().contains(m_printer))
        printer.setPrinterName(m_printer);
    else if (!QPrinterInfo::defaultPrinterName().isEmpty())
        printer.setPrinterName(QPrinterInfo::defaultPrinterName());
    QPrintDialog dialog(&printer, parent);
    // Building the dialog chose that queue; it opens on Print to File for a PDF printer.
    if (m_toFile)
        printer.setOutputFileName(proposed);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    if (printer.outputFormat() == QPrinter::PdfFormat) {
        m_toFile = true;
        m_folder = QFileInfo(printer.outputFileName()).absolutePath();
        return true;
    }
    m_toFile = false;
    m_printer = printer.printerName();
    printer.setOutputFileName(QString());
    return true;
}

} // namespace plattera
