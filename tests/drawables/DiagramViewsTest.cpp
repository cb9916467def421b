// The views of a document: notices and repaints reach every view attached
// to that document and no other, a device context goes back to the view
// that lent it, and a document without views is answered as one without a
// window.
#include "drawables/DiagramView.h"
#include "model/ModelDocument.h"
#include "platform/PainterDC.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qm {
namespace {

class Document : public ModelDocument {
  public:
    std::vector<Master*> CollectNestedMasters(Master*) override { return {}; }
    ModelObject* FindTopLevelModel(const char*) override { return nullptr; }
    GuidMap* ProjectMap() override { return nullptr; }
    GuidMap* TemplateMap() override { return nullptr; }
    DiagramView* Views() override { return &views; }
    DiagramViews views;
};

class NoViews : public Document {
  public:
    DiagramView* Views() override { return nullptr; }
};

struct RecordingView : DiagramView {
    explicit RecordingView(std::string name, std::vector<std::string>& log)
        : name(std::move(name)), log(log) {}
    DeviceContext* BorrowDC(ModelDocument*) override {
        log.push_back(name + " lends");
        return &dc;
    }
    void ReleaseDC(ModelDocument*, DeviceContext* given) override {
        log.push_back(name + (given == &dc ? " gets its own back" : " gets another's"));
    }
    void InvalidateView(ModelDocument*) override { log.push_back(name + " repaints"); }
    void NotifyChange(ModelDocument*, int code, ModelObject*) override {
        log.push_back(name + " hears " + std::to_string(code));
    }
    void EndRenumberMessages(ModelDocument*) override { log.push_back(name + " ends renumbering"); }
    std::string name;
    std::vector<std::string>& log;
    ImageDC dc{1, 1};
};

TEST(DiagramViews, EveryAttachedViewOfTheDocumentHearsAndTheLenderGetsItsContextBack) {
    std::vector<std::string> log;
    Document document;
    Document other;
    RecordingView first("first", log);
    RecordingView second("second", log);
    RecordingView elsewhere("elsewhere", log);
    document.views.Attach(&first);
    document.views.Attach(&second);
    document.views.Attach(&first); // a second attach changes nothing
    other.views.Attach(&elsewhere);

    ViewOf(&document).NotifyChange(&document, VcPlace, nullptr);
    ViewOf(&document).InvalidateView(&document);
    ViewOf(&document).EndRenumberMessages(&document);
    {
        BorrowedDC borrowed(&document);
        EXPECT_EQ(&borrowed.dc(), &first.dc);
        document.views.Detach(&second);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"first hears 3", "second hears 3", "first repaints",
                                             "second repaints", "first ends renumbering",
                                             "second ends renumbering", "first lends",
                                             "first gets its own back"}));

    // A detached view hears nothing more; the other document's view never did.
    log.clear();
    document.views.Detach(&first);
    EXPECT_TRUE(document.views.Empty());
    ViewOf(&document).NotifyChange(&document, VcLink, nullptr);
    EXPECT_TRUE(log.empty());
    ViewOf(&other).NotifyChange(&other, VcLink, nullptr);
    EXPECT_EQ(log, std::vector<std::string>{"elsewhere hears 4"});
}

// Without a view (none attached, no list, no document) text is still
// measured on a device context of the caller's own, and nothing is heard.
TEST(DiagramViews, ADocumentWithoutAViewMeasuresOnItsOwnContext) {
    Document empty;
    NoViews none;
    for (ModelDocument* document : std::vector<ModelDocument*>{&empty, &none, nullptr}) {
        EXPECT_EQ(ViewOf(document).BorrowDC(document), nullptr);
        EXPECT_EQ(ViewOf(document).PageColumns(document), 0);
        BorrowedDC borrowed(document);
        EXPECT_GT(borrowed.dc().GetTextExtent("Shape").cx, 0);
    }
}

} // namespace
} // namespace qm
