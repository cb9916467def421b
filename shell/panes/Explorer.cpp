// TExplorer: the project tree. Folders are built once; model items follow
// the document's model list through its events (SyncModelItems), so that a
// model made by a script, undo or paste appears and a removed one goes.
#include "shell/panes/Explorer.h"

#include "dialogs/model/PaneImages.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/UndoJournal.h"
#include "drawables/DrawingTables.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "editor/EditorHost.h"
#include "model/Master.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/UserSettings.h"
#include "shell/ProjectWindow.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <unordered_set>

namespace qm {

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kDataRole = Qt::UserRole + 1;
constexpr int kToolRole = Qt::UserRole + 2;

std::string IdOf(const QTreeWidgetItem* item) {
    return item->data(0, kDataRole).toString().toStdString();
}

struct FolderRow {
    int index;
    const char* label;
};

// The script folders, each filled from the folder of the same name under
// the settings' script folder.
constexpr FolderRow kScriptFolders[] = {
    {EfCodeGen, "CodeGen"}, {EfDocGen, "DocGen"}, {EfOtherScripts, "Other"}, {EfImport, "Import"},
    {EfExport, "Export"},   {EfRevEng, "RevEng"}, {EfTask, "Task"},
};

} // namespace

TExplorer::TExplorer(ProjectWindow& window, QWidget* parent)
    : QTreeWidget(parent), window_(window), document_(window.Document()) {
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setMouseTracking(true);
    setAccessibleName("Project Explorer");
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
    document_.Events().AddObserver(this);
}

TExplorer::~TExplorer() {
    document_.Events().RemoveObserver(this);
}

TExplorer::ItemKind TExplorer::KindOfItem(const QTreeWidgetItem* item) {
    if (item == nullptr)
        return ItemFolder;
    return static_cast<ItemKind>(item->data(0, kKindRole).toInt());
}

QTreeWidgetItem* TExplorer::NewFolder(QTreeWidgetItem* parent, const char* label) {
    auto* item = new QTreeWidgetItem(parent, QStringList(QString::fromUtf8(label)));
    item->setData(0, kKindRole, ItemFolder);
    item->setIcon(0, PaneImage(PiFolder));
    return item;
}

void TExplorer::FillProjectTree() {
    clear();
    modelItems_.clear();
    folders_.fill(nullptr);
    root_ = new QTreeWidgetItem(this, QStringList("Project"));
    root_->setData(0, kKindRole, ItemFolder);
    root_->setIcon(0, PaneImage(PiFolder));
    folders_[EfModels] = NewFolder(root_, "Models");
    const std::string templateName = document_.Template() != nullptr
                                         ? FileNameOfPath(document_.Template()->path)
                                         : std::string();
    folders_[EfTemplate] = NewFolder(root_, templateName.c_str());
    folders_[EfDiagrams] = NewFolder(folders_[EfTemplate], "Diagrams");
    folders_[EfLinks] = NewFolder(folders_[EfTemplate], "Links");
    folders_[EfPlaces] = NewFolder(folders_[EfTemplate], "Places");
    QTreeWidgetItem* generated = NewFolder(root_, "Generated");
    folders_[EfCode] = NewFolder(generated, "Code");
    folders_[EfDocuments] = NewFolder(generated, "Documents");
    folders_[EfOtherGenerated] = NewFolder(generated, "Other");
    folders_[EfReversed] = NewFolder(root_, "Reversed");
    QTreeWidgetItem* scripts = NewFolder(root_, "Scripts");
    for (const FolderRow& row : kScriptFolders)
        folders_[size_t(row.index)] = NewFolder(scripts, row.label);
    for (int kind = MkClass; kind <= MkCollaboration; ++kind)
        folders_[size_t(kind)] = folders_[EfModels];
    root_->setExpanded(true);
    for (const FolderRow& row : kScriptFolders)
        FillScriptFolder(row.index, row.label);
    for (int folder : {EfCode, EfDocuments, EfOtherGenerated, EfReversed})
        FillFileFolder(folder);
    filled_ = false;
}

