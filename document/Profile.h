// The user settings: option bits, folders, the default notation, library and
// reference project, image limits, the file viewers by extension, the print
// set-up, the sixteen combo-box histories and the main window's placement,
// exchanged with the registry at start-up (load) and at exit (save).
#pragma once

#include "platform/Geometry.h"
#include "platform/UserSettings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class Registry;

// The bits of Profile::Options (ProfileOption) and their defaults are in
// platform/UserSettings.h, shared by every layer that reads them.

// Bit 1 of Profile::Settings: project child frames are shown maximised.
constexpr uint32_t kSettingsMaximizeChildFrames = 0x1;

// The registry keys of the settings.
inline constexpr const char* kHistoryKey = "Software\\Brindlex\\Quillmark8\\History";
inline constexpr const char* kProfileKey = "Software\\Brindlex\\Quillmark8\\Profile";
inline constexpr const char* kViewersKey = "Software\\Brindlex\\Quillmark8\\Profile\\Viewers";

// The program that opens files of one extension.
struct ViewerEntry {
    std::string extension;   // without the dot; upper case when stored through SetViewer
    std::string application; // the program's path or name
};

// Bits of PageSetup::PrintOptions, as the print dialog sets them.
enum PrintOption : uint32_t {
    PrintModels = 1,
    PrintModelTree = 2,
    PrintNotationTemplate = 4,
    PrintThisModel = 8,
    PrintThisModelAndSubmodels = 16,
    PrintAllModels = 32,
    PrintFitToPage = 64,
    PrintFooter = 128,
};

// The printer set-up: paper size in thousandths of an inch (A4 by default),
// the print options and an opaque copy of the printer's settings block.
class PageSetup {
  public:
    static constexpr size_t kDevModeSize = 148;

    int32_t PaperWidth = 8271;
    int32_t PaperHeight = 11688;
    uint32_t PrintOptions = 201;
    std::array<uint8_t, kDevModeSize> DevMode{};
    bool HasDevMode = false;
    // The page margins in thousandths of an inch (left, top, right, bottom)
    // a page set-up chose; none until one did, and then printing keeps them.
    std::optional<std::array<int32_t, 4>> Margins;

    // Reads or writes "PrintDefs" ("%d %d %d": options, width, height) under
    // key. A missing or empty value loads 201, 8271 and 11688. Margins, when
    // chosen, follow as four more numbers: a reader that takes the first
    // three still reads the value, and a value of three numbers loads
    // without margins.
    void ExchangeWithRegistry(Registry& registry, const std::string& key, bool save);

    // Keeps a copy of the printer's settings block: the first 148 bytes of
    // data, zero-filled when shorter. A null data with size 0 stores zeros.
    void SetDevMode(const void* data, size_t size);
    // The stored block; false (and out empty) when none is stored.
    bool GetDevMode(std::vector<uint8_t>& out) const;
};

// The main frame's window placement, fields in their stored order.
struct WindowPlacement {
    int32_t length = 0; // 0: nothing stored, start-up keeps the default placement
    int32_t flags = 0;
    int32_t showCmd = 0;
    CPoint minPosition;
    CPoint maxPosition;
    CRect normalPosition;

    static constexpr size_t kFieldCount = 11;
    std::array<int32_t, kFieldCount> ToFields() const;
    void FromFields(const std::array<int32_t, kFieldCount>& fields);
    // Whether this is the placement a load gives when none is stored (the
    // main window has not been closed yet).
    bool IsFirstRunDefault() const;
};

// Reads or writes "WinPos" (eleven "%d" separated by single blanks) under key.
// A missing or empty value loads 44, 0, 1, -1, -1, -4, -4, 38, 33, 926, 628.
void ExchangeWinPos(Registry& registry, const std::string& key, WindowPlacement& placement,
                    bool save);

// The combo-box histories, in their stored order.
enum HistoryList : int {
    HL_NAME,
    HL_NAMESPACE,
    HL_LINK,
    HL_STEREO,
    HL_ATTRIBUTE,
    HL_CONTAINER,
    HL_METHOD,
    HL_ATTR_TYPE,
    HL_RETURN_TYPE,
    HL_PAR_TYPE,
    HL_PARAMETER,
    HL_FIND,
    HL_REPLACE,
    HL_EXCEPTION,
    HL_OTHER,
    HL_TYPE,
    HL_COUNT
};

constexpr size_t kHistorySlots = 10;
inline constexpr const char* kReservedSlot = "<reserved>";
// The registry prefix of a history list ("Name" for HL_NAME).
const char* HistoryPrefix(HistoryList list);

