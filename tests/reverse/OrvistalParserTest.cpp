// The Orvistal parser: the orv element and its properties, classes with
// their extends lists, fields, user-interface elements, methods and text
// methods, load elements, and its messages.
#include "ParserTestSupport.h"

namespace qm {
namespace {

using test::V;

class OrvistalParserTest : public test::ParserTest {};

TEST_F(OrvistalParserTest, FileWithoutTheOrvTagRecordsNothing) {
    for (const char* source :
         {"class A { int x; }", "<form> class A { } </form>", " x <orv> class A { } </orv>"}) {
        Parse(kLangOrvistal, source);
        EXPECT_EQ(Top("A"), nullptr) << source;
        EXPECT_TRUE(Errors().empty()) << source;
    }
}

TEST_F(OrvistalParserTest, DomainGivesTheQualifier) {
    Parse(kLangOrvistal,
          "<orv version=\"2\" options={a b} domain=\"app/ui\\forms\">\n"
          "import x.y;\nclass Form extends Base { }\nclass Other { }\n</orv>\n",
          0, "form.orv");
    EXPECT_EQ(Describe(*Top("Form")), "5 Form @app.ui.forms 0 - 'form.orv'");
    EXPECT_EQ(Children(Top("Form")), (V{"2 Base @app.ui.forms 0 - -"}));
    EXPECT_EQ(Describe(*Top("Base")), "5 Base @app.ui.forms 0 - -");
    EXPECT_NE(Top("Other"), nullptr);
    EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(OrvistalParserTest, ClassMembersAndElements) {
    Parse(kLangOrvistal,
          "<orv>\n"
          "/** The login form. */\n"
          "abstract remote class Login extends Page {\n"
          "  private int tries = 0, limit = 3; // attempts\n"
          "  <button okButton text=\"OK\" onclick={submit()}/>\n"
          "  public <panel main><label caption/><field user/></panel>\n"
          "  <text.html render(String title = \"Login\", int size)> <h1>@title</h1> </text.html>\n"
          "  public abstract void check(String user, String password[]);\n"
          "  getable String name() { return a < b ? x : y; }\n"
          "  static { init(); }\n"
          "  enum Mode { Plain, Secure = 2 }\n"
          "  <input box/>\n"
          "  class Inner { int v; }\n"
          "}\n"
          "<load src=\"common.orv\"/>\n"
          "</orv>\n");
    SourceSymbol* login = Top("Login");
    EXPECT_EQ(Describe(*login), "5 Login 268436480 - 't.src'");
    EXPECT_EQ(login->comment, "The login form. ");
    EXPECT_EQ(Children(login),
              (V{"2 Page 0 - -", "7 tries 1 'int' '0'", "7 limit 1 'int' '3'",
                 "7 okButton 0 '<button>' -", "7 main 4 '<panel>' -", "8 render 0 '<text.html>' -",
                 "8 check 1028 'void' -", "8 name 0 'String' -", "13 Mode 0 - -",
                 "7 box 0 '<input>' -", "5 Inner 0 - -"}));
    EXPECT_EQ(login->FindChild(kLangOrvistal, "limit")->comment, "attempts");
    EXPECT_EQ(Children(login->FindChild(kLangOrvistal, "render")),
              (V{"9 title 0 'String' '\"Login\"'", "9 size 0 'int' -"}));
    EXPECT_EQ(Children(login->FindChild(kLangOrvistal, "check")),
              (V{"9 user 0 'String' -", "9 password 0 'String[]' -"}));
    EXPECT_EQ(Errors(), (V{"Login: illegal modifier for class method"}));
}

TEST_F(OrvistalParserTest, KeepMethodCodeCapturesBodies) {
    Parse(kLangOrvistal, "<orv>\nclass A {\n  void f() {\n    g(a<b);\n  }\n}\n</orv>\n",
          kRevKeepMethodCode);
    EXPECT_EQ(Top("A")->FindChild(kLangOrvistal, "f")->text2, "  {\r\n    g(a<b);\r\n  }");
}

TEST_F(OrvistalParserTest, Messages) {
    struct Case {
        const char* source;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {"<orv> class A implements B { } </orv>", {"A: bad extends list"}},
        {"<orv> class A extends B extends C { } </orv>",
         {"A: a class can only extend a single class"}},
        {"<orv> class A extends B C { } </orv>", {"A: extends or { expected"}},
        {"<orv> class A ( } </orv>", {"A: { expected"}},
        {"<orv> class { } </orv>", {"identifier expected after class", "unexpected '}'"}},
        {"<orv> class A { }", {"</orv> expected"}},
        {"<orv> class A { } </form>", {"</orv> expected"}},
        {"<orv 1=2> </orv>", {"property name expected"}},
        {"<orv a 2> </orv>", {"'=' expected"}},
        {"<orv a={ x", {"'}' expected", "</orv> expected"}},
        {"<orv a=1 /> </orv>", {"'>' expected"}},
        {"<orv> <form x/> <load a=1></other> </orv>", {"<load> expected", "</load> expected"}},
        {"<orv> class A { <button/> } </orv>", {"A: gui ID expected"}},
        {"<orv> class A { <button b> ", {"gui tag end expected", "</orv> expected"}},
        {"<orv> class A { <text t> </text> } </orv>", {"A: '(' expected"}},
        {"<orv> class A { <text t() </orv>", {"t: '>' expected", "</orv> expected"}},
        {"<orv> class A { <text t()> x </orv>", {"t: </text> expected", "</orv> expected"}},
        {"<orv> class A { abstract int x; } </orv>", {"A: illegal modifier for class field"}},
        {"<orv> class A { int x y; } </orv>", {}},
        {"<orv> class A { int x[3]; } </orv>", {"A: , or = or ; expected"}},
        {"<orv> class A { abstract void f(); } </orv>",
         {"A: abstract method not allowed in non-abstract class"}},
        {"<orv> class A { void f(); } </orv>",
         {"f: non-abstract method implementation required in class"}},
        {"<orv> abstract class A { abstract void f() { } } </orv>",
         {"f: abstract method should have no implementation"}},
        {"<orv> class A { void f(int; } </orv>", {"f: identifier or , or ) expected"}},
        {"<orv> class A { void f(int a } </orv>", {"f: ) expected"}},
        {"<orv> class A { void f() x } </orv>", {"f: syntax error"}},
        {"<orv> } class A { } </orv>", {"unexpected '}'"}},
    };
    for (const Case& c : cases) {
        log_.Clear();
        Parse(kLangOrvistal, c.source);
        EXPECT_EQ(Errors(), c.errors) << c.source;
    }
}

} // namespace
} // namespace qm
