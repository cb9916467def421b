// The control property sheet: a control's texts and an edit's list rows are
// loaded, applied on OK as one undoable "Property Changes" step, dropped on
// Cancel; Help opens its topic.
#include "dialogs/sheets/CtrlSheet.h"
#include "dialogs/model/DialogServices.h"
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/UiControl.h"
#include "tests/dialogs/SheetFixture.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
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

} // namespace
} // namespace qm
