#pragma once

#include <optional>

#include <QString>

namespace plattera {

// A job a print queue took: the queue and the job's number there.
struct QueuedJob {
    QString printer;
    int id = 0;
};

// What became of a job once it was handed over.
struct PrintOutcome {
    std::optional<QString> notice;   // what the user should know (a paused queue holds it)
    std::optional<QueuedJob> queued; // the job in its queue, to be watched while it prints
};

// The CUPS engine submits the job at the end and ignores the answer; the answer stays with the
// thread that asked, so it can be read here. A paused queue holds the job in silence, so the
// user is told rather than left waiting at the printer.
PrintOutcome checkSchedulerAnswer(const QString& printerName);

// How a watched job stands a few moments after it was handed to its queue.
struct JobWatch {
    bool settled = false; // printed, gone, or failed: no need to look again
    QString failure;      // set when the user must be told the cover did not print
};

// Asks the scheduler how the job and its queue stand now.
JobWatch lookAtJob(const QueuedJob& job);

} // namespace plattera
