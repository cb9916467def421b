// The C++ parser: what each construct records in the symbol table, what it
// reports for malformed input, and how declarations from several files meet.
#include "ReverseTestSupport.h"

#include "platform/Log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace qm {
namespace {

using test::DumpNode;
using test::ParseText;

class CppParserTest : public ::testing::Test {
  protected:
    // The parse tree of one top-level symbol after parsing text.
    std::string Parse(const std::string& text, const std::string& name,
                      const OwnedText& qualifier = std::nullopt) {
        ParseText(*parser_, text);
        const SourceSymbol* node = Top(name, qualifier);
        return node != nullptr ? DumpNode(*node) : "<none>";
    }

    // The top-level symbol of exactly this name and qualifier.
    const SourceSymbol* Top(const std::string& name, const OwnedText& qualifier = std::nullopt) {
        for (SourceSymbol* s = parser_->Find(kLangCpp, name, std::nullopt); s != nullptr;
             s = s->sameName.get()) {
            if (s->kind != kNodeKeyword && s->qualifier == qualifier) {
                return s;
            }
        }
        return nullptr;
    }

    RecordingLogSink log_;
    ScopedLogSink scope_{&log_};
    void Reset() {
        parser_ = std::make_unique<SourceParser>(nullptr, kLangCpp);
        log_.Clear();
    }

