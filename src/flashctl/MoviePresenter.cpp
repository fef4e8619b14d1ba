#include "flashctl/MoviePresenter.h"

#include "flashctl/DecoderProcess.h"
#include "flashctl/FullScreenWindow.h"
#include "flashctl/MovieFile.h"
#include "flashctl/PaneMessages.h"

namespace flashctl {

namespace {

const COLORREF kBarColor = RGB(40, 40, 40);
const COLORREF kBarInk = RGB(230, 230, 230);
const COLORREF kBarAccent = RGB(90, 160, 230);

void FillBox(HDC dc, const Box& box, COLORREF color) {
    const RECT rect{box.left, box.top, box.right, box.bottom};
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

bool IsDark(COLORREF color) { return GetRValue(color) * 3 + GetGValue(color) * 6 + GetBValue(color) < 128 * 10; }

}  // namespace

MoviePresenter::MoviePresenter(HWND pane) : pane_(pane), ffmpeg_(FfmpegBesideProgram()) {}

MoviePresenter::~MoviePresenter() { Unload(); }

void MoviePresenter::RequestLoad(const std::wstring& movie, const std::wstring& flashVars, bool hostAllowsFullScreen) {
    // The movie shown so far ends now, as the host expects of a new Movie.
    Unload();
    loadPending_ = true;
    pendingMovie_ = movie;
    pendingFlashVars_ = flashVars;
    hostAllowsFullScreen_ = hostAllowsFullScreen;
    PostMessageW(pane_, WM_APP_LOAD_MOVIE, ++loadGeneration_, 0);
}

void MoviePresenter::OnLoadMessage(WPARAM generation) {
    if (generation != loadGeneration_) return;
    loadPending_ = false;
    const bool shown = Load(pendingMovie_, pendingFlashVars_);
    if (loaded_) loaded_(shown);
}

bool MoviePresenter::Load(const std::wstring& movie, const std::wstring& flashVars) {
    Unload();
    const MovieFile file = OpenMovieFile(MovieFilePath(movie));
    problem_ = file.problem;
    if (!problem_.empty()) {
        Invalidate();
        return false;
    }
    background_ = file.header.backgroundRgb
                      ? RGB(*file.header.backgroundRgb >> 16, *file.header.backgroundRgb >> 8 & 0xFF,
                            *file.header.backgroundRgb & 0xFF)
                      : RGB(255, 255, 255);
    frameCount_ = file.header.frameCount;
    isPlayer_ = file.header.isPlayerMovie;
    if (isPlayer_) {
        options_ = ReadMovieParameters(movie, flashVars);
        volume_ = options_.volumePercent;
        if (!options_.contentPath.empty()) StartRun(0, options_.autoplay);
    }
    Invalidate();
    return true;
}

void MoviePresenter::Unload() {
    EndFullScreen();
    StopRun();
    still_ = VideoFrame{};
    isPlayer_ = false;
    problem_.clear();
    options_ = MovieParameters{};
    background_ = RGB(255, 255, 255);
    frameCount_ = 0;
    knownDuration_ = 0;
    lastPaintedIndex_ = -1;
    presented_ = 0;
}

void MoviePresenter::StartRun(double atSeconds, bool running) {
    StopRun();
    problem_.clear();
    DecoderSettings settings;
    settings.ffmpeg = ffmpeg_;
    settings.clip = options_.contentPath;
    settings.startSeconds = atSeconds;
    settings.running = running;
    settings.notify = pane_;
    settings.frameMessage = WM_APP_FRAME_READY;
    settings.finishedMessage = WM_APP_DECODER_FINISHED;
    decoder_ = std::make_unique<VideoDecoder>(std::move(settings));
    audio_ = AudioOutput::Open(ffmpeg_, options_.contentPath, atSeconds, volume_, running);
    decoder_->SetSoundSetsThePace(audio_ != nullptr);
}

void MoviePresenter::StopRun() {
    if (!decoder_) return;
    // Keep the picture of the run being replaced until the next run shows its own.
    decoder_->WithFrame([&](const VideoFrame& frame) { still_ = frame; });
    knownDuration_ = duration();
    audio_.reset();
    decoder_.reset();
}

double MoviePresenter::duration() const {
    const double reported = decoder_ ? decoder_->durationSeconds() : 0;
    return reported > 0 ? reported : knownDuration_;
}

double MoviePresenter::position() const {
    if (!decoder_) return 0;
    const double at = decoder_->Position();
    const double length = duration();
    return length > 0 && at > length ? length : at;
}

bool MoviePresenter::playing() const {
    return decoder_ && decoder_->running() && decoder_->state() != VideoDecoder::State::Ended &&
           decoder_->state() != VideoDecoder::State::Failed;
}

void MoviePresenter::Play() {
    if (!isPlayer_ || options_.contentPath.empty()) return;
    if (!decoder_ || decoder_->state() == VideoDecoder::State::Ended ||
        decoder_->state() == VideoDecoder::State::Failed) {
        StartRun(0, true);
    } else {
        decoder_->Resume();
        if (audio_) audio_->Resume();
    }
    Invalidate();
}

void MoviePresenter::Pause() {
    if (!decoder_) return;
    decoder_->Pause();
    if (audio_) audio_->Pause();
    Invalidate();
}

void MoviePresenter::SeekTo(double fraction) {
    const double length = duration();
    if (length <= 0) return;
    StartRun(fraction * length, playing());
    Invalidate();
}

void MoviePresenter::OnFrameReady() {
    if (decoder_) decoder_->FrameMessageHandled();
    Invalidate();
}

void MoviePresenter::OnDecoderFinished() { Invalidate(); }

std::wstring MoviePresenter::message() const {
    if (problem_.empty() && decoder_ && decoder_->state() == VideoDecoder::State::Failed)
        return L"This clip cannot be played.\n" + decoder_->problem();
    return problem_;
}

void MoviePresenter::OnClick(HWND window, int x, int y) {
    if (!isPlayer_) return;
    RECT client;
    GetClientRect(window, &client);
    const PaneLayout layout = Layout(client);
    switch (layout.HitTest(x, y)) {
    case BarPart::PlayPause: playing() ? Pause() : Play(); break;
    case BarPart::Timeline: SeekTo(layout.TimelineFraction(x)); break;
    case BarPart::Volume:
        volume_ = layout.VolumeAt(x);
        if (audio_) audio_->SetVolume(volume_);
        Invalidate();
        break;
    case BarPart::FullScreen: ToggleFullScreen(); break;
    case BarPart::None:
        if (layout.picture.Contains(x, y)) playing() ? Pause() : Play();
        break;
    }
}

void MoviePresenter::OnDoubleClick(HWND window, int x, int y) {
    RECT client;
    GetClientRect(window, &client);
    if (isPlayer_ && Layout(client).picture.Contains(x, y) && (fullScreen_ || fullScreenAllowed())) ToggleFullScreen();
}

void MoviePresenter::ToggleFullScreen() {
    if (fullScreen_) {
        EndFullScreen();
        return;
    }
    if (!fullScreenAllowed()) return;
    fullScreen_ = CreateFullScreenWindow(pane_, this);
}

void MoviePresenter::EndFullScreen() {
    if (!fullScreen_) return;
    const HWND window = fullScreen_;
    fullScreen_ = nullptr;
    DestroyWindow(window);
    Invalidate();
}

void MoviePresenter::Invalidate() {
    InvalidateRect(pane_, nullptr, FALSE);
    if (fullScreen_) InvalidateRect(fullScreen_, nullptr, FALSE);
}

PaneLayout MoviePresenter::Layout(const RECT& area) const {
    if (!isPlayer_) {
        PaneLayout whole;
        whole.picture = {area.left, area.top, area.right, area.bottom};
        return whole;
    }
    PaneLayout layout = LayOutPane(area.right - area.left, area.bottom - area.top, options_.allowTimeline,
                                   fullScreenAllowed() || fullScreen_);
    return layout;
}

void MoviePresenter::Paint(HDC dc, const RECT& area) {
    const PaneLayout layout = Layout(area);
    FillBox(dc, {area.left, area.top, area.right, area.bottom}, background_);
    PaintPicture(dc, layout);
    std::wstring text = message();
    // ffmpeg takes a moment to start: say so rather than leave a blank pane.
    if (text.empty() && decoder_ && decoder_->state() == VideoDecoder::State::Starting && still_.pixels.empty())
        text = L"Opening the clip...";
    if (!text.empty()) PaintText(dc, layout.picture, text);
    if (isPlayer_) PaintBar(dc, layout);
}

void MoviePresenter::PaintPicture(HDC dc, const PaneLayout& layout) {
    auto draw = [&](const VideoFrame& frame) {
        const Box box = FitPicture(frame.width, frame.height, layout.picture);
        if (box.empty()) return;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = frame.width;
        info.bmiHeader.biHeight = -frame.height;  // top-down rows, as ffmpeg writes them
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, box.left, box.top, box.width(), box.height(), 0, 0, frame.width, frame.height,
                      frame.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
        if (frame.index != lastPaintedIndex_) {
            lastPaintedIndex_ = frame.index;
            ++presented_;
        }
    };
    bool drawn = false;
    if (decoder_)
        decoder_->WithFrame([&](const VideoFrame& frame) {
            draw(frame);
            drawn = true;
        });
    if (!drawn && !still_.pixels.empty()) draw(still_);
}

void MoviePresenter::PaintText(HDC dc, const Box& area, const std::wstring& text) {
    RECT rect{area.left + 8, area.top + 8, area.right - 8, area.bottom - 8};
    const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsDark(background_) ? RGB(255, 255, 255) : RGB(0, 0, 0));
    RECT measured = rect;
    DrawTextW(dc, text.c_str(), -1, &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
    const int height = measured.bottom - measured.top;
    rect.top += (rect.bottom - rect.top - height) / 2;
    DrawTextW(dc, text.c_str(), -1, &rect, DT_CENTER | DT_WORDBREAK);
    SelectObject(dc, oldFont);
}

void MoviePresenter::PaintBar(HDC dc, const PaneLayout& layout) {
    FillBox(dc, layout.bar, kBarColor);
    const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc, kBarInk);
    const Box& button = layout.playPause;
    const int midX = (button.left + button.right) / 2, midY = (button.top + button.bottom) / 2;
    if (playing()) {
        FillBox(dc, {midX - 5, midY - 6, midX - 2, midY + 6}, kBarInk);
        FillBox(dc, {midX + 2, midY - 6, midX + 5, midY + 6}, kBarInk);
    } else {
        const POINT triangle[] = {{midX - 4, midY - 7}, {midX + 6, midY}, {midX - 4, midY + 7}};
        Polygon(dc, triangle, 3);
    }
    if (!layout.timeline.empty()) {
        const Box& line = layout.timeline;
        const int trackY = (line.top + line.bottom) / 2;
        FillBox(dc, {line.left, trackY - 2, line.right, trackY + 2}, RGB(100, 100, 100));
        const double length = duration();
        const double fraction = length > 0 ? position() / length : 0;
        const int reached = line.left + static_cast<int>(fraction * line.width());
        FillBox(dc, {line.left, trackY - 2, reached, trackY + 2}, kBarAccent);
        FillBox(dc, {reached - 2, trackY - 6, reached + 2, trackY + 6}, kBarInk);
    }
    if (!layout.volume.empty()) {
        const Box& gauge = layout.volume;
        const int filled = gauge.left + gauge.width() * volume_ / 100;
        const POINT all[] = {{gauge.left, gauge.bottom}, {gauge.right, gauge.bottom}, {gauge.right, gauge.top}};
        SetDCBrushColor(dc, RGB(100, 100, 100));
        Polygon(dc, all, 3);
        const int filledTop = gauge.bottom - gauge.height() * volume_ / 100;
        const POINT part[] = {{gauge.left, gauge.bottom}, {filled, gauge.bottom}, {filled, filledTop}};
        SetDCBrushColor(dc, kBarAccent);
        Polygon(dc, part, 3);
    }
    if (!layout.fullScreen.empty()) {
        const Box& box = layout.fullScreen;
        const int x = (box.left + box.right) / 2, y = (box.top + box.bottom) / 2;
        FillBox(dc, {x - 8, y - 6, x + 8, y + 6}, kBarInk);
        FillBox(dc, {x - 6, y - 4, x + 6, y + 4}, kBarColor);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
}

std::wstring MoviePresenter::state() const {
    if (loadPending_) return L"loading";
    if (!problem_.empty()) return L"error";
    if (!isPlayer_ || !decoder_) return L"none";
    switch (decoder_->state()) {
    case VideoDecoder::State::Starting: return L"loading";
    case VideoDecoder::State::Ended: return L"ended";
    case VideoDecoder::State::Failed: return L"error";
    case VideoDecoder::State::Running: break;
    }
    return decoder_->running() ? L"playing" : L"paused";
}

std::wstring MoviePresenter::Variable(const std::wstring& name) const {
    if (name == L"state") return state();
    if (name == L"message") return message();
    if (name == L"presentedFrames") return std::to_wstring(presented_);
    if (name == L"decodedFrames") return std::to_wstring(decoder_ ? decoder_->decodedFrames() : 0);
    if (name == L"droppedFrames") return std::to_wstring(decoder_ ? decoder_->droppedFrames() : 0);
    if (name == L"framesPerSecond") return std::to_wstring(decoder_ ? decoder_->framesPerSecond() : 0);
    if (name == L"duration") return std::to_wstring(duration());
    if (name == L"position") return std::to_wstring(position());
    if (name == L"volume") return std::to_wstring(volume_);
    if (name == L"content") return options_.contentPath;
    return {};
}

}  // namespace flashctl
