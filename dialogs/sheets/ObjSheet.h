// CObjSheet: the one modeless property sheet of the application. Its pages
// edit a working copy of one model object (a model, a diagram type, a
// master, also through a place, a link, a text primitive or a floater);
// moving to another object or OK assigns the copy to the object as one
// journaled step, "Property Changes". The sheet keeps handles, not pointers,
// so an object that undo or a delete took away is never touched.
#pragma once

#include "dialogs/sheets/MemberRows.h"
#include "dialogs/sheets/SheetWidgets.h"
#include "document/DocumentEvents.h"
#include "model/ObjectHandle.h"

#include <QDialog>

#include <memory>
#include <vector>

class QTabWidget;

namespace qm {

class CCASEDoc;
class CObjPage1;
class CObjPage5;
class CMemberPage;
class Model;
class CParamsDialog;
class COthersDialog;
class MethodCodeWindow;
class Link;
class Place;

// One page of the sheet: loads its controls from the working copy and
// stores them back.
class SheetPage : public QWidget {
  public:
    SheetPage(class CObjSheet& sheet, const QString& title);
    const QString& Title() const { return title_; }
    // Fills the controls from the working copy.
    virtual void LoadPage() = 0;
    // Writes the controls into the working copy.
    virtual void StorePage() = 0;
    // Loads (true) or stores (false) the page's combo-box histories from or
    // into the profile's lists.
    void ExchangeHistory(bool load);

  protected:
    CObjSheet& sheet_;
    // The page's combo boxes and their history lists.
    ComboHistories histories_;

  private:
    QString title_;
};

class CObjSheet : public QDialog, public DocumentObserver {
  public:
    explicit CObjSheet(QWidget* parent = nullptr);
    ~CObjSheet() override;

    // Moves the sheet to target (empty: none) of kind (a PropertyTargetKind)
    // in document, reached through place (empty: none). With apply the edits
    // of the previous target are assigned to it first; with reload the pages
    // show the new target. Same target and place: nothing happens.
    void SetTargetObject(CCASEDoc* document, const ObjectHandle& target, int kind, bool apply,
                         bool reload, const ObjectHandle& place);
    // Applies (apply) or drops the edits, leaves the sheet without target and
    // hides it.
    void CloseSheet(bool apply);
    // Applies the pending edits and hides the sheet (before a delete that
    // may remove the target).
    void HideAndApply() { CloseSheet(true); }
    // Adds or removes the member pages after the General page changed the
    // master's tool.
    void RefreshPageSet();
    // Activates a member page (0 Attributes, 1 Types, 2 Methods) and selects
    // row item there.
    void ShowMemberPage(int memberKind, int item);
    // After an in-place rename: the General page's Name shows the target's name.
    void UpdateNameField();
    // Loads (true) or stores (false) every present page's combo-box
    // histories from or into the profile's lists.
    void ExchangeHistory(bool load);

    // ---- what the pages use ----
    // The document, while it is open; null otherwise.
    CCASEDoc* Document() const;
    // The user settings whose history lists the combo boxes keep (null
    // without a document).
    Profile* HistoryProfile() const;
    ModelObject* WorkingCopy() const { return copy_.get(); }
    ModelObject* Target() const { return target_.Get(); }
    Place* ThePlace() const;
    int Kind() const { return kind_; }
    bool StoreOnDeactivate() const { return storeOnDeactivate_; }
    // The working copy is a master whose tool has Class semantics.
    bool IsClassLike() const;
    // The base masters of the target master (nearest last), for the member lists.
    std::vector<Master*> BaseMasters() const;
    // The pages present, in tab order.
    std::vector<SheetPage*> Pages() const;
    SheetPage* CurrentPage() const;
    void ActivatePage(SheetPage* page);
    CObjPage1& General() { return *general_; }
    CObjPage5& Tools() { return *tools_; }
    CMemberPage& MemberPage(MemberKind kind);
    // The method code window, made on first use.
    MethodCodeWindow& CodeWindow();
    // The one parameters dialog and others dialog, made on first use.
    CParamsDialog& ParamsDialogOf();
    COthersDialog& OthersDialogOf();

    // ---- DocumentObserver ----
    void ObjectsRemoved(const std::vector<Guid>& ids) override;
    void MastersChanged(const std::vector<Master*>& masters) override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Apply();
    void ApplyMaster(Master& target, Master& copy, Place* place, Model* model);
    // Grows the place, when its new text needs it, as one more journaled
    // step of the apply.
    void GrowPlaceToText(Place& place, Model& model);
    // Measures the link's labels to their new texts; the name label's
    // change is one more journaled step of the apply.
    void MeasureLinkLabels(Link& link, Model* model);
    // The place's bounds grown to what its text needs now.
    CRect GrownToText(Place& place);
    void RebuildPageSet();
    void SetPages(const std::vector<SheetPage*>& pages);
    void SetDocument(CCASEDoc* document);
    // Drops the target without applying, when it or its place went away.
    void DropVanishedTarget();
    void OnTabChanged(int index);

    QTabWidget* tabs_;
    std::unique_ptr<CObjPage1> general_;
    std::unique_ptr<CMemberPage> attributes_;
    std::unique_ptr<CMemberPage> methods_;
    std::unique_ptr<CMemberPage> types_;
    std::unique_ptr<CMemberPage> exceptions_;
    std::unique_ptr<CObjPage5> tools_;
    std::unique_ptr<MethodCodeWindow> codeWindow_;
    std::unique_ptr<CParamsDialog> paramsDialog_;
    std::unique_ptr<COthersDialog> othersDialog_;

    CCASEDoc* document_ = nullptr;
    // Resolves to nothing once the document's map is gone.
    ObjectHandle documentAlive_;
    ObjectHandle model_;
    std::unique_ptr<ModelObject> copy_;
    ObjectHandle target_;
    ObjectHandle place_;
    int kind_ = PtNone;
    bool storeOnDeactivate_ = true;
    bool busy_ = false;
    SheetPage* shownPage_ = nullptr;
};

} // namespace qm
