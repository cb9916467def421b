// The Forte TOOL parser: begin and end statements, classes and interfaces
// with inherits and implements lists, attributes, constants, properties,
// methods and events with their parameters, implementations attached to
// their declarations, and its messages.
#include "ParserTestSupport.h"

namespace qm {
namespace {

using test::V;

class ToolParserTest : public test::ParserTest {};

const char* const kBanking =
    "begin TOOL Banking;\n"
    "-- The account of a customer.\n"
    "class Account inherits from Base implements IAudit;\n"
    "  has public attribute balance : double;\n"
    "  has private virtual owner : TextData;\n"
    "  has public method Deposit(input amount : double) : boolean;\n"
    "  has public method Transfer(copy input output to : Account = NIL, output fee : money,"
    " input reference note : TextData) : copy boolean where completion = WAIT;\n"
    "  has event Changed(output old : double);\n"
    "  has constant MaxLen = 80;\n"
    "  has property extended = (ref = 1); shared = TRUE;\n"
    "  has file \"account.cex\";\n"
    "end class;\n"
    "interface IAudit inherits from IBase\n"
    "  has public method Audit;\n"
    "end interface;\n"
    "method Account.Deposit\n"
    "begin\n"
    "  balance = balance + amount;\n"
    "  return TRUE;\n"
    "end method;\n"
    "event handler Account.Changed\n"
    "begin\n"
    "end event;\n"
    "end Banking;\n"
    "class Outside end class;\n";

TEST_F(ToolParserTest, ProjectClassesAndMembers) {
    Parse(kLangForte, kBanking, 0, "bank.pex");
    SourceSymbol* account = Top("Account");
    EXPECT_EQ(Describe(*account), "5 Account @Banking 4 - 'bank.pex'");
    EXPECT_EQ(account->comment, "The account of a customer.");
    EXPECT_EQ(Children(account),
              (V{"2 Base @Banking 0 - -", "3 IAudit @Banking 0 - -", "7 balance 4 'double' -",
                 "7 owner 33 'TextData' -", "8 Deposit 4 'boolean' -", "8 Transfer 4 'boolean' -",
                 "8 Changed 0 - -", "7 MaxLen 8 - '80'", "7 extended 0 - '(ref=1)'",
                 "7 shared 0 - 'TRUE'"}));
    EXPECT_EQ(Children(account->FindChild(kLangForte, "Deposit")), (V{"9 amount 64 'double' -"}));
    EXPECT_EQ(Children(account->FindChild(kLangForte, "Transfer")),
              (V{"9 to 192 'Account' 'NIL'", "9 fee 128 'money' -", "9 note 64 'TextData' -"}));
    EXPECT_EQ(Describe(*Top("Base")), "5 Base @Banking 0 - -");
    EXPECT_EQ(Describe(*Top("IAudit")), "6 IAudit @Banking 1028 - 'bank.pex'");
    EXPECT_EQ(Children(Top("IAudit")), (V{"2 IBase @Banking 0 - -", "8 Audit 4 - -"}));
    EXPECT_EQ(Describe(*Top("IBase")), "6 IBase @Banking 0 - -");
    // end Banking; drops the qualifier.
    EXPECT_EQ(Describe(*Top("Outside")), "5 Outside 4 - 'bank.pex'");
    EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(ToolParserTest, ImplementationsAttachToTheirDeclarations) {
    Parse(kLangForte, kBanking, kRevKeepMethodCode);
    SourceSymbol* account = Top("account"); // names compare without case
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->FindChild(kLangForte, "deposit")->text2,
              "begin\r\n  balance = balance + amount;\r\n  return TRUE;\r\nend method;");
    EXPECT_EQ(account->FindChild(kLangForte, "Changed")->text2, "begin\r\nend event;");
    EXPECT_FALSE(account->FindChild(kLangForte, "Transfer")->text2.has_value());
}

TEST_F(ToolParserTest, Messages) {
    struct Case {
        const char* source;
        std::vector<std::string> errors;
    };
    const std::string account =
        "class Account has public method Deposit; has x : int; end class;\n";
    const Case cases[] = {
        {"method Account.Missing begin end method;",
         {"method 'Missing' not declared in the class"}},
        {"method Account.x begin end method;", {"method 'x' not declared in the class"}},
        {"method Nobody.Deposit begin end method;", {"method name expected for class .."}},
        {"method Account.1 begin end method;", {"method name expected for class .1"}},
        {"begin TOOL P; method Account.Deposit begin end method;",
         {"method name expected for class P.."}},
        {"method 1 begin end method;", {"class identifier expected after 'method'"}},
        {"class begin", {"identifier expected after interface/class"}},
        {"class A end class", {"A: ; expected after end class"}},
        {"class A inherits B inherits C end class;", {"A: a class can only extend a single class"}},
        {"interface I implements J; end;", {"I: an interface cannot implement anything"}},
        {"class A inherits ; end class;", {"A: bad extends/implements list"}},
        {"class A implements I end class;", {"A: ; expected"}},
        {"class A has constant = 1; end class;", {"A: Identifier expected after 'constant'"}},
        {"class A has constant X 1; end class;", {"A: = expected"}},
        {"class A has method; end class;", {"A: Method name expected"}},
        {"class A has property p 1; end class;", {"A: = expected"}},
        {"class A has property p = 1", {"A: ; expected"}},
        {"class A has public 1; end class;", {"A: Attribute name expected"}},
        {"class A has x int; end class;", {"A: : expected after attribute"}},
        {"class A has method m(input 1); end class;", {"m: unexpected symbol"}},
        {"class A has method m(p int); end class;", {"m: : expected after method parameter"}},
    };
    for (const Case& c : cases) {
        log_.Clear();
        Parse(kLangForte, account + c.source);
        EXPECT_EQ(Errors(), c.errors) << c.source;
    }
}

TEST_F(ToolParserTest, BeginStatements) {
    Parse(kLangForte, "begin class X; class A end class;\nBEGIN c Lib.Sub;\nclass B end class;\n"
                      "begin dce; class C end class;");
    EXPECT_FALSE(Top("A")->qualifier.has_value());
    EXPECT_EQ(Describe(*Top("B")), "5 B @Lib.Sub 4 - 't.src'");
    EXPECT_EQ(Describe(*Top("C")), "5 C @Lib.Sub 4 - 't.src'");
}

} // namespace
} // namespace qm
