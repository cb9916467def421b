// TLister and what it shares with the reference pane: master rows that
// answer their texts from the master they name, the master comparison, the
// drag of a master into the diagram view.
#include "shell/panes/Lister.h"

#include "document/CCASEDoc.h"
#include "drawables/Model.h"
#include "editor/EditorHost.h"
#include "model/Master.h"
#include "shell/ProjectWindow.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cstring>

namespace qm {

namespace {

constexpr size_t kMaxColumnText = 127;

// The listers alive, so that a script finds the one of its project.
std::vector<TLister*>& LiveListers() {
    static std::vector<TLister*> listers;
    return listers;
}

std::string SubmodelName(const Master& master) {
    auto* model = dynamic_cast<const Model*>(master.submodel);
    return model != nullptr ? model->name : std::string();
}

int Sign(int value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

} // namespace

int CompareMasters(const Master& a, const Master& b, int column) {
    int result = 0;
    switch (column) {
    case 1:
        result = a.GetToolName().compare(b.GetToolName());
        break;
    case 2:
        result = a.nameSpace.compare(b.nameSpace);
        break;
    case 3:
        result = int(a.refCount) - int(b.refCount);
        break;
    case 4:
        result = std::strcmp(SubmodelName(a).c_str(), SubmodelName(b).c_str());
        break;
    case 5:
        result = std::strcmp(a.guid.Text(), b.guid.Text());
        break;
    default:
        break;
    }
    if (result == 0)
        result = a.name.compare(b.name);
    return Sign(result);
}

// ---- MasterRow ----

MasterRow::MasterRow(const ObjectHandle& master, const std::vector<int>& columns)
    : QTreeWidgetItem(QTreeWidgetItem::UserType), master_(master), columns_(columns) {}

Master* MasterRow::GetMaster() const {
    return master_.As<Master>();
}

QVariant MasterRow::data(int column, int role) const {
    if (role != Qt::DisplayRole || column < 0 || size_t(column) >= columns_.size())
        return QTreeWidgetItem::data(column, role);
    const Master* master = GetMaster();
    if (master == nullptr)
        return QString();
    std::string text;
    switch (columns_[size_t(column)]) {
    case 0:
        text = master->name;
        break;
    case 1:
        text = master->GetToolName();
        break;
    case 2:
        text = master->nameSpace;
        break;
    case 3:
        text = std::to_string(master->refCount);
        break;
    case 4:
        text = SubmodelName(*master);
        break;
    case 5:
        text = master->guid.Text();
        break;
    default:
        break;
    }
    if (text.size() > kMaxColumnText)
        text.resize(kMaxColumnText);
    return QString::fromStdString(text);
}

bool MasterRow::operator<(const QTreeWidgetItem& other) const {
    const auto* row = dynamic_cast<const MasterRow*>(&other);
    const Master* a = GetMaster();
    const Master* b = row != nullptr ? row->GetMaster() : nullptr;
    if (a == nullptr || b == nullptr)
        return a == nullptr && b != nullptr;
    const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
    const int lister =
        column >= 0 && size_t(column) < columns_.size() ? columns_[size_t(column)] : 0;
    return CompareMasters(*a, *b, lister) < 0;
}

// ---- MasterList ----

MasterList::MasterList(ProjectWindow& window, std::vector<int> columns, const QStringList& titles,
                       const std::vector<int>& widths, QWidget* parent)
    : QTreeWidget(parent), window_(window), columns_(std::move(columns)) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setMouseTracking(true);
    setColumnCount(int(titles.size()));
    setHeaderLabels(titles);
    header()->setSectionsMovable(true);
    header()->setSectionsClickable(true);
    for (size_t i = 0; i < widths.size(); ++i)
        setColumnWidth(int(i), widths[i]);
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortByColumn(column); });
}

MasterRow* MasterList::NewRow(Master& master) {
    if (RowOf(master.guid) != nullptr)
        return nullptr;
    auto* row = new MasterRow(ObjectHandle(&master, MapOfMasters()), columns_);
    rows_[master.guid.Text()] = row;
    return row;
}

MasterRow* MasterList::AddMaster(Master& master) {
    if (MasterRow* row = RowOf(master.guid)) {
        row->Update();
        return row;
    }
    MasterRow* row = NewRow(master);
    insertTopLevelItem(0, row);
    return row;
}

void MasterList::RemoveMaster(const Guid& id) {
    auto at = rows_.find(id.Text());
    if (at == rows_.end())
        return;
    MasterRow* row = at->second;
    rows_.erase(at);
    delete row;
}

void MasterList::UpdateMaster(const Master& master) {
    if (MasterRow* row = RowOf(master.guid))
        row->Update();
}

void MasterList::RedrawAllItems() {
    viewport()->update();
}

void MasterList::Clear() {
    rows_.clear();
    clear();
}

MasterRow* MasterList::RowOf(const Guid& id) const {
    auto at = rows_.find(id.Text());
    return at == rows_.end() ? nullptr : at->second;
}

int MasterList::GetSelectedCount() const {
    return int(selectedItems().size());
}

Master* MasterList::MasterAt(int row) const {
    auto* item = dynamic_cast<MasterRow*>(topLevelItem(row));
    return item != nullptr ? item->GetMaster() : nullptr;
}

Master* MasterList::GetFirstSelectedMaster() const {
    std::vector<Master*> masters;
    GetSelectedMasters(masters);
    return masters.empty() ? nullptr : masters.front();
}

void MasterList::GetSelectedMasters(std::vector<Master*>& masters) const {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        if (!item->isSelected())
            continue;
        if (Master* master = static_cast<MasterRow*>(item)->GetMaster())
            masters.push_back(master);
    }
}

