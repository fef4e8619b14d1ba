// Every dialog of the resource script works from the keyboard: Tab walks the controls in
// reading order, every control one works with is a tab stop, and the mnemonics of a
// dialog (its labels, buttons and, for the main window, its menu bar) never clash among
// the controls shown together and each lands on the control it labels.
#include <gtest/gtest.h>

#include "convert/ConvertJob.h"
#include "library/ViewLayout.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Control {
    std::string keyword;  // LTEXT, PUSHBUTTON, CONTROL, ...
    std::string text;     // caption, empty when the control has none
    std::string id;
    std::string className;  // for CONTROL statements
    int left = 0, top = 0, right = 0, bottom = 0;
    bool tabStop = false;
    bool visible = true;
};

struct DialogTemplate {
    std::string name;
    bool hasMainMenu = false;
    std::vector<Control> controls;
};

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Splits at the commas that are not inside a quoted string.
std::vector<std::string> SplitArguments(const std::string& text) {
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            parts.emplace_back();
            continue;
        }
        parts.back() += c;
    }
    for (std::string& part : parts) part = Trim(part);
    return parts;
}

std::string Unquote(const std::string& text) {
    return text.size() >= 2 && text.front() == '"' ? text.substr(1, text.size() - 2) : std::string();
}

bool HasStyle(const std::string& styles, const std::string& style) {
    size_t at = 0;
    while ((at = styles.find(style, at)) != std::string::npos) {
        const bool negated = at >= 4 && styles.compare(at - 4, 4, "NOT ") == 0;
        if (!negated) return true;
        at += style.size();
    }
    return false;
}

// One control statement; the keyword decides where text, id, place and style are.
Control ParseControl(const std::string& keyword, const std::string& rest) {
    static const std::vector<std::string> captioned = {
        "LTEXT", "RTEXT", "CTEXT", "GROUPBOX", "PUSHBUTTON", "DEFPUSHBUTTON", "AUTOCHECKBOX", "AUTORADIOBUTTON"};
    static const std::vector<std::string> inputs = {"PUSHBUTTON",      "DEFPUSHBUTTON", "AUTOCHECKBOX",
                                                    "AUTORADIOBUTTON", "EDITTEXT",      "COMBOBOX"};
    const std::vector<std::string> args = SplitArguments(rest);
    Control control;
    control.keyword = keyword;
    size_t place = 0;
    std::string styles;
    if (keyword == "CONTROL") {
        control.text = Unquote(args.at(0));
        control.id = args.at(1);
        control.className = Unquote(args.at(2));
        styles = args.at(3);
        place = 4;
    } else {
        const bool hasCaption = std::find(captioned.begin(), captioned.end(), keyword) != captioned.end();
        if (hasCaption) control.text = Unquote(args.at(0));
        control.id = args.at(hasCaption ? 1 : 0);
        place = hasCaption ? 2 : 1;
        if (args.size() > place + 4) styles = args.at(place + 4);
    }
    control.left = std::stoi(args.at(place));
    control.top = std::stoi(args.at(place + 1));
    control.right = control.left + std::stoi(args.at(place + 2));
    // A combo box's height in the template is that of its open list.
    const bool combo = keyword == "COMBOBOX" || control.className == "ComboBoxEx32";
    control.bottom = control.top + (combo ? 14 : std::stoi(args.at(place + 3)));
    const bool inputByDefault = std::find(inputs.begin(), inputs.end(), keyword) != inputs.end();
    control.tabStop =
        (inputByDefault || HasStyle(styles, "WS_TABSTOP")) && styles.find("NOT WS_TABSTOP") == std::string::npos;
    control.visible = styles.find("NOT WS_VISIBLE") == std::string::npos;
    return control;
}

struct ResourceScript {
    std::vector<DialogTemplate> dialogs;
    std::vector<std::string> menuBar;  // captions of the main menu's top-level popups
};

