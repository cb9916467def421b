// Real source code, not written for this project: the Java sources of a JDK
// (the folder holding java/util, given by QM_JAVA_SOURCES) and the PHP files
// of a PHP library (a folder given by QM_PHP_SOURCES) are reverse-engineered
// without a crash, a hang or a sanitizer report. Without the variables the
// folders found by the build are used (see tests/reverse/CMakeLists.txt);
// skipped when there are none.
#include "FakeProject.h"
#include "ParserTestSupport.h"

#include "model/Members.h"
#include "tests/support/ModelFixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace qm {
namespace {

using test::V;

std::vector<std::string> FilesBelow(const std::string& root, const std::string& extension) {
    std::vector<std::string> files;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error) && it->path().extension() == extension) {
            files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The folder named by the environment variable, else the one the build
// found; null when neither names anything.
const char* SourcesRoot(const char* variable, const char* found) {
    if (const char* root = std::getenv(variable)) {
        return root;
    }
    return found[0] != '\0' ? found : nullptr;
}

// Every file of the folder in one run; the parse must reach each file's end.
void ParseAll(SourceParser& parser, const std::vector<std::string>& files) {
    for (const std::string& path : files) {
        parser.ParseSourceFile(path);
    }
}

class RealSourceCorpusTest : public test::ParserTest {};

// The JDK sources come from the Debian package openjdk-17-source:
//   unzip /usr/lib/jvm/openjdk-17/lib/src.zip 'java.base/java/util/*' -d DIR
//   QM_JAVA_SOURCES=DIR/java.base
TEST_F(RealSourceCorpusTest, JdkJavaUtil) {
    const char* root = SourcesRoot("QM_JAVA_SOURCES", QM_JAVA_SOURCES_DEFAULT);
    if (root == nullptr) {
        GTEST_SKIP() << "no JDK sources (QM_JAVA_SOURCES, openjdk-17-source)";
    }
    std::vector<std::string> files = FilesBelow(std::string(root) + "/java/util", ".java");
    ASSERT_GT(files.size(), 100u);
    document_ = std::make_unique<test::FakeDocument>(kRevKeepMethodCode);
    parser_ = std::make_unique<SourceParser>(document_.get(), kLangJava);
    ParseAll(*parser_, files);
    // Real code of the language's generation reads without a single report.
    EXPECT_EQ(Errors(), V{});

    // java.util.ArrayList: its bases and its public methods.
    SourceSymbol* list = parser_->Find(kLangJava, "ArrayList", std::string("java.util"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->kind, kNodeClass);
    EXPECT_EQ(list->flags, kModPublic);
    V bases;
    V publicMethods;
    for (const SourceSymbol* c = list->firstChild.get(); c != nullptr; c = c->next.get()) {
        if (c->kind == kNodeBaseClass || c->kind == kNodeImplements) {
            bases.push_back(Describe(*c));
        } else if (c->kind == kNodeMethod && (c->flags & kModPublic) != 0) {
            publicMethods.push_back(c->name);
        }
    }
    EXPECT_EQ(bases, (V{"2 AbstractList @java.util 0 '<E>' -", "3 List @java.util 0 '<E>' -",
                        "3 RandomAccess @java.util 0 - -", "3 Cloneable @java.util 0 - -",
                        "3 Serializable @java.io 0 - -"}));
    for (const char* name : {"ArrayList", "add", "get", "set", "size", "isEmpty", "contains",
                             "indexOf", "toArray", "clear", "iterator", "removeIf", "sort"}) {
        EXPECT_NE(std::find(publicMethods.begin(), publicMethods.end(), name), publicMethods.end())
            << name;
    }
    EXPECT_EQ(std::count(publicMethods.begin(), publicMethods.end(), "add"), 2);
}

// java.util, java.time and java.net in one run: no report, and HashMap and
// LocalDate with their bases and public methods.
TEST_F(RealSourceCorpusTest, JdkUtilTimeAndNet) {
    const char* root = SourcesRoot("QM_JAVA_SOURCES", QM_JAVA_SOURCES_DEFAULT);
    if (root == nullptr) {
        GTEST_SKIP() << "no JDK sources (QM_JAVA_SOURCES, openjdk-17-source)";
    }
    std::vector<std::string> files;
    for (const char* package : {"/java/util", "/java/time", "/java/net"}) {
        std::vector<std::string> more = FilesBelow(std::string(root) + package, ".java");
        files.insert(files.end(), more.begin(), more.end());
    }
    ASSERT_GT(files.size(), 500u);
    document_ = std::make_unique<test::FakeDocument>(0);
    parser_ = std::make_unique<SourceParser>(document_.get(), kLangJava);
    ParseAll(*parser_, files);
    EXPECT_EQ(Errors(), V{});
    auto publicMethods = [&](const char* name, const char* package) {
        std::set<std::string> found;
        SourceSymbol* s = parser_->Find(kLangJava, name, std::string(package));
        EXPECT_NE(s, nullptr) << name;
        for (const SourceSymbol* c = s != nullptr ? s->firstChild.get() : nullptr; c != nullptr;
             c = c->next.get()) {
            if (c->kind == kNodeMethod && (c->flags & kModPublic) != 0) {
                found.insert(c->name);
            }
        }
        return found;
    };
    const std::set<std::string> map = publicMethods("HashMap", "java.util");
    for (const char* name : {"get", "put", "remove", "containsKey", "size", "entrySet"}) {
        EXPECT_TRUE(map.count(name)) << "HashMap." << name;
    }
    const std::set<std::string> date = publicMethods("LocalDate", "java.time");
    for (const char* name : {"of", "now", "plusDays", "getYear", "isLeapYear", "atStartOfDay"}) {
        EXPECT_TRUE(date.count(name)) << "LocalDate." << name;
    }
}

// java.util.ArrayList built into a master: in the submodel of package util
// inside package java, with its public methods, an inheritance link to
// AbstractList and realization links to its four interfaces.
class JdkMastersTest : public test::ModelTest {};

TEST_F(JdkMastersTest, ArrayListBecomesAMasterWithItsMethodsAndLinks) {
    const char* root = SourcesRoot("QM_JAVA_SOURCES", QM_JAVA_SOURCES_DEFAULT);
    if (root == nullptr) {
        GTEST_SKIP() << "no JDK sources (QM_JAVA_SOURCES, openjdk-17-source)";
    }
    std::vector<std::string> files = FilesBelow(std::string(root) + "/java/util", ".java");
    ASSERT_GT(files.size(), 100u);
    test::FakeProject project(0);
    SourceParser parser(&project, kLangJava);
    for (const std::string& path : files) {
        parser.ParseSourceFile(path);
    }
    parser.BuildModelFromParse(&project, project.CurrentModel());

    const int classTool = parser.ClassTool();
    const int packageTool = parser.PackageTool();
    // ArrayList<E> has a type parameter and is a class all the same.
    Master* list = project.FindMaster(classTool, "ArrayList", "java.util");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->parameters.size(), 1u);
    std::set<std::string> publicMethods;
    for (const auto& method : list->methods) {
        if (method->access == AccessPublic) {
            publicMethods.insert(method->name);
        }
    }
    for (const char* name : {"ArrayList", "add", "get", "set", "size", "isEmpty", "contains",
                             "indexOf", "toArray", "clear", "iterator", "removeIf", "sort"}) {
        EXPECT_TRUE(publicMethods.count(name)) << name;
    }

    Master* java = project.FindMaster(packageTool, "java", "");
    ASSERT_NE(java, nullptr);
    Master* util = project.FindMaster(packageTool, "util", "java");
    ASSERT_NE(util, nullptr);
    auto* model = dynamic_cast<Model*>(util->submodel);
    ASSERT_NE(model, nullptr);
    std::set<std::string> links;
    for (const test::FakeLink* link : project.Links(model)) {
        if (link->from != nullptr && link->from->GetMaster() == list) {
            links.insert(std::to_string(link->kindCode) + " " + link->to->GetMaster()->name);
        }
    }
    const std::string inherits = std::to_string(parser.InheritanceTool()) + " ";
    const std::string realizes = std::to_string(parser.RealizationTool()) + " ";
    EXPECT_EQ(links, (std::set<std::string>{inherits + "AbstractList", realizes + "Cloneable",
                                            realizes + "List", realizes + "RandomAccess",
                                            realizes + "java.io.Serializable"}));
}

// The PHP files of a pure-PHP library package, for example php-doctrine-collections
// (installed, or unpacked with dpkg-deb -x):
//   QM_PHP_SOURCES=/usr/share/php/Doctrine/Common/Collections
TEST_F(RealSourceCorpusTest, PhpLibrary) {
    const char* root = SourcesRoot("QM_PHP_SOURCES", QM_PHP_SOURCES_DEFAULT);
    if (root == nullptr) {
        GTEST_SKIP() << "no PHP library (QM_PHP_SOURCES, php-doctrine-collections)";
    }
    std::vector<std::string> files = FilesBelow(root, ".php");
    ASSERT_GT(files.size(), 5u);
    document_ = std::make_unique<test::FakeDocument>(kRevKeepMethodCode);
    parser_ = std::make_unique<SourceParser>(document_.get(), kLangPhp);
    ParseAll(*parser_, files);
    // Real code of the language's generation reads without a single report.
    EXPECT_EQ(Errors(), V{});
    size_t classes = 0;
    for (SourceSymbol* s = parser_->First(); s != nullptr; s = parser_->Next()) {
        classes += s->kind == kNodeClass || s->kind == kNodeInterface;
    }
    EXPECT_GT(classes, files.size() / 2);
    // A spot check where the library is php-doctrine-collections.
    if (SourceSymbol* collection = Top("ArrayCollection")) {
        V links;
        size_t publicMethods = 0;
        for (const SourceSymbol* c = collection->firstChild.get(); c != nullptr;
             c = c->next.get()) {
            if (c->kind == kNodeImplements || c->kind == kNodeBaseClass) {
                links.push_back(Describe(*c));
            }
            publicMethods += c->kind == kNodeMethod && (c->flags & kModPublic) != 0;
        }
        EXPECT_EQ(links, (V{"3 Collection 0 - -", "3 Selectable 0 - -", "3 Stringable 0 - -"}));
        EXPECT_GT(publicMethods, 30u);
        EXPECT_NE(collection->FindChild(kLangPhp, "filter"), nullptr);
    }
}

} // namespace
} // namespace qm
