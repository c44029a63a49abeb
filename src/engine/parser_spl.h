#pragma once
// SPL body parser (parser_spl.cpp), called by the CREATE PROCEDURE parser.
#include "engine/parser_internal.h"
#include "engine/spl_ast.h"

namespace quodlin::engine {

// Parses statements up to END `closing` (not consumed); faults raise -201.
std::shared_ptr<ast::spl::Body> parseSplBody(Parser &p, const char *closing);

} // namespace quodlin::engine
