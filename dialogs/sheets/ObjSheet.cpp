// CObjSheet: targets, the page set and the journaled apply.
#include "dialogs/sheets/ObjSheet.h"

#include "dialogs/sheets/GeneralPage.h"
#include "dialogs/sheets/MemberPages.h"
#include "dialogs/sheets/MethodCodeWindow.h"
#include "dialogs/sheets/ParamsDialog.h"
#include "dialogs/sheets/ToolsPage.h"
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/DiagramView.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/ToolModel.h"
#include "platform/Prompt.h"

#include <QCloseEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace qm {

namespace {

const char* const kNoProperties = "No Properties";
const char* const kNameClash = "Cannot rename a master to another existing master!";

bool IsClassTool(const MasterTool* tool) {
    const auto* model = dynamic_cast<const ToolModel*>(tool);
    return model != nullptr && model->Semantics() == SemClass;
}

// The tool id a master is looked up and compared by.
int ToolIdOf(const Master& master) {
    return master.tool != nullptr ? master.tool->ToolId() : NoToolKind;
}

// Whether a link shows other label texts than before.
bool LabelTextsDiffer(const Link& link, const ModelObject* before) {
    const auto* old = dynamic_cast<const Link*>(before);
    return old == nullptr || old->name != link.name || old->stereotype != link.stereotype ||
           old->sourceEnd != link.sourceEnd || old->targetEnd != link.targetEnd ||
           old->access != link.access;
}

} // namespace

SheetPage::SheetPage(CObjSheet& sheet, const QString& title) : sheet_(sheet), title_(title) {}

void SheetPage::ExchangeHistory(bool load) {
    histories_.Exchange(sheet_.HistoryProfile(), load);
}

CObjSheet::CObjSheet(QWidget* parent) : QDialog(parent), tabs_(new QTabWidget(this)) {
    setModal(false);
    setWindowTitle(QString());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    general_ = std::make_unique<CObjPage1>(*this);
    attributes_ = std::make_unique<CObjPage2>(*this);
    methods_ = std::make_unique<CObjPage3>(*this);
    types_ = std::make_unique<CObjPage6>(*this);
    exceptions_ = std::make_unique<CObjPage4>(*this);
    tools_ = std::make_unique<CObjPage5>(*this);
    SetPages({general_.get()});
    connect(tabs_, &QTabWidget::currentChanged, this, &CObjSheet::OnTabChanged);
}

CObjSheet::~CObjSheet() {
    // The tab widget must not own the pages the sheet owns.
    while (tabs_->count() > 0)
        tabs_->removeTab(0);
    for (SheetPage* page :
         std::initializer_list<SheetPage*>{general_.get(), attributes_.get(), methods_.get(),
                                           types_.get(), exceptions_.get(), tools_.get()})
        page->setParent(nullptr);
    SetDocument(nullptr);
}

CCASEDoc* CObjSheet::Document() const {
    return documentAlive_.Map() != nullptr ? document_ : nullptr;
}

Profile* CObjSheet::HistoryProfile() const {
    CCASEDoc* document = Document();
    return document != nullptr ? document->Context().profile : nullptr;
}

Place* CObjSheet::ThePlace() const {
    return place_.As<Place>();
}

bool CObjSheet::IsClassLike() const {
    const auto* master = dynamic_cast<const Master*>(copy_.get());
    return kind_ == PtMaster && master != nullptr && IsClassTool(master->tool);
}

std::vector<Master*> CObjSheet::BaseMasters() const {
    CCASEDoc* document = Document();
    auto* master = target_.As<Master>();
    if (document == nullptr || master == nullptr)
        return {};
    return document->CollectNestedMasters(master);
}

MethodCodeWindow& CObjSheet::CodeWindow() {
    if (codeWindow_ == nullptr)
        codeWindow_ = std::make_unique<MethodCodeWindow>(*this);
    return *codeWindow_;
}

CParamsDialog& CObjSheet::ParamsDialogOf() {
    if (paramsDialog_ == nullptr)
        paramsDialog_ = std::make_unique<CParamsDialog>(this);
    paramsDialog_->SetHistoryProfile(HistoryProfile());
    return *paramsDialog_;
}

COthersDialog& CObjSheet::OthersDialogOf() {
    if (othersDialog_ == nullptr)
        othersDialog_ = std::make_unique<COthersDialog>(this);
    othersDialog_->SetHistoryProfile(HistoryProfile());
    return *othersDialog_;
}

