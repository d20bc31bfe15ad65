#include "app/print_command.h"

#include <memory>

#include <QDir>
#include <QPrinter>
#include <QTimer>

#include "app/command_runner.h"
#include "app/platform.h"
#include "app/track_editor.h"
#include "print/print_cover.h"
#include "print/print_job.h"
#include "print/print_settings.h"

namespace plattera {

namespace {

// A queue takes a job before its printer has seen it; a printer that cannot print it says so
// within moments (a backend that fails, a driverless printer that cancels it).
constexpr int kJobLookMs = 500;
constexpr int kJobLooks = 12;

// Looks at the job in the event loop for a few seconds, so the window stays free, and tells
// the user once if it fails.
void watchJob(Platform& platform, QWidget* parent, const QueuedJob& job)
{
    auto* timer = new QTimer(parent);
    timer->setInterval(kJobLookMs);
    auto looks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [&platform, parent, job, timer, looks] {
        const JobWatch watch = lookAtJob(job);
        if (watch.settled || ++*looks >= kJobLooks) {
            timer->stop();
            timer->deleteLater();
        }
        if (!watch.failure.isEmpty())
            platform.showError(parent, kApplicationTitle, watch.failure, QString());
    });
    timer->start();
}

// The prompts the boxes start with are printed on the cover as they are, but name nothing.
QString nameOrNothing(const QString& text)
{
    return isArtistOrTitlePrompt(text) ? QString() : text;
}

} // namespace

void runPrintCommand(Platform& platform, QWidget* parent, const EditorState& state,
                     const CoverInputs& inputs)
{
    const QString artist = nameOrNothing(state.shownTexts.artist);
    const QString title = nameOrNothing(state.shownTexts.title);
    // The page's canvas exists only for the job, and the job starts with a clear brush: rectangles
    // are outlines and texts have no background box.
    QPrinter printer(QPrinter::HighResolution);
    if (!platform.setUpPrinter(parent, printer, printFileName(kApplicationTitle, artist, title)))
        return;
    printer.setDocName(printJobName(kApplicationTitle, artist, title));
    const PrintOutcome outcome = printCoverJob(printer, state, inputs);
    if (outcome.notice)
        platform.showInformation(parent, kApplicationTitle, *outcome.notice);
    if (outcome.queued)
        watchJob(platform, parent, *outcome.queued);
    // Without any printer the dialog offers only a PDF file, and it is easy to miss that the
    // cover went to one.
    if (printer.outputFormat() == QPrinter::PdfFormat && !platform.anyPrinter())
        platform.showInformation(
            parent, kApplicationTitle,
            QStringLiteral("No printer was found; the cover was saved as a PDF file: %1")
                .arg(QDir::toNativeSeparators(printer.outputFileName())));
}

} // namespace plattera
