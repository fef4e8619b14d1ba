#include "preview/PreviewPlayer.h"

#include <utility>

namespace preview {

PreviewPlayer::PreviewPlayer(PreviewHost* host, std::wstring programFolder)
    : host_(host), programFolder_(std::move(programFolder)) {}

void PreviewPlayer::PreviewClip(const std::wstring& path, PreviewStart start, PreviewReload reload) {
    if (start == PreviewStart::Playing) {
        if (!path.empty()) Load(path, PreviewStart::Playing);
        return;
    }
    if (path != lastPreviewedPath_) {
        if (!path.empty()) Load(path, PreviewStart::Paused);
        lastPreviewedPath_ = path;
        return;
    }
    if (reload == PreviewReload::Always && !path.empty()) Load(path, PreviewStart::Paused);
}

void PreviewPlayer::ShowPlaceholder() {
    if (host_ != nullptr) host_->ShowPlaceholder();
}

// The player movie reads FlashVars when it starts, so they go in before the Movie.
void PreviewPlayer::Load(const std::wstring& path, PreviewStart start) {
    if (host_ == nullptr) return;
    host_->ShowPlaceholder();
    host_->PutFlashVars(FlashVarsFor(path));
    host_->PutMovie(ComposeMovie(programFolder_, start, settingsVars_));
}

}  // namespace preview
