// The side pane: its tab strip, the five panes it switches between, and the
// master commands over the lister's selection.
#include "shell/panes/SidePane.h"

#include "dialogs/model/PaneImages.h"
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "editor/Annotater.h"
#include "editor/EditorHost.h"
#include "model/Master.h"
#include "shell/ProjectWindow.h"
#include "shell/panes/Lister.h"
#include "shell/panes/Overview.h"
#include "shell/panes/PaneCommands.h"
#include "shell/panes/Reference.h"

#include <QMenu>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <QVBoxLayout>

#include <filesystem>

namespace qm {

namespace {

// The tabs' titles, shown only as their tool tips (the tabs show images).
constexpr const char* kTabTitles[] = {"Master Lister", "Class Annotation", "Drawing Locater",
                                      "Drawing Size (Matrix)"};

// The tab strip: tabs of 20 x 18 pixels showing their 13-pixel picture in
// the middle, so that all five fit a narrow pane without scroll arrows.
class PictureTabBar : public QTabBar {
  public:
    explicit PictureTabBar(QWidget* parent) : QTabBar(parent) {
        setIconSize(QSize(13, 13));
        setExpanding(false);
        setUsesScrollButtons(false);
        setDrawBase(true);
    }

  protected:
    QSize tabSizeHint(int) const override { return QSize(kSideTabWidth, kSideTabHeight); }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        for (int i = 0; i < count(); ++i) {
            QStyleOptionTab option;
            initStyleOption(&option, i);
            painter.drawControl(QStyle::CE_TabBarTabShape, option);
            const QRect frame = tabRect(i);
            const QSize picture = iconSize();
            const QPoint at(frame.left() + (frame.width() - picture.width()) / 2,
                            frame.top() + (frame.height() - picture.height()) / 2 +
                                (i == currentIndex() ? 0 : 1));
            painter.drawPixmap(
                at, tabIcon(i).pixmap(picture, isTabEnabled(i) ? QIcon::Normal : QIcon::Disabled));
        }
    }
};

// The model master explodes into; null for none (or no master).
Model* SubmodelOf(const Master* master) {
    return master != nullptr ? dynamic_cast<Model*>(master->submodel) : nullptr;
}

} // namespace

TExtra::TExtra(ProjectWindow& window, QWidget* parent)
    : QWidget(parent), window_(window), document_(window.Document()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tabs_ = new PictureTabBar(this);
    stack_ = new QStackedWidget(this);
    layout->addWidget(tabs_);
    layout->addWidget(stack_, 1);

    lister_ = new TLister(window, stack_);
    annotater_ = new TAnnotater(document_, window.Host(), stack_);
    locater_ = new TGuide(window, stack_);
    matrix_ = new TPager(window, stack_);
    reference_ = new TReference(window, stack_);
    for (QWidget* pane :
         std::initializer_list<QWidget*>{lister_, annotater_, locater_, matrix_, reference_})
        stack_->addWidget(pane);

    // The last title names the reference project as it is when the pane
    // is made.
    CCASEDoc* reference = window.ReferenceProject();
    const std::string referenceTitle = reference != nullptr
                                           ? "Reference Project (" + reference->GetPathName() + ")"
                                           : "Not loaded -- see 'File:Load Reference Project'";
    for (int i = 0; i < 5; ++i) {
        const QString title =
            QString::fromStdString(i < 4 ? std::string(kTabTitles[i]) : referenceTitle);
        tabs_->addTab(TabImage(i), QString());
        tabs_->setTabToolTip(i, title);
        tabs_->setAccessibleTabName(i, title);
    }
    connect(tabs_, &QTabBar::currentChanged, this, [this](int) { ShowSelectedPane(); });

    lister_->onPopup = [this](const QPoint& point) { ShowPopup(point); };
    lister_->onDelete = [this] { OnCommand(cmd::EditDelete); };
    reference_->onDelete = [this] { OnCommand(cmd::EditDelete); };
    lister_->Fill();
    reference_->Fill(reference);
    SelectTab(TabLister);
}

TExtra::~TExtra() = default;

void TExtra::SelectTab(int index) {
    if (index < 0 || index >= tabs_->count())
        return;
    tabs_->setCurrentIndex(index);
    ShowSelectedPane();
}

int TExtra::SelectedTab() const {
    return tabs_->currentIndex();
}

void TExtra::ShowSelectedPane() {
    const int tab = SelectedTab();
    if (tab < 0)
        return;
    stack_->setCurrentIndex(tab);
    if (tab == TabAnnotation)
        annotater_->RefillFromSelection();
    RefreshOverviewPane(true);
}

void TExtra::RefreshOverviewPane(bool repaint) {
    if (SelectedTab() == TabLocater)
        locater_->Refresh(repaint);
    else if (SelectedTab() == TabMatrix)
        matrix_->Refresh(repaint);
}

