// The object property sheet with real widgets: its page sets, the journaled
// apply (one undo step), the name-clash refusal, the member pages' "<New>"
// row, the Tools page, and a target taken away under the sheet.
#include "dialogs/sheets/GeneralPage.h"
#include "dialogs/sheets/MemberClipboard.h"
#include "dialogs/sheets/MemberPages.h"
#include "dialogs/sheets/ObjSheet.h"
#include "dialogs/sheets/ToolsPage.h"
#include "document/UndoJournal.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/ToolModel.h"
#include "model/Master.h"
#include "platform/Prompt.h"
#include "tests/dialogs/SheetFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::Click;
using test::SheetTest;
using test::Type;

std::vector<QString> Titles(CObjSheet& sheet) {
    std::vector<QString> titles;
    for (SheetPage* page : sheet.Pages())
        titles.push_back(page->Title());
    return titles;
}

TEST_F(SheetTest, PageSetFollowsTheTargetKind) {
    using Titles_ = std::vector<QString>;
    const Titles_ general{"General"};
    OpenOn(Handle(circlePlace->master), PtMaster, Handle(circlePlace));
    EXPECT_EQ(Titles(sheet), (Titles_{"General", "Attributes", "Methods", "Types", "Exceptions"}));
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("\"Circle\" Properties"));
    // The Shape master's tool has no Class semantics: General alone.
    OpenOn(Handle(shapePlace->master), PtMaster, Handle(shapePlace));
    EXPECT_EQ(Titles(sheet), general);

    OpenOn(Handle(link), PtLink, {});
    EXPECT_EQ(Titles(sheet), general);
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("\"is a\" Properties"));

    OpenOn(Handle(model), PtModel, {});
    EXPECT_EQ(Titles(sheet), general);

    ToolModel* tool = doc->FindTool(10);
    ASSERT_NE(tool, nullptr);
    OpenOn(ObjectHandle(tool, &doc->Template()->guidMap), PtModel, {});
    EXPECT_EQ(Titles(sheet), general);
    EXPECT_TRUE(sheet.General().semantics->isVisibleTo(&sheet.General()));
    EXPECT_EQ(sheet.General().semantics->count(), 3);

    DiagramType& type = doc->Template()->diagramTypes[0];
    OpenOn(ObjectHandle(&type, &doc->Template()->guidMap), PtDiagramType, {});
    EXPECT_EQ(Titles(sheet), (Titles_{"General", "Tools"}));

    // A master without a class tool has the General page alone.
    Master* loose = doc->FindMaster(NoToolKind, "Loose", "");
    ASSERT_NE(loose, nullptr);
    OpenOn(Handle(loose), PtMaster, {});
    EXPECT_EQ(Titles(sheet), general);

    sheet.CloseSheet(false);
    EXPECT_EQ(sheet.WorkingCopy(), nullptr);
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("No Properties"));
    EXPECT_FALSE(sheet.isVisible());
}

TEST_F(SheetTest, RenameToAnotherMastersNameIsRefusedAndChangesNothing) {
    Master* circle = doc->FindMaster(10, "Circle", "geo");
    ASSERT_NE(circle, nullptr);
    Master* square = doc->NewMaster(10, "Square", "geo");
    ASSERT_NE(square, nullptr);
    ASSERT_EQ(doc->FindMaster(10, "Square", "geo"), square);
    const std::string before = Saved();
    const size_t records = doc->GetJournal().Records().size();
    OpenOn(Handle(circle), PtMaster, {});
    sheet.General().name->setEditText(QStringLiteral("Square"));
    sheet.CloseSheet(true);
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_EQ(prompts.asked.back(), "Cannot rename a master to another existing master!");
    EXPECT_EQ(circle->name, "Circle");
    EXPECT_EQ(circle->nameSpace, "geo");
    EXPECT_EQ(Saved(), before);
    EXPECT_EQ(doc->GetJournal().Records().size(), records);
}

