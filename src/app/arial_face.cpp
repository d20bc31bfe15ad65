#include "app/arial_face.h"

#include <fontconfig/fontconfig.h>

namespace plattera {

namespace {

QString matchArial()
{
    // One match over the installed faces. Asking Qt instead costs a sort of them all, and then
    // a comparison of every sorted face with every family Qt knows, to find the same face.
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return QString();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("Arial"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    QString family;
    FcChar8* name = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
        family = QString::fromUtf8(reinterpret_cast<const char*>(name));
    if (match)
        FcPatternDestroy(match);
    return family;
}

} // namespace

QString arialFace()
{
    static const QString face = matchArial();
    return face;
}

} // namespace plattera
