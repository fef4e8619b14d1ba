#pragma once
// The per-user settings key: every setting is a REG_SZ value under HKCU. The key is opened
// and closed around each operation, so the store holds no handle and is safe to use from
// any thread; the last writer of a value wins.
#include "platform/Text.h"
#include "settings/FirstRunValues.h"
#include "settings/SettingsTable.h"
#include "settings/SettingsText.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace settings {

inline constexpr std::wstring_view kSettingsKeyPath = L"SOFTWARE\\Reelkeep";

enum class EnsureOutcome {
    AlreadyPresent,  // the key existed: nothing was written
    Created,         // the key was created and the defaults written
    CreateFailed,    // the key could not be created: every setting will read empty
};

class SettingsStore {
public:
    // Receives the My Videos path when the first run creates the key (the main window
    // shows it in its output-folder box). Empty when the shell knows no such folder.
    using OutputFolderSink = std::function<void(const std::wstring& myVideos)>;

    // The subkey under HKCU; tests pass a scratch key.
    explicit SettingsStore(std::wstring subkey = std::wstring(kSettingsKeyPath));

    // The stored text, or empty when the key or value is missing, the value is not a
    // string, holds 260 or more characters, or is malformed.
    std::wstring ReadSetting(std::wstring_view name) const;
    std::wstring ReadSetting(const SettingDefinition& setting) const { return ReadSetting(setting.name); }

    // Stores the text as REG_SZ. Never creates the key; false when the key did not open
    // or the write failed.
    bool WriteSetting(std::wstring_view name, std::wstring_view text) const;
    bool WriteSetting(const SettingDefinition& setting, std::wstring_view text) const {
        return WriteSetting(setting.name, text);
    }

    // A switch or a number through its row of the settings table, whose kind is checked
    // when the program is built: a switch is never read as a number, nor a word as a switch.
    template <const SettingDefinition& setting>
    bool ReadSwitch() const {
        static_assert(setting.kind == SettingKind::Switch, "this setting is not a switch");
        return IsSwitchOn(ReadSetting(setting));
    }
    template <const SettingDefinition& setting>
    bool WriteSwitch(bool on) const {
        static_assert(setting.kind == SettingKind::Switch, "this setting is not a switch");
        return WriteSetting(setting, SwitchText(on));
    }
    template <const SettingDefinition& setting>
    std::int32_t ReadNumber() const {
        static_assert(setting.kind == SettingKind::Number, "this setting is not a number");
        return platform::ParseNumber(ReadSetting(setting));
    }
    template <const SettingDefinition& setting>
    bool WriteNumber(std::int64_t value) const {
        static_assert(setting.kind == SettingKind::Number, "this setting is not a number");
        return WriteSetting(setting, std::to_wstring(value));
    }

    // Opens the key once and writes every value in order, with the same effect as a
    // sequence of WriteSetting calls. False when the key did not open or any write failed
    // (later values are still written).
    bool WriteSettings(std::span<const SettingValue> values) const;
    bool WriteSettings(std::initializer_list<SettingValue> values) const {
        return WriteSettings(std::span<const SettingValue>(values.begin(), values.size()));
    }

    // First run: when the key is missing, creates it, hands the My Videos path to the sink
    // and writes the defaults in table order. An existing key is left exactly as it is,
    // even when values are missing from it.
    EnsureOutcome EnsureSettings(const OutputFolderSink& showOutputFolder) const;

    const std::wstring& subkey() const { return subkey_; }

private:
    std::wstring subkey_;
};

}  // namespace settings