void MasterList::SortByColumn(int column) {
    sortColumn_ = column;
    sortItems(column, Qt::AscendingOrder);
}

MasterRow* MasterList::DragCandidate(const QPoint& point) const {
    auto* row = dynamic_cast<MasterRow*>(itemAt(point));
    if (row == nullptr || selectedItems().size() != 1 || !row->isSelected())
        return nullptr;
    return row;
}

void MasterList::mousePressEvent(QMouseEvent* event) {
    downPoint_ = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (MasterRow* row = DragCandidate(downPoint_)) {
            // The selection stays: the press is not passed on.
            dragItem_ = indexOfTopLevelItem(row);
            dragged_ = row->Handle();
            // The viewport takes the mouse: the scroll area passes on only
            // the mouse events its viewport receives.
            viewport()->grabMouse();
            return;
        }
        dragItem_ = -2;
    }
    QTreeWidget::mousePressEvent(event);
}

void MasterList::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (dragItem_ >= 0) {
        const bool over =
            rect().contains(point) || window_.CanDropAt(event->globalPosition().toPoint());
        setCursor(over ? Qt::DragCopyCursor : Qt::ForbiddenCursor);
        return;
    }
    if (dragItem_ == -2 && (event->buttons() & Qt::LeftButton) && point != downPoint_) {
        // The press has meanwhile selected a row: the drag starts from it.
        if (MasterRow* row = DragCandidate(point)) {
            dragItem_ = indexOfTopLevelItem(row);
            dragged_ = row->Handle();
            viewport()->grabMouse();
            setCursor(Qt::DragCopyCursor);
            return;
        }
        dragItem_ = -1;
    } else if (dragItem_ == -2) {
        dragItem_ = -1;
    }
    if (auto* row = dynamic_cast<MasterRow*>(itemAt(point)))
        if (Master* master = row->GetMaster())
            window_.Host().SetStatusText(master->comment);
    QTreeWidget::mouseMoveEvent(event);
}

void MasterList::mouseReleaseEvent(QMouseEvent* event) {
    const bool dragging = dragItem_ >= 0;
    if (dragging)
        viewport()->releaseMouse();
    dragItem_ = -1;
    unsetCursor();
    // The master is found again by its handle: the drag may have outlived it.
    if (dragging)
        if (Master* master = dragged_.As<Master>())
            DropAt(*master, event->globalPosition().toPoint());
    dragged_ = ObjectHandle();
    QTreeWidget::mouseReleaseEvent(event);
}

void MasterList::contextMenuEvent(QContextMenuEvent* event) {
    if (onPopup)
        onPopup(event->globalPos());
}

void MasterList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && onDelete) {
        onDelete();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

// ---- TLister ----

TLister::TLister(ProjectWindow& window, QWidget* parent)
    : MasterList(window, {0, 1, 2, 3, 4, 5},
                 {"Name", "Kind", "Namespace", "#Refs", "Submodel", "ID"}, {70, 50, 80, 50, 80, 60},
                 parent),
      document_(window.Document()) {
    setAccessibleName("Master Lister");
    document_.Events().AddObserver(this);
    LiveListers().push_back(this);
}

TLister::~TLister() {
    document_.Events().RemoveObserver(this);
    std::erase(LiveListers(), this);
}

const GuidMap* TLister::MapOfMasters() const {
    return &document_.IdMap();
}

void TLister::Fill() {
    Clear();
    // The rows read as AddMaster would leave them, each master put at the
    // top in turn (the last master first), added in one step.
    QList<QTreeWidgetItem*> rows;
    const auto& masters = document_.Masters().Masters();
    rows.reserve(qsizetype(masters.size()));
    for (auto it = masters.rbegin(); it != masters.rend(); ++it)
        if (MasterRow* row = NewRow(**it))
            rows.push_back(row);
    addTopLevelItems(rows);
}

void TLister::ShowProperties(bool activate) {
    Master* master = GetFirstSelectedMaster();
    window_.Host().ShowProperties(document_, ObjectHandle(master, &document_.IdMap()), 3, {},
                                  activate);
}

void TLister::SelectExploded() {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        Master* master = MasterAt(i);
        topLevelItem(i)->setSelected(master != nullptr && master->submodel != nullptr);
    }
}

void TLister::SelectAll() {
    selectAll();
}

void TLister::DropAt(Master& master, const QPoint& screenPoint) {
    if (window_.CanDropAt(screenPoint))
        window_.DropMaster(master, screenPoint);
}

void TLister::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    ShowProperties(true);
}

void TLister::MastersChanged(const std::vector<Master*>& masters) {
    for (Master* master : masters) {
        if (!document_.HasMaster(master))
            continue;
        if (MasterRow* row = RowOf(master->guid))
            row->Update();
        else
            AddMaster(*master);
    }
}

void TLister::ObjectsRemoved(const std::vector<Guid>& ids) {
    for (const Guid& id : ids) {
        MasterRow* row = RowOf(id);
        // A master undo re-created is registered under the same id again:
        // its row stays and now shows the new master.
        if (row != nullptr && row->GetMaster() == nullptr)
            RemoveMaster(id);
    }
}

void TLister::ModelsChanged(ModelsChange change, const std::vector<Model*>&) {
    // A new, renamed or removed submodel shows in the "Submodel" column
    // (an explode adds the model its master then names).
    if (change != ModelsChange::Moved)
        RedrawAllItems();
}

std::vector<Master*> ListerSelection::SelectedMasters(CCASEDoc* project) {
    std::vector<Master*> masters;
    for (TLister* lister : LiveListers())
        if (&lister->Document() == project) {
            lister->GetSelectedMasters(masters);
            break;
        }
    return masters;
}

} // namespace qm
