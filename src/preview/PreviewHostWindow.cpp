#include "preview/PreviewHostWindow.h"

#include "flashhost/FlashHostApi.h"

namespace preview {

PreviewHostWindow::PreviewHostWindow(HWND parent, ATOM hostClass) {
    if (hostClass == 0) return;
    window_ = CreateWindowExW(0, MAKEINTATOM(hostClass), nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                              parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr) return;
    // A new child goes to the bottom of its siblings, under the pane's group box, which
    // would clip it away entirely; it belongs on top of that frame.
    SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Right clicks in the pane are swallowed: the player's own menu stays shut.
    flashhost::SetContextMenu(window_, false);
    flashhost::SetAllowFullScreen(window_, true);
}

PreviewHostWindow::~PreviewHostWindow() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}

void PreviewHostWindow::Place(const RECT& place) {
    SetWindowPos(window_, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void PreviewHostWindow::ShowPlaceholder() { flashhost::LoadMovieFromResource(window_, nullptr, L"EMPTY", L"SWF"); }

void PreviewHostWindow::PutFlashVars(const std::wstring& vars) { flashhost::PutFlashVars(window_, vars); }

void PreviewHostWindow::PutMovie(const std::wstring& movie) { flashhost::PutMovie(window_, movie); }

}  // namespace preview
