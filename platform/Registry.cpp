// The registry over INI files.
//
// File format: "[key]" lines open a key, "name=value" lines hold its values,
// lines starting with ';' or '#' are comments. Bytes that would break a line
// apart (control characters, '%', and in names '=', '[', ']', ';', '#', and
// blanks at either end) are written as "%XX"; everything else, UTF-8 included,
// is written as it is, so the file stays readable and editable. Reading is
// lenient: unknown lines are skipped, bad escapes are kept literally, a later
// duplicate value wins, and a file larger than 16 MiB reads as empty.
#include "platform/Registry.h"

#include "platform/UserFolders.h"

#include "platform/Files.h"
#include "platform/PathHelpers.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace qm {

namespace {

constexpr uint64_t kMaxRegistryFile = 16u << 20;
constexpr const char* kRegistryFileName = "Brindlex/Quillmark8.ini";

std::string& MachineRoot() {
    static std::string root = "/etc/xdg";
    return root;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

using Section = Registry::Section;
using Entry = Registry::Entry;

Section* FindSection(std::vector<Section>& sections, const std::string& key) {
    for (Section& section : sections) {
        if (SameName(section.key, key))
            return &section;
    }
    return nullptr;
}

const Section* FindSection(const std::vector<Section>& sections, const std::string& key) {
    return FindSection(const_cast<std::vector<Section>&>(sections), key);
}

Section& SectionFor(std::vector<Section>& sections, const std::string& key) {
    if (Section* found = FindSection(sections, key))
        return *found;
    sections.push_back({key, {}});
    return sections.back();
}

Entry* FindEntry(Section& section, const std::string& name) {
    for (Entry& entry : section.entries) {
        if (SameName(entry.name, name))
            return &entry;
    }
    return nullptr;
}

void SetEntry(std::vector<Section>& sections, const std::string& key, const std::string& name,
              const std::string& value) {
    Section& section = SectionFor(sections, key);
    if (Entry* entry = FindEntry(section, name)) {
        entry->value = value;
        return;
    }
    section.entries.push_back({name, value});
}

bool DeleteEntry(std::vector<Section>& sections, const std::string& key, const std::string& name) {
    Section* section = FindSection(sections, key);
    if (section == nullptr)
        return false;
    for (auto it = section->entries.begin(); it != section->entries.end(); ++it) {
        if (SameName(it->name, name)) {
            section->entries.erase(it);
            return true;
        }
    }
    return false;
}

bool NeedsEscape(unsigned char c, bool isName) {
    if (c < 0x20 || c == 0x7F || c == '%')
        return true;
    return isName && (c == '=' || c == '[' || c == ']' || c == ';' || c == '#');
}

std::string Encode(const std::string& text, bool isName) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        bool edgeBlank = (c == ' ' || c == '\t') && (i == 0 || i + 1 == text.size());
        if (NeedsEscape(c, isName) || edgeBlank) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string Decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::vector<Section> Parse(const std::string& bytes) {
    std::vector<Section> sections;
    Section* current = nullptr;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string_view line = Trim(std::string_view(bytes).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 2) {
                current = nullptr; // a broken header: skip its values
                continue;
            }
            current = &SectionFor(sections, Decode(line.substr(1, line.size() - 2)));
            continue;
        }
        size_t equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos)
            continue;
        std::string name = Decode(Trim(line.substr(0, equals)));
        std::string value = Decode(Trim(line.substr(equals + 1)));
        SetEntry(sections, current->key, name, value);
    }
    return sections;
}

std::string Serialize(const std::vector<Section>& sections) {
    std::string out = "; Quillmark settings\n";
    for (const Section& section : sections) {
        out += "\n[" + Encode(section.key, true) + "]\n";
        for (const Entry& entry : section.entries)
            out += Encode(entry.name, true) + "=" + Encode(entry.value, false) + "\n";
    }
    return out;
}

