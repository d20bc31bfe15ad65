#pragma once

#include <functional>

#include "model/cover_inputs.h"
#include "model/editor_state.h"
#include "print/print_queue.h"

class QPrinter;

namespace plattera {

class PageCanvas;
class PdfPictures;

// One print job of one page on a printer that the dialog has set up: checks that the page
// holds the cover, starts the job, hands the page's canvas to draw, ends it. A page too small
// or a job that cannot start throws CommandError before anything is sent; when drawing throws,
// the job is aborted and closed before the error goes on. No job stays open.
PrintOutcome runPrintJob(QPrinter& printer, const std::function<void(PageCanvas&)>& draw);

// runPrintJob with printCover.
PrintOutcome printCoverJob(QPrinter& printer, const EditorState& state, const CoverInputs& inputs);

// The page painted on the printer as one job, without the checks around it; pictures kept
// pixel for pixel go to `heldBack` when one is given.
void paintJob(QPrinter& printer, const std::function<void(PageCanvas&)>& draw,
              PdfPictures* heldBack = nullptr);

} // namespace plattera
