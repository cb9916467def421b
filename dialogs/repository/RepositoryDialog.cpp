// The repository browser window: its tree of folders and projects filled
// from the server's listings as nodes open, the owner-drawn list of a node's
// children, the buttons enabled by the user's rights, and the operations the
// buttons start. Tree nodes and list rows carry the RepositoryItem they show;
// a node's items are replaced only together with its tree nodes and rows, so
// no row or node ever points at a deleted item.
#include "dialogs/repository/RepositoryDialog.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/repository/RepositoryDialogs.h"
#include "document/DocumentContext.h"
#include "document/ProjectFile.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/PainterDC.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/TempFolder.h"
#include "platform/UserFolders.h"
#include "repository/RepositoryItem.h"
#include "repository/RepositorySession.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cstring>
#include <vector>

namespace qm {

namespace {

constexpr int kItemRole = Qt::UserRole + 1;
constexpr int kIconSize = 16;
constexpr size_t kMaxShownError = 255;

struct ColumnSpec {
    const char* header;
    int width;
};
constexpr ColumnSpec kColumns[] = {
    {"Name", 80},   {"Stable", 20}, {"Base", 60},  {"Current", 60},  {"Revised", 60},
    {"Merged", 60}, {"Who", 70},    {"When", 120}, {"Comment", 120},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

void SetItemData(QTreeWidgetItem* row, RepositoryItem* item) {
    row->setData(0, kItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(item)));
}

RepositoryItem* ItemData(const QTreeWidgetItem* row) {
    if (row == nullptr)
        return nullptr;
    return reinterpret_cast<RepositoryItem*>(row->data(0, kItemRole).value<quintptr>());
}

// The text of one list column for an item.
std::string ColumnText(const RepositoryItem& item, int column) {
    switch (column) {
    case 0:
        return item.name;
    case 1:
        return item.StableText();
    case 2:
        return item.BaseField();
    case 3:
        return item.CurrentField();
    case 4:
        return item.RevisedField();
    case 5:
        return item.MergedField();
    case 6:
        return item.who;
    case 7:
        return item.FormatTime();
    case 8:
        return item.comment;
    default:
        return {};
    }
}

// The row order of a column: the texts compare as bytes, except the time,
// which orders by the moment (equal times in no particular order).
bool RowBefore(const RepositoryItem& a, const RepositoryItem& b, int column) {
    if (column == 7)
        return a.time < b.time;
    return ColumnText(a, column) < ColumnText(b, column);
}

const char* KindWord(uint8_t kind) {
    switch (kind) {
    case kItemFolder:
        return "folder";
    case kItemProject:
        return "project";
    case kItemVersion:
        return "version";
    default:
        return "";
    }
}

// A project's name as a local file name: the server names it, so separators
// and the names of the folder itself and its parent are not taken as a path.
std::string LocalProjectFileName(const std::string& projectName) {
    std::string name = projectName;
    for (char& c : name)
        if (IsPathSeparator(c) || c == '\0')
            c = '_';
    if (name.empty() || name == "." || name == "..")
        name = "_" + name;
    return name + ".pro";
}

// The version path as a project's stamp keeps it: without the '\' after the
// version's name.
std::string StampOfVersionPath(const std::string& path) {
    if (!path.empty() && path.back() == '\\')
        return path.substr(0, path.size() - 1);
    return path;
}

// Draws a list row cell by cell: the row filled with the highlight colour
// when selected (texts in the back colour) and with the back colour
// otherwise (texts in the highlight colour), stable versions in bold, the
// kind's icon before the name.
class RepRowDelegate : public QStyledItemDelegate {
  public:
    explicit RepRowDelegate(CRepListCtrl* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QColor highlight = option.palette.color(QPalette::Highlight);
        const QColor back = option.palette.color(QPalette::Base);
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        painter->save();
        painter->fillRect(option.rect, selected ? highlight : back);
        const QTreeWidgetItem* row = list_->itemFromIndex(index.siblingAtColumn(0));
        const RepositoryItem* item = CRepListCtrl::ItemOf(row);
        InstallFontSubstitutions();
        QFont font("MS Sans Serif");
        font.setPixelSize(12);
        font.setBold(item != nullptr && (item->flags & kItemStable) != 0);
        painter->setFont(font);
        painter->setPen(selected ? back : highlight);
        int textLeft = option.rect.left() + 6;
        if (index.column() == 0) {
            const QPixmap& strip = list_->IconStrip();
            const int kind = item != nullptr ? item->kind : 0;
            if (!strip.isNull())
                painter->drawPixmap(option.rect.left() + 1, option.rect.top(), strip,
                                    kind * kIconSize, 0, kIconSize, kIconSize);
            textLeft = option.rect.left() + 21;
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!text.isEmpty()) {
            const QRect cell(textLeft, option.rect.top() + 2, option.rect.right() - textLeft,
                             option.rect.height() - 2);
            painter->drawText(cell, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), kIconSize + 2));
        return size;
    }