bool TExtra::ListerHasSelection() const {
    return SelectedTab() == TabLister && lister_->GetSelectedCount() > 0;
}

bool TExtra::SingleSelection() const {
    return SelectedTab() == TabLister && lister_->GetSelectedCount() == 1;
}

bool TExtra::SelectionHasSubmodel() const {
    Master* master = SingleSelection() ? lister_->GetFirstSelectedMaster() : nullptr;
    return master != nullptr && master->submodel != nullptr;
}

void TExtra::MarkSelectedMasters() {
    std::vector<Master*> masters;
    lister_->GetSelectedMasters(masters);
    document_.Masters().MarkAll(0);
    document_.MarkModels(false);
    for (Master* master : masters)
        master->Mark(1, 1, 0);
}

void TExtra::CopyMasters(bool cut) {
    MarkSelectedMasters();
    try {
        document_.CopyToClipboardFile(document_.CurrentModel(), {});
    } catch (const std::exception& error) {
        CCASEDoc::ReportSaveLoadException(error);
        return;
    }
    if (cut)
        document_.DeleteMasters(ChangeKind::Cut, false);
}

void TExtra::DeleteMasters() {
    if (SelectedTab() != TabLister)
        return;
    MarkSelectedMasters();
    document_.DeleteMasters(ChangeKind::Delete, false);
}

void TExtra::PasteMasters() {
    if (PasteClipboardFile(document_))
        window_.ShowModel(document_.GetModelAt(0));
}

void TExtra::OnCutOrCopy(int id) {
    if (ListerHasSelection())
        CopyMasters(id == cmd::EditCut || id == cmd::PopupCut);
}

void TExtra::OnUpdateCutOrCopy(int, CommandState& state) {
    state.enabled = ListerHasSelection();
}

void TExtra::OnPaste(int) {
    if (SelectedTab() == TabLister)
        PasteMasters();
}

void TExtra::OnUpdatePaste(int, CommandState& state) {
    state.enabled = SelectedTab() == TabLister && CCASEDoc::ClipboardFileExists();
}

void TExtra::OnDelete(int) {
    DeleteMasters();
}

void TExtra::OnUpdateDelete(int, CommandState& state) {
    state.enabled = ListerHasSelection();
}

void TExtra::OnProperties(int) {
    lister_->ShowProperties(true);
}

bool TExtra::TakesSelectAll() const {
    return SelectedTab() == TabLister;
}

void TExtra::OnSelectAll(int id) {
    if (id == cmd::EditSelectAll)
        lister_->SelectAll();
    else
        lister_->SelectExploded();
}

void TExtra::OnUpdateSelectAll(int, CommandState& state) {
    state.enabled = lister_->topLevelItemCount() > 0;
}

void TExtra::OnExplode(int) {
    Master* master = lister_->GetFirstSelectedMaster();
    if (master == nullptr)
        return;
    if (window_.ExplodeMaster(*master))
        OnSubmodel(cmd::PopupSubmodel);
    else
        window_.RepaintView(false);
    lister_->RedrawAllItems();
}

void TExtra::OnUpdateExplode(int, CommandState& state) {
    state.enabled = SingleSelection();
}

void TExtra::OnSubmodel(int) {
    Master* master = lister_->GetFirstSelectedMaster();
    Model* submodel = SubmodelOf(master);
    if (submodel == nullptr)
        return;
    if (submodel != document_.CurrentModel()) {
        window_.AnimateZoomIn();
        window_.ShowModel(submodel);
    } else {
        window_.RepaintView(false);
    }
}

void TExtra::OnBreakExplode(int) {
    Master* master = lister_->GetFirstSelectedMaster();
    Model* submodel = SubmodelOf(master);
    if (submodel == nullptr)
        return;
    UndoJournal& journal = document_.GetJournal();
    JournalChange change(journal, ChangeKind::BreakExplode);
    journal.AddChangedObject(master, nullptr);
    change.Record("Break Explode", document_.CurrentModel(), nullptr);
    submodel->parentMaster = nullptr;
    master->submodel = nullptr;
    window_.RepaintView(false);
    lister_->UpdateMaster(*master);
}

void TExtra::OnUpdateSubmodel(int, CommandState& state) {
    state.enabled = SelectionHasSubmodel();
}

QMenu* TExtra::BuildContextMenu() {
    return BuildPopupMenu(this, window_.Host());
}

void TExtra::ShowPopup(const QPoint& screenPoint) {
    // Only while the diagram view shows a model.
    if (document_.CurrentModel() == nullptr)
        return;
    BuildContextMenu()->popup(screenPoint);
}

} // namespace qm