CMemberPage& CObjSheet::MemberPage(MemberKind kind) {
    switch (kind) {
    case MemberKind::Attribute:
        return *attributes_;
    case MemberKind::Method:
        return *methods_;
    case MemberKind::Type:
        return *types_;
    case MemberKind::Exception:
        return *exceptions_;
    }
    return *attributes_;
}

void CObjSheet::ExchangeHistory(bool load) {
    for (SheetPage* page : Pages())
        page->ExchangeHistory(load);
}

std::vector<SheetPage*> CObjSheet::Pages() const {
    std::vector<SheetPage*> pages;
    for (int i = 0; i < tabs_->count(); ++i)
        pages.push_back(static_cast<SheetPage*>(tabs_->widget(i)));
    return pages;
}

SheetPage* CObjSheet::CurrentPage() const {
    return static_cast<SheetPage*>(tabs_->currentWidget());
}

void CObjSheet::SetPages(const std::vector<SheetPage*>& pages) {
    if (Pages() == pages)
        return;
    const bool saved = storeOnDeactivate_;
    storeOnDeactivate_ = false;
    busy_ = true;
    SheetPage* current = CurrentPage();
    while (tabs_->count() > 0)
        tabs_->removeTab(0);
    for (SheetPage* page : pages)
        tabs_->addTab(page, page->Title());
    if (std::find(pages.begin(), pages.end(), current) != pages.end())
        tabs_->setCurrentWidget(current);
    shownPage_ = CurrentPage();
    busy_ = false;
    storeOnDeactivate_ = saved;
}

void CObjSheet::ActivatePage(SheetPage* page) {
    const bool saved = storeOnDeactivate_;
    storeOnDeactivate_ = false;
    tabs_->setCurrentWidget(page);
    storeOnDeactivate_ = saved;
}

void CObjSheet::OnTabChanged(int /*index*/) {
    if (busy_)
        return;
    // Switching pages by hand keeps the edits: the page left stores them.
    if (shownPage_ != nullptr && storeOnDeactivate_ && copy_ != nullptr)
        shownPage_->StorePage();
    shownPage_ = CurrentPage();
    if (shownPage_ != nullptr && copy_ != nullptr)
        shownPage_->LoadPage();
}

void CObjSheet::SetDocument(CCASEDoc* document) {
    if (document == Document() && document != nullptr)
        return;
    if (CCASEDoc* old = Document())
        old->Events().RemoveObserver(this);
    document_ = document;
    documentAlive_ = document != nullptr
                         ? ObjectHandle(&document->IdMap(), Guid(Guid::FromText{"document"}))
                         : ObjectHandle();
    if (document != nullptr)
        document->Events().AddObserver(this);
}

void CObjSheet::SetTargetObject(CCASEDoc* document, const ObjectHandle& target, int kind,
                                bool apply, bool reload, const ObjectHandle& place) {
    std::optional<JournalGroup> group;
    if (CCASEDoc* grouped = Document() != nullptr ? Document() : document)
        group.emplace(grouped->GetJournal());
    if (!target.IsEmpty() && target == target_ && place == place_ && document == Document())
        return;
    busy_ = true;
    if (codeWindow_ != nullptr)
        codeWindow_->Show(false);
    if (copy_ != nullptr && apply && target_.Get() != nullptr && Document() != nullptr)
        Apply();
    const bool wasClassLike = IsClassLike();
    const int previousKind = kind_;
    copy_.reset();

    SetDocument(document);
    Model* current = document != nullptr ? document->CurrentModel() : nullptr;
    model_ = document != nullptr ? ObjectHandle(current, &document->IdMap()) : ObjectHandle();
    target_ = target;
    place_ = place;
    ModelObject* object = target_.Get();
    if (object != nullptr) {
        copy_ = object->Clone();
        if (copy_ != nullptr)
            copy_->SetDetached();
    }
    if (copy_ == nullptr) {
        target_ = ObjectHandle();
        place_ = ObjectHandle();
        kind = PtNone;
    }
    busy_ = false;

    if (kind != previousKind || IsClassLike() != wasClassLike || copy_ == nullptr) {
        kind_ = kind;
        RebuildPageSet();
    }
    kind_ = kind;
    if (copy_ == nullptr) {
        setWindowTitle(QString::fromLatin1(kNoProperties));
        hide();
        return;
    }
    if (CurrentPage() == nullptr)
        ActivatePage(general_.get());
    general_->FillKindCombo();
    if (reload) {
        for (SheetPage* page : Pages())
            page->LoadPage();
    }
    shownPage_ = CurrentPage();
}

