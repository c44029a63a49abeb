#include "engine/error.h"

#include <unordered_map>

namespace quodlin::engine {

namespace {

const std::unordered_map<int, const char *> &sqlMessages()
{
    static const std::unordered_map<int, const char *> table = {
        {-201, "A syntax error has occurred."},
        {-202, "An illegal character has been found in the statement."},
        {-206, "The specified table (%s) is not in the database."},
        {-213, "Statement interrupted by user."},
        {-217, "Column (%s) not found in any table in the query (or SLV is undefined)."},
        {-218, "Synonym (%s) not found."},
        {-232, "A SERIAL column (%s) may not be updated."},
        {-234, "Cannot insert into virtual column (%s)."},
        {-236, "Number of columns in INSERT table does not match number of VALUES."},
        {-239, "Could not insert new row - duplicate value in a UNIQUE INDEX column (%s)."},
        {-240, "Could not delete a row."},
        {-244, "Could not do a physical-order read to fetch next row."},
        {-249, "Virtual column must have explicit name."},
        {-255, "Not in transaction."},
        {-256, "Transaction not available."},
        {-268, "Unique constraint (%s) violated."},
        {-271, "Could not insert new row into the table."},
        {-272, "No SELECT permission for %s."},
        {-273, "No UPDATE permission for %s."},
        {-274, "No DELETE permission for %s."},
        {-275, "The Insert privilege is required for this operation."},
        {-282, "Found a quote for which there is no matching quote."},
        {-283, "Found an unmatched '{' (comment not terminated)."},
        {-208, "Memory allocation failed during query processing."},
        {-284, "A subquery has returned not exactly one row."},
        {-294, "The column (%s) must be in the GROUP BY list."},
        {-297, "Cannot find unique constraint or primary key on referenced table (%s)."},
        {-298, "Cannot grant permission to public with grant option."},
        {-303, "Expression mixes columns with aggregates."},
        {-309, "ORDER BY column (%s) must be in SELECT list."},
        {-310, "Table (%s) already exists in database."},
        {-312, "Cannot update system catalog (%s)."},
        {-313, "Not owner of table."},
        {-316, "Index (%s) already exists in database."},
        {-319, "Index does not exist."},
        {-322, "Cannot Alter a view, Rename a view or Create a trigger on a view (%s)."},
        {-324, "Ambiguous column (%s)."},
        {-328, "Column (%s) already exists in table or type."},
        {-329, "Database not found or no system permission."},
        {-330, "Cannot create or rename the database."},
        {-346, "Could not update a row in the table."},
        {-349, "Database not selected yet."},
        {-350, "Index already exists on column."},
        {-352, "Column (%s) not found."},
        {-360, "Cannot modify table or view used in subquery."},
        {-362, "Can have only one column of type SERIAL (or SERIAL8/BIGSERIAL)."},
        {-370, "Cannot drop last column."},
        {-371, "Cannot create unique index on column with duplicate data."},
        {-382, "Same number of columns must be specified for view and select clause."},
        {-384, "Cannot modify non simple view."},
        {-385, "Data value out of range."},
        {-387, "No connect permission."},
        {-388, "No resource permission."},
        {-389, "No DBA permission."},
        {-391, "Cannot insert a null into column (%s)."},
        {-393, "A condition in the where clause results in a two-sided outer join."},
        {-394, "View (%s) not found."},
        {-395, "The where clause contains an outer cartesian product."},
        {-396, "Illegal join between a nested OUTER table and a preserved table."},
        {-500, "Clustered index (%s) already exists on the table."},
        {-530, "Check constraint (%s) failed."},
        {-535, "Already in transaction."},
        {-541, "User does not have ALTER privilege."},
        {-544, "Cannot have aggregates within aggregates."},
        {-548, "No referential constraint or trigger allowed on a TEMP table."},
        {-559, "Cannot create synonym on another synonym in the same database."},
        {-589, "A table can have only one primary key."},
        {-592, "Cannot have NULL default on a NOT NULL column."},
        {-593, "Cannot specify a default value for a SERIAL column."},
        {-623, "Unable to find CONSTRAINT (%s)."},
        {-625, "Constraint name (%s) already exists."},
        {-634, "Object (%s) does not exist."},
        {-648, "Cannot open DEBUG file (%s) for SPL routine trace."},
        {-655, "Number of RETURN values does not match RETURNING clause."},
        {-667, "Variable (%s) not declared."},
        {-668, "System command cannot be executed."},
        {-669, "Variable (%s) redeclared."},
        {-673, "Another routine (%s) with same signature already exists in database."},
        {-674, "Routine (%s) can not be resolved."},
        {-681, "Column specified more than once in the INSERT list."},
        {-685, "Function (%s) returns too few values."},
        {-686, "Function (%s) has returned more than one row."},
        {-691, "Missing key in referenced table for referential constraint (%s)."},
        {-692, "Key value for constraint (%s) is still being referenced."},
        {-696, "Variable (%s) has undefined value."},
        {-697, "The STEP value of a FOR loop cannot be zero."},
        {-703, "Primary key on table (%s) has a field with a null key value."},
        {-706, "Execute privilege denied on procedure (%s)."},
        {-730, "Cannot specify REFERENCING if trigger does not have FOR EACH ROW."},
        {-732, "Incorrect use of old or new values correlation name inside trigger."},
        {-743, "Object (%s) already exists in database."},
        {-745, "Trigger execution has failed."},
        {-746, "%s"},
        {-747, "Table or column matches object referenced in triggering statement."},
        {-748, "Exceeded limit on maximum number of cascaded triggers."},
        {-800, "Corresponding data types must be compatible in CASE/DECODE/UNION."},
        {-879, "Trim character must be a single character."},
        {-880, "Trim source must be of a character type."},
        {-859, "Identifier length exceeds the maximum allowed by this version of the server."},
        {-881, "Concatenation result exceeds maximum length."},
        {-886, "Cannot drop table or view because of existing dependencies."},
        {-943, "Found an unterminated C-style comment."},
        {-944, "Cannot use \"first\", \"limit\", \"top\" or \"skip\" in this context."},
        {-958, "Temp table (%s) already exists in session."},
        {-999, "Not implemented yet."},
        {-26079, "CONNECT BY query resulted in a loop/cycle."},
        {-8301, "Invalid sequence parameters."},
        {-8315, "Sequence (%s) CURRVAL is not yet defined in this session."},
        {-8316, "Sequence (%s) exhausted."},
        {-9620, "Cannot open the explain output file (%s)."},
        {-9621, "Database (%s) is read-only: its file or folder cannot be written."},
        {-9622, "The statement exceeds a limit of the embedded engine: %s."},
        {-9623, "The file (%s) is not a database or is damaged."},
        {-9625, "The embedded engine does not support %s."},
        {-9628, "Type (%s) not found."},
        {-9632, "Value does not match the type of column (%s)."},
        {-9627, "Cannot drop type (%s): a column uses it."},
        {-9629, "Cannot read or write the file (%s)."},
        {-9630, "%s reads and writes files only in a statement run directly, not inside a routine, trigger or view (QUODLIN_SPL_SYSTEM=1 allows it)."},
        {-9626, "MERGE matched a row of table (%s) with more than one source row."},
        {-9624, "Could not write the database file (%s)."},
        {-1200, "A numeric value is too large for a DECIMAL (or MONEY)."},
        {-1201, "A numeric value is too small (underflow)."},
        {-1202, "An attempt was made to divide by zero."},
        {-1204, "Invalid year in date."},
        {-1205, "Invalid month in date."},
        {-1206, "Invalid day in date."},
        {-1209, "Without any delimiters, this date must contain exactly 6 or 8 digits."},
        {-1212, "Data conversion format must contain a month, day, and year component."},
        {-1213, "A character to numeric conversion process failed."},
        {-1214, "Value exceeds limit of SMALLINT precision."},
        {-1215, "Value exceeds limit of INTEGER precision."},
        {-1218, "String to date conversion error."},
        {-1224, "Invalid decimal number."},
        {-1226, "Decimal or money value exceeds maximum precision."},
        {-1260, "It is not possible to convert between the specified types."},
        {-1261, "Too many digits in the first field of datetime or interval."},
        {-1262, "Non-numeric character in datetime or interval."},
        {-1263, "A field in a datetime or interval value is incorrect or an illegal operation specified on datetime field."},
        {-1264, "Extra characters at the end of a datetime or interval."},
        {-1265, "Overflow occurred on a datetime or interval operation."},
        {-1266, "Intervals or datetimes are incompatible for the operation."},
        {-1267, "The result of a datetime computation is out of range."},
        {-1268, "Invalid datetime or interval qualifier."},
        {-1279, "Value exceeds string column length."},
        {-1284, "Value will not fit in a BIGINT or INT8."},
    };
    return table;
}

const std::unordered_map<int, const char *> &isamMessages()
{
    static const std::unordered_map<int, const char *> table = {
        {-100, "ISAM error: duplicate value for a record with unique key."},
        {-101, "ISAM error: file is not open."},
        {-102, "ISAM error: illegal argument to ISAM function."},
        {-103, "ISAM error: illegal key descriptor (too many parts or too long)."},
        {-104, "ISAM error: too many files open."},
        {-105, "ISAM error: bad ISAM file format."},
        {-106, "ISAM error: non-exclusive access."},
        {-107, "ISAM error: record is locked."},
        {-108, "ISAM error: key already exists."},
        {-110, "ISAM error: end or beginning of file."},
        {-111, "ISAM error: no record found."},
        {-112, "ISAM error: there is no current record."},
        {-113, "ISAM error: the file is locked."},
        {-131, "ISAM error: no free disk space."},
        {-143, "ISAM error: deadlock detected."},
        {-144, "ISAM error: key value locked."},
        {-154, "ISAM error: Lock Timeout Expired."},
    };
    return table;
}

std::string fill(std::string text, const std::string &arg)
{
    auto pos = text.find("%s");
    if (pos != std::string::npos)
        text.replace(pos, 2, arg);
    return text;
}

} // namespace

std::string sqlErrorText(int sqlCode)
{
    auto it = sqlMessages().find(sqlCode);
    return it == sqlMessages().end() ? std::string() : std::string(it->second);
}

std::string isamErrorText(int isamCode)
{
    auto it = isamMessages().find(isamCode);
    return it == isamMessages().end() ? std::string() : std::string(it->second);
}

std::optional<std::string> messageArgument(const ErrorInfo &e)
{
    const std::string text = sqlErrorText(e.sqlCode);
    const auto pos = text.find("%s");
    if (pos == std::string::npos)
        return std::nullopt;
    const std::string prefix = text.substr(0, pos), suffix = text.substr(pos + 2);
    const std::string &m = e.message;
    if (m.size() < prefix.size() + suffix.size() || m.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    std::size_t end = m.size() - suffix.size();
    if (m.compare(end, suffix.size(), suffix) != 0) {
        // A sentence added after the text ("... file (x). Files named ...").
        end = m.rfind(suffix + " ");
        if (end == std::string::npos || end < prefix.size())
            return std::nullopt;
    }
    return m.substr(prefix.size(), end - prefix.size());
}

ErrorInfo makeError(int sqlCode, const std::string &arg, int offset, int isamCode,
                    const std::string &isamArg)
{
    ErrorInfo info;
    info.sqlCode = sqlCode;
    std::string text = sqlErrorText(sqlCode);
    info.message = text.empty() ? "Unknown error " + std::to_string(sqlCode) + "." : fill(text, arg);
    info.isamCode = isamCode;
    if (isamCode != 0)
        info.isamMessage = fill(isamErrorText(isamCode), isamArg);
    info.offset = offset;
    return info;
}

void raise(int sqlCode, const std::string &arg, int offset, int isamCode, const std::string &isamArg)
{
    throw EngineError(makeError(sqlCode, arg, offset, isamCode, isamArg));
}

} // namespace quodlin::engine
