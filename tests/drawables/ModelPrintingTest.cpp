// Model drawing and printing: drawing the selection only, the best page
// matrix, pages and footers on a recording paged device, the model tree's
// pages, each submodel printed once, and a real PDF file.
#include "drawables/ModelPrinting.h"
#include "drawables/CustomModel.h"
#include "drawables/DrawableFactory.h"
#include "drawables/Place.h"
#include "drawables/Primitives.h"
#include "platform/PagedDevice.h"
#include "tests/drawables/DrawableFixture.h"

#include <QFile>
#include <QTemporaryDir>

#include <map>

namespace qm::test {
namespace {

class ModelPrintingTest : public DrawableTest {
  protected:
    ~ModelPrintingTest() override { model.Detach(&scope); }

    BoxPrimitive* AddBox(Model& to, const CRect& rect) {
        auto box = std::make_unique<BoxPrimitive>(&project);
        box->SetFrame(TkRectangle, rect);
        return static_cast<BoxPrimitive*>(to.AddDrawable(std::move(box)));
    }
    static std::vector<std::string> Texts(const RecordingPagedDevice& device) {
        return device.dc.CallsNamed("DrawText");
    }

    CustomModel model{&project};
};

TEST_F(ModelPrintingTest, DrawingTheSelectionOnlySkipsTheRest) {
    BoxPrimitive* one = AddBox(model, CRect(0, 0, 50, 50));
    AddBox(model, CRect(100, 0, 150, 50));
    RecordingDC dc;
    model.Draw(dc, true);
    EXPECT_TRUE(dc.CallsNamed("Rectangle").empty());
    model.Select(one, 1, 0, 0);
    model.Draw(dc, true);
    EXPECT_EQ(dc.CallsNamed("Rectangle").size(), 1u);
    dc.Clear();
    model.Draw(dc, false);
    EXPECT_EQ(dc.CallsNamed("Rectangle").size(), 2u);
}

TEST_F(ModelPrintingTest, TheBestPageMatrixHoldsTheDrawing) {
    EXPECT_EQ(model.BestPageMatrix(500, 700), CSize(1, 1));
    EXPECT_EQ(model.pageMatrix, CRect(0, 0, 500, 700));
    struct Case {
        int32_t right;
        CSize matrix;
    } cases[] = {{1000, {2, 1}}, {1001, {3, 1}}, {499, {1, 1}}};
    for (const Case& c : cases) {
        BoxPrimitive* box = AddBox(model, CRect(10, 10, c.right, 600));
        EXPECT_EQ(model.BestPageMatrix(500, 700), c.matrix) << c.right;
        EXPECT_EQ(model.GetPageSize(true), CSize(c.matrix.cx * 500, 700));
        DiscardDrawable(model.RemoveDrawable(box, false), &scope);
    }
    EXPECT_EQ(model.BestPageMatrix(0, 0), CSize(1, 1)) << "a zero page counts as 1";
}

TEST_F(ModelPrintingTest, PagesWalkTheMatrixAndCarryTheFooter) {
    model.name = "Orders";
    AddBox(model, CRect(10, 10, 900, 1300));
    model.BestPageMatrix(500, 700);
    RecordingPagedDevice device(500);
    PrintJob job{"Shop", nullptr};
    int printed = 0;
    job.modelPrinted = [&](const Model& m) {
        EXPECT_EQ(&m, &model);
        ++printed;
    };
    int page = 1;
    model.PrintPages(job, device, kPrintPageFooter, page, 500, 700, 1.0);
    EXPECT_EQ(device.started, 4);
    EXPECT_EQ(device.ended, 4);
    EXPECT_EQ(page, 5);
    EXPECT_EQ(printed, 1);
    const auto texts = Texts(device);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_NE(texts[0].find("Project <Shop>    ~~~    Model <Orders>    ~~~    Page <1>"),
              std::string::npos)
        << texts[0];
    EXPECT_NE(texts[3].find("Page <4>"), std::string::npos);
    // The second page shows the drawing moved left by one page width.
    const auto origins = device.dc.CallsNamed("SetViewportOrg");
    EXPECT_NE(std::find(origins.begin(), origins.end(), "SetViewportOrg -500 0"), origins.end());

    // Fitting prints one page; a refused page stops printing.
    RecordingPagedDevice fitted(500);
    page = 1;
    model.PrintPages(job, fitted, kPrintFitToPage, page, 500, 700, 1.0);
    EXPECT_EQ(fitted.started, 1);
    RecordingPagedDevice refusing(500);
    refusing.refuseStart = true;
    EXPECT_NE(failure([&] {
                  model.PrintPages(job, refusing, 0, page, 500, 700, 1.0);
              }).find("can't start page"),
              std::string::npos);
}

class Tree : public ModelTree {
  public:
    Model* ItemModel(int item) override { return models.at(size_t(item)); }
    std::vector<int> ChildItems(int item) override { return children[item]; }
    std::vector<Model*> models;
    std::map<int, std::vector<int>> children;
};

TEST_F(ModelPrintingTest, TheModelTreePrintsEntriesAndBreaksPages) {
    model.name = "Top";
    model.comment = "first line\nsecond line";
    CustomModel child(&project);
    child.name = "Child";
    Tree tree;
    tree.models = {&model, &child, &child};
    tree.children[0] = {1, 2};
    RecordingPagedDevice device(400);
    PrintJob job{"Shop", nullptr};
    int page = 1;
    CPoint at;
    // Top: 21 + 2 comment lines of 17 = 55; each child 21; the page is 90 high.
    model.PrintTreeItem(job, tree, 0, device, kPrintPageFooter, page, at, 400, 90);
    EXPECT_EQ(device.started, 2);
    EXPECT_EQ(device.ended, 1);
    EXPECT_EQ(page, 2);
    const auto texts = Texts(device);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_NE(texts[0].find("Project <Shop>    ~~~    Model Tree    ~~~    Page <1>"),
              std::string::npos)
        << texts[0];
    bool secondFooter = false;
    for (const std::string& t : texts)
        secondFooter = secondFooter || t.find("Model Tree    ~~~    Page <2>") != std::string::npos;
    EXPECT_TRUE(secondFooter);
    EXPECT_EQ(at.x, 0);
    child.Detach(&scope);
}

TEST_F(ModelPrintingTest, SubmodelsPrintOnceEvenWhenTheyRefertoEachOther) {
    Master master;
    CustomModel sub(&project);
    master.submodel = &sub;
    auto place = std::make_unique<Place>(&project);
    place->Setup(TkFirstPlace, CRect(0, 0, 50, 50), &master, false);
    sub.AddDrawable(std::move(place));
    auto again = std::make_unique<Place>(&project);
    again->Setup(TkFirstPlace, CRect(0, 0, 50, 50), &master, false);
    model.AddDrawable(std::move(again));
    model.BestPageMatrix(500, 500);
    sub.BestPageMatrix(500, 500);
    RecordingPagedDevice device(500);
    int page = 1;
    model.PrintWithSubmodels(PrintJob{}, device, 0, page, 500, 500, 1.0);
    EXPECT_EQ(device.started, 2) << "the model, then its submodel once";
    sub.Detach(&scope);
    master.submodel = nullptr;
}

TEST_F(ModelPrintingTest, PrintingToAPdfFileGivesAFileAReaderOpens) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("model.pdf").toStdString();
    AddBox(model, CRect(10, 10, 900, 300));
    model.BestPageMatrix(500, 700);
    {
        PdfPagedDevice device(path);
        ASSERT_TRUE(device.IsOpen());
        int page = 1;
        model.PrintPages(PrintJob{"Shop", nullptr}, device, kPrintPageFooter, page, 500, 700, 1.0);
        EXPECT_EQ(page, 3);
    }
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_TRUE(bytes.contains("/Count 2")) << "two pages";

    PdfPagedDevice nowhere("/nonexistent-folder/x.pdf");
    EXPECT_FALSE(nowhere.StartPage());
}

} // namespace
} // namespace qm::test
