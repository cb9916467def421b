// The notation template in memory and its tools: look-ups, ids and icon
// slots, variants, diagram types, reference counting, saving under a new
// name; the tool model's record, frames, icon editing and built-in palette.
#include "drawables/NotationTemplate.h"

#include "drawables/Primitives.h"
#include "drawables/TemplateFile.h"
#include "kernel/Kernel.h"
#include "platform/Files.h"
#include "platform/PainterDC.h"
#include "platform/RecordingDC.h"
#include "tests/drawables/DrawableFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm::test {
namespace {

class NotationTemplateTest : public DrawableTest {
  protected:
    NotationTemplateTest() { CreateTemplate(notation, kInternalTemplateName); }

    // Adds a user tool of the type (a variant of base when given) named name.
    ToolModel* Add(int type, const std::string& name, int base = -1) {
        auto tool = std::make_unique<ToolModel>(&notation.guidMap);
        tool->SetTool(0, &notation.toolBitmap, type, kToolScale);
        tool->name = name;
        tool->baseId = int16_t(base);
        bool enlarge = false;
        ToolModel* added = notation.AddTool(std::move(tool), enlarge);
        if (enlarge)
            notation.EnlargeBitmap(nullptr, 1, -1);
        return added;
    }

    NotationTemplate notation;
};

TEST_F(NotationTemplateTest, GetToolIndexesBuiltInsAndScansUserTools) {
    ToolModel* user = Add(ToolTypePlace, "Actor");
    EXPECT_EQ(notation.GetTool(5), notation.ToolAt(5));
    EXPECT_EQ(notation.GetTool(100), user);
    for (int id : {24, -1, 99, 101})
        EXPECT_EQ(notation.GetTool(id), nullptr) << id;
    EXPECT_TRUE(notation.IsLinkTool(3));
    EXPECT_TRUE(notation.IsPlaceTool(100));
    EXPECT_FALSE(notation.IsLinkOrPlaceTool(24));
    EXPECT_EQ(notation.GetTool(100)->ModelNumber(), -25);
}

TEST_F(NotationTemplateTest, FreeToolIdsAndIconSlotsFillGaps) {
    Add(ToolTypePlace, "a");
    ToolModel* b = Add(ToolTypePlace, "b");
    ToolModel* c = Add(ToolTypePlace, "c");
    EXPECT_EQ(c->id, 102);
    EXPECT_EQ(c->iconSlot, 30);
    // With 100, 101 and 103 the next is 102, hidden or not.
    c->id = 103;
    notation.HideTool(*b);
    EXPECT_EQ(Add(ToolTypeLink, "d")->id, 102);
    EXPECT_EQ(Add(ToolTypeLink, "e")->id, 104);

    // The built-in strip has room for the first user icon.
    NotationTemplate fresh;
    CreateTemplate(fresh, kInternalTemplateName);
    bool enlarge = true;
    EXPECT_EQ(fresh.FindFreeIconSlot(nullptr, enlarge), 28);
    EXPECT_FALSE(enlarge);
}

TEST_F(NotationTemplateTest, PaletteCountsAndIndexesTreatHiddenAndVariantToolsAsDescribed) {
    ToolModel* link = Add(ToolTypeLink, "Flow");
    ToolModel* hidden = Add(ToolTypeLink, "Gone");
    ToolModel* place = Add(ToolTypePlace, "Actor");
    ToolModel* variant = Add(ToolTypeLink, "Strong", 0);
    ToolModel* after = Add(ToolTypeLink, "Last");
    notation.HideTool(*hidden);

    EXPECT_EQ(notation.CountLinkTools(false), 12);
    EXPECT_EQ(notation.CountLinkTools(true), 13);
    EXPECT_EQ(notation.CountPlaceTools(false), 15);
    // A hidden user tool still counts in the index.
    EXPECT_EQ(notation.LinkToolIndex(link->id, false), 10);
    EXPECT_EQ(notation.LinkToolIndex(hidden->id, false), 11);
    EXPECT_EQ(notation.LinkToolIndex(after->id, false), 12);
    EXPECT_EQ(notation.LinkToolIndex(after->id, true), 13);
    EXPECT_EQ(notation.LinkToolIndex(variant->id, true), 0) << "a variant answers its base";
    EXPECT_EQ(notation.LinkToolIdAt(12, false), after->id);
    EXPECT_EQ(notation.LinkToolIdAt(99, false), -1);
    EXPECT_EQ(notation.PlaceToolIndex(12, false), 2);
    EXPECT_EQ(notation.PlaceToolIndex(place->id, false), 14);
    EXPECT_EQ(notation.PlaceToolIdAt(14, false), place->id);
    EXPECT_EQ(notation.PlaceToolIdAt(0, false), 10);
    EXPECT_EQ(notation.ToolPaletteIndex(7, false), 7);
    EXPECT_EQ(notation.ToolPaletteIndex(place->id, false), 26);
    EXPECT_EQ(notation.ToolPaletteIndex(after->id, false), 27);
    EXPECT_EQ(notation.ToolPaletteIndex(after->id, true), 28);
    EXPECT_EQ(notation.ToolIdAt(28, true), after->id);
    EXPECT_EQ(notation.ToolIdAt(99, true), -1);
    EXPECT_EQ(notation.ToolPaletteIndex(555, true), -1);
}

TEST_F(NotationTemplateTest, VariantsAndNameLookups) {
    std::vector<ToolModel*> list{notation.GetTool(1)};
    notation.GetToolVariants(1, true, list);
    EXPECT_TRUE(list.empty()) << "no variants: not even the tool itself";

    ToolModel* strong = Add(ToolTypeLink, "Strong", 0);
    ToolModel* weak = Add(ToolTypeLink, "Weak", 0);
    ToolModel* own = Add(ToolTypeLink, "Own");
    notation.GetToolVariants(strong->id, true, list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], notation.GetTool(0));
    EXPECT_EQ(list[2], weak);
    notation.GetToolVariants(-1, true, list);
    ASSERT_EQ(list.size(), 1u) << "variants of built-in tools are left out";
    EXPECT_EQ(list[0], own);

