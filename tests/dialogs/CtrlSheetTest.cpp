// The control property sheet: a control's texts, flags, numbers, options,
// an edit's list rows and a tab control's pages are loaded, applied on OK as
// one undoable "Property Changes" step, dropped on Cancel; Help opens its
// topic.
#include "dialogs/sheets/CtrlSheet.h"
#include "dialogs/model/DialogServices.h"
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/UiControl.h"
#include "tests/dialogs/SheetFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace qm {
namespace {

class CtrlSheetTest : public test::DocumentTest {
  protected:
    CtrlSheetTest() {
        doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_control.pro", 1 << 20).value_or(""));
        edit = dynamic_cast<UiEditControl*>(doc->IdMap().Lookup("ui-0006"));
        // The form's model is in view, as when its control was clicked.
        doc->SetCurrentModel(doc->GetModelAt(0));
    }
    ObjectHandle Handle(ModelObject* object) { return ObjectHandle(object, &doc->IdMap()); }

    std::unique_ptr<CCASEDoc> doc;
    UiEditControl* edit = nullptr;
    CCtrlSheet sheet;
};

TEST_F(CtrlSheetTest, OkAppliesTheTextsAndRowsAsOneUndoStep) {
    ASSERT_NE(edit, nullptr);
    edit->items = {"one", "two"};
    const std::string caption = edit->caption;
    sheet.SetTarget(doc.get(), Handle(edit));
    sheet.show();
    EXPECT_EQ(sheet.name->text(), QStringLiteral("nameEdit"));
    EXPECT_EQ(sheet.caption->text().toStdString(), caption);
    ASSERT_EQ(sheet.tabs->count(), 2);
    EXPECT_EQ(sheet.tabs->tabText(1), QStringLiteral("List"));
    EXPECT_EQ(sheet.items->toPlainText(), QStringLiteral("one\ntwo"));

    const size_t records = doc->GetJournal().Records().size();
    sheet.caption->setText(QStringLiteral("Your name"));
    sheet.items->setPlainText(QStringLiteral("a\nb\nc"));
    test::Click(sheet.okButton);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(edit->caption, "Your name");
    EXPECT_EQ(edit->items, (std::vector<std::string>{"a", "b", "c"}));
    ASSERT_EQ(doc->GetJournal().Records().size(), records + 1);
    EXPECT_EQ(doc->GetJournal().Records().back().description, "Property Changes");

    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    auto* restored = dynamic_cast<UiEditControl*>(doc->IdMap().Lookup("ui-0006"));
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->caption, caption);
    EXPECT_EQ(restored->items, (std::vector<std::string>{"one", "two"}));
}

TEST_F(CtrlSheetTest, CancelDropsTheEditsAndAButtonHasNoListPage) {
    ASSERT_NE(edit, nullptr);
    auto* button = dynamic_cast<UiControlPlace*>(doc->IdMap().Lookup("ui-0006"));
    sheet.SetTarget(doc.get(), Handle(button));
    sheet.name->setText(QStringLiteral("changed"));
    const size_t records = doc->GetJournal().Records().size();
    sheet.CloseSheet(false);
    EXPECT_EQ(edit->name, "nameEdit");
    EXPECT_EQ(doc->GetJournal().Records().size(), records);

    UiControlPlace* other = nullptr;
    for (const char* id : {"ui-0001", "ui-0002", "ui-0003", "ui-0004", "ui-0005", "ui-0007"})
        if (auto* c = dynamic_cast<UiControlPlace*>(doc->IdMap().Lookup(id));
            c != nullptr && dynamic_cast<UiEditControl*>(c) == nullptr && other == nullptr)
            other = c;
    ASSERT_NE(other, nullptr);
    sheet.SetTarget(doc.get(), Handle(other));
    EXPECT_EQ(sheet.tabs->count(), 1);
    sheet.show();
    EXPECT_FALSE(sheet.items->isVisibleTo(&sheet)) << "no rows page over the General page";
    EXPECT_TRUE(sheet.name->isVisibleTo(&sheet));

    struct Recorded : DialogHelp {
        std::vector<std::string> topics;
        void ShowHelpTopic(const std::string& topic) override { topics.push_back(topic); }
    } help;
    ScopedDialogHelp scope(&help);
    for (QPushButton* b : sheet.findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("&Help"))
            test::Click(b);
    EXPECT_EQ(help.topics, std::vector<std::string>{"Chapter8.html#Edit:Properties"});
}

