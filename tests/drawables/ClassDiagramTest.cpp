// A class diagram built from the built-in template: two class places and an
// inheritance link drawn headless (non-blank and the same pixels on every
// run; the arrowhead at the target end), and places and links held by a
// primitive group's record.
#include "drawables/DrawableFactory.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
#include "platform/PainterDC.h"
#include "platform/RecordingDC.h"
#include "tests/drawables/DrawableFixture.h"

#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace qm::test {
namespace {

class ClassDiagramTest : public DrawableTest {
  protected:
    ClassDiagramTest() {
        CreateTemplate(notation, kInternalTemplateName);
        classTool = notation.GetTool(10);
        inheritance = notation.GetTool(0);
        model = CreateModelOfKind(&project, &notation, 11);
        shape.SetToolAndName(classTool, "Shape", "");
        circle.SetToolAndName(classTool, "Circle", "");
        auto area = std::make_unique<MasterMethod>();
        area->name = "area";
        area->returnType = "double";
        area->mode = ModeAnnotate | ModeVirtual;
        area->owner = &shape;
        shape.methods.push_back(std::move(area));
        shapePlace = AddPlace(&shape, CRect(200, 40, 340, 140));
        circlePlace = AddPlace(&circle, CRect(200, 260, 340, 360));
        auto owned = std::make_unique<Link>(&project);
        link = owned.get();
        link->Connect(0, inheritance, circlePlace, shapePlace, 0);
        model->AddDrawable(std::move(owned));
    }
    ~ClassDiagramTest() override { model->Detach(&scope); }

    Place* AddPlace(Master* master, const CRect& r) {
        auto owned = std::make_unique<Place>(&project);
        Place* p = owned.get();
        p->Setup(10, r, master, true);
        p->AddMasterReference();
        model->AddDrawable(std::move(owned));
        return p;
    }
    void DrawModel(DeviceContext& dc) {
        for (const auto& d : model->Drawables())
            d->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    }
    QImage Render() {
        CBitmap bitmap;
        bitmap.CreateBitmap(600, 400);
        {
            PainterDC dc(bitmap);
            DrawModel(dc);
        }
        return bitmap.Image()->copy();
    }

    NotationTemplate notation;
    ToolModel* classTool = nullptr;
    ToolModel* inheritance = nullptr;
    std::unique_ptr<Model> model;
    Master shape, circle;
    Place* shapePlace = nullptr;
    Place* circlePlace = nullptr;
    Link* link = nullptr;
};

TEST_F(ClassDiagramTest, DrawsTheSamePicturesOnEveryRun) {
    ASSERT_NE(classTool, nullptr);
    ASSERT_NE(inheritance, nullptr);
    const QImage first = Render();
    const QImage second = Render();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first == second);
    int dark = 0;
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < first.width(); ++x)
            dark += qGray(first.pixel(x, y)) < 128;
    }
    EXPECT_GT(dark, 200);
    // The places' outlines are where their bounds are (the class outline is dashed).
    int left = 0, right = 0;
    for (int y = 40; y < 140; ++y) {
        left += qGray(first.pixel(200, y)) < 128;
        right += qGray(first.pixel(199, y)) < 128;
    }
    EXPECT_GT(left, 30);
    EXPECT_EQ(right, 0);
}

TEST_F(ClassDiagramTest, EveryCompartmentOfAClassBoxHasBothSideBordersAndIsFilled) {
    // Shape's box is (200, 40, 340, 140): its compartment lines lie at 30%
    // and 65% of the height (y = 70 and y = 105). The outline is dotted, so a
    // side shows as every other pixel; a missing side shows none. The page is
    // grey so that the box's white fill shows where it reaches.
    CBitmap bitmap;
    bitmap.CreateBitmap(600, 400);
    {
        PainterDC dc(bitmap);
        dc.FillSolidRect(CRect(0, 0, 600, 400), RGB(128, 128, 128));
        shapePlace->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    }
    const QImage image = bitmap.Image()->copy();
    if (const char* dump = std::getenv("QM_DUMP_CLASS_BOX"))
        image.save(dump);
    struct Side {
        const char* compartment;
        int x, top, bottom;
    };
    const Side sides[] = {
        {"name, left", 200, 42, 68},      {"name, right", 339, 42, 68},
        {"members, left", 200, 72, 103},  {"members, right", 339, 72, 103},
        {"methods, left", 200, 107, 138}, {"methods, right", 339, 107, 138},
    };
    for (const Side& side : sides) {
        int black = 0;
        for (int y = side.top; y <= side.bottom; ++y)
            black += qGray(image.pixel(side.x, y)) < 64;
        EXPECT_GE(black, (side.bottom - side.top) / 3) << side.compartment;
    }
    // The fill covers every compartment up to its sides.
    for (int y : {45, 60, 75, 90, 100, 110, 125, 135}) {
        for (int x : {201, 338})
            EXPECT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << x << ", " << y;
    }
}

