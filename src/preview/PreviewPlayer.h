#pragma once
// When the preview loads a clip, and how. The main window hands over the path of the row
// in question (empty for a row outside the list); this decides whether it is loaded,
// paused or playing, and remembers the path last shown paused. Portable: the host window
// is reached through PreviewHost.
#include "preview/PlayerQuery.h"

#include <string>

namespace preview {

// The preview's player control, as far as the preview drives it.
class PreviewHost {
public:
    virtual ~PreviewHost() = default;
    // Loads the blank placeholder movie, which also ends any playback.
    virtual void ShowPlaceholder() = 0;
    virtual void PutFlashVars(const std::wstring& vars) = 0;
    virtual void PutMovie(const std::wstring& movie) = 0;
};

// Whether a clip already shown paused is loaded again.
enum class PreviewReload { IfChanged, Always };

class PreviewPlayer {
public:
    // Without a host (no player runtime) every request does nothing.
    PreviewPlayer(PreviewHost* host, std::wstring programFolder);

    // A play request always restarts the clip playing. Otherwise a new path is loaded
    // paused and remembered (also when empty); the remembered one only with Always.
    void PreviewClip(const std::wstring& path, PreviewStart start, PreviewReload reload);
    void ShowPlaceholder();
    void SetSettingsVars(std::wstring vars) { settingsVars_ = std::move(vars); }

    const std::wstring& lastPreviewedPath() const { return lastPreviewedPath_; }
    const std::wstring& settingsVars() const { return settingsVars_; }

private:
    void Load(const std::wstring& path, PreviewStart start);

    PreviewHost* host_;
    std::wstring programFolder_;
    std::wstring settingsVars_;
    std::wstring lastPreviewedPath_;
};

}  // namespace preview
