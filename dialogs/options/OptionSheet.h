// COptionSheet: the modeless "Options" sheet of the Tools menu with its pages
// "General" (option bits, snap size, auto-save interval, image limits),
// "Locations" (folders, default notation, library, reference project,
// repository cache) and "Viewers" (file extension to program). It edits a
// copy of the user settings and writes the copy back on OK.
#pragma once

#include "document/Profile.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace qm {

class COptionSheet;

// The part of the user settings the sheet edits.
struct OptionSettings {
    uint32_t options = 0;
    int32_t snapSize = 0;
    int32_t autosavePeriod = 0;
    int32_t maxImageWidth = 0;
    int32_t maxImageHeight = 0;
    std::string notationFolder;
    std::string defaultNotation;
    std::string scriptFolder;
    std::string defaultLibrary;
    std::string defaultRefProj;
    std::string repCacheFile;
    std::vector<ViewerEntry> viewers;
};

// What applying the sheet asks of the application around it; any may be empty.
struct OptionSheetHooks {
    // The default library changed: the library menu is rebuilt from it.
    std::function<void(const std::string& path)> reloadLibraryMenu;
    // The reference project changed: it is opened into the model library.
    std::function<void(const std::string& path)> openReferenceProject;
    // The settings were written: the windows follow them.
    std::function<void()> applied;
};

// One row of the General page: its text and option bit; inverted rows set
// their bit when unchecked.
struct OptionRow {
    const char* text;
    uint32_t bit;
    bool inverted;
};
extern const std::array<OptionRow, 19> kOptionRows;

class COptionPage1 : public QWidget {
  public:
    explicit COptionPage1(COptionSheet& sheet);
    void Load();
    void Store();

    QListWidget* Options() const { return options_; }
    QSpinBox* SnapSize() const { return snap_; }
    QSpinBox* AutosavePeriod() const { return autosave_; }
    QLineEdit* MaxImageWidth() const { return width_; }
    QLineEdit* MaxImageHeight() const { return height_; }

  private:
    COptionSheet& sheet_;
    QListWidget* options_;
    QSpinBox* snap_;
    QSpinBox* autosave_;
    QLineEdit* width_;
    QLineEdit* height_;
};

class COptionPage2 : public QWidget {
  public:
    // The six locations, in the order of the page.
    enum Field {
        NotationFolder,
        DefaultNotation,
        ScriptFolder,
        DefaultLibrary,
        RefProject,
        RepCache,
        FieldCount
    };

    explicit COptionPage2(COptionSheet& sheet);
    void Load();
    void Store();
    QLineEdit* Edit(Field field) const { return edits_[field]; }
    QPushButton* Button(Field field) const { return buttons_[field]; }

  private:
    void Browse(Field field);
    std::string& Slot(Field field);

    COptionSheet& sheet_;
    std::array<QLineEdit*, FieldCount> edits_{};
    std::array<QPushButton*, FieldCount> buttons_{};
};

class COptionPage3 : public QWidget {
  public:
    explicit COptionPage3(COptionSheet& sheet);
    void Load();
    // Storing only applies the pending edits.
    void Store() { ApplyPending(); }

    QListWidget* List() const { return list_; }
    QLineEdit* Extension() const { return extension_; }
    QLineEdit* Application() const { return application_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* DeleteButton() const { return delete_; }
    QPushButton* UpButton() const { return up_; }
    QPushButton* DownButton() const { return down_; }

  private:
    void Fill(int select);
    void OnSelect(int row);
    void ApplyPending();
    void OnDelete();
    void Move(int delta);
    void OnBrowse();
    void UpdateButtons();
    static QString RowText(const ViewerEntry& viewer);

    COptionSheet& sheet_;
    QListWidget* list_;
    QLineEdit* extension_;
    QLineEdit* application_;
    QPushButton* add_;
    QPushButton* delete_;
    QPushButton* up_;
    QPushButton* down_;
    QPushButton* viewer_;
    int current_ = -1;
    bool dirty_ = false;
    bool filling_ = false;
};

class COptionSheet : public QDialog {
  public:
    COptionSheet(Profile& profile, OptionSheetHooks hooks, QWidget* parent = nullptr,
                 int firstPage = 0);

    // Fills the copy from the settings.
    void CopyFromProfile();
    // With apply, stores the pages and writes the copy into the settings;
    // then hides the sheet.
    void Close(bool apply);

    OptionSettings& Copy() { return copy_; }
    Profile& Settings() { return profile_; }
    QTabWidget* Tabs() const { return tabs_; }
    COptionPage1& General() const { return *general_; }
    COptionPage2& Locations() const { return *locations_; }
    COptionPage3& Viewers() const { return *viewers_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override { Close(false); }
    void accept() override { Close(true); }

  private:
    void LoadPages();

    Profile& profile_;
    OptionSheetHooks hooks_;
    OptionSettings copy_;
    QTabWidget* tabs_;
    COptionPage1* general_;
    COptionPage2* locations_;
    COptionPage3* viewers_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace qm
