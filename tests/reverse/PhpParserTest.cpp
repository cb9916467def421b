// The PHP parser: code between <?php and ?> only, classes and interfaces with
// their extends and implements lists, fields, constants, methods with their
// parameters and defaults, and its messages.
#include "ParserTestSupport.h"

namespace qm {
namespace {

using test::V;

class PhpParserTest : public test::ParserTest {};

TEST_F(PhpParserTest, OnlyCodeInsideTheTagsIsRead) {
    Parse(kLangPhp, "class Outside { }\n<?php class A { } ?>\n<p>class AlsoOutside { }</p>\n"
                    "<?PHP abstract class B { } interface I { }\nfinal class C { }");
    EXPECT_EQ(Top("Outside"), nullptr);
    EXPECT_EQ(Top("AlsoOutside"), nullptr);
    EXPECT_EQ(Describe(*Top("A")), "5 A 4 - 't.src'");
    EXPECT_EQ(Describe(*Top("B")), "5 B 1028 - 't.src'");
    EXPECT_EQ(Describe(*Top("I")), "6 I 1028 - 't.src'");
    EXPECT_EQ(Describe(*Top("C")), "5 C 4 - 't.src'");
}

TEST_F(PhpParserTest, FunctionParametersAndDefaults) {
    Parse(kLangPhp, "<?php class A {\n"
                    "  function f($a, $b = 3) { }\n"
                    "  public static function &g(?int $c, Foo &$d = null, array $e = [1, 2],"
                    " ...$rest): ?string { return Foo::class; }\n"
                    "}\n");
    SourceSymbol* a = Top("A");
    EXPECT_EQ(Children(a), (V{"8 f 0 '' -", "8 g 20 '?string' -"}));
    EXPECT_EQ(Children(a->FindChild(kLangPhp, "f")), (V{"9 $a 0 '' -", "9 $b 0 '' '3'"}));
    EXPECT_EQ(Children(a->FindChild(kLangPhp, "g")),
              (V{"9 $c 0 '?int' -", "9 $d 0 'Foo' 'null'", "9 $e 0 'array' '[1,2]'",
                 "9 $rest 0 '...' -"}));
    EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(PhpParserTest, ClassMembersAndBases) {
    Parse(kLangPhp, "<?php\nnamespace Shop;\nuse Lib\\Base;\n"
                    "/** A cart. */\n"
                    "abstract class Cart extends \\Lib\\Base implements Countable, \\Ns\\Sized {\n"
                    "  use Logs;\n"
                    "  const LIMIT = 10;\n"
                    "  private $items = array(), $total = 0; // running total\n"
                    "  protected static ?Money $money;\n"
                    "  abstract protected function price(Item $i);\n"
                    "  public function count(): int { return count($this->items); }\n"
                    "}\n"
                    "interface Sized extends Countable { public function size(); }\n");
    SourceSymbol* cart = Top("Cart");
    EXPECT_EQ(Describe(*cart), "5 Cart 1028 - 't.src'");
    EXPECT_FALSE(cart->qualifier.has_value()); // PHP files start with no qualifier
    EXPECT_EQ(cart->comment, "A cart. ");
    EXPECT_EQ(Children(cart),
              (V{"2 Base 0 - -", "3 Countable 0 - -", "3 Sized 0 - -", "7 LIMIT 0 'const' '10'",
                 "7 $items 1 '' 'array()'", "7 $total 1 '' '0'", "7 $money 18 '?Money' -",
                 "8 price 1026 '' -", "8 count 4 'int' -"}));
    EXPECT_EQ(cart->FindChild(kLangPhp, "$total")->comment, "running total");
    EXPECT_EQ(Children(Top("Sized")), (V{"2 Countable 0 - -", "8 size 1028 '' -"}));
    EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(PhpParserTest, ClassNameLiteralsDeclareNothing) {
    Parse(kLangPhp,
          "<?php $x = Foo::class; $y = $o->class; function f() { return new class { }; }");
    EXPECT_EQ(Top("Foo"), nullptr);
    EXPECT_EQ(Errors(), (V{"identifier expected after interface/class"}));
}

TEST_F(PhpParserTest, Messages) {
    struct Case {
        const char* source;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {"<?php class A { abstract function f(); }",
         {"A: abstract method not allowed in non-abstract class"}},
        {"<?php class A extends B extends C { }", {"A: a class can only extend a single class"}},
        {"<?php interface I implements J { }", {"I: an interface cannot implement anything"}},
        {"<?php class A extends { }", {"A: bad extends/implements list"}},
        {"<?php class A extends B C { }", {"A: extends or implements, or { expected"}},
        {"<?php class A { function f() x }", {"f: syntax error"}},
        {"<?php interface I { private function f(); }",
         {"I: illegal modifier for class/interface method"}},
        {"<?php class A { function f($a $b) { } }", {"f: identifier or , or ) expected"}},
        {"<?php class A { function f($a }", {"f: ) expected"}},
    };
    for (const Case& c : cases) {
        log_.Clear();
        Parse(kLangPhp, c.source);
        EXPECT_EQ(Errors(), c.errors) << c.source;
    }
}

} // namespace
} // namespace qm
