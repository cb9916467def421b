// The find-and-replace engine over a small project of three models: the walk
// of Find Next and Find Previous with its wrap-around, the options, Find All's
// lines, Replace and Replace All with their undo, and going to a match.
#include "dialogs/find/FindEngine.h"

#include "document/UndoJournal.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/Tag.h"
#include "model/Master.h"
#include "platform/Prompt.h"
#include "tests/document/DocumentFixture.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// Models "Shapes" (Shape, ShapeList, a link "holds Shape", a tag "a Shape
// note"), "Vehicles" (Cart, Car, Wheel) and "More Shapes" (Shape again).
std::string Project() {
    return ReadWholeFile(QM_FIXTURES "/dialogs/find.pro", 1 << 20).value_or("");
}

// A host that writes down what the run asked it to show.
struct RecordingHost : FindHost {
    void ShowDrawable(Model& model, Drawable* drawable) override {
        shown.push_back(model.name +
                        (drawable != nullptr ? std::string(":") + drawable->Id().Text() : ""));
    }
    void ShowModelProperties(Model& model) override { properties.push_back(model.name); }
    void InvalidateRect(Model&, const CRect&) override { ++repaints; }
    void ApplyAndHidePropertySheet() override { ++sheetsHidden; }
    std::vector<std::string> shown;
    std::vector<std::string> properties;
    int repaints = 0;
    int sheetsHidden = 0;
};

class FindEngineTest : public test::DocumentTest {
  public:
    FindEngineTest() : prompts(&headless) {
        doc = Load(Project());
        engine = std::make_unique<FindEngine>(*doc);
    }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const FindMatch& match : engine->MatchList().Matches())
            lines.push_back(match.line);
        return lines;
    }
    // The line of each of n Find Next (or Previous) clicks ("-" when none).
    std::vector<std::string> Walk(FindMode mode, const std::string& word, int options, int n) {
        std::vector<std::string> walked;
        for (int i = 0; i < n; ++i) {
            engine->FindInModels(mode, word, "", options, host);
            walked.push_back(Lines().empty() ? "-" : Lines().front());
        }
        return walked;
    }
    std::string Saved() {
        const bool modified = doc->IsModified();
        doc->SetModifiedFlag(false);
        std::string text = doc->StoreText();
        doc->SetModifiedFlag(modified);
        return text;
    }

    HeadlessPrompts headless;
    ScopedPromptService prompts;
    std::unique_ptr<CCASEDoc> doc;
    std::unique_ptr<FindEngine> engine;
    RecordingHost host;
};

TEST_F(FindEngineTest, FindNextWalksTheMatchesInModelOrderAndWraps) {
    EXPECT_EQ(
        Walk(FindMode::Next, "Shape", 0, 9),
        (std::vector<std::string>{
            "Model Shapes: 2 hits", "Shapes/Place Shape: 2 hits", "Shapes/Place ShapeList: 1 hits",
            "Shapes/Link holds Shape: 1 hits", "Shapes/Tag a Shape note: 1 hits",
            "Model More Shapes: 1 hits", "More Shapes/Place Shape: 2 hits",
            // past the last model the walk starts over with the first
            "Model Shapes: 2 hits", "Shapes/Place Shape: 2 hits"}));
    EXPECT_EQ(host.shown.front(), "Shapes");
    EXPECT_EQ(host.shown[1], "Shapes:p-shape-00001");
    EXPECT_TRUE(headless.asked.empty());
}

TEST_F(FindEngineTest, FindPreviousContinuesWithTheLastModel) {
    // Within a model the order stays forward; the models are walked backwards.
    EXPECT_EQ(Walk(FindMode::Previous, "Shape", 0, 4),
              (std::vector<std::string>{"Model Shapes: 2 hits", "Shapes/Place Shape: 2 hits",
                                        "Shapes/Place ShapeList: 1 hits",
                                        "Shapes/Link holds Shape: 1 hits"}));
    engine->ResetPosition();
    engine->FindInModels(FindMode::Next, "Shape", "", 0, host);
    for (int i = 0; i < 4; ++i)
        engine->FindInModels(FindMode::Next, "Shape", "", 0, host);
    // The tag was the last hit of the first model: previous goes on in the last model.
    ASSERT_EQ(Lines(), std::vector<std::string>{"Shapes/Tag a Shape note: 1 hits"});
    EXPECT_EQ(
        Walk(FindMode::Previous, "Shape", 0, 2),
        (std::vector<std::string>{"Model More Shapes: 1 hits", "More Shapes/Place Shape: 2 hits"}));
}