ResourceScript ReadResourceScript() {
    std::ifstream file(REELKEEP_SOURCE_DIR "/src/resources/Reelkeep.rc");
    EXPECT_TRUE(file.good()) << "cannot read the resource script";
    ResourceScript script;
    std::string line;
    DialogTemplate* dialog = nullptr;
    bool inBody = false;
    bool inMenu = false;
    int menuDepth = 0;
    while (std::getline(file, line)) {
        const std::string text = Trim(line);
        std::istringstream words(text);
        std::string first, second;
        words >> first >> second;
        if (second == "DIALOGEX") {
            script.dialogs.push_back({first, false, {}});
            dialog = &script.dialogs.back();
            inBody = false;
        } else if (second == "MENU" && first == "IDR_MAIN_MENU") {
            inMenu = true;
        } else if (inMenu) {
            if (first == "BEGIN") ++menuDepth;
            if (first == "END" && --menuDepth == 0) inMenu = false;
            if (first == "POPUP" && menuDepth == 1) script.menuBar.push_back(Unquote(Trim(text.substr(5))));
        } else if (dialog != nullptr && !inBody) {
            if (first == "MENU") dialog->hasMainMenu = true;
            if (first == "BEGIN") inBody = true;
        } else if (dialog != nullptr) {
            if (first == "END") {
                dialog = nullptr;
            } else if (!first.empty() && first.rfind("//", 0) != 0) {
                dialog->controls.push_back(ParseControl(first, text.substr(first.size())));
            }
        }
    }
    return script;
}

// The letter after a single '&', lower-cased; 0 when the caption has none.
char MnemonicOf(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
    }
    return 0;
}

bool IsLabel(const Control& control) {
    return control.keyword == "LTEXT" || control.keyword == "RTEXT" || control.keyword == "CTEXT" ||
           control.keyword == "GROUPBOX";
}

bool OverlapHorizontally(const Control& a, const Control& b) { return a.left < b.right && b.left < a.right; }
bool OverlapVertically(const Control& a, const Control& b) { return a.top < b.bottom && b.top < a.bottom; }

const ResourceScript& Script() {
    static const ResourceScript script = ReadResourceScript();
    return script;
}

// Guards the reader itself: a dialog or menu it missed would pass every check below.
TEST(DialogKeyboard, TheReaderFindsEveryDialogAndTheMenuBar) {
    std::vector<std::string> names;
    for (const DialogTemplate& dialog : Script().dialogs) names.push_back(dialog.name);
    EXPECT_EQ(names.size(), 7u) << testing::PrintToString(names);
    EXPECT_EQ(Script().menuBar.size(), 5u);
}

TEST(DialogKeyboard, TabWalksEachDialogInReadingOrder) {
    for (const DialogTemplate& dialog : Script().dialogs) {
        SCOPED_TRACE(dialog.name);
        std::vector<const Control*> stops;
        for (const Control& control : dialog.controls)
            if (control.tabStop) stops.push_back(&control);
        for (size_t i = 0; i < stops.size(); ++i) {
            for (size_t j = i + 1; j < stops.size(); ++j) {
                const Control& earlier = *stops[i];
                const Control& later = *stops[j];
                const bool backUp = later.bottom <= earlier.top && OverlapHorizontally(earlier, later);
                const bool backLeft = later.right <= earlier.left && OverlapVertically(earlier, later);
                EXPECT_FALSE(backUp || backLeft) << later.id << " comes after " << earlier.id << " but reads before it";
            }
        }
    }
}

TEST(DialogKeyboard, EveryControlOneWorksWithIsATabStop) {
    const std::vector<std::string> workClasses = {"SysListView32", "ComboBoxEx32", "SysDateTimePick32",
                                                  "msctls_trackbar32"};
    const std::vector<std::string> workKeywords = {"EDITTEXT", "COMBOBOX", "PUSHBUTTON", "DEFPUSHBUTTON",
                                                   "AUTOCHECKBOX"};
    for (const DialogTemplate& dialog : Script().dialogs) {
        SCOPED_TRACE(dialog.name);
        for (const Control& control : dialog.controls) {
            const bool works =
                std::find(workClasses.begin(), workClasses.end(), control.className) != workClasses.end() ||
                std::find(workKeywords.begin(), workKeywords.end(), control.keyword) != workKeywords.end();
            // A never-shown helper (an anchor for a balloon) is no stop on purpose.
            if (works && control.visible) {
                EXPECT_TRUE(control.tabStop) << control.id;
            }
        }
    }
}

