// The history drop-downs of the property sheet's pages and of the
// Parameters and Others dialogs: they list what the user typed before, never
// the profile's placeholders, and keep the placeholders' slots in the
// profile.
#include "dialogs/sheets/GeneralPage.h"
#include "dialogs/sheets/ObjSheet.h"
#include "dialogs/sheets/ParamsDialog.h"
#include "tests/dialogs/SheetFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace qm {
namespace {

using HistoryListsTest = test::SheetTest;

// A profile list as the settings load it: ten slots, the unused ones
// "<reserved>" (and an empty one, as an edited file may hold).
const std::vector<std::string> kSlots = {
    kReservedSlot, "Alpha",       "",           kReservedSlot, "Beta", kReservedSlot, kReservedSlot,
    kReservedSlot, kReservedSlot, kReservedSlot};

std::vector<std::string> Items(const QComboBox& combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo.count(); ++i)
        items.push_back(combo.itemText(i).toStdString());
    return items;
}

// The editable boxes of a window that show the history lists (every one of
// them lists Alpha and Beta once loaded); none lists a placeholder.
int CheckHistoryBoxes(QWidget& window, const std::string& where) {
    int boxes = 0;
    for (QComboBox* combo : window.findChildren<QComboBox*>()) {
        if (!combo->isEditable())
            continue;
        const std::vector<std::string> items = Items(*combo);
        for (const std::string& item : items) {
            EXPECT_NE(item, kReservedSlot) << where << " " << combo->accessibleName().toStdString();
            EXPECT_NE(item, "") << where << " " << combo->accessibleName().toStdString();
        }
        if (items == std::vector<std::string>{"Alpha", "Beta"})
            ++boxes;
    }
    return boxes;
}

TEST_F(HistoryListsTest, DropDownsListOnlyTypedTexts) {
    for (std::vector<std::string>& list : settings.Histories)
        list = kSlots;
    OpenOn(Handle(circlePlace->master), PtMaster, Handle(circlePlace));
    // General, Attributes, Methods, Types and Exceptions.
    ASSERT_EQ(sheet.Pages().size(), 5u);
    int boxes = 0;
    for (SheetPage* page : sheet.Pages()) {
        sheet.ActivatePage(page);
        boxes += CheckHistoryBoxes(*page, page->Title().toStdString());
    }
    // Name, namespace, container, link and stereotype; attribute name, type
    // and container; method name and return type; type; exception.
    EXPECT_EQ(boxes, 12);

    // A typed name takes the first placeholder's slot; the others stay.
    QComboBox* name = sheet.General().name;
    name->setEditText(QStringLiteral("Gamma"));
    emit name->lineEdit()->editingFinished();
    EXPECT_EQ(Items(*name), (std::vector<std::string>{"Gamma", "Alpha", "Beta"}));
    EXPECT_EQ(name->currentText(), QStringLiteral("Gamma"));
    sheet.CloseSheet(true);
    std::vector<std::string> stored = kSlots;
    stored[0] = "Gamma";
    EXPECT_EQ(settings.Histories[HL_NAME], stored);
    EXPECT_EQ(settings.Histories[HL_NAMESPACE], kSlots);
}

TEST_F(HistoryListsTest, ParametersAndOthersDialogsListOnlyTypedTexts) {
    for (std::vector<std::string>& list : settings.Histories)
        list = kSlots;
    OpenOn(Handle(circlePlace->master), PtMaster, Handle(circlePlace));
    MasterMethod method;
    method.name = "f";
    struct Case {
        MemberListDialog* dialog;
        int boxes;
    } cases[] = {{&sheet.ParamsDialogOf(), 2}, {&sheet.OthersDialogOf(), 1}};
    sheet.ParamsDialogOf().SetMethod(&method);
    sheet.OthersDialogOf().SetMethod(&method);
    for (const Case& c : cases) {
        int boxes = -1;
        QTimer::singleShot(0, c.dialog, [&] {
            boxes = CheckHistoryBoxes(*c.dialog, c.dialog->windowTitle().toStdString());
            c.dialog->reject();
        });
        c.dialog->RunModal();
        EXPECT_EQ(boxes, c.boxes) << c.dialog->windowTitle().toStdString();
    }
}

} // namespace
} // namespace qm