void TExplorer::FillScriptFolder(int folder, const char* name) {
    const Profile* settings = document_.Context().profile;
    if (settings == nullptr || settings->ScriptFolder.empty())
        return;
    // A missing folder leaves the item empty; the listing's order is kept.
    const std::string path = settings->ScriptFolder + "/" + name;
    std::error_code error;
    std::filesystem::directory_iterator it(path, error);
    if (error)
        return;
    for (const auto& entry : it) {
        if (entry.path().extension() != ".vxs" || !entry.is_regular_file(error))
            continue;
        auto* item = new QTreeWidgetItem(folders_[size_t(folder)]);
        item->setText(0, QString::fromStdString(path + "/" + entry.path().filename().string()));
        item->setData(0, kKindRole, ItemFile);
        item->setIcon(0, PaneImage(PiFile));
    }
}

void TExplorer::FillFileFolder(int folder) {
    std::vector<std::string>* files = document_.Folders().Of(folder);
    if (files == nullptr)
        return;
    for (const std::string& file : *files) {
        auto* item = new QTreeWidgetItem(folders_[size_t(folder)]);
        item->setText(0, QString::fromStdString(file));
        item->setData(0, kKindRole, ItemFile);
        item->setIcon(0, PaneImage(PiFile));
    }
    folders_[size_t(folder)]->sortChildren(0, Qt::AscendingOrder);
}

void TExplorer::FillTemplateItems(bool refill) {
    if (root_ == nullptr)
        return;
    if (refill) {
        for (int folder : {EfDiagrams, EfLinks, EfPlaces})
            qDeleteAll(folders_[size_t(folder)]->takeChildren());
    }
    NotationTemplate* notation = document_.Template();
    if (notation == nullptr)
        return;
    for (size_t i = 0; i < DiagramTypeTable::size(); ++i) {
        const DiagramType& type = notation->diagramTypes[i];
        auto* item = new QTreeWidgetItem(folders_[EfDiagrams]);
        item->setText(0, QString::fromStdString(type.name));
        item->setIcon(0, PaneImage(ImageIndexOfModelKind(type.kind)));
        item->setData(0, kKindRole, ItemDiagramType);
        item->setData(0, kDataRole, type.kind);
        item->setToolTip(0, QString::fromStdString(type.description));
    }
    for (int i = 0; i < notation->ToolCount(); ++i)
        if (ToolModel* tool = notation->ToolAt(i))
            AddToolItem(*tool);
}

void TExplorer::SetTemplateLabel(const std::string& name) {
    if (folders_[EfTemplate] != nullptr)
        folders_[EfTemplate]->setText(0, QString::fromStdString(name));
}

QTreeWidgetItem* TExplorer::AddToolItem(ToolModel& tool) {
    if (root_ == nullptr || (tool.modelFlags & MfToolHidden) != 0)
        return nullptr;
    QTreeWidgetItem* parent = folders_[tool.IsLinkTool() ? EfLinks : EfPlaces];
    int image = tool.IsLinkTool() ? PiLinkTool : PiPlaceTool;
    if (tool.baseId >= 0 && document_.Template() != nullptr) {
        if (ToolModel* base = document_.Template()->GetTool(tool.baseId))
            if (QTreeWidgetItem* baseItem = FindToolItem(base)) {
                parent = baseItem;
                image = tool.IsLinkTool() ? PiLinkStereotype : PiPlaceStereotype;
            }
    }
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, QString::fromStdString(tool.name));
    item->setIcon(0, PaneImage(image));
    item->setData(0, kKindRole, ItemObject);
    item->setData(0, kDataRole, QString::fromUtf8(tool.guid.Text()));
    item->setData(0, kToolRole, true);
    if (tool.id >= 0 && tool.id < 24) {
        QFont font = item->font(0);
        font.setBold(true);
        item->setFont(0, font);
    }
    return item;
}

QTreeWidgetItem* TExplorer::FindToolItem(const ModelObject* object) const {
    if (object == nullptr || root_ == nullptr)
        return nullptr;
    const auto* tool = dynamic_cast<const ToolModel*>(object);
    if (tool == nullptr) {
        auto at = modelItems_.find(object->guid.Text());
        return at == modelItems_.end() ? nullptr : at->second;
    }
    const std::string id = tool->guid.Text();
    QTreeWidgetItem* folder = folders_[tool->IsLinkTool() ? EfLinks : EfPlaces];
    for (int i = 0; i < folder->childCount(); ++i) {
        QTreeWidgetItem* child = folder->child(i);
        if (IdOf(child) == id)
            return child;
        for (int j = 0; j < child->childCount(); ++j)
            if (IdOf(child->child(j)) == id)
                return child->child(j);
    }
    return nullptr;
}

