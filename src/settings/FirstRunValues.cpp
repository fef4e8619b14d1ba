#include "settings/FirstRunValues.h"

#include "settings/SettingsTable.h"

namespace settings {

std::vector<SettingValue> FirstRunValues(std::wstring_view myVideos) {
    std::vector<SettingValue> values;
    values.reserve(kSettings.size());
    for (const SettingDefinition& setting : kSettings) {
        if (setting.name == kConvertPath.name) {
            if (!myVideos.empty()) values.push_back({setting.name, myVideos});
            continue;
        }
        values.push_back({setting.name, setting.firstRunDefault});
    }
    return values;
}

}  // namespace settings
