#include "tracklists/track_lines.h"

#include <QRegularExpression>

#include "tracklists/title_length.h"

namespace plattera {

namespace {

bool isLineEnd(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x85:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

} // namespace

QString cutAtCharacter(const QString& text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    if (length > 0 && text[length - 1].isHighSurrogate())
        --length;
    return text.left(length);
}

QString enteredTrackLine(const QString& typed, int number)
{
    if (number > 0)
        return trackNumberPrefix(number) + cutAtCharacter(typed, kMaxTitleLength);
    const qsizetype numberLength = typed.size() - withoutLeadingNumber(typed).size();
    return typed.left(numberLength) + cutAtCharacter(typed.mid(numberLength), kMaxTitleLength);
}

bool isBlankTitle(const QString& text)
{
    return singleLineText(text).trimmed().isEmpty();
}

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

QString singleLineText(const QString& text)
{
    QString line;
    line.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\t' || isLineEnd(c))
            line += u' ';
        else if (c.category() != QChar::Other_Control)
            line += c;
    }
    return line;
}

QString titleText(const QString& text)
{
    const QString line = singleLineText(text);
    return cutAtCharacter(line, kMaxTitleLength);
}

PastedTracks pastedTrackTitles(const QString& text)
{
    static const QRegularExpression lineBreak(
        QStringLiteral(R"(\r\n|[\n\v\f\r\x{85}\x{2028}\x{2029}])"));
    PastedTracks pasted;
    for (const QString& rawLine : text.split(lineBreak)) {
        const QString line = singleLineText(rawLine);
        if (line.trimmed().isEmpty())
            continue;
        const QString title = withoutLeadingNumber(line);
        if (title.size() > kMaxTitleLength) {
            pasted.titles << cutAtCharacter(title, kMaxTitleLength);
            ++pasted.shortened;
        } else {
            pasted.titles << title;
        }
    }
    if (pasted.titles.size() < 2)
        return {};
    return pasted;
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
