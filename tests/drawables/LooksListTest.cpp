// The list form of looks: round trips through the printed list syntax,
// the face table growing on unknown names, and malformed lists.
#include "drawables/LooksList.h"
#include "drawables/FontFaceTable.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct LooksListTest : ::testing::Test {
    LooksListTest() {
        kest::initkernel();
        table.Init();
    }
    FontFaceTable table;
    ScopedInstall<FontFaceTable> tableScope{&table};
    RecordingLogSink log;
    ScopedLogSink logScope{&log};
    HeadlessPrompts prompts;
    ScopedPromptService promptScope{&prompts};

    kest::Cell* Read(const std::string& text) {
        kest::LocalChannel channel(text, kest::ChanRead);
        return kest::readexpr(channel.get());
    }

    // Writes looks, prints the list, reads it back and fills fresh looks.
    Looks RoundTrip(Looks looks, std::string* printed = nullptr) {
        const std::string text = kest::printstring(lookslist(looks, kest::nil));
        if (printed != nullptr)
            *printed = text;
        Looks back;
        back.Init(true, nullptr);
        EXPECT_EQ(lookslist(back, Read(text)), kest::nil);
        return back;
    }
};

Looks Defaults() {
    Looks l;
    l.Init(false, nullptr);
    return l;
}

TEST_F(LooksListTest, RoundTrips) {
    std::string printed;
    EXPECT_EQ(RoundTrip(Defaults(), &printed), Defaults());
    EXPECT_EQ(printed, "(nil 1 -12 0 0 4 15 0)"); // face 1 is nil

    Looks inherit;
    inherit.Init(true, nullptr);
    EXPECT_EQ(RoundTrip(inherit, &printed), inherit);
    EXPECT_EQ(printed, "(nil 1 -12 32 18 12 18 18)");

    Looks direct = Defaults();
    direct.face = 0;
    direct.alignment = 2;
    direct.height = -32768;
    direct.style = kStyleBold | kStyleHyperlink;
    direct.lineColor = 0x00C0FFEE;
    direct.fillColor = 0x00FFFFFF;
    direct.textColor = 0x00FF5555; // a direct text colour keeps all its bits
    direct.lineKind = 11;
    EXPECT_EQ(RoundTrip(direct, &printed), direct);
    EXPECT_EQ(printed.rfind("(\"MS Sans Serif\" 2 -32768 65 ", 0), 0u) << printed;
}

TEST_F(LooksListTest, FillingTakesLowBitsAndReturnsTheRest) {
    Looks l = Defaults();
    kest::Cell* rest = lookslist(l, Read("(nil 257 131060 511 -1 260 19 16777215 x y)"));
    EXPECT_EQ(kest::printstring(rest), "(x y)");
    EXPECT_EQ(l.face, 1);
    EXPECT_EQ(l.alignment, 1); // low byte of 257
    EXPECT_EQ(l.height, -12);  // low 16 bits of 0x1FFF4
    EXPECT_EQ(l.style, 0xFF);  // low byte of 511
    EXPECT_EQ(l.lineColor, 0xFFFFFFFFu);
    EXPECT_EQ(l.lineKind, 4); // low byte of 260
    EXPECT_EQ(l.fillColor, 19u);
    EXPECT_EQ(l.textColor, 0x00FFFFFFu);
}

TEST_F(LooksListTest, UnknownFaceJoinsTheTable) {
    Looks l = Defaults();
    lookslist(l, Read("(\"Comic Quill\" 0 -10 0 0 4 15 0)"));
    EXPECT_EQ(table.FaceCount(), 3);
    EXPECT_EQ(l.face, 2);
    EXPECT_EQ(table.FaceName(2), "Comic Quill");
    Looks again = Defaults();
    lookslist(again, Read("(\"Comic Quill\" 0 -10 0 0 4 15 0)"));
    EXPECT_EQ(again.face, 2);
    EXPECT_EQ(table.FaceCount(), 3);
}

TEST_F(LooksListTest, MalformedListsChangeNothing) {
    const char* bad[] = {
        "(nil 1 -12 0 0 4 15)",       // one short
        "(nil)",                      //
        "(12 1 -12 0 0 4 15 0)",      // face neither nil nor a string
        "(nil 1 \"-12\" 0 0 4 15 0)", // a string for an integer
        "(nil 1 -12 0 0 4 15 0.5)",   // a real for an integer
        "(nil 1 -12 0 (0) 4 15 0)",   // a list for an integer
    };
    for (const char* text : bad) {
        Looks l = Defaults();
        prompts.asked.clear();
        EXPECT_THROW(lookslist(l, Read(text)), CIgnoreException) << text;
        EXPECT_EQ(l, Defaults()) << text;
        ASSERT_EQ(prompts.asked.size(), 1u) << text;
        EXPECT_EQ(prompts.asked[0].rfind("Operation failed: bad looks list.", 0), 0u);
    }
    Looks badFace = Defaults();
    badFace.face = 7;
    EXPECT_THROW(lookslist(badFace, kest::nil), CIgnoreException);
}

} // namespace
} // namespace qm
