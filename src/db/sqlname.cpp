#include "db/sqlname.h"

#include "db/dbdriver.h"
#include "db/dberror.h"

#include <QSet>

namespace quodlin {

namespace {

// Words a statement's grammar gives a meaning where a name may stand, so a
// bare one would be read as the keyword (a column "select", an index "index").
const QSet<QString> &reservedWords()
{
    static const QSet<QString> words = [] {
        QSet<QString> s;
        for (const char *w : {"all", "alter", "and", "any", "as", "asc", "begin", "between", "by", "case", "check",
                              "commit", "constraint", "create", "cross", "current", "database", "default", "delete",
                              "desc", "distinct", "drop", "else", "end", "escape", "except", "execute", "exists",
                              "for", "foreign", "from", "full", "function", "grant", "group", "having", "if", "in",
                              "index", "inner", "insert", "intersect", "into", "is", "join", "key", "left", "like",
                              "matches", "minus", "not", "null", "on", "or", "order", "outer", "primary", "procedure",
                              "public", "references", "return", "returning", "revoke", "right", "role", "rollback",
                              "select", "sequence", "set", "some", "synonym", "table", "then", "to", "today",
                              "trigger", "union", "unique", "update", "user", "values", "view", "when", "where",
                              "while", "with", "work"})
            s.insert(QString::fromLatin1(w));
        return s;
    }();
    return words;
}

enum class Need { None, Preferred, Required };

Need delimiting(const QString &name)
{
    bool beyondAscii = false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        const bool letter = (c >= 'a' && c <= 'z') || c == '_';
        if (c >= 0x80 && name.at(i).isLetterOrNumber()) {
            beyondAscii = true;
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) {  // letters beyond the basic plane
            beyondAscii = true;
            continue;
        }
        if (letter || (i > 0 && ((c >= '0' && c <= '9') || c == '$')))
            continue;
        return Need::Required;
    }
    if (beyondAscii || reservedWords().contains(name))
        return Need::Preferred;
    return Need::None;
}

QString quoted(const QString &text, QChar quote)
{
    QString out;
    out.reserve(text.size() + 2);
    out += quote;
    for (QChar c : text) {
        out += c;
        if (c == quote)
            out += quote;
    }
    out += quote;
    return out;
}

void checkWritable(const QString &name, const char *what)
{
    if (name.isEmpty())
        throw DbError(QStringLiteral("An empty %1 cannot be written in a statement.").arg(QLatin1String(what)));
    if (name.contains(QChar(0)))
        throw DbError(QStringLiteral("The %1 \"%2\" holds a NUL character and cannot be written in a statement.")
                          .arg(QLatin1String(what), QString(name).replace(QChar(0), QStringLiteral("\\0"))));
}

} // namespace

SqlNameStyle SqlNameStyleOf(const IDbConnection *connection)
{
    return connection && connection->delimitedIdentifiers() ? SqlNameStyle::Delimident : SqlNameStyle::Plain;
}

bool SqlNameNeedsDelimiting(const QString &name)
{
    return delimiting(name) == Need::Required;
}

QString SqlName(const QString &name, SqlNameStyle style)
{
    checkWritable(name, "name");
    const Need need = delimiting(name);
    if (need == Need::None)
        return name;
    if (style == SqlNameStyle::Delimident)
        return quoted(name, QLatin1Char('"'));
    if (need == Need::Preferred)
        return name;
    throw DbError(QStringLiteral("The name \"%1\" can only be written as a delimited identifier, which needs "
                                 "DELIMIDENT set for the connection.")
                      .arg(name));
}

QString SqlName(const QString &owner, const QString &name, SqlNameStyle style)
{
    if (owner.isEmpty())
        return SqlName(name, style);
    checkWritable(owner, "owner name");
    QString text;
    if (delimiting(owner) == Need::None)
        text = owner;
    else
        text = quoted(owner, style == SqlNameStyle::Delimident ? QLatin1Char('"') : QLatin1Char('\''));
    return text + QLatin1Char('.') + SqlName(name, style);
}

QString SqlString(const QString &value)
{
    return quoted(value, QLatin1Char('\''));
}

} // namespace quodlin
