// The installed user settings.
#include "platform/UserSettings.h"

#include <utility>

namespace qm {

namespace {

const UserSettings* installed = nullptr;

const UserSettings& Defaults() {
    static const FixedUserSettings defaults;
    return defaults;
}

} // namespace

const UserSettings& Settings() {
    return installed != nullptr ? *installed : Defaults();
}

const UserSettings* Install(const UserSettings* settings) {
    return std::exchange(installed, settings);
}

bool OptionSet(ProfileOption option) {
    return (Settings().OptionWord() & option) == option;
}

} // namespace qm
