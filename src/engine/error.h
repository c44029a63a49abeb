#pragma once
// Failures of the embedded engine, as an Informix server reports them: the SQL
// error number and its message with "%s" filled, the ISAM error number and
// message where Informix gives one, and the character offset (0-based, in the
// whole statement text) of the fault; -1 when no position applies.
#include <optional>
#include <stdexcept>
#include <string>

namespace quodlin::engine {

struct ErrorInfo {
    int sqlCode = 0;          // negative Informix error number, e.g. -201
    std::string message;      // text with %s filled in
    int isamCode = 0;         // negative ISAM error number, 0 when none
    std::string isamMessage;  // ISAM text, empty when none
    int offset = -1;          // character offset of the fault in the statement text
    std::string routine;      // the SPL routine the fault happened in, empty outside routines
};

class EngineError : public std::runtime_error {
public:
    explicit EngineError(ErrorInfo info)
        : std::runtime_error(info.message), m_info(std::move(info)) {}
    const ErrorInfo &info() const { return m_info; }
    int sqlCode() const { return m_info.sqlCode; }
    int offset() const { return m_info.offset; }

private:
    ErrorInfo m_info;
};

// The Informix message text of an SQL error number (with "%s" unfilled);
// empty for an unknown number.
std::string sqlErrorText(int sqlCode);
// The Informix message text of an ISAM error number; empty for an unknown number.
std::string isamErrorText(int isamCode);

// What filled the "%s" of `e`'s message; nullopt when the message is not the
// number's text (filled, and perhaps followed by a sentence of its own).
std::optional<std::string> messageArgument(const ErrorInfo &e);

// Builds an error from the message table, filling the first "%s" with `arg`.
ErrorInfo makeError(int sqlCode, const std::string &arg = {}, int offset = -1,
                    int isamCode = 0, const std::string &isamArg = {});
[[noreturn]] void raise(int sqlCode, const std::string &arg = {}, int offset = -1,
                        int isamCode = 0, const std::string &isamArg = {});

} // namespace quodlin::engine