  private:
    CRepListCtrl* list_;
};

QIcon StripIcon(const QPixmap& strip, int index, int selectedIndex) {
    QIcon icon;
    if (strip.isNull())
        return icon;
    icon.addPixmap(strip.copy(index * kIconSize, 0, kIconSize, kIconSize), QIcon::Normal);
    icon.addPixmap(strip.copy(selectedIndex * kIconSize, 0, kIconSize, kIconSize), QIcon::Selected);
    return icon;
}

// True when node is inside (or is) ancestor.
bool IsWithin(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor) {
    for (; node != nullptr; node = node->parent())
        if (node == ancestor)
            return true;
    return false;
}

} // namespace

QPixmap RepositoryIconStrip() {
    const std::string folder = ApplicationFolder();
    QPixmap strip;
    if (!folder.empty())
        strip.load(Text(JoinPath(folder, "Icons/RepositoryItems.png")));
    return strip;
}

void SplitItemPath(const std::string& path, std::string& folder, std::string& name) {
    std::string whole = path;
    if (!whole.empty() && whole.back() == '\\')
        whole.pop_back();
    const size_t last = whole.rfind('\\');
    if (last == std::string::npos) {
        folder.clear();
        name = whole;
        return;
    }
    folder = whole.substr(0, last + 1);
    name = whole.substr(last + 1);
}

// ---- the list ----

CRepListCtrl::CRepListCtrl(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setColumnCount(kColumnCount);
    QStringList headers;
    for (const ColumnSpec& column : kColumns)
        headers << column.header;
    setHeaderLabels(headers);
    for (int i = 0; i < kColumnCount; ++i)
        setColumnWidth(i, kColumns[i].width);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    setItemDelegate(new RepRowDelegate(this));
    setAccessibleName("Repository items");
}

void CRepListCtrl::SetIconStrip(const QPixmap& strip) {
    strip_ = strip;
}

RepositoryItem* CRepListCtrl::ItemOf(const QTreeWidgetItem* row) {
    return ItemData(row);
}

// ---- the window ----

CRepositoryDialog::CRepositoryDialog(RepositorySession& session, RepositoryBrowserHost& host,
                                     QWidget* parent)
    : QDialog(parent), session_(session), host_(host), root_(std::make_unique<RepositoryItem>()) {
    setModal(false);
    // A browser left open never keeps the application running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(Text(Format("Repository (%s, Rights=%s)", session_.UserName().c_str(),
                               FormatRights(session_.Rights()).c_str())));

    struct ButtonRow {
        QPushButton** button;
        const char* label;
        void (CRepositoryDialog::*handler)();
    };
    const ButtonRow buttons[] = {
        {&newFolder_, "&New Folder", &CRepositoryDialog::OnNewFolder},
        {&makeStable_, "Make &Stable", &CRepositoryDialog::OnMakeStable},
        {&delete_, "&Delete", &CRepositoryDialog::OnDelete},
        {&checkIn_, "Check &In...", &CRepositoryDialog::OnCheckInButton},
        {&checkOut_, "Check &Out...", &CRepositoryDialog::OnCheckOut},
        {&history_, "&History", &CRepositoryDialog::OnHistory},
    };
    int x = 0;
    for (const ButtonRow& row : buttons) {
        auto* button = new QPushButton(row.label, this);
        button->setAutoDefault(false);
        button->setGeometry(x, 4, 90, 23);
        x += 94;
        auto handler = row.handler;
        connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        *row.button = button;
    }

    const QPixmap strip = RepositoryIconStrip();
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setColumnCount(1);
    tree_->setAccessibleName("Repository folders");
    tree_->setIconSize(QSize(kIconSize, kIconSize));
    list_ = new CRepListCtrl(this);
    list_->SetIconStrip(strip);

    root_->Set(kItemFolder, "Root");
    auto* rootNode = new QTreeWidgetItem(tree_, QStringList("Root"));
    SetItemData(rootNode, root_.get());
    rootNode->setIcon(0, StripIcon(strip, 1, 0));
    new QTreeWidgetItem(rootNode); // the placeholder that lets it open

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { OnTreeSelectionChanged(); });
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* node) {
        LoadNode(node, false);
        UpdateButtons();
    });
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* node) {
        // The next opening asks the server again.
        if (RepositoryItem* item = ItemOf(node))
            item->flags &= ~uint32_t(kItemChildrenLoaded);
        UpdateButtons();
    });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(list_->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortList(column); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (checkOut_->isEnabled())
            OnCheckOut();
    });
    list_->installEventFilter(this);

    resize(760, 420);
    UpdateButtons();
}