TEST_F(ClassDiagramTest, ABuiltInClassListsItsShownMembersBelowItsName) {
    RecordingDC dc;
    shapePlace->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    std::vector<std::string> texts;
    for (const std::string& call : dc.CallsNamed("DrawText"))
        texts.push_back(call.substr(0, call.find("\" ") + 1));
    EXPECT_EQ(texts,
              (std::vector<std::string>{"DrawText \"Shape\"", "DrawText \"-area(): double\""}));
}

TEST_F(ClassDiagramTest, AStereotypeAndTheNameTakeTheFirstTwoLinesAboveTheMembers) {
    // The class tool has no name frame: the two lines go at the top of the
    // box, inside it, and the member list starts below them.
    shape.stereotype = "entity";
    shapePlace->bounds = CRect(0, 0, 100, 60);
    RecordingDC dc;
    shapePlace->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    const auto texts = dc.CallsNamed("DrawText");
    ASSERT_EQ(texts.size(), 3u);
    auto box = [](const std::string& call) {
        std::istringstream in(call.substr(call.rfind("\" ") + 2));
        CRect r;
        in >> r.left >> r.top >> r.right >> r.bottom;
        return r;
    };
    EXPECT_EQ(texts[0].rfind("DrawText \"\xC2\xAB"
                             "entity\xC2\xBB\"",
                             0),
              0u)
        << texts[0];
    EXPECT_EQ(texts[1].rfind("DrawText \"Shape\"", 0), 0u) << texts[1];
    const CRect stereo = box(texts[0]), name = box(texts[1]), member = box(texts[2]);
    const int32_t line = member.Height();
    EXPECT_EQ(stereo.top, 0);
    EXPECT_EQ(name.top, stereo.bottom);
    EXPECT_GT(name.top, stereo.top);
    EXPECT_LE(name.top + line, member.top) << texts[1] << " / " << texts[2];
}

