// The print job around the page: started, drawn, ended, and checked, because neither of Qt's
// print engines reports what goes wrong after the start. The PDF engine drops write errors (a
// full disk gives a cut-off file and a job that "succeeded"), and the CUPS engine does not look
// at the scheduler's answer.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

#include <cups/cups.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <QUrl>

#include "model/errors.h"
#include "print/page_canvas.h"
#include "print/pdf_pictures.h"
#include "print/print_cover.h"
#include "print/print_job.h"

namespace plattera {

namespace {

void paintJob(QPrinter& printer, const std::function<void(PageCanvas&)>& draw,
              PdfPictures* heldBack = nullptr)
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

[[noreturn]] void cannotPrintTo(const QString& target, const QString& why)
{
    throw CommandError(
        QStringLiteral("Cannot print to %1: %2").arg(QFileInfo(target).fileName(), why));
}

// The process's file mode mask. umask() tells it only by replacing it, which would change it
// for every thread for a moment; the kernel shows it in the process's status instead.
mode_t fileModeMask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (!line.startsWith("Umask:"))
                continue;
            bool ok = false;
            const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
            if (ok)
                return mode_t(mask & 0777);
        }
    }
    return 077; // unknown: the new file stays private to its owner
}

// The PDF engine writes "%%EOF" last: a file without it was cut off by a write that failed.
// fsync brings out the errors a file system reports only when the data goes to the disk.
bool pdfArrivedWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16)
        return false;
    file.seek(file.size() - 16);
    if (!file.read(16).contains("%%EOF"))
        return false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Copies the finished file onto a device or pipe the user chose (/dev/full, a FIFO), with
// every write checked.
void copyOnto(const QString& finished, const QString& target)
{
    QFile from(finished);
    QFile to(target);
    if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        cannotPrintTo(target, to.errorString());
    const QByteArray data = from.readAll();
    if (to.write(data) != data.size() || !to.flush())
        cannotPrintTo(target, to.errorString());
}

// Print to File: the job goes to a hidden file beside the chosen one and is moved into place
// only once it is whole, so a failure never leaves an empty or cut-off PDF under that name.
void printToFile(QPrinter& printer, const std::function<void(PageCanvas&)>& draw)
{
    const QString chosen = printer.outputFileName();
    // A link to a file is followed, so the file is replaced and the link stays.
    const QFileInfo link(chosen);
    const QString target = link.isSymLink() && link.exists() ? link.canonicalFilePath() : chosen;
    const QFileInfo info(target);
    const bool regularOrNew = !info.exists() || info.isFile();
    // Root may write anywhere: a file without write permission is read-only for everyone here.
    if (info.isFile() &&
        (!info.isWritable() ||
         !(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther))))
        cannotPrintTo(chosen, QStringLiteral("the file is read-only"));
    if (regularOrNew && !QFileInfo(info.absolutePath()).isDir())
        cannotPrintTo(chosen,
                      QStringLiteral("the folder %1 does not exist")
                          .arg(QDir::toNativeSeparators(info.absolutePath())));

    QTemporaryFile job((regularOrNew ? info.absolutePath() : QDir::tempPath()) +
                       QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    if (!job.open())
        cannotPrintTo(chosen, job.errorString());
    job.close(); // the engine opens it again by name

    printer.setOutputFileName(job.fileName());
    // In grey the engine turns every picture grey itself, stand-ins included.
    PdfPictures pictures;
    try {
        paintJob(printer, draw, printer.colorMode() == QPrinter::Color ? &pictures : nullptr);
    } catch (...) {
        printer.setOutputFileName(chosen);
        throw;
    }
    printer.setOutputFileName(chosen);
    if (const Check completed = pictures.writeInto(job.fileName()); !completed)
        cannotPrintTo(chosen, completed.reason());
    if (!pdfArrivedWhole(job.fileName()))
        cannotPrintTo(chosen,
                      QStringLiteral("the file could not be written whole (is the disk full?)"));

    if (!regularOrNew) {
        copyOnto(job.fileName(), target);
        return;
    }
    // The hidden file was made private; the PDF gets the permissions of the file it replaces,
    // or those a new file gets.
    struct stat earlier { };
    const mode_t mode = ::stat(QFile::encodeName(target).constData(), &earlier) == 0
        ? (earlier.st_mode & 07777)
        : (0666 & ~fileModeMask());
    const int fd = ::open(QFile::encodeName(job.fileName()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fchmod(fd, mode);
        ::close(fd);
    }
    if (::rename(QFile::encodeName(job.fileName()).constData(),
                 QFile::encodeName(target).constData()) != 0)
        cannotPrintTo(chosen, systemError(errno));
    job.setAutoRemove(false);
}

// The printing system's library is opened on the first job for a printer, not linked: linked,
// it brings some eighteen libraries of its own (TLS, Kerberos, service discovery) into every
// start-up. Qt's CUPS support is a plugin that has loaded the same library by then, so opening
// it again costs nothing and shares its per-thread answer. The handle is never closed.
constexpr char kSchedulerLibrary[] = "libcups.so.2";

struct SchedulerCalls {
    decltype(&cupsLastError) lastError = nullptr;
    decltype(&cupsLastErrorString) lastErrorString = nullptr;
    decltype(&cupsServer) server = nullptr;
    decltype(&ippPort) port = nullptr;
    decltype(&httpConnect2) connect = nullptr;
    decltype(&httpClose) close = nullptr;
    decltype(&ippNewRequest) newRequest = nullptr;
    decltype(&ippAddString) addString = nullptr;
    decltype(&ippAddStrings) addStrings = nullptr;
    decltype(&cupsDoRequest) doRequest = nullptr;
    decltype(&ippFindAttribute) findAttribute = nullptr;
    decltype(&ippGetInteger) integer = nullptr;
    decltype(&ippGetString) string = nullptr;
    decltype(&ippGetCount) count = nullptr;
    decltype(&ippFirstAttribute) firstAttribute = nullptr;
    decltype(&ippNextAttribute) nextAttribute = nullptr;
    decltype(&ippGetName) name = nullptr;
    decltype(&ippDelete) deleteMessage = nullptr;

    bool complete() const
    {
        return lastError && lastErrorString && server && port && connect && close && newRequest &&
            addString && addStrings && doRequest && findAttribute && integer && string && count &&
            firstAttribute && nextAttribute && name && deleteMessage;
    }
};

template <typename Function> void resolve(void* library, Function& function, const char* name)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
}