    EXPECT_EQ(notation.CountVariants(*notation.GetTool(0)), 2);
    EXPECT_EQ(notation.CountVariants(*strong), 0);
    EXPECT_EQ(notation.FindVariant(weak->id, ""), notation.GetTool(0));
    EXPECT_EQ(notation.FindVariant(0, "Weak"), weak);
    EXPECT_EQ(notation.FindVariant(0, "weak"), nullptr) << "case matters";
    EXPECT_TRUE(notation.IsVariantTool(weak->id));
    EXPECT_EQ(notation.FindToolByName("CLASS", true), notation.GetTool(10));
    EXPECT_EQ(notation.FindToolByName("class", false), nullptr);
    EXPECT_EQ(notation.FindToolBySemantics(true, 10, -1), 9);
    EXPECT_EQ(notation.FindToolBySemantics(false, 2, -7), -7);
}

TEST_F(NotationTemplateTest, DiagramTypesAllowToolsByMask) {
    const DiagramType* useCase = notation.diagramTypes.FindByKind(12);
    ASSERT_NE(useCase, nullptr);
    EXPECT_EQ(useCase->name, "Use-Case Diagram");
    EXPECT_TRUE(useCase->IsToolAllowed(100));
    EXPECT_FALSE(useCase->IsToolAllowed(10));
    const DiagramType* classes = notation.diagramTypes.FindByKind(11);
    for (int id = 0; id < 24; ++id) {
        const bool allowed = id <= 3 || id == 6 || id == 9 || (id >= 10 && id <= 12);
        EXPECT_EQ(classes->IsToolAllowed(id), allowed) << id;
    }
    EXPECT_EQ(notation.diagramTypes.FindByKind(1), nullptr);
    EXPECT_EQ(notation.guidMap.Lookup(classes->guid.Text()), classes);

    DiagramType copy;
    copy.Assign(classes);
    copy.toolMask = 5;
    kest::Cell* diff = copy.Props(nullptr, const_cast<DiagramType*>(classes), nullptr, false);
    EXPECT_EQ(print(diff), "(nil nil nil nil nil (5 7759))");
    copy.Props(nullptr, nullptr, diff, true);
    EXPECT_EQ(copy.toolMask, 7759u);
}

TEST_F(NotationTemplateTest, ReferenceCountingRefusesAnExtraRelease) {
    notation.AddRef();
    notation.AddRef();
    EXPECT_EQ(notation.Release(), 1);
    EXPECT_EQ(notation.Release(), 0);
    EXPECT_NE(failure([&] { notation.Release(); }).find("template ref count <= 0"),
              std::string::npos);
    EXPECT_EQ(notation.GetRefCount(), 0);
}

