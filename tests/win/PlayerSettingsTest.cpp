// The player settings dialog, created modeless over the real settings key and driven by
// the messages a user's clicks and keys would send.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/BalloonTip.h"
#include "platform/UniqueHandle.h"
#include "resources/resource.h"
#include "settings/PlayerSettingsDialog.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\Reelkeep";

struct Balloon {
    std::wstring title;
    std::wstring text;
};

using Stored = std::map<std::wstring, std::wstring>;

class PlayerSettings : public testing::Test {
public:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
        framework::SetBalloonObserver([this](HWND, const std::wstring& title, const std::wstring& text) {
            balloons_.push_back({title, text});
        });
    }
    void TearDown() override {
        framework::SetBalloonObserver(nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    }

    // The key with every first-run default, then the given values over them.
    void Store(const Stored& values) const {
        platform::UniqueRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        for (const auto& setting : settings::kSettings) store_.WriteSetting(setting.name, setting.firstRunDefault);
        for (const auto& [name, text] : values) store_.WriteSetting(name, text);
    }
    std::wstring Read(const wchar_t* name) const { return store_.ReadSetting(name); }
    Stored ReadPlayerSettings() const {
        Stored values;
        for (const wchar_t* name : kPlayerNames) values[name] = Read(name);
        return values;
    }

    void Open() {
        dialog_ = std::make_unique<settings::PlayerSettingsDialog>(nullptr);
        ASSERT_TRUE(dialog_->CreateModeless());
        ShowWindow(dialog_->hwnd(), SW_SHOW);
    }
    void Click(int id) const { SendMessageW(dialog_->Item(id), BM_CLICK, 0, 0); }
    void Command(int id, WORD code) const {
        SendMessageW(dialog_->hwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(dialog_->Item(id)));
    }
    // Save or Cancel, then the result the modal loop would give the main window.
    INT_PTR Close(int id) const {
        Command(id, BN_CLICKED);
        return dialog_->RunModalLoop();
    }
    bool Ticked(int id) const { return dialog_->SendItem(id, BM_GETCHECK) == BST_CHECKED; }
    bool Enabled(int id) const { return IsWindowEnabled(dialog_->Item(id)) != FALSE; }
    LRESULT Position(int id) const { return dialog_->SendItem(id, TBM_GETPOS); }
    void SetPosition(int id, int position) const { dialog_->SendItem(id, TBM_SETPOS, TRUE, position); }

    static constexpr const wchar_t* kPlayerNames[] = {L"allowfullscreen", L"fs_mode",   L"allowzoom",
                                                      L"allowtimeline",   L"hintshow",  L"zholderfitbycontent",
                                                      L"volume",          L"nhidemenu", L"iconsize"};

    settings::SettingsStore store_;
    std::unique_ptr<settings::PlayerSettingsDialog> dialog_;
    std::vector<Balloon> balloons_;
};