const SchedulerCalls& schedulerCalls()
{
    static const SchedulerCalls calls = [] {
        SchedulerCalls found;
        if (void* library = ::dlopen(kSchedulerLibrary, RTLD_NOW | RTLD_LOCAL)) {
            resolve(library, found.lastError, "cupsLastError");
            resolve(library, found.lastErrorString, "cupsLastErrorString");
            resolve(library, found.server, "cupsServer");
            resolve(library, found.port, "ippPort");
            resolve(library, found.connect, "httpConnect2");
            resolve(library, found.close, "httpClose");
            resolve(library, found.newRequest, "ippNewRequest");
            resolve(library, found.addString, "ippAddString");
            resolve(library, found.addStrings, "ippAddStrings");
            resolve(library, found.doRequest, "cupsDoRequest");
            resolve(library, found.findAttribute, "ippFindAttribute");
            resolve(library, found.integer, "ippGetInteger");
            resolve(library, found.string, "ippGetString");
            resolve(library, found.count, "ippGetCount");
            resolve(library, found.firstAttribute, "ippFirstAttribute");
            resolve(library, found.nextAttribute, "ippNextAttribute");
            resolve(library, found.name, "ippGetName");
            resolve(library, found.deleteMessage, "ippDelete");
        }
        return found;
    }();
    return calls;
}

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

// The CUPS engine submits the job at the end and ignores the answer; the answer stays with the
// thread that asked, so it can be read here. A paused queue holds the job in silence, so the
// user is told rather than left waiting at the printer.
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

// The page layout's printable area must reach the far edges of both inserts.
constexpr double kCoverWidthMm = std::max(page::kBackRight, page::kFrontRight) / 10.0;
constexpr double kCoverHeightMm = -page::kFrontBottom / 10.0;
// Margins come in points; a page that holds the cover to a twentieth of a millimetre does.
constexpr double kSlackMm = 0.05;

QString millimetres(double mm)
{
    QString text = QString::number(std::round(mm * 10) / 10, 'f', 1);
    if (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text;
}

QString sizeText(const QSizeF& mm)
{
    return QStringLiteral("%1 x %2 mm").arg(millimetres(mm.width()), millimetres(mm.height()));
}

} // namespace

QString printJobName(const QString& application, const QString& artist, const QString& title)
{
    QStringList parts {application};
    for (const QString& part : {artist.simplified(), title.simplified()})
        if (!part.isEmpty())
            parts << part;
    return parts.join(QStringLiteral(" - "));
}