CRepositoryDialog::~CRepositoryDialog() {
    // The nodes and rows point into the items: they go first.
    list_->clear();
    tree_->clear();
}

QPushButton* CRepositoryDialog::Button(RepositoryButton id) const {
    switch (id) {
    case kButtonNewFolder:
        return newFolder_;
    case kButtonMakeStable:
        return makeStable_;
    case kButtonDelete:
        return delete_;
    case kButtonCheckIn:
        return checkIn_;
    case kButtonCheckOut:
        return checkOut_;
    case kButtonHistory:
        return history_;
    }
    return nullptr;
}

QTreeWidgetItem* CRepositoryDialog::RootNode() const {
    return tree_->topLevelItem(0);
}

RepositoryItem* CRepositoryDialog::ItemOf(const QTreeWidgetItem* node) {
    return ItemData(node);
}

std::string CRepositoryDialog::NodePath(const QTreeWidgetItem* node, bool foldersOnly) {
    std::vector<const QTreeWidgetItem*> chain;
    for (; node != nullptr && node->parent() != nullptr; node = node->parent())
        chain.push_back(node);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const RepositoryItem* item = ItemData(*it);
        if (item == nullptr || (foldersOnly && item->kind == kItemProject))
            continue;
        path += item->name + "\\";
    }
    return path;
}

void CRepositoryDialog::Show(bool show) {
    if (!show) {
        hide();
        return;
    }
    QDialog::show();
    raise();
    activateWindow();
}

void CRepositoryDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int w = width() - 10;
    const int h = height();
    tree_->setGeometry(0, 31, w / 4, std::max(0, h - 57));
    list_->setGeometry(w / 4 + 2, 31, w - w / 4, std::max(0, h - 57));
}

