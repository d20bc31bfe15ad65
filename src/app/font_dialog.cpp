#include "app/font_dialog.h"

#include <climits>

#include <QCheckBox>
#include <QColorDialog>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QRegularExpression>
#include <QSet>
#include <QVBoxLayout>

#include "model/canvas.h"

namespace plattera {

namespace {

struct NamedColour {
    const char* name;
    Colour value; // 0x00BBGGRR
};

// The sixteen colours such dialogs have always offered.
constexpr NamedColour kNamedColours[] = {
    {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
};

constexpr int kStandardSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// Data of the combo's last entry, which asks for any other colour.
constexpr int kOtherColourRole = Qt::UserRole + 1;

// The text of the selected row; the current row alone does not count, since a list makes its
// first row current when it takes the focus.
QString selectedText(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QIcon swatch(Colour colour)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(toQColor(colour));
    return QIcon(pixmap);
}

} // namespace

QStringList FontDialog::scalableFamilies()
{
    // Qt names a family shipped by several foundries once per foundry ("C059 [urw]"), and lists
    // fontconfig's generic aliases as families of their own: the user picks real faces, once.
    static const QRegularExpression foundry(QStringLiteral("\\s*\\[[^\\]]*\\]$"));
    static const QSet<QString> aliases = {QStringLiteral("Sans Serif"), QStringLiteral("Serif"),
                                          QStringLiteral("Monospace")};
    QStringList result;
    QSet<QString> seen;
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isSmoothlyScalable(family) || QFontDatabase::isPrivateFamily(family))
            continue;
        const QString face = QString(family).remove(foundry);
        if (aliases.contains(face) || seen.contains(face))
            continue;
        seen.insert(face);
        result << face;
    }
    return result;
}

