#pragma once
// Every file picker of the program goes through the Pickers, so tests can script them.
#include <windows.h>
#include <optional>
#include <string>
#include <vector>

namespace framework {

class Pickers {
public:
    virtual ~Pickers() = default;
    // The open-file dialog. `filter` is in the system's double-NUL-separated form.
    // Returns the chosen path, or nothing on cancel.
    virtual std::optional<std::wstring> OpenFile(HWND owner, const std::wstring& title, const std::wstring& filter,
                                                 const std::wstring& initialFolder) = 0;
    // The open-file dialog with several files allowed and no owner, so it can run on a
    // worker. Returns the chosen full paths, or nothing on cancel.
    // A replacement that does not script it answers as a cancelled dialog.
    virtual std::optional<std::vector<std::wstring>> OpenFiles(const std::wstring& filter) {
        (void)filter;
        return std::nullopt;
    }
    // The folder browser, starting at `initialFolder`. Nothing on cancel.
    virtual std::optional<std::wstring> BrowseFolder(HWND owner, const std::wstring& title,
                                                     const std::wstring& initialFolder) = 0;
};

Pickers& pickers();
Pickers* SetPickers(Pickers* replacement);

}  // namespace framework