TEST_F(SheetTest, OneApplyIsOneUndoStepThatRestoresTheSavedText) {
    Master* shape = circlePlace->master;
    ASSERT_GE(shape->methods.size(), 1u);
    // The stored label rectangle is not what the layout gives; a change of
    // the master lays the place out again, so the text compared starts laid out.
    circlePlace->Relayout();
    const std::string before = Saved();
    OpenOn(Handle(shape), PtMaster, Handle(circlePlace));
    sheet.General().name->setEditText(QStringLiteral("Figure"));

    CMemberPage& attributes = sheet.MemberPage(MemberKind::Attribute);
    sheet.ActivatePage(&attributes);
    attributes.LoadPage();
    ASSERT_TRUE(attributes.IsNewRow(attributes.CurrentRow()));
    Type(attributes.name->lineEdit(), QStringLiteral("width"));
    ASSERT_TRUE(attributes.addButton->isEnabled());
    Click(attributes.addButton);

    CMemberPage& methods = sheet.MemberPage(MemberKind::Method);
    sheet.ActivatePage(&methods);
    methods.LoadPage();
    const int first = methods.InheritedCount();
    methods.list->setCurrentRow(first);
    methods.name->setEditText(QStringLiteral("renamed"));
    sheet.CloseSheet(true);

    EXPECT_EQ(shape->name, "Figure");
    EXPECT_EQ(shape->methods[0]->name, "renamed");
    EXPECT_EQ(shape->attributes.back()->name, "width");
    EXPECT_EQ(shape->attributes.back()->owner, shape);
    EXPECT_NE(Saved(), before);

    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(Saved(), before);
    EXPECT_FALSE(
        doc->GetJournal().CanUndo() && doc->GetJournal().Position() > 0 &&
        doc->GetJournal().Records()[size_t(doc->GetJournal().Position() - 1)].description ==
            "Property Changes");
}

TEST_F(SheetTest, CancelDropsTheEditsAndRecordsNothing) {
    Master* shape = shapePlace->master;
    const size_t records = doc->GetJournal().Records().size();
    OpenOn(Handle(shape), PtMaster, Handle(shapePlace));
    sheet.General().name->setEditText(QStringLiteral("Other"));
    sheet.CloseSheet(false);
    EXPECT_EQ(shape->name, "Shape");
    EXPECT_EQ(doc->GetJournal().Records().size(), records);
}

TEST_F(SheetTest, TheNewRowAddsAMemberAndDeletingTheLastLeavesItAlone) {
    Master* loose = doc->FindMaster(NoToolKind, "Loose", "");
    ASSERT_NE(loose, nullptr);
    loose->tool = doc->FindTool(10);
    OpenOn(Handle(loose), PtMaster, {});
    CMemberPage& page = sheet.MemberPage(MemberKind::Type);
    sheet.ActivatePage(&page);
    page.LoadPage();
    ASSERT_EQ(page.list->count(), 1);
    EXPECT_EQ(page.list->item(0)->text(), QStringLiteral("<New>"));
    EXPECT_FALSE(page.addButton->isEnabled());
    EXPECT_FALSE(page.upButton->isEnabled());

    Type(page.name->lineEdit(), QStringLiteral("Size"));
    EXPECT_TRUE(page.addButton->isEnabled());
    EXPECT_TRUE(page.addButton->isDefault());
    Click(page.addButton);
    ASSERT_EQ(page.list->count(), 2);
    EXPECT_EQ(page.list->item(0)->text(), QStringLiteral("+\tLoose::Size: "));
    EXPECT_EQ(page.list->item(1)->text(), QStringLiteral("<New>"));
    EXPECT_TRUE(page.IsNewRow(page.CurrentRow()));
    auto* copy = dynamic_cast<Master*>(sheet.WorkingCopy());
    ASSERT_EQ(copy->types.size(), 1u);
    EXPECT_EQ(copy->types[0]->kind, TypeSimple);
    EXPECT_EQ(copy->types[0]->mode, ModeAnnotate);

    page.list->setCurrentRow(0);
    EXPECT_TRUE(page.deleteButton->isEnabled());
    Click(page.deleteButton);
    ASSERT_EQ(page.list->count(), 1);
    EXPECT_EQ(page.list->item(0)->text(), QStringLiteral("<New>"));
    EXPECT_TRUE(copy->types.empty());
    sheet.CloseSheet(false);
    EXPECT_TRUE(loose->types.empty());
}

