// Notation tools for the place and link tests: a place tool whose sample
// drawing is a rectangle with a name frame and a compartment frame, and a
// link tool whose drawing is an arrowhead right of its sample frame, with a
// name frame inside it. Both are registered in a template map by number.
#pragma once

#include "drawables/NotationTool.h"
#include "drawables/Primitives.h"
#include "model/GuidMap.h"
#include "model/Master.h"

#include <memory>
#include <vector>

namespace qm::test {

class FakeTool : public ModelObject, public MasterTool, public NotationTool {
  public:
    FakeTool(int number, bool link) : number_(number), link_(link) {
        if (link_) {
            auto arrow = std::make_unique<LinePrimitive>();
            const CPoint head[3] = {{240, 30}, {320, 60}, {240, 90}};
            arrow->SetPoints(TkPolygon, 3, head);
            Add(std::move(arrow));
            auto name = std::make_unique<TextPrimitive>();
            name->SetFrame(TkText, CRect(100, 40, 220, 80));
            name->textFlags = TextPrimitive::kLabel;
            Add(std::move(name));
        } else {
            auto outline = std::make_unique<BoxPrimitive>();
            outline->SetFrame(TkRectangle, CRect(0, 0, 280, 200));
            Add(std::move(outline));
            auto name = std::make_unique<TextPrimitive>();
            name->SetFrame(TkText, CRect(20, 8, 260, 48));
            name->textFlags = TextPrimitive::kLabel;
            Add(std::move(name));
            auto list = std::make_unique<TextPrimitive>();
            list->SetFrame(TkText, CRect(8, 60, 272, 192));
            list->textFlags = TextPrimitive::kCompartments;
            Add(std::move(list));
        }
    }
    void RegisterIn(GuidMap& map) { map.Register(number_, nullptr, false, this); }

    // MasterTool
    int ToolId() const override { return number_; }
    bool IsPlaceTool() const override { return !link_; }
    uint32_t ToolFlagWord() const override { return 0x1; }
    bool HasCompartmentText() const override { return !link_; }
    std::string ToolName() const override { return link_ ? "Inheritance" : "Class"; }

    // NotationTool
    int ToolNumber() const override { return number_; }
    bool IsLinkTool() const override { return link_; }
    int Semantics() const override { return 1; }
    const DrawableList& Drawing() const override { return drawing_; }
    CRect SampleFrame() const override {
        return link_ ? CRect(80, 0, 240, 120) : CRect(0, 0, 280, 200);
    }
    CRect DrawingExtent() const override {
        return link_ ? CRect(0, 0, 320, 120) : CRect(0, 0, 280, 200);
    }
    CRect LabelFrame() const override { return link_ ? CRect(0, 0, 80, 30) : CRect(0, 0, 70, 50); }
    int LineKind() const override { return 4; }
    uint32_t LineColour() const override { return 0; }

  private:
    void Add(std::unique_ptr<Drawable> d) { drawing_.push_back(std::move(d)); }
    int number_;
    bool link_;
    DrawableList drawing_;
};

} // namespace qm::test
