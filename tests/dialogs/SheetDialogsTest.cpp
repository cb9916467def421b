// The detail dialogs (parameters and others), the check list box and the
// method code window, with real widgets.
#include "dialogs/model/DialogServices.h"
#include "dialogs/sheets/CheckListBox.h"
#include "dialogs/sheets/MemberClipboard.h"
#include "dialogs/sheets/MemberPages.h"
#include "dialogs/sheets/MethodCodeWindow.h"
#include "dialogs/sheets/ParamsDialog.h"
#include "drawables/NotationTemplate.h"
#include "tests/dialogs/SheetFixture.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::Click;
using test::Type;

void AddParameter(ParameterList& list, const char* name, const char* type) {
    auto parameter = std::make_unique<Parameter>();
    parameter->name = name;
    parameter->type = type;
    parameter->direction = DirIn;
    list.push_back(std::move(parameter));
}

std::vector<std::string> Names(const ParameterList& list) {
    std::vector<std::string> names;
    for (const auto& parameter : list)
        names.push_back(parameter->name);
    return names;
}

class SheetDialogsTest : public ::testing::Test {
  protected:
    SheetDialogsTest() {
        method.name = "f";
        AddParameter(method.parameters, "a", "int");
        AddParameter(method.parameters, "b", "char");
    }
    MasterMethod method;
    CParamsDialog dialog{nullptr};
};

TEST_F(SheetDialogsTest, ReadOnlyParametersRefuseEdits) {
    dialog.SetMethod(&method);
    dialog.SetReadOnly(true);
    dialog.Prepare();
    ASSERT_EQ(dialog.list->count(), 3);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Method \"f\" Parameters"));
    dialog.list->setCurrentRow(0);
    EXPECT_EQ(dialog.name->currentText(), QStringLiteral("a"));
    EXPECT_FALSE(dialog.name->isEnabled());
    for (QPushButton* button :
         {dialog.addButton, dialog.deleteButton, dialog.upButton, dialog.downButton})
        EXPECT_FALSE(button->isEnabled());
    Type(dialog.name->lineEdit(), QStringLiteral("zz"));
    dialog.Delete();
    dialog.MoveDown();
    dialog.list->setCurrentRow(1);
    Click(dialog.okButton);
    EXPECT_EQ(Names(method.parameters), (std::vector<std::string>{"a", "b"}));
}

