// The user settings and their exchange with the registry.
#include "document/Profile.h"
#include "platform/UserFolders.h"

#include "platform/Format.h"
#include "platform/PathHelpers.h"
#include "platform/Process.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <filesystem>
#include <optional>

namespace qm {

namespace {

constexpr const char* kHistoryPrefixes[HL_COUNT] = {
    "Name",    "Namespace", "Link",       "Stereo",  "Attribute", "Container",
    "Method",  "AttrType",  "ReturnType", "ParType", "Parameter", "Find",
    "Replace", "Exception", "Other",      "Type",
};

constexpr std::array<int32_t, WindowPlacement::kFieldCount> kDefaultPlacement = {
    44, 0, 1, -1, -1, -4, -4, 38, 33, 926, 628};

constexpr size_t kViewerNameLimit = 64;

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    return text;
}

// Reads integers the way sscanf("%d %d ...") does: each one after optional
// white space; stops at the first text that is not a number. Returns how
// many were read into fields.
size_t ParseIntegers(const std::string& text, int32_t* fields, size_t count) {
    size_t pos = 0;
    for (size_t i = 0; i < count; ++i) {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        size_t start = pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            ++pos;
        if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos])))
            return i;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
            ++pos;
        fields[i] = AtoiValue(text.substr(start, pos - start));
    }
    return count;
}

// A stored value that is present and not empty.
std::optional<std::string> NonEmptyValue(Registry& registry, const std::string& key,
                                         const std::string& name) {
    std::string buffer;
    if (!RegStringValue(registry, key, name, buffer, false) || buffer.empty())
        return std::nullopt;
    return buffer;
}

void ExchangeString(Registry& registry, const char* name, std::string& field, bool save) {
    if (save) {
        RegStringValue(registry, kProfileKey, name, field, true);
        return;
    }
    if (auto value = NonEmptyValue(registry, kProfileKey, name))
        field = *value;
}

// Returns whether a non-empty value was loaded.
template <typename Int>
bool ExchangeNumber(Registry& registry, const char* name, Int& field, bool save) {
    if (save) {
        std::string text = Format("%d", static_cast<int32_t>(field));
        RegStringValue(registry, kProfileKey, name, text, true);
        return false;
    }
    auto value = NonEmptyValue(registry, kProfileKey, name);
    if (!value)
        return false;
    field = static_cast<Int>(AtoiValue(*value));
    return true;
}

} // namespace

