// The C++ and IDL parsers over real code not written for this project: the
// installed Qt 6 (QtCore, QtGui, QtWidgets), GoogleTest and libstdc++
// container headers, built into a real project and laid out, and the
// installed CORBA services IDL files. The whole run must end without a
// crash, a hang or a sanitizer report; the IDL files must parse without a
// single error, and QString must come out with its public methods.
#include "DocumentProjectFixture.h"
#include "ReverseTestSupport.h"

#include "reverse/DocumentReverseProject.h"

#include "model/Members.h"
#include "platform/Log.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

namespace qm {
namespace {

// Every regular file under the folders (recursively) and the single files
// given, sorted.
std::vector<std::string> FilesUnder(const std::vector<std::string>& roots,
                                    const std::string& extension = "") {
    std::vector<std::string> files;
    for (const std::string& root : roots) {
        std::error_code error;
        if (std::filesystem::is_regular_file(root, error)) {
            files.push_back(root);
            continue;
        }
        if (!std::filesystem::is_directory(root, error)) {
            continue;
        }
        for (auto it = std::filesystem::recursive_directory_iterator(root, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_regular_file(error) &&
                (extension.empty() || it->path().extension() == extension)) {
                files.push_back(it->path().string());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> ErrorLines(const std::string& log) {
    std::vector<std::string> lines;
    for (size_t at = log.find("*** ERROR"); at != std::string::npos;
         at = log.find("*** ERROR", at + 1)) {
        lines.push_back(log.substr(at, log.find("\r\n", at) - at));
    }
    return lines;
}

class RealCodeTest : public test::DocumentProjectTest {};

TEST_F(RealCodeTest, InstalledCppHeadersParseAndQStringHasItsPublicMethods) {
    const std::string qt = "/usr/include/x86_64-linux-gnu/qt6/";
    const std::string std = "/usr/include/c++/12/";
    std::vector<std::string> roots = {qt + "QtCore", qt + "QtGui", qt + "QtWidgets",
                                      "/usr/include/gtest", "/usr/include/gmock"};
    for (const char* name : {"array",
                             "bitset",
                             "deque",
                             "forward_list",
                             "list",
                             "map",
                             "queue",
                             "set",
                             "stack",
                             "unordered_map",
                             "unordered_set",
                             "vector",
                             "bits/stl_vector.h",
                             "bits/stl_list.h",
                             "bits/stl_deque.h",
                             "bits/stl_map.h",
                             "bits/stl_set.h",
                             "bits/stl_tree.h",
                             "bits/hashtable.h",
                             "bits/unordered_map.h",
                             "bits/stl_queue.h",
                             "bits/stl_stack.h",
                             "bits/forward_list.h"}) {
        roots.push_back(std + name);
    }
    const std::vector<std::string> files = FilesUnder(roots);
    if (files.size() < 500) {
        GTEST_SKIP() << "the Qt 6, GoogleTest and libstdc++ headers are not installed";
    }
    // One parser for the whole run, as the driver keeps it, into a real project.
    auto doc = NewProject();
    doc->Profile().flags = 0;
    DocumentReverseProject project(*doc);
    SourceParser parser(&project, kLangCpp);
    for (const std::string& path : files) {
        parser.ParseSourceFile(path);
        EXPECT_EQ(parser.Token(), kTokEnd) << path;
    }
    // Real headers of today's C++ read without a single report.
    const std::vector<std::string> errors = ErrorLines(log.Text());
    EXPECT_EQ(errors.size(), 0u);
    for (size_t i = 0; i < errors.size() && i < 40; ++i) {
        ADD_FAILURE() << errors[i];
    }

    const SourceSymbol* qstring = parser.Find(kLangCpp, "QString", std::nullopt);
    while (qstring != nullptr && !(qstring->kind == kNodeClass && qstring->firstChild)) {
        qstring = qstring->sameName.get();
    }
    ASSERT_NE(qstring, nullptr);
    EXPECT_EQ(qstring->text2, qt + "QtCore/qstring.h");
    std::set<std::string> publicMethods;
    for (const SourceSymbol* c = qstring->firstChild.get(); c != nullptr; c = c->next.get()) {
        if (c->kind == kNodeMethod && (c->flags & kModPublic) != 0) {
            publicMethods.insert(c->name);
        }
    }
    for (const char* name : {"QString", "~QString", "size", "isEmpty", "append", "arg", "mid",
                             "left", "indexOf", "toUtf8", "fromUtf8", "number",
                             "operator=", "operator+=", "clear", "toInt", "split", "replace"}) {
        EXPECT_TRUE(publicMethods.count(name)) << name;
    }
    const SourceSymbol* size = qstring->FindChild(kLangCpp, "size");
    ASSERT_NE(size, nullptr);
    ASSERT_TRUE(size->text1);
    EXPECT_TRUE(size->text1->ends_with("qsizetype")) << *size->text1;
    EXPECT_NE(size->flags & kModConst, 0);
    // A class with bases: QWidget derives from QObject and QPaintDevice.
    const SourceSymbol* widget = parser.Find(kLangCpp, "QWidget", std::nullopt);
    while (widget != nullptr && !(widget->kind == kNodeClass && widget->firstChild)) {
        widget = widget->sameName.get();
    }
    ASSERT_NE(widget, nullptr);
    std::set<std::string> bases;
    for (const SourceSymbol* c = widget->firstChild.get(); c != nullptr; c = c->next.get()) {
        if (c->kind == kNodeBaseClass) {
            bases.insert(c->name);
        }
    }
    EXPECT_EQ(bases, (std::set<std::string>{"QObject", "QPaintDevice"}));

    // The masters, built and laid out as the driver does: QString's master
    // has its public methods.
    project.MarkDrawables(1);
    parser.BuildModelFromParse(&project, project.CurrentModel());
    project.MarkModels(0);
    project.LayoutModel(project.CurrentModel(), 1, 1);
    Master* master = project.FindMaster(parser.ClassTool(), "QString", "");
    ASSERT_NE(master, nullptr);
    std::set<std::string> methods;
    for (const auto& method : master->methods) {
        if (method->access == AccessPublic) {
            methods.insert(method->name);
        }
    }
    for (const std::string& name : publicMethods) {
        EXPECT_TRUE(methods.count(name)) << name;
    }
    EXPECT_GT(doc->Masters().Masters().size(), 1000u);
    // No two masters of one qualified name; std::vector with its public
    // methods; QAbstractItemModel with its virtual methods.
    std::set<std::string> names;
    size_t classes = 0;
    size_t methodCount = 0;
    size_t attributeCount = 0;
    for (const auto& m : doc->Masters().Masters()) {
        EXPECT_TRUE(
            names.insert(std::to_string(m->Kind()) + " " + m->nameSpace + "::" + m->name).second)
            << m->nameSpace << "::" << m->name;
        if (m->Kind() == parser.ClassTool() || m->Kind() == parser.ClassTool() + 1) {
            ++classes;
            methodCount += m->methods.size();
            attributeCount += m->attributes.size();
        }
    }
    std::printf("C++ corpus: %zu files, %zu classes, %zu methods, %zu attributes\n", files.size(),
                classes, methodCount, attributeCount);
    auto publicMethodsOf = [&](const std::string& name, const std::string& nameSpace) {
        std::set<std::string> found;
        for (int tool : {parser.ClassTool(), parser.ClassTool() + 1}) {
            if (Master* m = project.FindMaster(tool, name, nameSpace)) {
                for (const auto& method : m->methods) {
                    if (method->access == AccessPublic) {
                        found.insert(method->name);
                    }
                }
            }
        }
        return found;
    };
    const std::set<std::string> vector = publicMethodsOf("vector", "std");
    for (const char* name : {"push_back", "size", "reserve", "emplace_back", "begin", "insert",
                             "erase", "operator[]", "capacity", "clear"}) {
        EXPECT_TRUE(vector.count(name)) << "std::vector::" << name;
    }
    const std::set<std::string> model = publicMethodsOf("QAbstractItemModel", "");
    for (const char* name : {"index", "parent", "rowCount", "columnCount", "data", "setData",
                             "headerData", "flags", "insertRows", "removeRows"}) {
        EXPECT_TRUE(model.count(name)) << "QAbstractItemModel::" << name;
    }
    EXPECT_NE(doc->CurrentModel()->FindPlaceOfMaster(master), nullptr);
}

TEST_F(RealCodeTest, InstalledCorbaIdlFilesParseWithoutErrors) {
    const std::vector<std::string> files = FilesUnder({"/usr/share/idl/omniORB"}, ".idl");
    if (files.size() < 20) {
        GTEST_SKIP() << "the CORBA services IDL files (omniorb-idl) are not installed";
    }
    SourceParser parser(nullptr, kLangIdl);
    for (const std::string& path : files) {
        parser.ParseSourceFile(path);
    }
    EXPECT_EQ(ErrorLines(log.Text()), std::vector<std::string>{});
    // The naming service: module CosNaming with its NamingContext interface.
    const SourceSymbol* naming = parser.Find(kLangIdl, "CosNaming", std::nullopt);
    ASSERT_NE(naming, nullptr);
    EXPECT_EQ(naming->kind, kNodePackage);
    const SourceSymbol* context = naming->FindChild(kLangIdl, "NamingContext");
    while (context != nullptr && !(context->kind == kNodeInterface && context->firstChild)) {
        context = context->next.get();
    }
    ASSERT_NE(context, nullptr);
    const SourceSymbol* resolve = context->FindChild(kLangIdl, "resolve");
    ASSERT_NE(resolve, nullptr);
    EXPECT_EQ(resolve->kind, kNodeMethod);
    EXPECT_EQ(resolve->text1, "Object");
    std::vector<std::string> raises;
    for (const SourceSymbol* c = resolve->firstChild.get(); c != nullptr; c = c->next.get()) {
        if (c->kind == kNodeException) {
            raises.push_back(c->name);
        }
    }
    EXPECT_EQ(raises, (std::vector<std::string>{"NotFound", "CannotProceed", "InvalidName"}));
}

} // namespace
} // namespace qm
