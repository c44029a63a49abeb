#include "output/findreplace.h"

#include <gtest/gtest.h>

using namespace quodlin;

TEST(FindReplace, ReplaceInTextCases)
{
    struct Case {
        const char *name;
        QString text, search, replacement;
        bool matchCase, all;
        QString expected;
    } cases[] = {
        {"first only", "a.a.a", "a", "b", false, false, "b.a.a"},
        {"all", "a.a.a", "a", "b", false, true, "b.b.b"},
        {"replacement holds the search", "aaa", "a", "A", false, true, "AAA"},
        {"holds it, exact case", "aaa", "a", "aa", true, true, "aaaaaa"},
        {"match case skips", "ABC abc", "abc", "x", true, true, "ABC x"},
        {"no case folds", "ABC abc", "abc", "x", false, true, "x x"},
        {"new occurrence formed with the text before", "aab", "ab", "b", true, true, "b"},
        {"empty search", "abc", "", "x", false, true, "abc"},
        {"empty text", "", "a", "x", false, true, ""},
        {"deleting", "a-b-c", "-", "", false, true, "abc"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ReplaceInText(c.text, c.search, c.replacement, c.matchCase, c.all), c.expected) << c.name;
}

TEST(FindReplace, FindStepsOverLines)
{
    struct Step {
        const char *name;
        QString text;
        int start;
        FindRequest request;
        bool found;
        int selStart, selEnd;
        QString after;
    };
    auto find = [](QString s, bool down = true, bool matchCase = false) {
        FindRequest r;
        r.search = s;
        r.down = down;
        r.matchCase = matchCase;
        return r;
    };
    auto replace = [](QString s, QString by, bool all) {
        FindRequest r;
        r.search = s;
        r.replacement = by;
        r.replace = true;
        r.replaceAll = all;
        return r;
    };
    const Step steps[] = {
        {"first", "abc abc", 0, find("abc"), true, 0, 3, "abc abc"},
        {"again from the selection end", "abc abc", 3, find("abc"), true, 4, 7, "abc abc"},
        {"no wrap-around", "abc abc", 7, find("abc"), false, 0, 0, "abc abc"},
        {"up from the line end finds nothing after the caret", "abc abc", 7, find("abc", false), false, 0, 0,
         "abc abc"},
        {"up searches whole lines above", "x abc\nabc", 9, find("abc", false), true, 2, 5, "x abc\nabc"},
        {"next line, line break counts one", "zz\nq abc", 1, find("ABC"), true, 5, 8, "zz\nq abc"},
        {"match case", "ABC", 0, find("abc", true, true), false, 0, 0, "ABC"},
        {"spanning a line break", "ab\nc", 0, find("b\nc"), false, 0, 0, "ab\nc"},
        {"replace one, select the replacement", "x", 0, replace("x", "yy", false), true, 0, 2, "yy"},
        {"replace all from the found position", "a a\na a", 2, replace("a", "A", true), true, 0, 0, "a A\nA A"},
    };
    for (const Step &s : steps) {
        SqlTextBuffer editor(s.text);
        const FindOutcome o = FindDialogFind(editor, s.start, s.request);
        EXPECT_EQ(o.found, s.found) << s.name;
        if (o.select) {
            EXPECT_EQ(std::make_pair(o.selectionStart, o.selectionEnd), std::make_pair(s.selStart, s.selEnd)) << s.name;
        }
        EXPECT_EQ(editor.lines().join('\n'), s.after) << s.name;
    }
}
