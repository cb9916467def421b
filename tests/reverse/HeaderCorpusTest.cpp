// Tokenizes every installed Qt 6 and GoogleTest header in each language: a
// large body of real source that must pass without a crash, a hang or a
// sanitizer report.
#include "ReverseTestSupport.h"

#include "platform/Log.h"
#include "reverse/SourceLanguage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace qm {
namespace {

std::vector<std::string> InstalledHeaders() {
    std::vector<std::string> files;
    for (const char* root :
         {"/usr/include/x86_64-linux-gnu/qt6", "/usr/include/gtest", "/usr/include/gmock"}) {
        std::error_code error;
        if (!std::filesystem::is_directory(root, error)) {
            continue;
        }
        for (auto it = std::filesystem::recursive_directory_iterator(root, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_regular_file(error)) {
                files.push_back(it->path().string());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(HeaderCorpusTest, EveryInstalledHeaderTokenizesInEveryLanguage) {
    const std::vector<std::string> files = InstalledHeaders();
    if (files.size() < 100) {
        GTEST_SKIP() << "the Qt 6 and GoogleTest headers are not installed";
    }
    RecordingLogSink log;
    ScopedLogSink scope(&log);
    for (int language : {1, 2, 4, 8, 16, 32, 64}) {
        SourceParser parser(nullptr, language);
        size_t tokens = 0;
        for (const std::string& path : files) {
            ASSERT_TRUE(parser.OpenSourceFile(path)) << path;
            for (int token = parser.GetToken(); token != kTokEnd; token = parser.GetToken()) {
                ++tokens;
                ASSERT_LE(parser.CurrentText().size(), SourceParser::kMaxTokenLength);
                ASSERT_LE(parser.CommentBuffer().size(), SourceParser::kMaxCommentLength);
            }
            parser.TakeComment();
            EXPECT_EQ(parser.CloseSourceFile(), 0);
        }
        EXPECT_GT(tokens, files.size()) << LanguageName(language);
    }
    // Nothing is reported for real headers, whatever their line lengths.
    EXPECT_EQ(log.Text().find("*** ERROR"), std::string::npos) << log.Text().substr(0, 2000);
}

} // namespace
} // namespace qm
