// The annotation check list. Rows name what they show by handle and index
// (the master's handle, the member's group and position), so that a row
// never reaches a member an undo has replaced.
#include "editor/Annotater.h"

#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "editor/EditorHost.h"
#include "model/Master.h"
#include "model/Members.h"

#include <QMouseEvent>

namespace qm {

namespace {

constexpr int kMasterRole = Qt::UserRole;     // index into the collected masters
constexpr int kMemberRole = Qt::UserRole + 1; // the member's index in its list
constexpr int kGroupRole = Qt::UserRole + 2;  // 0 attributes, 1 types, 2 methods

template <class List> ModelObject* At(List& list, int index) {
    return index >= 0 && size_t(index) < list.size() ? list[size_t(index)].get() : nullptr;
}

ModelObject* MemberAt(Master& master, int group, int index) {
    switch (group) {
    case 0:
        return At(master.attributes, index);
    case 1:
        return At(master.types, index);
    default:
        return At(master.methods, index);
    }
}

bool Annotated(const ModelObject* member) {
    if (auto* a = dynamic_cast<const MasterAttribute*>(member))
        return (a->mode & ModeAnnotate) != 0;
    if (auto* t = dynamic_cast<const MasterType*>(member))
        return (t->mode & ModeAnnotate) != 0;
    if (auto* m = dynamic_cast<const MasterMethod*>(member))
        return (m->mode & ModeAnnotate) != 0;
    return false;
}

std::string NameOf(const ModelObject* member) {
    if (auto* a = dynamic_cast<const MasterAttribute*>(member))
        return a->name;
    if (auto* t = dynamic_cast<const MasterType*>(member))
        return t->name;
    if (auto* m = dynamic_cast<const MasterMethod*>(member))
        return m->name + "()";
    return {};
}

std::string CommentOf(const ModelObject* member) {
    if (auto* a = dynamic_cast<const MasterAttribute*>(member))
        return a->comment;
    if (auto* t = dynamic_cast<const MasterType*>(member))
        return t->comment;
    if (auto* m = dynamic_cast<const MasterMethod*>(member))
        return m->comment;
    return {};
}

size_t CountOf(const Master& master, int group) {
    switch (group) {
    case 0:
        return master.attributes.size();
    case 1:
        return master.types.size();
    default:
        return master.methods.size();
    }
}

} // namespace

TAnnotater::TAnnotater(CCASEDoc& document, EditorHost& host, QWidget* parent)
    : QListWidget(parent), document_(document), host_(host) {
    setAccessibleName("Class Annotation");
    setMouseTracking(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(this, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { OnItemChanged(item); });
    document_.Events().AddObserver(this);
}

TAnnotater::~TAnnotater() {
    document_.Events().RemoveObserver(this);
}

Place* TAnnotater::ShownPlace() const {
    return place_.As<Place>();
}

void TAnnotater::Refill(Place* place) {
    filling_ = true;
    clear();
    place_ = ObjectHandle();
    masters_.clear();
    attributeCount_ = typeCount_ = 0;
    Master* master = place != nullptr ? place->GetMaster() : nullptr;
    if (master == nullptr) {
        filling_ = false;
        return;
    }
    place_ = ObjectHandle(place, &document_.IdMap());
    // The masters it inherits from (their members greyed), then its own.
    std::vector<Master*> collected = document_.CollectNestedMasters(master);
    collected.push_back(master);
    for (Master* m : collected)
        masters_.emplace_back(m, &document_.IdMap());

    auto* first = new QListWidgetItem(QString::fromStdString(
        master->nameSpace.empty() ? master->name : master->nameSpace + "." + master->name));
    first->setForeground(Qt::red);
    first->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    first->setCheckState((place->placeFlags & PfCompartments) != 0 ? Qt::Checked : Qt::Unchecked);
    addItem(first);
    for (int group : {0, 1, 2}) {
        int count = 0;
        for (size_t i = 0; i < collected.size(); ++i) {
            const bool own = i + 1 == collected.size();
            for (size_t k = 0; k < CountOf(*collected[i], group); ++k) {
                ModelObject* member = MemberAt(*collected[i], group, int(k));
                auto* item = new QListWidgetItem(QString::fromStdString(NameOf(member)));
                item->setData(kMasterRole, int(i));
                item->setData(kMemberRole, int(k));
                item->setData(kGroupRole, group);
                item->setFlags(own ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable |
                                         Qt::ItemIsSelectable
                                   : Qt::ItemIsUserCheckable);
                item->setCheckState(Annotated(member) ? Qt::Checked : Qt::Unchecked);
                addItem(item);
                ++count;
            }
        }
        if (group == 0)
            attributeCount_ = count;
        else if (group == 1)
            typeCount_ = count;
    }
    filling_ = false;
}

void TAnnotater::RefillFromSelection() {
    Model* model = document_.CurrentModel();
    Place* place = nullptr;
    if (model != nullptr && model->Selection().size() == 1)
        place = dynamic_cast<Place*>(model->Selection().front());
    Refill(place);
}

int TAnnotater::GroupOf(int row) const {
    if (row <= attributeCount_)
        return 0;
    return row <= attributeCount_ + typeCount_ ? 1 : 2;
}

ModelObject* TAnnotater::MemberOf(int row) const {
    QListWidgetItem* row_ = item(row);
    if (row <= 0 || row_ == nullptr)
        return nullptr;
    const int index = row_->data(kMasterRole).toInt();
    if (index < 0 || size_t(index) >= masters_.size())
        return nullptr;
    Master* master = masters_[size_t(index)].As<Master>();
    return master != nullptr
               ? MemberAt(*master, row_->data(kGroupRole).toInt(), row_->data(kMemberRole).toInt())
               : nullptr;
}

Master* TAnnotater::OwnerOf(const ModelObject* member) const {
    for (const ObjectHandle& handle : masters_) {
        Master* master = handle.As<Master>();
        if (master == nullptr)
            continue;
        for (int group : {0, 1, 2})
            for (size_t k = 0; k < CountOf(*master, group); ++k)
                if (MemberAt(*master, group, int(k)) == member)
                    return master;
    }
    return nullptr;
}

void TAnnotater::SetChecked(int row, bool on) {
    if (QListWidgetItem* it = item(row))
        it->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void TAnnotater::OnItemChanged(QListWidgetItem* changed) {
    if (filling_ || changed == nullptr)
        return;
    // A check given to one of several selected rows goes to all of them.
    std::vector<int> rows{row(changed)};
    if (changed->isSelected() && selectedItems().size() > 1) {
        rows.clear();
        for (int i = 0; i < count(); ++i)
            if (item(i)->isSelected() && (item(i)->flags() & Qt::ItemIsEnabled))
                rows.push_back(i);
    }
    ApplyChecks(rows, changed->checkState() == Qt::Checked);
}

void TAnnotater::ApplyChecks(const std::vector<int>& rows, bool on) {
    Place* place = ShownPlace();
    Master* master = place != nullptr ? place->GetMaster() : nullptr;
    if (master == nullptr)
        return;
    UndoJournal& journal = document_.GetJournal();
    Model* current = document_.CurrentModel();
    bool changedAny = false;
    // One group: undo takes every check of this toggle back in one step.
    JournalGroup group(journal);
    for (int row : rows) {
        filling_ = true;
        if (QListWidgetItem* it = item(row))
            it->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        filling_ = false;
        if (row == 0) {
            if (((place->placeFlags & PfCompartments) != 0) == on)
                continue;
            JournalChange change(journal, ChangeKind::Annotation);
            journal.AddChangedObject(nullptr, nullptr);
            place->placeFlags ^= PfCompartments;
            change.Record("Annotation", current, place);
            changedAny = true;
            continue;
        }
        ModelObject* member = MemberOf(row);
        if (member == nullptr || OwnerOf(member) != master)
            continue;
        // The change context starts empty: the member is its one entry. The
        // master records the change when the member's mark changed; a row
        // that changed nothing leaves no change open.
        JournalChange change(journal, ChangeKind::Annotation);
        changedAny |= master->SetMemberAnnotation(
            &document_, current, place, on, dynamic_cast<MasterAttribute*>(member),
            dynamic_cast<MasterMethod*>(member), dynamic_cast<MasterType*>(member));
    }
    // The places of the master show what changed, sized to it.
    if (changedAny)
        host_.MasterShownChanged(*master);
}

void TAnnotater::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    QListWidgetItem* hit = itemAt(event->position().toPoint());
    Place* place = ShownPlace();
    if (hit == nullptr || place == nullptr || place->GetMaster() == nullptr)
        return;
    const int row = this->row(hit);
    if (row == 0) {
        host_.ShowProperties(document_, ObjectHandle(place->GetMaster(), &document_.IdMap()), 3,
                             place_, true);
        return;
    }
    // The sheet opens for the master that owns the member (inherited ones
    // included), on the member's page with the member selected.
    ModelObject* member = MemberOf(row);
    Master* owner = OwnerOf(member);
    if (owner == nullptr)
        return;
    const int group = GroupOf(row);
    for (size_t k = 0; k < CountOf(*owner, group); ++k) {
        if (MemberAt(*owner, group, int(k)) == member) {
            host_.ShowMemberProperties(document_, ObjectHandle(owner, &document_.IdMap()), group,
                                       int(k));
            return;
        }
    }
}

void TAnnotater::mouseMoveEvent(QMouseEvent* event) {
    QListWidgetItem* hit = itemAt(event->position().toPoint());
    if (hit != nullptr) {
        const int row = this->row(hit);
        Place* place = ShownPlace();
        if (row == 0)
            host_.SetStatusText(place != nullptr && place->GetMaster() != nullptr
                                    ? place->GetMaster()->comment
                                    : std::string());
        else
            host_.SetStatusText(CommentOf(MemberOf(row)));
    }
    QListWidget::mouseMoveEvent(event);
}

void TAnnotater::SelectionChanged(Model& model) {
    if (&model == document_.CurrentModel() && isVisible())
        RefillFromSelection();
}

void TAnnotater::MastersChanged(const std::vector<Master*>&) {
    UpdateChecks();
}

void TAnnotater::ObjectsRemoved(const std::vector<Guid>&) {
    UpdateChecks();
}

void TAnnotater::UpdateChecks() {
    if (place_.IsEmpty())
        return;
    Place* place = ShownPlace();
    bool same = place != nullptr && place->GetMaster() != nullptr;
    for (int row = 1; row < count() && same; ++row)
        same = MemberOf(row) != nullptr;
    if (!same) {
        // The rows no longer match what they name: the list is made again
        // once the change that is telling us has ended (it may have come
        // from a row's own check).
        QMetaObject::invokeMethod(
            this, [this] { Refill(ShownPlace()); }, Qt::QueuedConnection);
        return;
    }
    filling_ = true;
    item(0)->setCheckState((place->placeFlags & PfCompartments) != 0 ? Qt::Checked : Qt::Unchecked);
    for (int row = 1; row < count(); ++row)
        item(row)->setCheckState(Annotated(MemberOf(row)) ? Qt::Checked : Qt::Unchecked);
    filling_ = false;
}

} // namespace qm