TEST_F(PlayerSettings, OpeningShowsTheStoredValues) {
    struct Case {
        const char* name;
        Stored stored;
        std::vector<int> ticked;
        std::vector<int> cleared;
        bool qualityEnabled;
        LRESULT volumePosition;
        std::wstring hideMenu;
        LRESULT iconPosition;
    };
    const Case cases[] = {
        {"first-run defaults",
         {},
         {IDC_ALLOW_FULLSCREEN, IDC_FULLSCREEN_NORMAL, IDC_ALLOW_ZOOM, IDC_ALLOW_TIMELINE, IDC_SHOW_HINTS},
         {IDC_FULLSCREEN_LOW, IDC_FULLSCREEN_HIGH, IDC_FIT_BY_CONTENT},
         true,
         -70,
         L"5",
         2},
        {"full screen off, best quality, big icons",
         {{L"allowfullscreen", L"false"},
          {L"fs_mode", L"BEST"},
          {L"allowzoom", L"False"},
          {L"zholderfitbycontent", L"TRUE"},
          {L"volume", L"0"},
          {L"nhidemenu", L"17"},
          {L"iconsize", L"32"}},
         {IDC_FULLSCREEN_HIGH, IDC_FIT_BY_CONTENT, IDC_ALLOW_TIMELINE, IDC_SHOW_HINTS},
         {IDC_ALLOW_FULLSCREEN, IDC_FULLSCREEN_LOW, IDC_FULLSCREEN_NORMAL, IDC_ALLOW_ZOOM},
         false,
         0,
         L"17",
         3},
        {"texts no control knows",
         {{L"allowfullscreen", L"yes"},
          {L"fs_mode", L"high"},
          {L"allowtimeline", L"1"},
          {L"volume", L"250"},
          {L"iconsize", L"24"}},
         {IDC_ALLOW_ZOOM, IDC_SHOW_HINTS},
         {IDC_ALLOW_FULLSCREEN, IDC_FULLSCREEN_LOW, IDC_FULLSCREEN_NORMAL, IDC_FULLSCREEN_HIGH, IDC_ALLOW_TIMELINE},
         false,
         -100,
         L"5",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store(c.stored);
        Open();
        for (int id : c.ticked) EXPECT_TRUE(Ticked(id)) << id;
        for (int id : c.cleared) EXPECT_FALSE(Ticked(id)) << id;
        for (int id : {IDC_FULLSCREEN_LOW, IDC_FULLSCREEN_NORMAL, IDC_FULLSCREEN_HIGH, IDC_FULLSCREEN_QUALITY_LABEL}) {
            EXPECT_EQ(Enabled(id), c.qualityEnabled) << id;
        }
        EXPECT_EQ(Position(IDC_VOLUME), c.volumePosition);
        EXPECT_EQ(dialog_->ItemText(IDC_HIDE_MENU_SECONDS), c.hideMenu);
        EXPECT_EQ(Position(IDC_ICON_SIZE), c.iconPosition);
        dialog_.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    }
}

TEST_F(PlayerSettings, SaveWritesWhatTheControlsShow) {
    struct Case {
        const char* name;
        Stored stored;
        std::function<void(PlayerSettings&)> edit;
        Stored expected;
    };
    const Stored defaults = {{L"allowfullscreen", L"true"},
                             {L"fs_mode", L"normal"},
                             {L"allowzoom", L"true"},
                             {L"allowtimeline", L"true"},
                             {L"hintshow", L"true"},
                             {L"zholderfitbycontent", L"false"},
                             {L"volume", L"70"},
                             {L"nhidemenu", L"5"},
                             {L"iconsize", L"16"}};
    auto with = [&defaults](Stored changes) {
        Stored values = defaults;
        for (auto& [name, text] : changes) values[name] = text;
        return values;
    };
    const Case cases[] = {
        {"nothing moved", {}, [](PlayerSettings&) {}, defaults},
        {"unknown icon size goes back as small",
         {{L"iconsize", L"24"}},
         [](PlayerSettings&) {},
         with({{L"iconsize", L"8"}})},
        {"every control changed",
         {},
         [](PlayerSettings& t) {
             // The quality first: clearing full screen disables its buttons.
             t.Click(IDC_FULLSCREEN_LOW);
             t.Click(IDC_ALLOW_FULLSCREEN);
             t.Click(IDC_ALLOW_ZOOM);
             t.Click(IDC_ALLOW_TIMELINE);
             t.Click(IDC_SHOW_HINTS);
             t.Click(IDC_FIT_BY_CONTENT);
             t.SetPosition(IDC_VOLUME, -25);
             t.dialog_->SetItemText(IDC_HIDE_MENU_SECONDS, L"30");
             t.SetPosition(IDC_ICON_SIZE, 3);
         },
         {{L"allowfullscreen", L"false"},
          {L"fs_mode", L"low"},
          {L"allowzoom", L"false"},
          {L"allowtimeline", L"false"},
          {L"hintshow", L"false"},
          {L"zholderfitbycontent", L"true"},
          {L"volume", L"25"},
          {L"nhidemenu", L"30"},
          {L"iconsize", L"32"}}},
        {"no quality ticked is stored as normal", {{L"fs_mode", L"fast"}}, [](PlayerSettings&) {}, defaults},
        {"an empty delay saved by Enter is stored as the default",
         {},
         [](PlayerSettings& t) { t.dialog_->SetItemText(IDC_HIDE_MENU_SECONDS, L""); },
         defaults},
        {"silent and loudest",
         {{L"volume", L"100"}},
         [](PlayerSettings& t) { t.SetPosition(IDC_VOLUME, 0); },
         with({{L"volume", L"0"}})},
        {"restore then save writes the defaults",
         {{L"allowfullscreen", L"false"},
          {L"fs_mode", L"best"},
          {L"allowzoom", L"false"},
          {L"zholderfitbycontent", L"true"},
          {L"volume", L"3"},
          {L"nhidemenu", L"60"},
          {L"iconsize", L"32"}},
         [](PlayerSettings& t) { t.Click(IDC_PLAYER_RESTORE); },
         defaults},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store(c.stored);
        Open();
        c.edit(*this);
        EXPECT_EQ(Close(IDOK), IDOK);
        EXPECT_EQ(ReadPlayerSettings(), c.expected);
        dialog_.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    }
}

TEST_F(PlayerSettings, CancelWritesNothingEvenAfterRestore) {
    const Stored stored = {{L"allowfullscreen", L"false"},
                           {L"fs_mode", L"low"},
                           {L"volume", L"9"},
                           {L"nhidemenu", L"40"},
                           {L"iconsize", L"8"}};
    Store(stored);
    const Stored before = ReadPlayerSettings();
    Open();
    Click(IDC_PLAYER_RESTORE);
    EXPECT_TRUE(Ticked(IDC_ALLOW_FULLSCREEN));
    EXPECT_TRUE(Ticked(IDC_FULLSCREEN_NORMAL));
    EXPECT_FALSE(Ticked(IDC_FULLSCREEN_LOW));
    EXPECT_TRUE(Enabled(IDC_FULLSCREEN_LOW));
    EXPECT_EQ(Position(IDC_VOLUME), -70);
    EXPECT_EQ(Position(IDC_ICON_SIZE), 2);
    EXPECT_EQ(dialog_->ItemText(IDC_HIDE_MENU_SECONDS), L"5");
    EXPECT_EQ(Close(IDCANCEL), IDCANCEL);
    EXPECT_EQ(ReadPlayerSettings(), before);
}

TEST_F(PlayerSettings, SaveWithoutTheKeyCreatesNothing) {
    Open();
    EXPECT_EQ(Close(IDOK), IDOK);
    platform::UniqueRegKey key;
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) key.release();
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
}

