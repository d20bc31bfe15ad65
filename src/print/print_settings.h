#pragma once

#include <array>
#include <optional>

#include <QPageSize>
#include <QString>
#include <QStringList>

class QPageLayout;
class QPrinter;

namespace plattera {

// Nothing when the page holds both inserts at their place from its printable area's top-left
// corner; else what the user should be told, naming the page and what the cover needs.
std::optional<QString> pageTooSmallForCover(const QPageLayout& layout);

// The pages that hold the cover, in the order they are offered in its place: the one the user's
// country uses first, A4 or Letter.
std::array<QPageSize::PageSizeId, 2> pagesForCover();

// For a page the user did not choose (a printer's default): when it cannot hold the cover and
// the printer offers A4 or Letter, the printer is set to that page (the one the user's country
// uses first); otherwise the page is left as it is.
void preferPageForCover(QPrinter& printer);

// What a print job is called in the printer's queue and as the PDF's title: the application,
// then the printed artist and title, leaving out those that are blank.
QString printJobName(const QString& application, const QString& artist, const QString& title);

// The PDF file Print to File proposes: "<artist> - <title>.pdf", leaving out those that are
// blank (the application when both are), with what a file name cannot hold here or on the
// memory sticks and shared folders a PDF is copied to replaced by "_", kept short.
QString printFileName(const QString& application, const QString& artist, const QString& title);

// Readies a printer the print dialog has just set up, so that the cover comes out at its
// physical size from the printable area's top-left corner of the printer chosen there:
// - the page margins become that printer's own minimum (Qt keeps those of the system's default
//   printer, only raising them to the chosen one's), and margins typed in the dialog's page
//   properties are replaced too, since they could only push the cover towards the page's bottom
//   edge; a PDF file keeps Qt's usual 10 points all round, so that the back insert's top edge
//   stays clear of the 12.7 mm band many printers cannot print when the file is printed later;
// - the page is portrait, whatever the dialog chose: the cover is laid out for it;
// - a job to a print queue asks it not to scale the page, whatever the queue's own setting
//   ("fit to page" would shrink the cover), for one page a sheet (two would shrink it to 71 %),
//   every page, and portrait (a queue whose default is landscape would turn it over).
void keepCoverAtPhysicalSize(QPrinter& printer);

// The options Qt's CUPS engine sends with a job, as it keeps them (name, value, name, value...),
// with `added` (the same shape) set: appended, or replacing the value of a name already there.
QStringList withCupsOptions(QStringList options, const QStringList& added);

} // namespace plattera
