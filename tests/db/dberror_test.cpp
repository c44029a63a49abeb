#include "db/dberror.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace quodlin;

namespace {

struct ReportCase {
    const char *name;
    std::function<void()> raise;
    QString context;
    QString expected;
};

QString reportOf(const std::function<void()> &raise, const QString &context)
{
    try {
        raise();
    } catch (const std::exception &e) {
        return DbErrorReport(e, context);
    }
    return QStringLiteral("<nothing raised>");
}

class DbErrorReportTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(DbErrorReportTest, BuildsTheReport)
{
    EXPECT_EQ(reportOf(GetParam().raise, GetParam().context), GetParam().expected);
}

const QString ctx = QStringLiteral("TfrmQuery.ExecSQL");

INSTANTIATE_TEST_SUITE_P(
    Cases, DbErrorReportTest,
    ::testing::Values(
        ReportCase{"OneEntry",
                   [] { throw DbEngineError("Syntax error", {{10, -201, "Syntax error"}}); }, ctx,
                   "Database Error in [TfrmQuery.ExecSQL]:\r\n"
                   "  Error Code: 10 (0xA)\r\n"
                   "  Native Code: -201 (0xFFFFFF37)\r\n"
                   "  Error: Syntax error"},
        ReportCase{"LayerFailureHasNoHeader",
                   [] { throw DbError("Cannot perform this operation on a closed dataset"); }, ctx,
                   "  Error: Cannot perform this operation on a closed dataset"},
        ReportCase{"StandardExceptionHasNoHeader",
                   [] { throw std::runtime_error("Cannot open file x.sql"); }, ctx,
                   "  Error: Cannot open file x.sql"},
        ReportCase{"EmptyStack", [] { throw DbEngineError("Unavailable", {}); },
                   "TfrmDbObjects.Connect",
                   "Database Error in [TfrmDbObjects.Connect]:\r\n  Error: Unavailable"},
        ReportCase{"EmptyMessage", [] { throw DbError(QString()); }, ctx, "  Error: "},
        ReportCase{"CodeZeroAndPositiveNative",
                   [] { throw DbEngineError("x", {{0, 100, "x"}}); }, ctx,
                   "Database Error in [TfrmQuery.ExecSQL]:\r\n"
                   "  Error Code: 0 (0x0)\r\n"
                   "  Native Code: 100 (0x64)\r\n"
                   "  Error: x"},
        ReportCase{"LargestCodeIsUnsigned",
                   [] { throw DbEngineError("x", {{0xFFFF, -2147483647 - 1, "x"}}); }, ctx,
                   "Database Error in [TfrmQuery.ExecSQL]:\r\n"
                   "  Error Code: 65535 (0xFFFF)\r\n"
                   "  Native Code: -2147483648 (0x80000000)\r\n"
                   "  Error: x"},
        ReportCase{"TrailingBreaksRemovedInnerKept",
                   [] { throw DbEngineError("m", {{1, -1, "first\r\nsecond\r\n\n"}}); },
                   "TfrmDbObjects.mnuTreeDropClick (t1)",
                   "Database Error in [TfrmDbObjects.mnuTreeDropClick (t1)]:\r\n"
                   "  Error Code: 1 (0x1)\r\n"
                   "  Native Code: -1 (0xFFFFFFFF)\r\n"
                   "  Error: first\r\nsecond"},
        ReportCase{"PlainMessageTrailingBreakRemoved", [] { throw DbError("broken\n"); }, ctx,
                   "  Error: broken"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DbErrorReport, ThreeEntriesGiveTenLinesInStackOrder)
{
    const DbEngineError failure("a", {{kDbErrServer, -206, "first"},
                                      {kDbErrIsam, -111, "second"},
                                      {kDbErrDriver, 0, "third"}});
    const QStringList lines = DbErrorReport(failure, ctx).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[3], QStringLiteral("  Error: first"));
    EXPECT_EQ(lines[5], QStringLiteral("  Native Code: -111 (0xFFFFFF91)"));
    EXPECT_EQ(lines[9], QStringLiteral("  Error: third"));
}

TEST(DbErrorReport, NoResultSetCarriesTheExactMessage)
{
    EXPECT_STREQ(DbNoResultSet().what(), "Error creating cursor handle");
}

} // namespace
