// The model dialogs driven as a user drives them: the words the reposition
// and annotation dialogs answer for every choice, the template list, the
// add-method choice and the model type tree with its refusal.
#include "dialogs/model/ModelDialogs.h"
#include "dialogs/model/DialogServices.h"
#include "dialogs/model/ModelTypeDialog.h"

#include "drawables/Model.h"
#include "model/Master.h"
#include "platform/Prompt.h"
#include "platform/UserFolders.h"
#include "tests/dialogs/FindDialogInput.h"
#include "tests/document/DocumentFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include "tests/dialogs/ShownTexts.h"
#include <functional>

#include <gtest/gtest.h>
#include <map>

namespace qm {
namespace {

std::string Project() {
    return ReadWholeFile(QM_FIXTURES "/dialogs/find.pro", 1 << 20).value_or("");
}

using test::Click;

// Chooses entry index of a drop-down list as a user does.
void Choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

std::vector<std::string> Rows(const QListWidget& list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.count(); ++i)
        rows.push_back(list.item(i)->text().toStdString());
    return rows;
}

std::string Selected(const QListWidget& list) {
    return list.selectedItems().isEmpty() ? "" : list.selectedItems().front()->text().toStdString();
}

TEST(ModelDialogWordsTest, RepositionWordForEveryCombinationOfChoices) {
    // The bits each choice stands for, as the reposition of a model reads them.
    const uint32_t across[5] = {0, 0x1, 0x2, 0x4, 0x8};
    const uint32_t down[5] = {0, 0x20, 0x40, 0x80, 0x100};
    for (int h = 0; h < 5; ++h) {
        for (int v = 0; v < 5; ++v) {
            for (int sizes = 0; sizes < 4; ++sizes) {
                CReposDialog dialog;
                dialog.show();
                Click(dialog.Horizontal(static_cast<HorizontalChoice>(h)));
                Click(dialog.Vertical(static_cast<VerticalChoice>(v)));
                if ((sizes & 1) != 0)
                    Click(dialog.SameWidth());
                if ((sizes & 2) != 0)
                    Click(dialog.SameHeight());
                dialog.accept();
                const uint32_t expected = across[h] | down[v] | ((sizes & 1) != 0 ? 0x10 : 0) |
                                          ((sizes & 2) != 0 ? 0x200 : 0);
                EXPECT_EQ(CReposDialog::GetRepositionWord(), expected)
                    << h << " " << v << " " << sizes;
            }
        }
    }
    // Each radio button unchecks the others of its group.
    CReposDialog dialog;
    dialog.show();
    EXPECT_TRUE(dialog.Horizontal(HorizontalChoice::None)->isChecked());
    Click(dialog.Horizontal(HorizontalChoice::AlignRight));
    Click(dialog.SameHeight());
    EXPECT_FALSE(dialog.Horizontal(HorizontalChoice::None)->isChecked());
    dialog.accept();
    EXPECT_EQ(CReposDialog::GetRepositionWord(), 0x204u);
    // A new dialog clears the answer; Cancel leaves it cleared.
    CReposDialog cancelled;
    Click(cancelled.Horizontal(HorizontalChoice::AlignLeft));
    cancelled.reject();
    EXPECT_EQ(CReposDialog::GetRepositionWord(), 0u);
}

TEST(ModelDialogWordsTest, AnnotationWordForEveryChoiceOfBothGroups) {
    struct Choice {
        int radio; // 0 hide all, 1 show all, 2 leave as is
        int list;  // the entry chosen in the list beside it
        uint32_t attributes;
        uint32_t methods;
    };
    const std::vector<Choice> choices = {
        {0, 0, 0x1 | 0x40, 0x4 | 0x400},
        {0, 1, 0x1 | 0x60, 0x4 | 0x600},
        {0, 2, 0x1 | 0x70, 0x4 | 0x700},
        {1, 0, 0x2 | 0x10, 0x8 | 0x100},
        {1, 1, 0x2 | 0x30, 0x8 | 0x300},
        {1, 2, 0x2 | 0x70, 0x8 | 0x700},
        {2, 0, 0, 0},
    };
    for (const Choice& a : choices) {
        for (const Choice& m : choices) {
            CAnnotationDialog dialog(true);
            dialog.show();
            auto choose = [&dialog](int group, const Choice& c) {
                if (c.radio == 0)
                    Choose(dialog.HideList(group), c.list);
                else if (c.radio == 1)
                    Choose(dialog.ShowList(group), c.list);
                else
                    Click(dialog.Radio(group, AnnotationChoice::LeaveAsIs));
            };
            choose(0, a);
            choose(1, m);
            dialog.accept();
            EXPECT_EQ(CAnnotationDialog::GetAnnotationWord(), a.attributes | m.methods)
                << a.radio << a.list << " " << m.radio << m.list;
        }
    }
    CAnnotationDialog dialog(false);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Annotate Selected Places");
    EXPECT_TRUE(dialog.Radio(0, AnnotationChoice::LeaveAsIs)->isChecked());
    // A list chosen checks its radio button; the group stays exclusive.
    Choose(dialog.HideList(1), 1);
    EXPECT_TRUE(dialog.Radio(1, AnnotationChoice::HideAll)->isChecked());
    EXPECT_FALSE(dialog.Radio(1, AnnotationChoice::LeaveAsIs)->isChecked());
    dialog.accept();
    EXPECT_EQ(CAnnotationDialog::GetAnnotationWord(), 0x604u);
}

TEST(ModelDialogWordsTest, ListSelectionByTheBeginningOfAnEntry) {
    const std::vector<std::string> entries = {"<Internal>", "Booch.not", "UML.not", "uml2.not"};
    struct Case {
        std::string prefix;
        int index;
    };
    for (const Case& c : std::vector<Case>{
             {"UML.not", 2}, {"uml", 2}, {"uml2", 3}, {"", 0}, {"OMT.not", -1}, {"<", 0}}) {
        EXPECT_EQ(FirstEntryBeginningWith(entries, c.prefix), c.index) << c.prefix;
    }
    EXPECT_EQ(FirstEntryBeginningWith({}, ""), -1);
}

class TemplateDialogTest : public test::DocumentTest {};

TEST_F(TemplateDialogTest, AFolderWithoutTemplatesOffersOnlyTheInternalOne) {
    const std::string folder = scratch / "Empty";
    MakeDirectories(folder);
    WriteFile("Empty/readme.txt", "not a template");
    CTemplateDialog dialog(folder, "UML.not");
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Choose a Template");
    EXPECT_EQ(Rows(*dialog.List()), std::vector<std::string>{"<Internal>"});
    EXPECT_EQ(Selected(*dialog.List()), "<Internal>");
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.show();
    Click(dialog.OkButton());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(CTemplateDialog::GetChosenTemplate(), folder + "/<Internal>");
}

TEST_F(TemplateDialogTest, TheTemplatesAreListedSortedWithTheDefaultChosen) {
    const std::string folder = settings.NotationFolder;
    for (const char* name : {"UML.not", "Booch.not", "notes.txt"})
        WriteFile(std::string("Notations/") + name, "");
    CTemplateDialog dialog(folder, "UML.not");
    EXPECT_EQ(Rows(*dialog.List()),
              (std::vector<std::string>{"<Internal>", "Booch.not", "UML.not"}));
    EXPECT_EQ(Selected(*dialog.List()), "UML.not");
    // A double-click chooses too.
    dialog.show();
    QListWidget* list = dialog.List();
    test::DoubleClickAt(list->viewport(), list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(CTemplateDialog::GetChosenTemplate(), folder + "/Booch.not");

    CTemplateDialog cancelled(folder, "UML.not");
    cancelled.reject();
    EXPECT_EQ(CTemplateDialog::GetChosenTemplate(), "");
}

class ModelDialogTest : public test::DocumentTest {
  public:
    ModelDialogTest() : prompts(&headless) { doc = Load(Project()); }
    Master* MasterOf(const char* id) { return dynamic_cast<Master*>(doc->IdMap().Lookup(id)); }
    HeadlessPrompts headless;
    ScopedPromptService prompts;
    std::unique_ptr<CCASEDoc> doc;
};

TEST_F(ModelDialogTest, AddMethodOffersTheCandidatesByName) {
    ASSERT_NE(MasterOf("m-shape-000001"), nullptr);
    std::vector<ObjectHandle> candidates = {
        ObjectHandle(MasterOf("m-shape-000001"), &doc->IdMap()),
        ObjectHandle(MasterOf("m-car-00000001"), &doc->IdMap())};
    CAddMethodDialog dialog(candidates, "Draw");
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Add method 'Draw' to class?");
    EXPECT_EQ(Rows(*dialog.List()), (std::vector<std::string>{"Car", "Shape"}));
    EXPECT_EQ(Selected(*dialog.List()), "Shape");
    EXPECT_TRUE(dialog.AddButton()->isDefault());
    dialog.show();
    Click(dialog.AddButton());
    EXPECT_EQ(CAddMethodDialog::GetChosenClass().Get(), MasterOf("m-shape-000001"));

    CAddMethodDialog empty({}, "Draw");
    EXPECT_FALSE(empty.AddButton()->isEnabled());
    EXPECT_TRUE(empty.CancelButton()->isDefault());
    empty.show();
    Click(empty.CancelButton());
    EXPECT_TRUE(CAddMethodDialog::GetChosenClass().IsEmpty());
}

TEST_F(ModelDialogTest, ModelTypesAreTheSupportedDiagramKinds) {
    CModelTypeDialog dialog(*doc, CModelTypeDialog::kListDiagramTypes, false, nullptr);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Choose type of model to create");
    ASSERT_EQ(dialog.Tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* root = dialog.Tree()->topLevelItem(0);
    EXPECT_EQ(root->text(0).toStdString(), "New Model Types");
    std::vector<std::string> offered;
    for (int i = 0; i < root->childCount(); ++i)
        offered.push_back(root->child(i)->text(0).toStdString());
    // The use-case diagram type is not flagged supported by the built-in template.
    EXPECT_EQ(offered,
              (std::vector<std::string>{"Default Diagram", "Class Diagram", "Sequence Diagram",
                                        "Collaboration Diagram", "State Diagram",
                                        "Interaction Diagram", "Implementation Diagram"}));
    EXPECT_EQ(dialog.Tree()->currentItem(), root->child(0));

    // The root cannot be chosen.
    dialog.show();
    dialog.Tree()->setCurrentItem(root);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.Tree()->setCurrentItem(root->child(1));
    Click(dialog.OkButton());
    EXPECT_EQ(CModelTypeDialog::GetNewModelKind(), MkClass);
    EXPECT_TRUE(CModelTypeDialog::GetParentModel().IsEmpty());
}

TEST_F(ModelDialogTest, ExplodingIntoTheCurrentModelIsRefused) {
    Model* shapes = doc->FindModelByName("Shapes");
    Model* vehicles = doc->FindModelByName("Vehicles");
    doc->SetCurrentModel(shapes);
    CModelTypeDialog dialog(*doc, 0, true, shapes);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Choose model to explode into");
    EXPECT_TRUE(dialog.AsChild()->isChecked());
    EXPECT_FALSE(dialog.AsChild()->isEnabled());
    dialog.show();

    dialog.Tree()->setCurrentItem(dialog.ItemOfModel(shapes));
    Click(dialog.OkButton());
    EXPECT_EQ(headless.asked,
              std::vector<std::string>{"Exploding a model into itself is meaningless!"});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(CModelTypeDialog::GetExistingModel().IsEmpty());

    dialog.Tree()->setCurrentItem(dialog.ItemOfModel(vehicles));
    Click(dialog.OkButton());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(CModelTypeDialog::GetExistingModel().Get(), vehicles);
    EXPECT_EQ(CModelTypeDialog::GetParentModel().Get(), shapes);
    EXPECT_EQ(CModelTypeDialog::GetNewModelKind(), -1);
}

// A scripted answer stands in for the person at a modal run.
struct ChooseAlignLeft : DialogAnswerer {
    void Answer(QDialog& dialog) override {
        auto& repos = dynamic_cast<CReposDialog&>(dialog);
        Click(repos.Horizontal(HorizontalChoice::AlignLeft));
        repos.accept();
    }
};

TEST(ModelDialogRunTest, AModalRunIsAnsweredByTheInstalledAnswerer) {
    ChooseAlignLeft answerer;
    ScopedDialogAnswerer installed(&answerer);
    CReposDialog dialog;
    EXPECT_EQ(RunModal(dialog), QDialog::Accepted);
    EXPECT_EQ(CReposDialog::GetRepositionWord(), 0x1u);
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// Each offered model type and each existing model shows its kind's image:
// the same image for the same kind, another for another kind.
TEST_F(ModelDialogTest, ModelTypesAndModelsShowTheirKindsImage) {
    SetApplicationFolder(QM_SOURCE_DIR "/resources");
    CModelTypeDialog dialog(*doc, CModelTypeDialog::kListDiagramTypes, true, nullptr);
    SetApplicationFolder("");
    ASSERT_EQ(dialog.Tree()->topLevelItemCount(), 2);
    QTreeWidgetItem* types = dialog.Tree()->topLevelItem(0);
    ASSERT_GT(types->childCount(), 2);
    auto key = [](const QTreeWidgetItem* item) { return item->icon(0).pixmap(16, 16).toImage(); };
    std::map<int, QImage> byKind;
    for (int i = 0; i < types->childCount(); ++i) {
        QTreeWidgetItem* item = types->child(i);
        ASSERT_FALSE(item->icon(0).isNull()) << item->text(0).toStdString();
        byKind[item->data(0, Qt::UserRole).toInt()] = key(item);
    }
    EXPECT_NE(byKind[MkDefault], byKind[MkClass]);
    EXPECT_NE(byKind[MkClass], byKind[MkSequence]);
    QTreeWidgetItem* models = dialog.Tree()->topLevelItem(1);
    ASSERT_GT(models->childCount(), 0);
    for (QTreeWidgetItem* item = models->child(0); item != nullptr;
         item = dialog.Tree()->itemBelow(item)) {
        const Model* model = doc->FindModelByName(item->text(0).toStdString());
        ASSERT_NE(model, nullptr) << item->text(0).toStdString();
        if (byKind.count(model->kind) != 0)
            EXPECT_EQ(key(item), byKind[model->kind]) << model->name;
        else
            EXPECT_FALSE(item->icon(0).isNull()) << model->name;
    }
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST_F(ModelDialogTest, EveryLabelKeepsItsAccessKey) {
    CAddMethodDialog add({}, "Draw");
    test::ExpectShown(add, {"&Add", "&Help"});
    CReposDialog repos;
    test::ExpectShown(repos, {"Align &Left", "Align &Center", "Align &Right", "Space &Evenly",
                              "Same &Width", "Align &Top", "Align Ce&nter", "Align &Bottom",
                              "Space E&venly", "Same Heig&ht", "&Help"});
    CModelTypeDialog types(*doc, CModelTypeDialog::kListDiagramTypes, false, nullptr);
    test::ExpectShown(types, {"&As a Child of Currently-Selected Model", "&Help"});
}

} // namespace
} // namespace qm