class FakeShell : public TemplateShell {
  public:
    std::optional<std::string> AskTemplatePath(const std::string& initial) override {
        asked.push_back(initial);
        return answer;
    }
    NotationTemplate* AcquireTemplate(const std::string& path) override {
        acquired.push_back(path);
        return fresh;
    }
    void ReleaseTemplate(NotationTemplate* t) override { released.push_back(t); }
    void SetDocumentTemplate(ModelDocument*, NotationTemplate* t) override { given = t; }
    bool CopyToolBarIcon(int index, ToolBitmap& strip, int slot) override {
        for (int y = 0; y < kIconHeight; ++y)
            strip.SetPixel(slot * kIconWidth, y, uint8_t(index + 1));
        return true;
    }
    void IconStripChanged(NotationTemplate&, ModelDocument*) override { ++rebuilt; }

    std::optional<std::string> answer;
    std::vector<std::string> asked, acquired;
    std::vector<NotationTemplate*> released;
    NotationTemplate* fresh = nullptr;
    NotationTemplate* given = nullptr;
    int rebuilt = 0;
};

TEST_F(NotationTemplateTest, SaveTemplateAsWritesTheFileAndSplitsASharedTemplate) {
    FakeShell shell;
    ScopedInstall<TemplateShell> installed(&shell);
    EXPECT_EQ(notation.SaveTemplateAs(nullptr), 0) << "cancelled";
    EXPECT_EQ(shell.asked.back(), "*.not");

    const std::string path = scratch.Path() + "/saved.not";
    shell.answer = path + ".not.NOT";
    notation.AddRef();
    notation.modified = true;
    EXPECT_EQ(notation.SaveTemplateAs(nullptr), 1);
    EXPECT_EQ(notation.path, path);
    EXPECT_FALSE(notation.modified);
    EXPECT_FALSE(notation.builtIn);
    EXPECT_TRUE(FileExists(path));

    // Held by two documents: the file becomes this document's own template.
    NotationTemplate other;
    shell.fresh = &other;
    shell.answer = scratch.Path() + "/split.not";
    notation.AddRef();
    FakeDocument document(nullptr, nullptr);
    EXPECT_EQ(notation.SaveTemplateAs(&document), 1);
    EXPECT_EQ(shell.asked.back(), path);
    EXPECT_EQ(notation.path, path) << "the shared template keeps its path";
    EXPECT_EQ(shell.acquired.back(), scratch.Path() + "/split.not");
    EXPECT_EQ(shell.given, &other);
    ASSERT_EQ(shell.released.size(), 1u);
    EXPECT_EQ(shell.released[0], &notation);
}

TEST_F(NotationTemplateTest, EnlargeBitmapWidensOrFillsASlotFromTheToolBar) {
    FakeShell shell;
    ScopedInstall<TemplateShell> installed(&shell);
    const int slots = notation.toolBitmap.SlotCount();
    notation.EnlargeBitmap(nullptr, 1, -1);
    EXPECT_EQ(notation.toolBitmap.SlotCount(), slots + 1);
    EXPECT_EQ(notation.toolBitmap.PixelAt(slots * 16, 3), 2);
    EXPECT_EQ(notation.toolBitmap.PixelAt(0, 0), 7) << "old icons kept";
    notation.EnlargeBitmap(nullptr, 4, 28);
    EXPECT_EQ(notation.toolBitmap.SlotCount(), slots + 1);
    EXPECT_EQ(notation.toolBitmap.PixelAt(28 * 16, 0), 5);
    EXPECT_EQ(shell.rebuilt, 2);
}

// ---- the tool model ----

