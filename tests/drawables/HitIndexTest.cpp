// The model's hit test through its spatial index against the walk over every
// drawable, on a small diagram of every kind of drawable and on a generated
// one, at random points and around every drawable's edges; and the drawing
// that leaves out what lies outside the clip: the same pixels inside it, and
// the same state for later hit tests as a whole drawing leaves.
#include "drawables/DrawableFactory.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/Primitives.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
#include "model/Members.h"
#include "platform/PainterDC.h"
#include "platform/RecordingDC.h"
#include "tests/drawables/DrawableFixture.h"

#include <QImage>

#include <tuple>

namespace qm::test {
namespace {

struct Answer {
    const Drawable* hit;
    int part;
    int index;
    bool operator==(const Answer&) const = default;
};

class HitIndexTest : public DrawableTest {
  protected:
    HitIndexTest() {
        CreateTemplate(notation, kInternalTemplateName);
        model = CreateModelOfKind(&project, &notation, 11);
    }
    ~HitIndexTest() override { model->Detach(&scope); }

    Master* NewMaster(const std::string& name, int members) {
        auto master = std::make_unique<Master>();
        master->SetToolAndName(notation.GetTool(10), name, "");
        for (int i = 0; i < members; ++i) {
            auto a = std::make_unique<MasterAttribute>();
            a->name = "attribute" + std::to_string(i);
            a->type = "int";
            a->mode = ModeAnnotate;
            a->owner = master.get();
            master->attributes.push_back(std::move(a));
            auto m = std::make_unique<MasterMethod>();
            m->name = "method" + std::to_string(i);
            m->mode = ModeAnnotate;
            m->owner = master.get();
            master->methods.push_back(std::move(m));
        }
        masters.push_back(std::move(master));
        return masters.back().get();
    }
    template <class T = Place> std::unique_ptr<T> MakePlace(const CRect& r, int members) {
        auto place = std::make_unique<T>(&project);
        place->Setup(10, r, NewMaster("C" + std::to_string(masters.size()), members), true);
        place->AddMasterReference();
        return place;
    }
    Place* AddPlace(const CRect& r, int members = 0) {
        return static_cast<Place*>(model->AddDrawable(MakePlace(r, members)));
    }
    Link* AddLink(Place* from, Place* to, const std::string& name) {
        auto link = std::make_unique<Link>(&project);
        link->Connect(3, notation.GetTool(3), from, to, 0);
        link->name = name;
        return static_cast<Link*>(model->AddDrawable(std::move(link)));
    }

    // A diagram of every kind: classes with members and a stereotype, links,
    // a junction, a scenario place with its life line, a place group, a tag,
    // a text and a box.
    void BuildFixture() {
        Place* a = AddPlace(CRect(20, 20, 160, 140), 3);
        Place* b = AddPlace(CRect(260, 30, 380, 110), 1);
        Place* c = AddPlace(CRect(60, 240, 200, 300));
        b->GetMaster()->stereotype = "entity";
        AddLink(a, b, "uses");
        AddLink(a, c, "");
        AddLink(b, c, "owns");
        c->AddJunction(&project, 200, 270, 400);
        c->UpdateRepaintRect();
        model->AddDrawable(MakePlace<ScenarioPlace>(CRect(420, 20, 500, 60), 0));
        DrawableList members;
        members.push_back(MakePlace(CRect(300, 220, 360, 260), 0));
        members.push_back(MakePlace(CRect(380, 240, 440, 280), 0));
        for (const auto& m : members)
            m->SetSelected(true);
        auto group = std::make_unique<PlaceGroup>(&project);
        group->Fill(members, NewMaster("Billing", 0), nullptr);
        model->AddDrawable(std::move(group));
        auto tag = std::make_unique<Tag>(&project);
        tag->Attach(TkTag, CRect(200, 160, 260, 200), a);
        model->AddDrawable(std::move(tag));
        auto text = std::make_unique<TextPrimitive>(&project);
        text->SetFrame(TkText, CRect(40, 320, 140, 350));
        text->text = "a note";
        model->AddDrawable(std::move(text));
        auto box = std::make_unique<BoxPrimitive>(&project);
        box->SetFrame(TkRectangle, CRect(150, 100, 280, 180));
        model->AddDrawable(std::move(box));
    }

    // Places of random sizes, overlapping, with links between random pairs.
    void BuildGenerated(int count) {
        uint32_t seed = 7;
        auto next = [&](int n) {
            seed = seed * 1664525u + 1013904223u;
            return int((seed >> 8) % uint32_t(n));
        };
        std::vector<Place*> places;
        for (int i = 0; i < count; ++i) {
            const int x = next(1500), y = next(1000);
            places.push_back(
                AddPlace(CRect(x, y, x + 30 + next(120), y + 20 + next(90)), next(4) == 0 ? 2 : 0));
        }
        for (int i = 0; i < count; ++i)
            AddLink(places[size_t(next(count))], places[size_t(next(count))],
                    next(2) == 0 ? "name" + std::to_string(i) : "");
    }

    void DrawWhole() {
        RecordingDC dc;
        model->Draw(dc, false);
    }

    // Random points over the drawing and points around every drawable's edges.
    std::vector<CPoint> Points() const {
        std::vector<CPoint> points;
        uint32_t seed = 99;
        auto next = [&](int n) {
            seed = seed * 1664525u + 1013904223u;
            return int((seed >> 8) % uint32_t(n));
        };
        for (int i = 0; i < 1500; ++i)
            points.emplace_back(next(1800) - 100, next(1300) - 100);
        for (const auto& d : model->Drawables()) {
            const CRect& r = d->repaintRect;
            for (int dx : {-9, -4, 0, 1, 5}) {
                points.emplace_back(r.left + dx, r.top + dx);
                points.emplace_back(r.right + dx, r.bottom + dx);
                points.emplace_back(r.right + dx, r.CenterPoint().y);
                points.emplace_back(r.CenterPoint().x, r.bottom + dx);
            }
        }
        return points;
    }

