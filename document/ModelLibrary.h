// The model library: one further project, opened without a window, whose
// masters offer ready-made classes. The frames' library lists show it and the
// type fields of the property pages offer the names of its classes.
#pragma once

#include "document/DocumentContext.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class CCASEDoc;
class Master;

class ModelLibrary {
  public:
    explicit ModelLibrary(DocumentContext& context);
    // Closes the library.
    virtual ~ModelLibrary();
    ModelLibrary(const ModelLibrary&) = delete;
    ModelLibrary& operator=(const ModelLibrary&) = delete;

    // Reads the project at path into a new hidden document that replaces the
    // library. 0 when that path is already the library (nothing changes);
    // 0 when the file cannot be opened (an empty, unloaded library stays);
    // else 1, and the open documents refill their library lists. An error
    // while reading is thrown, and leaves no library document behind.
    int OpenDocumentFile(const std::string& path);
    // Deletes the library document and tells the open documents to empty
    // their library lists.
    void Close();
    // With a loaded library and mode 1 or 2, adds to names the library's
    // class masters (those whose tool has the Class semantics): one of each
    // name (letter case counts), sorted without regard to case, names that
    // compare equal in the library's order. Gathered once per library.
    void AddClassNames(std::vector<std::string>& names, int mode);

    CCASEDoc* Document() const { return document_.get(); }
    bool IsLoaded() const { return loaded_; }
    const std::vector<Master*>& ClassMasters() const { return classMasters_; }

    // Tells every open document to refill (true) or empty (false) its
    // library list; may be empty.
    std::function<void(bool fill)> updateLibraryPanes;

  private:
    void CollectClassMasters();

    DocumentContext& context_;
    std::unique_ptr<CCASEDoc> document_;
    bool loaded_ = false;
    std::vector<Master*> classMasters_;
    bool collected_ = false;
};

// Keeps one master of each name (exact comparison, the first one), then sorts
// them by name without regard to case, keeping the order of equal names.
void SortClassMasters(std::vector<Master*>& masters);

} // namespace qm