TEST_F(NotationTemplateTest, ToolRecordReadsTheOldFormAndNeverKeepsReserved) {
    ToolModel* tool = notation.GetTool(12);
    tool->reserved = 7;
    GuidScope ts = notation.Scope();
    const std::string text = print(tool->PersistTool(&ts, kest::nil));
    EXPECT_EQ(
        text.rfind("(toolModel (0 0 280 200) 1 12 4 0 -1 7 12 (0 0 70 50) (0 0 176 165) 0 4 ", 0),
        0u)
        << text;

    NotationTemplate other;
    GuidScope os = other.Scope();
    ToolModel read(nullptr);
    read.PersistTool(&os, this->read(text));
    EXPECT_EQ(read.reserved, 0);
    EXPECT_EQ(read.id, 12);
    EXPECT_EQ(read.name, "Category");
    EXPECT_EQ(read.Drawables().size(), 1u);
    ModelObject* found = nullptr;
    EXPECT_TRUE(other.guidMap.Lookup(12, found, false));
    EXPECT_EQ(found, &read);

    // The older form: no semantics, base id, reserved or icon slot.
    std::string old = text;
    old.replace(old.find(" 0 -1 7 12 "), 11, " ");
    ToolModel older(nullptr);
    older.semantics = 5;
    older.PersistTool(&os, this->read(old));
    EXPECT_EQ(older.semantics, 0);
    EXPECT_EQ(older.iconSlot, 12);
    EXPECT_EQ(older.baseId, -1);

    // An old Class flag in the model's flags becomes Class semantics.
    std::string flagged = text;
    const std::string plain = "\"Category\" \"\" \"\" 1 ";
    flagged.replace(flagged.find(plain), plain.size(), "\"Category\" \"\" \"\" 33 ");
    ToolModel classy(nullptr);
    classy.PersistTool(&os, this->read(flagged));
    EXPECT_EQ(classy.semantics, SemClass);
    EXPECT_EQ(classy.modelFlags, 1u);

    EXPECT_NE(failure([&] {
                  ToolModel bad(nullptr);
                  bad.PersistTool(&os, this->read("(customModel 1 2)"));
              }).find("toolModel sym expected"),
              std::string::npos);
    for (ToolModel* t : {&read, &older, &classy})
        t->Detach(&os);
    EXPECT_FALSE(other.guidMap.Lookup(12, found, false)) << "detached tools leave their number";

    // A record whose model part fails to read leaves no number behind.
    std::string broken = text;
    broken.replace(broken.find("(box "), 5, "(box \"not a kind code\" ");
    ToolModel failed(nullptr);
    EXPECT_NE(failure([&] { failed.PersistTool(&os, this->read(broken)); }), "");
    failed.Detach(&os);
    EXPECT_FALSE(other.guidMap.Lookup(12, found, false));
}

TEST_F(NotationTemplateTest, FramesIconEditingAndNameFrames) {
    ToolModel* link = notation.GetTool(0);
    EXPECT_EQ(link->pageMatrix, CRect(0, 0, 320, 120));
    EXPECT_EQ(link->sampleFrame, CRect(80, 0, 240, 120));
    EXPECT_EQ(link->printFrame, CRect(0, 0, 80, 30));
    ToolModel* place = notation.GetTool(10);
    EXPECT_EQ(place->sampleFrame, CRect(0, 0, 280, 200));
    EXPECT_EQ(place->printFrame, CRect(0, 0, 70, 50));
    EXPECT_EQ(place->SetIconEditing(false), 0);
    EXPECT_EQ(place->SetIconEditing(true), 1);
    EXPECT_EQ(place->pageMatrix, CRect(0, 0, 176, 165));
    EXPECT_EQ(place->SetIconEditing(true), 0);
    EXPECT_EQ(place->SetIconEditing(false), 1);
    EXPECT_EQ(place->pageMatrix, CRect(0, 0, 280, 200));

    // Name frames: the Class rule keeps margins on larger places and shrinks
    // them on smaller ones; otherwise frames scale.
    auto* name = static_cast<TextPrimitive*>(
        place->AddDrawable(std::make_unique<TextPrimitive>(&notation.guidMap)));
    name->SetFrame(TkText, CRect(20, 10, 260, 50));
    CRect frame;
    place->MapNameFrame(CRect(0, 0, 280, 200), frame);
    EXPECT_EQ(frame, CRect(20, 10, 260, 50));
    place->MapNameFrame(CRect(100, 100, 660, 500), frame);
    EXPECT_EQ(frame, CRect(120, 110, 640, 350));
    place->MapNameFrame(CRect(0, 0, 140, 100), frame);
    EXPECT_EQ(frame, CRect(10, 5, 130, 25));
    place->semantics = SemUnspecified;
    place->MapNameFrame(CRect(100, 100, 660, 500), frame);
    EXPECT_EQ(frame, CRect(140, 120, 620, 200));
    EXPECT_EQ(place->FindNameText(), name);
    EXPECT_EQ(place->FindSecondText(), nullptr);
    place->MapSecondFrame(CRect(1, 2, 3, 4), frame);
    EXPECT_EQ(frame, CRect(1, 2, 3, 4));
}

