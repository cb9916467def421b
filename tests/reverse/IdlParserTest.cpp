// The IDL parser: what each definition records in the symbol table and what
// it reports for malformed input.
#include "ReverseTestSupport.h"

#include "platform/Log.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::DumpNode;
using test::ParseText;

struct IdlCase {
    const char* source;
    const char* name;
    const char* tree;
};

TEST(IdlParserTest, DefinitionsRecordTheirNodes) {
    const IdlCase cases[] = {
        {"module M { interface I : J { readonly attribute long x;"
         " void f(in long a, out string b) raises (E); }; };",
         "M",
         "M/4/0{I/6/0{J/2/0,x/7/104:long,f/8/4:void{a/9/40:long,b/9/80:string,E/11/0}},J/6/0}"},
        {"interface I;", "I", "I/6/0"},
        {"interface I { long y; };", "I", "I/6/0"},
        {"interface I : ::A::B, C<long> { };", "I", "I/6/0{B/2/0,C/2/0}"},
        {"struct S { long a; string b; };", "S", "S/15/0{a/7/4:long,b/7/4:string}"},
        {"struct S { ::CORBA::Object o; M::T t; sequence<long> s; unsigned long u, v[4]; };", "S",
         "S/15/0{o/7/4:::CORBA::Object,t/7/4:M::T,s/7/4:sequence<long>,u/7/4:unsigned "
         "long,v/7/4:unsigned long[4]}"},
        {"exception E { long code; string why; };", "E", "E/11/0{code/7/4:long,why/7/4:string}"},
        {"interface I { oneway void ping(in unsigned long n, inout CORBA::Object o); };", "I",
         "I/6/0{ping/8/204:void{n/9/40:unsigned long,o/9/c0:CORBA::Object}}"},
        {"interface I { attribute long a, b[3]; readonly attribute string s; };", "I",
         "I/6/0{a/7/4:long,b/7/4:long[3],s/7/104:string}"},
        {"interface I { void f(in long x) raises (A, M::B) context (\"x\", \"y\"); };", "I",
         "I/6/0{f/8/4:void{x/9/40:long,A/11/0,M::B/11/0,\"x\"/12/0,\"y\"/12/0}}"},
        {"interface I { enum Color { red, green }; typedef sequence<long> Seq; };", "I",
         "I/6/0{Color/13/4{red/9/0,green/9/0},Seq/14/4:sequence<long>}"},
        {"interface I { const long N = 1; union U switch (long) { case 1: long a; }; "
         "long g(); };",
         "I", "I/6/0{g/8/4:long}"},
        {"interface I { struct P { long x; }; exception Bad { string why; }; "
         "interface N { }; };",
         "I", "I/6/0{P/15/0{x/7/4:long},Bad/11/0{why/7/4:string},N/6/0}"},
        {"module A { module B { interface C { }; }; };", "A", "A/4/0{B/4/0{C/6/0}}"},
        // A module opened again adds to the same node.
        {"module A { module B { interface X; }; }; module A { module B { interface Y; }; };", "A",
         "A/4/0{B/4/0{X/6/0,Y/6/0}}"},
        // Definitions of other kinds are passed over.
        {"const long X = 1; typedef long T; union U switch (long) { case 1: long a; };"
         " enum E { A }; valuetype V { public long x; factory init(in long x); };"
         " interface I { };",
         "I", "I/6/0"},
        {"const long X = 1;", "X", "<none>"},
        {"typedef long T;", "T", "<none>"},
    };
    for (const IdlCase& c : cases) {
        RecordingLogSink log;
        ScopedLogSink scope(&log);
        SourceParser parser(nullptr, kLangIdl);
        ParseText(parser, c.source);
        const SourceSymbol* node = parser.Find(kLangIdl, c.name, std::nullopt);
        EXPECT_EQ(node != nullptr ? DumpNode(*node) : "<none>", c.tree) << c.source;
        EXPECT_EQ(log.Text(), "") << c.source;
    }
}

TEST(IdlParserTest, InterfacesRecordTheirFileAndComments) {
    SourceParser parser(nullptr, kLangIdl);
    ParseText(parser,
              "// The account.\n"
              "interface Account {\n"
              "  /** The balance. */\n"
              "  readonly attribute long balance; // in cents\n"
              "  void deposit(in long amount);\n"
              "};\n",
              "bank.idl");
    const SourceSymbol* account = parser.Find(kLangIdl, "Account", std::nullopt);
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->text2, "bank.idl");
    EXPECT_EQ(account->comment, "The account.");
    EXPECT_EQ(account->FindChild(kLangIdl, "balance")->comment, "in cents");
}

TEST(IdlParserTest, MalformedInputIsReportedAndParsingGoesOn) {
    struct Case {
        const char* source;
        const char* message;
    };
    const Case cases[] = {
        {"interface I : { }; interface Z { };", "bad base interface list"},
        {"interface I : J ; interface Z { };", "{ expected"},
        {"interface I { attribute long a, 5; }; interface Z { };", "; expected"},
        {"struct S { long; }; interface Z { };", "; expected"},
        {"interface I { void f(in long a = 1); }; interface Z { };",
         "parameter initializer not allowed"},
        {"interface I { void f(in long; }; interface Z { };", "identifier or , or ) expected"},
        {"interface I { void f(in long a; }; interface Z { };", ") expected"},
        {"interface I { void f() x; }; interface Z { };", "syntax error"},
        {"interface I { void f() raises E; }; interface Z { };", "( expected"},
        {"interface I { void f() context (x); }; interface Z { };", "context string expected"},
        {"interface I { void f() raises (A, ); }; interface Z { };", "exception name expected"},
    };
    for (const Case& c : cases) {
        RecordingLogSink log;
        ScopedLogSink scope(&log);
        SourceParser parser(nullptr, kLangIdl);
        ParseText(parser, c.source);
        EXPECT_NE(log.Text().find(std::string(": ") + c.message + "\r\n"), std::string::npos)
            << c.source << " logged " << log.Text();
        EXPECT_NE(parser.Find(kLangIdl, "Z", std::nullopt), nullptr) << c.source;
    }
}

} // namespace
} // namespace qm
