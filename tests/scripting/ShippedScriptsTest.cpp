// The scripts shipped in resources/Scripts, each run through its runner on
// the fixture project tests/fixtures/scripts/Shapes.pro (the class template
// Shape and the class Circle in namespace geo, Circle derived from
// Shape<double, long>) and its output checked.
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/ProjectFile.h"
#include "document/TemplateCache.h"
#include "drawables/Drawable.h"
#include "drawables/Model.h"
#include "model/Master.h"
#include "model/Members.h"
#include "platform/Files.h"
#include "platform/ScopedInstall.h"
#include "scripting/DiagramImageSeam.h"
#include "scripting/RunContext.h"
#include "scripting/ScriptRunners.h"
#include "tests/scripting/ScriptingFixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace qm::test {
namespace {

const std::string kFixtures = std::string(QM_FIXTURES) + "/scripts";
const std::string kScripts = std::string(QM_FIXTURES) + "/../../resources/Scripts";
const std::string kNotations = std::string(QM_FIXTURES) + "/../../resources/Notations";

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// The names of the files under folder, relative to it, sorted.
std::vector<std::string> FilesUnder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec))
        if (entry.is_regular_file())
            names.push_back(std::filesystem::relative(entry.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

// Inserts text after the first line that contains marker.
std::string InsertAfter(const std::string& text, const std::string& marker,
                        const std::string& inserted) {
    const size_t at = text.find(marker);
    EXPECT_NE(at, std::string::npos) << marker;
    const size_t end = text.find('\n', at) + 1;
    return text.substr(0, end) + inserted + text.substr(end);
}

class ShippedScriptsTest : public ScriptingTest {
  protected:
    ShippedScriptsTest() {
        settings.Language = "C++";
        context.profile = &settings;
        context.templates = &templates;
    }

    // The fixture project, loaded from its folder under the given name, with
    // the scope of all models.
    std::unique_ptr<CCASEDoc> Open(const std::string& name = "Shapes.pro") {
        auto document = std::make_unique<CCASEDoc>(context, true);
        const std::string path = kFixtures + "/" + name;
        document->LoadText(ReadFileText(path, "Can't open project file"));
        document->SetPathName(path);
        // The fixture was saved with the current-model scope: all models.
        document->Profile().flags = (document->Profile().flags & ~7u) | 4u;
        return document;
    }

    // The options of a shipped script, with the named ones switched on
    // ("Name", "Name=value" or, for a choice, "Name:index").
    static ScriptOptionList Options(const std::string& script,
                                    const std::vector<std::string>& on = {}) {
        ScriptOptionList options;
        ReadScriptOptions(kScripts + "/" + script, options);
        for (const std::string& wanted : on) {
            const size_t equals = wanted.find_first_of("=:");
            std::string name = wanted.substr(0, equals);
            ScriptOption* option = FindScriptOption(options, name);
            EXPECT_NE(option, nullptr) << wanted;
            if (option == nullptr)
                continue;
            option->checked = 1;
            if (equals != std::string::npos && wanted[equals] == '=')
                option->value = wanted.substr(equals + 1);
            else if (equals != std::string::npos)
                option->choice = static_cast<int16_t>(std::stoi(wanted.substr(equals + 1)));
        }
        return options;
    }

    void Generate(int task, const std::string& script, CCASEDoc& document,
                  const std::string& folder, const std::vector<std::string>& on = {}) {
        WriteGeneratedOutput(task, kScripts + "/" + script, folder, "", Options(script, on),
                             document, nullptr, true);
    }

    // A new project on the shipped UML notation, made by a maker script run
    // with the project bound to p.
    std::unique_ptr<CCASEDoc> Made(const std::string& script) {
        context.newProjectArmed = true;
        context.commandLineTemplate = kNotations + "/UML2.1.not";
        auto document = std::make_unique<CCASEDoc>(context, true);
        document->OnNewDocument();
        document->SetPathName(scratch / "made.pro");
        document->Profile().flags = (document->Profile().flags & ~7u) | 4u;
        ScriptRunContext run;
        run.project = document.get();
        ScopedRunContext scoped(run);
        Bind("p", References().MakeRef(document.get(), RefProject));
        const Outcome made = Run(script);
        EXPECT_TRUE(made.ok) << made.error;
        return document;
    }

    // Whether every header under folder compiles on its own (g++ -std=c++17
    // -fsyntax-only with the folder on the include path); the compiler's
    // report of the first that does not. True where no g++ is installed.
    static std::string CompileErrors(const std::string& folder) {
        if (std::system("command -v g++ >/dev/null 2>&1") != 0)
            return "";
        for (const std::string& header : FilesUnder(folder)) {
            Write(folder + "/one.cpp", "#include \"" + header + "\"\n");
            const std::string command = "g++ -std=c++17 -fsyntax-only -I'" + folder + "' '" +
                                        folder + "/one.cpp' >'" + folder + "/gcc.txt' 2>&1";
            const int rc = std::system(command.c_str());
            const std::string report = Read(folder + "/gcc.txt");
            std::filesystem::remove(folder + "/one.cpp");
            std::filesystem::remove(folder + "/gcc.txt");
            if (rc != 0)
                return header + ":\n" + report;
        }
        return "";
    }

    static Master* MasterNamed(CCASEDoc& document, const std::string& name) {
        for (const auto& master : document.Masters().Masters())
            if (master->name == name)
                return master.get();
        return nullptr;
    }

    bool LogHas(const std::string& text) const {
        return log.Text().find(text) != std::string::npos;
    }

    Profile settings;
    TemplateCache templates;
    DocumentContext context;
};

// The options that every shipped script declares, as the task dialog and the
// batch runner read them.
TEST_F(ShippedScriptsTest, EveryScriptDeclaresItsOptions) {
    struct Case {
        const char* script;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"CodeGen/CppHeaders.vxs", {"Verbose", "Extension", "NoComments"}},
        {"CodeGen/JavaClasses.vxs", {"Verbose", "NoComments", "NoPackageFolders"}},
        {"DocGen/HtmlPages.vxs", {"Title", "ImageFormat", "NoImages", "Verbose"}},
        {"RevEng/SourceClasses.vxs", {"ClassTool", "LinkTool", "NoPlaces"}},
        {"Task/ProjectSummary.vxs", {}},
    };
    for (const Case& c : cases) {
        ScriptOptionList options;
        ReadScriptOptions(kScripts + "/" + c.script, options);
        std::vector<std::string> names;
        for (const ScriptOption& option : options) {
            names.push_back(option.name);
            EXPECT_FALSE(option.description.empty()) << c.script << " " << option.name;
        }
        EXPECT_EQ(names, c.names) << c.script;
    }
}

TEST_F(ShippedScriptsTest, CppHeadersMatchTheExpectedFiles) {
    auto document = Open();
    Generate(TaskCodeGen, "CodeGen/CppHeaders.vxs", *document, scratch.Path());
    EXPECT_TRUE(LogHas("C++ headers written: 3")) << log.Text();
    EXPECT_FALSE(LogHas("ERROR")) << log.Text();
    EXPECT_EQ(FilesUnder(scratch.Path()),
              (std::vector<std::string>{"OrderItem.h", "geo/Circle.h", "geo/Shape.h"}));
    // "Order item" is written as the identifier OrderItem; the classes of
    // namespace geo go into its folder.
    for (const char* name : {"geo/Shape.h", "geo/Circle.h", "OrderItem.h"})
        EXPECT_EQ(Read(scratch / name), Read(kFixtures + "/expected/" + name)) << name;
}

// Generated twice with the user's own lines between the markers in the
// meantime: they survive, a hand edit outside the markers does not, and no
// scratch file is left beside the headers.
TEST_F(ShippedScriptsTest, CppHeadersKeepTheUserRegionsWhenGeneratedAgain) {
    auto document = Open();
    Generate(TaskCodeGen, "CodeGen/CppHeaders.vxs", *document, scratch.Path());
    const std::string expected = Read(kFixtures + "/expected/geo/Shape.h");
    std::string edited = InsertAfter(expected, "USER CODE BEGIN includes", "#include <vector>\n");
    edited = InsertAfter(edited, "USER CODE BEGIN Shape",
                         "    std::vector<int> cache_;\n\n    int Cached() const;\n");
    std::string outside = edited;
    outside.replace(outside.find("#define PI 3.14"), 15, "#define PI 3");
    Write(scratch / "geo/Shape.h", outside);

    Generate(TaskCodeGen, "CodeGen/CppHeaders.vxs", *document, scratch.Path());
    EXPECT_FALSE(LogHas("ERROR")) << log.Text();
    EXPECT_EQ(Read(scratch / "geo/Shape.h"), edited);
    EXPECT_EQ(Read(scratch / "geo/Circle.h"), Read(kFixtures + "/expected/geo/Circle.h"));
    EXPECT_EQ(FilesUnder(scratch.Path()),
              (std::vector<std::string>{"OrderItem.h", "geo/Circle.h", "geo/Shape.h"}));

    // And once more: the merged header is stable.
    Generate(TaskCodeGen, "CodeGen/CppHeaders.vxs", *document, scratch.Path());
    EXPECT_EQ(Read(scratch / "geo/Shape.h"), edited);
}

TEST_F(ShippedScriptsTest, CppHeaderOptions) {
    auto document = Open();
    Generate(TaskCodeGen, "CodeGen/CppHeaders.vxs", *document, scratch.Path(),
             {"Extension:1", "Verbose", "NoComments"});
    EXPECT_EQ(FilesUnder(scratch.Path()),
              (std::vector<std::string>{"OrderItem.hpp", "geo/Circle.hpp", "geo/Shape.hpp"}));
    EXPECT_TRUE(LogHas("Wrote " + scratch / "geo/Shape.hpp" + "\r\n")) << log.Text();
    const std::string shape = Read(scratch / "geo/Shape.hpp");
    EXPECT_EQ(shape.find("Any shape"), std::string::npos) << shape;
    EXPECT_NE(shape.find("class Shape"), std::string::npos) << shape;
    EXPECT_NE(Read(scratch / "geo/Circle.hpp").find("#include \"geo/Shape.hpp\""),
              std::string::npos);

    ScratchFolder hh;
    Generate(TaskCodeGen, "CodeGen/CppHeaders.vxs", *document, hh.Path(), {"Extension:2"});
    EXPECT_EQ(FilesUnder(hh.Path()),
              (std::vector<std::string>{"OrderItem.hh", "geo/Circle.hh", "geo/Shape.hh"}));
}

// The members a class's links stand for: one per named composition,
// aggregation and association from the class, typed by the link's kind and
// the far end's multiplicity; none for an unnamed link, a dependency or a
// name an attribute has already. The headers compile.
TEST_F(ShippedScriptsTest, CppHeadersWriteAMemberForEachNamedAssociationEnd) {
    auto document = Made(R"(
        (setq tLib (VxMakeMaster p (name Library) (tool Class) (namespace lib)))
        (VxMakeAttribute tLib (name title) (type "std::string") (access public))
        (setq m (VxMakeModel p (name Classes) (type class)))
        (setq tLibPlace (VxMakePlace m (master tLib) (rect 0 0 100 50)))
        (setq tN 0)
        (def TPart (lam (name ns)
          (setq tN (+ tN 1))
          (let ((x (* tN 120)))
            (eval (list 'VxMakePlace 'm
                        (list 'master (eval (list 'VxMakeMaster 'p (list 'name name) '(tool Class)
                                                  (list 'namespace ns))))
                        (list 'rect x 200 (+ x 100) 250))))))
        (def TLink (lam (tool name card target access)
          (eval (list 'VxMakeLink 'm (list 'tool tool) '(source tLibPlace) (list 'target target)
                      (list 'name name) (list 'card "1" card) (list 'access access)))))
        (setq tCover (TPart "Cover" "lib"))
        (setq tPage (TPart "Page" "lib"))
        (setq tIndex (TPart "Index" "lib"))
        (setq tShelf (TPart "Shelf" "lib"))
        (setq tPerson (TPart "Member" "people"))
        (setq tBase (TPart "Collection" "lib"))
        (TLink "Composition" "cover" "1" tCover 'public)
        (TLink "Composition" "pages" "*" tPage 'public)
        (TLink "Composition" "index" "0..1" tIndex 'protected)
        (TLink "Composition" "title" "1" tCover 'public)
        (TLink "Aggregation" "shelf" "" tShelf 'private)
        (TLink "Association" "members" "0..*" tPerson 'public)
        (TLink "Directed Association" "owner" "1" tPerson 'public)
        (TLink "Directed Association" "readers" "1..n" tPerson 'public)
        (TLink "Association" "" "1" tPerson 'public)
        (TLink "Dependency" "uses" "1" tPerson 'public)
        (TLink "Composition" "self" "1" tLibPlace 'private)
        (TLink "Inheritance" "" "" tBase 'public)
    )");
    Generate(TaskCodeGen, "CodeGen/CppHeaders.vxs", *document, scratch / "cpp");
    EXPECT_FALSE(LogHas("ERROR")) << log.Text();
    const std::string header = Read(scratch / "cpp/lib/Library.h");
    struct Row {
        const char* link;
        const char* written; // the member's line in its section, or "" for none
        const char* section;
    };
    const Row table[] = {
        {"composition of one", "    Cover cover;\n", "public:\n"},
        {"composition of many", "    std::vector<Page> pages;\n", "public:\n"},
        {"composition of at most one", "    Index* index;\n", "protected:\n"},
        {"aggregation, no multiplicity", "    Shelf* shelf;\n", "private:\n"},
        {"association of 0..*", "    std::vector<::people::Member*> members;\n", "public:\n"},
        {"directed association of one", "    ::people::Member* owner;\n", "public:\n"},
        {"directed association of 1..n", "    std::vector<::people::Member*> readers;\n",
         "public:\n"},
        {"composition of the class in itself", "    Library* self;\n", "private:\n"},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.link);
        const size_t at = header.find(row.written);
        ASSERT_NE(at, std::string::npos) << header;
        // The nearest section label above the member is its access's.
        std::string nearest;
        size_t best = 0;
        for (const char* label : {"public:\n", "protected:\n", "private:\n"}) {
            const size_t found = header.rfind(std::string("\n") + label, at);
            if (found != std::string::npos && (nearest.empty() || found > best)) {
                best = found;
                nearest = label;
            }
        }
        EXPECT_EQ(nearest, row.section) << header;
    }
    // The attribute keeps its name; unnamed links and dependencies are no members.
    EXPECT_NE(header.find("    std::string title;\n"), std::string::npos) << header;
    EXPECT_EQ(header.find(" title;\n"), header.rfind(" title;\n")) << header;
    EXPECT_EQ(header.find("uses"), std::string::npos) << header;
    EXPECT_NE(header.find("class Library : public Collection {"), std::string::npos) << header;
    // A part held as a value is included, one only pointed at is declared.
    for (const char* line : {"#include <vector>\n", "#include \"lib/Cover.h\"\n",
                             "#include \"lib/Page.h\"\n", "class Member;\n", "class Index;\n"})
        EXPECT_NE(header.find(line), std::string::npos) << line << header;
    EXPECT_EQ(CompileErrors(scratch / "cpp"), "");
}

// Every model and class has a page of its own: submodels of one name in
// different models, and classes whose qualified names make one identifier,
// are told apart. A member's modifiers leave out annotate (the diagram's
// business); base classes link to their pages.
// A master marked as a union is declared a union, in its own header and
// where another header declares it before naming it through a pointer.
TEST_F(ShippedScriptsTest, CppHeadersWriteAUnionAsAUnion) {
    auto document = Made(R"(
        (setq tValue (VxMakeMaster p (name Value) (tool Class) (namespace lib) (stereotype "union")))
        (VxMakeAttribute tValue (name i) (type "int") (access public))
        (VxMakeAttribute tValue (name d) (type "double") (access public))
        (setq tHolder (VxMakeMaster p (name Holder) (tool Class) (namespace lib)))
        (setq m (VxMakeModel p (name Classes) (type class)))
        (setq tHolderPlace (VxMakePlace m (master tHolder) (rect 0 0 100 50)))
        (setq tValuePlace (VxMakePlace m (master tValue) (rect 200 0 300 50)))
        (VxMakeLink m (tool "Directed Association") (source tHolderPlace) (target tValuePlace)
                    (name value) (card "1" "0..1") (access public))
    )");
    Generate(TaskCodeGen, "CodeGen/CppHeaders.vxs", *document, scratch / "cpp");
    EXPECT_FALSE(LogHas("ERROR")) << log.Text();
    const std::string value = Read(scratch / "cpp/lib/Value.h");
    EXPECT_NE(value.find("union Value {\n"), std::string::npos) << value;
    EXPECT_EQ(value.find("class Value {"), std::string::npos) << value;
    const std::string holder = Read(scratch / "cpp/lib/Holder.h");
    EXPECT_NE(holder.find("class Holder {\n"), std::string::npos) << holder;
    EXPECT_EQ(holder.find("class Value;"), std::string::npos) << holder;
    EXPECT_NE(holder.find("union Value;"), std::string::npos) << holder;
}

TEST_F(ShippedScriptsTest, HtmlPagesAreNamedUniquelyAndLinkTheBases) {
    auto document = Made(R"(
        (setq tTop (VxMakeModel p (name Classes) (type class)))
        (setq tA (VxMakeModel p (name a) (type class) (parentModel tTop)))
        (setq tB (VxMakeModel p (name b) (type class) (parentModel tTop)))
        (VxMakeModel p (name detail) (type class) (parentModel tA))
        (VxMakeModel p (name detail) (type class) (parentModel tB))
        (setq tOne (VxMakeMaster p (name "b c") (tool Class) (namespace a)))
        (setq tTwo (VxMakeMaster p (name c) (tool Class) (namespace "a b")))
        (setq tBase (VxMakeMaster p (name Base) (tool Class)))
        (VxMakeAttribute tOne (name size) (type int) (mode annotate static))
        (VxMakeMethod tOne (name Run) (returns void) (mode annotate))
        (setq tOnePlace (VxMakePlace tTop (master tOne) (rect 0 0 100 50)))
        (setq tBasePlace (VxMakePlace tTop (master tBase) (rect 0 200 100 250)))
        (VxMakePlace tTop (master tTwo) (rect 200 0 300 50))
        (VxMakeLink tTop (tool Inheritance) (source tOnePlace) (target tBasePlace))
    )");
    Generate(TaskDocGen, "DocGen/HtmlPages.vxs", *document, scratch / "doc", {"NoImages"});
    EXPECT_FALSE(LogHas("ERROR")) << log.Text();
    const std::string index = Read(scratch / "doc/index.html");
    // One page per model and class, each linked from the index.
    std::vector<std::string> pages;
    for (const std::string& name : FilesUnder(scratch / "doc")) {
        pages.push_back(name);
        if (name != "index.html") {
            EXPECT_NE(index.find("href=\"" + name + "\""), std::string::npos) << name << index;
        }
    }
    // The index, the new project's model and five more, three classes.
    EXPECT_EQ(pages.size(), 1u + 6u + 3u) << ::testing::PrintToString(pages);
    EXPECT_NE(Read(scratch / "doc/modelClassesADetail.html").find("<h1>detail</h1>"),
              std::string::npos);
    EXPECT_NE(Read(scratch / "doc/modelClassesBDetail.html").find("<h1>detail</h1>"),
              std::string::npos);
    // "a" + "b c" and "a b" + "c" make one identifier: the one met later
    // takes a number.
    std::string one = Read(scratch / "doc/classABC.html");
    std::string two = Read(scratch / "doc/classABC_2.html");
    if (one.find("Namespace: a</p>") == std::string::npos)
        std::swap(one, two);
    EXPECT_NE(one.find("Namespace: a</p>"), std::string::npos) << one;
    EXPECT_NE(two.find("Namespace: a b</p>"), std::string::npos) << two;
    EXPECT_EQ(one.find("annotate"), std::string::npos) << one;
    EXPECT_NE(one.find("<td>static</td>"), std::string::npos) << one;
    EXPECT_NE(one.find("<p>Base classes: <a href=\"classBase.html\">Base</a></p>"),
              std::string::npos)
        << one;
}

// The scope: the current model's classes, or its selected ones.
TEST_F(ShippedScriptsTest, CppHeadersOfTheScope) {
    struct Case {
        const char* model;
        uint32_t scope;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"Classes", 2, {"geo/Circle.h", "geo/Shape.h"}},
        {"Default", 2, {}},
        {"Classes", 1, {}}, // nothing selected
    };
    for (const Case& c : cases) {
        auto document = Open();
        document->SetCurrentModel(document->FindModelByName(c.model));
        document->Profile().flags = (document->Profile().flags & ~7u) | c.scope;
        ScratchFolder out;
        Generate(TaskCodeGen, "CodeGen/CppHeaders.vxs", *document, out.Path());
        EXPECT_EQ(FilesUnder(out.Path()), c.files) << c.model << " " << c.scope;
    }
}

TEST_F(ShippedScriptsTest, JavaClassesKeepTheMethodBodies) {
    auto document = Open();
    Generate(TaskCodeGen, "CodeGen/JavaClasses.vxs", *document, scratch.Path());
    EXPECT_FALSE(LogHas("ERROR")) << log.Text();
    EXPECT_EQ(FilesUnder(scratch.Path()),
              (std::vector<std::string>{"OrderItem.java", "geo/Circle.java", "geo/Shape.java"}));
    const std::string circle = Read(scratch / "geo/Circle.java");
    // Shape has two parameters; the inheritance link gives their arguments.
    for (const char* line :
         {"package geo;\n", "public class Circle extends Shape<double, long> {\n",
          "    public int Radius() {\n", "        return r;\n"})
        EXPECT_NE(circle.find(line), std::string::npos) << line << "\n" << circle;
    const std::string shape = Read(scratch / "geo/Shape.java");
    EXPECT_NE(shape.find("        dc.Line(0, 0, 1, 1);\n"), std::string::npos) << shape;
    // The parameters' types, typed by hand (class, int), are no bounds.
    EXPECT_NE(shape.find(" class Shape<T, U> {\n"), std::string::npos) << shape;

    // The user rewrites a body; generated again, the body is the user's and
    // the model's code does not come back beside it.
    std::string edited = circle;
    edited.replace(edited.find("        return r;\n"), 18, "        return radius_ * 2;\n");
    Write(scratch / "geo/Circle.java", edited);
    Generate(TaskCodeGen, "CodeGen/JavaClasses.vxs", *document, scratch.Path());
    EXPECT_EQ(Read(scratch / "geo/Circle.java"), edited);
    EXPECT_EQ(FilesUnder(scratch.Path()),
              (std::vector<std::string>{"OrderItem.java", "geo/Circle.java", "geo/Shape.java"}));

    // A signature line that no longer matches the model (as after a change
    // of its return type) comes back as the model says, the body stays once.
    std::string changed = edited;
    changed.replace(changed.find("public int Radius()"), 19, "public long Radius()");
    Write(scratch / "geo/Circle.java", changed);
    Generate(TaskCodeGen, "CodeGen/JavaClasses.vxs", *document, scratch.Path());
    EXPECT_EQ(Read(scratch / "geo/Circle.java"), edited);
}

// The words of a long method body are looked up for the file's imports
// within a few megabytes of script memory: splitting the body by copying
// what was left after every word took memory as the square of its length.
TEST_F(ShippedScriptsTest, JavaClassesReadTheWordsOfALongBodyInLittleMemory) {
    auto document = Open();
    Master* circle = MasterNamed(*document, "Circle");
    ASSERT_NE(circle, nullptr);
    std::string code;
    for (int line = 0; line < 2000; ++line)
        code += "total += item.size(" + std::to_string(line) + ");\n";
    code += "List<String> rest = new ArrayList<>();";
    auto method = std::make_unique<MasterMethod>();
    method->name = "Sum";
    method->access = 3;
    method->code = code;
    method->owner = circle;
    circle->methods.push_back(std::move(method));
    settings.ScriptMemory = 24;

    Generate(TaskCodeGen, "CodeGen/JavaClasses.vxs", *document, scratch.Path());
    EXPECT_FALSE(LogHas("ERROR")) << log.Text();
    const std::string java = Read(scratch / "geo/Circle.java");
    for (const char* line : {"import java.util.List;\n", "import java.util.ArrayList;\n",
                             "        total += item.size(1999);\n",
                             "        List<String> rest = new ArrayList<>();\n"})
        EXPECT_NE(java.find(line), std::string::npos) << line;
}

TEST_F(ShippedScriptsTest, JavaClassesWithoutPackageFolders) {
    auto document = Open();
    Generate(TaskCodeGen, "CodeGen/JavaClasses.vxs", *document, scratch.Path(),
             {"NoPackageFolders", "Verbose"});
    EXPECT_EQ(FilesUnder(scratch.Path()),
              (std::vector<std::string>{"Circle.java", "OrderItem.java", "Shape.java"}));
    EXPECT_TRUE(LogHas("Wrote " + scratch / "Circle.java")) << log.Text();
}

TEST_F(ShippedScriptsTest, HtmlPagesOfEveryModelAndClass) {
    auto document = Open();
    Generate(TaskDocGen, "DocGen/HtmlPages.vxs", *document, scratch.Path(), {"NoImages"});
    EXPECT_FALSE(LogHas("ERROR")) << log.Text();
    const std::vector<std::string> files = FilesUnder(scratch.Path());
    for (const char* page : {"index.html", "modelClasses.html", "modelUseCases.html",
                             "classGeoShape.html", "classGeoCircle.html", "classOrderItem.html"})
        EXPECT_NE(std::find(files.begin(), files.end(), page), files.end()) << page;
    const std::string index = Read(scratch / "index.html");
    EXPECT_NE(index.find("<title>Shapes</title>"), std::string::npos) << index;
    EXPECT_NE(index.find("<a href=\"classGeoShape.html\">Shape</a>"), std::string::npos) << index;
    EXPECT_NE(index.find("<a href=\"modelClasses.html\">Classes</a>"), std::string::npos) << index;
    const std::string shape = Read(scratch / "classGeoShape.html");
    for (const char* text :
         {"<h1>Class Shape</h1>", "<p>Any shape</p>\n<p>of the drawing</p>",
          "<td>Draw(Canvas&amp; dc, float zoom)</td>", "<td>area</td>", "<td>Circle</td>",
          // The relation's end texts as the diagram shows them: at Shape's
          // end the role, a blank, "#" and the multiplicity; at Circle's end
          // a multiplicity alone.
          "<th>Own end</th><th>Other end</th>", "<td>uses</td><td>r #1</td><td>x</td>"})
        EXPECT_NE(shape.find(text), std::string::npos) << text << "\n" << shape;
    const std::string classes = Read(scratch / "modelClasses.html");
    EXPECT_NE(classes.find("<a href=\"classGeoCircle.html\">Circle</a>"), std::string::npos)
        << classes;
    EXPECT_EQ(classes.find("<img"), std::string::npos) << classes;
}

// Stands in for the diagram export: writes a small file where the image goes
// and fails for the model named failing.
class RecordingImageWriter : public DiagramImageWriter {
  public:
    void WriteDiagramImage(Model& model, bool selectionOnly, const std::string& path,
                           const std::string& format) override {
        written.push_back(path + "." + format + (selectionOnly ? " selected" : ""));
        if (model.name == failing)
            throw CKestException("Diagram too large to export");
        Write(path + "." + format, "image");
    }
    std::vector<std::string> written;
    std::string failing;
};

// Each model's page shows its diagram, exported into the images folder in
// the chosen format; a model whose export fails gets its page without one
// and the failure goes to the log.
TEST_F(ShippedScriptsTest, HtmlPagesWithDiagramImages) {
    RecordingImageWriter writer;
    writer.failing = "States";
    ScopedInstall<DiagramImageWriter> install(&writer);
    auto document = Open();
    // A name with a folder separator names a page and an image beside the
    // others.
    document->FindModelByName("Sequence")->name = "Flow/Steps";
    Generate(TaskDocGen, "DocGen/HtmlPages.vxs", *document, scratch.Path(), {"ImageFormat:2"});
    EXPECT_FALSE(LogHas("ERROR")) << log.Text();
    EXPECT_TRUE(LogHas("Diagram too large to export\r\n")) << log.Text();
    EXPECT_NE(
        std::find(writer.written.begin(), writer.written.end(), scratch / "images/Classes.bmp"),
        writer.written.end());
    EXPECT_NE(
        std::find(writer.written.begin(), writer.written.end(), scratch / "images/Use cases.bmp"),
        writer.written.end());
    EXPECT_NE(Read(scratch / "modelClasses.html")
                  .find("<img src=\"images/Classes.bmp\" alt=\"Classes\">"),
              std::string::npos)
        << Read(scratch / "modelClasses.html");
    EXPECT_NE(Read(scratch / "modelUseCases.html").find("<img src=\"images/Use%20cases.bmp\""),
              std::string::npos);
    EXPECT_EQ(Read(scratch / "modelStates.html").find("<img"), std::string::npos);
    EXPECT_NE(Read(scratch / "modelFlow_Steps.html").find("<img src=\"images/Flow_Steps.bmp\""),
              std::string::npos);
    EXPECT_NE(Read(scratch / "index.html").find("<a href=\"modelFlow_Steps.html\">Flow/Steps</a>"),
              std::string::npos);
    EXPECT_EQ(Read(scratch / "images/Classes.bmp"), "image");
}

// The scope of the pages: the current model documents its own classes; the
// selected objects only the classes of the selected places, with a diagram
// image of the selection.
TEST_F(ShippedScriptsTest, HtmlPagesOfTheScope) {
    struct Case {
        uint32_t scope;
        bool selectCircle;
        std::vector<std::string> classPages;
        const char* image;
    };
    const Case cases[] = {
        {2, false, {"classGeoCircle.html", "classGeoShape.html"}, "images/Classes.png"},
        {1, true, {"classGeoCircle.html"}, "images/Classes.png selected"},
    };
    for (const Case& c : cases) {
        RecordingImageWriter writer;
        ScopedInstall<DiagramImageWriter> install(&writer);
        auto document = Open();
        Model* classes = document->FindModelByName("Classes");
        ASSERT_NE(classes, nullptr);
        document->SetCurrentModel(classes);
        document->Profile().flags = (document->Profile().flags & ~7u) | c.scope;
        if (c.selectCircle)
            for (const auto& drawable : classes->Drawables()) {
                auto* node = dynamic_cast<NodeDrawable*>(drawable.get());
                if (drawable->IsPlace() && node != nullptr && node->GetMaster() != nullptr &&
                    node->GetMaster()->name == "Circle")
                    classes->Select(drawable.get(), 1, 1, 0);
            }
        ScratchFolder out;
        Generate(TaskDocGen, "DocGen/HtmlPages.vxs", *document, out.Path());
        EXPECT_FALSE(LogHas("ERROR")) << log.Text();
        std::vector<std::string> classPages;
        for (const std::string& name : FilesUnder(out.Path()))
            if (name.rfind("class", 0) == 0)
                classPages.push_back(name);
        EXPECT_EQ(classPages, c.classPages) << c.scope;
        EXPECT_EQ(writer.written, std::vector<std::string>{out / c.image}) << c.scope;
    }
}

TEST_F(ShippedScriptsTest, HtmlPagesTitleOption) {
    auto document = Open();
    Generate(TaskDocGen, "DocGen/HtmlPages.vxs", *document, scratch.Path(),
             {"NoImages", "Title=Shapes & <Co>"});
    EXPECT_NE(Read(scratch / "index.html").find("<h1>Shapes &amp; &lt;Co&gt;</h1>"),
              std::string::npos);
}

TEST_F(ShippedScriptsTest, ProjectSummaryTask) {
    auto document = Open();
    RunTaskScript(kScripts + "/Task/ProjectSummary.vxs", *document);
    EXPECT_FALSE(LogHas("ERROR")) << log.Text();
    for (const char* line : {"Model Classes (class): 11 drawables\r\n",
                             "Master Shape: 2 attributes, 2 methods, 1 places\r\n",
                             "Not shown in any diagram: Loose\r\n", "Totals: "})
        EXPECT_TRUE(LogHas(line)) << line << "\n" << log.Text();
}

// A class reverse-engineered from Java with its method code holds its
// initializer blocks as the methods "static" (static) and "initializer",
// without return type or parameters. The Java generator writes them back as
// blocks; the C++ header leaves them out, the documentation does not list
// them as methods and the summary does not count them. A method of that
// name with parameters is a method like any other (and, having no result
// type without being a constructor, returns void).
TEST_F(ShippedScriptsTest, JavaInitializerBlocksAreNoMethodsOfTheOtherScripts) {
    auto document = Open();
    Master* circle = MasterNamed(*document, "Circle");
    ASSERT_NE(circle, nullptr);
    auto add = [&](const char* name, int mode, const char* code, bool withParameter) {
        auto method = std::make_unique<MasterMethod>();
        method->name = name;
        method->mode = mode;
        method->access = 3;
        method->code = code;
        method->owner = circle;
        if (withParameter) {
            auto parameter = std::make_unique<Parameter>();
            parameter->name = "n";
            parameter->type = "int";
            method->parameters.push_back(std::move(parameter));
        }
        circle->methods.push_back(std::move(method));
    };
    add("static", ModeStatic, "count = 1;", false);
    add("initializer", 0, "r = 2;", false);
    add("initializer", 0, "", true);

    Generate(TaskCodeGen, "CodeGen/JavaClasses.vxs", *document, scratch / "java");
    const std::string java = Read(scratch / "java/geo/Circle.java");
    for (const char* line : {"    static {\n", "        count = 1;\n", "    {\n",
                             "        r = 2;\n", "    public void initializer(int n) {\n"})
        EXPECT_NE(java.find(line), std::string::npos) << line << "\n" << java;

    Generate(TaskCodeGen, "CodeGen/CppHeaders.vxs", *document, scratch / "cpp");
    // The header is the one expected of Circle, with the method added.
    std::string header = Read(scratch / "cpp/geo/Circle.h");
    const std::string method = "    void initializer(int n);\n";
    const size_t at = header.find(method);
    ASSERT_NE(at, std::string::npos) << header;
    EXPECT_EQ(header.erase(at, method.size()), Read(kFixtures + "/expected/geo/Circle.h"));

    Generate(TaskDocGen, "DocGen/HtmlPages.vxs", *document, scratch / "doc", {"NoImages"});
    const std::string page = Read(scratch / "doc/classGeoCircle.html");
    EXPECT_EQ(page.find("<td>static()</td>"), std::string::npos) << page;
    EXPECT_EQ(page.find("<td>initializer()</td>"), std::string::npos) << page;
    for (const char* cell : {"<td>Radius()</td>", "<td>initializer(int n)</td>"})
        EXPECT_NE(page.find(cell), std::string::npos) << cell << "\n" << page;

    RunTaskScript(kScripts + "/Task/ProjectSummary.vxs", *document);
    EXPECT_TRUE(LogHas("Master Circle: 0 attributes, 2 methods, 1 places\r\n")) << log.Text();
    EXPECT_FALSE(LogHas("ERROR")) << log.Text();
}

TEST_F(ShippedScriptsTest, SourceClassesMakeMastersPlacesAndLinks) {
    auto document = Open();
    Model* target = document->FindModelByName("Default");
    ASSERT_NE(target, nullptr);
    const size_t drawablesBefore = target->Drawables().size();
    for (int run = 0; run < 2; ++run) {
        kest::Cell* files =
            kest::mklist(kest::mkstr((kFixtures + "/src/vehicles.h").c_str()),
                         kest::mkstr((kFixtures + "/src/missing.h").c_str()),
                         kest::mkstr((kFixtures + "/src/Bike.java").c_str()), nullptr);
        RunReverseScript(files, kScripts + "/RevEng/SourceClasses.vxs",
                         Options("RevEng/SourceClasses.vxs"), "Default", *document, nullptr);
        EXPECT_FALSE(LogHas("ERROR")) << log.Text();
        EXPECT_TRUE(LogHas("Can't read " + kFixtures + "/src/missing.h\r\n")) << log.Text();
        EXPECT_TRUE(LogHas("Classes found: 4, links made: " + std::string(run == 0 ? "3" : "0")))
            << log.Text();
    }
    // Four masters, four places and three links, however often it runs; a
    // file that cannot be read is passed over.
    EXPECT_EQ(target->Drawables().size(), drawablesBefore + 7);
}

} // namespace
} // namespace qm::test
