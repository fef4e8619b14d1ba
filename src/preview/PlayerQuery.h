#pragma once
// What the preview hands the player movie: the FlashVars text and the movie path with its
// query string. Nothing is escaped: the player reads "content" as the whole rest of the
// FlashVars text, so blanks, "&" and "=" in a path arrive as they are. Portable.
#include "settings/SettingsTable.h"

#include <functional>
#include <string>
#include <string_view>

namespace preview {

// Reads one stored setting; a missing one reads as the empty text.
using SettingReader = std::function<std::wstring(const settings::SettingDefinition& setting)>;

// The player-settings part of the query string, in its fixed order.
std::wstring BuildPlayerSettingsVars(const SettingReader& read);

// "content=" followed by the clip path.
std::wstring FlashVarsFor(const std::wstring& clipPath);

enum class PreviewStart { Paused, Playing };

// The program folder (ending in a backslash), "player.swf", the play or still query, the
// settings part and the frame tail.
std::wstring ComposeMovie(const std::wstring& programFolder, PreviewStart start, const std::wstring& settingsVars);

}  // namespace preview
