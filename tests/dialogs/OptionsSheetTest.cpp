// The options sheet driven as a user drives it: the General page's option
// rows and limits, OK and Cancel against the user settings, the hooks that
// reopen the library and reference project, and the Viewers page's editing.
#include "dialogs/options/OptionSheet.h"

#include "tests/dialogs/FindDialogInput.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include "tests/dialogs/ShownTexts.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::Click;
using test::TypeText;

Profile SampleProfile() {
    Profile profile;
    profile.Options = kDefaultOptions;
    profile.SnapSize = 4;
    profile.AutosavePeriod = 10;
    profile.MaxImageWidth = 1024;
    profile.MaxImageHeight = 768;
    profile.DefaultLibrary = "/lib/a.pro";
    profile.DefaultRefProj = "/ref/a.pro";
    profile.Viewers = {{"TXT", "/bin/edit"}, {"H", "/bin/view"}};
    return profile;
}

struct SheetRig {
    Profile profile = SampleProfile();
    std::vector<std::string> libraries, references;
    int applied = 0;
    COptionSheet sheet{profile,
                       OptionSheetHooks{[this](const std::string& p) { libraries.push_back(p); },
                                        [this](const std::string& p) { references.push_back(p); },
                                        [this] { ++applied; }}};
    SheetRig() {
        sheet.CopyFromProfile();
        sheet.show();
    }
    void Retype(QLineEdit* edit, const QString& text) {
        edit->clear();
        TypeText(edit, text);
    }
};

TEST(OptionsSheet, GeneralPageShowsAndStoresTheSettings) {
    SheetRig rig;
    COptionPage1& page = rig.sheet.General();
    EXPECT_EQ(page.SnapSize()->value(), 4);
    EXPECT_EQ(page.MaxImageWidth()->text(), "1024");
    ASSERT_EQ(page.Options()->count(), 19);
    for (int row = 0; row < 19; ++row) {
        const OptionRow& option = kOptionRows[static_cast<size_t>(row)];
        const bool set = (kDefaultOptions & option.bit) != 0;
        EXPECT_EQ(page.Options()->item(row)->checkState() == Qt::Checked, set != option.inverted)
            << option.text;
    }

    // The spins' ranges refuse what lies outside them.
    page.SnapSize()->setValue(40);
    EXPECT_EQ(page.SnapSize()->value(), 16);
    page.AutosavePeriod()->setValue(0);
    EXPECT_EQ(page.AutosavePeriod()->value(), 1);
    page.SnapSize()->setValue(8);

    // Showing the class arguments is the bit's absence.
    page.Options()->item(6)->setCheckState(Qt::Unchecked);
    page.Options()->item(0)->setCheckState(Qt::Unchecked);
    Click(rig.sheet.OkButton());
    EXPECT_FALSE(rig.sheet.isVisible());
    EXPECT_EQ(rig.profile.SnapSize, 8);
    EXPECT_EQ(rig.profile.AutosavePeriod, 1);
    EXPECT_NE(rig.profile.Options & HideClassArguments, 0u);
    EXPECT_EQ(rig.profile.Options & SnapToGrid, 0u);
    EXPECT_EQ(rig.applied, 1);
    // Nothing changed among the paths: nothing is reopened.
    EXPECT_TRUE(rig.libraries.empty());
    EXPECT_TRUE(rig.references.empty());
}

TEST(OptionsSheet, ImageLimitsOutsideOneTo9999KeepThePreviousValue) {
    struct Case {
        QString typed;
        int32_t stored;
    };
    for (const Case& c : {Case{"0", 1024}, Case{"10000", 1024}, Case{"abc", 1024}, Case{"1", 1},
                          Case{"9999", 9999}, Case{" 640px", 640}}) {
        SheetRig rig;
        rig.Retype(rig.sheet.General().MaxImageWidth(), c.typed);
        Click(rig.sheet.OkButton());
        EXPECT_EQ(rig.profile.MaxImageWidth, c.stored) << c.typed.toStdString();
        EXPECT_EQ(rig.profile.MaxImageHeight, 768);
    }
}

TEST(OptionsSheet, CancelLeavesTheSettingsAndIsForgottenNextTime) {
    SheetRig rig;
    rig.sheet.General().SnapSize()->setValue(12);
    rig.Retype(rig.sheet.Locations().Edit(COptionPage2::ScriptFolder), "/elsewhere");
    // Leaving a page stores it into the copy; Cancel must still discard it.
    rig.sheet.General().Store();
    rig.sheet.Locations().Store();
    Click(rig.sheet.CancelButton());
    EXPECT_FALSE(rig.sheet.isVisible());
    EXPECT_EQ(rig.profile.SnapSize, 4);
    EXPECT_EQ(rig.profile.ScriptFolder, "");
    EXPECT_EQ(rig.applied, 0);

    rig.sheet.show();
    EXPECT_EQ(rig.sheet.General().SnapSize()->value(), 4);
    EXPECT_EQ(rig.sheet.Locations().Edit(COptionPage2::ScriptFolder)->text(), "");
    Click(rig.sheet.OkButton());
    EXPECT_EQ(rig.profile.SnapSize, 4);
    EXPECT_EQ(rig.profile.ScriptFolder, "");
}

