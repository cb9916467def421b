// A whole round against the test server: log in, create a folder, check a
// project in, list it, check it out elsewhere, mark the version stable,
// delete it and log out.
#include "kernel/Kernel.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "repository/RepositoryItem.h"
#include "repository/RepositorySession.h"
#include "tests/repository/RepositoryTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(RepositoryEndToEnd, CheckInListCheckOutBaselineDelete) {
    if (!kest::kernelready())
        kest::initkernel();
    HeadlessPrompts prompts;
    ScopedPromptService installed(&prompts);
    testing::TestServer server;
    ASSERT_TRUE(server.Running());
    ScratchFolder work;
    testing::FakeHost host;
    testing::FakeStamps stamps;
    host.port = server.PortText();
    host.cacheFile = work / "cache.rep";
    RepositorySession session(host, stamps);

    std::string name = "tester@loopback";
    EXPECT_EQ(session.Login("8.0", "840", name, "secret"), 1);
    EXPECT_EQ(session.SessionId(), 7u);

    session.CreateFolder("Team\\", "Our models");

    // A project file with bytes of every value, larger than one packet.
    std::string bytes = "(Quillmark \"8.0\" project)\n";
    for (int i = 0; i < 20000; ++i)
        bytes += static_cast<char>(i * 31 % 256);
    ASSERT_TRUE(MakeDirectories(work / "mine"));
    const std::string mine = work / "mine/Shop.pro";
    ASSERT_TRUE(WriteFileReplacing(mine, bytes));
    std::string version;
    ASSERT_TRUE(session.CheckIn("Team\\Shop\\", "first", mine, false, version));
    EXPECT_EQ(version, "Team\\Shop\\000001\\");

    RepositoryItem root;
    root.LoadChildren(session, "");
    ASSERT_NE(root.FindChild("Team"), nullptr);
    RepositoryItem& team = *root.FindChild("Team");
    EXPECT_EQ(team.kind, kItemFolder);
    EXPECT_EQ(team.comment, "Our models");
    team.LoadChildren(session, "Team\\");
    ASSERT_NE(team.FindChild("Shop"), nullptr);
    RepositoryItem& shop = *team.FindChild("Shop");
    EXPECT_EQ(shop.kind, kItemProject);
    shop.LoadChildren(session, "Team\\Shop\\");
    ASSERT_EQ(shop.children.size(), 1u);
    EXPECT_EQ(shop.children[0]->name, "000001");
    EXPECT_EQ(shop.children[0]->kind, kItemVersion);
    EXPECT_STREQ(shop.children[0]->StableText(), "");

    ASSERT_TRUE(MakeDirectories(work / "other"));
    const std::string theirs = work / "other/Shop.pro";
    ASSERT_TRUE(session.CheckOut("Team\\Shop\\", "", theirs, true));
    EXPECT_EQ(ReadWholeFile(theirs, 1 << 20).value_or("?"), bytes);
    EXPECT_TRUE(IsReadOnlyFile(theirs) || ::geteuid() == 0);

    session.Baseline(version, true);
    EXPECT_EQ(host.shownPaths.back(), version);
    shop.DeleteChildren();
    shop.LoadChildren(session, "Team\\Shop\\");
    ASSERT_EQ(shop.children.size(), 1u);
    EXPECT_STREQ(shop.children[0]->StableText(), "Y");

    session.DeleteItem(version, "version");
    shop.DeleteChildren();
    shop.LoadChildren(session, "Team\\Shop\\");
    EXPECT_TRUE(shop.children.empty());

    session.Logout();
    EXPECT_EQ(session.SessionId(), 0u);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_FALSE(host.progressVisible);
}

} // namespace
} // namespace qm