FontDialog::FontDialog(const FontChoice& initial, QWidget* parent)
    : QDialog(parent), m_initial(initial), m_previousBold(initial.bold),
      m_previousItalic(initial.italic)
{
    setWindowTitle(tr("Font"));
    setModal(true);

    // Built in this order, which is also the order the Tab key takes.
    QGridLayout* lists = buildLists();
    QGroupBox* effects = buildEffects();
    auto* sampleBox = new QGroupBox(tr("Sample"), this);
    m_sample = new QLabel(QStringLiteral("AaBbYyZz"), sampleBox);
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMinimumSize(160, 60);
    auto* sampleLayout = new QVBoxLayout(sampleBox);
    sampleLayout->addWidget(m_sample);

    auto* lower = new QHBoxLayout;
    lower->addWidget(effects);
    lower->addWidget(sampleBox, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // What a screen reader calls the lists and the sample; the captions above are labels of
    // their own. The colour box is named by the colour it shows.
    m_faces->setAccessibleName(tr("Font"));
    m_styles->setAccessibleName(tr("Font style"));
    m_sizes->setAccessibleName(tr("Size"));
    m_colours->view()->setAccessibleName(tr("Colors"));
    m_sample->setAccessibleName(tr("Sample"));
    buttons->setAccessibleName(tr("Confirm or cancel"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(lower);
    layout->addWidget(buttons);

    showStartingFont();
    connectControls();
    updateSample();
}

QLabel* FontDialog::labelFor(const QString& text, QWidget* control, QWidget* parent)
{
    // A label's mnemonic moves the focus to its buddy; without one the ampersand shows as text.
    auto* label = new QLabel(text, parent);
    label->setBuddy(control);
    return label;
}

QGridLayout* FontDialog::buildLists()
{
    m_faces = new QListWidget(this);
    m_faces->addItems(scalableFamilies());
    m_styles = new QListWidget(this);
    m_sizes = new QListWidget(this);
    for (int points : kStandardSizes)
        m_sizes->addItem(QString::number(points));

    auto* lists = new QGridLayout;
    lists->addWidget(labelFor(tr("&Font:"), m_faces, this), 0, 0);
    lists->addWidget(labelFor(tr("Font st&yle:"), m_styles, this), 0, 1);
    lists->addWidget(labelFor(tr("&Size:"), m_sizes, this), 0, 2);
    lists->addWidget(m_faces, 1, 0);
    lists->addWidget(m_styles, 1, 1);
    lists->addWidget(m_sizes, 1, 2);
    lists->setColumnStretch(0, 3);
    lists->setColumnStretch(1, 2);
    lists->setColumnStretch(2, 1);
    return lists;
}

QGroupBox* FontDialog::buildEffects()
{
    auto* effects = new QGroupBox(tr("Effects"), this);
    m_strikeOut = new QCheckBox(tr("Stri&keout"), effects);
    m_underline = new QCheckBox(tr("&Underline"), effects);
    m_colours = new QComboBox(effects);
    for (const NamedColour& named : kNamedColours)
        m_colours->addItem(swatch(named.value), tr(named.name),
                           QVariant::fromValue(uint(named.value)));
    m_colours->addItem(tr("Other..."));
    m_colours->setItemData(m_colours->count() - 1, true, kOtherColourRole);
    auto* effectsLayout = new QVBoxLayout(effects);
    effectsLayout->addWidget(m_strikeOut);
    effectsLayout->addWidget(m_underline);
    effectsLayout->addWidget(labelFor(tr("&Color:"), m_colours, effects));
    effectsLayout->addWidget(m_colours);
    return effects;
}

void FontDialog::showStartingFont()
{
    // A face not offered under its own name is shown but not returned unless the user picks one.
    QList<QListWidgetItem*> faces = m_faces->findItems(m_initial.face, Qt::MatchFixedString);
    m_faceTaken = !faces.isEmpty();
    if (faces.isEmpty())
        faces = m_faces->findItems(QFontInfo(QFont(m_initial.face)).family(), Qt::MatchFixedString);
    if (!faces.isEmpty())
        m_faces->setCurrentItem(faces.first());
    fillStyles();
    const QString initialPoints = QString::number(pointsFromPixels(m_initial.pixelHeight));
    const QList<QListWidgetItem*> sizes = m_sizes->findItems(initialPoints, Qt::MatchExactly);
    if (!sizes.isEmpty()) {
        m_sizes->setCurrentItem(sizes.first());
    } else {
        m_sizes->addItem(initialPoints);
        m_sizes->setCurrentRow(m_sizes->count() - 1);
    }
    m_underline->setChecked(m_initial.underline);
    m_strikeOut->setChecked(m_initial.strikeOut);
    selectColour(m_initial.colour);
}

void FontDialog::connectControls()
{
    connect(m_faces, &QListWidget::itemSelectionChanged, this, [this] {
        m_faceTaken = true;
        fillStyles();
        updateSample();
    });
    connect(m_styles, &QListWidget::itemSelectionChanged, this, &FontDialog::updateSample);
    connect(m_sizes, &QListWidget::itemSelectionChanged, this, &FontDialog::updateSample);
    connect(m_underline, &QCheckBox::toggled, this, &FontDialog::updateSample);
    connect(m_strikeOut, &QCheckBox::toggled, this, &FontDialog::updateSample);
    connect(m_colours, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QVariant colour = m_colours->itemData(index);
        if (colour.isValid())
            m_pickedColour = Colour(colour.toUInt());
    });
    connect(m_colours, &QComboBox::activated, this, [this](int index) {
        // "Other..." starts from the colour picked so far and, cancelled, leaves it picked.
        if (m_colours->itemData(index, kOtherColourRole).toBool()) {
            const QColor picked = QColorDialog::getColor(toQColor(m_pickedColour), this, QString(),
                                                         QColorDialog::DontUseNativeDialog);
            selectColour(picked.isValid() ? fromQColor(picked) : m_pickedColour);
        }
        updateSample();
    });
}

void FontDialog::fillStyles()
{
    const QString family = selectedText(m_faces).isEmpty() ? m_initial.face : selectedText(m_faces);
    const QString previous = selectedText(m_styles);
    if (!previous.isEmpty()) {
        m_previousBold = QFontDatabase::bold(m_stylesFamily, previous);
        m_previousItalic = QFontDatabase::italic(m_stylesFamily, previous);
    }
    m_stylesFamily = family;
    m_styles->clear();
    m_styles->addItems(QFontDatabase::styles(family));
    const QList<QListWidgetItem*> same = m_styles->findItems(previous, Qt::MatchExactly);
    if (!same.isEmpty()) {
        m_styles->setCurrentItem(same.first());
        return;
    }
    // A face without that style name: the shortest name of the same weight and slant
    // ("Book" for "Regular"), else the first.
    const bool bold = m_previousBold, italic = m_previousItalic;
    int best = m_styles->count() > 0 ? 0 : -1;
    int bestLength = INT_MAX;
    for (int row = 0; row < m_styles->count(); ++row) {
        const QString style = m_styles->item(row)->text();
        if (QFontDatabase::bold(family, style) == bold &&
            QFontDatabase::italic(family, style) == italic && style.size() < bestLength) {
            best = row;
            bestLength = int(style.size());
        }
    }
    if (best >= 0)
        m_styles->setCurrentRow(best);
}

void FontDialog::selectColour(Colour colour)
{
    for (int i = 0; i < m_colours->count(); ++i) {
        const QVariant data = m_colours->itemData(i);
        if (data.isValid() && Colour(data.toUInt()) == colour) {
            m_colours->setCurrentIndex(i);
            m_pickedColour = colour;
            return;
        }
    }
    // A colour of no name goes just before "Other...".
    const int at = m_colours->count() - 1;
    m_colours->insertItem(at, swatch(colour), tr("Custom"), QVariant::fromValue(uint(colour)));
    m_colours->setCurrentIndex(at);
    m_pickedColour = colour;
}

int FontDialog::pointsFromPixels(int pixels) const
{
    return qMax(1, mulDiv(pixels, 72, qMax(1, logicalDpiY())));
}

int FontDialog::pixelsFromPoints(int points) const
{
    return qMax(1, mulDiv(points, qMax(1, logicalDpiY()), 72));
}

FontChoice FontDialog::choice() const
{
    FontChoice result = m_initial;
    const QString face = selectedText(m_faces);
    if (m_faceTaken && !face.isEmpty())
        result.face = face;
    const QString style = selectedText(m_styles);
    if (!style.isEmpty()) {
        const QString family = face.isEmpty() ? result.face : face;
        result.bold = QFontDatabase::bold(family, style);
        result.italic = QFontDatabase::italic(family, style);
    }
    const QString size = selectedText(m_sizes);
    if (!size.isEmpty())
        result.pixelHeight = pixelsFromPoints(size.toInt());
    result.underline = m_underline->isChecked();
    result.strikeOut = m_strikeOut->isChecked();
    result.colour = m_pickedColour;
    return result;
}

void FontDialog::updateSample()
{
    const FontChoice now = choice();
    QFont font(now.face);
    font.setPixelSize(qMax(1, now.pixelHeight));
    font.setBold(now.bold);
    font.setItalic(now.italic);
    font.setUnderline(now.underline);
    font.setStrikeOut(now.strikeOut);
    m_sample->setFont(font);
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::WindowText, toQColor(now.colour));
    m_sample->setPalette(palette);
}

std::optional<FontChoice> runFontDialog(QWidget* parent, const FontChoice& initial)
{
    FontDialog dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

} // namespace plattera
