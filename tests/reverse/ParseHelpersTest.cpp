// The parser front end's shared helpers: the error report, type texts,
// bracket, generic and body skipping with method-body capture, enumerations,
// typedefs, raises clauses, type and qualified names, and comment text.
#include "ReverseTestSupport.h"

#include "platform/Log.h"
#include "reverse/SourceLanguage.h"
#include "reverse/SourceTokens.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::FakeDocument;

// A parser over text, positioned on its first token, with the log recorded.
class HelperTest : public ::testing::Test {
  protected:
    SourceParser& Open(int language, const std::string& text, uint32_t flags = 0) {
        document_ = std::make_unique<FakeDocument>(flags);
        parser_ = std::make_unique<SourceParser>(document_.get(), language);
        parser_->OpenSourceText("a.java", text);
        parser_->GetToken();
        return *parser_;
    }

    std::vector<std::string> ChildNames(const SourceSymbol& node) {
        std::vector<std::string> names;
        for (SourceSymbol* c = node.firstChild.get(); c != nullptr; c = c->next.get()) {
            names.push_back(c->name);
        }
        return names;
    }

    RecordingLogSink log_;
    ScopedLogSink scope_{&log_};
    std::unique_ptr<FakeDocument> document_;
    std::unique_ptr<SourceParser> parser_;
};

TEST_F(HelperTest, ReportParseErrorFormat) {
    SourceParser& p = Open(kLangJava, std::string(11, '\n') + "x");
    EXPECT_EQ(p.LineCount(), 11);
    p.OpenSourceText("a.java", std::string(12, '\n') + "x");
    p.GetToken();
    SourceSymbol foo("Foo", std::nullopt);
    EXPECT_EQ(p.ReportParseError(&foo, "{ expected"), 0);
    EXPECT_EQ(log_.Text(), "*** ERROR in a.java(12): Foo: { expected\r\n");
    log_.Clear();
    p.ReportParseError(nullptr, "syntax error");
    EXPECT_EQ(log_.Text(), "*** ERROR in a.java(12): syntax error\r\n");
}

TEST_F(HelperTest, TypeTextJoinsWordsAndStaysBounded) {
    struct Case {
        std::vector<std::pair<int, std::string>> tokens;
        const char* text;
    };
    const int kUnsigned = KeywordToken("unsigned");
    const int kLong = KeywordToken("long");
    const Case cases[] = {
        {{{kUnsigned, "unsigned"}, {kLong, "long"}}, "unsigned long"},
        {{{kTokIdentifier, "a"}, {kTokDot, ""}, {kTokIdentifier, "b"}}, "a.b"},
        {{{kTokIdentifier, "char"}, {kTokStar, ""}, {kTokIdentifier, "p"}}, "char* p"},
        {{{kTokIdentifier, "A"}, {kTokAmp, ""}, {kTokScope, ""}, {kTokIdentifier, "B"}}, "A&::B"},
        {{{kTokIdentifier, "const"}, {kTokIdentifier, "_T"}}, "const _T"},
        {{{kTokIdentifier, "x"}, {kTokNumber, "1"}}, "x1"},
        {{{kTokString, "\"s\""}, {kTokIdentifier, "x"}}, "\"s\"x"},
        {{{kTokEnd, ""}, {kTokPhpOpen, ""}}, ""},
    };
    for (const Case& c : cases) {
        TypeText t;
        for (const auto& [token, text] : c.tokens) {
            t.AppendToken(token, text);
        }
        EXPECT_EQ(t.Text(), c.text);
    }
    // Words of 9 letters with a blank between: the one that would pass the
    // bound is dropped, a shorter piece after it still fits.
    TypeText t;
    const size_t words = (TypeText::kMaxLength + 1) / 10;
    for (size_t i = 0; i < words + 5; ++i) {
        t.AppendToken(kTokIdentifier, "abcdefghi");
    }
    EXPECT_EQ(t.Length(), words * 10 - 1);
    for (int i = 0; i < 20; ++i) {
        t.AppendToken(kTokStar, "");
    }
    EXPECT_EQ(t.Length(), TypeText::kMaxLength);
    t.SetLength(3);
    EXPECT_EQ(t.Text(), "abc");
    t.SetLength(10);
    EXPECT_EQ(t.Text(), "abc");
}

