#include "db/dbformat.h"
#include "db/dberror.h"

#include <gtest/gtest.h>

#include <QTime>

using namespace quodlin;

namespace {

struct TextCase {
    const char *name;
    DbColumn column;
    QVariant value;
    DbFormatting fmt;
    QString display;
    QString edit;
};

class DbTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(DbTextTest, FormatsPerType)
{
    const TextCase &c = GetParam();
    EXPECT_EQ(DbDisplayText(c.column, c.value, c.fmt), c.display);
    EXPECT_EQ(DbEditText(c.column, c.value, c.fmt), c.edit);
    // The exports make the same texts from the value's cell.
    DbCellRow row;
    row.addVariant(c.value);
    DbTextBuffer buffer;
    EXPECT_EQ(QString::fromUtf8(DbCellText(c.column, row, 0, c.fmt, DbTextKind::Display, buffer)), c.display);
    EXPECT_EQ(QString::fromUtf8(DbCellText(c.column, row, 0, c.fmt, DbTextKind::Edit, buffer)), c.edit);
}

DbColumn col(DbFieldType type, int size = 0, int scale = 0)
{
    return DbColumn{QStringLiteral("c"), type, size, scale, true, {}};
}

const DbFormatting usual;
const DbFormatting european{QStringLiteral("DMY4."), QStringLiteral("DM,")};

INSTANTIATE_TEST_SUITE_P(
    Cases, DbTextTest,
    ::testing::Values(
        TextCase{"Null", col(DbFieldType::Integer), QVariant(), usual, "", ""},
        TextCase{"EmptyStringIsNotNull", col(DbFieldType::String, 5), QString(""), usual, "", ""},
        TextCase{"Integer", col(DbFieldType::Integer), qlonglong(-42), usual, "-42", "-42"},
        TextCase{"DecimalPadded", col(DbFieldType::Decimal, 8, 2), QString("12.5"), usual, "12.50", "12.50"},
        TextCase{"DecimalRounded", col(DbFieldType::Decimal, 8, 2), QString("-0.125"), usual, "-0.13", "-0.13"},
        TextCase{"DecimalCarry", col(DbFieldType::Decimal, 8, 1), QString("9.96"), usual, "10.0", "10.0"},
        TextCase{"DecimalNoScale", col(DbFieldType::Decimal, 8, 0), QString("3.5"), usual, "4", "4"},
        TextCase{"DecimalNegativeZero", col(DbFieldType::Decimal, 8, 2), QString("-0.001"), usual, "0.00", "0.00"},
        TextCase{"DecimalNegativeZeroAtScale", col(DbFieldType::Decimal, 8, 2), QString("-0.00"), usual, "0.00", "0.00"},
        TextCase{"DecimalAtScaleKept", col(DbFieldType::Decimal, 8, 2), QString("-12.50"), usual, "-12.50", "-12.50"},
        TextCase{"DecimalPlusSignDropped", col(DbFieldType::Decimal, 8, 2), QString("+1.50"), usual, "1.50", "1.50"},
        TextCase{"FloatingDecimalKept", col(DbFieldType::Decimal, 16, -1), QString("1.23456"), usual, "1.23456", "1.23456"},
        TextCase{"Money", col(DbFieldType::Money, 8, 2), QString("1234.5"), usual, "$1234.50", "1234.50"},
        TextCase{"MoneyNegative", col(DbFieldType::Money, 8, 2), QString("-3"), usual, "-$3.00", "-3.00"},
        TextCase{"MoneyEuropean", col(DbFieldType::Money, 8, 2), QString("7.1"), european, "DM7,10", "7.10"},
        TextCase{"DateDefault", col(DbFieldType::Date), QDate(2024, 3, 9), usual, "03/09/2024", "03/09/2024"},
        TextCase{"DateEuropean", col(DbFieldType::Date), QDate(2024, 3, 9), european, "09.03.2024", "09.03.2024"},
        TextCase{"DateYearFirstNoSeparator", col(DbFieldType::Date), QDate(2024, 3, 9),
                 DbFormatting{"Y4MD0", "$."}, "20240309", "20240309"},
        TextCase{"DateTwoDigitYear", col(DbFieldType::Date), QDate(2004, 12, 1),
                 DbFormatting{"DMY2-", "$."}, "01-12-04", "01-12-04"},
        TextCase{"DateBadFormatFallsBack", col(DbFieldType::Date), QDate(2024, 3, 9),
                 DbFormatting{"XYZ", "$."}, "03/09/2024", "03/09/2024"},
        TextCase{"Time", col(DbFieldType::Time), QTime(7, 5, 3), usual, "07:05:03", "07:05:03"},
        TextCase{"Boolean", col(DbFieldType::Boolean), true, usual, "t", "t"},
        TextCase{"Blob", col(DbFieldType::Blob), QByteArray("\x01\x02"), usual, "(BYTE)", "(BYTE)"},
        TextCase{"SmartBlob", [] { DbColumn c = col(DbFieldType::Blob); c.smartLob = true; return c; }(),
                 QByteArray("\x01"), usual, "(BLOB)", "(BLOB)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DbDefaultDisplayWidth, FitsTheWidestValue)
{
    EXPECT_EQ(DbDefaultDisplayWidth(col(DbFieldType::String, 18), usual), 18);
    EXPECT_EQ(DbDefaultDisplayWidth(col(DbFieldType::SmallInt), usual), 6);   // -32768
    EXPECT_EQ(DbDefaultDisplayWidth(col(DbFieldType::Integer), usual), 11);   // -2147483648
    EXPECT_EQ(DbDefaultDisplayWidth(col(DbFieldType::Decimal, 8, 2), usual), 10);  // -123456.78
    EXPECT_EQ(DbDefaultDisplayWidth(col(DbFieldType::Money, 8, 2), usual), 11);    // -$123456.78
    EXPECT_EQ(DbDefaultDisplayWidth(col(DbFieldType::Date), usual), 10);
    EXPECT_EQ(DbDefaultDisplayWidth(col(DbFieldType::Date), DbFormatting{"DMY2-", "$."}), 8);
}

TEST(TrimTrailingBlanks, KeepsLeadingAndInnerBlanks)
{
    EXPECT_EQ(TrimTrailingBlanks("  a b   "), QStringLiteral("  a b"));
    EXPECT_EQ(TrimTrailingBlanks("   "), QString(""));
    EXPECT_EQ(TrimTrailingBlanks("a\t"), QStringLiteral("a\t"));
}

struct ParseCase {
    const char *name;
    DbColumn column;
    QString text;
    DbFormatting fmt;
    QVariant expected;  // invalid QVariant with `fails` = the text is refused
    bool fails;
};

class DbParseEditTextTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(DbParseEditTextTest, ReadsTheTextBack)
{
    const ParseCase &c = GetParam();
    if (c.fails) {
        EXPECT_THROW(DbParseEditText(c.column, c.text, c.fmt), DbError);
        return;
    }
    const QVariant v = DbParseEditText(c.column, c.text, c.fmt);
    EXPECT_EQ(v.isValid(), c.expected.isValid());
    EXPECT_EQ(v, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DbParseEditTextTest,
    ::testing::Values(
        ParseCase{"EmptyStringStaysEmpty", col(DbFieldType::String, 5), "", usual, QString(""), false},
        ParseCase{"EmptyNumberIsNull", col(DbFieldType::Integer), " ", usual, QVariant(), false},
        ParseCase{"Integer", col(DbFieldType::Integer), " -42 ", usual, qlonglong(-42), false},
        ParseCase{"IntegerOutOfRange", col(DbFieldType::Integer), "2147483648", usual, {}, true},
        ParseCase{"SmallIntOutOfRange", col(DbFieldType::SmallInt), "40000", usual, {}, true},
        ParseCase{"NotAnInteger", col(DbFieldType::Integer), "4x", usual, {}, true},
        ParseCase{"DecimalToScale", col(DbFieldType::Decimal, 8, 2), "12.345", usual, QString("12.35"), false},
        ParseCase{"MoneyWithoutSymbol", col(DbFieldType::Money, 8, 2), "3", usual, QString("3.00"), false},
        ParseCase{"MoneySymbolRefused", col(DbFieldType::Money, 8, 2), "$3", usual, {}, true},
        ParseCase{"DateUsual", col(DbFieldType::Date), "03/09/2024", usual, QDate(2024, 3, 9), false},
        ParseCase{"DateShort", col(DbFieldType::Date), "3/9/24", usual, QDate(2024, 3, 9), false},
        ParseCase{"DateEuropean", col(DbFieldType::Date), "09.03.2024", european, QDate(2024, 3, 9), false},
        ParseCase{"DateNoSeparator", col(DbFieldType::Date), "20240309", DbFormatting{"Y4MD0", "$."},
                  QDate(2024, 3, 9), false},
        ParseCase{"DateImpossible", col(DbFieldType::Date), "02/30/2024", usual, {}, true},
        ParseCase{"DateGarbage", col(DbFieldType::Date), "soon", usual, {}, true},
        ParseCase{"Boolean", col(DbFieldType::Boolean), "f", usual, false, false},
        ParseCase{"BooleanGarbage", col(DbFieldType::Boolean), "yes", usual, {}, true},
        ParseCase{"Blob", col(DbFieldType::Blob), "00", usual, {}, true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

// The writers' date text (no QDate, the setting remembered between calls)
// is the grid's for every DBDATE form, also when settings alternate.
TEST(AppendDbDate, MatchesTheQDateTextAsSettingsAlternate)
{
    const QStringList formats{"MDY4/", "DMY2-", "Y4MD.", "Y2DM0", "ymd4\u20ac", "MDY4/", "bad"};
    for (const qint64 day : {-693594LL, -1LL, 0LL, 36524LL, 730119LL, 2958464LL, -693595LL, 2958465LL}) {
        for (const QString &format : formats) {
            std::string text = "x";
            AppendDbDate(text, day, QString(format));  // a new QString each time: not the remembered one
            EXPECT_EQ(QString::fromStdString(text), "x" + FormatDbDate(DbDateOfDay(day), format))
                << day << ' ' << format.toStdString();
        }
    }
}
