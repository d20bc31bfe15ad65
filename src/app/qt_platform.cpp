#include "app/qt_platform.h"

#include <cmath>

#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include "app/font_dialog.h"
#include "model/errors.h"
#include "pictures/picture_store.h"
#include "print/print_settings.h"

namespace plattera {

QStringList toQtNameFilters(const FileTypeFilters& filters)
{
    QStringList result;
    for (const FileTypeFilter& type : filters)
        result << type.name + QStringLiteral(" (") + type.patterns.join(QLatin1Char(' ')) +
                QLatin1Char(')');
    return result;
}

namespace {

// The preview beside the file list: the selected picture scaled to fit, with its size.
class PicturePreview : public QWidget {
public:
    explicit PicturePreview(int ppi, QWidget* parent = nullptr) : QWidget(parent), m_ppi(ppi)
    {
        auto* layout = new QVBoxLayout(this);
        m_picture = new QLabel(this);
        m_picture->setFixedSize(160, 160);
        m_picture->setAlignment(Qt::AlignCenter);
        m_picture->setFrameShape(QFrame::StyledPanel);
        m_size = new QLabel(this);
        m_size->setAlignment(Qt::AlignCenter);
        layout->addWidget(m_picture);
        layout->addWidget(m_size);
        layout->addStretch();
    }

    void showPicture(const QString& path)
    {
        m_picture->clear();
        m_size->clear();
        const QFileInfo info(path);
        if (path.isEmpty() || !info.isFile())
            return;
        try {
            // Decoded at the preview's size and kept nowhere: browsing costs the cover nothing.
            const std::optional<PictureThumbnail> preview =
                loadPictureThumbnail(path, m_picture->size() - QSize(4, 4), m_ppi);
            if (!preview)
                return;
            m_picture->setPixmap(QPixmap::fromImage(preview->thumbnail));
            m_size->setText(
                QStringLiteral("%1 x %2").arg(preview->size.width()).arg(preview->size.height()));
        } catch (const std::exception&) {
            m_size->setText(QStringLiteral("(no preview)"));
        }
    }

private:
    int m_ppi;
    QLabel* m_picture;
    QLabel* m_size;
};

} // namespace

static int screenLogicalDpiY()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return int(std::lround(screen->logicalDotsPerInchY()));
    return 96;
}

QtPlatform::QtPlatform() : m_logicalDpiY(screenLogicalDpiY()) { }

std::optional<QString> QtPlatform::choosePictureFile(QWidget* parent,
                                                     const PictureDialogRequest& request)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog,
                     true); // the side preview needs Qt's own dialog
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = toQtNameFilters(request.filters);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.front());
    // Qt matches by the position of the chosen filter, so the list may show the program's own
    // descriptions ("All (*.gif;*.jpg;...)") over the space-separated patterns Qt needs. The
    // combo box is the one Qt's own dialog names so in its form; without it, Qt's texts stay.
    if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        for (int i = 0; i < types->count() && i < int(request.filters.size()); ++i)
            types->setItemText(i, request.filters[size_t(i)].description());
    }
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.initialFile.isEmpty())
        dialog.selectFile(request.initialFile);

    auto* preview = new PicturePreview(logicalDpiY(), &dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString& path) { preview->showPicture(path); });

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<FontChoice> QtPlatform::chooseFont(QWidget* parent, const FontChoice& initial)
{
    return runFontDialog(parent, initial);
}

std::optional<Colour> QtPlatform::chooseColour(QWidget* parent, Colour initial)
{
    const QColor chosen = QColorDialog::getColor(toQColor(initial), parent, QString(),
                                                 QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid())
        return std::nullopt;
    return fromQColor(chosen);
}

bool QtPlatform::setUpPrinter(QWidget* parent, QPrinter& printer, const QString& fileName)
{
    if (!m_printDialog.exec(parent, printer, fileName))
        return false;
    keepCoverAtPhysicalSize(printer);
    return true;
}

bool QtPlatform::anyPrinter() const
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

namespace {

void showMessageBox(QMessageBox::Icon icon, QWidget* parent, const QString& caption,
                    const QString& text, const QString& details)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    // QMessageBox takes a text whose first line holds a tag for rich text, and a file named
    // "<img src=x.png>.png" would show a picture.
    box.setTextFormat(Qt::PlainText);
    box.setDetailedText(details);
    box.exec();
}

} // namespace

void QtPlatform::showError(QWidget* parent, const QString& caption, const QString& text,
                           const QString& details)
{
    showMessageBox(QMessageBox::Critical, parent, caption, text, details);
}

void QtPlatform::showInformation(QWidget* parent, const QString& caption, const QString& text)
{
    showMessageBox(QMessageBox::Information, parent, caption, text, QString());
}

void QtPlatform::openUrl(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}

void QtPlatform::runModal(QDialog& dialog)
{
    dialog.exec();
}

QSize QtPlatform::screenSize() const
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->size();
    return QSize(1024, 768);
}

int QtPlatform::logicalDpiY() const
{
    return m_logicalDpiY;
}

} // namespace plattera
