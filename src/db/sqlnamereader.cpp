#include "db/sqlnamereader.h"

namespace quodlin {

namespace {

bool isWordStart(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || c == QLatin1Char('_') || (c.unicode() >= 0x80 && (c.isLetter() || c.isSurrogate()));
}

bool isWordChar(QChar c)
{
    return isWordStart(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('$')
        || (c.unicode() >= 0x80 && c.isLetterOrNumber());
}

QString foldAscii(QString word)
{
    for (QChar &c : word)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() - 'A' + 'a');
    return word;
}

struct Part {
    QString value;
    QChar quote;   // '"', '\'' or none for a bare word
    qsizetype end = 0;
};

std::optional<Part> readPart(const QString &text, qsizetype at)
{
    if (at >= text.size())
        return std::nullopt;
    const QChar c = text[at];
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
        Part part{{}, c, 0};
        for (qsizetype i = at + 1; i < text.size(); ++i) {
            if (text[i] != c) {
                part.value += text[i];
                continue;
            }
            if (i + 1 < text.size() && text[i + 1] == c) {
                part.value += c;
                ++i;
                continue;
            }
            part.end = i + 1;
            if (part.value.isEmpty())
                return std::nullopt;
            return part;
        }
        return std::nullopt;
    }
    if (!isWordStart(c))
        return std::nullopt;
    qsizetype end = at;
    while (end < text.size() && isWordChar(text[end]))
        ++end;
    return Part{foldAscii(text.mid(at, end - at)), QChar(), end};
}

qsizetype skipSpaces(const QString &text, qsizetype at)
{
    while (at < text.size() && text[at].isSpace())
        ++at;
    return at;
}

} // namespace

qsizetype SkipSqlBlanks(const QString &text, qsizetype at)
{
    while (at < text.size()) {
        const QChar c = text[at];
        if (c.isSpace()) {
            ++at;
        } else if (c == QLatin1Char('-') && text.mid(at, 2) == QLatin1String("--")) {
            const qsizetype end = text.indexOf(QLatin1Char('\n'), at);
            at = end < 0 ? text.size() : end;
        } else if (c == QLatin1Char('{')) {
            const qsizetype end = text.indexOf(QLatin1Char('}'), at);
            at = end < 0 ? text.size() : end + 1;
        } else if (c == QLatin1Char('/') && text.mid(at, 2) == QLatin1String("/*")) {
            const qsizetype end = text.indexOf(QLatin1String("*/"), at + 2);
            at = end < 0 ? text.size() : end + 2;
        } else {
            break;
        }
    }
    return at;
}

std::optional<SqlQualifiedName> ReadSqlQualifiedName(const QString &text, qsizetype at)
{
    const std::optional<Part> first = readPart(text, at);
    if (!first)
        return std::nullopt;
    const qsizetype dot = skipSpaces(text, first->end);
    if (dot < text.size() && text[dot] == QLatin1Char('.')) {
        const std::optional<Part> second = readPart(text, skipSpaces(text, dot + 1));
        if (!second || second->quote == QLatin1Char('\''))
            return std::nullopt;
        return SqlQualifiedName{first->value, second->value, at, second->end};
    }
    if (first->quote == QLatin1Char('\''))
        return std::nullopt;
    return SqlQualifiedName{QString(), first->value, at, first->end};
}

std::optional<SqlQualifiedName> ParseSqlQualifiedName(const QString &text)
{
    const qsizetype start = SkipSqlBlanks(text, 0);
    std::optional<SqlQualifiedName> name = ReadSqlQualifiedName(text, start);
    if (!name || SkipSqlBlanks(text, name->end) != text.size())
        return std::nullopt;
    return name;
}

} // namespace quodlin
