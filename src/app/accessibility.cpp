#include "app/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFileInfo>
#include <QStringList>

#include "app/colour_swatch.h"
#include "app/link_label.h"
#include "app/sheet_view.h"
#include "app/main_window.h"

namespace plattera {

namespace {

class AccessibleLink : public QAccessibleWidget {
public:
    explicit AccessibleLink(LinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) { }

    QString text(QAccessible::Text t) const override
    {
        const QString own = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && own.isEmpty())
            return static_cast<LinkLabel*>(widget())->text();
        return own;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& name) override
    {
        if (name == pressAction())
            static_cast<LinkLabel*>(widget())->activate();
    }
};

QAccessibleInterface* accessibleFor(const QString&, QObject* object)
{
    if (auto* label = qobject_cast<LinkLabel*>(object))
        return new AccessibleLink(label);
    if (auto* swatch = qobject_cast<ColourSwatch*>(object))
        return new QAccessibleWidget(swatch, QAccessible::ColorChooser);
    if (auto* sheet = qobject_cast<SheetView*>(object))
        return new QAccessibleWidget(sheet, QAccessible::Graphic);
    if (auto* window = qobject_cast<MainWindow*>(object))
        return new QAccessibleWidget(window, QAccessible::Window);
    return nullptr;
}

QString artistAndTitle(const EditorState& state)
{
    return QStringLiteral("artist %1, title %2")
        .arg(state.shownTexts.artist, state.shownTexts.title);
}

QString pictureOf(bool shown, const QString& file)
{
    return shown ? QStringLiteral("picture ") + QFileInfo(file).fileName() : QString();
}

} // namespace

void installAccessibleRoles()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    Q_UNUSED(installed);
}

QString sheetDescription(SheetPart part, const EditorState& state, const CoverInputs& inputs)
{
    const bool texts = state.textLaidOut;
    QStringList parts;
    switch (part) {
    case SheetPart::BackInsert:
        if (texts) {
            // What the last layout drew, which an editor closed without Continue does not change.
            const auto count = state.shownTexts.tracks.size();
            parts << (count == 1 ? QStringLiteral("1 track")
                                 : QStringLiteral("%1 tracks").arg(count));
            parts.last() +=
                state.centredMode ? QStringLiteral(", centred") : QStringLiteral(", aligned left");
        }
        parts << pictureOf(state.backPicture.shown(), state.backPicture.file());
        break;
    case SheetPart::LeftSpine:
    case SheetPart::RightSpine:
        if (texts)
            parts << artistAndTitle(state);
        break;
    case SheetPart::FrontInsert:
        if (texts && !inputs.noFrontText)
            parts << artistAndTitle(state);
        parts << pictureOf(state.frontPicture.shown(), state.frontPicture.file());
        break;
    }
    parts.removeAll(QString());
    return parts.isEmpty() ? QStringLiteral("no texts or pictures yet")
                           : parts.join(QStringLiteral("; "));
}

} // namespace plattera
