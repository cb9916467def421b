// The add-method, annotation, template and reposition dialogs.
#include "dialogs/model/ModelDialogs.h"

#include "dialogs/model/DialogServices.h"
#include "model/Master.h"
#include "platform/Format.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qm {

ObjectHandle CAddMethodDialog::chosen_;
uint32_t CAnnotationDialog::word_ = 0;
std::string CTemplateDialog::chosen_;
uint32_t CReposDialog::word_ = 0;

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// The list's entries in order.
std::vector<std::string> EntriesOf(const QListWidget& list) {
    std::vector<std::string> entries;
    for (int i = 0; i < list.count(); ++i)
        entries.push_back(list.item(i)->text().toStdString());
    return entries;
}

// The button state of the list dialogs: with items and none selected the
// first is selected; the accepting button is enabled exactly when an item is
// selected, and is then the default button, otherwise Cancel is.
void UpdateListButtons(QListWidget& list, QPushButton& accept, QPushButton& cancel) {
    if (list.count() > 0 && list.selectedItems().isEmpty())
        list.setCurrentRow(0);
    const bool selected = !list.selectedItems().isEmpty();
    accept.setEnabled(selected);
    accept.setDefault(selected);
    cancel.setDefault(!selected);
}

QListWidget* NewSortedList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAccessibleName(name);
    return list;
}

} // namespace

QDialogButtonBox* AddDialogButtons(QDialog& dialog, const char* okText, const std::string& topic,
                                   QPushButton** ok, QPushButton** cancel) {
    auto* box = new QDialogButtonBox(&dialog);
    QPushButton* accept = box->addButton(okText, QDialogButtonBox::AcceptRole);
    QPushButton* reject = box->addButton("Cancel", QDialogButtonBox::RejectRole);
    QPushButton* help = box->addButton("&Help", QDialogButtonBox::HelpRole);
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(help, &QPushButton::clicked, &dialog, [topic] { ShowDialogHelp(topic); });
    if (ok != nullptr)
        *ok = accept;
    if (cancel != nullptr)
        *cancel = reject;
    return box;
}

// ---- add method ----

CAddMethodDialog::CAddMethodDialog(const std::vector<ObjectHandle>& candidates,
                                   const std::string& method, QWidget* parent)
    : QDialog(parent), candidates_(candidates) {
    chosen_ = ObjectHandle();
    setWindowTitle(Text(Format("Add method '%s' to class?", method.c_str())));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel("This method is not defined in the target class or its base "
                              "classes. Select the class you want to add it to and press 'Add'.",
                              this);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);
    list_ = NewSortedList(this, "Classes");
    layout->addWidget(list_);
    for (size_t i = 0; i < candidates_.size(); ++i) {
        const auto* master = candidates_[i].As<Master>();
        if (master == nullptr)
            continue;
        auto* item = new QListWidgetItem(Text(master->name));
        item->setData(Qt::UserRole, static_cast<int>(i));
        list_->addItem(item);
    }
    list_->sortItems();
    layout->addWidget(
        AddDialogButtons(*this, "&Add", "Chapter3.html#ToLabelALink", &add_, &cancel_));
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });

    if (const auto* first = candidates_.empty() ? nullptr : candidates_.front().As<Master>()) {
        const int row = FirstEntryBeginningWith(EntriesOf(*list_), first->name);
        if (row >= 0)
            list_->setCurrentRow(row);
    }
    UpdateButtons();
}

void CAddMethodDialog::UpdateButtons() {
    UpdateListButtons(*list_, *add_, *cancel_);
}

void CAddMethodDialog::accept() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return;
    const int index = selected.front()->data(Qt::UserRole).toInt();
    if (index < 0 || static_cast<size_t>(index) >= candidates_.size())
        return;
    chosen_ = candidates_[static_cast<size_t>(index)];
    QDialog::accept();
}

// ---- annotation ----

CAnnotationDialog::CAnnotationDialog(bool allPlaces, QWidget* parent) : QDialog(parent) {
    word_ = 0;
    setWindowTitle(allPlaces ? "Annotate All Places" : "Annotate Selected Places");
    auto* layout = new QVBoxLayout(this);
    const char* titles[2] = {"Attributes", "Methods"};
    for (int g = 0; g < 2; ++g) {
        auto* box = new QGroupBox(titles[g], this);
        auto* grid = new QGridLayout(box);
        auto* group = new QButtonGroup(box);
        const char* labels[3] = {"Hide All", "Show All", "Leave As Is"};
        for (int r = 0; r < 3; ++r) {
            radios_[g][r] = new QRadioButton(labels[r], box);
            radios_[g][r]->setAccessibleName(QString("%1 %2").arg(titles[g], labels[r]));
            group->addButton(radios_[g][r]);
            grid->addWidget(radios_[g][r], r, 0);
        }
        hideLists_[g] = new QComboBox(box);
        showLists_[g] = new QComboBox(box);
        for (int i = 0; i < 3; ++i) {
            hideLists_[g]->addItem(kHideAccessTexts[i]);
            showLists_[g]->addItem(kShowAccessTexts[i]);
        }
        for (QComboBox* list : {hideLists_[g], showLists_[g]}) {
            list->setMaxVisibleItems(5);
            list->setCurrentIndex(0);
        }
        hideLists_[g]->setAccessibleName(QString("%1 to hide").arg(titles[g]));
        showLists_[g]->setAccessibleName(QString("%1 to show").arg(titles[g]));
        grid->addWidget(hideLists_[g], 0, 1);
        grid->addWidget(showLists_[g], 1, 1);
        // Choosing in a list checks the radio button beside it.
        QRadioButton* hide = radios_[g][0];
        QRadioButton* show = radios_[g][1];
        connect(hideLists_[g], &QComboBox::activated, hide, [hide] { hide->setChecked(true); });
        connect(showLists_[g], &QComboBox::activated, show, [show] { show->setChecked(true); });
        radios_[g][2]->setChecked(true);
        layout->addWidget(box);
    }
    layout->addWidget(
        AddDialogButtons(*this, "OK", "Chapter8.html#Looks:Annotation", nullptr, nullptr));
}