// The horizontal lines of the recorded polygons that cross a box from side
// to side inside it: its compartment lines.
std::vector<int32_t> CompartmentLines(const RecordingDC& dc, const CRect& box) {
    std::vector<int32_t> ys;
    for (const std::string& call : dc.CallsNamed("Polygon")) {
        std::istringstream in(call.substr(8));
        int count = 0;
        in >> count;
        std::vector<CPoint> points;
        for (int i = 0; i < count; ++i) {
            CPoint p;
            char comma;
            in >> p.x >> comma >> p.y;
            points.push_back(p);
        }
        for (size_t i = 1; i < points.size(); ++i) {
            const CPoint a = points[i - 1], b = points[i];
            if (a.y == b.y && a.y > box.top + 1 && a.y < box.bottom - 2 &&
                std::abs(a.x - b.x) * 10 >= box.Width() * 9)
                ys.push_back(a.y);
        }
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    return ys;
}

struct DrawnText {
    std::string text;
    CRect rect;
};

std::vector<DrawnText> DrawnTexts(const RecordingDC& dc) {
    std::vector<DrawnText> texts;
    for (const std::string& call : dc.CallsNamed("DrawText")) {
        const size_t close = call.rfind("\" ");
        std::istringstream in(call.substr(close + 2));
        DrawnText t{call.substr(10, close - 10), CRect()};
        in >> t.rect.left >> t.rect.top >> t.rect.right >> t.rect.bottom;
        texts.push_back(t);
    }
    return texts;
}

TEST_F(ClassDiagramTest, EveryMemberTextOfAnAutoSizedClassKeepsInsideItsCompartment) {
    NotationTemplate shipped;
    CreateTemplate(shipped, QM_NOTATIONS_DIR "/UML2.1.not");
    struct Case {
        const char* notation;
        ToolModel* tool;
        std::string name;
    };
    const Case cases[] = {
        {"built-in", classTool, "Order"},
        {"shipped", shipped.GetTool(10), "Order"},
        {"built-in, long member names", classTool, "Invoice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.notation);
        ASSERT_NE(c.tool, nullptr);
        Master master;
        master.SetToolAndName(c.tool, c.name, "");
        const bool longNames = c.name == "Invoice";
        for (int i = 0; i < 5; ++i) {
            auto a = std::make_unique<MasterAttribute>();
            a->name =
                (longNames ? "aVeryLongAttributeNameThatRunsOn" : "attribute") + std::to_string(i);
            a->type = "int";
            a->mode = ModeAnnotate;
            a->owner = &master;
            master.attributes.push_back(std::move(a));
            auto m = std::make_unique<MasterMethod>();
            m->name = "method" + std::to_string(i);
            m->returnType = "bool";
            m->mode = ModeAnnotate;
            m->owner = &master;
            master.methods.push_back(std::move(m));
        }
        auto owned = std::make_unique<Place>(&project);
        Place* place = owned.get();
        place->Setup(10, CRect(100, 100, 200, 160), &master, true);
        // The size the layout gives, measured on dc, at (20, 20); long member
        // names are cut at the box's side, not widened past it.
        auto fit = [&](DeviceContext& measure) {
            CRect fitted;
            place->ComputeAutoSize(&measure, fitted);
            if (longNames)
                fitted.right = fitted.left + 120;
            fitted.OffsetRect(20 - fitted.left, 20 - fitted.top);
            place->SetBounds(fitted);
        };
        RecordingDC dc;
        fit(dc);
        dc.Clear();
        place->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
        const CRect box = place->bounds;
        const std::vector<int32_t> lines = CompartmentLines(dc, box);
        ASSERT_EQ(lines.size(), 2u) << "the name, attribute and method compartments";
        const std::vector<DrawnText> texts = DrawnTexts(dc);
        int attributes = 0, methods = 0;
        for (const DrawnText& t : texts) {
            const CRect& r = t.rect;
            SCOPED_TRACE(t.text);
            EXPECT_TRUE(r.left >= box.left && r.right <= box.right && r.top >= box.top &&
                        r.bottom <= box.bottom)
                << r.left << " " << r.top << " " << r.right << " " << r.bottom;
            for (int32_t y : lines)
                EXPECT_FALSE(r.top <= y && y < r.bottom) << "the line at " << y << " crosses it";
            if (t.text.find("ttribute") != std::string::npos) {
                ++attributes;
                EXPECT_TRUE(r.top >= lines[0] && r.bottom <= lines[1]);
            } else if (t.text.find("method") != std::string::npos) {
                ++methods;
                EXPECT_GE(r.top, lines[1]);
            } else {
                EXPECT_LE(r.bottom, lines[0]) << "the name";
            }
        }
        // At the size the layout gives every member is shown.
        EXPECT_EQ(attributes, 5);
        EXPECT_EQ(methods, 5);
        // The member texts are clipped to the box as well.
        EXPECT_FALSE(dc.CallsNamed("IntersectClipRect").empty());
        if (const char* dump = std::getenv("QM_DUMP_CLASS_BOX")) {
            CBitmap bitmap;
            bitmap.CreateBitmap(box.right + 200, box.bottom + 100);
            {
                PainterDC painter(bitmap);
                painter.FillSolidRect(CRect(0, 0, box.right + 200, box.bottom + 100),
                                      RGB(255, 255, 255));
                fit(painter);
                place->Draw(painter, nullptr, 1.0, nullptr, nullptr, 0);
            }
            bitmap.Image()->save(QString::fromStdString(std::string(dump) + "-" +
                                                        std::to_string(&c - cases) + ".png"));
        }
        DiscardDrawable(std::move(owned), &scope);
    }
}

TEST_F(ClassDiagramTest, AutoSizeFitsTenMembersWithTheMarginsAndNoMore) {
    // The recording context measures 6 units a character and 12 a line: the
    // box is the longest line + 10 wide and the name and 10 member lines + 1
    // high, or half the tool's drawing where that is larger.
    NotationTemplate shipped;
    CreateTemplate(shipped, QM_NOTATIONS_DIR "/UML2.1.not");
    struct Case {
        const char* notation;
        ToolModel* tool;
        uint32_t flags;
    } cases[] = {
        {"built-in, detailed", classTool, PfCompartments | PfDetails},
        {"shipped, detailed", shipped.GetTool(10), PfCompartments | PfDetails},
        {"shipped, names only", shipped.GetTool(10), PfCompartments},
        {"shipped, no compartments", shipped.GetTool(10), PfDetails},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.notation);
        ASSERT_NE(c.tool, nullptr);
        Master master;
        master.SetToolAndName(c.tool, "Reservation", "");
        const char* attributes[] = {"id", "reservedOn", "pickUpBy", "status", "copies"};
        const char* types[] = {"long", "Date", "Date", "ReservationStatus", "int"};
        for (int i = 0; i < 5; ++i) {
            auto a = std::make_unique<MasterAttribute>();
            a->name = attributes[i];
            a->type = types[i];
            a->mode = ModeAnnotate;
            a->owner = &master;
            master.attributes.push_back(std::move(a));
            auto m = std::make_unique<MasterMethod>();
            m->name = "step" + std::to_string(i);
            auto p = std::make_unique<Parameter>();
            p->name = "member";
            p->type = "Member";
            m->parameters.push_back(std::move(p));
            m->returnType = "bool";
            m->mode = ModeAnnotate;
            m->owner = &master;
            master.methods.push_back(std::move(m));
        }
        auto owned = std::make_unique<Place>(&project);
        Place* place = owned.get();
        place->Setup(10, CRect(100, 100, 170, 150), &master, true);
        place->placeFlags = c.flags;
        RecordingDC dc;
        CRect fitted;
        place->ComputeAutoSize(&dc, fitted);
        place->SetBounds(fitted);
        dc.Clear();
        place->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
        const std::vector<DrawnText> texts = DrawnTexts(dc);
        const bool listed = (c.flags & PfCompartments) != 0;
        ASSERT_EQ(texts.size(), listed ? 11u : 1u);
        size_t longest = 0;
        for (const DrawnText& t : texts) {
            SCOPED_TRACE(t.text);
            longest = std::max(longest, t.text.size());
            const CRect& r = t.rect;
            EXPECT_TRUE(r.left >= fitted.left && r.right <= fitted.right && r.top >= fitted.top &&
                        r.bottom <= fitted.bottom)
                << r.left << " " << r.top << " " << r.right << " " << r.bottom;
            EXPECT_LE(int32_t(t.text.size()) * 6, r.Width()) << "the whole line fits its box";
        }
        // Detailed lines carry the types, the parameters and the return type.
        if (c.flags == (PfCompartments | PfDetails)) {
            EXPECT_EQ(texts[1].text, "-id: long");
            EXPECT_EQ(texts[6].text.substr(1), "step0(member:Member): bool");
        } else if (listed) {
            EXPECT_EQ(texts[1].text, "-id");
            EXPECT_EQ(texts[6].text.substr(1), "step0()");
        }
        const CRect half(0, 0, c.tool->SampleFrame().Width() / 2,
                         c.tool->SampleFrame().Height() / 2);
        EXPECT_LE(fitted.Width(), std::max<int32_t>(int32_t(longest) * 6 + 10, half.Width()) + 1);
        EXPECT_LE(fitted.Height(), std::max<int32_t>(12 * (listed ? 12 : 1), half.Height()) + 1);
        // The place keeps its centre.
        EXPECT_LE(std::abs(fitted.CenterPoint().x - 135), 1);
        EXPECT_LE(std::abs(fitted.CenterPoint().y - 125), 1);
        DiscardDrawable(std::move(owned), &scope);
    }
}

TEST_F(ClassDiagramTest, TheArrowheadIsDrawnAtTheTargetEnd) {
    const CPoint end = link->Vertices().back();
    const CPoint start = link->Vertices().front();
    // The link runs from Circle's top edge up to Shape's bottom edge.
    EXPECT_LE(std::abs(start.y - 260), 1);
    EXPECT_LE(std::abs(end.y - 140), 1);
    RecordingDC dc;
    link->Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
    const auto polygons = dc.CallsNamed("Polygon");
    ASSERT_EQ(polygons.size(), 1u);
    // Every corner of the head lies within its 20 x 30 box at the target end.
    std::istringstream in(polygons[0].substr(polygons[0].find(' ') + 1));
    int count = 0;
    in >> count;
    EXPECT_EQ(count, 3);
    bool tip = false;
    for (int i = 0; i < count; ++i) {
        int x = 0, y = 0;
        char comma = 0;
        in >> x >> comma >> y;
        EXPECT_LE(std::abs(x - end.x), 16) << polygons[0];
        EXPECT_LE(std::abs(y - end.y), 21) << polygons[0];
        EXPECT_GE(y, end.y - 1) << polygons[0];
        tip = tip || (std::abs(x - end.x) <= 1 && std::abs(y - end.y) <= 1);
    }
    EXPECT_TRUE(tip) << polygons[0];
}

TEST_F(ClassDiagramTest, AGroupRecordKeepsItsPlacesAndLinks) {
    const std::string record =
        "(group ((place \"\" (2) \"\" (junctions) 10 \"GP000000000001\" (0 0 70 50) (-5 -5 75 55) "
        "(3 3 67 47) 1 0 nil \"\") "
        "(link \"GP000000000001\" \"GP000000000001\" (0 0 70 0) 3 \"\" \"\" \"%%\" \"%%\" \"\" "
        "\"\" "
        "\"\" 1 0 (0 0 0 0) (0 0 0 0) (0 0 0 0) 0 0 \"GL000000000001\" (0 0 70 1) (0 0 70 1) "
        "(0 0 0 0) 2 0 nil \"\")) "
        "33 \"GG000000000001\" (0 0 70 50) (0 0 0 0) (0 0 0 0) 4 1 nil \"\")";
    GuidScope withTools(&project, &notation.guidMap);
    std::unique_ptr<Drawable> d = CreateDrawableFromRecord(read(record), &withTools);
    ASSERT_NE(d, nullptr);
    auto* group = dynamic_cast<PrimitiveGroup*>(d.get());
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->Members().size(), 2u);
    EXPECT_TRUE(group->Members().front()->IsPlace());
    EXPECT_TRUE(group->Members().back()->IsLink());
    group->ResolveRefs(nullptr, &withTools, false);
    auto* member = static_cast<Link*>(group->Members().back().get());
    EXPECT_EQ(member->GetSource(), group->Members().front().get());
    EXPECT_EQ(member->Tool(), inheritance);
    group->Detach(&withTools);
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

TEST_F(ClassDiagramTest, AModelRecordReadsItsPlacesAndLinksBack) {
    GuidScope withTools(&project, &notation.guidMap);
    // Writing reads the list alone.
    auto& drawables = const_cast<DrawableList&>(model->Drawables());
    kest::Cell* records = PersistDrawables(nullptr, drawables, &withTools, model.get(), nullptr,
                                           kest::nil, nullptr, false);
    const std::string written = print(records);
    GuidMap other;
    GuidScope again(&other, &notation.guidMap);
    other.Add(&shape);
    other.Add(&circle);
    DrawableList read;
    CRect repaint;
    PersistDrawables(nullptr, read, &again, nullptr, nullptr, records, &repaint, false);
    ASSERT_EQ(read.size(), 3u);
    auto* readLink = dynamic_cast<Link*>(read.back().get());
    ASSERT_NE(readLink, nullptr);
    EXPECT_EQ(readLink->GetSource(), std::next(read.begin())->get());
    EXPECT_EQ(readLink->GetTarget(), read.front().get());
    EXPECT_EQ(readLink->savedSourceBounds, circlePlace->bounds);
    EXPECT_EQ(readLink->savedTargetBounds, shapePlace->bounds);
    EXPECT_EQ(readLink->Tool(), inheritance);
    EXPECT_EQ(shape.refCount, 2); // the diagram's place and the one read
    EXPECT_EQ(
        print(PersistDrawables(nullptr, read, &again, nullptr, nullptr, kest::nil, nullptr, false)),
        written);
    for (auto& d : read)
        d->Detach(&again);
    other.Remove(&shape);
    other.Remove(&circle);
}

} // namespace
} // namespace qm::test
