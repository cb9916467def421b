// The user settings every layer reads: the option word with its bits (defined
// here once), the setting word and the snap size. The settings' owner (the
// document layer's Profile) installs an implementation at start-up; tests
// install FixedUserSettings. Until one is installed every value is 0.
#pragma once

#include "platform/ScopedInstall.h"

#include <cstdint>

namespace qm {

// The bits of the option word.
enum ProfileOption : uint32_t {
    SnapToGrid = 0x1,
    ShowPageBreaks = 0x2,
    HighlightGroups = 0x4, // groups are filled light grey before their members draw
    BackupBeforeSave = 0x8,
    ShowLogWindow = 0x10,
    ShowLinkCardinalities = 0x20,
    AutoResizeToText = 0x40,
    ShowHyperLinks = 0x80, // hyperlinks and submodel markers
    ShowPropertiesOnCreate = 0x100,
    AnnotatePlaces = 0x200,
    AutoSave = 0x400,
    ShowGridLines = 0x800,
    ConfirmModelDelete = 0x1000,
    OfferAddMethod = 0x2000,
    ShowNamespace = 0x4000,
    ShowLinkAccess = 0x8000,
    JustifyAnnotationAsPlace = 0x10000,
    HideClassArguments = 0x20000, // set: parameterized class arguments are hidden
    ShadowPlaces = 0x40000,
};

// The option word of fresh settings.
constexpr uint32_t kDefaultOptions = 0x432F3;

class UserSettings {
  public:
    virtual ~UserSettings() = default;
    // The option word (ProfileOption bits).
    virtual uint32_t OptionWord() const = 0;
    // The setting word.
    virtual uint32_t SettingWord() const = 0;
    // The snap size in model units; segment hit tests never use a smaller tolerance.
    virtual int32_t SnapSize() const = 0;
};

// Settings held as plain values, for tests and before the settings exist.
class FixedUserSettings : public UserSettings {
  public:
    FixedUserSettings(uint32_t options = 0, int32_t snap = 0, uint32_t settingWord = 0)
        : options_(options), snap_(snap), settingWord_(settingWord) {}
    uint32_t OptionWord() const override { return options_; }
    uint32_t SettingWord() const override { return settingWord_; }
    int32_t SnapSize() const override { return snap_; }

    void SetOptionWord(uint32_t options) { options_ = options; }

  private:
    uint32_t options_;
    int32_t snap_;
    uint32_t settingWord_;
};

// The installed settings (all zero until some are installed).
const UserSettings& Settings();
// Installs settings (not owned) and returns the ones replaced; null restores the zero defaults.
const UserSettings* Install(const UserSettings* settings);
// True when every bit of option is set in the installed option word.
bool OptionSet(ProfileOption option);

} // namespace qm