size_t TExplorer::FillModelItems(bool first) {
    if (first && !filled_) {
        document_.MakeDefaultModel();
        FillTemplateItems(true);
    }
    filled_ = true;
    SyncModelItems();
    return document_.ModelCount();
}

QTreeWidgetItem* TExplorer::InsertModelItem(QTreeWidgetItem* parent, QTreeWidgetItem* after,
                                            Model& model, bool select) {
    if (parent == nullptr)
        parent = FolderItemOfKind(model.kind);
    auto* item = new QTreeWidgetItem();
    item->setText(0, QString::fromStdString(model.name));
    item->setIcon(0, PaneImage(ImageIndexOfModelKind(model.kind)));
    item->setData(0, kKindRole, ItemObject);
    item->setData(0, kDataRole, QString::fromUtf8(model.guid.Text()));
    const int at = after != nullptr ? parent->indexOfChild(after) + 1 : parent->childCount();
    parent->insertChild(at, item);
    modelItems_[model.guid.Text()] = item;
    if (select) {
        setCurrentItem(item);
        scrollToItem(item);
    }
    return item;
}

void TExplorer::RemoveModelItem(const Model& model) {
    auto at = modelItems_.find(model.guid.Text());
    if (at == modelItems_.end())
        return;
    QTreeWidgetItem* item = at->second;
    // The subtree goes with the item, and so do the entries of its models.
    std::vector<QTreeWidgetItem*> stack{item};
    while (!stack.empty()) {
        QTreeWidgetItem* next = stack.back();
        stack.pop_back();
        if (KindOfItem(next) == ItemObject)
            modelItems_.erase(IdOf(next));
        for (int i = 0; i < next->childCount(); ++i)
            stack.push_back(next->child(i));
    }
    delete item;
}

QTreeWidgetItem* TExplorer::ItemForModel(Model& model, int depth) {
    auto at = modelItems_.find(model.guid.Text());
    QTreeWidgetItem* parent = FolderItemOfKind(model.kind);
    // A parent model that is not in the project leaves the model under the
    // folder of its kind; a chain of parents deeper than any real tree (a
    // cycle read from a damaged file) ends there too.
    if (model.parentModel != nullptr && model.parentModel != &model &&
        document_.HasModel(model.parentModel) && depth < 256)
        parent = ItemForModel(*model.parentModel, depth + 1);
    if (at == modelItems_.end())
        return InsertModelItem(parent, nullptr, model, false);
    QTreeWidgetItem* item = at->second;
    // The item moves when its parent changed, unless that would put it
    // below itself.
    if (item->parent() != parent) {
        for (QTreeWidgetItem* up = parent; up != nullptr; up = up->parent())
            if (up == item)
                return item;
        if (item->parent() != nullptr)
            item->parent()->removeChild(item);
        parent->addChild(item);
    }
    if (item->text(0).toStdString() != model.name)
        item->setText(0, QString::fromStdString(model.name));
    return item;
}