QRadioButton* CAnnotationDialog::Radio(int group, AnnotationChoice choice) const {
    return radios_[group][static_cast<int>(choice)];
}

AnnotationGroup CAnnotationDialog::Choices(int g) const {
    AnnotationGroup group;
    group.choice = radios_[g][0]->isChecked()   ? AnnotationChoice::HideAll
                   : radios_[g][1]->isChecked() ? AnnotationChoice::ShowAll
                                                : AnnotationChoice::LeaveAsIs;
    group.hideList = hideLists_[g]->currentIndex();
    group.showList = showLists_[g]->currentIndex();
    return group;
}

void CAnnotationDialog::accept() {
    word_ = AnnotationWord(Choices(0), Choices(1));
    QDialog::accept();
}

// ---- template ----

CTemplateDialog::CTemplateDialog(const std::string& folder, const std::string& defaultNotation,
                                 QWidget* parent)
    : QDialog(parent), folder_(folder) {
    chosen_.clear();
    setWindowTitle("Choose a Template");
    auto* layout = new QVBoxLayout(this);
    auto* path = new QLabel(Text(folder), this);
    // The folder is the label's name on the accessibility bus.
    path->setAccessibleDescription("Path");
    layout->addWidget(path);
    list_ = NewSortedList(this, "Templates");
    layout->addWidget(list_);
    const std::vector<std::string> entries = TemplateEntries(folder);
    for (const std::string& entry : entries)
        list_->addItem(Text(entry));
    layout->addWidget(AddDialogButtons(*this, "OK", "Chapter8.html#File:New", &ok_, &cancel_));
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    const int row = FirstEntryBeginningWith(entries, defaultNotation);
    if (row >= 0)
        list_->setCurrentRow(row);
    UpdateButtons();
}

void CTemplateDialog::UpdateButtons() {
    UpdateListButtons(*list_, *ok_, *cancel_);
}

void CTemplateDialog::accept() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return;
    chosen_ = TemplateChoicePath(folder_, selected.front()->text().toStdString());
    QDialog::accept();
}

// ---- reposition ----

CReposDialog::CReposDialog(QWidget* parent) : QDialog(parent) {
    word_ = 0;
    setWindowTitle("Reposition");
    auto* layout = new QHBoxLayout(this);
    auto* groups = new QHBoxLayout;
    auto addGroup = [this, groups](const char* title, QRadioButton** radios,
                                   const char* const* labels, const char* sizeLabel) {
        auto* box = new QGroupBox(title, this);
        auto* column = new QVBoxLayout(box);
        auto* group = new QButtonGroup(box);
        for (int i = 0; i < 5; ++i) {
            radios[i] = new QRadioButton(labels[i], box);
            radios[i]->setAccessibleName(QString("%1 %2").arg(title, labels[i]));
            group->addButton(radios[i]);
            column->addWidget(radios[i]);
        }
        radios[0]->setChecked(true);
        auto* same = new QCheckBox(sizeLabel, box);
        column->addWidget(same);
        groups->addWidget(box);
        return same;
    };
    const char* horizontal[5] = {"None", "Align &Left", "Align &Center", "Align &Right",
                                 "Space &Evenly"};
    const char* vertical[5] = {"None", "Align &Top", "Align Ce&nter", "Align &Bottom",
                               "Space E&venly"};
    sameWidth_ = addGroup("Horizontal", horizontal_, horizontal, "Same &Width");
    sameHeight_ = addGroup("Vertical", vertical_, vertical, "Same Heig&ht");
    auto* column = new QVBoxLayout;
    column->addLayout(groups);
    QDialogButtonBox* buttons =
        AddDialogButtons(*this, "OK", "Chapter8.html#Arrange:Reposition", nullptr, nullptr);
    buttons->setOrientation(Qt::Vertical);
    layout->addLayout(column);
    layout->addWidget(buttons);
}

QRadioButton* CReposDialog::Horizontal(HorizontalChoice choice) const {
    return horizontal_[static_cast<int>(choice)];
}

QRadioButton* CReposDialog::Vertical(VerticalChoice choice) const {
    return vertical_[static_cast<int>(choice)];
}

void CReposDialog::accept() {
    auto checked = [](QRadioButton* const* radios) {
        for (int i = 0; i < 5; ++i) {
            if (radios[i]->isChecked())
                return i;
        }
        return 0;
    };
    word_ =
        RepositionWord(static_cast<HorizontalChoice>(checked(horizontal_)), sameWidth_->isChecked(),
                       static_cast<VerticalChoice>(checked(vertical_)), sameHeight_->isChecked());
    QDialog::accept();
}

} // namespace qm
