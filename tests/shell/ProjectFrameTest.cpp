// The project window as the user meets it: the real frame started on a
// scratch copy of the shapes project, its explorer, view and sheets.
#include "dialogs/model/DialogServices.h"
#include "dialogs/sheets/GeneralPage.h"
#include "dialogs/sheets/ObjSheet.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "editor/TContent.h"
#include "editor/ViewClipboard.h"
#include "model/CommandIds.h"
#include "platform/DesktopClipboard.h"
#include "shell/Environment.h"
#include "shell/FrameEditorHost.h"
#include "shell/frames/CChildFrame.h"
#include "shell/panes/Explorer.h"
#include "shell/panes/Lister.h"
#include "shell/panes/PaneCommands.h"
#include "shell/panes/SidePane.h"
#include "tests/shell/WindowedAppFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace qm::test {
namespace {

class ProjectFrameTest : public ProjectWindowTest {
  protected:
    CChildFrame& Frame() { return *frame->ActiveChild(); }
    TExplorer& Explorer() { return *dynamic_cast<TExplorer*>(Frame().GetExplorerPane()); }
    QPlainTextEdit* TextView() { return Frame().View()->findChild<QPlainTextEdit*>("TextView"); }
    // The item of a file of the explorer's generated "Other" folder.
    QTreeWidgetItem* FileItem(const std::string& path) {
        QTreeWidgetItem* folder = Explorer().Folder(EfOtherGenerated);
        for (int i = 0; i < folder->childCount(); ++i)
            if (folder->child(i)->text(0).toStdString() == path)
                return folder->child(i);
        ADD_FAILURE() << path;
        return nullptr;
    }
    Model* ModelNamed(const std::string& name) {
        for (size_t i = 0; i < Document().ModelCount(); ++i)
            if (Document().GetModelAt(i)->name == name)
                return Document().GetModelAt(i);
        return nullptr;
    }
};

TEST_F(ProjectFrameTest, ChoosingAFileOrADiagramTypeItemShowsItsTextOrProperties) {
    TExplorer& explorer = Explorer();
    const std::string notes = scratch / "notes.txt";
    ASSERT_TRUE(WriteFileReplacing(notes, "first line\nsecond line\n"));
    const std::string missing = scratch / "missing.txt";
    explorer.AddFileItem(EfOtherGenerated, notes);
    explorer.AddFileItem(EfOtherGenerated, missing);
    ASSERT_NE(TextView(), nullptr);

    // The file's text, read only, in place of the model.
    explorer.setCurrentItem(FileItem(notes));
    EXPECT_EQ(Document().CurrentModel(), nullptr);
    EXPECT_FALSE(TextView()->isHidden());
    EXPECT_TRUE(TextView()->isReadOnly());
    EXPECT_EQ(TextView()->toPlainText().toStdString(), "first line\nsecond line\n");
    // A file that cannot be read says so in the view.
    explorer.setCurrentItem(FileItem(missing));
    EXPECT_EQ(TextView()->toPlainText().toStdString(), "Can't access file '" + missing + "'.");
    // A model hides the text again.
    Model* classes = ModelNamed("Classes");
    ASSERT_NE(classes, nullptr);
    explorer.setCurrentItem(explorer.FindToolItem(classes));
    EXPECT_EQ(Document().CurrentModel(), classes);
    EXPECT_TRUE(TextView()->isHidden());

    // With the property sheet open, a diagram type item moves it to that
    // diagram type's properties; the view shows no model.
    explorer.ShowSelectionProperties(true);
    CObjSheet& sheet = ObjectSheetOf(*frame);
    ASSERT_FALSE(sheet.isHidden());
    EXPECT_EQ(sheet.Target(), classes);
    QTreeWidgetItem* type = explorer.Folder(EfDiagrams)->child(1);
    explorer.setCurrentItem(type);
    EXPECT_EQ(Document().CurrentModel(), nullptr);
    EXPECT_EQ(sheet.Kind(), 2);
    auto* shown = dynamic_cast<DiagramType*>(sheet.Target());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->name, type->text(0).toStdString());
    sheet.hide();
}

