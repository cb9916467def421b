// The text helpers against tables of cases.
#include "platform/TextHelpers.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(ReplaceInText, CountsAndReplaces) {
    struct Case {
        const char* text;
        const char* word;
        int flags;
        const char* replacement;
        int count;
        const char* result;
    } cases[] = {
        {"Account account ACCOUNT", "account", 0, "", 3, "Account account ACCOUNT"},
        {"Account account ACCOUNT", "account", RF_MATCH_CASE, "", 1, "Account account ACCOUNT"},
        {"Account account", "account", RF_REPLACE, "Bank", 2, "Bank Bank"},
        {"Account account", "account", RF_REPLACE | RF_MATCH_CASE, "Bank", 1, "Account Bank"},
        {"accounts account", "account", RF_WHOLE_WORD, "", 1, "accounts account"},
        {"subaccount", "account", RF_WHOLE_WORD | RF_REPLACE, "x", 0, "subaccount"},
        {"a\taccount\nb", "account", RF_WHOLE_WORD | RF_REPLACE, "x", 1, "a\tx\nb"},
        {"aaa", "a", RF_REPLACE, "aa", 3, "aaaaaa"}, // a replacement is never searched again
        {"abab", "ab", RF_REPLACE, "", 2, ""},
        {"text", "", RF_REPLACE, "x", 0, "text"},
        {"", "a", RF_REPLACE, "x", 0, ""},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(ReplaceInText(text, c.word, c.flags, c.replacement), c.count) << c.text;
        EXPECT_EQ(text, c.result) << c.text;
    }
}

TEST(ReplaceInText, LengthLimits) {
    std::string text = "a b a";
    std::string huge(600, 'x');
    // The replacement itself is over the limit: nothing is counted or changed.
    EXPECT_EQ(ReplaceInText(text, "a", RF_REPLACE, huge), 0);
    EXPECT_EQ(text, "a b a");

    // A replacement that would make the text too long is skipped, still counted.
    std::string filler(300, 'y');
    text = "a b a";
    EXPECT_EQ(ReplaceInText(text, "a", RF_REPLACE, filler), 2);
    EXPECT_EQ(text, filler + " b a");

    std::string tooLong(513, 'a');
    EXPECT_EQ(ReplaceInText(tooLong, "a", 0, ""), 0);
    std::string atLimit(512, 'a');
    EXPECT_EQ(ReplaceInText(atLimit, "a", 0, ""), 512);
}

TEST(TextHelpers, LeadingNumberAndNameBeforeParenthesis) {
    EXPECT_EQ(LeadingNumberOf("2.1.3: withdraw"), "2.1.3");
    EXPECT_EQ(LeadingNumberOf("withdraw"), "");
    EXPECT_EQ(LeadingNumberOf("12"), "12");

    struct Case {
        const char* text;
        const char* name;
    } cases[] = {
        {"withdraw(amount)", "withdraw"},
        {"int Get Value (x)", "int Get Value"},
        {"a = b.c_d (x)", "c_d"},
        {"x = 3 (y)", ""},
        {"_private()", "_private"},
        {"noParens", "noParens"},
        {"(x)", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameBeforeParenthesis(c.text), c.name) << c.text;
}

TEST(TextHelpers, MakeIdentifier) {
    struct Case {
        const char* text;
        const char* identifier;
    } cases[] = {
        {"bank account", "bankAccount"},
        {"get  value", "getValue"},
        {"a 1", "a1"},
        {"std::vector<int>", "std::vector_int_"},
        {"dir\\file.h", "dir\\file.h"},
        {"a-b", "a_b"},
        {"trailing ", "trailing"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeIdentifier(c.text, false), c.identifier) << c.text;
    EXPECT_EQ(MakeIdentifier("a b-c", true), "a b-c");
}

TEST(TextHelpers, CommentAndIndent) {
    EXPECT_EQ(CommentText("one\ntwo", "// "), "// one\n// two");
    EXPECT_EQ(CommentText("one\ntwo", "// ", kSharedTextSize, 1), "\t// one\n\t// two");
    EXPECT_EQ(CommentText("one\ntwo", "/**", kSharedTextSize, 1),
              "\t/**\r\n\t * one\n\t * two\r\n\t */");
    EXPECT_EQ(CommentText("", "/**"), "/**");
    EXPECT_EQ(IndentText("a\nb", kSharedTextSize, 2), "\t\ta\n\t\tb");
    EXPECT_EQ(IndentText("a", kSharedTextSize, -3), "a");

    // A small output is cut with a line feed; a block is still closed.
    std::string cut = CommentText("abcdefghijklmnop", "// ", 10, 0);
    EXPECT_EQ(cut, "// abc\n");
    std::string block = CommentText("abcdefghijklmnop", "/**", 16, 0);
    EXPECT_EQ(block.substr(block.size() - 5), "\r\n */");
    EXPECT_EQ(IndentText(std::string(100, 'x'), 0, 4), "\t\t\t\t\n");
}

TEST(TextHelpers, DoublePercent) {
    EXPECT_EQ(JoinDoublePercent("owner", "3"), "owner%%3");
    struct Case {
        const char* text;
        const char* first;
        const char* second;
        const char* display;
    } cases[] = {
        {"owner%%3", "owner", "3", "owner #3"},
        {"%%3", "", "3", "3"},
        {"owner%%", "owner", "", "owner"},
        {"plain", "", "plain", "plain"},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitDoublePercent(c.text, false), c.first) << c.text;
        EXPECT_EQ(SplitDoublePercent(c.text, true), c.second) << c.text;
        EXPECT_EQ(DoublePercentToDisplay(c.text), c.display) << c.text;
    }
}

TEST(TextHelpers, SplitNameAndType) {
    struct Case {
        const char* text;
        const char* name;
        const char* type;
        bool split;
    } cases[] = {
        {"balance : float", "balance", "float", true},
        {"balance:float", "balance", "float", true},
        {"std::string", "std::string", "", false},
        {"name:", "name:", "", false},
        {"name", "name", "", false},
        {":int", "", "int", true},
    };
    for (const Case& c : cases) {
        NameAndType result = SplitNameAndType(c.text);
        EXPECT_EQ(result.name, c.name) << c.text;
        EXPECT_EQ(result.type, c.type) << c.text;
        EXPECT_EQ(result.split, c.split) << c.text;
    }
}

} // namespace
} // namespace qm