void CObjSheet::Apply() {
    CCASEDoc* document = Document();
    ModelObject* target = target_.Get();
    Place* place = ThePlace();
    for (SheetPage* page : Pages())
        page->StorePage();
    auto* model = model_.As<Model>();
    UndoJournal& journal = document->GetJournal();
    bool toolChanged = false;
    if (kind_ == PtMaster) {
        auto* master = dynamic_cast<Master*>(target);
        auto* copy = dynamic_cast<Master*>(copy_.get());
        if (master != nullptr && copy != nullptr) {
            toolChanged = ToolIdOf(*master) != ToolIdOf(*copy);
            // A place whose text the apply changed takes the room the new
            // text needs; one the user left as it was keeps its size.
            const CRect needBefore = place != nullptr ? GrownToText(*place) : CRect();
            ApplyMaster(*master, *copy, place, model);
            if (place != nullptr && model != nullptr && GrownToText(*place) != needBefore)
                GrowPlaceToText(*place, *model);
        }
    } else {
        if (kind_ == PtLink) {
            auto* link = dynamic_cast<Link*>(target);
            auto* copy = dynamic_cast<Link*>(copy_.get());
            toolChanged = link != nullptr && copy != nullptr && link->kindCode != copy->kindCode;
        }
        std::unique_ptr<ModelObject> previous = target->Clone();
        previous->SetDetached();
        JournalChange change(journal, ChangeKind::PropertyChanges);
        target->Assign(copy_.get());
        if (auto* link = dynamic_cast<Link*>(target); link != nullptr && toolChanged)
            link->SetTool(document->FindTool(link->kindCode));
        auto* link = dynamic_cast<Link*>(target);
        const bool relabel =
            link != nullptr && (toolChanged || LabelTextsDiffer(*link, previous.get()));
        journal.AddChangedObject(target, std::move(previous));
        ModelObject* recordModel = kind_ == PtDiagramType ? nullptr : model;
        if (kind_ == PtModel)
            recordModel = target;
        change.Record("Property Changes", recordModel, target);
        if (relabel)
            MeasureLinkLabels(*link, model);
    }
    if (toolChanged && model != nullptr)
        model->RebindTools(document->Template());
    auto* targetModel = dynamic_cast<Model*>(target);
    const bool templateChange =
        kind_ == PtDiagramType || (targetModel != nullptr && targetModel->IsToolModel());
    if (templateChange && document->Template() != nullptr)
        document->Template()->modified = true;
    else
        document->SetModifiedFlag(true);
}

void CObjSheet::ApplyMaster(Master& target, Master& copy, Place* place, Model* model) {
    CCASEDoc& document = *Document();
    UndoJournal& journal = document.GetJournal();
    Master* found = document.FindMaster(ToolIdOf(copy), copy.name, copy.nameSpace);
    const bool clash =
        found != nullptr && (found->name != target.name || found->nameSpace != target.nameSpace);
    Master* master = &target;
    if (place != nullptr && (clash || target.name == "?")) {
        // The place takes the master of the new name (an existing one, or
        // its own renamed) instead of renaming the master it shows.
        JournalChange change(journal, ChangeKind::PlaceMasterSwitch);
        journal.AddChangedObject(place->master, nullptr);
        std::string oldText = place->master != nullptr ? place->master->name : std::string();
        Master* switched = document.RenamePlaceMaster(place, copy.name, copy.nameSpace, true);
        if (switched != nullptr) {
            place->master = switched;
            place->Relayout();
            place->UpdateRepaintRect();
            master = switched;
            journal.AddChangedObject(switched, nullptr);
        }
        journal.SetTexts(oldText, copy.name);
        change.Record("Place Master Switch", model, place);
    }
    std::unique_ptr<ModelObject> previous = master->Clone();
    previous->SetDetached();
    JournalChange change(journal, ChangeKind::PropertyChanges);
    if (!clash) {
        // Assign hands the copied member records to the master.
        master->Assign(&copy);
    } else if (place == nullptr) {
        MessageBox(kNameClash, PromptIcon::Exclamation);
    }
    journal.AddChangedObject(master, std::move(previous));
    if (place != nullptr) {
        journal.AddChangedObject(place, nullptr);
        journal.SetSavedFlags(general_->PlaceFlagsAtLoad());
        general_->StorePlace(*place);
    }
    change.Record("Property Changes", model, master);
}