void TExplorer::SyncModelItems() {
    if (root_ == nullptr)
        return;
    syncing_ = true;
    const QString selectedId = currentItem() != nullptr && KindOfItem(currentItem()) == ItemObject
                                   ? currentItem()->data(0, kDataRole).toString()
                                   : QString();
    std::unordered_map<const Model*, size_t> position;
    for (size_t i = 0; i < document_.ModelCount(); ++i)
        position[document_.GetModelAt(i)] = i;
    // Items of models gone: their children that are still listed are kept
    // aside and placed again below.
    std::vector<QTreeWidgetItem*> gone;
    for (const auto& [id, item] : modelItems_) {
        auto* model = dynamic_cast<Model*>(document_.IdMap().Lookup(id.c_str()));
        if (model == nullptr || position.count(model) == 0)
            gone.push_back(item);
    }
    for (QTreeWidgetItem* item : gone) {
        for (QTreeWidgetItem* child : item->takeChildren())
            folders_[EfModels]->addChild(child);
        modelItems_.erase(IdOf(item));
        delete item;
    }
    std::unordered_set<QTreeWidgetItem*> parents;
    for (size_t i = 0; i < document_.ModelCount(); ++i) {
        Model* model = document_.GetModelAt(i);
        if (!IsDiagramKind(model->kind))
            continue;
        QTreeWidgetItem* item = ItemForModel(*model, 0);
        parents.insert(item->parent());
    }
    // Siblings follow the order of the model list.
    auto order = [&](const QTreeWidgetItem* item) -> size_t {
        auto* model = dynamic_cast<Model*>(document_.IdMap().Lookup(IdOf(item).c_str()));
        auto at = position.find(model);
        return at == position.end() ? position.size() : at->second;
    };
    for (QTreeWidgetItem* parent : parents) {
        bool sorted = true;
        for (int i = 1; i < parent->childCount() && sorted; ++i)
            sorted = order(parent->child(i - 1)) <= order(parent->child(i));
        if (sorted)
            continue;
        QList<QTreeWidgetItem*> children = parent->takeChildren();
        std::stable_sort(children.begin(), children.end(),
                         [&](auto* a, auto* b) { return order(a) < order(b); });
        parent->addChildren(children);
    }
    if (!selectedId.isEmpty()) {
        auto at = modelItems_.find(selectedId.toStdString());
        if (at != modelItems_.end())
            setCurrentItem(at->second);
    }
    syncing_ = false;
}

ModelObject* TExplorer::ModelOfItem(const QTreeWidgetItem* item) const {
    if (item == nullptr || KindOfItem(item) != ItemObject)
        return nullptr;
    const std::string id = IdOf(item);
    GuidMap* map = item->data(0, kToolRole).toBool() ? document_.TemplateMap() : &document_.IdMap();
    return map != nullptr ? map->Lookup(id.c_str()) : nullptr;
}

ModelObject* TExplorer::GetSelectedModel() const {
    return ModelOfItem(currentItem());
}

bool TExplorer::IsDiagramTypeSelected() const {
    return KindOfItem(currentItem()) == ItemDiagramType && currentItem() != nullptr;
}

QTreeWidgetItem* TExplorer::FolderItemOfKind(int kind) const {
    if (IsDiagramKind(kind))
        return folders_[size_t(kind)];
    return root_;
}

QTreeWidgetItem* TExplorer::SelectObjectItem(const ModelObject* object) {
    if (object == nullptr) {
        if (KindOfItem(currentItem()) == ItemObject)
            setCurrentItem(root_);
        return nullptr;
    }
    QTreeWidgetItem* item = FindToolItem(object);
    if (item != nullptr) {
        setCurrentItem(item);
        scrollToItem(item);
    }
    return item;
}

void TExplorer::CollectSubmodels(const Model& model, std::vector<Model*>& list) const {
    QTreeWidgetItem* item = FindToolItem(&model);
    if (item == nullptr)
        return;
    std::vector<QTreeWidgetItem*> stack;
    for (int i = item->childCount() - 1; i >= 0; --i)
        stack.push_back(item->child(i));
    while (!stack.empty()) {
        QTreeWidgetItem* next = stack.back();
        stack.pop_back();
        if (auto* sub = dynamic_cast<Model*>(ModelOfItem(next));
            sub != nullptr && std::find(list.begin(), list.end(), sub) == list.end())
            list.push_back(sub);
        for (int i = next->childCount() - 1; i >= 0; --i)
            stack.push_back(next->child(i));
    }
}

bool TExplorer::FolderHasItems(int folder) const {
    if (folder < 0 || folder >= EfFolderCount || folders_[size_t(folder)] == nullptr)
        return false;
    return folders_[size_t(folder)]->childCount() > 0;
}

bool TExplorer::GetFileItemText(const QTreeWidgetItem* item, std::string& text) const {
    if (item == nullptr)
        item = currentItem();
    if (item == nullptr || KindOfItem(item) != ItemFile)
        return false;
    text = item->text(0).toStdString();
    return true;
}

void TExplorer::DeleteFolderChildren(int folder) {
    if (folder < 0 || folder >= EfFolderCount || folders_[size_t(folder)] == nullptr)
        return;
    qDeleteAll(folders_[size_t(folder)]->takeChildren());
    if (std::vector<std::string>* files = document_.Folders().Of(folder))
        files->clear();
}