// Reads or writes one history list as the values "<prefix>_0" to "<prefix>_9".
// Saving writes all ten: the slot's text, or "" beyond the list's size. Loading
// makes ten slots, each the value's text when present and not empty, else "<reserved>".
void ExchangeHistoryList(Registry& registry, const std::string& key, const std::string& prefix,
                         std::vector<std::string>& list, bool save);

// A combo box's history exchanged through its items. With load, items become
// the list's slots in order ("<reserved>" included); otherwise the list becomes
// the first items, at most ten.
void ExchangeComboHistory(std::vector<std::string>& items, std::vector<std::string>& list,
                          bool load);
// Adds a combo box's edit text to its items: nothing when the text is empty or
// already an item; otherwise it replaces the first "<reserved>" item, or item 0
// when there is none.
void AddComboTextToHistory(std::vector<std::string>& items, const std::string& text);

class Profile {
  public:
    // Every field empty or zero, the page set-up with its defaults, the
    // histories empty, the placement's length 0.
    Profile();

    // Sets the first-run defaults, then loads the registry over them. Returns 1.
    int SetDefaults();

    // Loads (save false) or saves (save true) the whole record. Loading reads
    // the current user's store, and the machine's store only when the user
    // has no "Options" value: then every non-empty machine value overrides.
    // Saving writes the current user's store. Registry failures are ignored:
    // fields stay as they were.
    void ExchangeWithRegistry(bool save);

    // Upper-cases extension in place and returns the first viewer whose
    // extension equals it, or null. The pointer is valid until Viewers changes.
    ViewerEntry* FindViewer(std::string& extension);
    // Stores a viewer for the extension: unless keepGiven, the program the
    // desktop registers for the extension replaces application. An empty
    // application stores nothing (null). Returns the stored entry.
    ViewerEntry* SetViewer(const std::string& extension, std::string application, bool keepGiven);
    // The default viewers: "txt" gets the registered program, which becomes the
    // fallback; "h", "cpp", "cs", "idl", "java", "php" the registered program
    // or the fallback; "vxs" always the fallback; "htm", "html", "rtf" only a
    // registered program.
    void SetDefaultViewers();

    // Empties every history list.
    void ClearHistory();

    uint32_t Options = 0;
    uint32_t Settings = 0;
    std::string Language;
    int32_t SnapSize = 0;
    int32_t AutosavePeriod = 0;
    int32_t MaxImageWidth = 0;
    int32_t MaxImageHeight = 0;
    // The most memory a script run's cells may take, in megabytes (0 or less:
    // the kernel's default).
    int32_t ScriptMemory = 0;
    std::string HelpFolder;
    std::string NotationFolder;
    std::string DefaultNotation;
    std::string ScriptFolder;
    std::string DefaultLibrary;
    std::string DefaultRefProj;
    std::string RepCacheFile;
    // The repository server: a host name or address, and the port as
    // decimal text (the data port is the one after it); empty until set.
    std::string RepHost;
    std::string RepPort;
    std::string DefaultProject;
    std::vector<ViewerEntry> Viewers;
    qm::PageSetup PageSetup;
    std::array<std::vector<std::string>, HL_COUNT> Histories;
    WindowPlacement WinPos;

    // Set by a load that found the user's "Options" value.
    bool SettingsFound = false;

    // The program the desktop registers for an extension ("" for none). The
    // desktop's opener by default; tests replace it.
    std::function<std::string(const std::string& extension)> RegisteredProgram;

  private:
    void ExchangeProfileKey(Registry& registry, bool save, bool userPass);
    void LoadViewers(Registry& registry, bool userPass);
    void SaveViewers(Registry& registry);
};

// The settings every layer reads (platform/UserSettings.h), answered from a
// Profile's current values: a changed option reaches every reader at once.
class ProfileUserSettings : public UserSettings {
  public:
    explicit ProfileUserSettings(const Profile& profile) : profile_(profile) {}
    uint32_t OptionWord() const override { return profile_.Options; }
    uint32_t SettingWord() const override { return profile_.Settings; }
    int32_t SnapSize() const override { return profile_.SnapSize; }

  private:
    const Profile& profile_;
};

// Converts a stored number the way atoi does (leading blanks, a sign, digits,
// anything after ignored; no digits gives 0), clamping values beyond 32 bits.
int32_t AtoiValue(const std::string& text);

} // namespace qm
