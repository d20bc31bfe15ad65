#include "app/print_command.h"

#include <QDir>
#include <QPrinter>

#include "app/command_runner.h"
#include "app/platform.h"
#include "print/print_cover.h"
#include "print/print_job.h"

namespace plattera {

void runPrintCommand(Platform& platform, QWidget* parent, const EditorState& state,
                     const CoverInputs& inputs)
{
    // The page's canvas exists only for the job, and the job starts with a clear brush: rectangles
    // are outlines and texts have no background box.
    QPrinter printer(QPrinter::HighResolution);
    if (!platform.setUpPrinter(
            parent, printer,
            printFileName(kApplicationTitle, state.shownTexts.artist, state.shownTexts.title)))
        return;
    printer.setDocName(
        printJobName(kApplicationTitle, state.shownTexts.artist, state.shownTexts.title));
    if (const std::optional<QString> notice = printCoverJob(printer, state, inputs))
        platform.showInformation(parent, kApplicationTitle, *notice);
    // Without any printer the dialog offers only a PDF file, and it is easy to miss that the
    // cover went to one.
    if (printer.outputFormat() == QPrinter::PdfFormat && !platform.anyPrinter())
        platform.showInformation(
            parent, kApplicationTitle,
            QStringLiteral("No printer was found; the cover was saved as a PDF file: %1")
                .arg(QDir::toNativeSeparators(printer.outputFileName())));
}

} // namespace plattera