// The General page's flag boxes, numbers and options reach the control; bits
// without a box and option values the boxes left alone are kept; undo and
// redo carry all of them.
TEST_F(CtrlSheetTest, FlagsNumbersAndOptionsAreEditedAndUndone) {
    ASSERT_NE(edit, nullptr);
    auto box = [&](uint32_t bit) -> QCheckBox* {
        const auto& bits = CCtrlSheet::FlagBits();
        for (size_t i = 0; i < bits.size(); ++i)
            if (bits[i].bit == bit)
                return sheet.flagBoxes[i];
        ADD_FAILURE() << bit;
        return nullptr;
    };
    edit->controlFlags = 0x2 | 0x4 | 0x40; // 0x40 has no box on the page
    edit->numbers = {0, 32, 16};
    edit->flagProperties = {0, 7, 0, 0, 0};
    sheet.SetTarget(doc.get(), Handle(edit));
    sheet.show();
    EXPECT_TRUE(box(0x2)->isChecked());
    EXPECT_FALSE(box(0x80)->isChecked());
    EXPECT_EQ(sheet.numberBoxes[1]->value(), 32);
    EXPECT_TRUE(sheet.optionBoxes[1]->isChecked());
    EXPECT_FALSE(sheet.optionBoxes[0]->isChecked());

    box(0x2)->setChecked(false);
    box(0x80)->setChecked(true);
    box(0x100)->setChecked(true);
    sheet.numberBoxes[0]->setValue(12);
    sheet.numberBoxes[2]->setValue(65535);
    sheet.optionBoxes[0]->setChecked(true);
    test::Click(sheet.okButton);
    EXPECT_EQ(edit->controlFlags, 0x4u | 0x40u | 0x80u | 0x100u);
    EXPECT_EQ(edit->numbers, (std::array<uint16_t, 3>{12, 32, 65535}));
    EXPECT_EQ(edit->flagProperties, (std::array<uint8_t, 5>{1, 7, 0, 0, 0}));
    EXPECT_EQ(doc->GetJournal().Records().back().description, "Property Changes");

    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    auto* undone = dynamic_cast<UiEditControl*>(doc->IdMap().Lookup("ui-0006"));
    ASSERT_NE(undone, nullptr);
    EXPECT_EQ(undone->controlFlags, 0x2u | 0x4u | 0x40u);
    EXPECT_EQ(undone->numbers, (std::array<uint16_t, 3>{0, 32, 16}));
    EXPECT_EQ(undone->flagProperties, (std::array<uint8_t, 5>{0, 7, 0, 0, 0}));
    ASSERT_TRUE(doc->GetJournal().Replay(1, true));
    EXPECT_EQ(undone->controlFlags, 0x4u | 0x40u | 0x80u | 0x100u);
    EXPECT_EQ(undone->numbers, (std::array<uint16_t, 3>{12, 32, 65535}));
}

// A tab control's pages: renamed, added and deleted on the Pages page and
// applied as one step; deleting a page that holds controls asks first, and
// No keeps it.
TEST_F(CtrlSheetTest, TabPagesAreRenamedAddedAndDeletedAskingForAPageWithControls) {
    UiTabControl* tabs = nullptr;
    for (const auto& drawable : doc->GetModelAt(0)->Drawables()) {
        std::vector<Drawable*> all;
        all.push_back(drawable.get());
        if (auto* group = dynamic_cast<UiGroupBoxControl*>(drawable.get()))
            for (const auto& member : group->Members())
                all.push_back(member.get());
        for (Drawable* d : all)
            if (auto* t = dynamic_cast<UiTabControl*>(d); t != nullptr && tabs == nullptr)
                tabs = t;
    }
    ASSERT_NE(tabs, nullptr);
    while (tabs->PageCount() < 2)
        tabs->AddTab(doc.get(), tabs->PageCount(), "Untitled");
    const std::string firstCaption = tabs->Page(0)->caption;
    const int count = tabs->PageCount();
    sheet.SetTarget(doc.get(), Handle(tabs));
    sheet.show();
    ASSERT_GE(sheet.tabs->indexOf(sheet.pages->parentWidget()), 0);
    ASSERT_EQ(sheet.pages->count(), count);

    sheet.pages->item(0)->setText(QStringLiteral("Address"));
    test::Click(sheet.addPage);
    ASSERT_EQ(sheet.pages->count(), count + 1);
    sheet.pages->item(count)->setText(QStringLiteral("Phone"));
    sheet.pages->setCurrentRow(1);
    test::Click(sheet.deletePage); // an empty page goes without a question
    EXPECT_TRUE(prompts.asked.empty());
    ASSERT_EQ(sheet.pages->count(), count);
    test::Click(sheet.okButton);
    ASSERT_EQ(tabs->PageCount(), count);
    EXPECT_EQ(tabs->Page(0)->caption, "Address");
    EXPECT_EQ(tabs->Page(count - 1)->caption, "Phone");
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    ASSERT_EQ(tabs->PageCount(), count);
    EXPECT_EQ(tabs->Page(0)->caption, firstCaption);

    // A page holding a control: No keeps the page, Yes deletes it.
    std::unique_ptr<Drawable> label = MakeUiControl(TkUiLabel, nullptr);
    tabs->Page(0)->AddMember(label);
    sheet.SetTarget(doc.get(), Handle(tabs));
    sheet.show();
    sheet.pages->setCurrentRow(0);
    prompts.Script(PromptAnswer::No);
    test::Click(sheet.deletePage);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "This tab page has controls in it.\nDeleting it will cause all its "
                                "controls to be deleted as well\nDo you want to proceed?");
    EXPECT_EQ(sheet.pages->count(), count);
    prompts.Script(PromptAnswer::Yes);
    test::Click(sheet.deletePage);
    EXPECT_EQ(sheet.pages->count(), count - 1);
    test::Click(sheet.okButton);
    EXPECT_EQ(tabs->PageCount(), count - 1);
    for (int i = 0; i < tabs->PageCount(); ++i)
        EXPECT_TRUE(tabs->Page(i)->Members().empty()) << i;
}

} // namespace
} // namespace qm