TEST_F(HelperTest, TypeTextHeapStringShortensBracketTexts) {
    struct Case {
        std::string text;
        std::string heap;
    };
    const Case cases[] = {
        {"(a, b)", "(...)"},
        {"[" + std::string(62, 'x') + "]", "[" + std::string(62, 'x') + "]"},
        {"[" + std::string(63, 'x') + "]", "[...]"},
        {"int[3]", "int[3]"},
        {"", ""},
    };
    for (const Case& c : cases) {
        TypeText t;
        t.AppendToken(kTokString, c.text); // a string token's text goes in whole
        EXPECT_EQ(t.ToHeapString(), c.heap);
    }
    EXPECT_TRUE(MatchingBrackets(kTokLBrace, kTokRBrace));
    EXPECT_TRUE(MatchingBrackets(kTokLBracket, kTokRBracket));
    EXPECT_FALSE(MatchingBrackets(kTokLParen, kTokRBracket));
}

TEST_F(HelperTest, SkipBalancedStopsWhereItShould) {
    struct Case {
        const char* input;
        bool stopAfterClose;
        bool stopAtComma;
        const char* text;
        int next; // the current token afterwards
        int result;
    };
    const Case cases[] = {
        {"f(a, (b)) , c;", false, true, "f(a,(b))", kTokComma, 1},
        {"f(a, (b)) , c;", false, false, "f(a,(b)),c", kTokSemicolon, 1},
        {"3 + x ) y", false, true, "3+x", kTokRParen, 1},
        {"[a][b] c", true, false, "[a]", kTokLBracket, 1},
        {"{ a; b; } ;", true, false, "{a;b;}", kTokSemicolon, 1},
        {"( a ]", false, false, "(a", kTokRBracket, 0},
        {"( a", false, false, "(a", kTokEnd, 0},
    };
    for (const Case& c : cases) {
        log_.Clear();
        SourceParser& p = Open(kLangCpp, c.input);
        TypeText t;
        EXPECT_EQ(p.SkipBalanced(t, c.stopAfterClose, c.stopAtComma), c.result) << c.input;
        EXPECT_EQ(t.Text(), c.text) << c.input;
        EXPECT_EQ(p.Token(), c.next) << c.input;
    }
    EXPECT_EQ(log_.Text(), "");
    Open(kLangCpp, "( a ]");
    TypeText t;
    parser_->SkipBalanced(t, false, false);
    EXPECT_EQ(log_.Text(), "*** ERROR in a.java(0): mismatching bracket\r\n");
}

TEST_F(HelperTest, BlockStackOverflowAt129Brackets) {
    for (int depth : {128, 129}) {
        log_.Clear();
        SourceParser& p = Open(kLangJava, std::string(depth, '(') + std::string(depth, ')') + ";");
        TypeText t;
        p.SkipBalanced(t, false, false);
        EXPECT_EQ(log_.Text(),
                  depth == 128 ? "" : "*** ERROR in a.java(0): block stack overflow\r\n");

        log_.Clear();
        SourceParser& q = Open(kLangJava, std::string(depth, '{') + std::string(depth, '}') + "x");
        EXPECT_EQ(q.SkipBody(nullptr, false), depth == 128 ? 1 : 0);
        EXPECT_EQ(log_.Text(),
                  depth == 128 ? "" : "*** ERROR in a.java(0): block stack overflow\r\n");
    }
}