TEST_F(FindEngineTest, TheOptionsNarrowWhatMatches) {
    struct Case {
        std::string word;
        int options;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        // "Car" in "Cart" is no whole word; the one in Wheel's comment is.
        {"Car", FoWholeWords, {"Vehicles/Place Car: 1 hits", "Vehicles/Place Wheel: 1 hits"}},
        {"Car",
         0,
         {"Vehicles/Place Cart: 1 hits", "Vehicles/Place Car: 1 hits",
          "Vehicles/Place Wheel: 1 hits"}},
        // Names only: no model comment, no master comment, no tag.
        {"Car", FoWholeWords | FoNameOnly, {"Vehicles/Place Car: 1 hits"}},
        {"Shape",
         FoNameOnly,
         {"Model Shapes: 1 hits", "Shapes/Place Shape: 1 hits", "Shapes/Place ShapeList: 1 hits",
          "Shapes/Link holds Shape: 1 hits", "Shapes/Tag a Shape note: 1 hits",
          "Model More Shapes: 1 hits", "More Shapes/Place Shape: 1 hits"}},
        {"shape", FoMatchCase, {}},
        {std::string(513, 'x'), 0, {}},
    };
    for (const Case& c : cases) {
        engine->FindInModels(FindMode::All, c.word, "", c.options, host);
        EXPECT_EQ(Lines(), c.lines) << c.word << " " << c.options;
    }
}

TEST_F(FindEngineTest, FindAllListsEveryObjectWithHitsAndAsksForTheMatchList) {
    FindResult result = engine->FindInModels(FindMode::All, "Shape", "", 0, host);
    EXPECT_TRUE(result.showMatchList);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "Model Shapes: 2 hits", "Shapes/Place Shape: 2 hits",
                           "Shapes/Place ShapeList: 1 hits", "Shapes/Link holds Shape: 1 hits",
                           "Shapes/Tag a Shape note: 1 hits", "Model More Shapes: 1 hits",
                           "More Shapes/Place Shape: 2 hits"}));
    EXPECT_EQ(engine->MatchList().Matches()[5].modelIndex, 2);
    EXPECT_EQ(host.sheetsHidden, 1);
    // Nothing is changed or recorded by a search.
    EXPECT_TRUE(doc->GetJournal().Records().empty());
}

TEST_F(FindEngineTest, NoFurtherMatchIsToldAtTheEndOfAWalkWithoutWrap) {
    // Wheel's comment is the only whole-word "Car" after the place Car.
    EXPECT_EQ(Walk(FindMode::Next, "Car", FoWholeWords, 3),
              (std::vector<std::string>{"Vehicles/Place Car: 1 hits",
                                        "Vehicles/Place Wheel: 1 hits", "-"}));
    EXPECT_EQ(headless.asked, std::vector<std::string>{"No further matching string found."});
    // The next click starts over from the first model.
    EXPECT_EQ(Walk(FindMode::Next, "Car", FoWholeWords, 1),
              std::vector<std::string>{"Vehicles/Place Car: 1 hits"});
    EXPECT_FALSE(engine->FindInModels(FindMode::All, "Bicycle", "", 0, host).found);
    EXPECT_EQ(headless.asked.size(), 2u);
}

