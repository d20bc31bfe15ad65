#include "app/print_dialog_memory.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPointer>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>

#include "print/print_settings.h"

namespace plattera {

namespace {

// In the printer's properties, which Qt opens on the printer's own default page: a page that
// cannot hold the cover is replaced by A4 or Letter (the one the user's country uses first)
// when the list offers one. The user may still choose any other.
void startOnPageForCover(QComboBox* sizes)
{
    const auto holdsCover = [sizes](int index) {
        const QVariant data = sizes->itemData(index);
        return data.canConvert<QPageSize>() &&
            !pageTooSmallForCover(
                   QPageLayout(data.value<QPageSize>(), QPageLayout::Portrait, QMarginsF()));
    };
    if (holdsCover(sizes->currentIndex()))
        return;
    for (const QPageSize::PageSizeId wanted : pagesForCover()) {
        for (int i = 0; i < sizes->count(); ++i) {
            if (sizes->itemData(i).value<QPageSize>().id() == wanted && holdsCover(i)) {
                sizes->setCurrentIndex(i);
                return;
            }
        }
    }
}

// Qt builds the printer's properties, a child of the print dialog, when they are first shown;
// once they are up, their page list starts on a page that holds the cover.
class PropertiesWatch : public QObject {
public:
    explicit PropertiesWatch(QDialog& dialog) : QObject(&dialog), m_dialog(dialog)
    {
        dialog.installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::ChildAdded)
            QTimer::singleShot(0, this, [this] {
                auto* sizes = m_dialog.findChild<QComboBox*>(QStringLiteral("pageSizeCombo"));
                if (sizes && sizes != m_seen) { // built anew, not the user's own choice
                    m_seen = sizes;
                    startOnPageForCover(sizes);
                }
            });
        return false;
    }

private:
    QDialog& m_dialog;
    QPointer<QComboBox> m_seen;
};

} // namespace

bool PrintDialogMemory::exec(QWidget* parent, QPrinter& printer, const QString& fileName)
{
    // The dialog fills its file box from the printer's output file, which also switches the
    // printer to a PDF file; it lists the printer's own queue first, or the default.
    const QString proposed =
        QDir(m_folder.isEmpty() ? QDir::homePath() : m_folder).filePath(fileName);
    printer.setOutputFileName(proposed);
    if (!m_printer.isEmpty() && QPrinterInfo::availablePrinterNames().contains(m_printer))
        printer.setPrinterName(m_printer);
    else if (!QPrinterInfo::defaultPrinterName().isEmpty())
        printer.setPrinterName(QPrinterInfo::defaultPrinterName());
    QPrintDialog dialog(&printer, parent);
    // The cover is one page: a range could only print it or nothing. Qt shows the range again
    // for a print queue, each time the dialog is shown, so it is hidden once the dialog is up.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    QTimer::singleShot(0, &dialog, [&dialog] {
        if (auto* range = dialog.findChild<QWidget*>(QStringLiteral("gbPrintRange")))
            range->hide();
    });
    // Building the dialog chose that queue; it opens on Print to File for a PDF printer.
    if (m_toFile)
        printer.setOutputFileName(proposed);
    // Qt sets the page to the printer's default when its properties are built, whatever the
    // printer held, so the page is only known to be the user's choice once they have been shown.
    bool pageShown = false;
    if (auto* properties = dialog.findChild<QPushButton*>(QStringLiteral("properties")))
        QObject::connect(properties, &QPushButton::clicked, &dialog,
                         [&pageShown] { pageShown = true; });
    new PropertiesWatch(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (!pageShown)
        preferPageForCover(printer);

    if (printer.outputFormat() == QPrinter::PdfFormat) {
        m_toFile = true;
        m_folder = QFileInfo(printer.outputFileName()).absolutePath();
        return true;
    }
    m_toFile = false;
    m_printer = printer.printerName();
    printer.setOutputFileName(QString());
    return true;
}

} // namespace plattera