TEST_F(HelperTest, SkipGenericArguments) {
    struct Case {
        int language;
        const char* input;
        const char* text;
        int next;
        const char* error;
    };
    const Case cases[] = {
        {kLangJava, "<A, List<B>> x", "<A,List<B>>", kTokIdentifier, ""},
        {kLangJava, "<A<B>>> x", "<A<B>>", kTokGreater, ""},
        {kLangJava, "<A<B>>> x", "<A<B>>", kTokGreater, ""},
        {kLangCSharp, "<A>> x", "<A>>", kTokIdentifier,
         "*** ERROR in a.java(0): imbalanced generic type parameter list\r\n"},
        {kLangJava, "<A; x", "<A", kTokSemicolon,
         "*** ERROR in a.java(0): imbalanced generic type parameter list\r\n"},
    };
    for (const Case& c : cases) {
        log_.Clear();
        SourceParser& p = Open(c.language, c.input);
        TypeText t;
        p.SkipGenericArguments(t, true);
        EXPECT_EQ(t.Text(), c.text) << c.input;
        EXPECT_EQ(p.Token(), c.next) << c.input;
        EXPECT_EQ(log_.Text(), c.error) << c.input;
    }
    SourceParser& p = Open(kLangJava, "<A> x");
    TypeText t;
    p.SkipGenericArguments(t, false);
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ(p.CurrentText(), "x");
}

TEST_F(HelperTest, ParseTypeNameByLanguage) {
    struct Case {
        int language;
        const char* input;
        const char* type;
        const char* rest; // text of the current token afterwards
    };
    const Case cases[] = {
        {kLangCpp, "unsigned long x;", "unsigned long", "x"},
        {kLangCpp, "const char* const p;", "const char* const", "p"},
        {kLangCpp, "::std::vector<int>& v)", "::std::vector<int>&", "v"},
        {kLangCpp, "struct S* s", "struct S*", "s"},
        {kLangCpp, "int (*fp)(int) = 0", "int(* fp)(int)", "="},
        {kLangCpp, "... )", "...", ")"},
        {kLangIdl, "unsigned long n", "unsigned long", "n"},
        {kLangJava, "java.util.List<String> items;", "java.util.List<String>", "items"},
        {kLangJava, "final int[] a", "final int[]", "a"},
        {kLangCSharp, "Dictionary<string, int>? d", "Dictionary<string,int>?", "d"},
        {kLangCSharp, "int[] a", "int[]", "a"},
        {kLangOrvistal, "\\app\\Form f", "\\app\\Form", "f"},
        {kLangForte, "array of string where x", "array of string", "where"},
        {kLangForte, "integer = 3", "integer", "="},
        {kLangPhp, "$a, $b", "$a", ","},
    };
    for (const Case& c : cases) {
        SourceParser& p = Open(c.language, c.input);
        TypeText t;
        EXPECT_EQ(p.ParseTypeName(t), 1) << c.input;
        EXPECT_EQ(t.Text(), c.type) << c.input;
        EXPECT_EQ(std::string(TokenText(p.Token(), p.CurrentText())), c.rest) << c.input;
    }
    log_.Clear();
    SourceParser& p = Open(kLangCpp, "void (*f;");
    TypeText t;
    EXPECT_EQ(p.ParseTypeName(t), 0);
    EXPECT_EQ(log_.Text(), "*** ERROR in a.java(0): bad function type\r\n");
}

