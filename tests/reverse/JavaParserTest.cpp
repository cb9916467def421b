// The Java parser: packages, classes and interfaces with their base lists and
// type parameters, fields, methods, parameters, thrown exceptions, nested
// types and enumerations, annotations, captured bodies, and its messages.
#include "ParserTestSupport.h"

namespace qm {
namespace {

using test::V;

class JavaParserTest : public test::ParserTest {};

TEST_F(JavaParserTest, ClassUnderPackageWithBases) {
    Parse(kLangJava,
          "package a.b;\nimport java.util.*;\nimport static x.Y.z;\n"
          "public class C extends D implements E<java.util.Map<K, V>>, F { }\n",
          0, "C.java");
    EXPECT_EQ(Describe(*Top("C")), "5 C @a.b 4 - 'C.java'");
    EXPECT_EQ(Describe(*Top("D")), "5 D @a.b 0 - -");
    EXPECT_EQ(Describe(*Top("E")), "6 E @a.b 0 - -");
    EXPECT_EQ(Describe(*Top("F")), "6 F @a.b 0 - -");
    // A generic base keeps its type arguments, nested ones too.
    EXPECT_EQ(Children(Top("C")),
              (V{"2 D @a.b 0 - -", "3 E @a.b 0 '<java.util.Map<K,V>>' -", "3 F @a.b 0 - -"}));
    // The file's imports go with the type it declares, not with those it names.
    EXPECT_EQ(Top("C")->imports, "java.util.*\nstatic x.Y.z");
    EXPECT_FALSE(Top("D")->imports.has_value());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(JavaParserTest, BasesKnownFromEarlierFilesKeepTheirPackage) {
    Parse(kLangJava, "package p; public interface I {} public class B {}", 0, "a.java");
    Parse(kLangJava, "package q; class A extends x.B implements I { }", 0, "b.java", true);
    // A name written with a package is looked for once the run has read
    // every file: its package first, then any type of the run of its name.
    EXPECT_EQ(Children(Top("A")), (V{"2 B @x 0 - -", "3 I @p 0 - -"}));
    parser_->ResolveNestedBases();
    EXPECT_EQ(Children(Top("A")), (V{"2 B @p 0 - -", "3 I @p 0 - -"}));
    // One the run does not declare keeps its package in its name.
    Parse(kLangJava, "package q; class E extends java.util.AbstractList<String> { }", 0, "e.java",
          true);
    parser_->ResolveNestedBases();
    EXPECT_EQ(Children(Top("E")), (V{"2 java.util.AbstractList @q 0 '<String>' -"}));
    EXPECT_EQ(Top("AbstractList"), nullptr);
    // The package of the first file does not leak into the second.
    Parse(kLangJava, "class Z { }", 0, "c.java", true);
    EXPECT_FALSE(Top("Z")->qualifier.has_value());
}

// An interface's fields are public static final, its methods public and
// abstract, except those with a body (default and static methods, which keep
// static).
TEST_F(JavaParserTest, InterfaceMembersTakeFixedFlags) {
    Parse(kLangJava, "interface I extends J, K {\n"
                     "  int X = 1;\n"
                     "  static final String Y = \"y\", Z = f(1, 2);\n"
                     "  void f() throws a.b.E, F;\n"
                     "  public abstract int g(int n);\n"
                     "  default int h() { return 1; }\n"
                     "  String value() default \"v\";\n"
                     "  static I of() { return null; }\n"
                     "}\n");
    EXPECT_EQ(Describe(*Top("I")), "6 I 1024 - 't.src'");
    EXPECT_EQ(Children(Top("I")),
              (V{"2 J 0 - -", "2 K 0 - -", "7 X 2068 'int' '1'", "7 Y 2068 'String' '\"y\"'",
                 "7 Z 2068 'String' 'f(1,2)'", "8 f 1028 'void' -", "8 g 1028 'int' -",
                 "8 h 4 'int' -", "8 value 1028 'String' -", "8 of 20 'I' -"}));
    EXPECT_EQ(Describe(*Top("J")), "6 J 0 - -");
    EXPECT_EQ(Children(Top("I")->FindChild(kLangJava, "f")), (V{"11 a.b.E 0 - -", "11 F 0 - -"}));
    EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(JavaParserTest, FieldsArraysValuesAndComments) {
    Parse(kLangJava, "class A {\n"
                     "  private int a = 1, b = 2;\n"
                     "  protected static final long[] c = { 1, 2 }, d;\n"
                     "  int e[], f;\n"
                     "  /** The name. */\n"
                     "  transient java.util.Map<String, int[]> g;\n"
                     "  int h; // counts things\n"
                     "  static { init(); }\n"
                     "  volatile Object i = new Object() { int x; };\n"
                     "  java.util.Map<K, V> j = new java.util.HashMap<K, V>(4), k;\n"
                     "}\n");
    EXPECT_EQ(
        Children(Top("A")),
        (V{"7 a 1 'int' '1'", "7 b 1 'int' '2'", "7 c 2066 'long[]' '{1,2}'", "7 d 2066 'long[]' -",
           "7 e 0 'int[]' -", "7 f 0 'int' -", "7 g 8192 'java.util.Map<String,int[]>' -",
           "7 h 0 'int' -", "7 i 4096 'Object' 'new Object(){int x;}'",
           "7 j 0 'java.util.Map<K,V>' 'new java.util.HashMap<K,V>(4)'",
           "7 k 0 'java.util.Map<K,V>' -"}));
    SourceSymbol* a = Top("A");
    EXPECT_EQ(a->FindChild(kLangJava, "g")->comment, "The name. ");
    EXPECT_EQ(a->FindChild(kLangJava, "h")->comment, "counts things");
    EXPECT_FALSE(a->FindChild(kLangJava, "a")->comment.has_value());
}

TEST_F(JavaParserTest, MethodsParametersAndAnnotations) {
    Parse(kLangJava,
          "public abstract class L<E> extends AbstractList<E> implements java.io.Serializable {\n"
          "  public L(int n) { super(); }\n"
          "  @Override public int size() { return 0; }\n"
          "  @SuppressWarnings(\"unchecked\") @java.io.Serial\n"
          "  public static <T> T[] toArray(T[] a, final java.util.List<String> b, int... c)\n"
          "      throws X, java.io.IOException { return null; }\n"
          "  protected abstract void g(int m[]);\n"
          "  native synchronized int h();\n"
          "}\n");
    SourceSymbol* l = Top("L");
    EXPECT_EQ(Describe(*l), "5 L 1028 - 't.src'");
    EXPECT_EQ(Children(l), (V{"2 AbstractList 0 '<E>' -", "3 Serializable @java.io 0 - -",
                              "8 L 4 '' -", "8 size 4 'int' -", "8 toArray 20 '<T>T[]' -",
                              "8 g 1026 'void' -", "8 h 49152 'int' -", "9 E 0 - -"}));
    EXPECT_EQ(Children(l->FindChild(kLangJava, "toArray")),
              (V{"9 a 0 'T[]' -", "9 b 0 'final java.util.List<String>' -", "9 c 0 'int...' -",
                 "11 X 0 - -", "11 java.io.IOException 0 - -"}));
    EXPECT_EQ(Children(l->FindChild(kLangJava, "g")), (V{"9 m 0 'int[]' -"}));
    EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(JavaParserTest, QualifiedArrayTypesAndClassLiterals) {
    Parse(kLangJava, "enum Kind { A; static Object k() { return Kind.class; } }\n"
                     "class C { public java.security.cert.Certificate[] getCerts(String n) { }\n"
                     "  Object o = C.class; }\n");
    EXPECT_EQ(Children(Top("C")),
              (V{"8 getCerts 4 'java.security.cert.Certificate[]' -", "7 o 0 'Object' 'C.class'"}));
    EXPECT_TRUE(Errors().empty()) << Errors().front();
}

// Type parameters follow the members, each with its bound; a ">>" closes
// both a bound and the list.
TEST_F(JavaParserTest, TypeParametersComeAfterTheMembers) {
    Parse(kLangJava, "class M<K extends Comparable<? super K>, V extends java.util.List<V>> {\n"
                     "  V get(K key) { return null; }\n"
                     "}\n"
                     "class N<T extends Comparable<T>> { }\n"
                     "class P<A, B extends Number & Runnable> { }\n");
    EXPECT_EQ(Children(Top("M")), (V{"8 get 0 'V' -", "9 K 0 'Comparable<?super K>' -",
                                     "9 V 0 'java.util.List<V>' -"}));
    EXPECT_EQ(Children(Top("N")), (V{"9 T 0 'Comparable<T>' -"}));
    EXPECT_EQ(Children(Top("P")), (V{"9 A 0 - -", "9 B 0 'Number& Runnable' -"}));
}

TEST_F(JavaParserTest, NestedTypesAndEnumerations) {
    Parse(kLangJava,
          "public class O {\n"
          "  static class A { }\n"
          "  private class I extends A implements Runnable { public void run() { } }\n"
          "  enum E { X, Y(1) { void f() { } }, Z; private int v; E() { } E(int v) { } }\n"
          "  private static enum F implements Runnable {\n"
          "    P(2) { int g() { return 2; } }; public void run() { } abstract int g(); }\n"
          "  int after;\n"
          "}\n");
    SourceSymbol* o = Top("O");
    EXPECT_EQ(Children(o), (V{"5 A @O 16 - -", "5 I @O 1 - -", "5 E @O 2048 - -", "5 F @O 2065 - -",
                              "7 after 0 'int' -"}));
    // A nested enumeration is a nested class, as a top-level one is, with
    // its constants, bases and members.
    SourceSymbol* f = o->FindChild(kLangJava, "F");
    EXPECT_TRUE(f->enumeration);
    EXPECT_EQ(Children(f), (V{"3 Runnable 0 - -", "7 P 2068 'F' '(2){int g(){return 2;}}'",
                              "8 run 4 'void' -", "8 g 1024 'int' -"}));
    EXPECT_TRUE(Errors().empty()) << Errors().front();
    EXPECT_EQ(Children(o->FindChild(kLangJava, "I")),
              (V{"2 A @O 0 - -", "3 Runnable 0 - -", "8 run 4 'void' -"}));
    EXPECT_EQ(Children(o->FindChild(kLangJava, "E")),
              (V{"7 X 2068 'E' -", "7 Y 2068 'E' '(1){void f(){}}'", "7 Z 2068 'E' -",
                 "7 v 1 'int' -", "8 E 0 '' -", "8 E 0 '' -"}));
    // The nested base is the nested A; Runnable is a new top-level interface.
    EXPECT_EQ(Top("A"), nullptr);
    EXPECT_EQ(Describe(*Top("Runnable")), "6 Runnable 0 - -");
}

// A top-level enumeration is a final class marked as an enumeration: its
// constants public static final attributes of its own type, valued with their
// arguments and class bodies, then its fields, constructors and methods.
TEST_F(JavaParserTest, TopLevelEnumerationsAreClasses) {
    Parse(kLangJava, "package p;\n"
                     "public enum Planet implements Body {\n"
                     "  MERCURY(1.0) { double g() { return 1; } }, @Deprecated EARTH(2.0);\n"
                     "  private final double mass;\n"
                     "  Planet(double m) { mass = m; }\n"
                     "  public double mass() { return mass; } }\n"
                     "enum Dir { N, S }\n"
                     "enum Empty { ; int k; }\n"
                     "class After { int a; }\n");
    EXPECT_EQ(Children(Top("Planet")),
              (V{"3 Body @p 0 - -", "7 MERCURY 2068 'Planet' '(1.0){double g(){return 1;}}'",
                 "7 EARTH 2068 'Planet' '(2.0)'", "7 mass 2049 'double' -", "8 Planet 0 '' -",
                 "8 mass 4 'double' -"}));
    EXPECT_EQ(Describe(*Top("Planet")), "5 Planet @p 2052 - 't.src'");
    EXPECT_TRUE(Top("Planet")->enumeration);
    EXPECT_FALSE(Top("After")->enumeration);
    EXPECT_EQ(Children(Top("Dir")), (V{"7 N 2068 'Dir' -", "7 S 2068 'Dir' -"}));
    EXPECT_EQ(Children(Top("Empty")), (V{"7 k 0 'int' -"}));
    EXPECT_EQ(Children(Top("After")), (V{"7 a 0 'int' -"}));
    EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(JavaParserTest, KeepMethodCodeCapturesBodies) {
    Parse(kLangJava, "class A {\n  void f() {\n    if (x) { y(); }\n  }\n  abstract void g();\n}\n",
          kRevKeepMethodCode);
    SourceSymbol* a = Top("A");
    // The body opens with a brace at the indentation of its closing one.
    EXPECT_EQ(a->FindChild(kLangJava, "f")->text2, "  {\r\n    if (x) { y(); }\r\n  }");
    EXPECT_FALSE(a->FindChild(kLangJava, "g")->text2.has_value());
    Parse(kLangJava, "class A {\n  void f() {\n    y();\n  }\n}\n");
    EXPECT_FALSE(Top("A")->FindChild(kLangJava, "f")->text2.has_value());
}

// Initializer blocks become the operations "static" and "initializer"
// holding their code; several blocks of a kind are nested blocks of one
// body, in source order, and a nested class keeps its own.
TEST_F(JavaParserTest, InitializerBlocksAreKeptAsOperations) {
    Parse(kLangJava,
          "class A {\n"
          "  static final int X;\n"
          "  static { X = 1; }\n"
          "  int y;\n"
          "  { y = X; }\n"
          "  static class N { static { n(); } }\n"
          "  static {\n"
          "    int t = 2;\n"
          "  }\n"
          "  void f() { }\n"
          "}\n",
          kRevKeepMethodCode);
    SourceSymbol* a = Top("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Children(a),
              (V{"7 X 2064 'int' -", "7 y 0 'int' -", "5 N @A 16 - -", "8 f 0 'void' ' {\r\n }'",
                 "8 static 16 - '{\r\n {\r\n X = 1; }\r\n  {\r\n    int t = 2;\r\n  }\r\n}'",
                 "8 initializer 0 - ' {\r\n y = X; }'"}));
    SourceSymbol* n = a->FindChild(kLangJava, "N");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(Children(n), (V{"8 static 16 - ' {\r\n n(); }'"}));
    EXPECT_TRUE(Errors().empty()) << Errors().front();

    // Without method code there is nothing to keep; an interface may hold
    // no block at all.
    Parse(kLangJava, "class A { static { X = 1; } { y = 2; } }\n");
    EXPECT_EQ(Children(Top("A")), V{});
    Parse(kLangJava, "interface I { static { X = 1; } int f(); }\n", kRevKeepMethodCode);
    EXPECT_EQ(Children(Top("I")), (V{"8 f 1028 'int' -"}));
    ASSERT_EQ(Errors().size(), 1U);
    EXPECT_NE(Errors().front().find("class initialization block not allowed in interface"),
              std::string::npos);
}

TEST_F(JavaParserTest, CapturedBodiesAreWholeBlocks) {
    // Bodies on the line of their signature, empty or not: the captured code
    // is always one balanced block.
    struct Case {
        const char* member;
        const char* body;
    };
    const Case cases[] = {
        {"A() {}", "{\r\n}"},
        {"A() { }", " {\r\n }"},
        {"int f() {return 1;}", "{\r\nreturn 1;}"},
        {"int f() { return 1; }", " {\r\n return 1; }"},
        {"void f() {\n  }", "  {\r\n  }"},
    };
    for (const Case& c : cases) {
        Parse(kLangJava, std::string("class A {\n  ") + c.member + "\n}\n", kRevKeepMethodCode);
        SourceSymbol* a = Top("A");
        ASSERT_NE(a, nullptr) << c.member;
        SourceSymbol* m = a->FindChild(kLangJava, c.member[0] == 'A' ? "A" : "f");
        ASSERT_NE(m, nullptr) << c.member;
        EXPECT_EQ(m->text2.value_or("(none)"), c.body) << c.member;
    }
}

TEST_F(JavaParserTest, LiteralsAndLongInitialValuesStayWhole) {
    std::string zones = "\"Africa/Nairobi\"";
    for (int i = 0; i < 40; ++i) {
        zones += ",\"Zone/Number" + std::to_string(i) + "\"";
    }
    Parse(kLangJava, "class A {\n  long n = -999_999_999L;\n  double d = 1_000.5e1_0;\n"
                     "  int h = 0xFF_FF;\n  String[] z = {" +
                         zones + "};\n}\n");
    SourceSymbol* a = Top("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->FindChild(kLangJava, "n")->text2.value_or(""), "-999_999_999L");
    EXPECT_EQ(a->FindChild(kLangJava, "h")->text2.value_or(""), "0xFF_FF");
    EXPECT_EQ(a->FindChild(kLangJava, "z")->text2.value_or(""), "{" + zones + "}");
    EXPECT_EQ(a->FindChild(kLangJava, "d")->text2.value_or(""), "1_000.5e1_0");
}

TEST_F(JavaParserTest, AnnotationsAreNamesOfTheirOwn) {
    EXPECT_EQ(test::Tokens(kLangJava, "@Override @interface a@b"),
              (std::vector<int>{kTokIdentifier, kTokIdentifier, kTokIdentifier, kTokIdentifier,
                                kTokEnd}));
    Parse(kLangJava, "@Retention(RUNTIME) public @interface Note { String value() default \"\"; }");
    EXPECT_EQ(Describe(*Top("Note")), "6 Note 1028 - 't.src'");
    EXPECT_EQ(Children(Top("Note")), (V{"8 value 1028 'String' -"}));
}

// Declarations of recent Java versions: each row one construct, with the
// children its type must keep and the flags of its head.
TEST_F(JavaParserTest, SealedTypesAndRecordsKeepTheirMembers) {
    struct Case {
        const char* source;
        const char* type;
        const char* head;
        V children;
    };
    const Case cases[] = {
        {"public sealed interface Shape permits Circle, Square { double area(); }",
         "Shape",
         "6 Shape 1049604 - 't.src'",
         {"8 area 1028 'double' -"}},
        {"sealed abstract class Node extends Base permits Leaf, p.Pair { int size; }",
         "Node",
         "5 Node 1049600 - 't.src'",
         {"2 Base 0 - -", "7 size 0 'int' -"}},
        {"abstract sealed class N permits A implements I { void f() { } }",
         "N",
         "5 N 1049600 - 't.src'",
         {"3 I 0 - -", "8 f 0 'void' -"}},
        {"public non-sealed class Leaf extends Node { int v; }",
         "Leaf",
         "5 Leaf 65540 - 't.src'",
         {"2 Node 0 - -", "7 v 0 'int' -"}},
        // An interface's private methods (Java 9) keep their access.
        {"interface H { private static int f() { return 1; } default int g() { return f(); } }",
         "H",
         "6 H 1024 - 't.src'",
         {"8 f 17 'int' -", "8 g 4 'int' -"}},
        {"public record Point<T>(int x, T y) implements Comparable<Point<T>> {\n"
         "  static final Point<?> ORIGIN = null;\n"
         "  public int compareTo(Point<T> o) { return 0; } }",
         "Point",
         "5 Point 4 - 't.src'",
         {"7 x 2049 'int' -", "7 y 2049 'T' -", "3 Comparable 0 '<Point<T>>' -",
          "7 ORIGIN 2064 'Point<?>' 'null'", "8 compareTo 4 'int' -", "9 T 0 - -"}},
    };
    for (const Case& c : cases) {
        log_.Clear();
        Parse(kLangJava, c.source);
        ASSERT_NE(Top(c.type), nullptr) << c.source;
        EXPECT_EQ(Describe(*Top(c.type)), c.head) << c.source;
        EXPECT_EQ(Children(Top(c.type)), c.children) << c.source;
        EXPECT_TRUE(Errors().empty()) << c.source << ": " << Errors().front();
    }
    Parse(kLangJava, "record R(int a) { } class C { }");
    EXPECT_TRUE(Top("R")->record);
    EXPECT_FALSE(Top("C")->record);
}

// A base written with the types around it names the nested type, wherever
// in the run its outer type is declared; one the run does not declare keeps
// its written name and is known only as a base.
TEST_F(JavaParserTest, QualifiedBasesNameNestedTypes) {
    struct Case {
        std::vector<const char*> files;
        const char* type;
        V children;
        const char* standIn; // the top-level node a base made, or null
    };
    const Case cases[] = {
        {{"package p; class Sink { static class ChainedDouble { } }",
          "package q; class Op extends Sink.ChainedDouble { }"},
         "Op",
         {"2 ChainedDouble @p.Sink 0 - -"},
         nullptr},
        {{"package q; class Op extends Sink.ChainedDouble { }",
          "package p; class Sink { static class ChainedDouble { } }"},
         "Op",
         {"2 ChainedDouble @p.Sink 0 - -"},
         nullptr},
        {{"package p; class Outer { interface In { } } class A implements Outer.In { }",
          "package r; class Outer { }"},
         "A",
         {"3 In @p.Outer 0 - -"},
         nullptr},
        {{"package p; class Shelf<K> { class Data { } }\n"
          "class Bound extends Shelf<String>.Data { }"},
         "Bound",
         {"2 Data @p.Shelf 0 - -"},
         nullptr},
        {{"package p; class W<T> implements WatchEvent.Kind<T> { }"},
         "W",
         {"3 WatchEvent.Kind @p 0 '<T>' -", "9 T 0 - -"},
         "WatchEvent.Kind"},
    };
    for (const Case& c : cases) {
        bool keep = false;
        for (const char* file : c.files) {
            Parse(kLangJava, file, 0, "t.java", keep);
            keep = true;
        }
        parser_->ResolveNestedBases();
        EXPECT_EQ(Children(Top(c.type)), c.children) << c.files.front();
        EXPECT_EQ(Top("ChainedDouble"), nullptr);
        EXPECT_EQ(Top("Kind"), nullptr);
        if (c.standIn != nullptr) {
            ASSERT_NE(Top(c.standIn), nullptr);
            EXPECT_EQ(Describe(*Top(c.standIn)), std::string("6 ") + c.standIn + " @p 0 - -");
            EXPECT_TRUE(Top(c.standIn)->baseOnly);
        }
    }
    // A base only named is known as such until a file declares it.
    Parse(kLangJava, "class A implements Spliterator { }");
    EXPECT_TRUE(Top("Spliterator")->baseOnly);
    Parse(kLangJava, "interface Spliterator { }", 0, "s.java", true);
    EXPECT_FALSE(Top("Spliterator")->baseOnly);
}

TEST_F(JavaParserTest, Messages) {
    struct Case {
        const char* source;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {"abstract class A { void f(); }",
         {"f: non-abstract method implementation required in class"}},
        {"class A { abstract void f(); }",
         {"A: abstract method not allowed in non-abstract class"}},
        {"interface I { void f() { } }", {"f: method implementation not allowed in interface"}},
        {"abstract class A { abstract void f() { } }",
         {"f: abstract method should have no implementation"}},
        {"final interface I { }", {"I: interface cannot be final"}},
        {"class A extends B extends C { }", {"A: a class can only extend a single class"}},
        {"interface I implements J { }", {"I: an interface cannot implement anything"}},
        {"class A extends { }", {"A: bad extends/implements list"}},
        {"class A extends B C { }", {"A: extends or implements, or { expected"}},
        {"sealed class A permits { }", {"A: bad permits list"}},
        {"sealed class A permits B C { }", {"A: extends or implements, or { expected"}},
        {"class A ( }", {"A: { expected"}},
        {"class { }", {"identifier expected after interface/class"}},
        {"class A<> { }", {"generic parameter expected"}},
        {"class A<T extends B { }", {"> or , expected"}},
        {"interface I { static { } }", {"I: class initialization block not allowed in interface"}},
        {"class A { void f(int a = 3) { } }", {"f: parameter initializer not allowed"}},
        {"class A { void f(int; }", {"f: identifier or , or ) expected"}},
        {"class A { void f(int a }", {"f: ) expected"}},
        {"class A { void f() throws { } }", {"f: exception name expected"}},
        {"class A { void f() x }", {"f: syntax error"}},
        {"class A { abstract int x; }", {"A: illegal modifier for class/interface field"}},
        {"interface I { private int x; }", {"I: illegal modifier for class/interface field"}},
        {"class A { transient void f() { } }", {"A: illegal modifier for class/interface method"}},
        {"interface I { private static int f() { return 1; } private int g() { return 2; } }", {}},
        {"interface I { final void f(); }", {"I: illegal modifier for class/interface method"}},
        {"package ;", {"identifier or * expected"}},
        {"import *;", {}},
    };
    for (const Case& c : cases) {
        log_.Clear();
        Parse(kLangJava, c.source);
        EXPECT_EQ(Errors(), c.errors) << c.source;
    }
}

TEST_F(JavaParserTest, ErrorsAbandonOnlyTheMember) {
    // A broken member is skipped; the members after it are still read.
    Parse(kLangJava, "class A { void f(int; int x; void g() { } }\nclass B { }");
    EXPECT_EQ(Children(Top("A")), (V{"8 f 0 'void' -", "7 x 0 'int' -", "8 g 0 'void' -"}));
    EXPECT_NE(Top("B"), nullptr);
}

TEST_F(JavaParserTest, UnfinishedInputEndsWithoutHanging) {
    for (const char* source : {"class", "class A", "class A {", "class A { void f(", "class A<",
                               "class A extends", "class A { int x =", "package a",
                               "class A { enum E { X(", "@", "class A { @Foo(", "interface I {"}) {
        Parse(kLangJava, source);
        EXPECT_LT(parser_->LineCount(), 2) << source;
    }
}

} // namespace
} // namespace qm
