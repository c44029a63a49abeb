#pragma once
// The session's SPL interpreter: routines compiled from their catalog text on
// first call and kept per session, EXECUTE PROCEDURE / FUNCTION as a
// statement, routines called from SQL expressions (ifx_spl_call), GLOBAL
// variables, and the TRACE debug file.
#include "engine/ast.h"
#include "engine/callback.h"
#include "engine/engine.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quodlin::engine {

class SessionImpl;

namespace spl {

struct ResultRows {
    bool hasResultSet = false;  // the routine declares RETURNING values
    std::vector<ColumnDescription> columns;
    std::vector<std::vector<Value>> rows;  // as a cursor hands them out
};

class Interpreter;

class Runtime {
public:
    explicit Runtime(SessionImpl &s);
    ~Runtime();

    // EXECUTE PROCEDURE | FUNCTION at the top level of a prepared text;
    // `params` are the values bound to the text's parameters (?N order of
    // the statement).
    ResultRows execute(const ast::RoutineStatement &st, const std::vector<Value> &params);

    // INSERT, UPDATE or DELETE on `tabid`, run by `run`, with the table's triggers.
    void runDml(const ast::Statement &stmt, int tabid, Callback run);

    // Before DML is prepared: SQLite's triggers as the catalog's are.
    void syncTriggers();
    // Whether table `tabid` has triggers (after syncTriggers).
    bool hasTriggers(int tabid) const;
    // After a rollback: the next statement checks SQLite's triggers again and
    // compiles the routines it calls anew.
    void forgetTriggers();

    // SET DEBUG FILE TO 'path' [WITH APPEND]: a relative path goes where
    // the explain file goes; outside that folder it needs the switch of
    // file_access.h (-648 otherwise).
    void setDebugFile(const std::string &path, bool append);

    Interpreter &interpreter() { return *m_interpreter; }

private:
    std::unique_ptr<Interpreter> m_interpreter;
    SessionImpl &m_s;
};

// Registers ifx_spl_call on the session's connection.
void registerFunctions(SessionImpl &s);

} // namespace spl
} // namespace quodlin::engine
