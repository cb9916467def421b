// TLister: the master lister, a report list of every master of the project
// with one row per master, sortable by column, from which masters are
// dragged into the diagram. Rows hold object handles and supply their texts
// on demand; the list follows the document's events row by row.
#pragma once

#include "document/DocumentEvents.h"
#include "model/ObjectHandle.h"
#include "platform/Geometry.h"
#include "scripting/QuerySeams.h"

#include <QTreeWidget>

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

class CCASEDoc;
class Master;
class ProjectWindow;

// The master comparison of the lister's columns (1 tool names, 2
// namespaces, 3 reference counts, 4 submodel names, 5 ids; any other
// column none), ties broken by name. Negative, zero or positive.
int CompareMasters(const Master& a, const Master& b, int column);

// A row of a master list: it holds the master's handle and answers its
// texts from the master as it is now.
class MasterRow : public QTreeWidgetItem {
  public:
    // columns maps each column of the list to a lister column (0 to 5).
    MasterRow(const ObjectHandle& master, const std::vector<int>& columns);
    QVariant data(int column, int role) const override;
    bool operator<(const QTreeWidgetItem& other) const override;
    Master* GetMaster() const;
    const ObjectHandle& Handle() const { return master_; }
    // Redraws the row (its texts are asked for again).
    void Update() { emitDataChanged(); }

  private:
    ObjectHandle master_;
    const std::vector<int>& columns_;
};

// What the lister and the reference pane share: rows by master id, the
// drag of a master out of the list and its status texts.
class MasterList : public QTreeWidget {
  public:
    MasterList(ProjectWindow& window, std::vector<int> columns, const QStringList& titles,
               const std::vector<int>& widths, QWidget* parent);

    MasterRow* AddMaster(Master& master);
    void RemoveMaster(const Guid& id);
    void UpdateMaster(const Master& master);
    void RedrawAllItems();
    void Clear();
    MasterRow* RowOf(const Guid& id) const;
    int GetSelectedCount() const;
    Master* GetFirstSelectedMaster() const;
    void GetSelectedMasters(std::vector<Master*>& masters) const;
    void SortByColumn(int column);
    int SortColumn() const { return sortColumn_; }
    // The master of row index (list order); null when none.
    Master* MasterAt(int row) const;

    // What the right button and the Delete key run (the side pane's pop-up
    // menu and Delete command); unset, they do nothing.
    std::function<void(const QPoint& screenPoint)> onPopup;
    std::function<void()> onDelete;

  protected:
    // A row for master, not yet in the list, entered in the look-up; null
    // when the master has a row.
    MasterRow* NewRow(Master& master);
    // The master the list's map resolves (the document's or the reference
    // project's).
    virtual const GuidMap* MapOfMasters() const = 0;
    // A dragged master released over a screen point.
    virtual void DropAt(Master& master, const QPoint& screenPoint) = 0;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    ProjectWindow& window_;

  private:
    MasterRow* DragCandidate(const QPoint& point) const;

    std::vector<int> columns_;
    std::unordered_map<std::string, MasterRow*> rows_;
    int sortColumn_ = 0;
    // -1 no drag, -2 the button went down where no drag may start, else
    // the row being dragged (its handle kept in dragged_).
    int dragItem_ = -1;
    ObjectHandle dragged_;
    QPoint downPoint_;
};

class TLister : public MasterList, public DocumentObserver {
  public:
    TLister(ProjectWindow& window, QWidget* parent = nullptr);
    ~TLister() override;

    // Fills one row per master of the document.
    void Fill();
    void ShowProperties(bool activate);
    void SelectExploded();
    void SelectAll();
    CCASEDoc& Document() const { return document_; }

    // ---- DocumentObserver ----
    void MastersChanged(const std::vector<Master*>& masters) override;
    void ObjectsRemoved(const std::vector<Guid>& ids) override;
    void ModelsChanged(ModelsChange change, const std::vector<Model*>& models) override;

  protected:
    const GuidMap* MapOfMasters() const override;
    void DropAt(Master& master, const QPoint& screenPoint) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    CCASEDoc& document_;
};

// The scripts' view of the listers: the masters selected in the lister of
// a project's window (none for a project without one). The application
// installs one for the run (ScopedInstall<MasterListerSelection>).
class ListerSelection : public MasterListerSelection {
  public:
    std::vector<Master*> SelectedMasters(CCASEDoc* project) override;
};

} // namespace qm
