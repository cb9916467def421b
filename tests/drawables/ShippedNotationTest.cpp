// The shipped UML notation (Notations/UML2.1.not): the link tools draw the
// class-diagram relations as UML 2.5 shows them, read from the template's
// own records and checked again where a drawn link puts its decoration.
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/Primitives.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
#include "platform/RecordingDC.h"
#include "tests/drawables/DrawableFixture.h"

#include <QImage>

#include <cctype>
#include <set>
#include <sstream>

namespace qm::test {
namespace {

// One primitive of a link tool's drawing as a person names it.
struct Decoration {
    std::string end;   // "source", "middle" or "target"
    std::string shape; // "triangle", "diamond", "open arrow", ...
    bool filled = false;
    bool operator==(const Decoration& o) const {
        return end == o.end && shape == o.shape && filled == o.filled;
    }
};

std::ostream& operator<<(std::ostream& out, const Decoration& d) {
    return out << d.end << " " << (d.filled ? "filled " : "hollow ") << d.shape;
}

std::vector<Decoration> DecorationsOf(const ToolModel& tool) {
    std::vector<Decoration> out;
    const CRect frame = tool.LinkFrame();
    for (const auto& d : tool.Drawables()) {
        Decoration dec;
        dec.end = d->bounds.right <= frame.left   ? "source"
                  : d->bounds.left >= frame.right ? "target"
                                                  : "middle";
        const auto* line = dynamic_cast<const LinePrimitive*>(d.get());
        const int n = line != nullptr ? line->GetVertexCount() : 0;
        if (d->kindCode == TkPolygon && n == 3)
            dec.shape = "triangle";
        else if (d->kindCode == TkPolygon && n == 4)
            dec.shape = "diamond";
        else if (d->kindCode == TkPolyline && n == 3)
            dec.shape = "open arrow";
        else
            dec.shape = "kind " + std::to_string(d->kindCode);
        dec.filled = d->looks.fillColor == 0;
        out.push_back(dec);
    }
    return out;
}

class ShippedNotationTest : public DrawableTest {
  protected:
    ShippedNotationTest() { CreateTemplate(notation, QM_NOTATIONS_DIR "/UML2.1.not"); }
    NotationTemplate notation;
};

constexpr int kSolid = 4, kDash = 0;

TEST_F(ShippedNotationTest, LinkToolsDrawTheUmlClassDiagramRelations) {
    struct Row {
        int id;
        const char* name;
        const char* semantics;
        int lineKind;
        std::vector<Decoration> decorations;
    };
    const Row table[] = {
        {0, "Inheritance", "Inheritance", kSolid, {{"target", "triangle", false}}},
        {1, "Composition", "Composition", kSolid, {{"source", "diamond", true}}},
        {2, "Aggregation", "Aggregation", kSolid, {{"source", "diamond", false}}},
        {3, "Association", "Association", kSolid, {}},
        {100, "Directed Association", "Association", kSolid, {{"target", "open arrow", false}}},
        {8, "Realization", "Realization", kDash, {{"target", "triangle", false}}},
        {9, "Dependency", "Dependency", kDash, {{"target", "open arrow", false}}},
        {4, "Control Flow/Transition", "Unspecified", kSolid, {{"target", "open arrow", false}}},
        {5, "Data Flow", "Data-Flow", kSolid, {{"target", "triangle", true}}},
        {6,
         "Message",
         "Unspecified",
         kSolid,
         {{"middle", "triangle", true}, {"target", "triangle", true}}},
        {7,
         "Duplex",
         "Unspecified",
         kSolid,
         {{"source", "triangle", true}, {"target", "triangle", true}}},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        const ToolModel* tool = notation.GetTool(row.id);
        ASSERT_NE(tool, nullptr);
        EXPECT_TRUE(tool->IsLinkTool());
        EXPECT_EQ(tool->name, row.name);
        EXPECT_EQ(tool->GetSemanticsName(), row.semantics);
        EXPECT_EQ(int(tool->lineKind), row.lineKind);
        EXPECT_EQ(DecorationsOf(*tool), row.decorations);
        // The relations of a class diagram generate code by default.
        if (std::string(row.semantics) != "Unspecified" && row.id != 5) {
            EXPECT_EQ(tool->modelFlags & 1u, 1u);
        }
    }
    // Scripts and reverse engineering find the class relations by meaning.
    EXPECT_EQ(notation.FindToolBySemantics(true, 1, -1), 0);
    EXPECT_EQ(notation.FindToolBySemantics(true, 2, -1), 8);
    EXPECT_EQ(notation.FindToolBySemantics(true, 4, -1), 1);
    EXPECT_EQ(notation.FindToolBySemantics(true, 5, -1), 2);
    EXPECT_EQ(notation.FindToolBySemantics(true, 6, -1), 3);
    EXPECT_EQ(notation.FindToolBySemantics(true, 10, -1), 9);
}

TEST_F(ShippedNotationTest, ToolNamesAreUniqueAndIconSlotsDistinct) {
    std::set<std::string> names;
    std::set<int> iconSlots;
    int tools = 0;
    for (int index = 0;; ++index) {
        const int id = notation.ToolIdAt(index, true);
        if (id < 0)
            break;
        const ToolModel* tool = notation.GetTool(id);
        ASSERT_NE(tool, nullptr);
        std::string folded = tool->name;
        for (char& c : folded)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(names.insert(folded).second) << tool->name;
        EXPECT_TRUE(iconSlots.insert(tool->iconSlot).second) << tool->name;
        // Every icon lies within the strip.
        EXPECT_LE((tool->iconSlot + 1) * 16, notation.toolBitmap.Width()) << tool->name;
        // A link tool's icon is its link: the line runs along the icon's middle
        // row beside the decoration, unbroken when solid, broken when dashed.
        if (tool->IsLinkTool() && id != 6 && id != 7) {
            const bool atSource =
                !DecorationsOf(*tool).empty() && DecorationsOf(*tool).front().end == "source";
            int black = 0, columns = 0;
            for (int x = atSource ? 11 : 0; x <= (atSource ? 15 : 7); ++x, ++columns)
                black += notation.toolBitmap.PixelAt(tool->iconSlot * 16 + x, 7) == 0;
            if (tool->lineKind == kDash) {
                EXPECT_TRUE(black > 0 && black < columns) << tool->name;
            } else {
                EXPECT_EQ(black, columns) << tool->name;
            }
        }
        ++tools;
    }
    EXPECT_EQ(tools, 25);
    // The class outline is a solid line; the package has a tab over its body.
    const ToolModel* classTool = notation.GetTool(10);
    ASSERT_FALSE(classTool->Drawables().empty());
    EXPECT_EQ(int(classTool->Drawables().front()->looks.lineKind), kSolid);
    EXPECT_EQ(notation.GetTool(12)->name, "Package");
    EXPECT_EQ(notation.GetTool(12)->Drawables().size(), 2u);
    // A class diagram offers the class relations, classes, objects and packages.
    const DiagramType* classDiagram = notation.diagramTypes.FindByKind(11);
    ASSERT_NE(classDiagram, nullptr);
    for (int id : {0, 1, 2, 3, 8, 9, 10, 11, 12, 100})
        EXPECT_TRUE(classDiagram->IsToolAllowed(id)) << id;
    for (int id : {4, 5, 6, 7, 13})
        EXPECT_FALSE(classDiagram->IsToolAllowed(id)) << id;
}

// The points of the first recorded call of a kind ("Polygon", "Polyline")
// drawn after the link's own path.
std::vector<CPoint> PointsOf(const std::string& call) {
    std::istringstream in(call.substr(call.find(' ') + 1));
    int count = 0;
    in >> count;
    std::vector<CPoint> points;
    for (int i = 0; i < count; ++i) {
        int x = 0, y = 0;
        char comma = 0;
        in >> x >> comma >> y;
        points.emplace_back(x, y);
    }
    return points;
}

TEST_F(ShippedNotationTest, ADrawnLinkPutsItsDecorationAtTheEndItsToolNames) {
    // A link from Part (below) up to Whole (above): the source end is at
    // Part's top edge (y 260), the target end at Whole's bottom edge (y 140).
    std::unique_ptr<Model> model = CreateModelOfKind(&project, &notation, 11);
    Master whole, part;
    whole.SetToolAndName(notation.GetTool(10), "Whole", "");
    part.SetToolAndName(notation.GetTool(10), "Part", "");
    auto place = [&](Master* m, const CRect& r) {
        auto owned = std::make_unique<Place>(&project);
        Place* p = owned.get();
        p->Setup(10, r, m, true);
        p->AddMasterReference();
        model->AddDrawable(std::move(owned));
        return p;
    };
    Place* top = place(&whole, CRect(200, 40, 340, 140));
    Place* bottom = place(&part, CRect(200, 260, 340, 360));
    for (int id : {0, 1, 2, 3, 8, 9, 100}) {
        ToolModel* tool = notation.GetTool(id);
        SCOPED_TRACE(tool->name);
        Link link(&project);
        link.Connect(id, tool, bottom, top, 0);
        link.looks.Init(true, nullptr);
        RecordingDC dc;
        link.Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
        // The path's pen: dashed for realization and dependency.
        const auto pens = dc.CallsNamed("SelectPen");
        ASSERT_FALSE(pens.empty());
        std::istringstream pen(pens.front().substr(10));
        int style = -1;
        pen >> style;
        EXPECT_EQ(style, tool->lineKind == kDash ? PS_DASH : PS_SOLID);
        // The decorations are drawn solid, also on a dashed link: the pen in
        // use at each closed shape or three-point line is a solid one.
        int penStyle = -1, decorationsSeen = 0;
        for (const std::string& call : dc.calls) {
            if (call.rfind("SelectPen ", 0) == 0) {
                std::istringstream in(call.substr(10));
                in >> penStyle;
            } else if (call.rfind("Polygon", 0) == 0 ||
                       (call.rfind("Polyline", 0) == 0 && PointsOf(call).size() == 3)) {
                ++decorationsSeen;
                EXPECT_EQ(penStyle, PS_SOLID) << call;
            }
        }
        EXPECT_EQ(decorationsSeen, int(DecorationsOf(*tool).size()));
        // Each decoration lies within 21 units of the end its tool names.
        const std::vector<Decoration> wanted = DecorationsOf(*tool);
        std::vector<std::string> drawn = dc.CallsNamed("Polygon");
        for (const std::string& call : dc.CallsNamed("Polyline")) {
            if (PointsOf(call).size() == 3)
                drawn.push_back(call);
        }
        ASSERT_EQ(drawn.size(), wanted.size());
        for (size_t i = 0; i < drawn.size(); ++i) {
            const CPoint end =
                wanted[i].end == "source" ? link.Vertices().front() : link.Vertices().back();
            for (const CPoint& p : PointsOf(drawn[i])) {
                EXPECT_LE(std::abs(p.x - end.x), 21) << drawn[i];
                EXPECT_LE(std::abs(p.y - end.y), 21) << drawn[i];
                // On the link's side of the node it touches.
                if (wanted[i].end == "source") {
                    EXPECT_LE(p.y, end.y + 1) << drawn[i];
                } else {
                    EXPECT_GE(p.y, end.y - 1) << drawn[i];
                }
            }
        }
        link.Detach(&scope);
    }
    model->Detach(&scope);
}

} // namespace
} // namespace qm::test
