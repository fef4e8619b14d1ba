#pragma once
// What the pane shows and how it reacts: the loaded movie's background, and for our player
// movie the clip (its frames, its sound, the control bar, full screen). Runs on the thread
// of the pane window; the decoder threads reach it only through posted messages.
#include "flashctl/AudioOutput.h"
#include "flashctl/PaneLayout.h"
#include "flashctl/MovieParameters.h"
#include "flashctl/VideoDecoder.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace flashctl {

class MoviePresenter {
public:
    explicit MoviePresenter(HWND pane);
    ~MoviePresenter();
    MoviePresenter(const MoviePresenter&) = delete;
    MoviePresenter& operator=(const MoviePresenter&) = delete;

    // Called after each load with whether the movie could be shown.
    void SetLoadedCallback(std::function<void(bool)> loaded) { loaded_ = std::move(loaded); }
    // Asks for the movie at `movie` (a path with its query string) to replace what is
    // shown. It is opened from a posted message: a host that names an in-memory movie
    // fills it only after setting the name, and of several requests in a row only the
    // last is opened.
    void RequestLoad(const std::wstring& movie, const std::wstring& flashVars, bool hostAllowsFullScreen);
    void OnLoadMessage(WPARAM generation);
    void Unload();
    void SetHostAllowsFullScreen(bool allowed) { hostAllowsFullScreen_ = allowed; }

    void Paint(HDC dc, const RECT& area);
    void OnClick(HWND window, int x, int y);
    void OnDoubleClick(HWND window, int x, int y);
    void OnFrameReady();
    void OnDecoderFinished();
    void EndFullScreen();

    void Play();
    void Pause();
    bool playing() const;
    COLORREF background() const { return background_; }
    int frameCount() const { return frameCount_; }
    long currentFrame() const { return lastPaintedIndex_; }
    // Values the player movie exposes as movie variables (see FlashObject::GetVariable).
    std::wstring Variable(const std::wstring& name) const;

private:
    // Returns false when the movie could not be shown (its problem is then on the pane).
    bool Load(const std::wstring& movie, const std::wstring& flashVars);
    void StartRun(double atSeconds, bool running);
    void StopRun();
    void SeekTo(double fraction);
    void ToggleFullScreen();
    void Invalidate();
    void PaintPicture(HDC dc, const PaneLayout& layout);
    void PaintBar(HDC dc, const PaneLayout& layout);
    void PaintText(HDC dc, const Box& area, const std::wstring& text);
    PaneLayout Layout(const RECT& area) const;
    bool fullScreenAllowed() const { return options_.allowFullScreen && hostAllowsFullScreen_; }
    double duration() const;
    double position() const;
    std::wstring state() const;
    // The problem shown over the picture, if any.
    std::wstring message() const;

    HWND pane_;
    std::function<void(bool)> loaded_;
    std::wstring pendingMovie_;
    std::wstring pendingFlashVars_;
    WPARAM loadGeneration_ = 0;
    bool loadPending_ = false;
    HWND fullScreen_ = nullptr;
    bool hostAllowsFullScreen_ = false;
    COLORREF background_ = RGB(255, 255, 255);
    int frameCount_ = 0;
    bool isPlayer_ = false;
    std::wstring problem_;  // why the movie could not be shown
    MovieParameters options_;
    std::wstring ffmpeg_;
    int volume_ = 100;
    double knownDuration_ = 0;

    std::unique_ptr<VideoDecoder> decoder_;
    std::unique_ptr<AudioOutput> audio_;
    VideoFrame still_;  // the last frame of a replaced run, shown until the new run has one
    long lastPaintedIndex_ = -1;
    long presented_ = 0;
};

}  // namespace flashctl