TEST_F(HelperTest, ParseQualifiedName) {
    struct Case {
        int language;
        const char* input;
        std::optional<std::string> last;
        const char* whole;
    };
    const Case cases[] = {
        {kLangCpp, "a::b::C x", "C", "a::b::C"},
        {kLangIdl, "M::E,", "E", "M::E"},
        {kLangJava, "java.util.List<", "List", "java.util.List"},
        {kLangPhp, "Base {", "Base", "Base"},
        {kLangOrvistal, "app\\ui\\Form", "Form", "app\\ui\\Form"},
        {kLangForte, "Lib.file.X", "X", "Lib.file.X"},
        {kLangJava, "a.b.;", std::nullopt, "a.b."},
        {kLangJava, "{", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SourceParser& p = Open(c.language, c.input);
        EXPECT_EQ(p.ParseQualifiedName(), c.last) << c.input;
        EXPECT_EQ(p.QualifiedName(), c.whole) << c.input;
    }
}

TEST_F(HelperTest, TypedefGivesATypedefNode) {
    struct Case {
        int language;
        const char* input;
        const char* name;
        const char* definition;
    };
    const Case cases[] = {
        {kLangCpp, "typedef unsigned long DWORD; x", "DWORD", "unsigned long "},
        {kLangCpp, "typedef struct tagX X; x", "X", "struct tagX "},
        {kLangCpp, "typedef struct { int a; } S; x", "S", "struct{int a;}"},
        {kLangIdl, "typedef sequence<long> Longs; x", "Longs", "sequence<long>"},
    };
    for (const Case& c : cases) {
        SourceParser& p = Open(c.language, c.input);
        SourceSymbol parent("P", std::nullopt);
        EXPECT_EQ(p.ParseTypedef(&parent, std::string("doc"), kModPublic), 1) << c.input;
        ASSERT_NE(parent.firstChild, nullptr) << c.input;
        const SourceSymbol& node = *parent.firstChild;
        EXPECT_EQ(node.kind, kNodeTypedef);
        EXPECT_EQ(node.name, c.name);
        EXPECT_EQ(node.text1, c.definition) << c.input;
        EXPECT_EQ(node.flags, kModPublic);
        EXPECT_EQ(node.comment, "doc");
        EXPECT_EQ(p.CurrentText(), "x");
    }
}

TEST_F(HelperTest, EnumGivesAnEnumerationWithEntries) {
    SourceParser& p = Open(kLangCpp, "enum Color { Red, Green = 2 << 1, Blue }; x");
    SourceSymbol parent("P", std::nullopt);
    EXPECT_EQ(p.ParseEnum(&parent, std::string("colours"), kModPublic), 1);
    ASSERT_NE(parent.firstChild, nullptr);
    const SourceSymbol& e = *parent.firstChild;
    EXPECT_EQ(e.kind, kNodeEnumeration);
    EXPECT_EQ(e.name, "Color");
    EXPECT_EQ(e.flags, kModPublic);
    EXPECT_EQ(e.comment, "colours");
    EXPECT_EQ(ChildNames(e), (std::vector<std::string>{"Red", "Green", "Blue"}));
    EXPECT_EQ(e.firstChild->kind, kNodeParameter);
    EXPECT_FALSE(e.firstChild->text2);
    EXPECT_EQ(e.firstChild->next->text2, "2<<1");
    EXPECT_EQ(p.CurrentText(), "x");
    EXPECT_EQ(log_.Text(), "");

    SourceParser& q = Open(kLangCSharp, "enum { [Obsolete] A, [X(1)] B = 1 } x");
    SourceSymbol other("P", std::nullopt);
    EXPECT_EQ(q.ParseEnum(&other, std::nullopt, 0), 1);
    // An unnamed enumeration's entries are constants of the parent.
    EXPECT_EQ(ChildNames(other), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(other.firstChild->kind, kNodeAttribute);
    EXPECT_EQ(other.firstChild->text1, "int");
    EXPECT_EQ(other.firstChild->flags, kModStatic | kModConst);
    EXPECT_EQ(q.CurrentText(), "x");
}

TEST_F(HelperTest, EnumErrors) {
    struct Case {
        const char* input;
        const char* error;
        const char* next;
    };
    const Case cases[] = {
        {"enum : int; x", "*** ERROR in a.java(0): { expected\r\n", "x"},
        {"enum E { 1 }; x", "*** ERROR in a.java(0): E: , or } expected\r\n", "x"},
        {"enum E { A B }; x", "*** ERROR in a.java(0): E: , or } expected\r\n", "x"},
    };
    for (const Case& c : cases) {
        log_.Clear();
        SourceParser& p = Open(kLangCpp, c.input);
        SourceSymbol parent("P", std::nullopt);
        EXPECT_EQ(p.ParseEnum(&parent, std::nullopt, 0), 0);
        EXPECT_EQ(log_.Text(), c.error) << c.input;
        EXPECT_EQ(p.CurrentText(), c.next) << c.input;
    }
}

TEST_F(HelperTest, RaisesClausesGiveExceptionAndContextNodes) {
    SourceParser& p = Open(kLangIdl, "raises (A, M::B) context (\"ctx\", \"b\") x");
    SourceSymbol method("m", std::nullopt);
    EXPECT_EQ(p.ParseRaisesClause(&method), 1);
    EXPECT_EQ(p.ParseRaisesClause(&method), 1);
    EXPECT_EQ(p.ParseRaisesClause(&method), 0); // not a clause
    EXPECT_EQ(ChildNames(method), (std::vector<std::string>{"A", "M::B", "\"ctx\"", "\"b\""}));
    EXPECT_EQ(method.firstChild->kind, kNodeException);
    EXPECT_EQ(method.firstChild->next->next->kind, kNodeContext);
    EXPECT_EQ(log_.Text(), "");

    SourceParser& q = Open(kLangCpp, "throw() ;");
    SourceSymbol none("f", std::nullopt);
    EXPECT_EQ(q.ParseRaisesClause(&none), 1);
    EXPECT_EQ(none.firstChild, nullptr);
    EXPECT_EQ(q.Token(), kTokSemicolon);

    struct Case {
        int language;
        const char* input;
        const char* error;
    };
    const Case errors[] = {
        {kLangIdl, "raises A", "( expected"},
        {kLangIdl, "raises (A;", ") expected"},
        {kLangIdl, "raises (A B)", ") expected"},
        {kLangIdl, "raises (A, )", "exception name expected"},
        {kLangCpp, "throw (...)", "exception name expected"},
        {kLangIdl, "context (x)", "context string expected"},
    };
    for (const Case& c : errors) {
        log_.Clear();
        SourceParser& r = Open(c.language, c.input);
        SourceSymbol m("m", std::nullopt);
        EXPECT_EQ(r.ParseRaisesClause(&m), 0) << c.input;
        EXPECT_EQ(log_.Text(), std::string("*** ERROR in a.java(0): m: ") + c.error + "\r\n");
    }
}

TEST_F(HelperTest, SkipDeclarationAndUsingDirectives) {
    SourceParser& p = Open(kLangCSharp, "using A.B; using C; int x = f(1); void g() { a; } ; y");
    EXPECT_EQ(p.SkipUsingDirectives(), 1);
    EXPECT_EQ(p.CurrentText(), "int");
    EXPECT_EQ(p.SkipDeclaration(), 1);
    EXPECT_EQ(p.CurrentText(), "void");
    EXPECT_EQ(p.SkipDeclaration(), 1);
    EXPECT_EQ(p.CurrentText(), "y");
    EXPECT_EQ(p.SkipDeclaration(), 0);
    EXPECT_EQ(p.Token(), kTokEnd);
}

TEST_F(HelperTest, SkipBodyCapturesMethodCodeWhenAsked) {
    const std::string source = "void f() {\n        int x;\n        if (x) { x = 1; }\n    }\nnext";
    SourceParser& p = Open(kLangJava, source, kRevKeepMethodCode);
    while (p.Token() != kTokLBrace) {
        p.GetToken();
    }
    SourceSymbol method("f", std::nullopt);
    EXPECT_EQ(p.SkipBody(&method, false), 1);
    EXPECT_EQ(method.text2, "    {\r\n        int x;\r\n        if (x) { x = 1; }\r\n    }");
    EXPECT_EQ(p.CurrentText(), "next");
    EXPECT_TRUE(p.CommentBuffer().empty());

    // C++ never keeps bodies; without the option nothing is kept either.
    for (auto [language, flags] : {std::pair{kLangCpp, kRevKeepMethodCode},
                                   std::pair{kLangJava, static_cast<ReverseOption>(0)}}) {
        SourceParser& q = Open(language, source, flags);
        while (q.Token() != kTokLBrace) {
            q.GetToken();
        }
        SourceSymbol m("f", std::nullopt);
        EXPECT_EQ(q.SkipBody(&m, false), 1);
        EXPECT_FALSE(m.text2);
    }
}

TEST_F(HelperTest, CapturedBodyKeepsEveryCharacterOfTheSource) {
    const std::string body = "{\n"
                             "  // line comment\n"
                             "  /* block\n"
                             "   * comment */ x = \"a\\  \n"
                             "b\";\t# not a directive in PHP\n"
                             "  y = 'c' + 0x1F + $v;\n"
                             "}";
    SourceParser& p = Open(kLangPhp, "function f() " + body + " next", kRevKeepMethodCode);
    while (p.Token() != kTokLBrace) {
        p.GetToken();
    }
    SourceSymbol method("f", std::nullopt);
    EXPECT_EQ(p.SkipBody(&method, false), 1);
    std::string expected = "{\r\n" + body.substr(2);
    for (size_t at = expected.find('\n', 3); at != std::string::npos;
         at = expected.find('\n', at + 2)) {
        expected.insert(at, "\r");
    }
    EXPECT_EQ(method.text2, expected);
}

TEST_F(HelperTest, ForteBodiesEndAtEndMethod) {
    const std::string source = "method A.F\nbegin\n  x = 1;\n  end if;\n  end method;\nnext";
    SourceParser& p = Open(kLangForte, source, kRevKeepMethodCode);
    while (p.CurrentText() != "begin") {
        p.GetToken();
    }
    SourceSymbol method("F", std::nullopt);
    EXPECT_EQ(p.SkipBody(&method, false), 1);
    EXPECT_EQ(method.text2, "begin\r\n  x = 1;\r\n  end if;\r\n  end method;");
    EXPECT_EQ(p.Token(), kTokSemicolon);

    SourceParser& q = Open(kLangForte, "begin x; end event; y", kRevKeepMethodCode);
    EXPECT_EQ(q.SkipBody(nullptr, true), 1);
    EXPECT_EQ(q.Token(), kTokSemicolon);
    SourceParser& r = Open(kLangForte, "begin x; end method; y");
    EXPECT_EQ(r.SkipBody(nullptr, true), 0); // no "end event" before the end of input
}

TEST_F(HelperTest, MismatchingCloseInBody) {
    SourceParser& p = Open(kLangJava, "} x");
    EXPECT_EQ(p.SkipBody(nullptr, false), 0);
    EXPECT_EQ(log_.Text(), "*** ERROR in a.java(0): mismatching } or end\r\n");
    SourceParser& q = Open(kLangJava, "{ {");
    EXPECT_EQ(q.SkipBody(nullptr, false), 0);
}

TEST(SourceCaptureTest, ExtractBody) {
    struct Case {
        int language;
        const char* captured;
        const char* body;
    };
    const Case cases[] = {
        {kLangJava, "  a;\n  }\n", "  {\r\n  a;\r\n  }"},
        {kLangJava, "{ a; }  x", "{ a; }"},
        {kLangCSharp, "\ta;\n\t}", "\t{\r\n\ta;\r\n\t}"},
        {kLangPhp, "a;\r\n}", "{\r\na;\r\n}"},
        {kLangForte, "x;\nend method;", "begin\r\nx;\r\nend method;"},
        {kLangForte, " BEGIN x; end;", " BEGIN x; end;"},
        // A capture that lost its closing brace is closed again.
        {kLangJava, "no brace", "{\r\nno brace\r\n}"},
    };
    for (const Case& c : cases) {
        SourceCapture capture;
        capture.text = c.captured;
        EXPECT_EQ(capture.ExtractBody(c.language), c.body) << c.captured;
    }
}

TEST_F(HelperTest, TakeCommentNormalisesTheText) {
    struct Case {
        const char* input;
        std::optional<std::string> comment;
    };
    const Case cases[] = {
        {"/** Doc */x", "Doc "},
        {"/**\n * First line.\n *   Second\tline.\n */x", "First line.\r\nSecond line."},
        {"// a\n// b\nx", "a\r\nb"},
        {"//   spaced    out\nx", "spaced out"},
        {"/**/x", std::nullopt},
        {"x", std::nullopt},
        {"/* a\n*/x", "a"},
    };
    for (const Case& c : cases) {
        SourceParser& p = Open(kLangJava, c.input);
        EXPECT_EQ(p.CurrentText(), "x");
        EXPECT_EQ(p.TakeComment(), c.comment) << c.input;
        EXPECT_TRUE(p.CommentBuffer().empty());
    }
}

} // namespace
} // namespace qm