    std::unique_ptr<SourceParser> parser_ = std::make_unique<SourceParser>(nullptr, kLangCpp);
};

TEST_F(CppParserTest, ConstructsRecordTheirNodes) {
    struct Case {
        const char* source;
        const char* name;
        const char* tree;
    };
    const Case cases[] = {
        // Forward declaration, then the definition fills the same node.
        {"class A;", "A", "A/5/0"},
        {"class A; class A { int x; };", "A", "A/5/0{x/7/1:int}"},
        {"struct S { int x; };", "S", "S/5/20000{x/7/4:int}"},
        {"class D : public virtual B, private C { };", "D", "D/5/0{B/2/24,C/2/1}"},
        {"class D : public ::n::B<int, 2>, C { };", "D", "D/5/0{B/2/4:<int,2>,C/2/0}"},
        {"class K { int a[10], *b, c; };", "K", "K/5/0{a/7/1:int[10],b/7/1:int*,c/7/1:int*}"},
        // A dependent type keeps its "typename".
        {"class V { typename C::const_iterator it; static typename C::size_type n; };", "V",
         "V/5/0{it/7/1:typename C::const_iterator,n/7/11:typename C::size_type}"},
        {"class K { int m[2][3]; char *p, q[4]; };", "K",
         "K/5/0{m/7/1:int[2][3],p/7/1:char*,q/7/1:char*[4]}"},
        {"class K { virtual void f(int n = 3) const = 0; };", "K",
         "K/5/0{f/8/429:void{n/9/0:int=3}}"},
        {"class A { A(); virtual ~A(); };", "A", "A/5/0{A/8/1:,~A/8/21:}"},
        {"class A { operator==(const A&); };", "A", "A/5/0{operator==/8/1:{/9/0:const A&}}"},
        {"class A { public: bool operator()(int a, char* b[]); };", "A",
         "A/5/0{operator()/8/4:bool{a/9/0:int,b/9/0:char*[]}}"},
        {"class A { int& operator[](int i); operator const char*() const; };", "A",
         "A/5/0{operator[]/8/1:int&{i/9/0:int},operator const char*/8/9:}"},
        {"class A { A& operator<<(unsigned long v); operator std::string(); };", "A",
         "A/5/0{operator<</8/1:A&{v/9/0:unsigned long},operator std::string/8/1:}"},
        // "} a;" ends the declaration; the file loop goes on with the next one.
        {"class A { int x; } a; class B { };", "A", "A/5/0{x/7/1:int}"},
        {"class A { int x; } a; class B { int y; };", "B", "B/5/0{y/7/1:int}"},
        // Template parameters follow the members.
        {"template <class T, int N> class V { T items[N]; };", "V",
         "V/5/0{items/7/1:T[N],T/9/0,N/9/0:int}"},
        // A parameter keeps its default, the nested lists' ">>" included.
        {"template <typename T, int N = 4, class U = QList<QMap<int, T>>> class V { };", "V",
         "V/5/0{T/9/0,N/9/0:int=4,U/9/0=QList<QMap<int,T>>}"},
        // Parameter packs keep their "..."; a member function template keeps
        // its head before its return type.
        {"template <typename... Ts> class P { };", "P", "P/5/0{Ts/9/0:typename...}"},
        {"template <class T, size_t... Is> class P { };", "P", "P/5/0{T/9/0,Is/9/0:size_t...}"},
        // A template template parameter's kind is its own head, unnamed
        // parameters and packs included.
        {"template <template <typename, typename...> class C, typename T = int> class W { };", "W",
         "W/5/0{C/9/0:template <typename, typename...> class,T/9/0=int}"},
        {"template <template <class> class... Cs> class M { };", "M",
         "M/5/0{Cs/9/0:template <typename> class...}"},

        {"class A { template <typename U, int N> static bool f(U u); template <class... Args> "
         "A(Args&&... args); };",
         "A",
         "A/5/0{f/8/11:template <typename U, int N> bool{u/9/0:U},"
         "A/8/1:template <typename... Args>{args/9/0:Args&&...}}"},
        // A template base keeps its arguments, a pack expansion its "...";
        // a base named inside an instance of a template is that template,
        // with the rest of its name; a scope without arguments stays one.
        {"template <typename T> class D : public B<T, 2>, C { };", "D",
         "D/5/0{B/2/4:<T,2>,C/2/0,T/9/0}"},
        {"template <typename... T> struct F : E<F<T...>, T>... { };", "F",
         "F/5/20000{E/2/0:<F<T...>,T>...,T/9/0:typename...}"},
        {"template <int N> struct M : D<N % 2 == 1, typename M<N / 2>::type, N / 2>::type { };",
         "M", "M/5/20000{D/2/0:<N%2==1,typename M<N/2>::type,N/2>::type,N/9/0:int}"},
        {"struct C : std::conditional<true, A, B>::type::base, Outer::Inner, n::O<int>::I<2> { };",
         "C", "C/5/20000{conditional/2/0:<true,A,B>::type::base,Inner/2/0,O/2/0:<int>::I<2>}"},
        // Unnamed parameters make a template all the same; a declaration's
        // parameters take the definition's names and keep its defaults.
        {"template <typename> struct P : B { };", "P", "P/5/20000{B/2/0,/9/0}"},
        {"template <typename, typename...> struct P;", "P", "P/5/20000{/9/0,/9/0:typename...}"},
        {"template <class U = int, class> class X; template <class T, class V> class X { T t; };",
         "X", "X/5/0{T/9/0=int,V/9/0,t/7/1:T}"},
        {"class O { template <class> class I; template <int... N> class I<S<N...>> { }; };", "O",
         "O/5/0{I/5/1{/9/0},I<S<N...>>/5/1{N/9/0:int...}}"},
        {"class A { public: int a; protected: int b; private: int c; };", "A",
         "A/5/0{a/7/4:int,b/7/2:int,c/7/1:int}"},
        // A member keeps its initial value (a static one declared "auto"
        // could not be declared again without it; another's is its default),
        // one in braces with its braces.
        {"struct A { static const int N = 5; static QList<int> list; };", "A",
         "A/5/20000{N/7/1c:int=5,list/7/14:QList<int>}"},
        {"class A { static constexpr auto p = &B<int>::f; int n = 3; };", "A",
         "A/5/0{p/7/11:auto=& B<int>::f,n/7/1:int=3}"},
        {"class A { int count{0}; QString s{}; };", "A",
         "A/5/0{count/7/1:int={0},s/7/1:QString={}}"},
        // Friends are not members.
        {"class A { friend class B; friend bool operator==(A, A) { return 1; } int x; };", "A",
         "A/5/0{x/7/1:int}"},
        {"class A { int f() { return g(1); } int g(int); };", "A",
         "A/5/0{f/8/1:int,g/8/1:int{/9/0:int}}"},
        {"class A { A() : x(1), y{2}, QObject() { x = 3; } int x; int y; };", "A",
         "A/5/0{A/8/1:,x/7/1:int,y/7/1:int}"},
        {"class A { void f() throw(E, n::F); void g() throw(); };", "A",
         "A/5/0{f/8/1:void{E/11/0,n::F/11/0},g/8/1:void}"},
        // Macro calls standing in the class body are not methods.
        {"class A { Q_OBJECT Q_DISABLE_COPY(A) void f(); };", "A", "A/5/0{f/8/1:void}"},
        {"class A { DECLARE(A) (1, 2); int y; };", "A", "A/5/0{y/7/1:int}"},
        // Specifiers that modern C++ writes after the parameters; override
        // and final are kept (0x80000000 and 0x800).
        {"class A { int f() const noexcept override; void g() && = delete; "
         "auto h() noexcept(true) -> int; bool i() final { return 1; } };",
         "A", "A/5/0{f/8/80000009:int,g/8/1:void,h/8/1:int,i/8/801:bool}"},
        // A const before a "*" or "&" stays in the type; one of the member
        // itself is its mode (0x8); a return type keeps its const.
        {"class A { static const char* name; char* const p; const int n; Info const& info; "
         "const char* Name() const; };",
         "A",
         "A/5/0{name/7/11:const char*,p/7/9:char*,n/7/9:int,info/7/1:Info const&,"
         "Name/8/9:const char*}"},
        {"class A { explicit A(int); explicit(false) A(long); };", "A",
         "A/5/0{A/8/10001:{/9/0:int},A/8/1:{/9/0:long}}"},
        {"class A { enum E { X = 1 << 2, Y }; enum class F : int { Z }; };", "A",
         "A/5/0{E/13/1{X/9/0=1<<2,Y/9/0},F/13/1:class : int{Z/9/0}}"},
        // An enumeration named in a member's declaration declares nothing;
        // a macro word standing for entries is passed over.
        {"class A { enum E kind() const { return X; } enum E last; "
         "enum G { ENTRY_LIST G_max, OLD Q_DECL_DEPRECATED_X(\"no\") = 2 }; };",
         "A", "A/5/0{kind/8/9:enum E,last/7/1:enum E,G/13/1{G_max/9/0,OLD/9/0=2}}"},
        {"class A { typedef unsigned long DWORD; };", "A", "A/5/0{DWORD/14/1:unsigned long }"},
        // Only the declared name leaves a typedef's type; a dependent
        // parameter type keeps its "typename".
        {"class A { typedef ns::Kind Kind; };", "A", "A/5/0{Kind/14/1:ns::Kind }"},
        {"class A { typedef std::ostream& (*Manip)(std::ostream&); };", "A",
         "A/5/0{Manip/14/1:std::ostream&(* )(std::ostream&)}"},
        {"class A { typedef void Func(T); typedef decltype(f(x)) R; "
         "typedef std::function<Item(int)> Maker; };",
         "A",
         "A/5/0{Func/14/1:void (T),R/14/1:decltype(f(x)),Maker/14/1:std::function<Item(int)>}"},
        // The name a function typedef declares is the one in its declarator.
        {"class A { typedef double(BigOFunc)(IterationCount); "
         "typedef std::function<void(A&)> Function; typedef int (Arr)[4]; };",
         "A",
         "A/5/0{BigOFunc/14/1:double()(IterationCount),Function/14/1:std::function<void(A&)>,"
         "Arr/14/1:int()[4]}"},
        // A reference to an array and a function type of pointer
        // parameters are named in their own brackets; an attribute between
        // the words of a member is passed over; "typename" after "const"
        // stays in the type.
        {"class A { typedef const char (&Ref)[sizeof...(Cs) + size]; typedef void (Free)(void*); "
         "static __attribute__((visibility(\"default\"))) void run() __attribute__((__used__)); "
         "static const typename T::type name(); };",
         "A",
         "A/5/0{Ref/14/1:const char(& )[sizeof...(Cs)+size],Free/14/1:void()(void*),"
         "run/8/11:void,name/8/11:const typename T::type}"},
        // A member typed with a struct (its own kind, or one declared
        // elsewhere) is a member, not a nested struct.
        {"struct _node { int v; struct _node *children; struct _node *next; struct other o; "
         "class Peer& peer(); struct X final { int x; }; struct Y : B { }; };",
         "_node",
         "_node/5/20000{v/7/4:int,children/7/4:struct _node*,next/7/4:struct _node*,"
         "o/7/4:struct other,peer/8/4:class Peer&,X/5/20804{x/7/4:int},Y/5/20004{B/2/0}}"},
        {"class A { void f(typename T::type* p = nullptr); };", "A",
         "A/5/0{f/8/1:void{p/9/0:typename T::type*=nullptr}}"},
        {"class A { union { int i; float f; } u; int z; };", "A", "A/5/0{z/7/1:int}"},
        // A named union is kept as a typedef of an unnamed one, so that the
        // members typed with it can be written again; one that declares a
        // member, or is only declared, records nothing.
        {"class A { private: union Buffer { void* p; double d; }; Buffer b; };", "A",
         "A/5/0{Buffer/14/1:union{void* p;double d;},b/7/1:Buffer}"},
        {"class A { union U { int i; } u; union V; int z; };", "A", "A/5/0{z/7/1:int}"},
        {"class O { struct P { int a; }; class Q { }; public: class R; };", "O",
         "O/5/0{P/5/20001{a/7/4:int},Q/5/1,R/5/4}"},
        {"class O { class I : public B { }; };", "O", "O/5/0{I/5/1{B/2/4}}"},
        {"exception E { long code; string what; };", "E", "E/11/0{code/7/4:long,what/7/4:string}"},
        {"class A { exception E; };", "A", "A/5/0{E/11/0}"},
        {"class A { int x : 3; void (*cb)(int); int y; };", "A",
         "A/5/0{x/7/1:int,cb/7/1:void(*)(int),y/7/1:int}"},
        {"class Q_CORE_EXPORT QString { public: qsizetype size() const noexcept "
         "{ return d.size; } };",
         "QString", "QString/5/0{size/8/c:qsizetype}"},
        // Function bodies, global functions and variables record nothing.
        {"int g(int x) { struct L { int v; }; return x; } int global = 3; class A { };", "A",
         "A/5/0"},
        {"int g(int x) { return x; }", "g", "<none>"},
    };
    for (const Case& c : cases) {
        Reset();
        EXPECT_EQ(Parse(c.source, c.name), c.tree) << c.source;
        EXPECT_EQ(log_.Text(), "") << c.source;
    }
}

// A declaration the reader cannot take apart is abandoned up to its end:
// the classes after it stay in their namespace, three levels deep too.
TEST_F(CppParserTest, AnErrorInsideANamespaceKeepsTheScope) {
    const char* broken[] = {
        "class X : public { int a; };",      "class X { public int a; };",
        "class X { void f(; int b; };",      "class X { int (x; };",
        "class X { void f() throw(1); };",   "class X { enum : int ; };",
        "template <class T U> class X { };", "class X { int a; } x, *px;",
        "class X { int a = 1 2 };",          "class X { int a[3; };",
    };
    for (const char* source : broken) {
        Reset();
        ParseText(*parser_, std::string("namespace a { namespace b { namespace c {\n") + source +
                                "\nclass After { int k; };\n} class B2 { }; } class A2 { }; }\n"
                                "class Global { };\n");
        EXPECT_NE(Top("After", std::string("a::b::c")), nullptr) << source;
        EXPECT_NE(Top("B2", std::string("a::b")), nullptr) << source;
        EXPECT_NE(Top("A2", std::string("a")), nullptr) << source;
        const SourceSymbol* global = Top("Global");
        EXPECT_TRUE(global != nullptr && !global->qualifier) << source;
    }
}

TEST_F(CppParserTest, NamespacesQualifyTopLevelDeclarations) {
    ParseText(*parser_, "namespace n { class A : public B { }; }\n"
                        "class C { };\n"
                        "namespace { class Anon { }; }\n"
                        "namespace a { namespace b { class Inner { }; } class After { }; }\n"
                        "namespace x::y { class Deep { }; }\n"
                        "using namespace std; using std::string;\n"
                        "class D { };\n");
    ASSERT_NE(Top("A", "n"), nullptr);
    EXPECT_EQ(DumpNode(*Top("A", "n")), "A/5/0{B/2/4}");
    EXPECT_EQ(Top("A", "n")->firstChild->qualifier, "n");
    ASSERT_NE(Top("B", "n"), nullptr);
    EXPECT_EQ(Top("B", "n")->kind, kNodeClass);
    EXPECT_NE(Top("C"), nullptr);
    EXPECT_NE(Top("Anon"), nullptr);
    // Namespaces nest.
    EXPECT_NE(Top("Inner", "a::b"), nullptr);
    EXPECT_NE(Top("After", "a"), nullptr);
    EXPECT_NE(Top("Deep", "x::y"), nullptr);
    EXPECT_NE(Top("D"), nullptr);
    EXPECT_EQ(log_.Text(), "");
}

TEST_F(CppParserTest, TypeAliasesOfANamespaceAreRecorded) {
    ParseText(*parser_, "typedef int Global;\n"
                        "template <typename T> using GlobalAlias = T*;\n"
                        "namespace n {\n"
                        "template <typename T, std::size_t N = 4> using Arr = std::array<T, N>;\n"
                        "template <typename... Ts> using Packed = Tuple<Ts...>;\n"
                        "template <typename T> using Taken = T;\n"
                        "class Taken { int y; };\n"
                        "typedef long long Big;\n"
                        "using Millis = std::int64_t;\n"
                        "typedef void (*Hook)();\n"
                        "using namespace std; using std::string;\n"
                        "typedef int Later;\n"
                        "class Later { int x; };\n"
                        "namespace m { using Deep = Big; }\n"
                        "}\n");
    struct Case {
        const char* name;
        const char* qualifier;
        const char* tree;
    };
    const Case cases[] = {
        {"Big", "n", "Big/14/0:long long "},
        {"Millis", "n", "Millis/14/0:std::int64_t"},
        {"Hook", "n", "Hook/14/0:void(* )()"},
        {"Deep", "n::m", "Deep/14/0:Big"},
        // A class of the name takes the node.
        {"Later", "n", "Later/5/0{x/7/1:int}"},
        // An alias template keeps its parameters, with their kinds and
        // defaults, as children; a class of the name drops them.
        {"Arr", "n", "Arr/14/0:std::array<T,N>{T/9/0,N/9/0:std::size_t=4}"},
        {"Packed", "n", "Packed/14/0:Tuple<Ts...>{Ts/9/0:typename...}"},
        {"Taken", "n", "Taken/5/0{y/7/1:int}"},
    };
    for (const Case& c : cases) {
        const SourceSymbol* node = Top(c.name, std::string(c.qualifier));
        ASSERT_NE(node, nullptr) << c.name;
        EXPECT_EQ(DumpNode(*node), c.tree);
    }
    EXPECT_EQ(Top("Global"), nullptr);
    EXPECT_EQ(Top("GlobalAlias"), nullptr);
    EXPECT_EQ(Top("string", std::string("n")), nullptr);
    EXPECT_EQ(log_.Text(), "");
}

// Whatever a namespace declares between its classes (functions with and
// without bodies, definitions of other scopes' members, variables,
// explicit instantiations and specialisations, macro calls, a block after
// a declaration the reader cannot take apart) is read to its end: the class
// after it stays in the namespace, and nothing is reported.
TEST_F(CppParserTest, DeclarationsOfANamespaceLeaveItWhole) {
    const char* const declarations[] = {
        "template <class C, class = typename C::iterator> int Test(int) { return 0; }",
        "std::string Name(const Item& item, int width = 4);",
        "bool operator==(Item a, Item b) { return true; }",
        "void Item::Clear() { if (x) { y(); } }",
        "Item::~Item() { }",
        "template <typename T> T Box<T>::Get() const { return T(); }",
        "int counter = 0; Item made(1, \"two\");",
        "auto f = [](int x) { return x; };",
        "template void Sort<int>(int*);",
        "template <> void Sort<long>(long* p) { }",
        "class Impl* Lost();",
        "REGISTER(Item);",
        "extern \"C\" int c_function(void);",
        "weird ) { block } ;",
    };
    for (const char* declaration : declarations) {
        Reset();
        ParseText(*parser_, std::string("namespace n {\n") + declaration +
                                "\nclass After { int x; };\n}\nclass Outside { };\n");
        EXPECT_NE(Top("After", std::string("n")), nullptr) << declaration;
        EXPECT_NE(Top("Outside"), nullptr) << declaration;
        EXPECT_EQ(log_.Text(), "") << declaration;
    }
}

TEST_F(CppParserTest, OneBranchOfAConditionalIsRead) {
    struct Case {
        const char* source;
        const char* read; // the classes read, in the order of their names
    };
    const Case cases[] = {
        // A condition on a macro nothing defined is false: the next branch.
        {"#if HAS_X\nclass A { };\n#else\nclass B { };\n#endif\n", "B"},
        {"#if defined(HAS_X) // why\nclass A { };\n#else\nclass B { };\n#endif\n", "B"},
        {"#ifdef HAS_X\nclass A { };\n#elif OTHER\nclass B { };\n#else\nclass C { };\n#endif\n",
         "C"},
        // One operand of "&&" that tests such a macro makes the whole false,
        // of an #if and of each #elif after a false branch (a platform's
        // branch of a header read on another).
        {"#if HAS_X && HAS_Y\nclass A { };\n#else\nclass B { };\n#endif\n", "B"},
        // Code kept out of the program (examples in a header) is not read.
        {"#if 0\nclass A { };\n#else\nclass B { };\n#endif\n", "B"},
        {"#if 0 // an example\nclass A { };\n#endif\n", ""},
        {"#if defined(HAS_X) || defined HAS_Y && 1\nclass A { };\n#elif defined(X) || Y\n"
         "class C { };\n#else\nclass B { };\n#endif\n",
         "B"},
        {"#if LOCAL_\nclass A { };\n#elif WINDOWS && !PHONE // why\nclass B { };\n"
         "#elif defined(ON) && ON\nclass C { };\n#endif\n",
         ""},
        {"#define ON 1\n#if LOCAL_\nclass A { };\n#elif defined WINDOWS && !PHONE\nclass B { };\n"
         "#elif defined(ON) && ON\nclass C { };\n#else\nclass A { };\n#endif\n",
         "C"},
        {"#if HAS_X\n#if Y\nclass A { };\n#else\nclass C { };\n#endif\n#else\nclass B { };\n"
         "#endif\n",
         "B"},
        {"#define ON 1\n#undef ON\n#ifdef ON\nclass A { };\n#endif\nclass B { };\n", "B"},
        // Anything else reads the first branch.
        {"#define ON 1\n#if ON\nclass A { };\n#else\nclass B { };\n#endif\n", "A"},
        {"#ifndef GUARD_H\n#define GUARD_H\nclass A { };\n#endif\n", "A"},
        {"#define ON 1\n#if ON && !HAS_X\nclass A { };\n#else\nclass B { };\n#endif\n", "A"},
        {"#define ON 1\n#if HAS_X || ON\nclass A { };\n#else\nclass B { };\n#endif\n", "A"},
        {"#if 1\nclass A { };\n#else\nclass B { };\n#endif\n", "A"},
        // A condition is computed as the preprocessor computes it: a name
        // nothing defines is 0, a macro has its value, __cplusplus is the
        // language's.
        {"#define ON 1\n#if (HAS_X) && ON\nclass A { };\n#else\nclass B { };\n#endif\n", "B"},
        {"#if (__GNUC__ == 4 && __GNUC_MINOR__ <= 7)\nclass A { };\n#else\nclass B { };\n#endif\n",
         "B"},
        {"#define OFF 0\n#if OFF\nclass A { };\n#elif 2 * 3 == 6 && __cplusplus >= 201103L\n"
         "class B { };\n#endif\n",
         "B"},
        {"#define V (1 + 2)\n#define W V\n#if W >= 3 ? 1 : 0\nclass A { };\n#else\nclass B { };\n"
         "#endif\n",
         "A"},
        // A value that cannot be known here reads the first branch.
        {"#if __has_include(<optional>)\nclass A { };\n#else\nclass B { };\n#endif\n", "A"},
    };
    for (const Case& c : cases) {
        Reset();
        ParseText(*parser_, c.source);
        std::string read;
        for (const char* name : {"A", "B", "C"}) {
            read += Top(name) != nullptr ? name : "";
        }
        EXPECT_EQ(read, c.read) << c.source;
        EXPECT_EQ(log_.Text(), "") << c.source;
    }
}

TEST_F(CppParserTest, AMacroCallWithoutSemicolonLeavesTheNamespaceAfterIt) {
    EXPECT_NE(Parse("PUSH_WARNINGS_(4251 /* why */)\nnamespace lib {\nclass API_ Part { };\n}\n"
                    "POP_WARNINGS_()\nnamespace lib { class Whole { }; }\n",
                    "Part", std::string("lib")),
              "<none>");
    EXPECT_NE(Top("Whole", std::string("lib")), nullptr);
}

TEST_F(CppParserTest, ConversionsToQualifiedTemplatesAreOperators) {
    const std::string dump = Parse("template <typename D> class Base {\n public:\n"
                                   "  template <typename T> operator ::lib::Matcher<T>() const;\n"
                                   "  template <typename F> operator lib::Action<F>() const;\n};\n",
                                   "Base");
    EXPECT_NE(dump.find("operator ::lib::Matcher<T>"), std::string::npos) << dump;
    EXPECT_NE(dump.find("operator lib::Action<F>"), std::string::npos) << dump;
    EXPECT_TRUE(log_.Text().empty()) << log_.Text();
}

TEST_F(CppParserTest, CommentsGoToTheirDeclarations) {
    ParseText(*parser_, "/** A class. */\n"
                        "class A {\n"
                        "    // The count.\n"
                        "    int count;\n"
                        "    int x, y; // trailing\n"
                        "    int z;\n"
                        "    /* Runs. */ void run();\n"
                        "};\n");
    const SourceSymbol* a = Top("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->comment, "A class. ");
    EXPECT_EQ(a->text2, "t");
    EXPECT_EQ(a->FindChild(kLangCpp, "count")->comment, "The count.");
    EXPECT_EQ(a->FindChild(kLangCpp, "x")->comment, std::nullopt);
    EXPECT_EQ(a->FindChild(kLangCpp, "y")->comment, "trailing");
    EXPECT_EQ(a->FindChild(kLangCpp, "z")->comment, std::nullopt);
    EXPECT_EQ(a->FindChild(kLangCpp, "run")->comment, "Runs. ");

    // The comments of enumerators stay with the enumeration, never on the
    // declaration after it.
    Reset();
    ParseText(*parser_,
              "namespace n {\nenum Mode {\n  Fast, /**< quick */\n  Slow /**< careful */\n};\n"
              "class After { };\n/** Documented. */\nclass Next { };\n}\n"
              "class Holder { enum { One /**< one */ }; int kept; };\n");
    EXPECT_EQ(Top("After", std::string("n"))->comment, std::nullopt);
    EXPECT_EQ(Top("Next", std::string("n"))->comment, "Documented. ");
    EXPECT_EQ(Top("Holder")->FindChild(kLangCpp, "kept")->comment, std::nullopt);
}

TEST_F(CppParserTest, MalformedInputIsReportedAndParsingGoesOn) {
    struct Case {
        const char* source;
        const char* message;
    };
    const Case cases[] = {
        {"namespace n class Z { };", "{ expected for namespace"},
        {"namespace n { class Z { };", "} expected for namespace"},
        {"template <class T U> class X { };", "> or , expected"},
        {"class X : public { };", "bad base class list"},
        {"class X : public B ; class Z { };", "{ expected"},
        {"class X { public int a; }; class Z { };", ": expected"},
        {"class X { int a, 5; }; class Z { };", "; expected"},
        {"class X { int a = 1 2 }; class Z { };", "; expected"},
        {"class X { void f(int; }; class Z { };", "identifier or , or ) expected"},
        {"class X { void f(; }; class Z { };", ") expected"},
        {"class X { int (x; }; class Z { };", "bad function type"},
        {"class X { void f() throw(1); }; class Z { };", "exception name expected"},
        {"class X { enum : int ; }; class Z { };", "{ expected"},
    };
    for (const Case& c : cases) {
        Reset();
        ParseText(*parser_, c.source);
        EXPECT_NE(log_.Text().find(std::string(": ") + c.message + "\r\n"), std::string::npos)
            << c.source << " logged " << log_.Text();
        EXPECT_EQ(log_.Text().rfind("*** ERROR in t(", 0), 0u) << c.source;
        EXPECT_EQ(parser_->Token(), kTokEnd) << c.source;
    }
}

TEST_F(CppParserTest, TemplateMembersAreRead) {
    ParseText(*parser_, "class X {\n"
                        "    int a;\n"
                        "    typename enable_if<sizeof...(A) >= 2, int>::type f();\n"
                        "    template <class> void g();\n"
                        "    int b;\n"
                        "};\n"
                        "class Y { };\n");
    EXPECT_EQ(DumpNode(*Top("X")), "X/5/0{a/7/1:int,f/8/1:typename "
                                   "enable_if<sizeof...(A)>=2,int>::type,g/8/1:template <typename> "
                                   "void,b/7/1:int}");
    EXPECT_NE(Top("Y"), nullptr);
    EXPECT_EQ(Top("f"), nullptr);
    EXPECT_EQ(log_.Text(), "");
}

// A "<" after ")" or a number inside a template parameter's argument
// compares: the members after it (a nested struct among them) are read.
TEST_F(CppParserTest, AComparisonInATemplateParameterOpensNoList) {
    ParseText(*parser_, "class X {\n"
                        "    template <class T, E<sizeof(T) < sizeof(long)> = 0> void f(T& v);\n"
                        "    template <int N, E<2 < N, true> = 0> void g();\n"
                        "    struct Info { int y; };\n"
                        "    Info b;\n"
                        "};\n");
    EXPECT_EQ(DumpNode(*Top("X")),
              "X/5/0{f/8/1:template <typename T, E<sizeof(T)<sizeof(long)>> void{v/9/0:T&},"
              "g/8/1:template <int N, E<2<N,true>> void,Info/5/20001{y/7/4:int},b/7/1:Info}");
    EXPECT_EQ(log_.Text(), "");
}

TEST_F(CppParserTest, DeepNestingIsReportedAndStaysBounded) {
    for (int language : {kLangCpp, kLangIdl}) {
        std::string text;
        const std::string open = language == kLangCpp ? "class C {\n" : "module M {\n";
        for (int i = 0; i < 100000; ++i) {
            text += open;
        }
        text += "int x;";
        for (int i = 0; i < 100000; ++i) {
            text += "};\n";
        }
        text += language == kLangCpp ? "class After { };" : "interface After { };";
        RecordingLogSink log;
        ScopedLogSink scope(&log);
        SourceParser parser(nullptr, language);
        ParseText(parser, text);
        EXPECT_EQ(parser.Token(), kTokEnd);
        EXPECT_NE(log.Text().find("block stack overflow"), std::string::npos);
        EXPECT_NE(parser.Find(language, "After", std::nullopt), nullptr);
    }
}

TEST_F(CppParserTest, AClassFromSeveralFilesIsOneNodeInAnyOrder) {
    // The same class, forward-declared, defined and extended in a namespace,
    // with an unrelated class of that name at the top level.
    const std::vector<std::string> files = {
        "class A;",
        "namespace p { class A { int x; }; }",
        "namespace p { class A; }",
        "class A { int top; };",
        "namespace p { class D : public A { }; }",
    };
    std::vector<size_t> order = {0, 1, 2, 3, 4};
    do {
        SourceParser parser(nullptr, kLangCpp);
        for (size_t i : order) {
            ParseText(parser, files[i]);
        }
        int inP = 0;
        int unqualified = 0;
        for (SourceSymbol* s = parser.Find(kLangCpp, "A", std::nullopt); s != nullptr;
             s = s->sameName.get()) {
            if (s->qualifier == "p") {
                ++inP;
                EXPECT_EQ(DumpNode(*s), "A/5/0{x/7/1:int}");
            } else {
                ++unqualified;
                EXPECT_EQ(DumpNode(*s), "A/5/0{top/7/1:int}");
            }
        }
        EXPECT_EQ(inP, 1);
        EXPECT_EQ(unqualified, 1);
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(CppParserTest, ParsesFilesAndCountsTheirLines) {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("qm-cpp-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    // A path longer than 128 characters is parsed like any other.
    std::filesystem::path deep = dir / std::string(150, 'd');
    std::filesystem::create_directories(deep);
    std::filesystem::path file = deep / "a.h";
    std::ofstream(file) << "#ifndef A_H\n#define A_H\nclass A { int x; };\n#endif\n";
    EXPECT_EQ(parser_->ParseCppFile(file.string()), 1);
    EXPECT_EQ(parser_->LineCount(), 4);
    ASSERT_NE(Top("A"), nullptr);
    EXPECT_EQ(Top("A")->text2, file.string());
    EXPECT_EQ(parser_->ParseCppFile((dir / "missing.h").string()), 0);
    EXPECT_NE(log_.Text().find("can't open file"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST_F(CppParserTest, MacrosTheFilesDefineAreExpanded) {
    struct Case {
        const char* source;
        const char* name;
        const char* tree;
    };
    const Case cases[] = {
        // An object-like macro naming a type.
        {"#define SIZE_TYPE unsigned long\nclass A { SIZE_TYPE n; };", "A",
         "A/5/0{n/7/1:unsigned long}"},
        // A function-like macro that writes a class, with "##" joining
        // words and an empty argument.
        {"#define MAKE_TEST(name, suffix) struct has_##name##_##suffix##impl : no {}\n"
         "MAKE_TEST(load, );\n",
         "has_load_impl", "has_load_impl/5/20000{no/2/0}"},
        // "#x" makes a string; the arguments go on over lines and hold
        // parentheses and commas inside them.
        {"#define NAMED(x, v) static const char* x##_name = #x; int x = v\n"
         "class A { NAMED(count,\n  f(1, 2)); };",
         "A", "A/5/0{count_name/7/11:const char*=\"count\",count/7/1:int=f(1,2)}"},
        // "..." takes the rest of the arguments.
        {"#define LIST(...) int values[3] = {__VA_ARGS__}\nclass A { LIST(1, 2, 3); };", "A",
         "A/5/0{values/7/1:int[3]={1,2,3}}"},
        // A macro's name without "(" is not a call of a function-like macro.
        {"#define F(x) x\nclass A { int F; };", "A", "A/5/0{F/7/1:int}"},
        // A macro naming itself stops after one expansion.
        {"#define self self\nclass A { int self; };", "A", "A/5/0{self/7/1:int}"},
        // A macro whose #define the conditionals pass over is not expanded.
        {"#if defined(NOT_DEFINED)\n#define T long\n#endif\nclass A { T n; };", "A",
         "A/5/0{n/7/1:T}"},
        // #undef ends it.
        {"#define T long\n#undef T\nclass A { T n; };", "A", "A/5/0{n/7/1:T}"},
    };
    for (const Case& c : cases) {
        Reset();
        EXPECT_EQ(Parse(c.source, c.name), c.tree) << c.source;
    }
}

TEST_F(CppParserTest, MacrosOfOtherFilesOfTheRunAreExpanded) {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("qm-cpp-macros-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    const std::string macros = (dir / "macros.h").string();
    const std::string user = (dir / "user.h").string();
    std::ofstream(macros) << "#ifdef _MSC_VER\n#define SIZE_TYPE unsigned\n#else\n"
                             "#define SIZE_TYPE unsigned long long\n#endif\n"
                             "#define DECLARE(T) struct T##Traits { SIZE_TYPE size; }\n";
    std::ofstream(user) << "DECLARE(Item);\nclass Box { SIZE_TYPE n; };\n";
    // The file using the macros is read first: they are known all the same.
    for (const bool definingFirst : {false, true}) {
        Reset();
        parser_->GatherDefines(macros);
        parser_->GatherDefines(user);
        parser_->DefineGatheredMacros();
        for (const std::string& file :
             definingFirst ? std::vector{macros, user} : std::vector{user, macros}) {
            EXPECT_EQ(parser_->ParseCppFile(file), 1);
        }
        ASSERT_NE(Top("Box"), nullptr);
        EXPECT_EQ(DumpNode(*Top("Box")), "Box/5/0{n/7/1:unsigned long long}");
        ASSERT_NE(Top("ItemTraits"), nullptr);
        EXPECT_EQ(DumpNode(*Top("ItemTraits")), "ItemTraits/5/20000{size/7/4:unsigned long long}");
    }
    std::filesystem::remove_all(dir);
}

TEST_F(CppParserTest, MacrosOfIncludedFilesOutsideTheRunAreExpanded) {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("qm-cpp-includes-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir / "lib" / "archives");
    std::filesystem::create_directories(dir / "other");
    // Found from the folder above the including file's; the #define in its
    // comment is text, not a definition; one the run's file makes wins.
    std::ofstream(dir / "other" / "config.h")
        << "/* to rename it:\n#define NS_NAME my::other\n*/\n#ifndef NS_NAME\n"
           "#define NS_NAME other\n#endif\n#define SIZE_T long\n#include \"missing.h\"\n";
    const std::string user = (dir / "lib" / "archives" / "user.h").string();
    std::ofstream(user) << "#include \"other/config.h\"\n#define SIZE_T int\n"
                           "class Box { NS_NAME::Value v; SIZE_T n; };\n";
    Reset();
    parser_->GatherDefines(user);
    parser_->DefineGatheredMacros();
    EXPECT_EQ(parser_->ParseCppFile(user), 1);
    ASSERT_NE(Top("Box"), nullptr);
    EXPECT_EQ(DumpNode(*Top("Box")), "Box/5/0{v/7/1:other::Value,n/7/1:int}");
    std::filesystem::remove_all(dir);
}

TEST_F(CppParserTest, GatheredDefinesReadWindowsLinesContinuationsAndAnUnendedLastLine) {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("qm-cpp-lines-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    const std::string macros = (dir / "macros.h").string();
    const std::string user = (dir / "user.h").string();
    std::ofstream(macros, std::ios::binary)
        << "#define A_T \\\r\n  long\r\n\r\n#ifdef NOPE\r\n#define B_T short\r\n#else\r\n"
           "#define B_T char\r\n#endif\r\n#define C_T double";
    std::ofstream(user) << "class Box { A_T a; B_T b; C_T c; };\n";
    Reset();
    parser_->GatherDefines(macros);
    parser_->DefineGatheredMacros();
    EXPECT_EQ(parser_->ParseCppFile(user), 1);
    ASSERT_NE(Top("Box"), nullptr);
    EXPECT_EQ(DumpNode(*Top("Box")), "Box/5/0{a/7/1:long,b/7/1:char,c/7/1:double}");
    std::filesystem::remove_all(dir);
}

TEST_F(CppParserTest, AnExpansionThatDoublesStaysBounded) {
    // Each macro doubles the one before it: 2^40 words if expanded whole.
    std::string source = "#define M0 int\n";
    for (int i = 1; i <= 40; ++i) {
        source += "#define M" + std::to_string(i) + " M" + std::to_string(i - 1) + " M" +
                  std::to_string(i - 1) + "\n";
    }
    // A macro that calls itself through another, and one whose arguments
    // never close.
    source += "#define P(x) Q(x x)\n#define Q(x) P(x x)\n";
    source += "#define OPEN(x) x\n";
    source += "class A { M40 a; P(int) b; };\nclass B { int b; };\nclass C { OPEN(;\n";
    EXPECT_EQ(Parse(source, "B"), "B/5/0{b/7/1:int}");
    ASSERT_NE(Top("A"), nullptr);
}

} // namespace
} // namespace qm
