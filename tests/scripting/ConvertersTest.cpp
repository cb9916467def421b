// The converters between model codes and script symbols, both directions.
#include "scripting/Converters.h"
#include "ScriptingFixture.h"
#include "drawables/ToolModel.h"
#include "model/Master.h"

namespace qm::test {
namespace {

using kest::Cell;
using kest::printstring;

class ConvertersTest : public ScriptingTest {
  protected:
    Cell* Read(const std::string& text) {
        kest::LocalChannel ch(text, kest::ChanRead);
        return kest::readexpr(ch.get());
    }
    // The error a converter reports, or "" when it converts.
    template <typename F> std::string ErrorOf(F convert) {
        log.Clear();
        kest::Cell* result =
            kest::capeval(kest::nil, kest::nil, Call<F>, reinterpret_cast<Cell*>(&convert));
        if (result != kest::nil)
            return "";
        const std::string all = log.Text();
        const size_t at = all.find("KestScript ERROR: ");
        return at == std::string::npos ? "?" : all.substr(at + 18, all.find("\r\n", at) - at - 18);
    }
    template <typename F> static Cell* Call(Cell* f) {
        (*reinterpret_cast<F*>(f))();
        return kest::nil;
    }
    kest::Symbol* Self() { return kest::intern("VxTest"); }
};

TEST_F(ConvertersTest, CodesBecomeSymbolsAndBack) {
    const struct {
        Cell* (*to)(int);
        int code;
        const char* symbol; // "nil" outside the table
    } cases[] = {
        {MemberAccessToSymbol, 1, "private"},
        {MemberAccessToSymbol, 2, "protected"},
        {MemberAccessToSymbol, 3, "public"},
        {MemberAccessToSymbol, 4, "package"},
        {MemberAccessToSymbol, 0, "nil"},
        {TypeKindToSymbol, 1, "simple"},
        {TypeKindToSymbol, 2, "enum"},
        {TypeKindToSymbol, 3, "struct"},
        {TypeKindToSymbol, 4, "nil"},
        {ExceptionKindToSymbol, 0, "exception"},
        {ExceptionKindToSymbol, 1, "context"},
        {JustificationToSymbol, 0, "left"},
        {JustificationToSymbol, 1, "center"},
        {JustificationToSymbol, 2, "right"},
        {JustificationToSymbol, 3, "nil"},
        {SideToSymbol, 1, "left"},
        {SideToSymbol, 2, "right"},
        {SideToSymbol, 3, "top"},
        {SideToSymbol, 4, "bottom"},
        {SideToSymbol, 0, "nil"},
        {ModelKindToSymbol, 0, "default"},
        {ModelKindToSymbol, 11, "class"},
        {ModelKindToSymbol, 12, "usecase"},
        {ModelKindToSymbol, 13, "sequence"},
        {ModelKindToSymbol, 14, "state"},
        {ModelKindToSymbol, 15, "activity"},
        {ModelKindToSymbol, 16, "implementation"},
        {ModelKindToSymbol, 17, "collaboration"},
        {ModelKindToSymbol, 1, "nil"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(printstring(c.to(c.code)), c.symbol) << c.symbol << " " << c.code;

    const struct {
        int (*from)(kest::Symbol*, Cell*);
        const char* symbol;
        int code;
    } back[] = {
        {MemberAccessFromSymbol, "private", 1},
        {MemberAccessFromSymbol, "package", 4},
        {TypeKindFromSymbol, "enum", 2},
        {JustificationFromSymbol, "right", 2},
    };
    for (const auto& c : back)
        EXPECT_EQ(c.from(Self(), kest::intern(c.symbol)), c.code) << c.symbol;

    EXPECT_EQ(ModelKindFromSymbol(kest::intern("usecase")), 12);
    EXPECT_EQ(ModelKindFromSymbol(kest::intern("collaboration")), 17);
    // Outside the table: the default model kind, without an error.
    EXPECT_EQ(ModelKindFromSymbol(kest::intern("noSuchKind")), 0);
    EXPECT_EQ(ModelKindFromSymbol(kest::mkint(11)), 0);
}

TEST_F(ConvertersTest, AnUnknownSymbolIsTheConvertersError) {
    EXPECT_EQ(ErrorOf([&] { MemberAccessFromSymbol(Self(), kest::intern("open")); }),
              "VxTest: invalid access: open");
    EXPECT_EQ(ErrorOf([&] { TypeKindFromSymbol(Self(), kest::mkint(1)); }),
              "VxTest: invalid kind: 1");
    EXPECT_EQ(ErrorOf([&] { JustificationFromSymbol(Self(), kest::intern("top")); }),
              "VxTest: invalid justification: top");
    EXPECT_EQ(ErrorOf([&] { MemberModeFromList(Self(), Read("(static fast)")); }),
              "VxTest: invalid mode: fast");
    EXPECT_EQ(ErrorOf([&] { ParamDirectionFromList(Self(), Read("(in up)")); }),
              "VxTest: invalid direction: up");
    EXPECT_EQ(ErrorOf([&] { FontStyleFromList(Self(), Read("(bold thin)")); }),
              "VxTest: invalid font style: thin");
    EXPECT_EQ(ErrorOf([&] { ObjectFlagsFromList(Self(), RefModel, Read("(genCode final)")); }),
              "VxTest: invalid flag: final");
}

TEST_F(ConvertersTest, BitSetsComeOutInTheReverseOfTheTableOrder) {
    const struct {
        Cell* list;
        const char* expected;
    } cases[] = {
        {MemberModeToList(0), "(mode)"},
        {MemberModeToList(0x2001), "(mode macro static)"},
        {MemberModeToList(0x3F9F),
         "(mode macro native synchronized transient volatile final abstract annotate virtual "
         "getset const static)"},
        // Bits outside the table are not named.
        {MemberModeToList(0x60), "(mode)"},
        {ParamDirectionToList(3), "(out in)"},
        {ParamDirectionToList(0), "nil"},
        {FontStyleToList(0xF), "(strikeout underline italic bold)"},
        {ObjectFlagsToList(RefModel, 0xD, false), "(flags curveLink stepLink genCode)"},
        {ObjectFlagsToList(RefMaster, 0xF, true), "(flags final abstract interface genCode)"},
        // A master's genCode is written only under the extra condition.
        {ObjectFlagsToList(RefMaster, 0x1, false), "(flags)"},
        {ObjectFlagsToList(RefMaster, 0x12, false), "(flags urlLink interface)"},
        {ObjectFlagsToList(RefPlace, 0x3, false), "(flags detailed annotate)"},
        {ObjectFlagsToList(RefLink, 0x17, false), "(flags urlLink curveLink stepLink genCode)"},
        {ObjectFlagsToList(RefTag, 0x3, false), "(flags urlLink reverse)"},
        {ObjectFlagsToList(RefPrimitive, 0xFF, true), "(flags)"},
        {ObjectFlagsToList(RefAttribute, 0xFF, true), "(flags)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(printstring(c.list), c.expected) << c.expected;
}

TEST_F(ConvertersTest, ListsBecomeBitSetsInAnyOrder) {
    const struct {
        ReferenceKind kind;
        const char* list;
        uint32_t bits;
    } flags[] = {
        {RefModel, "(curveLink genCode)", 0x9},
        {RefMaster, "(final urlLink genCode)", 0x19},
        {RefLink, "(urlLink stepLink)", 0x12},
        {RefTag, "(urlLink reverse)", 0x3},
        {RefPlace, "(detailed)", 0x2},
        // Primitives and kinds above tags skip every element unchecked.
        {RefPrimitive, "(anything 12 \"x\")", 0},
        {RefMethod, "(anything)", 0},
    };
    for (const auto& c : flags)
        EXPECT_EQ(ObjectFlagsFromList(Self(), c.kind, Read(c.list)), c.bits) << c.list;
    // The walk ends where the cells stop being pairs.
    EXPECT_EQ(
        ObjectFlagsFromList(Self(), RefModel, kest::mkcons(kest::sym::genCode, kest::mkint(3))),
        0x1u);
    EXPECT_EQ(MemberModeFromList(Self(), Read("(static macro)")), 0x2001);
    EXPECT_EQ(MemberModeFromList(Self(), kest::nil), 0);
    EXPECT_EQ(ParamDirectionFromList(Self(), Read("(out in)")), 3);
    EXPECT_EQ(FontStyleFromList(Self(), Read("(italic strikeout)")), 0xA);
    // Round trip of every mode bit.
    Cell* all = kest::cdr(MemberModeToList(0x3F9F));
    EXPECT_EQ(MemberModeFromList(Self(), all), 0x3F9F);
}

class FakeTool : public MasterTool {
  public:
    FakeTool(int id, bool place) : id_(id), place_(place) {}
    int ToolId() const override { return id_; }
    bool IsPlaceTool() const override { return place_; }
    uint32_t ToolFlagWord() const override { return 1; }
    bool HasCompartmentText() const override { return false; }
    std::string ToolName() const override { return "tool"; }

  private:
    int id_;
    bool place_;
};

TEST_F(ConvertersTest, DefaultDrawableNames) {
    const struct {
        int toolModelKind;
        int toolId;
        int toolKind;
        const char* expected;
    } cases[] = {
        {LinkToolModel, 0, 0, "link1"},
        {LinkToolModel, 9, 0, "link10"},
        {PlaceToolModel, 10, 0, "place1"},
        {PlaceToolModel, 23, 0, "place14"},
        {PlaceToolModel, 100, 0, "place91"},
        {NoToolModel, 0, 25, "tag"},
        {NoToolModel, 0, 26, "line"},
        {NoToolModel, 0, 27, "polyline"},
        {NoToolModel, 0, 28, "textBox"},
        {NoToolModel, 0, 29, "rectangle"},
        {NoToolModel, 0, 30, "roundRectangle"},
        {NoToolModel, 0, 31, "ellipse"},
        {NoToolModel, 0, 32, "polygon"},
        {NoToolModel, 0, 33, "primitiveGroup"},
        {NoToolModel, 0, 34, "placeGroup"},
        {NoToolModel, 0, 46, "message"},
        {NoToolModel, 0, 47, "swimlane"},
        {NoToolModel, 0, 48, "junction"},
        {NoToolModel, 0, 49, "icon"},
        {NoToolModel, 0, 35, "nil"},
        {NoToolModel, 0, 0, "nil"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(printstring(DefaultDrawableName(c.toolModelKind, c.toolId, c.toolKind)),
                  c.expected)
            << c.expected;
    // A master's tool: a user place tool, a link tool, none.
    FakeTool userPlace(100, true);
    FakeTool link(3, false);
    EXPECT_EQ(printstring(DefaultDrawableName(&userPlace, 34)), "place91");
    EXPECT_EQ(printstring(DefaultDrawableName(&link, 34)), "link4");
    EXPECT_EQ(printstring(DefaultDrawableName(nullptr, 34)), "placeGroup");
    // The notation's tool models name themselves the same way.
    ToolModel userTool;
    userTool.id = 100;
    userTool.toolType = ToolTypePlace;
    ToolModel linkTool;
    linkTool.id = 9;
    linkTool.toolType = ToolTypeLink;
    ToolModel neither;
    EXPECT_EQ(printstring(DefaultDrawableName(&userTool, 34)), "place91");
    EXPECT_EQ(printstring(DefaultDrawableName(&linkTool, 34)), "link10");
    EXPECT_EQ(printstring(DefaultDrawableName(&neither, 47)), "swimlane");
}

} // namespace
} // namespace qm::test
