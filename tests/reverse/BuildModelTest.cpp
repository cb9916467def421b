// The parse tree to masters: packages, masters and their members, links, and
// a second run over the same files.
#include "FakeProject.h"
#include "ReverseTestSupport.h"

#include "model/Members.h"
#include "reverse/LanguageParsers.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::FakeLink;
using test::FakeProject;
using test::ParseText;

constexpr uint32_t kLinks = kRevRelationshipsAsLinks;

// Parses the sources (C++ unless told) in one run and builds the masters
// into the project's current model.
void BuildRun(FakeProject& project, const std::vector<std::string>& sources,
              int language = kLangCpp) {
    SourceParser parser(&project, language);
    for (const std::string& source : sources) {
        ParseText(parser, source, "src.h");
    }
    parser.BuildModelFromParse(&project, project.CurrentModel());
}

// Masters and models make ids: the settings go to a scratch folder.
class BuildModelTest : public test::ModelTest {};

Master* Placed(FakeProject& project, const Model* model, const std::string& name) {
    for (Master* master : project.PlacedMasters(model)) {
        if (master->name == name) {
            return master;
        }
    }
    return nullptr;
}

TEST_F(BuildModelTest, QualifiedClassesFromTwoFilesGoIntoPackageSubmodelsOnce) {
    FakeProject project(0);
    const std::vector<std::string> files = {"namespace p.q { class A : public B { }; }",
                                            "namespace p.q { class B { }; }"};
    for (int run = 0; run < 2; ++run) {
        BuildRun(project, files);
        Model* main = project.CurrentModel();
        ASSERT_EQ(project.PlacedMasters(main).size(), 1u) << run;
        Master* p = Placed(project, main, "p");
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(project.ToolOf(p), 12);
        EXPECT_EQ(p->masterFlags & 1, 1);
        auto* pModel = dynamic_cast<Model*>(p->submodel);
        ASSERT_NE(pModel, nullptr);
        ASSERT_EQ(project.PlacedMasters(pModel).size(), 1u);
        Master* q = Placed(project, pModel, "q");
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(q->nameSpace, "p");
        auto* qModel = dynamic_cast<Model*>(q->submodel);
        ASSERT_NE(qModel, nullptr);
        EXPECT_EQ(qModel->GetQualifiedName(main), "p.q");
        Master* a = Placed(project, qModel, "A");
        Master* b = Placed(project, qModel, "B");
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(a->nameSpace, "p.q");
        EXPECT_EQ(project.ToolOf(a), 10);
        std::vector<FakeLink*> links = project.Links(qModel);
        ASSERT_EQ(links.size(), 1u) << run;
        EXPECT_EQ(links[0]->kindCode, 0);
        EXPECT_EQ(links[0]->from->GetMaster(), a);
        EXPECT_EQ(links[0]->to->GetMaster(), b);
        EXPECT_EQ(qModel->Drawables().size(), 3u) << run;
        EXPECT_EQ(project.MasterCount(), 4u) << run;
    }
}

TEST_F(BuildModelTest, ClassTypedAttributesBecomeLinksWhenAsked) {
    // B comes before C in the table's order, so its master exists when C is built.
    const std::string source = "class B { };\n"
                               "class C { B items[10]; B* ptr; B val; B* other; int n; };";
    {
        FakeProject project(kLinks);
        BuildRun(project, {source});
        Model* main = project.CurrentModel();
        Master* a = Placed(project, main, "C");
        ASSERT_NE(a, nullptr);
        ASSERT_EQ(a->attributes.size(), 1u);
        EXPECT_EQ(a->attributes[0]->name, "n");
        struct Expected {
            const char* name;
            int tool;
            uint32_t flags;
            const char* first;
            const char* second;
        };
        const Expected expected[] = {
            {"items", 3, 0x20, "1", "n"},
            {"ptr", 3, 0x20, "", ""},
            {"val", 1, 0, "", ""},
            {"other", 3, 0x20, "", ""},
        };
        std::vector<FakeLink*> links = project.Links(main);
        ASSERT_EQ(links.size(), std::size(expected));
        for (size_t i = 0; i < links.size(); ++i) {
            EXPECT_EQ(links[i]->name, expected[i].name);
            EXPECT_EQ(links[i]->kindCode, expected[i].tool) << expected[i].name;
            EXPECT_EQ(links[i]->linkFlags, expected[i].flags) << expected[i].name;
            EXPECT_EQ(links[i]->firstLabel, expected[i].first) << expected[i].name;
            EXPECT_EQ(links[i]->secondLabel, expected[i].second) << expected[i].name;
            EXPECT_EQ(links[i]->access, AccessPrivate);
            EXPECT_EQ(links[i]->from->GetMaster(), a);
            EXPECT_EQ(links[i]->to->GetMaster()->name, "B");
        }
        // A second run draws no link twice.
        BuildRun(project, {source});
        EXPECT_EQ(project.Links(main).size(), std::size(expected));
    }
    {
        FakeProject project(0);
        BuildRun(project, {source});
        Master* a = Placed(project, project.CurrentModel(), "C");
        ASSERT_NE(a, nullptr);
        EXPECT_TRUE(project.Links(project.CurrentModel()).empty());
        std::vector<std::string> attributes;
        for (const auto& attribute : a->attributes) {
            attributes.push_back(attribute->name + ":" + attribute->type + "[" +
                                 attribute->cardinality + "]");
        }
        EXPECT_EQ(attributes, (std::vector<std::string>{"items:B[10]", "ptr:B*[]", "val:B[]",
                                                        "other:B*[]", "n:int[]"}));
    }
}