TEST_F(ProjectFrameTest, ExplorerCutAndCopyPutTheModelsPictureOnTheClipboard) {
    app->Env()->Settings().Options &= ~uint32_t(ConfirmModelDelete);
    TExplorer& explorer = Explorer();
    Model* classes = ModelNamed("Classes");
    ASSERT_NE(classes, nullptr);
    ASSERT_FALSE(classes->Drawables().empty());
    explorer.setCurrentItem(explorer.FindToolItem(classes));
    ASSERT_EQ(Document().CurrentModel(), classes);
    // Nothing selected in the diagram: the picture is still the whole model.
    Frame().View()->DeselectAll();

    for (const int command : {int(cmd::EditCopy), int(cmd::EditShallowCopy), int(cmd::EditCut)}) {
        QGuiApplication::clipboard()->clear();
        if (command == cmd::EditCut)
            explorer.setCurrentItem(explorer.FindToolItem(classes));
        ASSERT_TRUE(explorer.OnCommand(command));
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        ASSERT_NE(data, nullptr) << command;
        EXPECT_TRUE(data->hasFormat(kSvgMime)) << command;
        EXPECT_FALSE(data->data(kSvgMime).isEmpty()) << command;
        const QImage image = qvariant_cast<QImage>(data->imageData());
        EXPECT_FALSE(image.isNull()) << command;
        EXPECT_GT(image.width(), 10) << command;
        // This program's Paste still finds the masters clipboard file.
        EXPECT_TRUE(data->hasFormat(kMastersClipboardMime)) << command;
    }
    // The cut took the model away.
    EXPECT_EQ(ModelNamed("Classes"), nullptr);
}

TEST_F(ProjectFrameTest, SelectAllAndPanToSelectedTakeTheListerAndTheTextView) {
    Model* model = Document().CurrentModel();
    ASSERT_NE(model, nullptr);
    TExtra& side = *Frame().Extra();
    side.SelectTab(TabLister);
    TLister& lister = *side.Lister();
    ASSERT_GT(lister.topLevelItemCount(), 1);

    // One master chosen in the lister: Pan to Selected selects its place.
    int row = 0;
    while (row < lister.topLevelItemCount() &&
           model->FindPlaceOfMaster(lister.MasterAt(row)) == nullptr)
        ++row;
    ASSERT_LT(row, lister.topLevelItemCount());
    Drawable* place = model->FindPlaceOfMaster(lister.MasterAt(row));
    Frame().View()->DeselectAll();
    lister.clearSelection();
    lister.topLevelItem(row)->setSelected(true);
    ASSERT_EQ(lister.GetSelectedCount(), 1);
    EXPECT_TRUE(frame->RouteUpdate(cmd::PanToSelected).enabled);
    EXPECT_TRUE(frame->RouteCommand(cmd::PanToSelected));
    ASSERT_EQ(model->Selection().size(), 1u);
    EXPECT_EQ(model->Selection().front(), place);
    // Two chosen, and nothing selected in the drawing: nothing to pan to.
    Frame().View()->DeselectAll();
    lister.topLevelItem(row == 0 ? 1 : 0)->setSelected(true);
    EXPECT_FALSE(frame->RouteUpdate(cmd::PanToSelected).enabled);

    // A file shown in the view (no model): Select All takes its text...
    const std::string notes = scratch / "notes.txt";
    ASSERT_TRUE(WriteFileReplacing(notes, "alpha\nbeta\n"));
    Explorer().AddFileItem(EfOtherGenerated, notes);
    Explorer().setCurrentItem(FileItem(notes));
    ASSERT_EQ(Document().CurrentModel(), nullptr);
    EXPECT_TRUE(frame->RouteUpdate(cmd::EditSelectAll).enabled);
    EXPECT_TRUE(frame->RouteCommand(cmd::EditSelectAll));
    EXPECT_EQ(TextView()->textCursor().selectedText().size(), QString("alpha\nbeta\n").size());

    // ...while with the side pane active on the lister's tab, the lister
    // takes it, with or without a model.
    frame->show();
    frame->activateWindow();
    lister.setFocus();
    QApplication::processEvents();
    ASSERT_EQ(Frame().ActivePane(), Frame().GetExtraPane());
    lister.clearSelection();
    EXPECT_TRUE(frame->RouteUpdate(cmd::EditSelectAll).enabled);
    EXPECT_TRUE(frame->RouteCommand(cmd::EditSelectAll));
    EXPECT_EQ(lister.GetSelectedCount(), lister.topLevelItemCount());
    frame->hide();
}

std::vector<std::string> ComboItems(const QComboBox& combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo.count(); ++i)
        items.push_back(combo.itemText(i).toStdString());
    return items;
}

