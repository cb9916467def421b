// The failure check and the shared exceptions, run headless.
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace qm {
namespace {

struct FailureCheck : ::testing::Test {
    HeadlessPrompts prompts;
    ScopedPromptService promptScope{&prompts};
    RecordingLogSink log;
    ScopedLogSink logScope{&log};
};

TEST_F(FailureCheck, SuccessShowsNothingAndKeepsLastError) {
    errno = ENOENT;
    ReportOperationFailure(true, "anything", true);
    ReportOperationFailure(true, "anything", false);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(FailureCheck, FatalLogsExactTextAndThrowsIgnore) {
    errno = ENOENT;
    EXPECT_THROW(ReportOperationFailure(false, "masters sym expected", true), CIgnoreException);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0],
              std::string("Operation failed: masters sym expected.\n") + std::strerror(ENOENT));
    EXPECT_NE(log.Text().find("Operation failed: masters sym expected."), std::string::npos);
}

TEST_F(FailureCheck, NullWhatGivesEmptyFirstField) {
    errno = 0;
    EXPECT_THROW(ReportOperationFailure(false, nullptr, true), CIgnoreException);
    ASSERT_EQ(prompts.asked.size(), 1u);
    // No system call failed: no system error text ("Success") follows.
    EXPECT_EQ(prompts.asked[0], "Operation failed: .");
}

TEST_F(FailureCheck, NonFatalReturnsOnYesAndThrowsOnNo) {
    errno = EACCES;
    prompts.Script(PromptAnswer::Yes);
    EXPECT_NO_THROW(ReportOperationFailure(false, "can't close clipboard", false));
    prompts.Script(PromptAnswer::No);
    EXPECT_THROW(ReportOperationFailure(false, "can't close clipboard", false), CIgnoreException);
    ASSERT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(prompts.asked[1], std::string("Operation failed: can't close clipboard.\n") +
                                    std::strerror(EACCES) +
                                    "\nDo you want to continue (not recommended)?");
}

TEST(KestException, GetErrorMessageBounds) {
    CKestException withMessage("GUID map lookup failed", 0);
    char one[1] = {'x'};
    EXPECT_TRUE(withMessage.GetErrorMessage(one, 1));
    EXPECT_EQ(one[0], '\0');
    char small[5];
    EXPECT_TRUE(withMessage.GetErrorMessage(small, sizeof small));
    EXPECT_STREQ(small, "GUID");

    CKestException none;
    char buffer[8] = "junk";
    EXPECT_FALSE(none.GetErrorMessage(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(none.GetCode(), 0);
    EXPECT_EQ(CKestException("m", 7).GetCode(), 7);
}

TEST(KestException, OwnsItsMessage) {
    std::string text = "first";
    CKestException e(text);
    text = "second";
    EXPECT_EQ(e.Message(), "first");
    EXPECT_STREQ(e.what(), "first");
}

} // namespace
} // namespace qm