TEST_F(SheetTest, InheritedRowsAreShownAndNotEditable) {
    Master* circle = doc->FindMaster(10, "Circle", "geo");
    ASSERT_NE(circle, nullptr);
    // Shape becomes a class, so Circle's "is a" link makes it a base.
    Master* shape = shapePlace->master;
    shape->tool = doc->FindTool(10);
    OpenOn(Handle(circle), PtMaster, {});
    CMemberPage& page = sheet.MemberPage(MemberKind::Attribute);
    sheet.ActivatePage(&page);
    page.LoadPage();
    ASSERT_EQ(page.InheritedCount(), int(shape->attributes.size()));
    ASSERT_GT(page.InheritedCount(), 0);
    EXPECT_TRUE(page.list->item(0)->text().contains(QStringLiteral("Shape::")));
    EXPECT_FALSE(TCheckListBox::IsRowEnabled(page.list->item(0)));
    page.list->setCurrentRow(0);
    EXPECT_FALSE(page.name->isEnabled());
    EXPECT_FALSE(page.deleteButton->isEnabled());
    EXPECT_FALSE(page.upButton->isEnabled());
    EXPECT_FALSE(page.CanDoCommand(cmd::MemberCopy));
    // Toggling its check mark does not make it an edit of the base.
    const std::string name = shape->attributes[0]->name;
    page.list->SetChecked(0, !page.list->IsChecked(0));
    page.list->setCurrentRow(page.list->count() - 1);
    sheet.CloseSheet(true);
    EXPECT_EQ(shape->attributes[0]->name, name);
}

TEST_F(SheetTest, ToolsPageListsTheBuiltinToolsAndStoresTheMask) {
    DiagramType& type = doc->Template()->diagramTypes[0];
    type.toolMask = 0;
    OpenOn(ObjectHandle(&type, &doc->Template()->guidMap), PtDiagramType, {});
    ASSERT_NE(sheet.WorkingCopy(), nullptr);
    CObjPage5& page = sheet.Tools();
    sheet.ActivatePage(&page);
    page.LoadPage();
    ASSERT_EQ(page.available->count(), 24);
    EXPECT_EQ(page.selected->count(), 0);
    QStringList texts;
    for (int i = 0; i < 24; ++i)
        texts << page.available->item(i)->text().left(4);
    for (int i = 1; i <= 10; ++i)
        EXPECT_TRUE(texts.contains(QStringLiteral("L%1:").arg(i, 2, 10, QLatin1Char('0'))));
    for (int i = 1; i <= 14; ++i)
        EXPECT_TRUE(texts.contains(QStringLiteral("P%1:").arg(i, 2, 10, QLatin1Char('0'))));
    EXPECT_FALSE(texts.contains(QStringLiteral("L11:")));

    Click(page.addAllButton);
    EXPECT_EQ(page.selected->count(), 24);
    EXPECT_FALSE(page.addAllButton->isEnabled());
    sheet.CloseSheet(false);
    EXPECT_EQ(type.toolMask, 0u);

    OpenOn(ObjectHandle(&type, &doc->Template()->guidMap), PtDiagramType, {});
    sheet.ActivatePage(&sheet.Tools());
    sheet.Tools().LoadPage();
    Click(sheet.Tools().addAllButton);
    const size_t records = doc->GetJournal().Records().size();
    sheet.CloseSheet(true);
    EXPECT_EQ(type.toolMask, 0xFFFFFFu);
    EXPECT_EQ(doc->GetJournal().Records().size(), records + 1);
    EXPECT_EQ(doc->GetJournal().Records().back().description, "Property Changes");
}

TEST_F(SheetTest, APlaceDeletedUnderTheSheetEmptiesIt) {
    OpenOn(Handle(circlePlace->master), PtMaster, Handle(circlePlace));
    ASSERT_NE(sheet.WorkingCopy(), nullptr);
    sheet.General().name->setEditText(QStringLiteral("Edited"));
    model->DeselectAll(nullptr, false);
    model->Select(circlePlace, true, nullptr, false);
    DrawableList left = model->DeleteDrawables(doc.get(), nullptr, ChangeKind::Delete, false);
    left.clear();
    doc->MarkMasters(false);
    if (Master* circle = doc->FindMaster(10, "Circle", "geo")) {
        circle->Mark(1, 1, 0);
        doc->DeleteMasters(ChangeKind::Delete, false);
    }
    EXPECT_EQ(sheet.WorkingCopy(), nullptr);
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("No Properties"));
    // Nothing is applied to the objects that went away.
    sheet.CloseSheet(true);
    EXPECT_EQ(doc->FindMaster(10, "Edited", "geo"), nullptr);
    // Undo brings them back; the sheet opens on them again.
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
}

} // namespace
} // namespace qm
