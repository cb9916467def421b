// Repository items and the listing file: the fields of an entry, the props
// fields, the header, entries that must be refused, read-time evaluation kept
// off, the old-format notice, and loading an item's children from the test
// server.
#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "repository/RepositoryItem.h"
#include "repository/RepositorySession.h"
#include "tests/repository/RepositoryTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

const char kHeader[] = "(Vaultkeep \"2.0\" repository)\n";

class ListingTest : public ::testing::Test {
  protected:
    ListingTest() : prompts_(&prompts) {
        if (!kest::kernelready())
            kest::initkernel();
        RepositoryItem::ResetOldFormatSeen();
    }
    ~ListingTest() override { RepositoryItem::ResetOldFormatSeen(); }

    // Reads a listing of the given text into item; false when the read was
    // refused (the failure check showed its message).
    bool Read(RepositoryItem& item, const std::string& text) {
        const std::string path = folder / "listing.rep";
        EXPECT_TRUE(WriteFileReplacing(path, text));
        try {
            item.ReadListing(path, false);
            return true;
        } catch (const CIgnoreException&) {
            return false;
        }
    }

    ScratchFolder folder;
    HeadlessPrompts prompts;

  private:
    ScopedPromptService prompts_;
};

TEST_F(ListingTest, EntriesAreReadIntoChildren) {
    RepositoryItem root;
    ASSERT_TRUE(
        Read(root, std::string(kHeader) +
                       "(folder \"Team\" 0 (props \"\" \"ann\" (2026 3 4 5 6 7) \"A folder\"))\n"
                       "(version \"000002\" 2 (props \"000001:000002::\" \"bob\" (2025 12 31 "
                       "23 59 58) \"Fixed ^\"it^\"\"))\n"));
    ASSERT_EQ(root.children.size(), 2u);
    const RepositoryItem& team = *root.children[0];
    EXPECT_EQ(team.kind, kItemFolder);
    EXPECT_EQ(team.name, "Team");
    EXPECT_EQ(team.who, "ann");
    EXPECT_EQ(team.comment, "A folder");
    EXPECT_EQ(team.FormatTime(), "04 Mar 2026, 05:06:07");
    EXPECT_STREQ(team.StableText(), "");
    const RepositoryItem& version = *root.children[1];
    EXPECT_EQ(version.kind, kItemVersion);
    EXPECT_STREQ(version.StableText(), "Y");
    EXPECT_EQ(version.comment, "Fixed \"it\"");
    EXPECT_EQ(version.FormatTime(), "31 Dec 2025, 23:59:58");
    EXPECT_EQ(root.FindChild("000002"), root.children[1].get());
    EXPECT_EQ(root.FindChild("team"), nullptr);
    EXPECT_TRUE(prompts.asked.empty());

    // Written and read back, the entries are the same.
    const std::string copy = folder / "copy.rep";
    root.ReadListing(copy, true);
    RepositoryItem again;
    again.ReadListing(copy, false);
    ASSERT_EQ(again.children.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(again.children[i]->kind, root.children[i]->kind);
        EXPECT_EQ(again.children[i]->name, root.children[i]->name);
        EXPECT_EQ(again.children[i]->flags, root.children[i]->flags);
        EXPECT_EQ(again.children[i]->props, root.children[i]->props);
        EXPECT_EQ(again.children[i]->time, root.children[i]->time);
        EXPECT_EQ(again.children[i]->comment, root.children[i]->comment);
    }
}

TEST_F(ListingTest, PropsFields) {
    struct Case {
        const char* props;
        const char* base;
        const char* current;
        const char* revised;
        const char* merged;
    };
    const Case cases[] = {
        {"1:2::4", "1", "2", "", "4"},
        {"000001:000002:000003:000004", "000001", "000002", "000003", "000004"},
        {":2:3:4", "", "2", "3", "4"},
        {"1:2:3", "1", "2", "", "3"},
        {"1:", "1", "", "", ""},
        {"plain", "", "", "", ""},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        RepositoryItem item;
        item.props = c.props;
        EXPECT_EQ(item.BaseField(), c.base) << c.props;
        EXPECT_EQ(item.CurrentField(), c.current) << c.props;
        EXPECT_EQ(item.RevisedField(), c.revised) << c.props;
        EXPECT_EQ(item.MergedField(), c.merged) << c.props;
    }
}

