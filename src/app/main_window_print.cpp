// Print: both inserts on one page at their physical size.
#include "app/print_command.h"
#include "app/main_window.h"

namespace plattera {

void MainWindow::onPrint()
{
    // The page shows the texts the last layout drew, whatever the track editor holds now.
    runPrintCommand(m_platform, this, m_state, inputs());
}

} // namespace plattera
