// What the scheduler says of a job and its queue, which Qt's CUPS engine does not look at.
#include "print/print_queue.h"

#include <algorithm>

#include <cups/cups.h>

#include <QUrl>

#include "model/errors.h"
#include "print/scheduler_library.h"

namespace plattera {

namespace {

// A failed job tells only why its last request failed, and without a scheduler that is the
// system's error for the missing socket ("No such file or directory"); asking for the
// scheduler once more tells the two apart.
bool schedulerAnswers(const SchedulerCalls& cups)
{
    http_t* http = cups.connect(cups.server(), cups.port(), nullptr, AF_UNSPEC,
                                HTTP_ENCRYPTION_IF_REQUESTED, 1, 3000, nullptr);
    if (!http)
        return false;
    cups.close(http);
    return true;
}

struct QueueState {
    bool exists = true;
    bool stopped = false;
    QString message; // the queue's own word on its state, often empty
};

QByteArray printerUri(const QString& printerName)
{
    // Qt names a queue's instance "queue/instance"; the state is the queue's.
    return "ipp://localhost/printers/" +
        QUrl::toPercentEncoding(printerName.section(QLatin1Char('/'), 0, 0));
}

// Asks the scheduler again, so it is read only after the job's own answer. The destination
// list that libcups offers leaves out the state message; a printer's attributes hold both.
QueueState queueState(const SchedulerCalls& cups, const QString& printerName)
{
    const QByteArray uri = printerUri(printerName);
    const char* const wanted[] = {"printer-state", "printer-state-message"};
    ipp_t* request = cups.newRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                   uri.constData());
    cups.addStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                    wanted);
    ipp_t* response = cups.doRequest(CUPS_HTTP_DEFAULT, request, "/"); // frees the request
    QueueState state;
    state.exists = cups.lastError() != IPP_STATUS_ERROR_NOT_FOUND;
    if (!response)
        return state;
    if (ipp_attribute_t* s = cups.findAttribute(response, "printer-state", IPP_TAG_ENUM))
        state.stopped = cups.integer(s, 0) == IPP_PSTATE_STOPPED;
    if (ipp_attribute_t* m = cups.findAttribute(response, "printer-state-message", IPP_TAG_TEXT))
        state.message = QString::fromUtf8(cups.string(m, 0, nullptr)).trimmed();
    cups.deleteMessage(response);
    return state;
}

// The CUPS engine drops the number the scheduler gives the job; the newest job of the queue
// is the one just sent.
int newestJob(const SchedulerCalls& cups, const QString& printerName)
{
    const QByteArray uri = printerUri(printerName);
    ipp_t* request = cups.newRequest(IPP_OP_GET_JOBS);
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                   uri.constData());
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                   "job-id");
    ipp_t* response = cups.doRequest(CUPS_HTTP_DEFAULT, request, "/");
    int newest = 0;
    if (!response)
        return newest;
    for (ipp_attribute_t* a = cups.firstAttribute(response); a; a = cups.nextAttribute(response))
        if (const char* name = cups.name(a); name && qstrcmp(name, "job-id") == 0)
            newest = std::max(newest, cups.integer(a, 0));
    cups.deleteMessage(response);
    return newest;
}

// A reason as the end of a sentence.
QString sentence(const QString& text)
{
    return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
}