void CRepositoryDialog::keyPressEvent(QKeyEvent* event) {
    // Escape hides the browser; it is never destroyed during the run.
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CRepositoryDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        if (delete_->isEnabled())
            OnDelete();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- loading and showing ----

void CRepositoryDialog::LoadNode(QTreeWidgetItem* node, bool force) {
    RepositoryItem* item = ItemOf(node);
    if (item == nullptr || (!force && (item->flags & kItemChildrenLoaded) != 0))
        return;
    QTreeWidgetItem* current = tree_->currentItem();
    const bool listStale = IsWithin(current, node);
    {
        const QSignalBlocker blockTree(tree_);
        const QSignalBlocker blockList(list_);
        if (listStale)
            list_->clear();
        if (current != nullptr && current != node && listStale)
            tree_->setCurrentItem(node);
        qDeleteAll(node->takeChildren());
        item->DeleteChildren();
        item->LoadChildren(session_, NodePath(node, false));
        if (item->kind == kItemFolder)
            InsertChildNodes(node);
    }
    if (listStale)
        FillList();
}

void CRepositoryDialog::InsertChildNodes(QTreeWidgetItem* node) {
    const QPixmap& strip = list_->IconStrip();
    for (const auto& child : ItemOf(node)->children) {
        auto* childNode = new QTreeWidgetItem(node, QStringList(Text(child->name)));
        SetItemData(childNode, child.get());
        if (child->kind == kItemFolder) {
            childNode->setIcon(0, StripIcon(strip, 1, 0));
            new QTreeWidgetItem(childNode);
        } else {
            childNode->setIcon(0, StripIcon(strip, 2, 2));
        }
    }
}

void CRepositoryDialog::FillList() {
    const QSignalBlocker block(list_);
    list_->clear();
    const RepositoryItem* shown = SelectedTreeItem();
    if (shown != nullptr) {
        for (const auto& child : shown->children) {
            auto* row = new QTreeWidgetItem(list_);
            if (child == nullptr) {
                row->setText(0, "ERROR!");
                continue;
            }
            for (int column = 0; column < kColumnCount; ++column)
                row->setText(column, Text(ColumnText(*child, column)));
            SetItemData(row, child.get());
        }
    }
    UpdateButtons();
}

void CRepositoryDialog::SortList(int column) {
    if (column < 0 || column >= kColumnCount)
        return;
    sortColumn_ = column;
    const QSignalBlocker block(list_);
    RepositoryItem* selected = SelectedListItem();
    std::vector<QTreeWidgetItem*> rows;
    while (list_->topLevelItemCount() > 0)
        rows.push_back(list_->takeTopLevelItem(0));
    std::stable_sort(rows.begin(), rows.end(), [column](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        const RepositoryItem* left = ItemData(a);
        const RepositoryItem* right = ItemData(b);
        if (left == nullptr || right == nullptr)
            return left == nullptr && right != nullptr;
        return RowBefore(*left, *right, column);
    });
    for (QTreeWidgetItem* row : rows) {
        list_->addTopLevelItem(row);
        if (selected != nullptr && ItemData(row) == selected)
            row->setSelected(true);
    }
}

void CRepositoryDialog::OnTreeSelectionChanged() {
    if (QTreeWidgetItem* node = tree_->currentItem())
        LoadNode(node, false);
    FillList();
}

RepositoryItem* CRepositoryDialog::SelectedTreeItem() const {
    return ItemOf(tree_->currentItem());
}

RepositoryItem* CRepositoryDialog::SelectedListItem() const {
    const QList<QTreeWidgetItem*> rows = list_->selectedItems();
    return rows.isEmpty() ? nullptr : ItemData(rows.front());
}

void CRepositoryDialog::UpdateButtons() {
    const uint32_t rights = session_.Rights();
    const RepositoryItem* tree = SelectedTreeItem();
    const RepositoryItem* row = SelectedListItem();
    const bool treeFolder = tree != nullptr && tree->kind == kItemFolder;
    const bool treeProject = tree != nullptr && tree->kind == kItemProject;
    const bool rowVersion = row != nullptr && row->kind == kItemVersion;
    const bool rowProject = row != nullptr && row->kind == kItemProject;
    const bool treeNotRoot = tree != nullptr && tree != root_.get();
    newFolder_->setEnabled((rights & kRightNewFolder) != 0 && treeFolder);
    delete_->setEnabled((rights & kRightDelete) != 0 && (treeNotRoot || row != nullptr));
    checkIn_->setEnabled((rights & kRightCheckIn) != 0);
    checkOut_->setEnabled((rights & kRightCheckOut) != 0 &&
                          (treeProject || rowVersion || rowProject));
    makeStable_->setEnabled((rights & kRightCheckIn) != 0 && rowVersion);
    history_->setEnabled((rights & kRightCheckOut) != 0 && treeProject);
}

void CRepositoryDialog::ReloadAndExpand(QTreeWidgetItem* node) {
    if (node == nullptr)
        return;
    // The row selected before (a version just shown) stays selected when
    // the reloaded node still has it.
    const RepositoryItem* row = SelectedListItem();
    const std::string selectedName = row != nullptr ? row->name : std::string();
    LoadNode(node, true);
    node->setExpanded(true);
    if (tree_->currentItem() != node)
        return;
    FillList();
    if (!selectedName.empty())
        SelectRow(selectedName);
}

void CRepositoryDialog::SelectRow(const std::string& name) {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list_->topLevelItem(i);
        const RepositoryItem* item = ItemData(row);
        if (item != nullptr && item->name == name) {
            list_->setCurrentItem(row);
            row->setSelected(true);
            list_->scrollToItem(row);
            return;
        }
    }
}

template <typename Operation> void CRepositoryDialog::ShowingErrors(Operation&& operation) {
    try {
        operation();
    } catch (const CKestException& e) {
        MessageBox(e.Message().substr(0, kMaxShownError), PromptIcon::Exclamation);
    } catch (const CIgnoreException&) {
        // Already shown.
    }
}