void TExplorer::AddFileItem(int folder, const std::string& path) {
    if (folder < 0 || folder >= EfFolderCount || folders_[size_t(folder)] == nullptr)
        return;
    // The document keeps the generated and reversed lists the project file
    // stores; the tree shows them.
    if (std::vector<std::string>* files = document_.Folders().Of(folder)) {
        if (std::find(files->begin(), files->end(), path) == files->end())
            files->push_back(path);
    }
    auto* item = new QTreeWidgetItem(folders_[size_t(folder)]);
    item->setText(0, QString::fromStdString(path));
    item->setData(0, kKindRole, ItemFile);
    item->setIcon(0, PaneImage(PiFile));
    folders_[size_t(folder)]->sortChildren(0, Qt::AscendingOrder);
}

void TExplorer::ExpandFolder(int folder, bool expand) {
    if (folder < 0 || folder >= EfFolderCount || folders_[size_t(folder)] == nullptr)
        return;
    QTreeWidgetItem* item = folders_[size_t(folder)];
    item->setExpanded(expand);
    if (expand)
        for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent())
            up->setExpanded(true);
}

void TExplorer::ExpandModelItem(const Model& model, bool expand) {
    QTreeWidgetItem* item = FindToolItem(&model);
    if (item == nullptr)
        return;
    item->setExpanded(expand);
    if (expand)
        for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent())
            up->setExpanded(true);
}

void TExplorer::OpenFirstGeneratedDocument() {
    if (QTreeWidgetItem* folder = folders_[EfDocuments]; folder != nullptr && folder->childCount())
        OpenItem(folder->child(0));
}

void TExplorer::OpenItem(QTreeWidgetItem* item) {
    if (item == nullptr)
        item = currentItem();
    if (item == nullptr)
        return;
    switch (KindOfItem(item)) {
    case ItemFile:
        window_.OpenFile(item->text(0).toStdString());
        return;
    case ItemObject:
    case ItemDiagramType:
        ShowSelectionProperties(true);
        return;
    case ItemFolder:
        return;
    }
}

void TExplorer::ShowSelectionProperties(bool activate) {
    QTreeWidgetItem* item = currentItem();
    if (KindOfItem(item) == ItemDiagramType && item != nullptr) {
        NotationTemplate* notation = document_.Template();
        if (notation == nullptr)
            return;
        if (DiagramType* type = notation->diagramTypes.FindByKind(item->data(0, kDataRole).toInt()))
            window_.Host().ShowProperties(document_, ObjectHandle(type, &notation->guidMap), 2, {},
                                          activate);
        return;
    }
    ModelObject* object = GetSelectedModel();
    if (object == nullptr)
        return;
    const GuidMap* map =
        dynamic_cast<ToolModel*>(object) ? document_.TemplateMap() : &document_.IdMap();
    window_.Host().ShowProperties(document_, ObjectHandle(object, map), 1, {}, activate);
}

// ---- moving, cutting, copying and deleting models ----

void TExplorer::MoveModelUpDown(Model* model, bool up, bool noJournal) {
    QTreeWidgetItem* item = model != nullptr ? FindToolItem(model) : nullptr;
    if (item == nullptr || !IsDiagramKind(model->kind) || item->parent() == nullptr) {
        Prompts().Beep();
        return;
    }
    QTreeWidgetItem* parent = item->parent();
    const int index = parent->indexOfChild(item);
    QTreeWidgetItem* neighbour = parent->child(up ? index - 1 : index + 1);
    auto* other = dynamic_cast<Model*>(ModelOfItem(neighbour));
    if (neighbour == nullptr || other == nullptr) {
        Prompts().Beep();
        return;
    }
    if (up) {
        document_.MoveModel(model, other, false);
    } else {
        // Before the model that follows the neighbour in tree order (its
        // next sibling, else the next sibling of its nearest ancestor that
        // has one), or to the end.
        Model* before = nullptr;
        for (QTreeWidgetItem* at = neighbour; at != nullptr && before == nullptr;
             at = at->parent()) {
            QTreeWidgetItem* up_ = at->parent();
            if (up_ == nullptr)
                break;
            const int i = up_->indexOfChild(at);
            if (i + 1 < up_->childCount())
                before = dynamic_cast<Model*>(ModelOfItem(up_->child(i + 1)));
            if (up_ == folders_[EfModels] || before != nullptr)
                break;
        }
        document_.MoveModel(model, before, false);
    }
    // The tree shows the new order whether or not the list's events come.
    QTreeWidgetItem* taken = parent->takeChild(index);
    parent->insertChild(up ? index - 1 : index + 1, taken);
    setCurrentItem(taken);
    scrollToItem(taken);
    if (!noJournal) {
        const ChangeKind kind = up ? ChangeKind::MoveModelUp : ChangeKind::MoveModelDown;
        UndoJournal& journal = document_.GetJournal();
        JournalChange change(journal, kind);
        change.Record(up ? "Move Model Up" : "Move Model Down", model, nullptr);
    }
    document_.Events().Publish();
}

