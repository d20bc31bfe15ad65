#include "tracklists/track_lines.h"

#include <QRegularExpression>

namespace plattera {

QString trackNumberPrefix(int number)
{
    return QString::number(number) + QStringLiteral(". ");
}

QString withoutLeadingNumber(const QString& line)
{
    // Digits, then a full stop, a closing bracket or a dash, as track listings on web pages,
    // in shops and in players' exports write them; "2 Become 1" or "1999" carry none.
    static const QRegularExpression number(QStringLiteral(R"(^\s*\d+\s*(?:\.|\)|-|\x{2013})\s*)"));
    const QRegularExpressionMatch match = number.match(line);
    if (!match.hasMatch() || match.capturedLength() == line.size())
        return line;
    return line.mid(match.capturedLength());
}

QStringList pastedTrackTitles(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList titles;
    for (const QString& line : text.split(lineBreak))
        if (!line.trimmed().isEmpty())
            titles << withoutLeadingNumber(line);
    if (titles.size() < 2)
        return {};
    return titles;
}

QStringList linesAfterRemoval(const QStringList& lines, int removed)
{
    QStringList kept;
    for (int i = 0; i < lines.size(); ++i) {
        if (i == removed)
            continue;
        const QString given = trackNumberPrefix(i + 1);
        if (i > removed && lines[i].startsWith(given))
            kept << trackNumberPrefix(i) + lines[i].mid(given.size());
        else
            kept << lines[i];
    }
    return kept;
}

} // namespace plattera
