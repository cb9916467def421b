// ReverseEngineerDialog ("Reverse Engineer (not undoable!)"): the user picks a
// built-in source language or a reverse-engineering script, gathers source
// files and sets the run's options, then reverse engineers them into the
// document's current model. The options are remembered under "RevOptions".
#pragma once

#include "scripting/ScriptRunners.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace qm {

class CCASEDoc;
class ScriptExplorer;

// The option list a built-in language starts from (row of LanguageTable):
// the four flags and "File Extensions"; empty for a row out of range.
const ScriptOptionList& DefaultReverseOptions(int row);

// The files under folder, walked depth first (the entries of each folder in
// name order, folders walked where they are met, links to folders not
// followed), whose extension is not empty and occurs anywhere in the text of
// extensions ("h hpp" takes ".p" too). Unreadable folders are skipped.
std::vector<std::string> CollectSourceFiles(const std::string& folder,
                                            const std::string& extensions);

class ReverseEngineerDialog : public QDialog, public ScriptDialog {
  public:
    // The text shown by Auto Select when the current model records no files.
    static constexpr const char* kNoFilesMessage =
        "No files found!\nUse this command after reverse engineering with the 'Record File Names "
        "in Generated Classes' option enabled.\nThe latter causes the source file names to be "
        "recorded in reverse engineered classes, so that next time you\nuse 'Auto Select', it "
        "will find the files for repeating reverse engineering.";

    // With redoLast the source list starts with the files of the previous
    // run. explorer (may be null) lists what a reverse-engineering script
    // writes. The document must outlive the dialog.
    ReverseEngineerDialog(CCASEDoc& document, bool redoLast, ScriptExplorer* explorer = nullptr,
                          QWidget* parent = nullptr);
    // Saves the state, as every close does.
    ~ReverseEngineerDialog() override;

    // ---- ScriptDialog ----
    CCASEDoc& Document() const override { return document_; }
    const ScriptOptionList& Options() const override { return options_; }

    // ---- the handlers ----
    void OnLanguageChanged();
    void OnOptionSelected();
    void OnValueEdited();
    void OnSet();
    void OnAddFiles();
    void OnRecursiveAdd();
    void OnAutoSelect();
    void OnDropFiles();
    void OnReverse();
    void OnHelp();

    // Appends paths to the source list.
    void AddSourceFiles(const std::vector<std::string>& paths);
    std::vector<std::string> SourceFiles() const;
    bool IsBuiltIn() const { return builtIn_; }

    // ---- the controls, for tests and assistive technology ----
    QComboBox* Languages() const { return languages_; }
    QListWidget* Sources() const { return sources_; }
    QListWidget* OptionLines() const { return optionLines_; }
    QLabel* Description() const { return description_; }
    QLineEdit* ValueEdit() const { return valueEdit_; }
    QComboBox* ValueChoice() const { return valueChoice_; }
    QPushButton* AddFilesButton() const { return addFiles_; }
    QPushButton* RecursiveAddButton() const { return recursiveAdd_; }
    QPushButton* AutoSelectButton() const { return autoSelect_; }
    QPushButton* DropFilesButton() const { return dropFiles_; }
    QPushButton* SetButton() const { return set_; }
    QPushButton* ReverseButton() const { return reverse_; }
    QPushButton* CancelButton() const { return cancel_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void FillLanguages();
    void LoadOptions(const std::string& name);
    void FillOptionLines();
    // Stores the language, the options and (for a built-in language) the
    // profile's option bits, and marks the document modified.
    void SaveState();
    void UpdateButtons();
    std::string ScriptPath(const std::string& name) const;
    // The text of the "File Extensions" option, or "".
    std::string Extensions() const;

    CCASEDoc& document_;
    bool redoLast_;
    ScriptExplorer* explorer_;
    ScriptOptionList options_;
    int extensionOption_ = -1;
    int editIndex_ = -1;
    bool builtIn_ = true;
    bool languageChosen_ = false;

    QComboBox* languages_ = nullptr;
    QListWidget* sources_ = nullptr;
    QListWidget* optionLines_ = nullptr;
    QLabel* description_ = nullptr;
    QLineEdit* valueEdit_ = nullptr;
    QComboBox* valueChoice_ = nullptr;
    QPushButton* addFiles_ = nullptr;
    QPushButton* recursiveAdd_ = nullptr;
    QPushButton* autoSelect_ = nullptr;
    QPushButton* dropFiles_ = nullptr;
    QPushButton* set_ = nullptr;
    QPushButton* reverse_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* help_ = nullptr;
};

} // namespace qm
