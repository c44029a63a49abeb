#include "output/printchoice.h"

#include <gtest/gtest.h>

using namespace quodlin;

TEST(PrintChoice, DocumentLines)
{
    EXPECT_EQ(PrintDocumentLines("Query and Results", {QStringList{"select 1"}, QStringList{"a", "-", "1"}}),
              QStringList({"Query and Results", "", "select 1", "", "a", "-", "1"}));
    EXPECT_EQ(PrintDocumentLines("Query", {QStringList{"select 1"}}), QStringList({"Query", "", "select 1"}));
    // An empty editor still gets its separating line; an absent one adds nothing.
    EXPECT_EQ(PrintDocumentLines({}, {QStringList{}, QStringList{"x"}}), QStringList({"", "x"}));
    EXPECT_EQ(PrintDocumentLines({}, {QStringList{"x"}, std::nullopt}), QStringList({"x", ""}));
}
