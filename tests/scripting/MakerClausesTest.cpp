// The clause reader shared by the maker built-ins, driven through a probe
// special form that echoes each clause as it was read.
#include "ScriptingFixture.h"

namespace qm::test {
namespace {

TEST_F(ScriptingTest, ClauseValuesAreReadAsWrittenAndCheckedByTheirForm) {
    Value("(setq x 5)");
    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        // Texts: a symbol gives its name, a variable is not looked up, a
        // missing value is the text nil.
        {"(TestClauses nil (text Order) (text \"Order\"))", "(\"Order\" \"Order\")"},
        {"(TestClauses nil (text x) (text))", "(\"x\" \"nil\")"},
        {"(TestClauses nil (text 12))", "error: TestClauses: string expected: 12"},
        // Numbers are checked, never read from a cell of another type.
        {"(TestClauses nil (int -7) (real 2.5) (real 3))", "(-7 25 30)"},
        {"(TestClauses nil (int \"7\"))", "error: TestClauses: integer number expected: \"7\""},
        {"(TestClauses nil (int))", "error: TestClauses: bad clause: (int)"},
        {"(TestClauses nil (real abc))", "error: TestClauses: real number expected: abc"},
        {"(TestClauses nil (point 3 4) (rect 0 0 80 40))", "((3 4) (0 0 80 40))"},
        {"(TestClauses nil (point 3))", "error: TestClauses: bad clause: (point 3)"},
        {"(TestClauses nil (rect 0 0 80))", "error: TestClauses: bad clause: (rect 0 0 80)"},
        {"(TestClauses nil (rect 0 0 80 x))", "error: TestClauses: integer number expected: x"},
        {"(TestClauses nil (points 1 2 3 4 5 6) (points))", "(3 0)"},
        {"(TestClauses nil (points 1 2 3))", "error: TestClauses: bad clause: (points 1 2 3)"},
        // Clause shape and tags compared by identity.
        {"(TestClauses nil rect)", "error: TestClauses: bad clause: rect"},
        {"(TestClauses nil (Text a))", "error: TestClauses: bad tag: Text"},
        {"(TestClauses nil ())", "error: TestClauses: bad tag: nil"},
        // Looks: reset, then only the named fields; another head is skipped.
        {"(TestClauses nil (looks (shadow 1) (fillColor 3)))", "((0 3 -12))"},
        {"(TestClauses nil (looks (fontStyle bold italic) (fontSize -20)))", "((3 15 -20))"},
        {"(TestClauses nil (looks (fontStyle)))", "((0 15 -12))"},
        {"(TestClauses nil (looks fillColor))",
         "error: TestClauses: invalid looks specification: fillColor"},
        {"(TestClauses nil (looks (fontStyle heavy)))",
         "error: TestClauses: invalid font style: heavy"},
        {"(TestClauses nil (looks (fillColor red)))",
         "error: TestClauses: integer number expected: red"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
}

} // namespace
} // namespace qm::test
