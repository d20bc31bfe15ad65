// Print: both inserts on one page at their physical size.
#include <QDir>
#include <QPrinter>

#include "app/command_runner.h"
#include "app/main_window.h"
#include "print/print_cover.h"
#include "print/print_job.h"

namespace plattera {

void MainWindow::onPrint()
{
    // The page shows the texts the last layout drew, whatever the track editor holds now.
    const CoverInputs in = inputs();

    // The page's canvas exists only for the job, and the job starts with a clear brush: rectangles
    // are outlines and texts have no background box.
    QPrinter printer(QPrinter::HighResolution);
    if (!m_platform.setUpPrinter(this, printer))
        return;
    // Named after the dialog: Qt's dialog would otherwise offer the name, cut at its first dot,
    // as the PDF file's default name.
    printer.setDocName(
        printJobName(kApplicationTitle, m_state.shownTexts.artist, m_state.shownTexts.title));
    printCoverJob(printer, m_state, in);
    // Without any printer the dialog offers only a PDF file, and it is easy to miss that the
    // cover went to one.
    if (printer.outputFormat() == QPrinter::PdfFormat && !m_platform.anyPrinter())
        m_platform.showInformation(
            this, kApplicationTitle,
            QStringLiteral("No printer was found; the cover was saved as a PDF file: %1")
                .arg(QDir::toNativeSeparators(printer.outputFileName())));
}

} // namespace plattera