// The numbers of the control names, from resource.h.
std::map<std::string, int> ReadControlIds() {
    std::ifstream file(REELKEEP_SOURCE_DIR "/src/resources/resource.h");
    std::map<std::string, int> ids;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string define, name;
        int number = 0;
        if (words >> define >> name >> number && define == "#define") ids[name] = number;
    }
    return ids;
}

// The Convert button says "Stop" while it converts: that caption needs a letter too.
const Control& StopCaption() {
    static const Control stop = [] {
        Control control;
        for (wchar_t c : convert::ConvertButtonCaption(convert::ConvertButtonState::Converting))
            control.text += static_cast<char>(c);
        control.id = "IDC_CONVERT while converting";
        return control;
    }();
    return stop;
}

// The sets of controls a user meets at the same time. A hidden control takes no
// mnemonic, so the main window's layouts, which hide parts of the convert panel, may
// reuse a letter between them.
std::vector<std::vector<const Control*>> ShownTogether(const DialogTemplate& dialog) {
    std::vector<std::vector<const Control*>> sets;
    const bool main = dialog.hasMainMenu;
    static const std::map<std::string, int> ids = ReadControlIds();
    for (int mode : main ? std::vector<int>{library::kViewSimple, library::kViewStandard, library::kViewAdvanced}
                         : std::vector<int>{0}) {
        const auto layout = library::LayoutForViewMode(mode);
        const auto shownInLayout = [&](const Control& control) {
            if (!main) return true;
            const auto id = ids.find(control.id);
            const int number = id == ids.end() ? -1 : id->second;
            const auto panel = library::ConvertPanelControls();
            const auto shown = layout->shownControls;
            return std::find(panel.begin(), panel.end(), number) == panel.end() ||
                   std::find(shown.begin(), shown.end(), number) != shown.end();
        };
        std::vector<const Control*> set;
        for (const Control& control : dialog.controls) {
            if (!shownInLayout(control)) continue;
            set.push_back(&control);
            if (control.id == "IDC_CONVERT") set.push_back(&StopCaption());
        }
        sets.push_back(set);
    }
    return sets;
}

TEST(DialogKeyboard, MnemonicsAreUniqueAndLandOnTheControlTheyLabel) {
    for (const DialogTemplate& dialog : Script().dialogs) {
        SCOPED_TRACE(dialog.name);
        for (const std::vector<const Control*>& shown : ShownTogether(dialog)) {
            std::map<char, std::string> taken;
            if (dialog.hasMainMenu) {
                // A menu caption without '&' opens with its first letter.
                for (const std::string& popup : Script().menuBar) {
                    const char letter = MnemonicOf(popup);
                    taken[letter != 0 ? letter : static_cast<char>(std::tolower(popup.at(0)))] = "menu " + popup;
                }
            }
            for (const Control* control : shown) {
                const char letter = MnemonicOf(control->text);
                if (letter == 0) continue;
                const auto [where, fresh] = taken.emplace(letter, control->id);
                EXPECT_TRUE(fresh) << "'" << letter << "' of " << control->id << " is taken by " << where->second;
            }
        }
        int mnemonics = 0;
        for (size_t i = 0; i < dialog.controls.size(); ++i) {
            const Control& control = dialog.controls[i];
            if (MnemonicOf(control.text) == 0) continue;
            ++mnemonics;
            if (!IsLabel(control)) continue;
            // A label hands the focus to the next tab stop: it must be the one beside or under it.
            const auto target = std::find_if(dialog.controls.begin() + static_cast<long>(i) + 1, dialog.controls.end(),
                                             [](const Control& next) { return next.tabStop; });
            ASSERT_NE(target, dialog.controls.end()) << control.id << " leads nowhere";
            const bool near =
                target->top >= control.top - 6 && target->top <= control.top + 24 && target->left >= control.left - 12;
            EXPECT_TRUE(near) << control.id << " lands on the distant " << target->id;
        }
        const bool hasControls = std::any_of(dialog.controls.begin(), dialog.controls.end(),
                                             [](const Control& control) { return control.tabStop; });
        if (hasControls) {
            EXPECT_GT(mnemonics, 0);
        }
    }
}

}  // namespace