bool TExplorer::HasDiagramModelSelected() const {
    auto* model = dynamic_cast<Model*>(GetSelectedModel());
    return model != nullptr && dynamic_cast<ToolModel*>(model) == nullptr &&
           IsDiagramKind(model->kind);
}

namespace {

bool ConfirmModel(CCASEDoc& document, const char* verb, const std::string& name) {
    const Profile* settings = document.Context().profile;
    if (settings == nullptr || (settings->Options & ConfirmModelDelete) == 0)
        return true;
    const std::string text =
        std::string("Are you sure you want to ") + verb + " model '" + name + "'?";
    return Prompts().Ask(text, PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::Yes) ==
           PromptAnswer::Yes;
}

} // namespace

void TExplorer::CutOrCopyModel(bool cut, bool shallow) {
    auto* model = dynamic_cast<Model*>(GetSelectedModel());
    if (model == nullptr || !HasDiagramModelSelected())
        return;
    if (!ConfirmModel(document_, cut ? "cut" : "copy", model->name))
        return;
    document_.Masters().MarkAll(0);
    document_.MarkModels(false);
    DrawableRefList places;
    for (const auto& drawable : model->Drawables())
        places.push_back(drawable.get());
    model->MarkWithPlaces(places, 1, shallow);
    model->Mark(1, 1, 0);
    try {
        document_.CopyToClipboardFile(model, {});
    } catch (const std::exception& error) {
        CCASEDoc::ReportSaveLoadException(error);
        return;
    }
    // Other programs get the model's picture beside the reference to the
    // masters clipboard file that this program's Paste reads.
    window_.CopyModelPicture(*model);
    if (cut)
        DeleteModel(model, int(ChangeKind::Cut), false, false);
}

void TExplorer::PasteModel() {
    if (PasteClipboardFile(document_) && document_.ModelCount() > 0)
        window_.ShowModel(document_.GetModelAt(document_.ModelCount() - 1));
}

void TExplorer::DeleteModel(ModelObject* object, int journalKind, bool confirm, bool noJournal) {
    if (object == nullptr)
        return;
    auto* tool = dynamic_cast<ToolModel*>(object);
    auto* model = dynamic_cast<Model*>(object);
    if (model == nullptr)
        return;
    if (confirm && !ConfirmModel(document_, "delete", model->name))
        return;
    const auto kind = static_cast<ChangeKind>(journalKind);
    if (tool == nullptr) {
        if (!document_.HasModel(model))
            return;
        if (model->parentMaster != nullptr && model->parentMaster->submodel == model)
            model->parentMaster->submodel = nullptr;
        window_.ShowModel(model->parentModel != nullptr && document_.HasModel(model->parentModel)
                              ? model->parentModel
                              : nullptr);
    }
    UndoJournal& journal = document_.GetJournal();
    std::optional<JournalChange> change;
    if (!noJournal)
        change.emplace(journal, kind);
    if (tool != nullptr) {
        if (document_.Template() != nullptr)
            document_.Template()->HideTool(*tool);
        if (QTreeWidgetItem* item = FindToolItem(tool))
            delete item;
    } else {
        document_.RemoveModel(model, false);
        journal.AddChangedObject(model, nullptr);
        RemoveModelItem(*model);
    }
    // The record is the project's: the removed models go to the journal's
    // file with it and are freed there.
    if (change)
        change->Record(kind == ChangeKind::Delete ? "Delete Model" : "Cut Model", nullptr, nullptr);
    document_.Events().Publish();
}