TEST_F(BuildModelTest, AnAttributeWhoseClassComesLaterStaysAndGetsItsLink) {
    // A is built before Z (the table's order), so Z has no master yet then.
    FakeProject project(kLinks);
    BuildRun(project, {"class A { Z* z; }; class Z { };"});
    Master* a = Placed(project, project.CurrentModel(), "A");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->attributes.size(), 1u);
    EXPECT_EQ(a->attributes[0]->type, "Z*");
    ASSERT_EQ(project.Links(project.CurrentModel()).size(), 1u);
    EXPECT_EQ(project.Links(project.CurrentModel())[0]->name, "z");
}

TEST_F(BuildModelTest, MembersAreReplacedByEachRunAndDuplicatesDropped) {
    FakeProject project(0);
    BuildRun(project, {"class A { int x; void f(); };", "class A { int x; void f(); int g(); };"});
    Master* a = Placed(project, project.CurrentModel(), "A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->attributes.size(), 1u);
    ASSERT_EQ(a->methods.size(), 2u);
    EXPECT_EQ(a->methods[0]->name, "f");
    EXPECT_EQ(a->methods[1]->name, "g");
    BuildRun(project, {"class A { long y; };"});
    ASSERT_EQ(a->attributes.size(), 1u);
    EXPECT_EQ(a->attributes[0]->name, "y");
    EXPECT_TRUE(a->methods.empty());
    EXPECT_EQ(project.discarded, 3u);
    EXPECT_EQ(project.PlacedMasters(project.CurrentModel()).size(), 1u);
}

// A class template is a class: the class tool, which the generators and the
// pages take as one; its parameters are the master's.
TEST_F(BuildModelTest, GenericClassesTakeTheClassToolAndTheirParameters) {
    FakeProject project(0);
    for (int run = 0; run < 2; ++run) {
        BuildRun(project, {"template <class T, int N = 4> class V { T item; };"});
        ASSERT_EQ(project.PlacedMasters(project.CurrentModel()).size(), 1u) << run;
        Master* v = Placed(project, project.CurrentModel(), "V");
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(project.ToolOf(v), 10);
        ASSERT_EQ(v->parameters.size(), 2u);
        EXPECT_EQ(v->parameters[0]->name, "T");
        EXPECT_EQ(v->parameters[1]->name, "N");
        // Each type is the parameter's kind, marked so, with its default.
        EXPECT_EQ(v->parameters[1]->type, "int");
        EXPECT_EQ(v->parameters[1]->value, "4");
        for (const auto& p : v->parameters)
            EXPECT_EQ(p->direction, ParamTypeKind) << p->name;
        EXPECT_EQ(v->attributes.size(), 1u);
    }
}

// A kind written through a macro is the macro's text, wherever in the run
// the macro is defined; a function-like macro or one whose text is no kind
// stays a name.
TEST_F(BuildModelTest, AKindWrittenThroughAMacroIsTheMacrosText) {
    FakeProject project(0);
    BuildRun(project, {"template <KIND F, KINDS... Fs, ODD(1) G, NUMBER n> class S { };",
                       "#define KIND \\\n  template <typename T> \\\n  class\n"
                       "#define KINDS template <class> class\n#define ODD(x) template <x> class\n"
                       "#define NUMBER int\n"});
    Master* s = Placed(project, project.CurrentModel(), "S");
    ASSERT_NE(s, nullptr);
    std::vector<std::string> kinds;
    for (const auto& p : s->parameters)
        kinds.push_back(p->name + ":" + p->type);
    EXPECT_EQ(kinds,
              (std::vector<std::string>{"F:template <typename T> class",
                                        "Fs:template <class> class...", "G:ODD(1)", "n:NUMBER"}));
}

TEST_F(BuildModelTest, ATemplateBaseKeepsItsArgumentsOnTheLink) {
    FakeProject project(0);
    for (int run = 0; run < 2; ++run) {
        BuildRun(project, {"template <class K, class V> class Base { };\n"
                           "class Plain { };\n"
                           "template <class T> class D : public Base<T, int>, Plain { };"});
        std::vector<FakeLink*> links = project.Links(project.CurrentModel());
        ASSERT_EQ(links.size(), 2u) << run;
        EXPECT_EQ(links[0]->to->GetMaster()->name, "Base");
        EXPECT_EQ(links[0]->type, "<T,int>");
        EXPECT_EQ(links[1]->to->GetMaster()->name, "Plain");
        EXPECT_EQ(links[1]->type, "");
    }
    // A base named inside an instance of a template derives from that
    // template, the rest of its name on the link.
    FakeProject scoped(0);
    BuildRun(scoped, {"template <int N> struct Seq;\n"
                      "template <int N> struct Make : Seq<N / 2>::type { };"});
    std::vector<FakeLink*> links = scoped.Links(scoped.CurrentModel());
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0]->to->GetMaster()->name, "Seq");
    EXPECT_EQ(links[0]->type, "<N/2>::type");
}

