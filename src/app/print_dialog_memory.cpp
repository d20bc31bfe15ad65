#include "app/print_dialog_memory.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>

#include "print/print_job.h"

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
    // The cover is one page: a range could only print it or nothing. Qt shows the range again
    // for a print queue, each time the dialog is shown, so it is hidden once the dialog is up.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    QTimer::singleShot(0, &dialog, [&dialog] {
        if (auto* range = dialog.findChild<QWidget*>(QStringLiteral("gbPrintRange")))
            range->hide();
    });
    // Building the dialog chose that queue; it opens on Print to File for a PDF printer.
    if (m_toFile)
        printer.setOutputFileName(proposed);
    // Qt sets the page to the printer's default when its properties are built, whatever the
    // printer held, so the page is only known to be the user's choice once they have been shown.
    bool pageShown = false;
    if (auto* properties = dialog.findChild<QPushButton*>(QStringLiteral("properties")))
        QObject::connect(properties, &QPushButton::clicked, &dialog,
                         [&pageShown] { pageShown = true; });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (!pageShown)
        preferPageForCover(printer);

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
