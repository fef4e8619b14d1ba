#include "preview/PreviewPlayer.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace preview {
namespace {

const std::map<std::wstring, std::wstring> kDefaults = {
    {L"allowfullscreen", L"true"},
    {L"fs_mode", L"normal"},
    {L"allowzoom", L"true"},
    {L"allowtimeline", L"true"},
    {L"hintshow", L"true"},
    {L"zholderfitbycontent", L"false"},
    {L"volume", L"70"},
    {L"nhidemenu", L"5"},
    {L"iconsize", L"16"},
};

SettingReader ReaderOver(std::map<std::wstring, std::wstring> values) {
    return [values](const settings::SettingDefinition& setting) {
        const auto found = values.find(std::wstring(setting.name));
        return found == values.end() ? std::wstring() : found->second;
    };
}

// Records what the preview asked of its host, one line per call.
class RecordingHost : public PreviewHost {
public:
    std::vector<std::wstring> calls;
    void ShowPlaceholder() override { calls.push_back(L"placeholder"); }
    void PutFlashVars(const std::wstring& vars) override { calls.push_back(L"vars " + vars); }
    void PutMovie(const std::wstring& movie) override { calls.push_back(L"movie " + movie); }
};

TEST(PlayerQueryTest, DefaultSettingsComposeTheExactMovieText) {
    const std::wstring vars = BuildPlayerSettingsVars(ReaderOver(kDefaults));
    EXPECT_EQ(FlashVarsFor(L"C:\\P\\Videos\\Clip.flv"), L"content=C:\\P\\Videos\\Clip.flv");
    EXPECT_EQ(ComposeMovie(L"C:\\P\\", PreviewStart::Playing, vars),
              L"C:\\P\\player.swf?allowembed=false&allowcopylink=false&ads_allow=false&showlogo=false&autoplay=true"
              L"&allowfullscreen=true&fs_mode=normal&allowzoom=true&allowtimeline=true&hintshow=true"
              L"&zholderfitbycontent=false&volume=70&nhidemenu=5&fhidemenu=5&iconsize=16"
              L"&zholdercornerradius=15&zholderbgcolor=0x000000&zholderpadding=2&zholdercontur=1"
              L"&zholdercontourcolor=0x000000&zholderconturalpha=1");
    EXPECT_EQ(ComposeMovie(L"C:\\P\\", PreviewStart::Paused, L"").find(L"autoplay"), std::wstring::npos);
}

TEST(PlayerQueryTest, SettingsValuesShapeTheirKeys) {
    const struct {
        std::map<std::wstring, std::wstring> changes;
        std::wstring expected;
    } cases[] = {
        {{{L"fs_mode", L"BEST"}}, L"&fs_mode=best&"},
        {{{L"fs_mode", L"Low"}}, L"&fs_mode=low&"},
        {{{L"nhidemenu", L"7"}}, L"&nhidemenu=7&fhidemenu=7&"},
        {{{L"allowzoom", L"TRUE"}, {L"hintshow", L"yes"}}, L"&allowzoom=true&allowtimeline=true&hintshow=false&"},
        {{{L"volume", L""}}, L"&volume=&"},
        {{{L"iconsize", L"a&b"}}, L"&iconsize=a&b"},
    };
    for (const auto& c : cases) {
        auto values = kDefaults;
        for (const auto& [name, value] : c.changes) values[name] = value;
        EXPECT_NE(BuildPlayerSettingsVars(ReaderOver(values)).find(c.expected), std::wstring::npos)
            << std::string(c.expected.begin(), c.expected.end());
    }
    for (const wchar_t* mode : {L"high", L"", L" normal"}) {
        auto values = kDefaults;
        values[L"fs_mode"] = mode;
        EXPECT_EQ(BuildPlayerSettingsVars(ReaderOver(values)).find(L"fs_mode"), std::wstring::npos);
    }
    EXPECT_EQ(BuildPlayerSettingsVars(ReaderOver({})),
              L"&allowfullscreen=false&allowzoom=false&allowtimeline=false&hintshow=false"
              L"&zholderfitbycontent=false&volume=&nhidemenu=&fhidemenu=&iconsize=");
}

TEST(PreviewPlayerTest, LoadsFollowTheSelectionRules) {
    RecordingHost host;
    PreviewPlayer preview(&host, L"C:\\P x&y\\");
    const std::wstring a = L"C:\\P x&y\\Videos\\a b&c=d.flv";
    const std::wstring b = L"C:\\P x&y\\Videos\\b.flv";
    const std::wstring loadA = L"vars content=" + a;
    const struct {
        const char* step;
        std::wstring path;
        PreviewStart start;
        PreviewReload reload;
        std::vector<std::wstring> loads;  // FlashVars of each load, in order
        bool autoplay;
        std::wstring last;
    } steps[] = {
        {"a new row loads paused", a, PreviewStart::Paused, PreviewReload::IfChanged, {loadA}, false, a},
        {"the same row does nothing", a, PreviewStart::Paused, PreviewReload::IfChanged, {}, false, a},
        {"Enter restarts playing", a, PreviewStart::Playing, PreviewReload::IfChanged, {loadA}, true, a},
        {"closing reloads it paused", a, PreviewStart::Paused, PreviewReload::Always, {loadA}, false, a},
        {"up on the top row loads nothing", L"", PreviewStart::Paused, PreviewReload::IfChanged, {}, false, L""},
        {"so the shown clip loads again", a, PreviewStart::Paused, PreviewReload::IfChanged, {loadA}, false, a},
        {"play of no row does nothing", L"", PreviewStart::Playing, PreviewReload::IfChanged, {}, false, a},
        {"another row", b, PreviewStart::Paused, PreviewReload::Always, {L"vars content=" + b}, false, b},
        {"reload of no row", L"", PreviewStart::Paused, PreviewReload::Always, {}, false, L""},
    };
    for (const auto& step : steps) {
        host.calls.clear();
        preview.PreviewClip(step.path, step.start, step.reload);
        std::vector<std::wstring> loads;
        for (std::size_t i = 0; i < host.calls.size(); i += 3) {
            ASSERT_EQ(host.calls[i], L"placeholder") << step.step;
            ASSERT_LT(i + 2, host.calls.size()) << step.step;
            loads.push_back(host.calls[i + 1]);
            EXPECT_EQ(host.calls[i + 2].find(L"movie C:\\P x&y\\player.swf?"), 0u) << step.step;
            EXPECT_EQ(host.calls[i + 2].find(L"autoplay=true") != std::wstring::npos, step.autoplay) << step.step;
        }
        EXPECT_EQ(loads, step.loads) << step.step;
        EXPECT_EQ(preview.lastPreviewedPath(), step.last) << step.step;
    }
    // The placeholder leaves the remembered path alone; without a host nothing happens.
    preview.ShowPlaceholder();
    EXPECT_EQ(preview.lastPreviewedPath(), L"");
    PreviewPlayer hostless(nullptr, L"C:\\P\\");
    hostless.PreviewClip(a, PreviewStart::Playing, PreviewReload::Always);
    hostless.ShowPlaceholder();
}

}  // namespace
}  // namespace preview