// A base that no declaration of the run names (one of the standard library)
// is the target of the inheritance but generates no code; a base declared
// later in the run is a class like any other.
TEST_F(BuildModelTest, ABaseTheRunNeverDeclaresGeneratesNoCode) {
    FakeProject project(0);
    for (int run = 0; run < 2; ++run) {
        BuildRun(project, {"class D : public false_type, Later { };\nclass Later { int x; };"});
        std::vector<FakeLink*> links = project.Links(project.CurrentModel());
        ASSERT_EQ(links.size(), 2u) << run;
        const Master* standIn = links[0]->to->GetMaster();
        EXPECT_EQ(standIn->name, "false_type");
        EXPECT_EQ(standIn->masterFlags & MasterGenCode, 0u) << run;
        const Master* later = links[1]->to->GetMaster();
        EXPECT_EQ(later->name, "Later");
        EXPECT_EQ(later->masterFlags, MasterGenCode) << run;
    }
}

// A class template only declared is the primary of the specialisations
// defined beside it: it gets a master with its parameters, unnamed ones too,
// and so does a member class template declared and specialised in its
// class. One declared only and never specialised still makes none.
TEST_F(BuildModelTest, ADeclaredPrimaryOfASpecialisationGetsAMaster) {
    FakeProject project(0);
    BuildRun(project, {"namespace n { template <typename T, bool B> struct Impl;\n"
                       "template <typename T> struct Impl<T, true> { int x; };\n"
                       "template <typename U> struct Alone;\n"
                       "template <typename T> struct User : Seq<T>, Impl<T, true> { };\n"
                       "template <typename T> struct Seq;\ntemplate <> struct Seq<int> { };\n"
                       "template <typename> struct Elem;\n"
                       "template <int... I> struct Elem<Seq<I...>> { };\n"
                       "template <class... T> class Gen { template <class I> class It;\n"
                       "  template <int... I> class It<Seq<I...>> { }; It<int>* it; }; }"});
    Master* n = Placed(project, project.CurrentModel(), "n");
    ASSERT_NE(n, nullptr);
    const Model* inside = dynamic_cast<Model*>(n->submodel);
    ASSERT_NE(inside, nullptr);
    // The names of the parameters of a master placed in a model, or "none".
    auto parameters = [&project](const Model* model, const std::string& name) {
        const Master* master = Placed(project, model, name);
        std::vector<std::string> names;
        if (master == nullptr) {
            return std::vector<std::string>{"none"};
        }
        for (const auto& p : master->parameters) {
            names.push_back(p->name);
        }
        return names;
    };
    EXPECT_EQ(parameters(inside, "Impl"), (std::vector<std::string>{"T", "B"}));
    EXPECT_EQ(Placed(project, inside, "Impl")->masterFlags, MasterGenCode);
    EXPECT_NE(Placed(project, inside, "Impl<T,true>"), nullptr);
    // Named as a base before its specialisation is read.
    Master* seq = Placed(project, inside, "Seq");
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->masterFlags, MasterGenCode);
    EXPECT_EQ(Placed(project, inside, "Alone"), nullptr);
    EXPECT_EQ(parameters(inside, "Elem"), (std::vector<std::string>{""}));
    Master* gen = Placed(project, inside, "Gen");
    ASSERT_NE(gen, nullptr);
    const Model* genInside = dynamic_cast<Model*>(gen->submodel);
    ASSERT_NE(genInside, nullptr);
    EXPECT_EQ(parameters(genInside, "It"), (std::vector<std::string>{"I"}));
    EXPECT_NE(Placed(project, genInside, "It<Seq<I...>>"), nullptr);
}

