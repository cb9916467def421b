// The diagram of the link label tests: the classes Member and Loan joined by
// the association "borrows" with the roles and multiplicities "member #1"
// and "loans #0..*", and what its texts leave on an image (the drawing with
// the texts against the same drawing without them).
#pragma once

#include "drawables/FontFaceTable.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/ToolModel.h"
#include "drawables/ZoomScaling.h"
#include "model/GuidMap.h"
#include "model/Master.h"
#include "platform/PainterDC.h"

#include <QImage>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace qm::test {

class LinkLabelDiagram {
  public:
    // Adds the two places and the link to model, with the template's class
    // (10) and association (3) tools.
    void BuildDiagram(NotationTemplate& notation, GuidMap& project, Model& model) {
        ToolModel* classTool = notation.GetTool(10);
        ToolModel* association = notation.GetTool(3);
        member.SetToolAndName(classTool, "Member", "");
        loan.SetToolAndName(classTool, "Loan", "");
        Place* from = AddPlace(project, model, &member, CRect(40, 100, 160, 160));
        Place* to = AddPlace(project, model, &loan, CRect(440, 100, 560, 160));
        auto owned = std::make_unique<Link>(&project);
        link = owned.get();
        link->Connect(3, association, from, to, 0);
        model.AddDrawable(std::move(owned));
        link->name = "borrows";
        link->sourceEnd = "member%%1";
        link->targetEnd = "loans%%0..*";
    }
    // Gives each label its text's room, measured on a painter's context.
    void MeasureLabels() {
        CBitmap bitmap;
        bitmap.CreateBitmap(8, 8);
        PainterDC measure(bitmap);
        link->MeasureLabels(measure);
    }

    // The three labels and their texts as drawn.
    struct Label {
        std::string text;
        CRect rect;
    };
    std::vector<Label> Labels() const {
        return {{"borrows", link->labelRect},
                {"member #1", link->sourceLabelRect},
                {"loans #0..*", link->targetLabelRect}};
    }
    // Runs draw with the link's texts (or without them, texts false), and
    // puts them back after.
    template <class Draw> auto WithTexts(bool texts, Draw&& draw) {
        const std::string name = link->name, source = link->sourceEnd, target = link->targetEnd;
        if (!texts) {
            link->name.clear();
            link->sourceEnd = link->targetEnd = "%%";
        }
        auto drawn = draw();
        link->name = name;
        link->sourceEnd = source;
        link->targetEnd = target;
        return drawn;
    }
    // The width of text in the label font at zoom on a painter's context.
    int32_t TextWidth(const std::string& text, double zoom) const {
        CBitmap bitmap;
        bitmap.CreateBitmap(8, 8);
        PainterDC dc(bitmap);
        CFont font;
        FontFaces().UpdateFont(font, link->looks, zoom);
        dc.SelectObject(font);
        return dc.GetTextExtent(text).cx;
    }

    // The pixels the texts change: how many lie outside every label
    // rectangle (scaled by zoom, moved by -origin, grown by one), and the
    // width each label's changed pixels span.
    struct Ink {
        int stray = 0;
        std::vector<int> spans;
    };
    Ink InkOf(const QImage& with, const QImage& without, double zoom, CPoint origin) const {
        const std::vector<Label> labels = Labels();
        std::vector<int> left(labels.size(), 1 << 30), right(labels.size(), -1);
        Ink ink;
        for (int y = 0; y < with.height(); ++y) {
            for (int x = 0; x < with.width(); ++x) {
                if (with.pixel(x, y) == without.pixel(x, y))
                    continue;
                bool inside = false;
                for (size_t i = 0; i < labels.size(); ++i) {
                    CRect r = ScaleByZoom(labels[i].rect, zoom);
                    r.OffsetRect(-origin.x, -origin.y);
                    r.InflateRect(1, 1);
                    if (r.PtInRect(CPoint(x, y))) {
                        inside = true;
                        left[i] = std::min(left[i], x);
                        right[i] = std::max(right[i], x);
                    }
                }
                ink.stray += inside ? 0 : 1;
            }
        }
        for (size_t i = 0; i < labels.size(); ++i)
            ink.spans.push_back(right[i] - left[i] + 1);
        return ink;
    }

    Master member, loan;
    Link* link = nullptr;

  private:
    static Place* AddPlace(GuidMap& project, Model& model, Master* master, const CRect& r) {
        auto owned = std::make_unique<Place>(&project);
        Place* p = owned.get();
        p->Setup(10, r, master, true);
        p->AddMasterReference();
        model.AddDrawable(std::move(owned));
        return p;
    }
};

} // namespace qm::test
