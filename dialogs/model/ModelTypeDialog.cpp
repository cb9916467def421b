// The model type dialog: the tree of new model types and existing models.
#include "dialogs/model/ModelTypeDialog.h"

#include "dialogs/model/ModelDialogWords.h"
#include "dialogs/model/ModelDialogs.h"
#include "dialogs/model/PaneImages.h"
#include "document/CCASEDoc.h"
#include "drawables/DrawingTables.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "platform/Prompt.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QIcon>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <map>

namespace qm {

int CModelTypeDialog::newModelKind_ = -1;
ObjectHandle CModelTypeDialog::existingModel_;
ObjectHandle CModelTypeDialog::parentModel_;

namespace {

// Item data: the root marker or a diagram kind; models carry their index in
// the dialog's model list under the second role.
constexpr int kDataRole = Qt::UserRole;
constexpr int kModelRole = Qt::UserRole + 1;

// The model-kind image of the project explorer; empty when its file is
// missing.
const QIcon& ModelKindImage(int kind) {
    return PaneImage(ImageIndexOfModelKind(kind));
}

} // namespace

CModelTypeDialog::CModelTypeDialog(CCASEDoc& document, int listMask, bool explode,
                                   Model* selectedModel, QWidget* parent)
    : QDialog(parent),
      document_(document),
      explode_(explode),
      selectedModel_(selectedModel, &document.IdMap()) {
    newModelKind_ = -1;
    existingModel_ = ObjectHandle();
    parentModel_ = ObjectHandle();
    setWindowTitle(explode ? "Choose model to explode into" : "Choose type of model to create");
    auto* layout = new QVBoxLayout(this);
    asChild_ = new QCheckBox("&As a Child of Currently-Selected Model", this);
    asChild_->setChecked(explode);
    asChild_->setEnabled(!explode);
    layout->addWidget(asChild_);
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setAccessibleName("Model types");
    layout->addWidget(tree_);

    auto* types = new QTreeWidgetItem(tree_, QStringList("New Model Types"));
    types->setData(0, kDataRole, kRootData);
    QTreeWidgetItem* firstType = nullptr;
    const NotationTemplate* notation = document.Template();
    if ((listMask & kListDiagramTypes) != 0 && notation != nullptr) {
        for (const DiagramType* type : SupportedDiagramTypes(*notation)) {
            auto* item =
                new QTreeWidgetItem(types, QStringList(QString::fromStdString(type->name)));
            item->setData(0, kDataRole, static_cast<int>(type->kind));
            item->setIcon(0, ModelKindImage(type->kind));
            if (type == &notation->diagramTypes[0])
                firstType = item;
        }
    }
    types->setExpanded(true);
    if (explode) {
        auto* existing = new QTreeWidgetItem(tree_, QStringList("Existing Models"));
        existing->setData(0, kDataRole, kRootData);
        AddModelItems(existing);
        existing->setExpanded(true);
    }
    if (firstType != nullptr) {
        tree_->setCurrentItem(firstType);
        tree_->scrollToItem(firstType);
    }
    layout->addWidget(AddDialogButtons(*this, "OK", "Chapter8.html#Model:New", &ok_, &cancel_));
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr && item->data(0, kDataRole).toInt() != kRootData)
            accept();
    });
    UpdateButtons();
}

void CModelTypeDialog::AddModelItems(QTreeWidgetItem* root) {
    // The project explorer's arrangement: each model under its parent model,
    // in the document's model order; a model whose parent is not shown (or
    // whose parents loop) stands under the root.
    std::map<const Model*, QTreeWidgetItem*> items;
    const size_t count = document_.ModelCount();
    std::vector<Model*> pending;
    for (size_t i = 0; i < count; ++i)
        pending.push_back(document_.GetModelAt(i));
    bool placed = true;
    while (!pending.empty() && placed) {
        placed = false;
        std::vector<Model*> later;
        for (Model* model : pending) {
            Model* parentModel = model->parentModel;
            const bool parentListed =
                parentModel != nullptr && document_.HasModel(parentModel) && parentModel != model;
            QTreeWidgetItem* under = root;
            if (parentListed) {
                auto it = items.find(parentModel);
                if (it == items.end()) {
                    later.push_back(model);
                    continue;
                }
                under = it->second;
            }
            auto* item =
                new QTreeWidgetItem(under, QStringList(QString::fromStdString(model->name)));
            item->setData(0, kDataRole, -1);
            item->setIcon(0, ModelKindImage(model->kind));
            item->setData(0, kModelRole, static_cast<int>(models_.size()));
            models_.emplace_back(model, &document_.IdMap());
            items[model] = item;
            placed = true;
        }
        pending = std::move(later);
    }
    for (Model* model : pending) {
        auto* item = new QTreeWidgetItem(root, QStringList(QString::fromStdString(model->name)));
        item->setData(0, kDataRole, -1);
        item->setIcon(0, ModelKindImage(model->kind));
        item->setData(0, kModelRole, static_cast<int>(models_.size()));
        models_.emplace_back(model, &document_.IdMap());
        items[model] = item;
    }
    tree_->expandAll();
}

QTreeWidgetItem* CModelTypeDialog::ItemOfModel(const Model* model) const {
    for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
        const QVariant index = (*it)->data(0, kModelRole);
        if (index.isValid() && models_[static_cast<size_t>(index.toInt())].Get() == model)
            return *it;
    }
    return nullptr;
}

void CModelTypeDialog::UpdateButtons() {
    QTreeWidgetItem* item = tree_->currentItem();
    const bool choosable =
        item != nullptr && item->isSelected() && item->data(0, kDataRole).toInt() != kRootData;
    ok_->setEnabled(choosable);
    ok_->setDefault(choosable);
    cancel_->setDefault(!choosable);
}

void CModelTypeDialog::accept() {
    QTreeWidgetItem* item = tree_->currentItem();
    if (item == nullptr || item->data(0, kDataRole).toInt() == kRootData)
        return;
    const int data = item->data(0, kDataRole).toInt();
    if (data >= 0 && data <= kMaxDiagramKind) {
        newModelKind_ = data;
    } else {
        const QVariant index = item->data(0, kModelRole);
        Model* model =
            index.isValid() ? models_[static_cast<size_t>(index.toInt())].As<Model>() : nullptr;
        // A model gone since the dialog opened cannot be chosen.
        if (model == nullptr)
            return;
        if (model == document_.CurrentModel()) {
            MessageBox("Exploding a model into itself is meaningless!", PromptIcon::Exclamation);
            return;
        }
        existingModel_ = ObjectHandle(model, &document_.IdMap());
    }
    if (explode_ || asChild_->isChecked())
        parentModel_ = selectedModel_;
    QDialog::accept();
}

} // namespace qm
