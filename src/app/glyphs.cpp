#include "app/glyphs.h"

#include <QImageReader>
#include <QPixmap>
#include <QString>

// The resource file is compiled into a static library: nothing would pull it into the program
// without this reference.
static void initResources()
{
    Q_INIT_RESOURCE(plattera);
}

namespace plattera {

namespace {

constexpr int kGlyphCount = static_cast<int>(Glyph::About) + 1;

// Read as PNG and nothing else: asked to find a reader, Qt first loads every picture plug-in it
// has (Qt Svg among them) to ask each whether it reads the file, which costs start-up a
// millisecond.
QImage resourcePng(const QString& path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QString glyphPath(int glyph, const char* suffix)
{
    static const char* const kNames[kGlyphCount] = {"new-cover", "edit-tracks", "font-type-color",
                                                    "left",      "center",      "image",
                                                    "print",     "close",       "about"};
    return QStringLiteral(":/plattera/icons/toolbar/%1%2.png")
        .arg(QLatin1String(kNames[glyph]), QLatin1String(suffix));
}

struct Glyphs {
    QImage normal[kGlyphCount];
    QImage disabled[kGlyphCount];
    QImage icons[2];
};

// Decoded once, by whichever thread asks first; the others wait for it.
const Glyphs& glyphs()
{
    static const Glyphs decoded = [] {
        initResources();
        Glyphs g;
        for (int i = 0; i < kGlyphCount; ++i) {
            g.normal[i] = resourcePng(glyphPath(i, ""));
            g.disabled[i] = resourcePng(glyphPath(i, "-disabled"));
        }
        g.icons[0] =
            resourcePng(QStringLiteral(":/plattera/icons/hicolor/16x16/apps/plattera.png"));
        g.icons[1] =
            resourcePng(QStringLiteral(":/plattera/icons/hicolor/48x48/apps/plattera.png"));
        return g;
    }();
    return decoded;
}

} // namespace

void decodeGlyphs()
{
    glyphs();
}

QImage glyphImage(Glyph glyph)
{
    return glyphs().normal[static_cast<int>(glyph)];
}

QImage disabledGlyphImage(Glyph glyph)
{
    return glyphs().disabled[static_cast<int>(glyph)];
}

QIcon windowIcon()
{
    QIcon icon;
    for (const QImage& image : glyphs().icons)
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

} // namespace plattera
