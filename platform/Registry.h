// The registry: keys holding named string values, kept in INI files. The
// current user's store is $XDG_CONFIG_HOME/Brindlex/Quillmark8.ini (default
// ~/.config); the machine's read-only fallback is Brindlex/Quillmark8.ini under
// /etc/xdg. Key names are written as given ("Software\Brindlex\Quillmark8\Profile");
// key and value names are compared without regard to case; all values are strings.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm {

enum class RegistryRoot { CurrentUser, LocalMachine };

// The file of the current user's store.
std::string UserRegistryFile();
// The file of the machine's store, below the machine configuration root.
std::string MachineRegistryFile();
// Points the machine configuration root elsewhere (tests); "" restores /etc/xdg.
void SetMachineConfigRoot(const std::string& root);

// One store, read whole when it is made. Changes are kept in memory and in a
// list of pending changes; Flush rereads the file, applies the pending changes
// to what it holds now (so two stores of the same file do not undo each other's
// values) and writes it back through a temporary file renamed over the target.
// A file that cannot be read or makes no sense reads as empty; nothing in it
// can make the store fail.
class Registry {
  public:
    // The store of root. The machine's store is read-only.
    explicit Registry(RegistryRoot root);
    // A store over an explicit file.
    Registry(std::string path, bool writable);

    // A read-only store over the text of a settings file, and the text the
    // store would write; for checking the file format.
    static Registry FromText(const std::string& bytes);
    std::string ToText() const;

    const std::string& Path() const { return path_; }
    bool IsWritable() const { return writable_; }

    bool HasKey(const std::string& key) const;
    // Makes the key exist (empty) when it does not.
    void CreateKey(const std::string& key);
    // The value, or nothing when the key or the value does not exist.
    std::optional<std::string> GetValue(const std::string& key, const std::string& name) const;
    // Sets a value, creating the key; the name keeps its first spelling.
    void SetValue(const std::string& key, const std::string& name, const std::string& value);
    // Deletes a value; false when there was none.
    bool DeleteValue(const std::string& key, const std::string& name);
    // The values of a key (name, value) in stored order; empty for a missing key.
    std::vector<std::pair<std::string, std::string>> Values(const std::string& key) const;

    // Writes the pending changes to the file, creating its folder. False (with
    // errno set) for a read-only store or when the file cannot be written; the
    // file is then unchanged. True at once when nothing is pending.
    bool Flush();

    struct Entry {
        std::string name;
        std::string value;
    };
    struct Section {
        std::string key;
        std::vector<Entry> entries;
    };

  private:
    Registry() = default;

    enum class ChangeKind { CreateKey, Set, Delete };
    struct Change {
        ChangeKind kind;
        std::string key;
        std::string name;
        std::string value;
    };

    std::string path_;
    bool writable_ = false;
    std::vector<Section> sections_;
    std::vector<Change> pending_;
};

// The most bytes one value read through RegStringValue yields.
constexpr size_t kRegistryValueLimit = 0x20000 - 1;

// Reads (save false) or writes (save true) one string value. Reading first
// empties buffer and yields at most kRegistryValueLimit bytes; true when the
// value exists. Writing sets it in the store (Flush writes the file) and returns true.
bool RegStringValue(Registry& registry, const std::string& key, const std::string& name,
                    std::string& buffer, bool save);

} // namespace qm