TEST_F(NotationTemplateTest, BuiltInPaletteNamesSemanticsAndSampleDrawings) {
    struct Expect {
        int id;
        const char* name;
        const char* semantics;
        std::vector<int> codes;
    };
    const Expect table[] = {
        {0, "Inheritance", "Inheritance", {TkPolygon}},
        {1, "Has", "Composition", {TkEllipse}},
        {3, "Association", "Association", {}},
        {4, "Control Flow/Transition", "Unspecified", {TkPolyline}},
        {6, "Message", "Unspecified", {TkPolygon, TkPolygon}},
        {9, "Dependency", "Dependency", {TkEllipse, TkPolygon}},
        {10, "Class", "Class", {TkPolygon}},
        {13, "State", "Unspecified", {TkRoundRectangle}},
        {15, "Module Spec", "Unspecified", {TkRectangle, TkEllipse, TkRectangle, TkRectangle}},
        {18, "Device", "Unspecified", {TkPolygon, TkPolygon, TkRectangle}},
        {23, "Decision", "Unspecified", {TkPolygon, TkText, TkText}},
    };
    for (const Expect& e : table) {
        const ToolModel* tool = notation.GetTool(e.id);
        EXPECT_EQ(tool->name, e.name);
        EXPECT_EQ(tool->GetSemanticsName(), e.semantics) << e.name;
        EXPECT_EQ(tool->iconSlot, e.id);
        std::vector<int> codes;
        for (const auto& d : tool->Drawables()) {
            codes.push_back(d->kindCode);
            // Every sample lies within the tool's sample frame.
            CRect inside;
            inside.IntersectRect(d->bounds, tool->sampleFrame);
            EXPECT_EQ(inside, d->bounds) << e.name;
        }
        EXPECT_EQ(codes, e.codes) << e.name;
    }
    for (int id : {2, 3, 5, 6, 8, 9, 11, 14, 15, 16, 17, 23})
        EXPECT_EQ(notation.GetTool(id)->modelFlags & 1u, 0u) << id;
    for (int id : {0, 1, 4, 7, 10, 12, 13, 18, 19, 20, 21, 22})
        EXPECT_EQ(notation.GetTool(id)->modelFlags & 1u, 1u) << id;
    EXPECT_EQ(notation.GetTool(8)->lineKind, 0);
    EXPECT_EQ(notation.GetTool(10)->Drawables().front()->looks.lineKind, 1);
    EXPECT_EQ(SemanticsName(true, 2), "Package");
    EXPECT_EQ(SemanticsName(true, 5), "");
    EXPECT_EQ(SemanticsName(false, 11), "Attachment");
    EXPECT_EQ(SemanticsName(false, 12), "");

    // Drawing a link tool: the page frame, the sample frame's edges and the line.
    RecordingDC dc;
    EXPECT_EQ(notation.GetTool(4)->DrawIcon(dc, 1.0), 0);
    EXPECT_EQ(dc.CallsNamed("Rectangle").size(), 1u);
    EXPECT_EQ(dc.CallsNamed("LineTo").size(), 3u);
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

class CountingPages : public PrintPages {
  public:
    bool StartPage() override {
        ++started;
        return startOk;
    }
    bool EndPage() override {
        ++ended;
        return true;
    }
    int started = 0, ended = 0;
    bool startOk = true;
};

TEST_F(NotationTemplateTest, PrintingTheListingBreaksPagesAndDrawsFooters) {
    RecordingDC dc;
    dc.SetFixedMetrics(6, 10);
    CountingPages pages;
    ToolPrintCursor cursor;
    ToolModel* place = notation.GetTool(22);
    place->comment = "one\ntwo";
    // Entry: name 10 + sample 55 + two description lines 20 = 85.
    place->Print(pages, dc, "<Internal>", kPrintFooter, cursor, 0, 500, 200);
    EXPECT_EQ(pages.started, 1);
    EXPECT_EQ(cursor.y, 85);
    ASSERT_EQ(dc.CallsNamed("Ellipse").size(), 1u);
    EXPECT_EQ(dc.CallsNamed("Ellipse")[0].rfind("Ellipse 60 10 130 60", 0), 0u)
        << dc.CallsNamed("Ellipse")[0];
    EXPECT_NE(
        dc.CallsNamed("DrawText")[0].find("Notation Template <<Internal>>    ~~~    Page <1>"),
        std::string::npos);
    place->Print(pages, dc, "<Internal>", 0, cursor, 0, 500, 200);
    EXPECT_EQ(pages.started, 1);
    place->Print(pages, dc, "<Internal>", 0, cursor, 0, 500, 200);
    EXPECT_EQ(pages.started, 2);
    EXPECT_EQ(pages.ended, 1);
    EXPECT_EQ(cursor.y, 85);

    // A link tool draws its line across the print frame first.
    dc.Clear();
    notation.GetTool(3)->Print(pages, dc, "x", 0, cursor, 0, 500, 200);
    EXPECT_EQ(dc.CallsNamed("LineTo").size(), 1u);

    pages.startOk = false;
    ToolPrintCursor fresh;
    EXPECT_NE(failure([&] {
                  place->Print(pages, dc, "x", 0, fresh, 0, 500, 200);
              }).find("can't start page"),
              std::string::npos);
}

TEST_F(NotationTemplateTest, IconEditingShowsTheIconMagnifiedUnderAGrid) {
    ToolModel* tool = notation.GetTool(10);
    ASSERT_EQ(tool->SetIconEditing(true), 1);
    ImageDC dc(200, 200);
    EXPECT_EQ(tool->DrawIcon(dc, 1.0), 1);
    const ToolBitmap& strip = notation.toolBitmap;
    // Icon pixel (x, y) covers the cell from 11 x to 11 x + 10.
    for (auto [x, y] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{5, 7}, std::pair{2, 13}})
        EXPECT_EQ(dc.GetPixel(11 * x + 5, 11 * y + 5), strip.Colour(strip.PixelAt(160 + x, y)))
            << x << "," << y;
    EXPECT_EQ(dc.GetPixel(11, 3), GetSysColor(COLOR_INACTIVECAPTION)) << "grid";
    EXPECT_EQ(dc.GetPixel(3, 22), GetSysColor(COLOR_INACTIVECAPTION)) << "grid";
}

