// The document manager: what the framework's document template did for
// projects, without any window code. It makes documents for File New and
// Open, saves them, asks before a modified one is closed, and keeps the
// recent-file list in the settings. The shell attaches a window to each
// document it makes and detaches it on close; without one (tests, batch
// runs) documents live windowless.
#pragma once

#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

// The registry key and the number of the recent files.
inline constexpr const char* kRecentFileKey = "Software\\Brindlex\\Quillmark8\\Recent File List";
inline constexpr size_t kRecentFileCount = 4;

class DocumentManager {
  public:
    explicit DocumentManager(DocumentContext& context);
    // Closes every document without asking.
    ~DocumentManager();
    DocumentManager(const DocumentManager&) = delete;
    DocumentManager& operator=(const DocumentManager&) = delete;

    // File New: a new document, or null when none could be made.
    CCASEDoc* NewDocument();
    // Opens a project: the open document of that path, or a new document read
    // from it (added to the recent files). Null, with the error shown, when it
    // cannot be read; nothing of it is kept then.
    CCASEDoc* OpenDocument(const std::string& path);
    // File Open: asks for a project file and opens it; null when cancelled.
    CCASEDoc* OpenDocumentWithDialog();
    // File Save and Save As of a document; false when cancelled or failed.
    bool SaveDocument(CCASEDoc& document);
    bool SaveDocumentAs(CCASEDoc& document);
    // The question before a modified document is closed: "Save changes to
    // <name>?" with Yes, No and Cancel. True when closing may go on.
    bool SaveModified(CCASEDoc& document);
    // Asks as above, then closes the document. False when the user cancelled.
    bool CloseDocument(CCASEDoc* document);
    // Closes every document, asking for each; false when one was kept.
    bool CloseAll();

    const std::vector<std::unique_ptr<CCASEDoc>>& Documents() const { return documents_; }

    // The recent files, most recent first, at most four.
    const std::vector<std::string>& RecentFiles() const { return recent_; }
    // Puts path at the front (once) and writes the list to the settings.
    void AddToRecentFiles(const std::string& path);
    // False: the recent-file list is kept for this run only and never
    // written to the user's settings (batch runs leave them alone).
    bool storeRecentFiles = true;
    // Reads the list ("File1" to "File4") from the settings.
    void LoadRecentFiles();

    // Called for each document made, to give it a window (may return null),
    // and before a document is closed.
    std::function<DocumentFrame*(CCASEDoc&)> attachWindow;
    std::function<void(CCASEDoc&)> detachWindow;

  private:
    CCASEDoc* Adopt(std::unique_ptr<CCASEDoc> document);
    void Destroy(CCASEDoc* document);
    void SaveRecentFiles() const;

    DocumentContext& context_;
    std::vector<std::unique_ptr<CCASEDoc>> documents_;
    std::vector<std::string> recent_;
};

} // namespace qm
