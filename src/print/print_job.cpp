// The print job around the page: started, drawn, ended, and checked, because neither of Qt's
// print engines reports what goes wrong after the start. A PDF file is checked by pdf_file.cpp,
// a job to a queue by the scheduler's answer in print_queue.cpp.
#include "print/print_job.h"

#include <QPainter>
#include <QPrinter>

#include "model/errors.h"
#include "print/page_canvas.h"
#include "print/pdf_file.h"
#include "print/print_cover.h"
#include "print/print_settings.h"

namespace plattera {

void paintJob(QPrinter& printer, const std::function<void(PageCanvas&)>& draw,
              PdfPictures* heldBack)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw CommandError(QStringLiteral("Printing could not start"));
    try {
        PageCanvas canvas(painter);
        canvas.holdBackLosslessPictures(heldBack);
        draw(canvas);
    } catch (...) {
        printer.abort();
        painter.end();
        throw;
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw CommandError(QStringLiteral("Printing failed"));
}

PrintOutcome runPrintJob(QPrinter& printer, const std::function<void(PageCanvas&)>& draw)
{
    if (const std::optional<QString> tooSmall = pageTooSmallForCover(printer.pageLayout()))
        throw CommandError(*tooSmall);
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        printToFile(printer, draw);
        return {};
    }
    paintJob(printer, draw);
    if (printer.outputFormat() != QPrinter::NativeFormat)
        return {};
    return checkSchedulerAnswer(printer.printerName());
}

PrintOutcome printCoverJob(QPrinter& printer, const EditorState& state, const CoverInputs& inputs)
{
    return runPrintJob(printer, [&](PageCanvas& canvas) { printCover(canvas, state, inputs); });
}

} // namespace plattera