TEST(OptionsSheet, OnlyChangedLibraryOrReferenceProjectIsReopened) {
    SheetRig rig;
    rig.Retype(rig.sheet.Locations().Edit(COptionPage2::RefProject), "/ref/b.pro");
    rig.Retype(rig.sheet.Locations().Edit(COptionPage2::RepCache), "/c/cache.rep");
    Click(rig.sheet.OkButton());
    EXPECT_TRUE(rig.libraries.empty());
    EXPECT_EQ(rig.references, std::vector<std::string>{"/ref/b.pro"});
    EXPECT_EQ(rig.profile.DefaultRefProj, "/ref/b.pro");
    EXPECT_EQ(rig.profile.RepCacheFile, "/c/cache.rep");

    rig.sheet.show();
    rig.Retype(rig.sheet.Locations().Edit(COptionPage2::DefaultLibrary), "/lib/b.pro");
    // Closing the window applies, as OK does.
    rig.sheet.close();
    EXPECT_EQ(rig.libraries, std::vector<std::string>{"/lib/b.pro"});
    EXPECT_EQ(rig.references.size(), 1u);
    EXPECT_EQ(rig.profile.DefaultLibrary, "/lib/b.pro");
}

std::vector<std::string> Rows(const QListWidget* list) {
    std::vector<std::string> rows;
    for (int row = 0; row < list->count(); ++row)
        rows.push_back(list->item(row)->text().toStdString());
    return rows;
}

TEST(OptionsSheet, ViewersAreAddedEditedMovedAndDeleted) {
    SheetRig rig;
    COptionPage3& page = rig.sheet.Viewers();
    EXPECT_EQ(Rows(page.List()),
              (std::vector<std::string>{"TXT\t=> /bin/edit", "H\t=> /bin/view", "<New>"}));
    EXPECT_TRUE(page.DeleteButton()->isEnabled());
    EXPECT_FALSE(page.UpButton()->isEnabled());
    EXPECT_TRUE(page.DownButton()->isEnabled());

    // A new viewer, its extension typed in lower case.
    page.List()->setCurrentRow(2);
    EXPECT_FALSE(page.DeleteButton()->isEnabled());
    EXPECT_FALSE(page.AddButton()->isEnabled());
    TypeText(page.Extension(), "cpp");
    EXPECT_FALSE(page.AddButton()->isEnabled());
    TypeText(page.Application(), "/bin/ide");
    ASSERT_TRUE(page.AddButton()->isEnabled());
    Click(page.AddButton());
    EXPECT_EQ(Rows(page.List()).at(2), "CPP\t=> /bin/ide");
    EXPECT_EQ(Rows(page.List()).at(3), "<New>");
    EXPECT_EQ(page.List()->currentRow(), 2);

    // Up swaps with the row above and keeps the viewer selected.
    Click(page.UpButton());
    EXPECT_EQ(page.List()->currentRow(), 1);
    EXPECT_EQ(Rows(page.List()).at(1), "CPP\t=> /bin/ide");

    // A pending edit is applied when another row is chosen.
    TypeText(page.Application(), "2");
    page.List()->setCurrentRow(0);
    EXPECT_EQ(Rows(page.List()).at(1), "CPP\t=> /bin/ide2");

    // Deleting the last viewer moves the selection up by one.
    page.List()->setCurrentRow(2);
    Click(page.DeleteButton());
    EXPECT_EQ(Rows(page.List()),
              (std::vector<std::string>{"TXT\t=> /bin/edit", "CPP\t=> /bin/ide2", "<New>"}));
    EXPECT_EQ(page.List()->currentRow(), 1);

    Click(rig.sheet.OkButton());
    ASSERT_EQ(rig.profile.Viewers.size(), 2u);
    EXPECT_EQ(rig.profile.Viewers[1].extension, "CPP");
    EXPECT_EQ(rig.profile.Viewers[1].application, "/bin/ide2");
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST(OptionsSheetMnemonics, EveryLabelKeepsItsAccessKey) {
    SheetRig rig;
    test::ExpectShown(rig.sheet, {"&Add", "&Delete", "Move &Up", "Move Do&wn", "&Help", "&Viewer:",
                                  "&Notation Folder:", "&Default Notation:", "&Script Folder:",
                                  "D&efault Library:", "Default &Ref. Proj:", "Repos. &Cache:"});
}

} // namespace
} // namespace qm
