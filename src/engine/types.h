#pragma once
// Informix type codes and the syscolumns.collength encodings: DECIMAL p/s,
// VARCHAR max/min, DATETIME/INTERVAL qualifiers, and the SQL text of a type.
// Pure functions; the catalog, the DDL executor and the translator share them.
#include <string>

namespace quodlin::engine {

enum TypeCode : int {
    TChar = 0, TSmallInt = 1, TInteger = 2, TFloat = 3, TSmallFloat = 4, TDecimal = 5,
    TSerial = 6, TDate = 7, TMoney = 8, TNull = 9, TDateTime = 10, TByte = 11, TText = 12,
    TVarChar = 13, TInterval = 14, TNChar = 15, TNVarChar = 16, TInt8 = 17, TSerial8 = 18,
    TSet = 19, TMultiset = 20, TList = 21, TRow = 22,
    TUdtVar = 40, TUdtFixed = 41, TLVarCharClient = 43, TBooleanClient = 45,
    TBigInt = 52, TBigSerial = 53,
};

inline constexpr int kNotNullFlag = 256;
inline constexpr int kTypeMask = 0xFF;
// syscolumns.coltype of a column of a named ROW type: 0x1000 + 22.
inline constexpr int kNamedRowFlag = 0x1000;
inline constexpr int kXidLVarChar = 1;
inline constexpr int kXidBoolean = 5;
inline constexpr int kXidBlob = 10;
inline constexpr int kXidClob = 11;

// DATETIME/INTERVAL time units as stored in a qualifier. FRACTION(n) as an
// end unit is 10 + n; FRACTION as a start unit is 12.
enum TimeUnit : int {
    UYear = 0, UMonth = 2, UDay = 4, UHour = 6, UMinute = 8, USecond = 10, UFraction = 12,
};

// A column type as written in DDL and stored in syscolumns. LVARCHAR and
// BOOLEAN use the server convention (40/41 with extendedId 1/5).
struct TypeDesc {
    int code = TChar;       // base code, no flag bits
    int collength = 1;      // encoded as in syscolumns.collength
    int extendedId = 0;
    long long serialStart = 1;  // SERIAL(n) / SERIAL8(n) / BIGSERIAL(n)

    bool operator==(const TypeDesc &) const = default;
};

// The value of a DATETIME or INTERVAL qualifier.
struct Qualifier {
    int start = UYear;
    int end = USecond;     // FRACTION(n) is 10 + n
    int length = 0;        // total digits
    int leading = 4;       // INTERVAL: digits of the first field
};

int encodeDecimal(int precision, int scale);   // scale < 0: floating DECIMAL(p)
int decimalPrecision(int collength);
int decimalScale(int collength);               // 255 for floating
int encodeVarchar(int max, int min = 0);
int varcharMax(int collength);                 // handles negative SMALLINT storage
int varcharMin(int collength);

// Qualifier encodings; throw EngineError -1268 when start is later than end
// or a precision is out of range. `leading` < 0 takes the default (2, or 4 for YEAR).
int encodeDatetime(int start, int end);
int encodeInterval(int start, int end, int leading = -1);
Qualifier decodeQualifier(int collength, bool interval);
// "YEAR TO FRACTION(3)", "DAY(3) TO DAY"
std::string qualifierText(int collength, bool interval);

TypeDesc typeFromCode(int coltype, int collength, int extendedId = 0);
// The type as Informix DDL spells it: "CHAR(10)", "DECIMAL(8,2)", "DATETIME YEAR TO DAY".
std::string typeText(int coltype, int collength, int extendedId = 0);
inline std::string typeText(const TypeDesc &t) { return typeText(t.code, t.collength, t.extendedId); }

// Storage class of the SQLite column holding the type.
const char *sqliteStorage(int code, int extendedId = 0);

bool isCharacter(int code, int extendedId = 0);   // CHAR, VARCHAR, NCHAR, NVARCHAR, LVARCHAR
bool isSerial(int code);
// Integer types a single-column primary key keeps as SQLite's row id.
bool isRowKeyType(int code);
bool isNumeric(int code);
bool isBoolean(int code, int extendedId);
// SET, MULTISET, LIST or ROW: kept as their text (complex_types.h).
bool isComplex(int code);
// Bytes the column takes in a row, as systables.rowsize adds them up.
int storageSize(int code, int collength, int extendedId = 0);

} // namespace quodlin::engine