QString printFileName(const QString& application, const QString& artist, const QString& title)
{
    QStringList parts;
    for (const QString& part : {artist.simplified(), title.simplified()})
        if (!part.isEmpty())
            parts << part;
    QString name = parts.isEmpty() ? application : parts.join(QStringLiteral(" - "));
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control || QStringView(u"/\\:*?\"<>|").contains(c))
            c = u'_';
    if (name.startsWith(u'.')) // a hidden file would seem not to have been written
        name[0] = u'_';
    // File names hold 255 bytes on most file systems and fewer on some; Print to File also
    // writes a hidden file named after this one beside it.
    constexpr qsizetype kLongestStem = 120;
    while (name.toUtf8().size() > kLongestStem)
        name.chop(name.back().isLowSurrogate() ? 2 : 1);
    return name.trimmed() + QStringLiteral(".pdf");
}

// Qt's print engine property that holds a job's CUPS options (PPK_CupsOptions in Qt's private
// qcups_p.h, the same value in Qt 5 and 6); the dialog's own options are in it already.
constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// What a PDF file leaves round the printable area, Qt's own default.
constexpr double kPdfMarginPoints = 10;

QStringList withCupsOptions(QStringList options, const QStringList& added)
{
    for (qsizetype i = 0; i + 1 < added.size(); i += 2) {
        qsizetype at = 0;
        while (at + 1 < options.size() && options[at] != added[i])
            at += 2;
        if (at + 1 < options.size())
            options[at + 1] = added[i + 1];
        else
            options << added[i] << added[i + 1];
    }
    return options;
}

void keepCoverAtPhysicalSize(QPrinter& printer)
{
    printer.setPageOrientation(QPageLayout::Portrait);
    if (printer.outputFormat() != QPrinter::NativeFormat) {
        printer.setPageMargins(
            QMarginsF(kPdfMarginPoints, kPdfMarginPoints, kPdfMarginPoints, kPdfMarginPoints),
            QPageLayout::Point);
        return;
    }
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());
    QPrintEngine* engine = printer.printEngine();
    engine->setProperty(
        kCupsOptions,
        withCupsOptions(engine->property(kCupsOptions).toStringList(),
                        {QStringLiteral("print-scaling"), QStringLiteral("none"),
                         QStringLiteral("fit-to-page"), QStringLiteral("false"),
                         QStringLiteral("number-up"), QStringLiteral("1"),
                         QStringLiteral("page-set"), QStringLiteral("all"),
                         // portrait, as IPP numbers it
                         QStringLiteral("orientation-requested"), QStringLiteral("3")}));
}

std::optional<QString> pageTooSmallForCover(const QPageLayout& layout)
{
    const QSizeF printable = layout.paintRect(QPageLayout::Millimeter).size();
    if (printable.width() + kSlackMm >= kCoverWidthMm &&
        printable.height() + kSlackMm >= kCoverHeightMm)
        return std::nullopt;
    const QSizeF paper = layout.fullRect(QPageLayout::Millimeter).size();
    const bool marginsTooWide =
        paper.width() + kSlackMm >= kCoverWidthMm && paper.height() + kSlackMm >= kCoverHeightMm;
    // Qt names a page of no standard size, and of no name from the printer, after its size,
    // which the text gives anyway.
    const QString name = layout.pageSize().name();
    const QString page = name.startsWith(QLatin1String("Custom ("))
        ? QStringLiteral("custom page")
        : QStringLiteral("page ") + name;
    return QStringLiteral("The %1 (%2) is too small for the cover: %3it needs a printable area "
                          "of %4, as A4 and Letter have.")
        .arg(page, sizeText(paper),
             marginsTooWide
                 ? QStringLiteral("its printable area is %1, and ").arg(sizeText(printable))
                 : QString(),
             sizeText(QSizeF(kCoverWidthMm, kCoverHeightMm)));
}

void preferPageForCover(QPrinter& printer)
{
    QPageLayout portrait = printer.pageLayout();
    portrait.setOrientation(QPageLayout::Portrait);
    if (!pageTooSmallForCover(portrait))
        return;
    const bool letterFirst = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
    const QPageSize::PageSizeId order[] = {letterFirst ? QPageSize::Letter : QPageSize::A4,
                                           letterFirst ? QPageSize::A4 : QPageSize::Letter};
    const QList<QPageSize> offered = QPrinterInfo(printer).supportedPageSizes();
    for (const QPageSize::PageSizeId wanted : order) {
        for (const QPageSize& size : offered) {
            if (size.id() != wanted)
                continue;
            printer.setPageOrientation(QPageLayout::Portrait);
            printer.setPageSize(size);
            if (!pageTooSmallForCover(printer.pageLayout()))
                return;
        }
    }
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
