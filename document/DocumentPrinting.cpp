// Printing a project: the models, the model tree or the notation template's
// tools on the pages of a paged device.
#include "document/CCASEDoc.h"
#include "drawables/DrawingSwitches.h"

#include "document/Profile.h"
#include "drawables/Model.h"
#include "drawables/ModelPrinting.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "platform/Errors.h"
#include "platform/PagedDevice.h"
#include "platform/Prompt.h"

#include <vector>

namespace qm {

namespace {

// The model tree as the project tree shows it: item 0 is the models' root,
// item i + 1 the model at list position i; the top-level models are the
// root's children and every other model is a child of its parent model.
class ProjectModelTree : public ModelTree {
  public:
    explicit ProjectModelTree(const CCASEDoc& document) : document_(document) {}

    Model* ItemModel(int item) override {
        return item > 0 ? document_.GetModelAt(static_cast<size_t>(item - 1)) : nullptr;
    }
    // The root's children are the models without a parent in the project.
    std::vector<int> ChildItems(int item) override {
        const Model* parent = ItemModel(item);
        std::vector<int> children;
        for (size_t i = 0; i < document_.ModelCount(); ++i) {
            const Model* model = document_.GetModelAt(i);
            const bool child = parent != nullptr ? model->parentModel == parent && model != parent
                                                 : model->parentModel == nullptr ||
                                                       !document_.HasModel(model->parentModel);
            if (child)
                children.push_back(static_cast<int>(i) + 1);
        }
        return children;
    }
    // The item of a model of the list (0 when it is not in it).
    int ItemOf(const Model* model) const {
        for (size_t i = 0; i < document_.ModelCount(); ++i)
            if (document_.GetModelAt(i) == model)
                return static_cast<int>(i) + 1;
        return 0;
    }

  private:
    const CCASEDoc& document_;
};

// The template listing's pages are the device's.
class DevicePages : public PrintPages {
  public:
    explicit DevicePages(PagedDevice& device) : device_(device) {}
    bool StartPage() override { return device_.StartPage(); }
    bool EndPage() override { return device_.EndPage(); }

  private:
    PagedDevice& device_;
};

// Counts the pages the device ends, whatever prints them.
class CountingDevice : public PagedDevice {
  public:
    explicit CountingDevice(PagedDevice& device) : device_(device) {}
    DeviceContext& DC() override { return device_.DC(); }
    bool StartPage() override { return device_.StartPage(); }
    bool EndPage() override {
        const bool ended = device_.EndPage();
        if (ended)
            ++pages;
        return ended;
    }
    int32_t PrintableWidth() const override { return device_.PrintableWidth(); }

    int pages = 0;

  private:
    PagedDevice& device_;
};

// Prints the model of item and then, in tree order, those of the items below
// it, each through its page printing. A model prints once (its mark is set),
// so that parent links that loop end; the walk keeps its own stack.
void PrintModelsBelow(ModelTree& tree, int item, const PrintJob& job, PagedDevice& device,
                      int options, int& pageNumber, int32_t pageWidth, int32_t pageHeight,
                      double scale) {
    std::vector<int> pending{item};
    while (!pending.empty()) {
        const int next = pending.back();
        pending.pop_back();
        if (Model* model = tree.ItemModel(next)) {
            if (model->IsMarked())
                continue;
            model->ModelObject::Mark(1, 1, 0);
            model->PrintPages(job, device, options, pageNumber, pageWidth, pageHeight, scale);
        }
        const std::vector<int> children = tree.ChildItems(next);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

} // namespace

int CCASEDoc::Print(PagedDevice* device, uint32_t options, int scalePercent) {
    if (device == nullptr) {
        MessageBox("No accessible printer!", PromptIcon::Exclamation);
        return 0;
    }
    int pageNumber = 1;
    const double scale = scalePercent / 100.0;
    MarkModels(false);
    MarkMasters(false);
    const int modelCount = static_cast<int>(ModelCount());
    BeginProgress(modelCount);
    CountingDevice pages(*device);
    PrintJob job;
    job.title = GetTitle();
    int printed = 0;
    job.modelPrinted = [&](const Model&) { SetProgress(++printed); };
    const int modelOptions = static_cast<int>(options & (PrintFitToPage | PrintFooter));
    try {
        // Drawing makes its printing adjustments while the job runs.
        ScopedDrawingSwitch printing(DrawingSwitch::Printing);
        ProjectModelTree tree(*this);
        if ((options & PrintModels) != 0) {
            Model* current = CurrentModel();
            if ((options & PrintThisModel) != 0) {
                if (current != nullptr)
                    current->PrintPages(job, pages, modelOptions, pageNumber, pageWidth_,
                                        pageHeight_, scale);
            } else if ((options & PrintThisModelAndSubmodels) != 0) {
                if (current != nullptr && tree.ItemOf(current) != 0)
                    PrintModelsBelow(tree, tree.ItemOf(current), job, pages, modelOptions,
                                     pageNumber, pageWidth_, pageHeight_, scale);
            } else if ((options & PrintAllModels) != 0) {
                PrintModelsBelow(tree, 0, job, pages, modelOptions, pageNumber, pageWidth_,
                                 pageHeight_, scale);
                // Models whose parents loop back on them hang below no
                // root: they print after the tree, each once all the same.
                for (size_t i = 0; i < ModelCount(); ++i)
                    if (!GetModelAt(i)->IsMarked())
                        PrintModelsBelow(tree, static_cast<int>(i) + 1, job, pages, modelOptions,
                                         pageNumber, pageWidth_, pageHeight_, scale);
            }
        } else if ((options & PrintModelTree) != 0) {
            CPoint position(0, 0);
            bool started = false;
            for (int item : tree.ChildItems(0)) {
                if (Model* model = tree.ItemModel(item)) {
                    model->PrintTreeItem(job, tree, item, pages, modelOptions, pageNumber, position,
                                         pageWidth_, pageHeight_);
                    started = true;
                }
            }
            // Only a page that was begun is ended: an empty tree prints nothing.
            if (started)
                ReportOperationFailure(pages.EndPage(), "can't end page in Print");
        } else if ((options & PrintNotationTemplate) != 0 && Template() != nullptr) {
            DevicePages listing(pages);
            ToolPrintCursor cursor;
            for (int i = 0; i < Template()->ToolCount(); ++i)
                if (const ToolModel* tool = Template()->ToolAt(i))
                    tool->Print(listing, pages.DC(), Template()->path, modelOptions, cursor, 0,
                                pageWidth_, pageHeight_);
            if (cursor.pages > 0)
                ReportOperationFailure(pages.EndPage(), "can't end page in Print");
        }
    } catch (const CKestException& error) {
        EndProgress("Print aborted");
        throw CKestException(error.Message() + "; print job aborted", error.GetCode());
    } catch (...) {
        EndProgress("Print aborted");
        throw;
    }
    SetProgress(modelCount);
    EndProgress("Spooled");
    return pages.pages;
}

} // namespace qm