// ---- commands ----

void TExplorer::OnCutOrCopy(int id) {
    const bool cut = id == cmd::EditCut || id == cmd::PopupCut;
    CutOrCopyModel(cut, id == cmd::EditShallowCopy || id == cmd::PopupShallowCopy);
}

void TExplorer::OnUpdateCutOrCopy(int, CommandState& state) {
    state.enabled = HasDiagramModelSelected();
}

void TExplorer::OnPaste(int) {
    PasteModel();
}

void TExplorer::OnUpdatePaste(int, CommandState& state) {
    state.enabled = CCASEDoc::ClipboardFileExists();
}

void TExplorer::OnDelete(int) {
    DeleteModel(GetSelectedModel(), int(ChangeKind::Delete), true, false);
}

void TExplorer::OnUpdateDelete(int, CommandState& state) {
    auto* tool = dynamic_cast<ToolModel*>(GetSelectedModel());
    state.enabled = HasDiagramModelSelected() ||
                    (tool != nullptr && (tool->baseId >= 0 || tool->id >= kFirstUserToolId));
}

void TExplorer::OnProperties(int) {
    ShowSelectionProperties(true);
}

void TExplorer::OnNewModel(int) {
    window_.NewModel();
}

void TExplorer::OnUpdateNewModel(int, CommandState& state) {
    state.enabled = true;
}

void TExplorer::OnImplode(int) {
    window_.Implode();
}

void TExplorer::OnUpdateImplode(int, CommandState& state) {
    Model* current = document_.CurrentModel();
    state.enabled = current != nullptr && current->parentModel != nullptr;
}

QMenu* TExplorer::BuildContextMenu() {
    return BuildPopupMenu(this, window_.Host());
}

void TExplorer::contextMenuEvent(QContextMenuEvent* event) {
    if (QTreeWidgetItem* item = itemAt(event->pos()))
        setCurrentItem(item);
    BuildContextMenu()->popup(event->globalPos());
}

void TExplorer::keyPressEvent(QKeyEvent* event) {
    // The key is the command: it keeps the command's rule, so that a
    // built-in tool, which the rule does not let go, stays.
    CommandState state;
    if (event->key() == Qt::Key_Delete && OnUpdateCommand(cmd::EditDelete, state) && state.enabled)
        OnCommand(cmd::EditDelete);
    QTreeWidget::keyPressEvent(event);
}

void TExplorer::mouseMoveEvent(QMouseEvent* event) {
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (KindOfItem(item) == ItemDiagramType && item != nullptr) {
        window_.Host().SetStatusText(item->toolTip(0).toStdString());
    } else if (auto* model = dynamic_cast<Model*>(ModelOfItem(item))) {
        window_.Host().SetStatusText(model->comment);
    }
    QTreeWidget::mouseMoveEvent(event);
}

void TExplorer::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    OpenItem(itemAt(event->position().toPoint()));
}

void TExplorer::OnSelectionChanged() {
    if (syncing_)
        return;
    QTreeWidgetItem* item = currentItem();
    auto* model = dynamic_cast<Model*>(ModelOfItem(item));
    if (window_.ShowModel(model)) {
        // A file item shows its text in the view, a diagram type its
        // properties; the view then shows no model.
        std::string path;
        if (GetFileItemText(item, path))
            window_.ShowFileText(path);
        else if (KindOfItem(item) == ItemDiagramType && item != nullptr)
            ShowSelectionProperties(false);
        return;
    }
    // The view refused: the current model's item is selected again.
    syncing_ = true;
    if (QTreeWidgetItem* back = FindToolItem(document_.CurrentModel()))
        setCurrentItem(back);
    syncing_ = false;
}

// ---- the document's events ----

void TExplorer::ModelsChanged(ModelsChange, const std::vector<Model*>&) {
    SyncModelItems();
}

void TExplorer::ObjectsRemoved(const std::vector<Guid>&) {
    SyncModelItems();
}

void TExplorer::CurrentModelChanged(Model* model) {
    if (model == nullptr || syncing_)
        return;
    syncing_ = true;
    if (QTreeWidgetItem* item = FindToolItem(model))
        setCurrentItem(item);
    syncing_ = false;
}

} // namespace qm
