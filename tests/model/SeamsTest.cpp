// The seams above the model: the journal kinds table, and installing
// implementations for a scope (nested scopes restore in order, the defaults
// answer with nothing).
#include "model/ChangeJournal.h"
#include "model/OperationMenu.h"
#include "platform/ScopedInstall.h"
#include "platform/UserSettings.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace qm::test {
namespace {

TEST(ChangeKinds, OneRowPerKindInNumberOrder) {
    std::set<std::string> constants;
    for (int number = 0; number < kChangeKindCount; ++number) {
        const auto kind = ChangeKindFromNumber(number);
        ASSERT_TRUE(kind.has_value()) << number;
        EXPECT_EQ(static_cast<int>(*kind), number);
        const std::string constant = ChangeKindName(*kind);
        EXPECT_EQ(constant.rfind("JK_", 0), 0u) << constant;
        EXPECT_TRUE(constants.insert(constant).second) << constant;
    }
    for (int number : {-1, kChangeKindCount, 1000})
        EXPECT_FALSE(ChangeKindFromNumber(number).has_value()) << number;

    struct Case {
        ChangeKind kind;
        const char* constant;
        const char* description;
    } cases[] = {
        {ChangeKind::ProjectSaved, "JK_PROJECT_SAVED", "(Project Saved)"},
        {ChangeKind::Create, "JK_CREATE", "Create Place"},
        {ChangeKind::Reshape4, "JK_RESHAPE_4", ""},
        {ChangeKind::UndoneCreate, "JK_UNDONE_CREATE", ""},
        {ChangeKind::Annotation, "JK_ANNOTATION", "Annotation"},
        {ChangeKind::AnnotationMultiple, "JK_ANNOTATION_MULTIPLE", "Annotation (multiple)"},
        {ChangeKind::AddJunction, "JK_ADD_JUNCTION", "Add Junction"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(ChangeKindName(c.kind), c.constant);
        EXPECT_STREQ(ChangeKindDescription(c.kind), c.description);
    }
    EXPECT_STREQ(InfoOf(ChangeKind::IconEdit).descriptions[3], "Icon Delete");
    EXPECT_EQ(InfoOf(ChangeKind::IconEdit).descriptions[4], nullptr);
}

struct CountingMenu : OperationMenu {
    void Clear() override { ++cleared; }
    int cleared = 0;
};

TEST(ScopedInstall, NestedScopesRestoreInOrderAndTheDefaultAnswersWithNothing) {
    CountingMenu outer, inner;
    OperationsMenu().Clear(); // the default ignores it
    {
        ScopedInstall<OperationMenu> first(&outer);
        OperationsMenu().Clear();
        {
            ScopedInstall<OperationMenu> second(&inner);
            OperationsMenu().Clear();
        }
        OperationsMenu().Clear();
    }
    OperationsMenu().Clear();
    EXPECT_EQ(outer.cleared, 2);
    EXPECT_EQ(inner.cleared, 1);

    EXPECT_EQ(Settings().OptionWord(), 0u);
    FixedUserSettings settings(ShowNamespace | ShadowPlaces, 8);
    {
        ScopedInstall<const UserSettings> installed(&settings);
        EXPECT_TRUE(OptionSet(ShowNamespace));
        EXPECT_FALSE(OptionSet(HideClassArguments));
        EXPECT_EQ(Settings().SnapSize(), 8);
    }
    EXPECT_FALSE(OptionSet(ShowNamespace));
    Journal().RecordChange(nullptr, ChangeKind::Annotation, "Annotation", nullptr, nullptr);
}

} // namespace
} // namespace qm::test
