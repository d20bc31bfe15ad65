#pragma once

#include <algorithm>

#include <QString>

namespace plattera {

// The text with every direction embedding, override and isolate it opens closed at its end
// (U+202C for LRE, RLE, LRO and RLO; U+2069 for LRI, RLI and FSI), so that a field from a tag,
// a cue sheet or a paste never turns the text drawn after it: an artist ending in a
// right-to-left override would otherwise reverse the title beside it. What the text closes
// itself, and closers without an opener, stay as they are (the latter close nothing).
inline QString withDirectionsClosed(const QString& text)
{
    constexpr char16_t kPopEmbedding = 0x202C, kPopIsolate = 0x2069;
    QString open; // the closer each open level needs, innermost last
    for (const QChar c : text) {
        switch (c.unicode()) {
        case 0x202A: // LRE
        case 0x202B: // RLE
        case 0x202D: // LRO
        case 0x202E: // RLO
            open += QChar(kPopEmbedding);
            break;
        case 0x2066: // LRI
        case 0x2067: // RLI
        case 0x2068: // FSI
            open += QChar(kPopIsolate);
            break;
        case kPopEmbedding: // never reaches out of an isolate
            if (!open.isEmpty() && open.back() == QChar(kPopEmbedding))
                open.chop(1);
            break;
        case kPopIsolate: // closes the innermost isolate and every embedding inside it
            if (const qsizetype isolate = open.lastIndexOf(QChar(kPopIsolate)); isolate >= 0)
                open.truncate(isolate);
            break;
        default:
            break;
        }
    }
    if (open.isEmpty())
        return text;
    std::reverse(open.begin(), open.end());
    return text + open;
}

} // namespace plattera