QTreeWidgetItem* CRepositoryDialog::ChildNode(QTreeWidgetItem* node, const std::string& name) {
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0).toStdString() == name && ItemOf(node->child(i)) != nullptr)
            return node->child(i);
    return nullptr;
}

void CRepositoryDialog::ShowPath(const std::string& path, bool reload) {
    Show(true);
    std::string folder;
    std::string last;
    SplitItemPath(path, folder, last);
    QTreeWidgetItem* node = RootNode();
    size_t start = 0;
    while (start < folder.size()) {
        const size_t end = folder.find('\\', start);
        const std::string name =
            folder.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (name.empty())
            break;
        LoadNode(node, false);
        QTreeWidgetItem* found = ChildNode(node, name);
        if (found == nullptr) {
            // A node loaded before the item was made (a project just
            // checked in as new) is asked again once.
            LoadNode(node, true);
            found = ChildNode(node, name);
        }
        if (found == nullptr)
            return;
        node->setExpanded(true);
        node = found;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (reload) {
        if (RepositoryItem* item = ItemOf(node))
            item->flags &= ~uint32_t(kItemChildrenLoaded);
    }
    tree_->setCurrentItem(nullptr);
    tree_->setCurrentItem(node);
    tree_->scrollToItem(node);
    const RepositoryItem* item = ItemOf(node);
    if (item != nullptr && item->FindChild(last) != nullptr)
        SelectRow(last);
}

// ---- operations ----

void CRepositoryDialog::OnNewFolder() {
    QTreeWidgetItem* node = tree_->currentItem();
    const RepositoryItem* item = ItemOf(node);
    if (item == nullptr || item->kind != kItemFolder) {
        MessageBeep();
        return;
    }
    try {
        CNewFolderDialog dialog(this);
        if (RunModal(dialog) != QDialog::Accepted)
            return;
        const RepositoryDialogValues& values = RepositoryValues();
        session_.CreateFolder(NodePath(node, true) + values.newFolderName, values.newFolderComment);
        ReloadAndExpand(node);
    } catch (...) {
        host_.ReportCommandError(std::current_exception());
    }
}

void CRepositoryDialog::OnDelete() {
    QTreeWidgetItem* node = tree_->currentItem();
    const RepositoryItem* tree = ItemOf(node);
    const RepositoryItem* row = SelectedListItem();
    const RepositoryItem* target = row != nullptr ? row : tree;
    if (target == nullptr)
        return;
    const std::string path =
        row != nullptr ? NodePath(node, false) + row->name : NodePath(node, false);
    const char* word = KindWord(target->kind);
    const std::string question =
        Format("Are you sure that you want to delete %s '%s'%s?\nBeware that you cannot undo "
               "this operation!",
               word, target->name.c_str(),
               target->kind == kItemVersion ? "" : " (and everything inside it)");
    if (MessageBox(question, PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    bool deleted = false;
    ShowingErrors([&] {
        session_.DeleteItem(path, word);
        deleted = true;
    });
    if (!deleted)
        return;
    // A deleted node leaves its parent selected; a deleted row, its own node.
    if (row == nullptr && node != nullptr && node->parent() != nullptr) {
        node = node->parent();
        tree_->setCurrentItem(node);
    }
    ReloadAndExpand(node);
}

void CRepositoryDialog::OnCheckInButton() {
    FileDialogs* dialogs = host_.Dialogs();
    if (dialogs == nullptr)
        return;
    FileDialogRequest request;
    request.defaultExtension = "pro";
    request.initialName = lastCheckInFile_.empty() ? "*.pro" : lastCheckInFile_;
    request.filter = "Project Files (*.pro) | *.pro ||";
    const std::optional<std::string> chosen = dialogs->AskOpenFile(request);
    if (!chosen)
        return;
    lastCheckInFile_ = *chosen;
    CheckIn(*chosen, false);
}

void CRepositoryDialog::CheckIn(const std::string& projectFile, bool fromMainFrame) {
    ShowingErrors([&] {
        std::string itemPath;
        int32_t modified = 0;
        ReadProjectRepositoryStamp(projectFile, itemPath, modified);
        if (itemPath.empty() && fromMainFrame) {
            MessageBox("This project does not exist in the repository yet.\nPlease navigate to "
                       "where you want it to be created and press the Check In button.",
                       PromptIcon::Exclamation);
            Show(true);
            return;
        }
        if (itemPath.empty())
            itemPath = NodePath(tree_->currentItem(), true) +
                       RemoveExtension(FileNameOfPath(projectFile)) + "\\";
        lastCheckInFile_.clear();
        CCheckInDialog dialog(itemPath, modified != 0, this);
        if (RunModal(dialog) != QDialog::Accepted)
            return;
        const RepositoryDialogValues values = RepositoryValues();
        std::string resultPath;
        const bool checkedIn = session_.CheckIn(itemPath, values.checkInComment, projectFile,
                                                values.mergeResult != 0, resultPath);
        ReloadAndExpand(tree_->currentItem());
        if (!checkedIn)
            return;
        if (values.checkOutResult != 0) {
            host_.CloseProjectWindows(projectFile);
            std::string folder;
            std::string version;
            SplitItemPath(resultPath, folder, version);
            session_.CheckOut(folder, version, projectFile, false);
        }
        // The file now stands for the version just made, unmodified.
        const std::string stamp = StampOfVersionPath(resultPath);
        UpdateCheckedInProjectFile(projectFile, stamp, 0);
        host_.ProjectCheckedIn(projectFile, stamp);
        if (values.checkOutResult != 0 && values.openResult != 0 && host_.OpenProject(projectFile))
            hide();
    });
}

void CRepositoryDialog::OnCheckOut() {
    QTreeWidgetItem* node = tree_->currentItem();
    const RepositoryItem* tree = ItemOf(node);
    const RepositoryItem* row = SelectedListItem();
    const std::string version = row != nullptr && row->kind == kItemVersion ? row->name : "";
    const bool rowProject = row != nullptr && row->kind == kItemProject;
    const RepositoryItem* project = rowProject ? row : tree;
    if (project == nullptr || project->kind != kItemProject) {
        MessageBeep();
        return;
    }
    const std::string path = NodePath(node, false) + (rowProject ? row->name + "\\" : "");
    CheckOutProject(path, version, project->name);
}

void CRepositoryDialog::CheckOutProject(const std::string& path, const std::string& versionName,
                                        const std::string& projectName) {
    ShowingErrors([&] {
        CCheckOutDialog dialog(path, versionName, host_.Dialogs(), this);
        if (RunModal(dialog) != QDialog::Accepted)
            return;
        const RepositoryDialogValues values = RepositoryValues();
        const std::string local =
            JoinPath(values.checkOutFolder, LocalProjectFileName(projectName));
        const bool checkedOut =
            session_.CheckOut(path, versionName, local, values.checkOutReadOnly != 0);
        if (checkedOut && values.openCheckedOut != 0 && host_.OpenProject(local))
            hide();
    });
}

void CRepositoryDialog::OnMakeStable() {
    QTreeWidgetItem* node = tree_->currentItem();
    const RepositoryItem* tree = ItemOf(node);
    const RepositoryItem* row = SelectedListItem();
    if (tree == nullptr || tree->kind != kItemProject || row == nullptr ||
        row->kind != kItemVersion) {
        MessageBeep();
        return;
    }
    ShowingErrors([&] { session_.Baseline(NodePath(node, false) + row->name, true); });
}

void CRepositoryDialog::OnHistory() {
    QTreeWidgetItem* node = tree_->currentItem();
    const RepositoryItem* tree = ItemOf(node);
    if (tree != nullptr && tree->kind != kItemProject) {
        MessageBeep();
        return;
    }
    ShowingErrors([&] {
        const std::string path = NodePath(node, false);
        const std::string cache = session_.Host().CacheFile();
        RepositoryItem listing;
        session_.GetProps(path, cache);
        listing.ReadListing(cache, false);

        std::string text = "History for project '" + path + "'\n\n";
        for (const auto& version : listing.children) {
            if (version->kind != kItemVersion)
                continue;
            text += "Version " + version->name + ", created by " + version->who + ", on " +
                    version->FormatTime() +
                    ((version->flags & kItemStable) != 0 ? " (STABLE)" : "") + "\n";
            text += "Comment: " + version->comment + "\n\n";
        }
        const std::string folder = PrivateTempFolder();
        const std::string file = folder.empty() ? "" : JoinPath(folder, "History.txt");
        if (file.empty() || !WriteFileReplacing(file, text, 0600))
            throw CKestException("Can't open temporary file for history");
        host_.OpenFile(file);
    });
}

} // namespace qm