// A class of a namespace that the run only declares makes no master; the
// namespace's package declares it as a type, so that a generated header can
// name it. A class declared and defined, or a class template, is not one.
TEST_F(BuildModelTest, AClassOnlyDeclaredIsATypeOfItsNamespace) {
    FakeProject project(0);
    BuildRun(project, {"namespace p { class Impl; struct Data; class Def;\n"
                       "template <class T> class Tmpl; class User { Impl* impl; }; }\n"
                       "namespace p { class Def { int x; }; }\nclass Global;"});
    Master* p = Placed(project, project.CurrentModel(), "p");
    ASSERT_NE(p, nullptr);
    std::vector<std::string> types;
    for (const auto& type : p->types) {
        types.push_back(type->name + "=" + type->definition);
    }
    std::sort(types.begin(), types.end());
    EXPECT_EQ(types, (std::vector<std::string>{"Data=struct Data", "Impl=class Impl"}));
    const Model* inside = dynamic_cast<Model*>(p->submodel);
    ASSERT_NE(inside, nullptr);
    EXPECT_NE(Placed(project, inside, "Def"), nullptr);
    EXPECT_EQ(Placed(project, inside, "Impl"), nullptr);
}

// A member's type that names a macro standing for a class's name names the
// class, even when a later file defines the macro; other macros
// (function-like, of other text, undefined again) stay.
TEST_F(BuildModelTest, AMacroStandingForANameIsExpandedInAMemberType) {
    FakeProject project(0);
    BuildRun(project, {"class A { const std::unique_ptr<SAVER_> s; P<CALL_> c; P<TWO_*> t; "
                       "P<GONE_> g; P<SAVER_X_, SAVER_> n; };",
                       "#define SAVER_ ::lib::Saver\n#define CALL_(x) x\n#define TWO_ a b\n"
                       "#define GONE_ Gone\n#undef GONE_\n"});
    Master* a = Placed(project, project.CurrentModel(), "A");
    ASSERT_NE(a, nullptr);
    std::vector<std::string> types;
    for (const auto& attribute : a->attributes) {
        types.push_back(attribute->type);
    }
    EXPECT_EQ(types,
              (std::vector<std::string>{"std::unique_ptr<::lib::Saver>", "P<CALL_>", "P<TWO_*>",
                                        "P<GONE_>", "P<SAVER_X_,::lib::Saver>"}));
}

// The macros that stand for kinds and names share one bounded table: a
// text of over 200 characters is not kept, nor any macro once 4,096 are
// (whether kind or name), until an #undef makes room.
TEST_F(BuildModelTest, MacroTextsAreBoundedInLengthAndNumber) {
    FakeProject project(0);
    std::string defines;
    for (int i = 0; i < 4094; ++i) {
        defines += "#define FILL" + std::to_string(i) + "_ Filler\n";
    }
    const std::string edge = "::" + std::string(198, 'e');
    defines += "#define EDGE_ " + edge + "\n#define LONG_ ::" + std::string(199, 'l') + "\n";
    defines += "#define NAME_ Kept\n#define KIND template <class> class\n";
    defines += "#undef FILL0_\n#define LATE_ Late\n#define LATER_ Later\n";
    BuildRun(project, {"template <KIND F> class S { P<EDGE_> e; P<LONG_> l; P<NAME_> n; "
                       "P<FILL0_> f0; P<FILL1_> f1; P<LATE_> a; P<LATER_> b; };",
                       defines});
    Master* s = Placed(project, project.CurrentModel(), "S");
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->parameters.size(), 1u);
    EXPECT_EQ(s->parameters[0]->type, "KIND") << "defined when the table was full";
    std::vector<std::string> types;
    for (const auto& attribute : s->attributes) {
        types.push_back(attribute->type);
    }
    EXPECT_EQ(types, (std::vector<std::string>{"P<" + edge + ">", "P<LONG_>", "P<Kept>",
                                               "P<FILL0_>", "P<Filler>", "P<Late>", "P<LATER_>"}));
}

