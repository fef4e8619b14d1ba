#include "library/FilterPanel.h"

#include "platform/FileValues.h"
#include "platform/IconList.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <ctime>
#include <span>
#include <string>
#include <utility>

namespace library {

namespace {

SYSTEMTIME ToSystemTime(const LocalDateTime& fields) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(fields.year);
    time.wMonth = static_cast<WORD>(fields.month);
    time.wDay = static_cast<WORD>(fields.day);
    time.wHour = static_cast<WORD>(fields.hour);
    time.wMinute = static_cast<WORD>(fields.minute);
    time.wSecond = static_cast<WORD>(fields.second);
    return time;
}

LocalDateTime FromSystemTime(const SYSTEMTIME& time) {
    return LocalDateTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

LocalDateTime PickerValue(HWND picker) {
    SYSTEMTIME time{};
    SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    return FromSystemTime(time);
}

constexpr int kKindDependentControls[] = {IDC_FILTER_DATE_PRESET,   IDC_FILTER_TIME_PRESET, IDC_FILTER_KEYWORD_MODE,
                                          IDC_FILTER_TIME_FROM,     IDC_FILTER_DATE_FROM,   IDC_FILTER_DATE_TO,
                                          IDC_FILTER_TIME_TO,       IDC_FILTER_FROM_LABEL,  IDC_FILTER_TO_LABEL,
                                          IDC_FILTER_KEYWORD_LABEL, IDC_FILTER_KEYWORD};

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::int64_t SecondsSince1970(const FILETIME& time) {
    constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000;
    return (static_cast<std::int64_t>(platform::FileTimeValue(time)) - kUnixEpochAsFileTime) / 10000000;
}

// When the oldest and the newest clip of the library were made; none for an empty one.
std::optional<ClipSpan> LibraryClipSpan(const std::wstring& folder) {
    std::optional<ClipSpan> span;
    platform::ForEachFile(folder, [&](const WIN32_FIND_DATAW& entry) {
        const std::int64_t created = SecondsSince1970(entry.ftCreationTime);
        if (!span) {
            span = ClipSpan{created, created};
        } else {
            span->oldest = std::min(span->oldest, created);
            span->newest = std::max(span->newest, created);
        }
    });
    return span;
}

}  // namespace

FilterPanel::~FilterPanel() {
    for (HIMAGELIST images : imageLists_) ImageList_Destroy(images);
}

void FilterPanel::AddComboIcons(int comboId, HINSTANCE resources, int stripId) {
    HIMAGELIST images = platform::LoadIconStrip(resources, stripId);
    if (images != nullptr) imageLists_.push_back(images);
    platform::SetComboBoxExImages(Item(comboId), images);
}

void FilterPanel::FillComboEx(int comboId, std::span<const std::wstring_view> texts) {
    HWND combo = Item(comboId);
    for (size_t index = 0; index < texts.size(); ++index) {
        std::wstring text(texts[index]);
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = static_cast<INT_PTR>(index);
        item.pszText = text.data();
        item.iImage = static_cast<int>(index);
        item.iSelectedImage = static_cast<int>(index);
        SendMessageW(combo, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void FilterPanel::Setup() {
    FillComboEx(IDC_FILTER_KIND, kFilterKindTexts);
    FillComboEx(IDC_FILTER_DATE_PRESET, kDatePresetTexts);
    FillComboEx(IDC_FILTER_TIME_PRESET, kTimePresetTexts);
    FillComboEx(IDC_FILTER_KEYWORD_MODE, kKeywordModeTexts);
    for (int id : {IDC_FILTER_DATE_FROM, IDC_FILTER_DATE_TO})
        SendItem(id, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"dd.MM.yyyy"));
    for (int id : {IDC_FILTER_TIME_FROM, IDC_FILTER_TIME_TO})
        SendItem(id, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH:mm:ss"));

    SendItem(IDC_FILTER_KIND, CB_SETCURSEL, 0, 0);
    SendItem(IDC_FILTER_DATE_PRESET, CB_SETCURSEL, static_cast<WPARAM>(kInitialDatePreset), 0);
    SendItem(IDC_FILTER_TIME_PRESET, CB_SETCURSEL, static_cast<WPARAM>(kInitialTimePreset), 0);
    SendItem(IDC_FILTER_KEYWORD_MODE, CB_SETCURSEL, 0, 0);
    ApplyDatePreset();
    ApplyTimePreset();
    OnFilterKindChanged();
    SetItemText(IDC_FILTER_KEYWORD, L"");
}

void FilterPanel::AddIcons(HINSTANCE resources, int combo) {
    static constexpr std::pair<int, int> kStrips[kIconCombos] = {{IDC_FILTER_KIND, IDB_FILTER_KIND_STRIP},
                                                                 {IDC_FILTER_DATE_PRESET, IDB_DATE_PRESET_STRIP},
                                                                 {IDC_FILTER_TIME_PRESET, IDB_TIME_PRESET_STRIP},
                                                                 {IDC_FILTER_KEYWORD_MODE, IDB_KEYWORD_MODE_STRIP}};
    if (combo < 0 || combo >= kIconCombos) return;
    AddComboIcons(kStrips[combo].first, resources, kStrips[combo].second);
}

int FilterPanel::Selection(int comboId) const {
    return static_cast<int>(SendItem(comboId, CB_GETCURSEL, 0, 0));
}

bool FilterPanel::OnCommand(WORD id, WORD code) {
    switch (id) {
    case IDC_FILTER_KIND:
        if (code == CBN_SELCHANGE) OnFilterKindChanged();
        return true;
    case IDC_FILTER_DATE_PRESET:
        if (code == CBN_SELCHANGE) ApplyDatePreset();
        return true;
    case IDC_FILTER_TIME_PRESET:
        if (code == CBN_SELCHANGE) ApplyTimePreset();
        return true;
    case IDC_FILTER_KEYWORD:
        if (code == EN_SETFOCUS) {
            if (ItemText(IDC_FILTER_KEYWORD) == kEnterKeyword) SetItemText(IDC_FILTER_KEYWORD, L"");
        }
        return true;
    default: return false;
    }
}

bool FilterPanel::OnNotify(const NMHDR& header) {
    if (header.code != DTN_DATETIMECHANGE) return false;
    const auto id = static_cast<int>(header.idFrom);
    int preset = -1;
    if (id == IDC_FILTER_DATE_FROM || id == IDC_FILTER_DATE_TO) preset = IDC_FILTER_DATE_PRESET;
    if (id == IDC_FILTER_TIME_FROM || id == IDC_FILTER_TIME_TO) preset = IDC_FILTER_TIME_PRESET;
    if (preset < 0) return false;
    if (!writingPickers_) {
        const WPARAM custom = preset == IDC_FILTER_DATE_PRESET ? static_cast<WPARAM>(DatePreset::CustomDate)
                                                               : static_cast<WPARAM>(TimePreset::CustomTime);
        SendItem(preset, CB_SETCURSEL, custom, 0);
    }
    return true;
}

void FilterPanel::OnFilterKindChanged() {
    for (int id : kKindDependentControls) ShowWindow(Item(id), SW_HIDE);
    auto show = [this](std::initializer_list<int> ids) {
        for (int id : ids) ShowWindow(Item(id), SW_SHOW);
    };
    switch (Selection(IDC_FILTER_KIND)) {
    case 0:
        show({IDC_FILTER_DATE_PRESET, IDC_FILTER_FROM_LABEL, IDC_FILTER_TO_LABEL, IDC_FILTER_DATE_FROM,
              IDC_FILTER_DATE_TO});
        break;
    case 1:
        show({IDC_FILTER_TIME_PRESET, IDC_FILTER_FROM_LABEL, IDC_FILTER_TO_LABEL, IDC_FILTER_TIME_FROM,
              IDC_FILTER_TIME_TO});
        break;
    case 2:
        show({IDC_FILTER_KEYWORD_MODE, IDC_FILTER_KEYWORD_LABEL, IDC_FILTER_KEYWORD});
        SetItemText(IDC_FILTER_KEYWORD, std::wstring(kEnterKeyword));
        break;
    default: break;
    }
}

void FilterPanel::WritePickers(int fromId, int toId, const PickerRange& range) {
    writingPickers_ = true;
    SYSTEMTIME from = ToSystemTime(range.from);
    SYSTEMTIME to = ToSystemTime(range.to);
    SendItem(fromId, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&from));
    SendItem(toId, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&to));
    writingPickers_ = false;
}

void FilterPanel::ApplyDatePreset() {
    const auto preset = static_cast<DatePreset>(Selection(IDC_FILTER_DATE_PRESET));
    // Only "All Time" needs the clips' days, and only it pays for the folder's listing.
    const std::optional<ClipSpan> clips =
        preset == DatePreset::AllTime ? LibraryClipSpan(libraryFolder_) : std::nullopt;
    const auto range = DatePresetRange(preset, Now(), clips);
    if (range) WritePickers(IDC_FILTER_DATE_FROM, IDC_FILTER_DATE_TO, *range);
}

void FilterPanel::ApplyTimePreset() {
    const auto range = TimePresetRange(static_cast<TimePreset>(Selection(IDC_FILTER_TIME_PRESET)), Now());
    if (range) WritePickers(IDC_FILTER_TIME_FROM, IDC_FILTER_TIME_TO, *range);
}

std::optional<ClipFilter> FilterPanel::ReadClipFilter() const {
    FilterControls controls;
    controls.kindSelection = Selection(IDC_FILTER_KIND);
    controls.datePresetSelection = Selection(IDC_FILTER_DATE_PRESET);
    controls.fromDate = PickerValue(Item(IDC_FILTER_DATE_FROM));
    controls.toDate = PickerValue(Item(IDC_FILTER_DATE_TO));
    controls.fromTime = PickerValue(Item(IDC_FILTER_TIME_FROM));
    controls.toTime = PickerValue(Item(IDC_FILTER_TIME_TO));
    controls.keyword = ItemText(IDC_FILTER_KEYWORD);
    controls.keywordModeSelection = Selection(IDC_FILTER_KEYWORD_MODE);
    return ClipFilterFromControls(controls);
}

}  // namespace library
