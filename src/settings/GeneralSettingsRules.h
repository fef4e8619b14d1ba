#pragma once
// The decisions of the general settings dialog that need no window: which browser boxes a
// mode ticks, which mode a set of boxes reads as, and the texts the dialog stores.
// Portable: no Windows header.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace settings {

// The drop-down's entries, in list order; the index is what "bsel" stores.
enum class BrowserMode { All = 0, Default = 1, Custom = 2 };

// The browsers in the order of the "browsers" text and of the dialog's boxes.
enum class Browser { InternetExplorer = 0, Firefox = 1, Chrome = 2, Opera = 3 };
inline constexpr std::size_t kBrowserCount = 4;

using BrowserChecks = std::array<bool, kBrowserCount>;

// The word that names each browser in a shell command ("iexplore", "firefox", ...).
std::wstring_view BrowserWord(Browser browser);

// The default browser named by the shell's "open" command for web addresses: the first of
// the four words found, case-sensitively, in that order, then the programs of the other
// browsers the Chrome switch covers (Edge, Brave, Vivaldi, Chromium). A command naming none
// of them, or none at all, counts as Internet Explorer.
Browser DefaultBrowserFromCommand(std::optional<std::wstring_view> command);

// The switch that covers the browser of a URL association's ProgId as Windows records the
// user's choice ("ChromeHTML", "MSEdgeHTM", "BraveHTML", "VivaldiHTM", "ChromiumHTM",
// "FirefoxURL-308046B0AF4A39CB", "OperaStable", "OperaGXStable", "IE.HTTPS", ...);
// nothing for a ProgId of another browser.
std::optional<Browser> BrowserOfProgId(std::wstring_view progId);

// The boxes a mode ticks: all four, only the default browser's, or none.
BrowserChecks ChecksForMode(BrowserMode mode, Browser defaultBrowser);

// After a click on a browser box: the last ticked box cannot be cleared by a click, so an
// all-clear set gets the clicked box back.
BrowserChecks KeepOneBrowser(BrowserChecks checks, Browser clicked);

// The mode a set of boxes reads as. One box that is not the default browser's is a custom
// choice, not whatever mode happened to be shown before.
BrowserMode ModeForChecks(const BrowserChecks& checks, Browser defaultBrowser);

bool NoBrowserChecked(const BrowserChecks& checks);

// "bsel" as a mode; a number outside the list shows the first entry.
BrowserMode ModeFromSetting(std::wstring_view text);
std::wstring ModeSetting(BrowserMode mode);

// "browsers": "1" for a ticked and "0" for a cleared box, in browser order.
std::wstring BrowsersSetting(const BrowserChecks& checks);
// Applies "browsers" to the boxes by the rule shared with the main window's switches.
BrowserChecks ApplyBrowsersSetting(std::wstring_view text, BrowserChecks checks);

// The dialog reads a switch strictly: "true" ticks, "false" clears, and any other text
// leaves the box as it was (nullopt).
std::optional<bool> StrictSwitch(std::wstring_view text);
}  // namespace settings