TEST_F(BuildModelTest, TypeAliasesOfANamespaceBecomeTypesOfItsPackage) {
    FakeProject project(0);
    for (int run = 0; run < 2; ++run) {
        BuildRun(project, {"namespace p { namespace q { typedef long long Big; class A { }; }\n"
                           "using Millis = long; enum class Level : int { kLow, kHigh = 4 };\n"
                           "template <typename T, int N = 2> using Arr = Box<T, N>;\n"
                           "enum { kLoose }; enum A { kTaken }; }\nenum Global { kG };"});
        Master* p = Placed(project, project.CurrentModel(), "p");
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(p->types.size(), 4u) << run;
        EXPECT_EQ(p->types[1]->name, "Millis");
        EXPECT_EQ(p->types[1]->definition, "long");
        // A named enumeration of the namespace, with its entries.
        const MasterType& level = *p->types[2];
        EXPECT_EQ(level.name, "Level");
        EXPECT_EQ(level.kind, TypeEnum);
        ASSERT_EQ(level.elements.size(), 2u);
        EXPECT_EQ(level.elements[1]->name, "kHigh");
        EXPECT_EQ(level.elements[1]->value, "4");
        EXPECT_EQ(p->types[3]->name, "A");
        // An alias template: its parameters are its elements (name, kind,
        // default).
        const MasterType& arr = *p->types[0];
        EXPECT_EQ(arr.name, "Arr");
        EXPECT_EQ(arr.kind, TypeSimple);
        EXPECT_EQ(arr.definition, "Box<T,N>");
        ASSERT_EQ(arr.elements.size(), 2u);
        EXPECT_EQ(arr.elements[0]->name, "T");
        EXPECT_EQ(arr.elements[0]->type, "");
        EXPECT_EQ(arr.elements[1]->name, "N");
        EXPECT_EQ(arr.elements[1]->type, "int");
        EXPECT_EQ(arr.elements[1]->value, "2");
        Master* q = Placed(project, dynamic_cast<Model*>(p->submodel), "q");
        ASSERT_NE(q, nullptr);
        ASSERT_EQ(q->types.size(), 1u) << run;
        EXPECT_EQ(q->types[0]->name, "Big");
        EXPECT_EQ(q->types[0]->kind, TypeSimple);
    }
}

