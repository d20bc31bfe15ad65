// Print: both inserts on one page at their physical size.
#include <QPrinter>

#include "app/tform1.h"
#include "print/print_cover.h"

namespace plattera {

void TForm1::button4Click()
{
    // The page shows the texts the last layout drew, whatever the track editor holds now.
    const CoverInputs in = inputs();

    // The page's canvas exists only for the job, and the job starts with a clear brush: rectangles
    // are outlines and texts have no background box.
    QPrinter printer(QPrinter::HighResolution);
    if (!m_platform.setUpPrinter(this, printer))
        return;
    PrintCoverJob(printer, m_state, in);
}

} // namespace plattera
