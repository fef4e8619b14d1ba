#include "framework/Pickers.h"

#include "framework/MultiSelection.h"

#include <commdlg.h>
#include <shlobj.h>

#include <atomic>
#include <vector>

namespace framework {

namespace {

int CALLBACK SelectInitialFolder(HWND browser, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

class SystemPickers final : public Pickers {
public:
    std::optional<std::wstring> OpenFile(HWND owner, const std::wstring& title, const std::wstring& filter,
                                         const std::wstring& initialFolder) override {
        std::vector<wchar_t> path(MAX_PATH, L'\0');
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = owner;
        dialog.lpstrFilter = filter.c_str();
        dialog.lpstrFile = path.data();
        dialog.nMaxFile = static_cast<DWORD>(path.size());
        dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
        dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
        dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        if (!GetOpenFileNameW(&dialog)) return std::nullopt;
        return std::wstring(path.data());
    }

    std::optional<std::vector<std::wstring>> OpenFiles(const std::wstring& filter) override {
        std::vector<wchar_t> buffer(4096, L'\0');
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.lpstrFilter = filter.c_str();
        dialog.nFilterIndex = 1;
        dialog.lpstrFile = buffer.data();
        dialog.nMaxFile = static_cast<DWORD>(buffer.size());
        dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        if (!GetOpenFileNameW(&dialog)) return std::nullopt;
        return SplitMultiSelection(std::wstring_view(buffer.data(), buffer.size()));
    }

    std::optional<std::wstring> BrowseFolder(HWND owner, const std::wstring& title,
                                             const std::wstring& initialFolder) override {
        BROWSEINFOW browse{};
        browse.hwndOwner = owner;
        browse.lpszTitle = title.c_str();
        browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        browse.lpfn = SelectInitialFolder;
        browse.lParam = reinterpret_cast<LPARAM>(initialFolder.empty() ? nullptr : initialFolder.c_str());
        PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
        if (chosen == nullptr) return std::nullopt;
        wchar_t path[MAX_PATH] = {};
        const BOOL resolved = SHGetPathFromIDListW(chosen, path);
        CoTaskMemFree(chosen);
        if (!resolved) return std::nullopt;
        return std::wstring(path);
    }
};

SystemPickers systemPickers;
std::atomic<Pickers*> installed{nullptr};

}  // namespace

Pickers& pickers() {
    Pickers* current = installed.load();
    return current != nullptr ? *current : systemPickers;
}

Pickers* SetPickers(Pickers* replacement) { return installed.exchange(replacement); }

}  // namespace framework
