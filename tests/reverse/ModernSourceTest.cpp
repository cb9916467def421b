// Sources written the way code is written today, reverse-engineered into a
// real project: each construct keeps its classes, qualifiers, bases and
// members; nested classes that share a name stay apart; a run repeated or a
// second tree with the same class names elsewhere changes nothing it should
// not; non-ASCII names and very long lines are kept whole.
#include "DocumentProjectFixture.h"
#include "ReverseTestSupport.h"

#include "reverse/DocumentReverseProject.h"
#include "reverse/LanguageParsers.h"

#include "model/Members.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qm {
namespace {

// Every class master of the project, one line each, sorted:
// "name@namespace : bases | attributes | methods".
std::vector<std::string> DescribeMasters(CCASEDoc& doc, int classTool) {
    std::vector<std::string> lines;
    for (const auto& master : doc.Masters().Masters()) {
        if (master->Kind() != classTool && master->Kind() != classTool + 1) {
            continue;
        }
        std::string line = master->name + "@" + master->nameSpace + " |";
        for (const auto& attribute : master->attributes) {
            line += " " + attribute->name + ":" + attribute->type;
        }
        line += " |";
        for (const auto& method : master->methods) {
            line += " " + method->name;
        }
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Runs the parser of a language over sources held in memory into the project.
class ModernSourceTest : public test::DocumentProjectTest {
  protected:
    void Run(CCASEDoc& doc, int language, const std::vector<std::string>& sources) {
        DocumentReverseProject project(doc);
        SourceParser parser(&project, language);
        int index = 0;
        for (const std::string& source : sources) {
            parser.OpenSourceText("src" + std::to_string(index++), source);
            switch (language) {
            case kLangJava:
                ParseJavaInput(parser);
                break;
            case kLangCSharp:
                ParseCSharpInput(parser);
                break;
            default:
                parser.ParseCppInput();
                break;
            }
            parser.CloseSourceFile();
        }
        parser.BuildModelFromParse(&project, project.CurrentModel());
        classTool_ = parser.ClassTool();
    }
    int classTool_ = 10;
};

TEST_F(ModernSourceTest, EachConstructKeepsItsClassesAndMembers) {
    struct Case {
        int language;
        const char* source;
        std::vector<std::string> masters;
    };
    const Case cases[] = {
        // Nested classes that share a name are two masters.
        {kLangCpp,
         "namespace p { class A { public: class Builder { int a; void build(); }; };\n"
         "class B { public: class Builder { int b; }; }; }",
         {"A@p | |", "B@p | |", "Builder@p::A | a:int | build", "Builder@p::B | b:int |"}},
        // A nested class never takes over a top-level class of its name.
        {kLangCpp,
         "namespace q { class Node { int keep; }; }\n"
         "namespace p { class Tree { class Node { int mine; }; }; }",
         {"Node@p::Tree | mine:int |", "Node@q | keep:int |", "Tree@p | |"}},
        // Namespaces of any depth qualify their classes alike.
        {kLangCpp,
         "namespace a { namespace b { class Two { int t; }; namespace c { class Three { int h; }; "
         "namespace d { class Four { int f; }; } } } }\nnamespace x::y::z { class Nested { }; }",
         {"Four@a::b::c::d | f:int |", "Nested@x::y::z | |", "Three@a::b::c | h:int |",
          "Two@a::b | t:int |"}},
        // Forward declarations make no master and empty none.
        {kLangCpp,
         "namespace t { class U; class U { int x; }; class U; }\nclass V;",
         {"U@t | x:int |"}},
        {kLangCpp, "enum class E : int { A, B }; enum F : char; class C { E e; };", {"C@ | e:E |"}},
        {kLangCpp,
         "class [[nodiscard]] alignas(16) X final : public Base { int v; };",
         {"Base@ | |", "X@ | v:int |"}},
        {kLangCpp,
         "namespace s { class bad : public std::exception { public: "
         "const char* what() const noexcept override; }; }",
         {"bad@s | | what", "exception@std | |"}},
        {kLangCpp,
         "template <class T> class Foo { T t; };\n"
         "template <> class Foo<int> { int i; void only(); };",
         {"Foo<int>@ | i:int | only", "Foo@ | t:T |"}},
        {kLangCpp,
         "class M { std::function<void(int)> cb; void (*fp)(int, char); int after; };",
         {"M@ | cb:std::function<void(int)> fp:void(*)(int,char) after:int |"}},
        {kLangCpp,
         "class U : public B { using B::f; using Size = unsigned long; int n; };",
         {"B@ | |", "U@ | n:int |"}},
        {kLangCpp,
         "class Q_CORE_EXPORT W : public QObject { Q_OBJECT Q_PROPERTY(int v READ v)\n"
         "public slots: void s(); signals: void changed(); private: int v_; };",
         {"QObject@ | |", "W@ | v_:int | s changed"}},
        // A macro line right before a namespace keeps the namespace's classes.
        {kLangCpp,
         "QT_BEGIN_NAMESPACE\nnamespace QtPrivate {\nstruct Tag { int symbol; };\n}\n"
         "Q_DECL_EXPORT_MACRO(x)\nnamespace N { class K { int k; }; }\nQT_END_NAMESPACE\n",
         {"K@N | k:int |", "Tag@QtPrivate | symbol:int |"}},
        // Conversions to qualified template types.
        {kLangCpp,
         "class Cv { public: template <typename T> operator ::testing::Matcher<T>() const;\n"
         "template <typename F> operator ns::Action<F>() const { return {}; } int after; };",
         {"Cv@ | after:int | operator ::testing::Matcher<T> operator ns::Action<F>"}},
        {kLangCpp,
         "class D { public: D() = default; D(const D&) = delete; "
         "void f() noexcept(sizeof(int) > 2); auto g() -> int; constexpr int h() const; "
         "consteval static int k(); template <class T> requires C<T> void r(T); };\n"
         "template <typename T> concept C = requires(T a) { a.f(); };",
         {"D@ | | D D f g h k r"}},
        {kLangCpp,
         "template <typename, class = void> struct Tr { int x; void y(); };",
         {"Tr@ | x:int | y"}},
        {kLangCpp,
         "class Caf\xC3\xA9 { int na\xC3\xAFve; };",
         {"Caf\xC3\xA9@ | na\xC3\xAFve:int |"}},
        // A nested class defined outside its class is that nested class;
        // a scope that names a namespace stays a namespace.
        {kLangCpp,
         "namespace n { class Outer { public: class Inner; }; "
         "class Outer::Inner { int x; void f(); }; }\n"
         "namespace ns { class X; } class ns::X { int y; };",
         {"Inner@n::Outer | x:int | f", "Outer@n | |", "X@ns | y:int |"}},
        {kLangCpp,
         "class A { class B { class C; }; }; class A::B::C { int deep; };",
         {"A@ | |", "B@A | |", "C@A::B | deep:int |"}},
        // A union is a class of its own (a forward declaration and an
        // unnamed union make none).
        {kLangCpp,
         "namespace u { union Value { int i; double d; void set(int v); };\n"
         "union Fwd; union { int anon; long other; }; class After { int a; }; }",
         {"After@u | a:int |", "Value@u | i:int d:double | set"}},
        // A base that is a template parameter (or a type within one) is no
        // class: no master is made for it.
        {kLangCpp,
         "template <class AllocatorT, typename T> class Vec : private AllocatorT,\n"
         "public AllocatorT::Traits, public Base<T> { T* data; };\n"
         "template <class T> class Outer { class In : public T { int k; }; };",
         {"Base@ | |", "In@Outer | k:int |", "Outer@ | |", "Vec@ | data:T* |"}},
        // Java.
        {kLangJava,
         "package e; public enum Planet implements Body {\n"
         "  MERCURY(1.0) { double g() { return 1; } }, @Deprecated EARTH(2.0);\n"
         "  private final double mass;\n"
         "  Planet(double m) { mass = m; }\n"
         "  public double mass() { return mass; } }\n"
         "enum Dir { N, S }",
         // The constants are static attributes of the enumeration's own type:
         // static members stay attributes under the relationships-as-links
         // option, which draws only what relates instances.
         {"Body@e | |", "Dir@e | N:Dir S:Dir |",
          "Planet@e | MERCURY:Planet EARTH:Planet mass:double | Planet mass"}},
        {kLangJava,
         "package a; public class Outer { public static class Builder { int x; } }\n"
         "class Other { static class Builder { int y; } }",
         {"Builder@a.Other | y:int |", "Builder@a.Outer | x:int |", "Other@a | |", "Outer@a | |"}},
        {kLangJava,
         "package r; public record Point(int x, int y) implements Shape { "
         "public double length() { return 0; } }",
         {"Point@r | x:int y:int | length", "Shape@r | |"}},
        {kLangJava,
         "package s; public sealed interface Shape permits Circle, Square { double area(); }\n"
         "final class Circle implements Shape { public double area() { return 1; } }\n"
         "non-sealed class Square implements Shape { public double area() { return 2; } }",
         {"Circle@s | | area", "Shape@s | | area", "Square@s | | area"}},
        {kLangJava,
         "package e; @Deprecated(since = \"9\") public class Box<T> { "
         "@SuppressWarnings({\"a\", \"b\"}) public <U extends Comparable<U>> U pick(U a) "
         "{ var b = a; return b; } }",
         {"Box@e | | pick"}},
        // C#.
        {kLangCSharp,
         "namespace N; public record Person(string First, int Age); "
         "public record struct Pair(int A, int B);",
         {"Pair@N | A:int B:int |", "Person@N | First:string Age:int |"}},
        {kLangCSharp,
         "namespace M { [Serializable(Mode = 1)] public class Svc(ILogger log) { "
         "public (int, string) Get(in int a, ref readonly int b) => (a, \"\"); "
         "public string? Name { get; init; } } }",
         {"Svc@M | Name:string? | Svc Get"}},
    };
    for (const Case& c : cases) {
        auto doc = NewProject();
        Run(*doc, c.language, {c.source});
        EXPECT_EQ(DescribeMasters(*doc, classTool_), c.masters) << c.source;
        EXPECT_EQ(log.Text().find("*** ERROR"), std::string::npos) << c.source << log.Text();
        log.Clear();
    }
}

// A union's master is a class marked as a union, so that the generated
// code declares it a union again; a class stays unmarked.
TEST_F(ModernSourceTest, AUnionIsAClassMarkedAsAUnion) {
    auto doc = NewProject();
    Run(*doc, kLangCpp,
        {"namespace u { union Value { int i; float f; }; struct Plain { int p; }; }\n"
         "union Top { char c[4]; unsigned u; };"});
    struct Case {
        const char* name;
        const char* nameSpace;
        const char* stereotype;
    };
    const Case cases[] = {{"Value", "u", "union"}, {"Plain", "u", ""}, {"Top", "", "union"}};
    for (const Case& c : cases) {
        Master* master = doc->Masters().FindMaster(classTool_, c.name, c.nameSpace);
        ASSERT_NE(master, nullptr) << c.name;
        EXPECT_EQ(master->stereotype, c.stereotype) << c.name;
    }
}

// An out-of-line nested class makes no package of its outer class's name;
// a C# tuple return type is kept as written.
// A base written relative to the namespace around it (internal::Failure in
// namespace testing) is the class a later file declares there, in any order
// of the files; no namespace "internal" is made of the name.
TEST_F(ModernSourceTest, ARelativeBaseIsTheClassOfTheNamespaceAroundIt) {
    const std::string user =
        "namespace testing { class Exception : public internal::Failure { int e; }; }";
    const std::string base =
        "namespace testing { namespace internal { class Failure { int f; }; } }";
    for (const auto& files :
         {std::vector<std::string>{user, base}, std::vector<std::string>{base, user}}) {
        auto doc = NewProject();
        Run(*doc, kLangCpp, files);
        EXPECT_EQ(DescribeMasters(*doc, classTool_),
                  (std::vector<std::string>{"Exception@testing | e:int |",
                                            "Failure@testing::internal | f:int |"}));
        for (const auto& master : doc->Masters().Masters()) {
            EXPECT_NE(master->name + "@" + master->nameSpace, "internal@")
                << "a namespace of a name";
        }
        log.Clear();
    }
}

TEST_F(ModernSourceTest, NestedDefinitionsMakeNoPackageAndTuplesKeepTheirText) {
    auto doc = NewProject();
    Run(*doc, kLangCpp, {"class Outer { class Inner; }; class Outer::Inner { int x; };"});
    int named = 0;
    for (const auto& master : doc->Masters().Masters()) {
        named += master->name == "Outer" ? 1 : 0;
    }
    EXPECT_EQ(named, 1) << "a package Outer beside the class";

    auto cs = NewProject();
    Run(*cs, kLangCSharp,
        {"namespace M { class S { public (int, string) Get() => (1, \"\"); "
         "public (int Id, string Name)? Find(int id) => null; } }"});
    std::vector<std::string> types;
    for (const auto& master : cs->Masters().Masters()) {
        for (const auto& method : master->methods) {
            types.push_back(method->name + ":" + method->returnType);
        }
    }
    EXPECT_EQ(types, (std::vector<std::string>{"Get:(int,string)", "Find:(int Id,string Name)?"}));
}

TEST_F(ModernSourceTest, RepeatedRunsAndSecondTreesChangeNothingElse) {
    const std::vector<std::string> first = {
        "namespace app { class Node { int value; void visit(); }; "
        "class Tree { class Node { Node* left; }; Node* root; }; }",
        "class Widget { int width; };"};
    const std::vector<std::string> second = {
        "namespace lib { class Node { int other; }; class Widget { int colour; }; }",
        "namespace gui { class Tree { class Node { int gone; }; }; }"};
    auto doc = NewProject();
    Run(*doc, kLangCpp, first);
    const std::vector<std::string> once = DescribeMasters(*doc, classTool_);
    EXPECT_EQ(once, (std::vector<std::string>{"Node@app | value:int | visit", "Node@app::Tree | |",
                                              "Tree@app | |", "Widget@ | width:int |"}));
    Run(*doc, kLangCpp, first);
    EXPECT_EQ(DescribeMasters(*doc, classTool_), once);

    Run(*doc, kLangCpp, second);
    std::vector<std::string> after = DescribeMasters(*doc, classTool_);
    for (const std::string& line : once) {
        EXPECT_NE(std::find(after.begin(), after.end(), line), after.end()) << line;
    }
    EXPECT_EQ(after.size(), once.size() + 4);
}

TEST_F(ModernSourceTest, NonAsciiNamesAreKeptAndSavedAsUtf8) {
    auto doc = NewProject();
    // The same file once in UTF-8 and once in Latin-1.
    Run(*doc, kLangCpp,
        {"namespace u { class Caf\xC3\xA9 { int na\xC3\xAFve; }; }",
         "namespace l { class Caf\xE9 { int na\xEFve; }; }"});
    EXPECT_EQ(DescribeMasters(*doc, classTool_),
              (std::vector<std::string>{"Caf\xC3\xA9@l | na\xC3\xAFve:int |",
                                        "Caf\xC3\xA9@u | na\xC3\xAFve:int |"}));
    const std::string path = scratch / "cafe.pro";
    ASSERT_TRUE(doc->OnSaveDocument(path));
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    EXPECT_NE(text.find("Caf\xC3\xA9"), std::string::npos);
    EXPECT_NE(text.find("na\xC3\xAFve"), std::string::npos);
    EXPECT_TRUE(test::IsValidUtf8(text));
}

TEST_F(ModernSourceTest, AVeryLongLineKeepsEveryDeclaration) {
    std::string line;
    int classes = 0;
    while (line.size() < 300000) {
        const std::string n = std::to_string(classes++);
        line += "class C" + n + " { int a" + n + "; void f" + n + "(int x); }; ";
    }
    auto doc = NewProject();
    Run(*doc, kLangCpp, {line + "\n"});
    const std::vector<std::string> masters = DescribeMasters(*doc, classTool_);
    ASSERT_EQ(masters.size(), static_cast<size_t>(classes));
    for (int i : {0, classes / 2, classes - 1}) {
        const std::string n = std::to_string(i);
        EXPECT_NE(std::find(masters.begin(), masters.end(), "C" + n + "@ | a" + n + ":int | f" + n),
                  masters.end())
            << n;
    }
    EXPECT_EQ(log.Text().find("*** ERROR"), std::string::npos);
}

} // namespace
} // namespace qm
