// The catalog code decoders against the values a server stores.
#include "catalog/catalogdecoders.h"

#include <gtest/gtest.h>

using namespace quodlin;

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace {

struct TypeCase {
    const char *name;
    int coltype;
    int collength;
    int extendedId;
    const char *text;
    const char *required;
};

class ColumnTypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ColumnTypeTest, DecodesTypeAndNotNull)
{
    const TypeCase &c = GetParam();
    EXPECT_EQ(ColumnTypeText(c.coltype, c.collength, c.extendedId), QString::fromLatin1(c.text));
    EXPECT_EQ(RequiredText(c.coltype), QString::fromLatin1(c.required));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnTypeTest,
    ::testing::Values(
        TypeCase{"Char", 0, 20, 0, "CHAR(20)", ""},
        TypeCase{"CharNotNull", 256, 20, 0, "CHAR(20)", "Reqd"},
        TypeCase{"SerialNotNull", 262, 4, 0, "SERIAL", "Reqd"},
        TypeCase{"Smallint", 1, 2, 0, "SMALLINT", ""},
        TypeCase{"IntegerNotNull", 258, 4, 0, "INTEGER", "Reqd"},
        TypeCase{"Float", 3, 8, 0, "FLOAT", ""},
        TypeCase{"Smallfloat", 4, 4, 0, "SMALLFLOAT", ""},
        TypeCase{"Decimal", 5, 2562, 0, "DECIMAL(10,2)", ""},
        TypeCase{"FloatingDecimal", 5, 16 * 256 + 255, 0, "DECIMAL(16,255)", ""},
        TypeCase{"Money", 8, 4098, 0, "MONEY(16,2)", ""},
        TypeCase{"Date", 7, 4, 0, "DATE", ""},
        TypeCase{"DatetimeYearToSecond", 10, 3594, 0, "DATETIME YEAR TO SECOND", ""},
        TypeCase{"DatetimeHourToSecond", 10, 1642, 0, "DATETIME HOUR TO SECOND", ""},
        TypeCase{"IntervalDayToFraction3", 14, 5 * 256 + 4 * 16 + 13, 0, "INTERVAL DAY TO FRACTION(3)", ""},
        TypeCase{"IntervalPrecisionNotShown", 14, 9 * 256 + 0 * 16 + 2, 0, "INTERVAL YEAR TO MONTH", ""},
        TypeCase{"Byte", 11, 56, 0, "BYTE", ""},
        TypeCase{"Text", 12, 56, 0, "TEXT", ""},
        TypeCase{"Varchar", 13, 255, 0, "VARCHAR(255)", ""},
        TypeCase{"VarcharWithMinimum", 13, 10 * 256 + 100, 0, "VARCHAR(100,10)", ""},
        TypeCase{"VarcharMinimumAbove127", 13, -14081, 0, "VARCHAR(255,200)", ""},
        TypeCase{"NcharAnyLength", 15, 40, 0, "NCHAR", ""},
        TypeCase{"Nvarchar", 16, 2660, 0, "NVARCHAR(100,10)", ""},
        TypeCase{"NvarcharZero", 16, 0, 0, "NVARCHAR", ""},
        TypeCase{"NvarcharNegative", 16, -14081, 0, "NVARCHAR(255,200)", ""},
        TypeCase{"Code9Empty", 9, 0, 0, "", ""},
        TypeCase{"Int8", 17, 10, 0, "INT8", ""},
        TypeCase{"Serial8NotNull", 274, 10, 0, "SERIAL8", "Reqd"},
        TypeCase{"Bigint", 52, 8, 0, "BIGINT", ""},
        TypeCase{"BigserialNotNull", 309, 8, 0, "BIGSERIAL", "Reqd"},
        TypeCase{"LvarcharStored", 40, 300, 1, "LVARCHAR(300)", ""},
        TypeCase{"OtherVariableOpaque", 40, 300, 7, "", ""},
        TypeCase{"LvarcharDescribed", 43, 2048, 0, "LVARCHAR(2048)", ""},
        TypeCase{"BooleanStored", 41, 1, 5, "BOOLEAN", ""},
        TypeCase{"BlobStored", 41, 72, 10, "BLOB", ""},
        TypeCase{"ClobStored", 41, 72, 11, "CLOB", ""},
        TypeCase{"OtherFixedOpaque", 41, 72, 7, "", ""},
        TypeCase{"BooleanDescribed", 45, 1, 0, "BOOLEAN", ""},
        TypeCase{"SetNotNull", 275, 4, 2048, "SET", "Reqd"},
        TypeCase{"NamedRow", 4118, 25, 2049, "ROW", ""},
        TypeCase{"UnlistedCode", 23, 0, 0, "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

// Every start and end code of the qualifier table; odd codes below 11 name
// nothing, a FRACTION start has no digits of its own (they are the end's).
TEST(DateTimeQualifier, EveryUnitCode)
{
    const char *starts[16] = {"YEAR", "", "MONTH", "", "DAY", "", "HOUR", "", "MINUTE", "",
                              "SECOND", "", "FRACTION", "", "", ""};
    const char *ends[16] = {"YEAR", "", "MONTH", "", "DAY", "", "HOUR", "", "MINUTE", "",
                            "SECOND", "FRACTION(1)", "FRACTION(2)", "FRACTION(3)", "FRACTION(4)", "FRACTION(5)"};
    for (int start = 0; start < 16; ++start) {
        for (int end = 0; end < 16; ++end) {
            QString expected;
            if (*starts[start])
                expected = QStringLiteral(" %1 TO ").arg(QString::fromLatin1(starts[start]));
            expected += QString::fromLatin1(ends[end]);
            EXPECT_EQ(DateTimeQualifierText(start * 16 + end), expected) << start << " " << end;
            EXPECT_EQ(ColumnTypeText(10, 0x700 + start * 16 + end), QStringLiteral("DATETIME") + expected);
        }
    }
}

struct LetterCase {
    const char *name;
    QString (*decoder)(const QString &);
    const char *letter;
    const char *text;
};

class LetterDecoderTest : public ::testing::TestWithParam<LetterCase> {};

TEST_P(LetterDecoderTest, Decodes)
{
    const LetterCase &c = GetParam();
    EXPECT_EQ(c.decoder(QString::fromLatin1(c.letter)), QString::fromLatin1(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LetterDecoderTest,
    ::testing::Values(
        LetterCase{"DefaultLiteral", DefaultKindText, "L", "Literal"},
        LetterCase{"DefaultUser", DefaultKindText, "U", "User"},
        LetterCase{"DefaultCurrent", DefaultKindText, "C", "Current"},
        LetterCase{"DefaultNull", DefaultKindText, "N", "Null"},
        LetterCase{"DefaultToday", DefaultKindText, "T", "Today"},
        LetterCase{"DefaultServer", DefaultKindText, "S", "Dbservername"},
        LetterCase{"DefaultNone", DefaultKindText, "", ""},
        LetterCase{"DefaultLowerCase", DefaultKindText, "l", ""},
        LetterCase{"TableTable", TableTypeText, "T", "Table"},
        LetterCase{"TableView", TableTypeText, "V", "View"},
        LetterCase{"TableSynonym", TableTypeText, "S", "Synonym"},
        LetterCase{"TableLog", TableTypeText, "L", "Log"},
        LetterCase{"TableAnsiSynonym", TableTypeText, "P", "Synonym (ANSI)"},
        LetterCase{"TableOther", TableTypeText, "Q", ""},
        LetterCase{"TableTwoLetters", TableTypeText, "TV", ""},
        LetterCase{"ProcDba", ProcedureModeText, "D", "DBA"},
        LetterCase{"ProcOwner", ProcedureModeText, "O", "Owner"},
        LetterCase{"ProcProtected", ProcedureModeText, "P", "Protected"},
        LetterCase{"ProcOther", ProcedureModeText, "R", ""},
        LetterCase{"TriggerModeAsStored", TriggerModeText, "O", "O"},
        LetterCase{"EventInsert", TriggerEventText, "I", "Insert"},
        LetterCase{"EventUpdate", TriggerEventText, "U", "Update"},
        LetterCase{"EventDelete", TriggerEventText, "D", "Delete"},
        LetterCase{"EventSelectUnlisted", TriggerEventText, "S", ""},
        LetterCase{"IndexUnique", IndexTypeText, "U", "Unique"},
        LetterCase{"IndexDuplicates", IndexTypeText, "D", "Duplicates"},
        LetterCase{"IndexUnlisted", IndexTypeText, "G", ""},
        LetterCase{"DependView", DependTypeText, "V", "View"},
        LetterCase{"DependTable", DependTypeText, "T", "Table"},
        LetterCase{"DependOtherNotShown", DependTypeText, "P", ""}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
