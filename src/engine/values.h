#pragma once
// Parsing and formatting of Informix values under a session's environment:
// DATE with DBDATE/DBCENTURY, DATETIME and INTERVAL in their canonical forms
// and their arithmetic, DECIMAL/MONEY at a scale with DBMONEY, BOOLEAN.
// Failures throw EngineError with the conversion error numbers (-12xx).
//
// Canonical forms (how the values are stored and cross engine.h):
//  DATE      day number, 1899-12-31 = 0
//  DATETIME  "YYYY-MM-DD hh:mm:ss.fffff" cut to the qualifier's fields
//            (HOUR TO MINUTE: "13:45"; YEAR TO DAY: "2024-05-17")
//  INTERVAL  Informix display form of its qualifier: optional '-', the
//            leading field unpadded, the rest fixed width ("3 10:30:00",
//            "-5", "2-06", "120:00")
#include "engine/engine.h"
#include "engine/types.h"

#include <cstdint>
#include <string>

namespace quodlin::engine {

// --- DATE ---
std::int64_t dayNumber(int year, int month, int day);
void civilDate(std::int64_t dayNumber, int &year, int &month, int &day);
bool validDate(int year, int month, int day);
// Text to DATE with the DBDATE order; two-digit years expanded by DBCENTURY.
std::int64_t parseDate(const std::string &text, const Environment &env);
std::string formatDate(std::int64_t dayNumber, const Environment &env);
// Two-digit year expansion: R current century, P past, F future, C closest.
int expandYear(int twoDigitYear, const std::string &dbcentury);
std::int64_t todayDayNumber();

// --- DATETIME ---
// Text in the ANSI layout (only the qualifier's fields, or a leading subset)
// to the canonical form of `qualifier` (collength encoding).
std::string parseDatetime(const std::string &text, int qualifier);
// Converts a canonical DATETIME between qualifiers: missing leading fields
// come from the current time, missing trailing ones are zero/one.
std::string extendDatetime(const std::string &canonical, int fromQualifier, int toQualifier);
std::string currentDatetime(int qualifier);

// --- INTERVAL ---
// Year-month intervals count months; day-time intervals count units of 1e-5 s.
struct IntervalValue {
    bool yearMonth = false;
    std::int64_t amount = 0;
};
IntervalValue parseInterval(const std::string &text, int qualifier);
std::string formatInterval(const IntervalValue &value, int qualifier);
// DATETIME +/- INTERVAL, keeping the datetime's qualifier (-1267 out of range).
std::string addInterval(const std::string &datetime, int dtQualifier,
                        const IntervalValue &interval, int sign = 1);
// DATETIME - DATETIME as a day-time interval (-1266 for year-month qualifiers).
IntervalValue subtractDatetimes(const std::string &a, int aQualifier,
                                const std::string &b, int bQualifier);

// --- DECIMAL / MONEY / numbers ---
// Half away from zero at `scale` from the nearest double; scale 255 (floating
// DECIMAL) uses at most 15 significant digits.
std::string formatDecimal(double value, int scale);
// The same into `out`, reusing its buffer (a cursor's row values).
void formatDecimalInto(std::string &out, double value, int scale);
// `value` rounded to `scale` as formatDecimal shows it: what a DECIMAL or
// MONEY column stores (9.995 at scale 2 is 10.00, not the 9.99 that scaling
// the double would give). Scale 255 and non-finite values come back unchanged.
double roundDecimal(double value, int scale);
// An expression result: at most 15 significant digits, no exponent for
// ordinary magnitudes (0.1+0.2 gives "0.3").
std::string formatNumber(double value);
// Text to number; -1213 when it is not one.
double parseNumber(const std::string &text);
// Money display with DBMONEY: "$1.50", "-$1.50"; a DBMONEY like "EUR," puts the
// decimal separator ',' and the symbol in front, "," alone keeps no symbol.
std::string formatMoney(const std::string &decimalText, const Environment &env, bool withCurrency);

// --- BOOLEAN ---
// 't'/'f' (also 1/0, true/false); -1260 otherwise.
bool parseBoolean(const std::string &text);

// Checks a number against SMALLINT / INTEGER / INT8 limits (-1214, -1215, -1284).
std::int64_t checkIntegerRange(double value, int code);

} // namespace quodlin::engine