int32_t AtoiValue(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    int64_t value = 0;
    for (; pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            value = static_cast<int64_t>(INT32_MAX) + 1; // saturate, keep scanning digits
    }
    if (negative)
        value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// --- page set-up and window placement ---

void PageSetup::ExchangeWithRegistry(Registry& registry, const std::string& key, bool save) {
    if (save) {
        std::string text =
            Format("%d %d %d", static_cast<int32_t>(PrintOptions), PaperWidth, PaperHeight);
        if (Margins)
            text +=
                Format(" %d %d %d %d", (*Margins)[0], (*Margins)[1], (*Margins)[2], (*Margins)[3]);
        RegStringValue(registry, key, "PrintDefs", text, true);
        return;
    }
    std::string text;
    RegStringValue(registry, key, "PrintDefs", text, false);
    if (text.empty()) {
        PrintOptions = 201;
        PaperWidth = 8271;
        PaperHeight = 11688;
        Margins.reset();
        return;
    }
    int32_t fields[7] = {static_cast<int32_t>(PrintOptions), PaperWidth, PaperHeight};
    const size_t read = ParseIntegers(text, fields, 7);
    PrintOptions = static_cast<uint32_t>(fields[0]);
    PaperWidth = fields[1];
    PaperHeight = fields[2];
    // Margins count only when all four are there and none is negative; a
    // value cut short or damaged leaves the printer's own margins.
    Margins.reset();
    if (read == 7 && std::all_of(fields + 3, fields + 7, [](int32_t m) { return m >= 0; }))
        Margins = std::array<int32_t, 4>{fields[3], fields[4], fields[5], fields[6]};
}

void PageSetup::SetDevMode(const void* data, size_t size) {
    DevMode.fill(0);
    if (data != nullptr)
        std::memcpy(DevMode.data(), data, std::min(size, kDevModeSize));
    HasDevMode = true;
}

bool PageSetup::GetDevMode(std::vector<uint8_t>& out) const {
    out.clear();
    if (!HasDevMode)
        return false;
    out.assign(DevMode.begin(), DevMode.end());
    return true;
}

std::array<int32_t, WindowPlacement::kFieldCount> WindowPlacement::ToFields() const {
    return {length,
            flags,
            showCmd,
            minPosition.x,
            minPosition.y,
            maxPosition.x,
            maxPosition.y,
            normalPosition.left,
            normalPosition.top,
            normalPosition.right,
            normalPosition.bottom};
}

void WindowPlacement::FromFields(const std::array<int32_t, kFieldCount>& f) {
    length = f[0];
    flags = f[1];
    showCmd = f[2];
    minPosition = {f[3], f[4]};
    maxPosition = {f[5], f[6]};
    normalPosition = {f[7], f[8], f[9], f[10]};
}

bool WindowPlacement::IsFirstRunDefault() const {
    return ToFields() == kDefaultPlacement;
}

void ExchangeWinPos(Registry& registry, const std::string& key, WindowPlacement& placement,
                    bool save) {
    if (save) {
        std::string text;
        for (int32_t field : placement.ToFields()) {
            if (!text.empty())
                text += ' ';
            text += std::to_string(field);
        }
        RegStringValue(registry, key, "WinPos", text, true);
        return;
    }
    std::string text;
    RegStringValue(registry, key, "WinPos", text, false);
    if (text.empty()) {
        placement.FromFields(kDefaultPlacement);
        return;
    }
    auto fields = placement.ToFields();
    ParseIntegers(text, fields.data(), fields.size());
    placement.FromFields(fields);
}

// --- histories ---

const char* HistoryPrefix(HistoryList list) {
    return list >= 0 && list < HL_COUNT ? kHistoryPrefixes[list] : "";
}

void ExchangeHistoryList(Registry& registry, const std::string& key, const std::string& prefix,
                         std::vector<std::string>& list, bool save) {
    if (!save)
        list.assign(kHistorySlots, kReservedSlot);
    for (size_t slot = 0; slot < kHistorySlots; ++slot) {
        const std::string name = Format("%s_%d", prefix.c_str(), static_cast<int>(slot));
        if (save) {
            std::string text = slot < list.size() ? list[slot] : std::string();
            RegStringValue(registry, key, name, text, true);
        } else if (auto value = NonEmptyValue(registry, key, name)) {
            list[slot] = *value;
        }
    }
}

void ExchangeComboHistory(std::vector<std::string>& items, std::vector<std::string>& list,
                          bool load) {
    if (load) {
        items = list;
        return;
    }
    list.assign(items.begin(),
                items.begin() + static_cast<std::ptrdiff_t>(std::min(items.size(), kHistorySlots)));
}

void AddComboTextToHistory(std::vector<std::string>& items, const std::string& text) {
    if (text.empty() || std::find(items.begin(), items.end(), text) != items.end())
        return;
    auto reserved = std::find(items.begin(), items.end(), kReservedSlot);
    if (reserved != items.end()) {
        *reserved = text;
        return;
    }
    if (items.empty())
        items.push_back(text);
    else
        items[0] = text;
}

// --- the profile ---

namespace {
const char kRepCacheFileName[] = "TmpProperties.rep";
} // namespace

Profile::Profile()
    : RegisteredProgram(
          [](const std::string& extension) { return FindShellOpenCommand(extension).program; }) {}

int Profile::SetDefaults() {
    Options = kDefaultOptions;
    Settings = 0;
    Language = "C++";
    SnapSize = 4;
    AutosavePeriod = 5;
    MaxImageWidth = 1000;
    MaxImageHeight = 1000;
    ScriptMemory = 1024;
    // The shipped folders are found beside the installed program, wherever
    // the user started it from.
    const std::string start = ApplicationFolder();
    const bool haveStart = !start.empty();
    HelpFolder = haveStart ? JoinPath(start, "Help") : "";
    NotationFolder = haveStart ? JoinPath(start, "Notations") : "";
    DefaultNotation = "UML2.1.not";
    ScriptFolder = haveStart ? JoinPath(start, "Scripts") : "";
    DefaultLibrary = haveStart ? JoinPath(start, "Libraries/Default.pro") : "";
    DefaultRefProj.clear();
    // The listings received from the repository server are the user's own
    // and can be fetched again: they belong in the user's cache folder,
    // never beside the program, which may be shared or read-only.
    RepCacheFile = JoinPath(ApplicationCacheFolder(), kRepCacheFileName);
    RepHost.clear();
    RepPort.clear();
    DefaultProject.clear();
    WinPos.length = 0;
    ExchangeWithRegistry(false);
    // Earlier versions stored the cache beside the program as the default;
    // that stored default moves to the cache folder too.
    if (haveStart && RepCacheFile == JoinPath(start, kRepCacheFileName))
        RepCacheFile = JoinPath(ApplicationCacheFolder(), kRepCacheFileName);
    return 1;
}

void Profile::ExchangeWithRegistry(bool save) {
    Registry user(RegistryRoot::CurrentUser);
    if (save) {
        for (int i = 0; i < HL_COUNT; ++i)
            ExchangeHistoryList(user, kHistoryKey, kHistoryPrefixes[i], Histories[i], true);
        ExchangeProfileKey(user, true, true);
        SaveViewers(user);
        user.Flush(); // a store that cannot be written leaves the old settings
        // The machine's store is read-only here, so its save pass has nothing to do.
        return;
    }
    SettingsFound = false;
    for (int i = 0; i < HL_COUNT; ++i)
        ExchangeHistoryList(user, kHistoryKey, kHistoryPrefixes[i], Histories[i], false);
    ExchangeProfileKey(user, false, true);
    LoadViewers(user, true);
    if (SettingsFound)
        return;
    Registry machine(RegistryRoot::LocalMachine);
    if (machine.HasKey(kProfileKey))
        ExchangeProfileKey(machine, false, false);
    if (machine.HasKey(kViewersKey))
        LoadViewers(machine, false);
}

void Profile::ExchangeProfileKey(Registry& registry, bool save, bool userPass) {
    bool optionsRead = ExchangeNumber(registry, "Options", Options, save);
    if (userPass && optionsRead)
        SettingsFound = true;
    ExchangeNumber(registry, "Settings", Settings, save);
    ExchangeString(registry, "Language", Language, save);
    ExchangeNumber(registry, "SnapSize", SnapSize, save);
    ExchangeNumber(registry, "AutosavePeriod", AutosavePeriod, save);
    ExchangeNumber(registry, "MaxImageWidth", MaxImageWidth, save);
    ExchangeNumber(registry, "MaxImageHeight", MaxImageHeight, save);
    ExchangeNumber(registry, "ScriptMemory", ScriptMemory, save);
    ExchangeString(registry, "HelpFolder", HelpFolder, save);
    ExchangeString(registry, "NotationFolder", NotationFolder, save);
    ExchangeString(registry, "DefaultNotation", DefaultNotation, save);
    ExchangeString(registry, "ScriptFolder", ScriptFolder, save);
    ExchangeString(registry, "DefaultLibrary", DefaultLibrary, save);
    ExchangeString(registry, "DefaultRefProj", DefaultRefProj, save);
    ExchangeString(registry, "RepCacheFile", RepCacheFile, save);
    ExchangeString(registry, "RepHost", RepHost, save);
    ExchangeString(registry, "RepPort", RepPort, save);
    ExchangeString(registry, "DefaultProject", DefaultProject, save);
    // The machine's pass only fills in what it has: a value it lacks must not
    // reset what the user's pass read back to the first-run defaults.
    if (save || userPass || NonEmptyValue(registry, kProfileKey, "PrintDefs"))
        PageSetup.ExchangeWithRegistry(registry, kProfileKey, save);
    if (save || userPass || NonEmptyValue(registry, kProfileKey, "WinPos"))
        ExchangeWinPos(registry, kProfileKey, WinPos, save);
}

void Profile::LoadViewers(Registry& registry, bool userPass) {
    auto values = registry.Values(kViewersKey);
    if (values.empty()) {
        // The machine's pass keeps the user's viewers when it names none.
        if (userPass) {
            Viewers.clear();
            SetDefaultViewers();
        }
        return;
    }
    Viewers.clear();
    for (auto& [name, data] : values) {
        // The names a 64-character buffer could hold, as the stored layout allows.
        if (!name.empty() && name.size() < kViewerNameLimit && !data.empty())
            Viewers.push_back({name, data.substr(0, kRegistryValueLimit)});
    }
}

void Profile::SaveViewers(Registry& registry) {
    for (auto& [name, data] : registry.Values(kViewersKey))
        registry.DeleteValue(kViewersKey, name);
    registry.CreateKey(kViewersKey);
    for (const ViewerEntry& viewer : Viewers)
        registry.SetValue(kViewersKey, viewer.extension, viewer.application);
}

ViewerEntry* Profile::FindViewer(std::string& extension) {
    extension = Upper(extension);
    for (ViewerEntry& viewer : Viewers) {
        if (viewer.extension == extension)
            return &viewer;
    }
    return nullptr;
}

ViewerEntry* Profile::SetViewer(const std::string& extension, std::string application,
                                bool keepGiven) {
    const std::string registered =
        RegisteredProgram
            ? RegisteredProgram(extension.empty() || extension[0] == '.' ? extension
                                                                         : "." + extension)
            : std::string();
    if (!keepGiven && !registered.empty())
        application = registered;
    if (application.empty())
        return nullptr;
    std::string key = extension;
    if (ViewerEntry* found = FindViewer(key)) {
        found->application = application;
        return found;
    }
    Viewers.push_back({key, application});
    return &Viewers.back();
}

void Profile::SetDefaultViewers() {
    const ViewerEntry* text = SetViewer("txt", "", false);
    const std::string fallback = text != nullptr ? text->application : std::string();
    for (const char* extension : {"h", "cpp", "cs"})
        SetViewer(extension, fallback, false);
    SetViewer("vxs", fallback, true);
    for (const char* extension : {"idl", "java", "php"})
        SetViewer(extension, fallback, false);
    for (const char* extension : {"htm", "html", "rtf"})
        SetViewer(extension, "", false);
}

void Profile::ClearHistory() {
    for (auto& list : Histories)
        list.clear();
}

} // namespace qm