TEST_F(NotationTemplateTest, PackageNamesLieInTheTab) {
    RecordingDC dc;
    dc.SetFixedMetrics(10, 12);
    ToolModel* tool = notation.GetTool(12);
    auto tab = std::make_unique<TextPrimitive>(&notation.guidMap);
    tab->SetFrame(TkText, CRect(0, 0, 140, 30));
    tab->textFlags = TextPrimitive::kThirdFrame;
    tool->AddDrawable(std::move(tab));
    CRect out;
    tool->ComputeNameRect(dc, "Package", CRect(0, 0, 280, 200), out);
    EXPECT_EQ(out, CRect(0, 0, 280, 200)) << "not a package: the name frame (here the bounds)";
    tool->semantics = SemPackage;
    tool->ComputeNameRect(dc, "Package", CRect(0, 0, 280, 200), out);
    EXPECT_EQ(out, CRect(0, 0, 140, 12));
    tool->ComputeNameRect(dc, "", CRect(0, 0, 280, 200), out);
    EXPECT_EQ(out, CRect(0, 0, 140, 50));
}

TEST_F(NotationTemplateTest, ToolDrawingGroupsAsPrimitiveButNeverAsPlace) {
    ToolModel* tool = notation.GetTool(10);
    std::vector<Drawable*> boxes;
    for (const CRect& rect : {CRect(10, 10, 60, 40), CRect(80, 10, 130, 40)}) {
        auto* box = static_cast<BoxPrimitive*>(
            tool->AddDrawable(std::make_unique<BoxPrimitive>(&notation.guidMap)));
        box->SetFrame(TkRectangle, rect);
        boxes.push_back(box);
    }
    const size_t before = tool->Drawables().size();
    auto selectBoxes = [&] {
        tool->DeselectAll(nullptr, false);
        for (Drawable* box : boxes)
            tool->Select(box, true, nullptr, false);
    };
    // Called through the model's interface, as the editor calls it.
    Model& model = *tool;
    CRect repaint;
    selectBoxes();
    EXPECT_EQ(model.Group(nullptr, nullptr, repaint, true, nullptr, nullptr, 0, nullptr,
                          ChangeKind::ProjectSaved, ""),
              nullptr);
    EXPECT_EQ(tool->Drawables().size(), before);

    selectBoxes();
    Drawable* group = model.Group(nullptr, nullptr, repaint, false, nullptr, nullptr, 0, nullptr,
                                  ChangeKind::ProjectSaved, "");
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->IsGroup());
    EXPECT_TRUE(group->IsPrimitive());
    EXPECT_EQ(tool->Drawables().size(), before - 1);
}

} // namespace
} // namespace qm::test