void CObjSheet::MeasureLinkLabels(Link& link, Model* model) {
    // The name label's rectangle before, kept for the journal's undo.
    auto previous = std::make_unique<Drawable>();
    previous->bounds = link.bounds;
    previous->labelRect = link.labelRect;
    previous->SetDetached();
    {
        BorrowedDC borrowed(Document());
        link.MeasureLabels(borrowed.dc());
    }
    if (link.labelRect == previous->labelRect || model == nullptr)
        return;
    UndoJournal& journal = Document()->GetJournal();
    JournalChange change(journal, ChangeKind::AutoSizeDrawable);
    journal.AddChangedObject(&link, std::move(previous));
    change.Record("Auto-size Link", model, &link);
}

CRect CObjSheet::GrownToText(Place& place) {
    CRect grown;
    BorrowedDC borrowed(Document());
    place.ComputeGrownToText(&borrowed.dc(), grown);
    return grown;
}

void CObjSheet::GrowPlaceToText(Place& place, Model& model) {
    const CRect grown = GrownToText(place);
    if (grown == place.bounds)
        return;
    // The rectangles before, kept for the journal's undo.
    auto previous = std::make_unique<Drawable>();
    previous->bounds = place.bounds;
    previous->labelRect = place.labelRect;
    previous->SetDetached();
    CRect area;
    model.SetDrawableBounds(&place, grown, area);
    place.Relayout();
    place.UpdateRepaintRect();
    UndoJournal& journal = Document()->GetJournal();
    JournalChange change(journal, ChangeKind::AutoSizeDrawable);
    journal.AddChangedObject(&place, std::move(previous));
    change.Record("Auto-size Place", &model, &place);
}

void CObjSheet::RebuildPageSet() {
    if (kind_ == PtMaster && IsClassLike())
        SetPages(
            {general_.get(), attributes_.get(), methods_.get(), types_.get(), exceptions_.get()});
    else if (kind_ == PtDiagramType)
        SetPages({general_.get(), tools_.get()});
    else
        SetPages({general_.get()});
}

void CObjSheet::RefreshPageSet() {
    RebuildPageSet();
    for (SheetPage* page : Pages()) {
        if (page != general_.get())
            page->LoadPage();
    }
}

void CObjSheet::CloseSheet(bool apply) {
    const bool saved = storeOnDeactivate_;
    storeOnDeactivate_ = apply;
    SetTargetObject(Document(), ObjectHandle(), PtNone, apply, false, ObjectHandle());
    ActivatePage(general_.get());
    hide();
    storeOnDeactivate_ = saved;
}

void CObjSheet::ShowMemberPage(int memberKind, int item) {
    MemberKind kinds[] = {MemberKind::Attribute, MemberKind::Type, MemberKind::Method};
    if (memberKind < 0 || memberKind > 2 || !IsClassLike())
        return;
    CMemberPage& page = MemberPage(kinds[memberKind]);
    tabs_->setCurrentWidget(&page);
    page.SelectItem(item);
}

void CObjSheet::UpdateNameField() {
    general_->UpdateNameFromTarget();
}

void CObjSheet::DropVanishedTarget() {
    copy_.reset();
    target_ = ObjectHandle();
    place_ = ObjectHandle();
    if (codeWindow_ != nullptr)
        codeWindow_->Forget();
    kind_ = PtNone;
    RebuildPageSet();
    setWindowTitle(QString::fromLatin1(kNoProperties));
    hide();
}

void CObjSheet::ObjectsRemoved(const std::vector<Guid>& /*ids*/) {
    if (busy_ || copy_ == nullptr)
        return;
    if (target_.Get() == nullptr || (!place_.IsEmpty() && place_.Get() == nullptr))
        DropVanishedTarget();
}

void CObjSheet::MastersChanged(const std::vector<Master*>& masters) {
    if (busy_ || copy_ == nullptr)
        return;
    if (target_.Get() == nullptr) {
        DropVanishedTarget();
        return;
    }
    // The target changed under the sheet (undo, a script): the pages show
    // it as it is now.
    ModelObject* target = target_.Get();
    if (std::find(masters.begin(), masters.end(), target) == masters.end())
        return;
    copy_ = target->Clone();
    copy_->SetDetached();
    for (SheetPage* page : Pages())
        page->LoadPage();
}

void CObjSheet::closeEvent(QCloseEvent* event) {
    CloseSheet(true);
    event->ignore();
}

} // namespace qm
