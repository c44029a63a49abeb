#pragma once
// Recursive-descent parser of the Informix SQL dialect. A script is a list of
// statements separated by semicolons; each statement records its offset range
// in the whole text and its parameters (`?` and `:name`) in order of
// appearance. Syntax errors raise -201 at the offending token. Statements a
// later engine stage carries out (views, routines, triggers, privileges) are
// recognised and kept as nodes, so valid syntax never fails here.
#include "engine/ast.h"

#include <string>

namespace quodlin::engine {

struct ParseOptions {
    bool delimident = false;  // DELIMIDENT: "x" is an identifier
};

ast::Script parseScript(const std::string &text, const ParseOptions &opts = {});

// Parses one expression (a CHECK condition or DEFAULT text kept in the catalog).
ast::ExprPtr parseExpression(const std::string &text, const ParseOptions &opts = {});

} // namespace quodlin::engine