TEST_F(SheetDialogsTest, MoveUpOnTheFirstParameterDoesNothing) {
    dialog.SetMethod(&method);
    dialog.SetReadOnly(false);
    dialog.Prepare();
    // A fresh run starts on "<New>".
    EXPECT_EQ(dialog.CurrentRow(), 2);
    dialog.list->setCurrentRow(0);
    EXPECT_FALSE(dialog.upButton->isEnabled());
    EXPECT_TRUE(dialog.downButton->isEnabled());
    dialog.MoveUp();
    EXPECT_EQ(Names(method.parameters), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(dialog.CurrentRow(), 0);
    dialog.MoveDown();
    EXPECT_EQ(Names(method.parameters), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(dialog.CurrentRow(), 1);
    EXPECT_FALSE(dialog.downButton->isEnabled());
}

TEST_F(SheetDialogsTest, ANameTypedOnNewIsAddedByOkWithModeIn) {
    MasterMethod empty;
    empty.name = "g";
    dialog.SetMethod(&empty);
    dialog.SetReadOnly(false);
    dialog.Prepare();
    ASSERT_EQ(dialog.list->count(), 1);
    EXPECT_TRUE(dialog.modeGroup->isVisibleTo(&dialog));
    Type(dialog.name->lineEdit(), QStringLiteral("n"));
    EXPECT_TRUE(dialog.addButton->isEnabled());
    EXPECT_TRUE(dialog.addButton->isDefault());
    Click(dialog.okButton);
    ASSERT_EQ(empty.parameters.size(), 1u);
    EXPECT_EQ(empty.parameters[0]->name, "n");
    EXPECT_EQ(empty.parameters[0]->direction, DirIn);
}

TEST_F(SheetDialogsTest, DisplayModesAndOthers) {
    MasterType type;
    type.name = "T";
    AddParameter(type.elements, "red", "int");
    dialog.SetType(&type);
    dialog.Prepare();
    EXPECT_FALSE(dialog.modeGroup->isVisibleTo(&dialog));
    ParameterList arguments;
    AddParameter(arguments, "T", "class");
    dialog.SetClassParameters(&arguments, 3);
    dialog.Prepare();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Class Arguments"));
    EXPECT_EQ(dialog.list->item(0)->text(), QStringLiteral("T"));
    EXPECT_FALSE(dialog.type->isVisibleTo(&dialog));

    auto other = std::make_unique<MethodOther>();
    other->name = "IoError";
    method.others.push_back(std::move(other));
    auto context = std::make_unique<MethodOther>();
    context->name = "lock";
    context->kind = 1;
    method.others.push_back(std::move(context));
    COthersDialog others(nullptr);
    others.SetMethod(&method);
    others.SetReadOnly(false);
    others.Prepare();
    // Opens on the first entry, not "<New>".
    EXPECT_EQ(others.CurrentRow(), 0);
    EXPECT_EQ(others.list->item(1)->text(), QStringLiteral("Context: lock"));
    EXPECT_EQ(others.name->currentText(), QStringLiteral("IoError"));
}

// A class parameter edited in the dialog stays what the reader marked its
// type as (a C++ kind here), and the mark does not confuse the mode radios.
TEST_F(SheetDialogsTest, AnEditedClassParameterKeepsItsMark) {
    ParameterList parameters;
    AddParameter(parameters, "N", "int");
    parameters[0]->direction = ParamTypeKind;
    parameters[0]->value = "4";
    dialog.SetClassParameters(&parameters, 2);
    dialog.SetReadOnly(false);
    dialog.Prepare();
    dialog.list->setCurrentRow(0);
    EXPECT_EQ(dialog.value->text(), QStringLiteral("4"));
    dialog.value->clear();
    Type(dialog.value, QStringLiteral("8"));
    Click(dialog.okButton);
    ASSERT_EQ(parameters.size(), 1u);
    EXPECT_EQ(parameters[0]->value, "8");
    EXPECT_EQ(parameters[0]->direction & (ParamTypeKind | ParamTypeBound), ParamTypeKind);
}

class CheckListTest : public ::testing::Test, public CheckListOwner {
  protected:
    bool CanDoCommand(int command) override { return command != cmd::MemberPaste; }
    void DoCommand(int command) override { done.push_back(command); }
    void CommitAndLoad() override { ++commits; }
    std::vector<int> done;
    int commits = 0;
    TCheckListBox list;
};

TEST_F(CheckListTest, RowColours) {
    list.SetOwner(this);
    list.InsertRow(0, QStringLiteral("-\tOwner::name : int x 4"), true, true);
    list.InsertRow(1, QStringLiteral("inherited"), false, false);
    const QColor grey(128, 128, 128);
    const QColor red(255, 0, 0);
    EXPECT_EQ(list.RowTextColor(1, false), grey);
    EXPECT_EQ(list.RowTextColor(1, true), list.palette().color(QPalette::HighlightedText));
    EXPECT_NE(list.RowTextColor(0, false), red);
    list.SetFirstItemRed(true);
    EXPECT_EQ(list.RowTextColor(0, false), red);
    EXPECT_EQ(list.RowTextColor(0, true), red);
    EXPECT_TRUE(list.IsChecked(0));
    // A disabled row is still selectable, but its check box does not toggle.
    EXPECT_TRUE(list.item(1)->flags() & Qt::ItemIsSelectable);
    EXPECT_FALSE(list.item(1)->flags() & Qt::ItemIsUserCheckable);
}

TEST_F(CheckListTest, PopupCommands) {
    list.SetOwner(this);
    std::unique_ptr<QMenu> menu(list.MakePopup());
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    const char* labels[] = {"Cu&t", "&Copy", "Copy &All", "&Paste"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(actions[i]->text(), QString::fromLatin1(labels[i]));
    EXPECT_FALSE(actions[3]->isEnabled());
    actions[2]->trigger();
    EXPECT_EQ(done, std::vector<int>{cmd::MemberCopyAll});
    list.EnablePopup(false);
    EXPECT_EQ(list.MakePopup(), nullptr);
}

using MethodCodeTest = test::SheetTest;

TEST_F(MethodCodeTest, TextIsStoredIntoTheCopyAndApplied) {
    Master* circle = circlePlace->master;
    OpenOn(Handle(circle), PtMaster, Handle(circlePlace));
    auto* copy = dynamic_cast<Master*>(sheet.WorkingCopy());
    ASSERT_EQ(copy->methods.size(), 1u);
    MethodCodeWindow& window = sheet.CodeWindow();
    window.EditMethodCode(copy, copy->methods[0].get());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Circle::Radius () : int"));
    EXPECT_EQ(window.Edit().toPlainText(), QStringLiteral("return r;"));
    window.Edit().setPlainText(QStringLiteral("return radius;"));
    // Moving the sheet on stores the text into the copy before it is applied.
    OpenOn(Handle(link), PtLink, {});
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(circle->methods[0]->code, "return radius;");

    // A method deleted on the page stores nothing when the window hides.
    OpenOn(Handle(circle), PtMaster, Handle(circlePlace));
    copy = dynamic_cast<Master*>(sheet.WorkingCopy());
    window.EditMethodCode(copy, copy->methods[0].get());
    CMemberPage& page = sheet.MemberPage(MemberKind::Method);
    sheet.ActivatePage(&page);
    page.LoadPage();
    page.list->setCurrentRow(0);
    page.Delete();
    window.Edit().setPlainText(QStringLiteral("lost"));
    window.Show(false);
    sheet.CloseSheet(false);
    EXPECT_EQ(circle->methods[0]->code, "return radius;");
}

} // namespace
} // namespace qm

namespace qm {
namespace {

struct RecordedHelp : DialogHelp {
    std::vector<std::string> topics;
    void ShowHelpTopic(const std::string& topic) override { topics.push_back(topic); }
};

QPushButton* HelpButton(QWidget* parent) {
    for (QPushButton* button : parent->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("&Help"))
            return button;
    return nullptr;
}

// Each page's Help and the detail dialogs' Help open their own topic through
// the application's help service.
using SheetHelpTest = test::SheetTest;

TEST_F(SheetHelpTest, HelpButtonsOpenTheirTopics) {
    RecordedHelp help;
    ScopedDialogHelp helpScope(&help);
    const std::vector<std::string> classPages = {
        "Chapter8.html#Edit:Properties", "Chapter8.html#MasterAttributes",
        "Chapter8.html#MasterMethods", "Chapter8.html#MasterTypes",
        "Chapter8.html#MasterExceptions"};
    OpenOn(Handle(circlePlace->master), PtMaster, Handle(circlePlace));
    ASSERT_EQ(sheet.Pages().size(), classPages.size());
    for (SheetPage* page : sheet.Pages()) {
        QPushButton* button = HelpButton(page);
        ASSERT_NE(button, nullptr) << page->Title().toStdString();
        test::Click(button);
    }
    EXPECT_EQ(help.topics, classPages);

    help.topics.clear();
    DiagramType& type = doc->Template()->diagramTypes[0];
    OpenOn(ObjectHandle(&type, &doc->Template()->guidMap), PtDiagramType, {});
    ASSERT_EQ(sheet.Pages().size(), 2u);
    test::Click(HelpButton(sheet.Pages()[1]));
    EXPECT_EQ(help.topics, std::vector<std::string>{"Chapter8.html#DiagramTypeProperties"});

    help.topics.clear();
    CParamsDialog params(nullptr);
    COthersDialog others(nullptr);
    test::Click(HelpButton(&params));
    test::Click(HelpButton(&others));
    EXPECT_EQ(help.topics, (std::vector<std::string>{"Chapter8.html#ParamsDialog",
                                                     "Chapter8.html#OthersDialog"}));
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// The code window lies across the bottom of the main window, whichever
// window is active when Code is pressed.
TEST_F(MethodCodeTest, TheWindowIsPlacedOverTheMainWindow) {
    QMainWindow main;
    main.setGeometry(100, 80, 900, 700);
    auto* owned = new CObjSheet(&main);
    owned->setGeometry(600, 150, 300, 300);
    owned->SetTargetObject(doc.get(), Handle(circlePlace->master), PtMaster, true, true,
                           Handle(circlePlace));
    owned->show();
    owned->activateWindow();
    auto& page = static_cast<CObjPage3&>(owned->MemberPage(MemberKind::Method));
    owned->ActivatePage(&page);
    page.LoadPage();
    page.list->setCurrentRow(0);
    ASSERT_TRUE(page.codeButton->isEnabled());
    test::Click(page.codeButton);
    const QRect placed = owned->CodeWindow().geometry();
    EXPECT_EQ(placed.left(), 100);
    EXPECT_EQ(placed.width(), 900);
    EXPECT_EQ(placed.height(), 350);
    EXPECT_EQ(placed.y() + placed.height(), main.geometry().bottom() - 20);
    owned->CloseSheet(false);
}

} // namespace
} // namespace qm