// What a queue that does not print says to the user: CUPS's own word for a queue paused with
// no reason given is "Paused"; any other word is why it stopped, often the printer's error.
QString heldByStoppedQueue(const QString& printerName, const QString& reason)
{
    if (reason.isEmpty() || reason.compare(QLatin1String("Paused"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("The printer %1 is paused; the cover will print when it is resumed.")
            .arg(printerName);
    return QStringLiteral("The printer %1 is stopped: %2 The cover will print when it is resumed.")
        .arg(printerName, sentence(reason));
}

} // namespace

PrintOutcome checkSchedulerAnswer(const QString& printerName)
{
    const SchedulerCalls& cups = schedulerCalls();
    if (!cups.complete())
        throw CommandError(
            QStringLiteral(
                "The job went to the printer, but whether it was accepted is unknown: the "
                "printing system's library %1 could not be loaded.")
                .arg(QLatin1String(kSchedulerLibrary)));
    if (cups.lastError() <= IPP_STATUS_OK_EVENTS_COMPLETE) {
        const QueueState queue = queueState(cups, printerName);
        if (queue.stopped)
            return {heldByStoppedQueue(printerName, queue.message), std::nullopt};
        return {std::nullopt, QueuedJob {printerName, newestJob(cups, printerName)}};
    }
    // The scheduler's own text is clear enough ("... is not accepting jobs"); a missing
    // scheduler or queue is not (both say "No such file or directory").
    QString text = QString::fromLocal8Bit(cups.lastErrorString()).trimmed();
    if (!schedulerAnswers(cups))
        throw CommandError(
            QStringLiteral("The printing system is not running; the cover was not printed."));
    const QueueState queue = queueState(cups, printerName);
    if (!queue.exists)
        throw CommandError(
            QStringLiteral("The printer %1 no longer exists; the cover was not printed.")
                .arg(printerName));
    // Why the queue rejects jobs is in its state message, when whoever stopped it gave one.
    if (!queue.message.isEmpty())
        text += (text.endsWith(QLatin1Char('.')) ? QStringLiteral(" ") : QStringLiteral(". ")) +
            QStringLiteral("The printer says: ") + queue.message;
    throw CommandError(QStringLiteral("The printer did not accept the job: %1").arg(text));
}

JobWatch lookAtJob(const QueuedJob& job)
{
    const SchedulerCalls& cups = schedulerCalls();
    if (!cups.complete() || job.id <= 0)
        return {true, QString()};
    const QByteArray uri = "ipp://localhost/jobs/" + QByteArray::number(job.id);
    const char* const wanted[] = {"job-state", "job-state-reasons", "job-printer-state-message"};
    ipp_t* request = cups.newRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    cups.addStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                    wanted);
    ipp_t* response = cups.doRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (!response) // the scheduler has gone, or forgotten the job: nothing more to learn
        return {true, QString()};
    int state = 0;
    if (ipp_attribute_t* a = cups.findAttribute(response, "job-state", IPP_TAG_ENUM))
        state = cups.integer(a, 0);
    QStringList reasons;
    if (ipp_attribute_t* a = cups.findAttribute(response, "job-state-reasons", IPP_TAG_KEYWORD))
        for (int i = 0; i < cups.count(a); ++i)
            reasons << QString::fromUtf8(cups.string(a, i, nullptr));
    QString reason;
    if (ipp_attribute_t* a =
            cups.findAttribute(response, "job-printer-state-message", IPP_TAG_TEXT))
        reason = QString::fromUtf8(cups.string(a, 0, nullptr)).trimmed();
    cups.deleteMessage(response);

    const QueueState queue = queueState(cups, job.printer);
    if (reason.isEmpty())
        reason = queue.message;
    const QString why = reason.isEmpty()
        ? QStringLiteral("it gave no reason (%1).").arg(reasons.join(QStringLiteral(", ")))
        : sentence(reason);
    switch (state) {
    case IPP_JSTATE_COMPLETED:
        return {true, QString()};
    case IPP_JSTATE_ABORTED:
        return {
            true,
            QStringLiteral("The printer %1 could not print the cover: %2").arg(job.printer, why)};
    case IPP_JSTATE_CANCELED:
        return {
            true,
            QStringLiteral("The printer %1 cancelled the cover's job: %2").arg(job.printer, why)};
    case IPP_JSTATE_STOPPED:
        return {true,
                QStringLiteral("The printer %1 stopped while printing the cover: %2")
                    .arg(job.printer, why)};
    case IPP_JSTATE_HELD:
        // Held by the queue after the printer failed it; a job held on purpose says so.
        if (reasons.contains(QLatin1String("resources-are-not-ready")))
            return {true,
                    QStringLiteral("The printer %1 could not print the cover: %2 It will "
                                   "try again later.")
                        .arg(job.printer, why)};
        return {false, QString()};
    default:
        if (queue.stopped)
            return {true, heldByStoppedQueue(job.printer, reason)};
        return {false, QString()};
    }
}

} // namespace plattera