TEST_F(FindEngineTest, ReplaceAllIsOneUndoStepThatRestoresEveryText) {
    const std::string before = Saved();
    FindResult result = engine->FindInModels(FindMode::ReplaceAll, "Shape", "Form", 0, host);
    EXPECT_TRUE(result.showMatchList);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "Model Forms: 2 hits", "Forms/Place Form: 2 hits",
                           "Forms/Place FormList: 1 hits", "Forms/Link holds Form: 1 hits",
                           "Forms/Tag a Form note: 1 hits", "Model More Forms: 1 hits"}));
    // The master shown twice is replaced in once.
    EXPECT_EQ(result.replacements, 8);
    auto* link = dynamic_cast<Link*>(doc->IdMap().Lookup("l-holds-00001"));
    auto* tag = dynamic_cast<Tag*>(doc->IdMap().Lookup("t-shape-00001"));
    auto* place = dynamic_cast<Place*>(doc->IdMap().Lookup("p-shape-00002"));
    ASSERT_TRUE(link != nullptr && tag != nullptr && place != nullptr);
    EXPECT_EQ(link->name, "holds Form");
    EXPECT_EQ(tag->text, "a Form note");
    EXPECT_EQ(place->master->name, "Form");
    EXPECT_EQ(place->master->comment, "base of every Form");
    const std::string after = Saved();

    const auto& records = doc->GetJournal().Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].description, "Replace All");
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(Saved(), before);
    ASSERT_TRUE(doc->GetJournal().Replay(1, true));
    EXPECT_EQ(Saved(), after);
}

TEST_F(FindEngineTest, ReplaceChangesTheHitShownAndMovesToTheNext) {
    const std::string before = Saved();
    // Find Next stops at the model's own texts, then at the place Shape.
    Walk(FindMode::Next, "Shape", FoNameOnly, 2);
    ASSERT_EQ(Lines(), std::vector<std::string>{"Shapes/Place Shape: 1 hits"});
    FindResult result = engine->FindInModels(FindMode::Replace, "Shape", "Form", FoNameOnly, host);
    EXPECT_EQ(result.replacements, 1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Shapes/Place Form: 1 hits",
                                                 "Shapes/Place ShapeList: 1 hits"}));
    EXPECT_EQ(host.shown.back(), "Shapes:p-list-000001");
    EXPECT_EQ(host.repaints, 1);
    // Only the name was replaced in: the comment kept its word.
    auto* place = dynamic_cast<Place*>(doc->IdMap().Lookup("p-shape-00001"));
    EXPECT_EQ(place->master->comment, "base of every Shape");
    // The next Replace replaces in the hit shown, and goes on to the link.
    engine->FindInModels(FindMode::Replace, "Shape", "Form", FoNameOnly, host);
    EXPECT_EQ(Lines().back(), "Shapes/Link holds Shape: 1 hits");

    const auto& records = doc->GetJournal().Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].description, "Replace");
    ASSERT_TRUE(doc->GetJournal().Replay(2, false));
    EXPECT_EQ(Saved(), before);
}

TEST_F(FindEngineTest, ReplacingNothingRecordsNothing) {
    engine->FindInModels(FindMode::ReplaceAll, "Bicycle", "Bike", 0, host);
    EXPECT_TRUE(doc->GetJournal().Records().empty());
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(FindEngineTest, GoingToAMatchFollowsTheModelAndItsDrawable) {
    engine->FindInModels(FindMode::All, "Shape", "", 0, host);
    host.shown.clear();
    const FindMatchList& list = engine->MatchList();
    EXPECT_TRUE(list.GoToMatch(*doc, 0, host));
    EXPECT_EQ(host.properties, std::vector<std::string>{"Shapes"});
    EXPECT_TRUE(list.GoToMatch(*doc, 3, host));
    EXPECT_EQ(host.shown, std::vector<std::string>{"Shapes:l-holds-00001"});
    EXPECT_FALSE(list.GoToMatch(*doc, 99, host));

    // A model moved in the list: its lines lead nowhere.
    Model* more = doc->FindModelByName("More Shapes");
    doc->MoveModel(more, nullptr, true);
    EXPECT_FALSE(list.GoToMatch(*doc, 5, host));
    EXPECT_FALSE(list.GoToMatch(*doc, 0, host));
    EXPECT_EQ(host.properties.size(), 1u);
}

TEST_F(FindEngineTest, AnEmptyProjectFindsNothingAndSaysNothing) {
    auto empty = NewDoc();
    FindEngine nothing(*empty);
    FindResult result = nothing.FindInModels(FindMode::All, "Shape", "", 0, host);
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.passes, 0);
    EXPECT_TRUE(headless.asked.empty());
}

} // namespace
} // namespace qm