    // Every point under every tool and flag, through the index and by the walk.
    void ExpectIndexAgreesWithWalk(const char* when) {
        const Drawable* excluded = model->Drawables().front().get();
        int hits = 0;
        for (const CPoint& p : Points()) {
            for (int tool : {int(TkPointer), int(TkMessage), 400, 0}) {
                for (int flags : {0, 0x8, 0xC}) {
                    for (const Drawable* skip : {static_cast<const Drawable*>(nullptr), excluded}) {
                        Answer fromIndex{}, fromWalk{};
                        fromIndex.hit = model->HitTest(tool, p.x, p.y, fromIndex.part,
                                                       fromIndex.index, flags, skip);
                        fromWalk.hit = model->HitTestEveryDrawable(tool, p.x, p.y, fromWalk.part,
                                                                   fromWalk.index, flags, skip);
                        hits += fromWalk.hit != nullptr;
                        ASSERT_EQ(fromIndex, fromWalk)
                            << when << ": (" << p.x << ", " << p.y << ") tool " << tool << " flags "
                            << flags << (skip ? " excluding the first" : "");
                    }
                }
            }
        }
        EXPECT_GT(hits, 1000) << when << ": the points must hit something";
    }

    // The walk's answers at every point with the arrow tool.
    std::vector<Answer> WalkAnswers() {
        std::vector<Answer> answers;
        for (const CPoint& p : Points()) {
            Answer a{};
            a.hit = model->HitTestEveryDrawable(TkPointer, p.x, p.y, a.part, a.index, 0, nullptr);
            answers.push_back(a);
        }
        return answers;
    }

    QImage Render(const CRect* clip) {
        CBitmap bitmap;
        bitmap.CreateBitmap(600, 400);
        {
            PainterDC dc(bitmap);
            if (clip != nullptr)
                dc.IntersectClipRect(*clip);
            model->Draw(dc, false);
        }
        return bitmap.Image()->copy();
    }

    NotationTemplate notation;
    std::unique_ptr<Model> model;
    std::vector<std::unique_ptr<Master>> masters;
};

TEST_F(HitIndexTest, TheIndexAnswersAsTheWalkOnEveryKindOfDrawable) {
    BuildFixture();
    ExpectIndexAgreesWithWalk("before drawing");
    DrawWhole();
    model->NoteChanged();
    ExpectIndexAgreesWithWalk("after drawing");
    // Two selected drawables report the body for every part but the marker.
    model->Select(model->Drawables().front().get(), true, nullptr, false);
    model->Select(model->Drawables().back().get(), true, nullptr, false);
    ExpectIndexAgreesWithWalk("with two selected");
}

TEST_F(HitIndexTest, TheIndexAnswersAsTheWalkOnAGeneratedDiagramAndFollowsChanges) {
    BuildGenerated(120);
    DrawWhole();
    ExpectIndexAgreesWithWalk("generated");
    // A move reported to the model is found where the drawable now is.
    CRect dirty;
    model->Drawables().front()->MoveBy(400, 250, dirty);
    model->NoteChanged();
    ExpectIndexAgreesWithWalk("after a move");
    // A drawable added to the list is found without a report.
    AddPlace(CRect(700, 700, 800, 760));
    ExpectIndexAgreesWithWalk("after an addition");
    // One taken out and another put in, the length unchanged: the index
    // keeps no pointer to the one that left.
    Drawable* last = model->Drawables().back().get();
    DiscardDrawable(model->RemoveDrawable(last, true), &scope);
    AddPlace(CRect(40, 900, 140, 960));
    ExpectIndexAgreesWithWalk("after a removal and an addition");
}

TEST_F(HitIndexTest, AClippedDrawingPaintsTheSamePixelsInsideTheClip) {
    BuildFixture();
    const QImage whole = Render(nullptr);
    const CRect clips[] = {CRect(0, 0, 150, 120), CRect(180, 90, 420, 300),
                           CRect(290, 200, 450, 290), CRect(390, 0, 600, 400)};
    for (const CRect& clip : clips) {
        const QImage part = Render(&clip);
        int differing = 0;
        for (int y = clip.top; y < clip.bottom; ++y) {
            for (int x = clip.left; x < clip.right; ++x)
                differing += whole.pixel(x, y) != part.pixel(x, y);
        }
        EXPECT_EQ(differing, 0) << clip.left << " " << clip.top << " " << clip.right << " "
                                << clip.bottom;
    }
}

TEST_F(HitIndexTest, ADrawingClippedAwayLeavesWhatHitTestsReadAsAWholeDrawingDoes) {
    BuildFixture();
    BuildGenerated(40);
    {
        // A clip beside everything: every drawable is left out.
        RecordingDC dc;
        dc.IntersectClipRect(CRect(5000, 5000, 5010, 5010));
        model->Draw(dc, false);
        EXPECT_TRUE(dc.CallsNamed("DrawText").empty());
        EXPECT_TRUE(dc.CallsNamed("Polygon").empty());
    }
    const std::vector<Answer> clipped = WalkAnswers();
    DrawWhole();
    const std::vector<Answer> whole = WalkAnswers();
    ASSERT_EQ(clipped.size(), whole.size());
    for (size_t i = 0; i < whole.size(); ++i)
        ASSERT_EQ(clipped[i], whole[i]) << "point " << i;
}

} // namespace
} // namespace qm::test
