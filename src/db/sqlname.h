#pragma once
// The one way a name reaches SQL text. Every statement built from a name read
// from the catalog or typed by a user (drop, compile, the data page, schema,
// exports, LOAD/UNLOAD, lookups) writes it through SqlName, so a legal name
// such as `a; drop table victim` stays one name and never becomes SQL.
//
// A plain name (lower-case ASCII letters, digits, '_' and '$', not starting
// with a digit) is written bare. Any other name is written as a delimited
// identifier ("my ""table"""), which the session running the text takes only
// with DELIMIDENT on; where it is off, SqlName raises DbError naming the
// object instead of pasting it. Reserved words and names with letters beyond
// ASCII are delimited when the session can take it and written bare when it
// cannot: Informix takes most keywords as names, and such letters in its
// locales' identifiers.
//
// Owners are written like names; where delimiting is off, an owner that needs
// quotes is written as a quoted string ('Owner'.name), which Informix takes.
#include <QString>

namespace quodlin {

class IDbConnection;

// How the text will be run: whether double quotes delimit identifiers there.
enum class SqlNameStyle {
    Delimident,   // DELIMIDENT on: "name"
    Plain,        // DELIMIDENT off: only names that need no delimiting
};

// The style of a connection; Plain without one.
SqlNameStyle SqlNameStyleOf(const IDbConnection *connection);

// True when the name must be delimited to mean itself in SQL text.
bool SqlNameNeedsDelimiting(const QString &name);

// The name as SQL text. Raises DbError for an empty name, a name holding a
// NUL character, or one that needs delimiting in the Plain style.
QString SqlName(const QString &name, SqlNameStyle style = SqlNameStyle::Delimident);
// owner.name; an empty owner gives the name alone.
QString SqlName(const QString &owner, const QString &name, SqlNameStyle style = SqlNameStyle::Delimident);

// A value as an SQL string literal ('it''s'), for the statements that take a
// name as a value (catalog lookups by name where no parameter can be bound).
QString SqlString(const QString &value);

} // namespace quodlin
