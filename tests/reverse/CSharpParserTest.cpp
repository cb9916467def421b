// The C# parser: namespaces, using directives and attribute sections, classes,
// interfaces and structs with their base lists and type parameters, fields,
// properties, methods, operators, destructors, parameters, enumerations,
// delegates and events, and its messages.
#include "ParserTestSupport.h"

namespace qm {
namespace {

using test::V;

class CSharpParserTest : public test::ParserTest {};

TEST_F(CSharpParserTest, PropertyIsRecordedAsField) {
    Parse(kLangCSharp, "class A { int X { get; set; } public string Name { get { return n; } }"
                       " int Y { get; } = 5; int z; }");
    EXPECT_EQ(Children(Top("A")),
              (V{"7 X 0 'int' -", "7 Name 4 'string' -", "7 Y 0 'int' '5'", "7 z 0 'int' -"}));
    EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(CSharpParserTest, BaseListTellsInterfacesFromClasses) {
    Parse(kLangCSharp, "interface IBase { } class A : IBase { } class B : Unknown { }\n"
                       "class C : Base, IBase, IOther { } interface J : IBase, K { }\n");
    EXPECT_EQ(Children(Top("A")), (V{"3 IBase 0 - -"}));
    EXPECT_EQ(Children(Top("B")), (V{"2 Unknown 0 - -"}));
    EXPECT_EQ(Describe(*Top("Unknown")), "5 Unknown 0 - -");
    // After the first interface every later base is implemented.
    EXPECT_EQ(Children(Top("C")), (V{"2 Base 0 - -", "3 IBase 0 - -", "3 IOther 0 - -"}));
    EXPECT_EQ(Describe(*Top("IOther")), "6 IOther 0 - -");
    // An interface extends its bases; an unknown one becomes an interface.
    EXPECT_EQ(Children(Top("J")), (V{"2 IBase 0 - -", "2 K 0 - -"}));
    EXPECT_EQ(Describe(*Top("K")), "6 K 0 - -");
}

// A generic base keeps its type arguments, nested ones too, before a primary
// constructor's arguments.
TEST_F(CSharpParserTest, GenericBasesKeepTheirTypeArguments) {
    Parse(kLangCSharp, "interface IComparable<T> { }\n"
                       "class D : Base<List<Dictionary<string, int>>>, IComparable<D> { }\n"
                       "record R(int X) : Pair<int, string>(X, \"x\");\n");
    EXPECT_EQ(Children(Top("D")),
              (V{"2 Base 0 '<List<Dictionary<string,int>>>' -", "3 IComparable 0 '<D>' -"}));
    EXPECT_EQ(Children(Top("R")), (V{"7 X 4 'int' -", "2 Pair 0 '<int,string>' -"}));
    EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(CSharpParserTest, NamespacesQualifyTheirTypes) {
    Parse(kLangCSharp, "using System;\nusing static System.Math;\nusing L = System.List;\n"
                       "[assembly: AssemblyTitle(\"x\")]\n"
                       "namespace A.B {\n  class C { }\n  namespace D { class E { } }\n"
                       "  class F : C { }\n}\nclass G { }\n");
    EXPECT_EQ(Describe(*Top("C")), "5 C @A.B 0 - 't.src'");
    EXPECT_EQ(Describe(*Top("E")), "5 E @A.B.D 0 - 't.src'");
    EXPECT_EQ(Describe(*Top("F")), "5 F @A.B 0 - 't.src'");
    EXPECT_EQ(Children(Top("F")), (V{"2 C @A.B 0 - -"}));
    EXPECT_EQ(Describe(*Top("G")), "5 G 0 - 't.src'");
    EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(CSharpParserTest, MembersOfAClass) {
    Parse(kLangCSharp,
          "[Serializable]\npublic sealed partial class S<T, in U> : Base where T : new() {\n"
          "  [Obsolete] protected internal const int K = 3;\n"
          "  public event EventHandler Changed;\n"
          "  public event EventHandler Other { add { } remove { } }\n"
          "  public delegate void D(int x);\n"
          "  public static S<T, U> operator +(S<T, U> a, S<T, U> b) { return a; }\n"
          "  public static implicit operator int(S<T, U> s) => 0;\n"
          "  ~S() { }\n"
          "  public S(int n) : base(n) { }\n"
          "  public abstract void M(ref int a, out int b, params int[] c, [In] int d = 4);\n"
          "  public V Get<V>(V v) where V : T => default;\n"
          "  public int this[int i] { get { return i; } }\n"
          "  private static readonly Dictionary<string, List<int>> map = new();\n"
          "  public enum Kind { One = 1, Two }\n"
          "  internal struct P { public int x; }\n"
          "};\n");
    SourceSymbol* s = Top("S");
    EXPECT_EQ(Describe(*s), "5 S 3145732 - 't.src'");
    EXPECT_EQ(Children(s),
              (V{"2 Base 0 - -", "7 K 524298 'int' '3'", "8 operator+ 20 'S<T,U>' -",
                 "8 operator int 20 'implicit' -", "8 ~S 0 '' -", "8 S 4 '' -", "8 M 1028 'void' -",
                 "8 Get 4 'V' -", "7 map 273 'Dictionary<string,List<int>>' 'new()'",
                 "13 Kind 4 - -", "5 P @S 524288 - -", "9 T 0 - -", "9 U 0 - -"}));
    EXPECT_EQ(Children(s->FindChild(kLangCSharp, "M")),
              (V{"9 a 0 'int' -", "9 b 128 'int' -", "9 c 0 'int[]' -", "9 d 0 'int' '4'"}));
    EXPECT_EQ(Children(s->FindChild(kLangCSharp, "Kind")), (V{"9 One 0 - '1'", "9 Two 0 - -"}));
    EXPECT_EQ(Children(s->FindChild(kLangCSharp, "P")), (V{"7 x 4 'int' -"}));
}

TEST_F(CSharpParserTest, TopLevelEnumerationsAndDelegates) {
    Parse(kLangCSharp, "namespace N { public enum Color : byte { Red, Green = 2 } "
                       "public delegate int Op(int a); class A { } }");
    EXPECT_EQ(Describe(*Top("Color")), "13 Color @N 4 - -");
    EXPECT_EQ(Children(Top("Color")), (V{"9 Red 0 - -", "9 Green 0 - '2'"}));
    EXPECT_EQ(Top("Op"), nullptr);
    EXPECT_NE(Top("A"), nullptr);
}

TEST_F(CSharpParserTest, KeepMethodCodeCapturesBodies) {
    Parse(kLangCSharp, "class A {\n  void F() {\n    G();\n  }\n}\n", kRevKeepMethodCode);
    EXPECT_EQ(Top("A")->FindChild(kLangCSharp, "F")->text2, "  {\r\n    G();\r\n  }");
}

TEST_F(CSharpParserTest, Messages) {
    struct Case {
        const char* source;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {"class A : { }", {"A: bad base class/interface list"}},
        {"class A : B C { }", {"A: where or { expected"}},
        {"namespace X", {"{ expected for namespace"}},
        {"namespace X { class A { }", {"} expected for namespace"}},
        {"delegate void D()", {"; expected"}},
        {"class A<> { }", {"identifier expected"}},
        {"class { }", {"identifier expected after interface/class"}},
        {"interface I { void F() { } }", {"F: method implementation not allowed in interface"}},
        {"abstract class A { abstract void F() { } }",
         {"F: abstract method should have no implementation"}},
        {"class A { void F(int; }", {"F: identifier or , or ) expected"}},
        {"class A { void F() x }", {"F: syntax error"}},
        {"class A { enum E { 1 } }", {"E: , or } expected"}},
    };
    for (const Case& c : cases) {
        log_.Clear();
        Parse(kLangCSharp, c.source);
        EXPECT_EQ(Errors(), c.errors) << c.source;
    }
}

// A larger file in the style of a real project: every type and member is
// recorded and nothing is reported.
TEST_F(CSharpParserTest, ProjectStyleFile) {
    const std::string path = std::string(QM_FIXTURES) + "/reverse/Inventory.cs";
    Parse(kLangCSharp, test::ReadFixture(path), 0, "Inventory.cs");
    EXPECT_TRUE(Errors().empty()) << Errors().front();
    V types;
    for (SourceSymbol* s = parser_->First(); s != nullptr; s = parser_->Next()) {
        for (SourceSymbol* same = s; same != nullptr; same = same->sameName.get()) {
            if (same->kind == kNodeClass || same->kind == kNodeInterface ||
                same->kind == kNodeEnumeration) {
                types.push_back(Describe(*same));
            }
        }
    }
    std::sort(types.begin(), types.end());
    // The unknown bases of the last namespace are taken for classes of it.
    EXPECT_EQ(types, (V{"13 StockLevel @Contoso.Inventory.Model 4 - -",
                        "5 EventArgs @Contoso.Inventory.Services 0 - -",
                        "5 IDisposable @Contoso.Inventory.Services 0 - -",
                        "5 InventoryService @Contoso.Inventory.Services 1048580 - 'Inventory.cs'",
                        "5 Item @Contoso.Inventory.Model 4 - 'Inventory.cs'",
                        "5 ItemRepository @Contoso.Inventory.Data 4 - 'Inventory.cs'",
                        "5 Repository @Contoso.Inventory.Data 1028 - 'Inventory.cs'",
                        "5 StockChangedEventArgs @Contoso.Inventory.Services 4 - 'Inventory.cs'",
                        "6 IEntity @Contoso.Inventory.Model 1028 - 'Inventory.cs'",
                        "6 IRepository @Contoso.Inventory.Data 1028 - 'Inventory.cs'"}));
    EXPECT_EQ(Children(Top("ItemRepository")),
              (V{"2 Repository @Contoso.Inventory.Data 0 '<Item>' -",
                 "3 IRepository @Contoso.Inventory.Data 0 '<Item>' -", "8 ItemRepository 4 '' -",
                 "8 FindBySku 4 'Item' -", "8 LowStock 4 'IEnumerable<Item>' -",
                 "7 _bySku 1 'Dictionary<string,Item>' -"}));
    EXPECT_EQ(Children(Top("Item")),
              (V{"3 IEntity @Contoso.Inventory.Model 0 - -", "7 Id 4 'Guid' 'Guid.NewGuid()'",
                 "7 Sku 4 'string' -", "7 Name 4 'string' 'string.Empty'", "7 Quantity 4 'int' -",
                 "7 Price 4 'decimal' -", "7 Level 4 'StockLevel' -", "8 Item 4 '' -",
                 "8 Item 4 '' -", "8 ToString 4 'string' -"}));
}

} // namespace
} // namespace qm
