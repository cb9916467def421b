// The client's picture of the repository: a tree of items (folders hold
// folders and projects, projects hold versions), filled lazily from the
// server's listings. A listing is a list-syntax file: the header
// (Vaultkeep "2.0" repository), then one entry per child,
// (kind "name" stable (props "props" "who" (year month day hour min sec) "comment")).
#pragma once

#include "kernel/Cell.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class RepositorySession;

enum RepositoryItemKind : uint8_t {
    kItemUnknown = 0,
    kItemFolder = 1,
    kItemProject = 2,
    kItemVersion = 3,
};

// Bits of RepositoryItem::flags.
enum RepositoryItemFlag : uint32_t {
    kItemChildrenLoaded = 1,
    kItemStable = 2,
};

class RepositoryItem {
  public:
    RepositoryItem() = default;
    virtual ~RepositoryItem() = default;
    RepositoryItem(const RepositoryItem&) = delete;
    RepositoryItem& operator=(const RepositoryItem&) = delete;

    void Set(uint8_t kind, const std::string& name);

    // The kind's symbol (folder, project, version; nil for any other), and
    // the kind of a symbol (0 for any other).
    static kest::Cell* KindSymbol(uint8_t kind);
    static uint8_t KindOfSymbol(const kest::Cell* symbol);

    // "Y" for a stable item, else "".
    const char* StableText() const;

    // The fields of props ("base:current:revised:merged"). A field whose
    // delimiters are missing is empty; BaseField and MergedField are empty
    // when the first (last) ':' is missing or at position 0.
    std::string BaseField() const;
    std::string CurrentField() const;
    std::string RevisedField() const;
    std::string MergedField() const;

    // The time as "%d %b %Y, %H:%M:%S" (local time).
    std::string FormatTime() const;

    // The first child of that name (case-sensitive), or null.
    RepositoryItem* FindChild(const std::string& name) const;
    void DeleteChildren() { children.clear(); }

    // With a list: fills the item from one listing entry (each element
    // checked; a wrong one is the fatal failure check) and returns the rest of
    // the list behind the entry's props list. With null: builds the entry.
    kest::Cell* Persist(kest::Cell* list);

    // Reads the listing file at path, appending its entries to the children
    // (a missing file is first created as an empty listing), or writes the
    // children as a listing file (write). The file is server-controlled:
    // it is read with read-time evaluation off. Raises CKestException "Can't
    // open repository log file"; a bad header or entry is the failure check.
    void ReadListing(const std::string& path, bool write);

    // Asks the server for the listing of the item at itemPath into the cache
    // file, reads it into the children and sets the loaded flag. Any error
    // is shown to the user and not passed on; the flag then stays as it was.
    void LoadChildren(RepositorySession& session, const std::string& itemPath);

    // The old-format notice: once a listing held a version with a name
    // shorter than 6 characters, every later listing read of the run shows it.
    static bool OldFormatSeen();
    static void ResetOldFormatSeen();

    uint8_t kind = kItemUnknown;
    uint32_t flags = 0;
    std::string name;
    std::string props;
    std::string who;
    std::time_t time = 0;
    std::string comment;
    std::vector<std::unique_ptr<RepositoryItem>> children;
};

} // namespace qm
