#pragma once
// The preview's player control: one host window of the in-memory runtime, a child of the
// main window, driven through the host's messages.
#include <windows.h>

#include "preview/PreviewPlayer.h"

namespace preview {

class PreviewHostWindow : public PreviewHost {
public:
    // Creates the host window from the runtime's class; check `created()`.
    PreviewHostWindow(HWND parent, ATOM hostClass);
    ~PreviewHostWindow() override;
    PreviewHostWindow(const PreviewHostWindow&) = delete;
    PreviewHostWindow& operator=(const PreviewHostWindow&) = delete;

    bool created() const { return window_ != nullptr; }
    HWND hwnd() const { return window_; }
    // Moves the pane to `place`, in the parent's client pixels.
    void Place(const RECT& place);

    void ShowPlaceholder() override;
    void PutFlashVars(const std::wstring& vars) override;
    void PutMovie(const std::wstring& movie) override;

private:
    HWND window_ = nullptr;
};

}  // namespace preview