TEST_F(PlayerSettings, FullScreenBoxSwitchesTheQualityChoiceAndKeepsIt) {
    Store({{L"allowfullscreen", L"false"}, {L"fs_mode", L"best"}});
    Open();
    const int quality[] = {IDC_FULLSCREEN_LOW, IDC_FULLSCREEN_NORMAL, IDC_FULLSCREEN_HIGH,
                           IDC_FULLSCREEN_QUALITY_LABEL};
    struct Step {
        bool ticked;
    };
    for (const Step step : {Step{true}, Step{false}, Step{true}}) {
        Click(IDC_ALLOW_FULLSCREEN);
        EXPECT_EQ(Ticked(IDC_ALLOW_FULLSCREEN), step.ticked);
        for (int id : quality) EXPECT_EQ(Enabled(id), step.ticked) << id;
        EXPECT_TRUE(Ticked(IDC_FULLSCREEN_HIGH));
    }
}

TEST_F(PlayerSettings, DelayEditBalloons) {
    Store({});
    Open();
    HWND edit = dialog_->Item(IDC_HIDE_MENU_SECONDS);
    HWND other = dialog_->Item(IDC_ALLOW_ZOOM);

    // A delay left in the edit stays when the focus moves on.
    SetFocus(edit);
    SetFocus(other);
    EXPECT_TRUE(balloons_.empty());
    EXPECT_EQ(dialog_->ItemText(IDC_HIDE_MENU_SECONDS), L"5");

    // An emptied edit gets the default back as the focus leaves it.
    dialog_->SetItemText(IDC_HIDE_MENU_SECONDS, L"");
    SetFocus(edit);
    SetFocus(other);
    ASSERT_EQ(balloons_.size(), 1u);
    EXPECT_EQ(balloons_[0].title, L"The value must be in the range from 0 to 100");
    EXPECT_EQ(balloons_[0].text, L"It was reset to default");
    EXPECT_EQ(dialog_->ItemText(IDC_HIDE_MENU_SECONDS), L"5");

    // A third digit does not fit.
    dialog_->SetItemText(IDC_HIDE_MENU_SECONDS, L"");
    SetFocus(edit);
    for (wchar_t digit : {L'9', L'9', L'7'}) SendMessageW(edit, WM_CHAR, digit, 0);
    EXPECT_EQ(dialog_->ItemText(IDC_HIDE_MENU_SECONDS), L"99");
    ASSERT_EQ(balloons_.size(), 2u);
    EXPECT_EQ(balloons_[1].title, L"Maximum - 99 seconds");
    EXPECT_EQ(balloons_[1].text, L"The value must be in the range from 0 to 100");
}

}  // namespace
