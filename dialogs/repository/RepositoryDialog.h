// The repository browser: the modeless "Repository" window with the folder
// tree on the left, the owner-drawn list of the selected node's children on
// the right, and the buttons that start every repository operation (New
// Folder, Make Stable, Delete, Check In, Check Out, History). The tree is
// filled lazily from the server's listings as nodes are opened.
#pragma once

#include <QDialog>
#include <QTreeWidget>

#include <exception>
#include <memory>
#include <string>

class QPushButton;
class QTreeWidgetItem;

namespace qm {

class FileDialogs;
class RepositoryItem;
class RepositorySession;

// What the browser needs of the application around it.
class RepositoryBrowserHost {
  public:
    virtual ~RepositoryBrowserHost() = default;
    // Opens a project file as a document; true when it opened.
    virtual bool OpenProject(const std::string& path) = 0;
    // Closes every window of the project at path, discarding its changes.
    virtual void CloseProjectWindows(const std::string& path) = 0;
    // A project file was checked in as itemPath: an open document of it
    // takes the new stamp, so that its next save keeps it.
    virtual void ProjectCheckedIn(const std::string& path, const std::string& itemPath) = 0;
    // Opens a file with the program registered for its type.
    virtual void OpenFile(const std::string& path) = 0;
    // The file dialogs (may be null: every dialog is cancelled).
    virtual FileDialogs* Dialogs() = 0;
    // The application's handler of a failed command.
    virtual void ReportCommandError(std::exception_ptr error) = 0;
};

// The list of the selected node's children: nine columns, drawn row by row
// with the kind's icon before the name and stable versions in bold.
class CRepListCtrl : public QTreeWidget {
  public:
    explicit CRepListCtrl(QWidget* parent = nullptr);
    // The 16 x 16 pictures of the item kinds, side by side (kind k at x = 16 k).
    void SetIconStrip(const QPixmap& strip);
    const QPixmap& IconStrip() const { return strip_; }
    // The item of a row, or null.
    static RepositoryItem* ItemOf(const QTreeWidgetItem* row);

  private:
    QPixmap strip_;
};

// The browser's buttons, by their resource ids.
enum RepositoryButton {
    kButtonNewFolder = 1020,
    kButtonMakeStable = 1021,
    kButtonDelete = 1022,
    kButtonCheckIn = 1023,
    kButtonCheckOut = 1024,
    kButtonHistory = 1200,
};

class CRepositoryDialog : public QDialog {
  public:
    // session and host must outlive the window. The session is logged in.
    CRepositoryDialog(RepositorySession& session, RepositoryBrowserHost& host,
                      QWidget* parent = nullptr);
    ~CRepositoryDialog() override;

    // Shows (true) or hides the window.
    void Show(bool show);
    // Checks a project file in. From the main frame, a project never checked
    // in only shows where to go: the browser. From the browser, such a
    // project goes into the selected folder.
    void CheckIn(const std::string& projectFile, bool fromMainFrame);
    // Shows the window, selects the tree node of the path's folder (reloaded
    // when asked) and the list row of its last name.
    void ShowPath(const std::string& path, bool reload);

    // The buttons' operations.
    void OnNewFolder();
    void OnDelete();
    void OnCheckInButton();
    void OnCheckOut();
    void OnMakeStable();
    void OnHistory();
    // Enables the buttons by the session's rights and the selection.
    void UpdateButtons();

    // The repository path of a tree node: the names below the root, each
    // followed by '\' (projects left out with foldersOnly).
    static std::string NodePath(const QTreeWidgetItem* node, bool foldersOnly);
    static RepositoryItem* ItemOf(const QTreeWidgetItem* node);

    QTreeWidget* Tree() const { return tree_; }
    CRepListCtrl* List() const { return list_; }
    QPushButton* Button(RepositoryButton id) const;
    QTreeWidgetItem* RootNode() const;
    const std::string& LastCheckInFile() const { return lastCheckInFile_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The Delete key in the list deletes, when the Delete button may.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Asks the server for a node's children (when forced or not yet loaded)
    // and gives a folder's children their tree nodes.
    void LoadNode(QTreeWidgetItem* node, bool force);
    void InsertChildNodes(QTreeWidgetItem* node);
    // The tree node below node that shows the item of that name, or null.
    QTreeWidgetItem* ChildNode(QTreeWidgetItem* node, const std::string& name);
    // Fills the list with the selected node's children.
    void FillList();
    void SortList(int column);
    void OnTreeSelectionChanged();
    // The selected tree node's item (T) and list row's item (L), or null.
    RepositoryItem* SelectedTreeItem() const;
    RepositoryItem* SelectedListItem() const;
    void ReloadAndExpand(QTreeWidgetItem* node);
    // Selects the first list row of that name (FindChild's choice).
    void SelectRow(const std::string& name);
    // Runs an operation; its error is shown (at most 255 characters) and
    // the browser stays as it was.
    template <typename Operation> void ShowingErrors(Operation&& operation);
    void CheckOutProject(const std::string& path, const std::string& versionName,
                         const std::string& projectName);

    RepositorySession& session_;
    RepositoryBrowserHost& host_;
    std::string lastCheckInFile_;
    CRepListCtrl* list_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QPushButton* history_ = nullptr;
    QPushButton* newFolder_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* checkOut_ = nullptr;
    QPushButton* checkIn_ = nullptr;
    QPushButton* makeStable_ = nullptr;
    int sortColumn_ = 7;
    std::unique_ptr<RepositoryItem> root_;
};

// The picture strip of the browser's tree and list, from the shipped icons
// beside the program; an empty strip when it cannot be read.
QPixmap RepositoryIconStrip();

// Splits a repository path into its folder part (ending in '\') and its last
// name; one '\' at the end of the path is not a name of its own, so
// "A\P\0001\" and "A\P\0001" both give "A\P\" and "0001".
void SplitItemPath(const std::string& path, std::string& folder, std::string& name);

} // namespace qm
