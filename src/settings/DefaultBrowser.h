#pragma once
// Which browser the user chose as the default: the browser switch that covers it.
#include "settings/GeneralSettingsRules.h"

#include <windows.h>

#include <optional>
#include <string>

namespace settings {

// Where Windows records the user's choice of program for each kind of address, under
// "<scheme>\UserChoice".
inline constexpr wchar_t kUrlAssociationsKey[] =
    L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\";

// The ProgId of the user's choice for https (then http) addresses; the browser it names;
// and where there is none, or it names another browser, the shell's old "open" command
// for web addresses, as before.
Browser DetectDefaultBrowser();

}  // namespace settings