TEST_F(ListingTest, AMissingCacheFileIsCreatedWithTheHeader) {
    const std::string path = folder / "cache.rep";
    RepositoryItem item;
    item.ReadListing(path, false);
    EXPECT_TRUE(item.children.empty());
    EXPECT_EQ(ReadWholeFile(path, 1000).value_or("?"), kHeader);
}

// Listings that are refused, each with the failure check's text.
TEST_F(ListingTest, BadListingsAreRefused) {
    const std::string entryTail = " (props \"p\" \"w\" (2026 1 2 3 4 5) \"c\"))\n";
    struct Case {
        std::string text;
        const char* what;
    };
    const Case cases[] = {
        {"(Vaultkeep \"2.0\" project)\n", "bad file header"},
        {"(Vaultkeep \"9.0\" repository)\n",
         "can't open a version 9.0 file using version 2.0 software"},
        {"42\n", "bad file header"},
        {std::string(kHeader) + "(thing \"a\" 0" + entryTail,
         "folder, project, or version sym expected"},
        {std::string(kHeader) + "42\n", "folder, project, or version sym expected"},
        {std::string(kHeader) + "(folder a 0" + entryTail, "name string expected"},
        {std::string(kHeader) + "(folder)\n", "name string expected"},
        {std::string(kHeader) + "(folder \"a\" \"0\"" + entryTail, "stable integer expected"},
        {std::string(kHeader) + "(folder \"a\" 0 (prop \"p\" \"w\" (2026 1 2 3 4 5) \"c\"))\n",
         "props sym expected"},
        {std::string(kHeader) + "(folder \"a\" 0 (props \"p\" \"w\" (2026 1) \"c\"))\n",
         "time list expected"},
        {std::string(kHeader) + "(folder \"a\" 0 (props \"p\" \"w\"))\n", "time list expected"},
        {std::string(kHeader) + "(folder \"a\" 0 (props \"p\" \"w\" (-5 1 2 3 4 5) \"c\"))\n",
         "time list expected"},
        {std::string(kHeader) + "(folder \"a\" 0 (props \"p\" \"w\" (2026 1 2 3 4 5)))\n",
         "comment string expected"},
        // Read-time evaluation is off: the form after # is not evaluated, so
        // the comment is a list, not the string it would compute.
        {std::string(kHeader) +
             "(folder \"a\" 0 (props \"p\" \"w\" (2026 1 2 3 4 5) #(car '(\"ran\"))))\n",
         "comment string expected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        prompts.asked.clear();
        RepositoryItem item;
        EXPECT_FALSE(Read(item, c.text));
        ASSERT_EQ(prompts.asked.size(), 1u);
        EXPECT_NE(prompts.asked[0].find(c.what), std::string::npos) << prompts.asked[0];
        EXPECT_TRUE(kest::readtimeevaluation);
    }
}

TEST_F(ListingTest, TheOldFormatNoticeFollowsEveryLaterRead) {
    RepositoryItem item;
    ASSERT_TRUE(Read(item, std::string(kHeader) +
                               "(version \"1\" 0 (props \"\" \"w\" (2026 1 2 3 4 5) \"\"))\n"));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].rfind("Your repository contains old format versioning", 0), 0u);
    RepositoryItem clean;
    ASSERT_TRUE(Read(clean, kHeader));
    EXPECT_EQ(prompts.asked.size(), 2u);
}

TEST_F(ListingTest, LoadChildrenFromTheServer) {
    testing::TestServer server;
    testing::FakeHost host;
    testing::FakeStamps stamps;
    host.port = server.PortText();
    host.cacheFile = folder / "cache.rep";
    RepositorySession session(host, stamps);

    RepositoryItem root;
    root.LoadChildren(session, "");
    EXPECT_TRUE(root.children.empty());
    EXPECT_EQ(root.flags & kItemChildrenLoaded, kItemChildrenLoaded);

    // An error is shown, not passed on, and the item stays unloaded.
    RepositoryItem missing;
    missing.LoadChildren(session, "Nowhere\\");
    EXPECT_EQ(missing.flags & kItemChildrenLoaded, 0u);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "No such item");
}

} // namespace
} // namespace qm