TEST_F(ProjectFrameTest, ClearComboHistoriesEmptiesAnOpenSheetsListsForGood) {
    Profile& settings = app->Env()->Settings();
    settings.Histories[HL_NAME] = {"OldName", "Older"};
    TExplorer& explorer = Explorer();
    Model* classes = ModelNamed("Classes");
    ASSERT_NE(classes, nullptr);
    explorer.setCurrentItem(explorer.FindToolItem(classes));
    explorer.ShowSelectionProperties(true);
    CObjSheet& sheet = ObjectSheetOf(*frame);
    ASSERT_EQ(sheet.Target(), classes);
    QComboBox& name = *sheet.General().name;
    ASSERT_EQ(ComboItems(name), (std::vector<std::string>{"OldName", "Older"}));

    ASSERT_TRUE(Frame().OnCommand(cmd::ClearComboHistories));
    EXPECT_TRUE(settings.Histories[HL_NAME].empty());
    // The open sheet shows the empty list, keeping the name being edited...
    EXPECT_TRUE(ComboItems(name).empty());
    EXPECT_EQ(name.currentText().toStdString(), "Classes");
    // ...and its apply brings none of the old entries back.
    sheet.CloseSheet(true);
    for (const auto& history : settings.Histories)
        for (const std::string& entry : history)
            EXPECT_TRUE(entry != "OldName" && entry != "Older") << entry;
}

// The page set-up dialog in inches: reads the margins it offers, then sets
// new ones (when given) and accepts, or cancels.
class PageSetupAnswer : public DialogAnswerer {
  public:
    static constexpr const char* kSides[] = {"leftMargin", "topMargin", "rightMargin",
                                             "bottomMargin"};
    void Answer(QDialog& dialog) override {
        ASSERT_NE(qobject_cast<QPageSetupDialog*>(&dialog), nullptr);
        auto* units = dialog.findChild<QComboBox*>("unitCombo");
        ASSERT_NE(units, nullptr);
        for (int i = 0; i < units->count(); ++i)
            if (units->itemText(i).contains("Inch")) {
                // As the user picks it (the dialog follows the activation).
                units->setCurrentIndex(i);
                emit units->activated(i);
            }
        offered.clear();
        for (const char* side : kSides) {
            auto* box = dialog.findChild<QDoubleSpinBox*>(side);
            ASSERT_NE(box, nullptr) << side;
            offered.push_back(box->value());
        }
        if (chosen.empty()) {
            dialog.reject();
            return;
        }
        for (size_t i = 0; i < chosen.size(); ++i)
            dialog.findChild<QDoubleSpinBox*>(kSides[i])->setValue(chosen[i]);
        // The dialog hands its choice to the printer when its own modal run
        // ends accepted, as when the user presses OK.
        QTimer::singleShot(0, &dialog, &QDialog::accept);
        dialog.exec();
    }
    std::vector<double> offered;
    std::vector<double> chosen;
};

TEST_F(ProjectFrameTest, PrintSetupKeepsTheMarginsBetweenRunsAndOffersThemAgain) {
    PageSetupAnswer answer;
    ScopedDialogAnswerer answering{&answer};
    EXPECT_EQ(frame->PageMargins(), nullptr);
    answer.chosen = {0.3, 0.4, 0.5, 0.6};
    ASSERT_TRUE(frame->RouteCommand(cmd::FilePrintSetup));
    ASSERT_NE(frame->PageMargins(), nullptr);
    EXPECT_EQ(*frame->PageMargins(), (std::array<int32_t, 4>{300, 400, 500, 600}));
    // The next set-up offers them; a cancel keeps them.
    answer.chosen.clear();
    ASSERT_TRUE(frame->RouteCommand(cmd::FilePrintSetup));
    ASSERT_EQ(answer.offered.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(answer.offered[i], 0.3 + 0.1 * double(i), 0.005) << i;
    EXPECT_EQ(*frame->PageMargins(), (std::array<int32_t, 4>{300, 400, 500, 600}));
    // The settings written at exit give the next run the same margins.
    app->Env()->Settings().ExchangeWithRegistry(true);
    Profile next;
    next.SetDefaults();
    ASSERT_TRUE(next.PageSetup.Margins.has_value());
    EXPECT_EQ(*next.PageSetup.Margins, (std::array<int32_t, 4>{300, 400, 500, 600}));
}

} // namespace
} // namespace qm::test