// The functions a namespace declares become methods of its package: each
// overload with its own signature, a function template with its head
// (unnamed parameters and defaults too, which choose the overload), once
// for a declaration and its later definition, and once again after a second
// run. Definitions of members of other scopes, variables, macro calls and
// functions outside every namespace record nothing.
TEST_F(BuildModelTest, FunctionsOfANamespaceBecomeMethodsOfItsPackage) {
    FakeProject project(0);
    const std::string source =
        "namespace p {\n"
        "typedef int Yes;\n"
        "/** Picks the first overload for containers. */\n"
        "template <class C, class It = decltype(begin(C())), class = typename C::iterator>\n"
        "Yes Test(int /* dummy */) { return 0; }\n"
        "template <class C> char Test(long) { return 0; }\n"
        "std::string Name(const Item& item, int width = 4);\n"
        "std::string Name(const Item& other, int w) { return {}; }\n"
        "static bool operator==(Item a, Item b);\n"
        "void Fill(const char a[], size_t n);\n"
        "int counter = 0;\n"
        "Item made(1, 2);\n"
        "void Item::Clear() { }\n"
        "Item::~Item() { }\n"
        "bool Item::operator<(const Item& o) const { return false; }\n"
        "template <typename T> T Box<T>::Get() const { return T(); }\n"
        "template void Sort<int>(int*);\n"
        "template <> void Sort<long>(long* p) { }\n"
        "class Impl* Lost();\n"
        "REGISTER(Item);\n"
        "class After { int x; };\n"
        "namespace q { template <typename... Ts> void Log(Ts&&... ts); }\n"
        "}\n"
        "void Global();\n";
    for (int run = 0; run < 2; ++run) {
        BuildRun(project, {source});
        Master* p = Placed(project, project.CurrentModel(), "p");
        ASSERT_NE(p, nullptr);
        std::vector<std::string> signatures;
        for (const auto& method : p->methods) {
            std::string text = method->returnType + " " + method->name + "(";
            for (const auto& parameter : method->parameters) {
                text += parameter->type + " " + parameter->name +
                        (parameter->value.empty() ? "" : "=" + parameter->value) + ";";
            }
            signatures.push_back(text + ")");
        }
        EXPECT_EQ(signatures,
                  (std::vector<std::string>{
                      "template <typename C, typename It = decltype(begin(C())), typename = "
                      "typename C::iterator> Yes Test(int ;)",
                      "template <typename C> char Test(long ;)",
                      "std::string Name(const Item& item;int width=4;)",
                      "bool operator==(Item a;Item b;)", "void Fill(const char[] a;size_t n;)"}))
            << run;
        ASSERT_EQ(p->methods.size(), 5u);
        EXPECT_EQ(p->methods[0]->comment, "Picks the first overload for containers. ");
        EXPECT_NE(p->methods[3]->mode & ModeStatic, 0);
        EXPECT_EQ(p->methods[0]->owner, p);
        // The namespace goes on after the functions' bodies.
        const Model* inside = dynamic_cast<Model*>(p->submodel);
        ASSERT_NE(inside, nullptr);
        EXPECT_NE(Placed(project, inside, "After"), nullptr);
        // A namespace that declares nothing but a function gets its package.
        Master* q = Placed(project, inside, "q");
        ASSERT_NE(q, nullptr);
        ASSERT_EQ(q->methods.size(), 1u);
        EXPECT_EQ(q->methods[0]->returnType, "template <typename... Ts> void");
        EXPECT_EQ(q->methods[0]->parameters[0]->type, "Ts&&...");
    }
}

