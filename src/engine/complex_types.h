#pragma once
// Collection (SET, MULTISET, LIST) and ROW types: their catalog rows, their
// DDL spelling, and their values. A type lives in sysxtdtypes (mode 'C' for
// a collection or unnamed ROW of one column, 'R' for a named ROW type) with
// one sysattrtypes row for itself (levelno 0) and one per element or field
// (levelno 1). Members are built-in types.
//
// Values are kept in the row as the text Informix shows: SET{1,2},
// LIST{'b','a'}, ROW(1,'x'). SET and MULTISET keep their elements in
// ascending order and SET keeps each once, so equal collections have equal
// text and compare with SQLite's own '='.
#include "engine/ast.h"
#include "engine/engine.h"
#include "engine/types.h"

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quodlin::engine {

struct ComplexType {
    int code = TRow;                       // TSet, TMultiset, TList or TRow
    int extendedId = 0;
    std::string name, owner;               // a named ROW type; empty otherwise
    std::vector<std::string> fieldNames;   // ROW
    std::vector<TypeDesc> members;         // the element, or the fields
};

// The type of `extendedId`; nullopt when it is none of these.
std::optional<ComplexType> loadComplexType(sqlite3 *db, int extendedId);
// A named ROW type by name (and owner when given).
std::optional<ComplexType> findRowType(sqlite3 *db, const std::string &name, const std::string &owner = {});
// The type a type name spells: a named ROW type from the catalog (-9628 at
// the name when there is none), else the collection or unnamed ROW written;
// members must be built-in types (-9625 otherwise).
ComplexType complexTypeOf(sqlite3 *db, const ast::TypeName &t);
// Writes the catalog rows of `t` (its name and owner make it a named ROW
// type) and returns its new extended id (from 2048, as user types are).
int registerComplexType(sqlite3 *db, const ComplexType &t);
// Removes the catalog rows of `extendedId`.
void deleteComplexType(sqlite3 *db, int extendedId);
// Removes the rows of collection and unnamed ROW types no column uses.
void deleteUnusedComplexTypes(sqlite3 *db);

// "SET(INTEGER NOT NULL)", "ROW(x INTEGER, y CHAR(1))", or the name of a named ROW type.
std::string complexTypeText(const ComplexType &t);
// syscolumns.collength of a column of `t`: the bytes its members take.
int complexCollength(const ComplexType &t);

// A collection or ROW value as written: its kind and its elements' text,
// quoted or bare.
struct ComplexText {
    int code = TRow;
    std::vector<std::string> items;
    std::vector<bool> quoted;
};
// Reads "SET{1,'a'}", "list{ }", "ROW(1, 'x')"; nullopt when the text is none.
std::optional<ComplexText> parseComplexText(std::string_view text);
// The stored text of `value` as a value of `t`: each element converted to
// its member type (conversion errors as for a column), SET and MULTISET in
// order, SET without repeats. -9632 naming `column` when the kind or the
// field count does not match.
std::string complexValueText(const ComplexText &value, const ComplexType &t, const Environment &env,
                             const std::string &column);
// The type a literal's elements give it: INTEGER, DECIMAL or VARCHAR(255).
ComplexType literalComplexType(const ComplexText &value);

} // namespace quodlin::engine
