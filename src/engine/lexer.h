#pragma once
// Splits an Informix SQL text into tokens. Skips the three comment styles
// (-- to end of line, { ... }, /* ... */) and whitespace; reports unterminated
// strings (-282), braces (-283) and C comments (-943) and stray characters
// (-202) and names longer than 128 bytes (-859) as EngineErrors at the
// offset where the construct starts.
#include "engine/token.h"

#include <string_view>
#include <vector>

namespace quodlin::engine {

struct LexOptions {
    bool delimident = false;  // double quotes delimit identifiers instead of strings
};

std::vector<Token> tokenize(std::string_view text, const LexOptions &opts = {});
// The same into `out`, reusing its storage.
void tokenizeInto(std::string_view text, const LexOptions &opts, std::vector<Token> &out);

} // namespace quodlin::engine