// Reads the file; an empty store when it is missing, too large or unreadable.
// unreadable tells the last two apart from a missing file.
std::vector<Section> Load(const std::string& path, bool* unreadable = nullptr) {
    std::optional<std::string> bytes = ReadWholeFile(path, kMaxRegistryFile);
    if (unreadable != nullptr)
        *unreadable = !bytes && errno != ENOENT;
    return bytes ? Parse(*bytes) : std::vector<Section>{};
}

} // namespace

std::string UserRegistryFile() {
    return JoinPath(ConfigHome(), kRegistryFileName);
}

std::string MachineRegistryFile() {
    return JoinPath(MachineRoot(), kRegistryFileName);
}

void SetMachineConfigRoot(const std::string& root) {
    MachineRoot() = root.empty() ? "/etc/xdg" : root;
}

Registry::Registry(RegistryRoot root)
    : Registry(root == RegistryRoot::CurrentUser ? UserRegistryFile() : MachineRegistryFile(),
               root == RegistryRoot::CurrentUser) {}

Registry::Registry(std::string path, bool writable)
    : path_(std::move(path)), writable_(writable), sections_(Load(path_)) {}

Registry Registry::FromText(const std::string& bytes) {
    Registry registry;
    registry.sections_ = Parse(bytes);
    return registry;
}

std::string Registry::ToText() const {
    return Serialize(sections_);
}

bool Registry::HasKey(const std::string& key) const {
    return FindSection(sections_, key) != nullptr;
}

void Registry::CreateKey(const std::string& key) {
    SectionFor(sections_, key);
    pending_.push_back({ChangeKind::CreateKey, key, {}, {}});
}

std::optional<std::string> Registry::GetValue(const std::string& key,
                                              const std::string& name) const {
    const Section* section = FindSection(sections_, key);
    if (section == nullptr)
        return std::nullopt;
    for (const Entry& entry : section->entries) {
        if (SameName(entry.name, name))
            return entry.value;
    }
    return std::nullopt;
}

void Registry::SetValue(const std::string& key, const std::string& name, const std::string& value) {
    SetEntry(sections_, key, name, value);
    pending_.push_back({ChangeKind::Set, key, name, value});
}

bool Registry::DeleteValue(const std::string& key, const std::string& name) {
    pending_.push_back({ChangeKind::Delete, key, name, {}});
    return DeleteEntry(sections_, key, name);
}

std::vector<std::pair<std::string, std::string>> Registry::Values(const std::string& key) const {
    std::vector<std::pair<std::string, std::string>> values;
    if (const Section* section = FindSection(sections_, key)) {
        for (const Entry& entry : section->entries)
            values.emplace_back(entry.name, entry.value);
    }
    return values;
}

bool Registry::Flush() {
    if (!writable_) {
        errno = EROFS;
        return false;
    }
    if (pending_.empty())
        return true;
    bool unreadable = false;
    std::vector<Section> current = Load(path_, &unreadable);
    if (unreadable)
        return false; // never replace a file we could not read with a partial one
    for (const Change& change : pending_) {
        switch (change.kind) {
        case ChangeKind::CreateKey:
            SectionFor(current, change.key);
            break;
        case ChangeKind::Set:
            SetEntry(current, change.key, change.name, change.value);
            break;
        case ChangeKind::Delete:
            DeleteEntry(current, change.key, change.name);
            break;
        }
    }
    std::string folder = DirectoryOfPath(path_);
    if (!folder.empty() && !MakeDirectories(folder))
        return false;
    if (!WriteFileReplacing(path_, Serialize(current)))
        return false;
    sections_ = std::move(current);
    pending_.clear();
    return true;
}

bool RegStringValue(Registry& registry, const std::string& key, const std::string& name,
                    std::string& buffer, bool save) {
    if (save) {
        registry.SetValue(key, name, buffer);
        return registry.IsWritable();
    }
    buffer.clear();
    std::optional<std::string> value = registry.GetValue(key, name);
    if (!value)
        return false;
    buffer = value->substr(0, kRegistryValueLimit);
    return true;
}

} // namespace qm
