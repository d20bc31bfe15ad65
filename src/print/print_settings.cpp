// How a job is named and how its page is set up: the cover at its physical size from the
// printable area's corner, on a page that holds it.
#include "print/print_settings.h"

#include <algorithm>
#include <cmath>

#include <QLocale>
#include <QPageLayout>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

#include "print/print_cover.h"

namespace plattera {

namespace {

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

std::array<QPageSize::PageSizeId, 2> pagesForCover()
{
    const bool letterFirst = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
    return {letterFirst ? QPageSize::Letter : QPageSize::A4,
            letterFirst ? QPageSize::A4 : QPageSize::Letter};
}

void preferPageForCover(QPrinter& printer)
{
    QPageLayout portrait = printer.pageLayout();
    portrait.setOrientation(QPageLayout::Portrait);
    if (!pageTooSmallForCover(portrait))
        return;
    const QList<QPageSize> offered = QPrinterInfo(printer).supportedPageSizes();
    for (const QPageSize::PageSizeId wanted : pagesForCover()) {
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

} // namespace plattera
