// Print to File, checked: Qt's PDF engine drops write errors (a full disk gives a cut-off file
// and a job that "succeeded").
#include "print/pdf_file.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>

#include "model/errors.h"
#include "print/pdf_pictures.h"
#include "print/print_job.h"

namespace plattera {

namespace {

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

} // namespace

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

} // namespace plattera
