// The Vx built-ins register through the kernel's registration step with the
// names and calling kinds of the kernel's table.
#include "ScriptingFixture.h"

#include <string>
#include <vector>

namespace qm::test {
namespace {

// The kernel's table of the 51 model-access built-ins in registration order:
// kind 5 for VxList, VxFind, VxWriteLog, VxMakeComment and VxDelete; kind 6
// for VxTry, VxScope and the sixteen makers; kind 4 for the rest.
const std::vector<std::pair<std::string, int>> kKernelTable = {
    {"VxList", 5},          {"VxFind", 5},         {"VxProps", 4},        {"VxSortRefs", 4},
    {"VxLooks", 4},         {"VxMarked", 4},       {"VxMark", 4},         {"VxUnmark", 4},
    {"VxMarkAll", 4},       {"VxUnmarkAll", 4},    {"VxWriteLog", 5},     {"VxShowLog", 4},
    {"VxClearLog", 4},      {"VxTry", 6},          {"VxScope", 6},        {"VxClearTree", 4},
    {"VxAddTree", 4},       {"VxAssociations", 4}, {"VxMakeName", 4},     {"VxMakeComment", 5},
    {"VxIndentText", 4},    {"VxDate", 4},         {"VxDateParts", 4},    {"VxProject", 4},
    {"VxProjectFile", 4},   {"VxCreateImage", 4},  {"VxMergeFiles", 4},   {"VxNewGuid", 4},
    {"VxMakeProject", 4},   {"VxSaveProject", 4},  {"VxMakeModel", 6},    {"VxSelectModel", 4},
    {"VxCalcModel", 4},     {"VxLayoutModel", 4},  {"VxMakeMaster", 6},   {"VxClearMaster", 4},
    {"VxMakeAttribute", 6}, {"VxMakeType", 6},     {"VxMakeMethod", 6},   {"VxMakeException", 6},
    {"VxMakePlace", 6},     {"VxMakeLink", 6},     {"VxMakeJunction", 6}, {"VxMakeTag", 6},
    {"VxMakeMessage", 6},   {"VxMakeLine", 6},     {"VxMakeText", 6},     {"VxMakeBox", 6},
    {"VxMakePrimGroup", 6}, {"VxMakeSwimlane", 6}, {"VxDelete", 5},
};

class RegistrationTest : public ScriptingTest {};

TEST_F(RegistrationTest, TheTableHoldsTheKernelsNamesAndKindsInOrder) {
    const auto table = VxBuiltinTable();
    ASSERT_EQ(table.size(), kKernelTable.size());
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].name, kKernelTable[i].first) << i;
        EXPECT_EQ(table[i].kind, kKernelTable[i].second) << table[i].name;
    }
}

// Every name of the kernel's table answers a script with its calling kind.
TEST_F(RegistrationTest, AllFiftyOneAreRegisteredWithTheirCallingKinds) {
    std::vector<std::string> missing;
    for (const auto& [name, kind] : kKernelTable) {
        kest::Symbol* s = kest::findsym(name.c_str());
        if (s == nullptr || s->handler == nullptr) {
            missing.push_back(name);
            continue;
        }
        EXPECT_EQ(s->kind(), kind) << name;
    }
    EXPECT_TRUE(missing.empty()) << "not registered: " << ::testing::PrintToString(missing);
}

TEST_F(RegistrationTest, EveryBuiltInWithAHandlerIsRegisteredAsAKeptSymbol) {
    int registered = 0;
    for (const VxEntry& entry : VxBuiltinTable()) {
        kest::Symbol* s = kest::findsym(entry.name);
        if (entry.handler == nullptr) {
            EXPECT_EQ(s, nullptr) << entry.name;
            continue;
        }
        ++registered;
        ASSERT_NE(s, nullptr) << entry.name;
        EXPECT_EQ(s->kind(), entry.kind) << entry.name;
        EXPECT_EQ(s->handler, entry.handler) << entry.name;
        EXPECT_EQ(s->flag, 1) << entry.name;
    }
    EXPECT_GT(registered, 0);
    // They survive the purge after a run.
    kest::purgesymbols();
    EXPECT_NE(kest::findsym("VxMergeFiles"), nullptr);
    // Without the registration step the kernel has none of them.
    kest::initkernel();
    EXPECT_EQ(kest::findsym("VxMergeFiles"), nullptr);
}

} // namespace
} // namespace qm::test