TEST_F(BuildModelTest, NodesBecomeMasterFieldsAndMemberRecords) {
    FakeProject project(kRevRecordFileNames);
    BuildRun(project, {"/** Doc. */ class A {\n"
                       "  public:\n"
                       "    static const int N = 3;\n"
                       "    virtual int f(int a = 1, char* b[]) const throw(E);\n"
                       "    enum Color { red = 1, green };\n"
                       "    typedef unsigned long Id;\n"
                       "    struct Point { int x; int y; };\n"
                       "    class Inner { void g(); };\n"
                       "    template <typename T> struct Bind { T value; };\n"
                       "    exception Bad { long code; };\n"
                       "};\n"});
    Master* a = Placed(project, project.CurrentModel(), "A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->comment, "Doc. ");
    EXPECT_EQ(a->file, "src.h");
    EXPECT_EQ(a->access, AccessPackage);
    EXPECT_EQ(a->masterFlags, MasterGenCode);
    ASSERT_EQ(a->attributes.size(), 1u);
    EXPECT_EQ(a->attributes[0]->access, AccessPublic);
    EXPECT_EQ(a->attributes[0]->mode, ModeAnnotate | ModeStatic | ModeConst);
    EXPECT_EQ(a->attributes[0]->value, "3");
    ASSERT_EQ(a->methods.size(), 1u);
    const MasterMethod& f = *a->methods[0];
    EXPECT_EQ(f.returnType, "int");
    EXPECT_EQ(f.mode, ModeAnnotate | ModeConst | ModeVirtual);
    ASSERT_EQ(f.parameters.size(), 2u);
    EXPECT_EQ(f.parameters[0]->value, "1");
    EXPECT_EQ(f.parameters[1]->type, "char*[]");
    ASSERT_EQ(f.others.size(), 1u);
    EXPECT_EQ(f.others[0]->name, "E");
    EXPECT_EQ(f.others[0]->kind, 0);
    ASSERT_EQ(a->types.size(), 3u);
    EXPECT_EQ(a->types[0]->kind, TypeEnum);
    ASSERT_EQ(a->types[0]->elements.size(), 2u);
    EXPECT_EQ(a->types[0]->elements[0]->value, "1");
    EXPECT_EQ(a->types[1]->kind, TypeSimple);
    EXPECT_EQ(a->types[1]->definition, "unsigned long ");
    EXPECT_EQ(a->types[2]->name, "Point");
    EXPECT_EQ(a->types[2]->kind, TypeStruct);
    EXPECT_EQ(a->types[2]->elements.size(), 2u);
    ASSERT_EQ(a->exceptions.size(), 1u);
    EXPECT_EQ(a->exceptions[0]->members.size(), 1u);
    // The nested class is a master in A's submodel.
    auto* submodel = dynamic_cast<Model*>(a->submodel);
    ASSERT_NE(submodel, nullptr);
    Master* inner = Placed(project, submodel, "Inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->access, AccessPublic);
    EXPECT_EQ(inner->methods.size(), 1u);
    // A struct template is a class: its parameter is no field.
    Master* bind = Placed(project, submodel, "Bind");
    ASSERT_NE(bind, nullptr);
    ASSERT_EQ(bind->parameters.size(), 1u);
    EXPECT_EQ(bind->parameters[0]->name, "T");
    EXPECT_EQ(bind->attributes.size(), 1u);
}

TEST_F(BuildModelTest, IdlInterfacesModulesAndParameterDirections) {
    FakeProject project(0);
    BuildRun(project,
             {"module M { interface J { }; interface I : J {"
              " readonly attribute long x; void f(in long a, out string b, inout long c)"
              " raises (E) context (\"ctx\"); }; };"},
             kLangIdl);
    Master* m = Placed(project, project.CurrentModel(), "M");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(project.ToolOf(m), 12);
    auto* mModel = dynamic_cast<Model*>(m->submodel);
    ASSERT_NE(mModel, nullptr);
    Master* i = Placed(project, mModel, "I");
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->masterFlags, MasterGenCode | MasterInterface);
    ASSERT_EQ(i->methods.size(), 1u);
    std::vector<int> directions;
    for (const auto& parameter : i->methods[0]->parameters) {
        directions.push_back(parameter->direction);
    }
    EXPECT_EQ(directions, (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(i->methods[0]->others.size(), 2u);
    EXPECT_EQ(i->methods[0]->others[1]->kind, 1);
    ASSERT_EQ(project.Links(mModel).size(), 1u);
    EXPECT_EQ(project.Links(mModel)[0]->to->GetMaster()->name, "J");
    // A second run keeps the module's one place.
    const size_t drawables = project.DrawableCount();
    BuildRun(project, {"module M { interface J { }; interface I : J { }; };"}, kLangIdl);
    EXPECT_EQ(project.PlacedMasters(project.CurrentModel()).size(), 1u);
    EXPECT_EQ(project.DrawableCount(), drawables);
}

// Java: a generic base's type arguments go to its link, and the imports of
// each file to the masters of the types it declares (not to a type it only
// names), on every run.
TEST_F(BuildModelTest, JavaBaseArgumentsAndFileImports) {
    FakeProject project(0);
    for (int run = 0; run < 2; ++run) {
        SourceParser parser(&project, kLangJava);
        for (const char* source : {"import java.util.List;\nimport static a.B.*;\n"
                                   "class D extends Base<List<String>> implements Named { }\n",
                                   "class Base<T, N extends Number> { }"}) {
            parser.OpenSourceText("D.java", source);
            ParseJavaInput(parser);
            parser.CloseSourceFile();
        }
        parser.BuildModelFromParse(&project, project.CurrentModel());
        Master* d = Placed(project, project.CurrentModel(), "D");
        Master* base = Placed(project, project.CurrentModel(), "Base");
        Master* named = Placed(project, project.CurrentModel(), "Named");
        ASSERT_NE(d, nullptr);
        ASSERT_NE(base, nullptr);
        ASSERT_NE(named, nullptr);
        EXPECT_EQ(d->imports, "java.util.List\nstatic a.B.*");
        EXPECT_EQ(base->imports, "");
        EXPECT_EQ(named->imports, "");
        // Only a bound is marked as one.
        ASSERT_EQ(base->parameters.size(), 2u);
        EXPECT_EQ(base->parameters[0]->direction, 0);
        EXPECT_EQ(base->parameters[1]->type, "Number");
        EXPECT_EQ(base->parameters[1]->direction, ParamTypeBound);
        std::vector<FakeLink*> links = project.Links(project.CurrentModel());
        ASSERT_EQ(links.size(), 2u) << run;
        EXPECT_EQ(links[0]->to->GetMaster(), base);
        EXPECT_EQ(links[0]->type, "<List<String>>");
        EXPECT_EQ(links[1]->to->GetMaster(), named);
        EXPECT_EQ(links[1]->type, "");
    }
}

// The kinds of Java type the class tool cannot tell are the masters'
// stereotypes (a class nested without "static" in a class, an enumeration
// or a record is inner; one in an interface is not); a base the run never declares generates no
// code, and one named through its outer type is that nested type's master.
TEST_F(BuildModelTest, JavaRecordsSealedTypesAndBasesDeclaredElsewhere) {
    FakeProject project(0);
    SourceParser parser(&project, kLangJava);
    for (const char* source : {"package p; public sealed interface Shape permits Circle, Box { }\n"
                               "record Circle(double r) implements Shape { }\n"
                               "non-sealed class Box implements Shape, Spliterator<Box> { }\n"
                               "class W<T> implements WatchEvent.Kind<T> { }\n"
                               "class Op extends Sink.Chained { }\n",
                               "package p; class Sink { static class Chained { } class Inner { }\n"
                               "  interface I { class InI { } } enum E { A; class InE { } }\n"
                               "  record R() { class InR { } }\n"
                               "  class Deep { class Deeper extends Chained { } }\n"
                               "  static class Ring { static class Link extends Ring { } } }\n"}) {
        parser.OpenSourceText("S.java", source);
        ParseJavaInput(parser);
        parser.CloseSourceFile();
    }
    parser.BuildModelFromParse(&project, project.CurrentModel());
    struct Case {
        const char* name;
        const char* nameSpace;
        const char* stereotype;
        bool generates;
    };
    const Case cases[] = {
        {"Shape", "p", "sealed", true},     {"Circle", "p", "record", true},
        {"Box", "p", "non-sealed", true},   {"W", "p", "", true},
        {"Spliterator", "p", "", false},    {"WatchEvent.Kind", "p", "", false},
        {"Chained", "p.Sink", "", true},    {"Inner", "p.Sink", "inner", true},
        {"InI", "p.Sink.I", "", true},      {"E", "p.Sink", "enum", true},
        {"InE", "p.Sink.E", "inner", true}, {"InR", "p.Sink.R", "inner", true},
    };
    for (const Case& c : cases) {
        Master* m = project.FindMaster(10, c.name, c.nameSpace);
        if (m == nullptr) {
            m = project.FindMaster(11, c.name, c.nameSpace);
        }
        ASSERT_NE(m, nullptr) << c.name;
        EXPECT_EQ(m->stereotype, c.stereotype) << c.name;
        EXPECT_EQ((m->masterFlags & MasterGenCode) != 0, c.generates) << c.name;
    }
    // A base named by its simple name in a type around the declaring one,
    // or the type holding it, is that type: no stand-in in the package.
    EXPECT_EQ(project.FindMaster(10, "Chained", "p"), nullptr);
    EXPECT_EQ(project.FindMaster(10, "Ring", "p"), nullptr);
    EXPECT_NE(project.FindMaster(10, "Ring", "p.Sink"), nullptr);
    EXPECT_EQ(project.FindMaster(10, "Kind", "p"), nullptr);
    Master* circle = project.FindMaster(10, "Circle", "p");
    ASSERT_EQ(circle->attributes.size(), 1u);
    EXPECT_EQ(circle->attributes[0]->name, "r");
}

TEST_F(BuildModelTest, SplitArrayTypeTable) {
    struct Case {
        int language;
        const char* text;
        const char* type;
        const char* bounds;
    };
    const Case cases[] = {
        {kLangCpp, "int[10]", "int", "10"},
        {kLangCpp, "int[2][3]", "int[2]", "3"},
        {kLangCpp, "int[]", "int[]", ""},
        {kLangCpp, "int", "int", ""},
        {kLangCpp, "[5]", "[5]", ""},
        {kLangCpp, "a[1]x", "a", "1"},
        {kLangCSharp, "int[10]", "int[10]", "?"},
        {kLangJava, "", "", ""},
    };
    for (const Case& c : cases) {
        std::string type;
        std::string bounds = "?";
        SplitArrayType(c.language, c.text, type, bounds);
        EXPECT_EQ(type, c.type) << c.text;
        EXPECT_EQ(bounds, c.bounds) << c.text;
    }
}

TEST_F(BuildModelTest, NothingIsBuiltIntoAModelThatIsNotADiagram) {
    FakeProject project(0);
    project.current->kind = MkTool;
    BuildRun(project, {"class A { };"});
    EXPECT_TRUE(project.current->Drawables().empty());
    EXPECT_EQ(project.MasterCount(), 0u);
}

} // namespace
} // namespace qm
