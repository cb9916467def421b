// TExtra: the side pane below the project explorer: a strip of five image
// tabs (master lister, class annotation, drawing locater, drawing size
// matrix, reference project) over the pane of the selected tab, and the
// master commands that act on the lister's selection.
#pragma once

#include "shell/panes/PaneCommands.h"

#include <QWidget>

class QStackedWidget;
class QTabBar;

namespace qm {

class CCASEDoc;
class ProjectWindow;
class TAnnotater;
class TGuide;
class TLister;
class TPager;
class TReference;

// Every tab of the strip is a picture of this size.
inline constexpr int kSideTabWidth = 20;
inline constexpr int kSideTabHeight = 18;

enum ExtraTab : int {
    TabLister = 0,
    TabAnnotation = 1,
    TabLocater = 2,
    TabMatrix = 3,
    TabReference = 4,
};

class TExtra : public QWidget, public PaneCommandTarget {
  public:
    TExtra(ProjectWindow& window, QWidget* parent = nullptr);
    ~TExtra() override;

    // Selects tab index (0 to 4; others are ignored) and shows its pane.
    void SelectTab(int index);
    int SelectedTab() const;
    // Shows the selected tab's pane; the annotation tab is refilled.
    void ShowSelectedPane();
    // Refreshes the locater or the matrix when its tab is selected.
    void RefreshOverviewPane(bool repaint);
    bool IsAnnotationTabSelected() const { return SelectedTab() == TabAnnotation; }
    QTabBar* Tabs() const { return tabs_; }

    TLister* Lister() const { return lister_; }
    TAnnotater* Annotater() const { return annotater_; }
    TGuide* Locater() const { return locater_; }
    TPager* Matrix() const { return matrix_; }
    TReference* Reference() const { return reference_; }

    // The pop-up menu of the lister, built for the current state.
    QMenu* BuildContextMenu();

  protected:
    // ---- the shared pane commands ----
    void OnCutOrCopy(int id) override;
    void OnUpdateCutOrCopy(int id, CommandState& state) override;
    void OnPaste(int id) override;
    void OnUpdatePaste(int id, CommandState& state) override;
    void OnDelete(int id) override;
    void OnUpdateDelete(int id, CommandState& state) override;
    void OnProperties(int id) override;
    bool TakesSelectAll() const override;
    void OnSelectAll(int id) override;
    void OnUpdateSelectAll(int id, CommandState& state) override;
    void OnExplode(int id) override;
    void OnUpdateExplode(int id, CommandState& state) override;
    void OnSubmodel(int id) override;
    void OnBreakExplode(int id) override;
    void OnUpdateSubmodel(int id, CommandState& state) override;

  private:
    bool ListerHasSelection() const;
    bool SingleSelection() const;
    bool SelectionHasSubmodel() const;
    // Marks the masters of the selected rows, and nothing else.
    void MarkSelectedMasters();
    void CopyMasters(bool cut);
    void DeleteMasters();
    void PasteMasters();
    void ShowPopup(const QPoint& screenPoint);

    ProjectWindow& window_;
    CCASEDoc& document_;
    QTabBar* tabs_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    TLister* lister_ = nullptr;
    TAnnotater* annotater_ = nullptr;
    TGuide* locater_ = nullptr;
    TPager* matrix_ = nullptr;
    TReference* reference_ = nullptr;
};

} // namespace qm
