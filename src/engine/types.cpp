#include "engine/types.h"

#include "engine/error.h"
#include "engine/timeunits.h"

namespace quodlin::engine {

int encodeDecimal(int precision, int scale)
{
    return precision * 256 + (scale < 0 ? 255 : scale);
}

int decimalPrecision(int collength)
{
    return (collength & 0xFFFF) >> 8;
}

int decimalScale(int collength)
{
    return collength & 0xFF;
}

int encodeVarchar(int max, int min)
{
    int v = min * 256 + max;
    return v > 32767 ? v - 65536 : v;  // stored in a SMALLINT
}

int varcharMax(int collength)
{
    if (collength < 0)
        collength += 65536;
    return collength & 0xFF;
}

int varcharMin(int collength)
{
    if (collength < 0)
        collength += 65536;
    return collength >> 8;
}

namespace {

bool validUnit(int u, bool asEnd)
{
    if (u == UYear || u == UMonth || u == UDay || u == UHour || u == UMinute || u == USecond)
        return true;
    if (asEnd)
        return u >= 11 && u <= 15;
    return u == UFraction;
}

} // namespace

int encodeDatetime(int start, int end)
{
    if (!validUnit(start, false) || !validUnit(end, true) || start > end
        || (start == UFraction && end < 11))
        raise(-1268);
    if (start == UFraction) {
        int digits = end - 10;
        return digits * 256 + start * 16 + end;
    }
    int length = (end - start) + (start == UYear ? 4 : 2);
    return length * 256 + start * 16 + end;
}

int encodeInterval(int start, int end, int leading)
{
    if (!validUnit(start, false) || !validUnit(end, true) || start > end)
        raise(-1268);
    // Year-month and day-time classes cannot share a qualifier.
    if (start <= UMonth && end > UMonth)
        raise(-1268);
    if (start == UFraction) {
        int digits = end - 10;
        return digits * 256 + start * 16 + end;
    }
    if (leading < 0)
        leading = start == UYear ? 4 : 2;
    if (leading < 1 || leading > 9)
        raise(-1268);
    int length = leading + (end - start);
    return length * 256 + start * 16 + end;
}

Qualifier decodeQualifier(int collength, bool interval)
{
    if (collength < 0)
        collength += 65536;
    Qualifier q;
    q.length = collength >> 8;
    q.start = (collength >> 4) & 0xF;
    q.end = collength & 0xF;
    if (q.start == UFraction)
        q.leading = q.end - 10;
    else if (interval)
        q.leading = q.length - (q.end - q.start);
    else
        q.leading = q.start == UYear ? 4 : 2;
    return q;
}

std::string qualifierText(int collength, bool interval)
{
    const Qualifier q = decodeQualifier(collength, interval);
    std::string s = timeUnitName(q.start, false);
    // A FRACTION start's digits are the end's.
    if (interval && q.start != UFraction && q.leading != (q.start == UYear ? 4 : 2))
        s += "(" + std::to_string(q.leading) + ")";
    return s + " TO " + timeUnitName(q.end, true);
}

TypeDesc typeFromCode(int coltype, int collength, int extendedId)
{
    return TypeDesc{coltype & kTypeMask, collength, extendedId};
}

std::string typeText(int coltype, int collength, int extendedId)
{
    int code = coltype & kTypeMask;
    auto n = [](int v) { return std::to_string(v); };
    switch (code) {
    case TChar: return "CHAR(" + n(collength) + ")";
    case TNChar: return "NCHAR(" + n(collength) + ")";
    case TSmallInt: return "SMALLINT";
    case TInteger: return "INTEGER";
    case TFloat: return "FLOAT";
    case TSmallFloat: return "SMALLFLOAT";
    case TDecimal:
    case TMoney: {
        std::string base = code == TDecimal ? "DECIMAL" : "MONEY";
        int p = decimalPrecision(collength), s = decimalScale(collength);
        if (s == 255)
            return base + "(" + n(p) + ")";
        return base + "(" + n(p) + "," + n(s) + ")";
    }
    case TSerial: return "SERIAL";
    case TDate: return "DATE";
    case TDateTime: return "DATETIME " + qualifierText(collength, false);
    case TInterval: return "INTERVAL " + qualifierText(collength, true);
    case TByte: return "BYTE";
    case TText: return "TEXT";
    case TVarChar:
    case TNVarChar: {
        std::string base = code == TVarChar ? "VARCHAR(" : "NVARCHAR(";
        int mn = varcharMin(collength);
        return base + n(varcharMax(collength)) + (mn ? "," + n(mn) : std::string()) + ")";
    }
    case TInt8: return "INT8";
    case TSerial8: return "SERIAL8";
    case TBigInt: return "BIGINT";
    case TBigSerial: return "BIGSERIAL";
    case TLVarCharClient: return "LVARCHAR(" + n(collength) + ")";
    case TBooleanClient: return "BOOLEAN";
    case TUdtVar:
        if (extendedId == kXidLVarChar)
            return "LVARCHAR(" + n(collength) + ")";
        break;
    case TUdtFixed:
        if (extendedId == kXidBoolean)
            return "BOOLEAN";
        if (extendedId == kXidBlob)
            return "BLOB";
        if (extendedId == kXidClob)
            return "CLOB";
        break;
    case TNull: return "NULL";
    // The members are in the catalog: complex_types.h spells them.
    case TSet: return "SET";
    case TMultiset: return "MULTISET";
    case TList: return "LIST";
    case TRow: return "ROW";
    default: break;
    }
    return "UNKNOWN(" + n(code) + ")";
}

const char *sqliteStorage(int code, int extendedId)
{
    switch (code & kTypeMask) {
    case TSmallInt: case TInteger: case TSerial: case TDate: case TInt8: case TSerial8:
    case TBigInt: case TBigSerial: case TBooleanClient:
        return "INTEGER";
    case TFloat: case TSmallFloat:
        return "REAL";
    // Exact decimal text ordered numerically (decimal.h).
    case TDecimal: case TMoney:
        return "TEXT COLLATE ifx_decimal";
    // Informix compares character values padded with blanks: 'ab ' = 'ab'.
    case TChar: case TNChar: case TVarChar: case TNVarChar: case TLVarCharClient:
        return "TEXT COLLATE RTRIM";
    case TByte:
        return "BLOB";
    case TUdtFixed:
        return extendedId == kXidBoolean ? "INTEGER" : "BLOB";
    case TUdtVar:
        return extendedId == kXidLVarChar ? "TEXT COLLATE RTRIM" : "TEXT";
    default:
        return "TEXT";
    }
}

bool isCharacter(int code, int extendedId)
{
    code &= kTypeMask;
    return code == TChar || code == TVarChar || code == TNChar || code == TNVarChar
        || code == TLVarCharClient || (code == TUdtVar && extendedId == kXidLVarChar);
}

bool isSerial(int code)
{
    code &= kTypeMask;
    return code == TSerial || code == TSerial8 || code == TBigSerial;
}

bool isRowKeyType(int code)
{
    switch (code & kTypeMask) {
    case TInteger: case TSerial: case TInt8: case TSerial8: case TBigInt: case TBigSerial:
        return true;
    default:
        return false;
    }
}

bool isNumeric(int code)
{
    switch (code & kTypeMask) {
    case TSmallInt: case TInteger: case TFloat: case TSmallFloat: case TDecimal: case TSerial:
    case TMoney: case TInt8: case TSerial8: case TBigInt: case TBigSerial:
        return true;
    default:
        return false;
    }
}

bool isComplex(int code)
{
    code &= kTypeMask;
    return code == TSet || code == TMultiset || code == TList || code == TRow;
}

bool isBoolean(int code, int extendedId)
{
    code &= kTypeMask;
    return code == TBooleanClient || (code == TUdtFixed && extendedId == kXidBoolean);
}

int storageSize(int code, int collength, int extendedId)
{
    switch (code & kTypeMask) {
    case TChar: case TNChar: return collength;
    case TSmallInt: return 2;
    case TInteger: case TSerial: case TDate: case TSmallFloat: return 4;
    case TFloat: case TBigInt: case TBigSerial: return 8;
    case TInt8: case TSerial8: return 10;
    case TDecimal: case TMoney: {
        int p = decimalPrecision(collength);
        return (p + 3) / 2;
    }
    case TDateTime: case TInterval: {
        Qualifier q = decodeQualifier(collength, false);
        return (q.length + 4) / 2;
    }
    case TVarChar: case TNVarChar: return varcharMax(collength) + 1;
    case TByte: case TText: return 56;
    case TUdtVar: case TLVarCharClient: return collength + 3;
    case TUdtFixed: case TBooleanClient: return extendedId == kXidBoolean ? 2 : 72;
    case TSet: case TMultiset: case TList: case TRow: return collength;
    default: return 0;
    }
}

} // namespace quodlin::engine
