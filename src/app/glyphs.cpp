#include "app/glyphs.h"

#include <QString>

// The resource file is compiled into a static library: nothing would pull it into the program
// without this reference.
static void initResources()
{
    Q_INIT_RESOURCE(plattera);
}

namespace plattera {

namespace {

QString glyphPath(Glyph glyph, const char* suffix)
{
    static const char* const kNames[] = {"new-cover", "edit-tracks", "font-type-color",
                                         "left",      "center",      "image",
                                         "print",     "close",       "about"};
    initResources();
    return QStringLiteral(":/plattera/icons/toolbar/%1%2.png")
        .arg(QLatin1String(kNames[static_cast<int>(glyph)]), QLatin1String(suffix));
}

} // namespace

QImage glyphImage(Glyph glyph)
{
    return QImage(glyphPath(glyph, ""));
}

QImage disabledGlyphImage(Glyph glyph)
{
    return QImage(glyphPath(glyph, "-disabled"));
}

QIcon windowIcon()
{
    initResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/plattera/icons/hicolor/16x16/apps/plattera.png"));
    icon.addFile(QStringLiteral(":/plattera/icons/hicolor/48x48/apps/plattera.png"));
    return icon;
}

} // namespace plattera
