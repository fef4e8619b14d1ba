#include "flashctl/AudioOutput.h"

#include "flashctl/DecoderCommands.h"

namespace flashctl {

std::unique_ptr<AudioOutput> AudioOutput::Open(const std::wstring& ffmpeg, const std::wstring& clip,
                                               double startSeconds, int volumePercent, bool running) {
    std::unique_ptr<AudioOutput> audio(new AudioOutput());
    audio->bufferDone_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!audio->bufferDone_) return nullptr;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 44100 * 4;
    if (waveOutOpen(&audio->device_, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(audio->bufferDone_), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        audio->device_ = nullptr;
        return nullptr;
    }
    if (!running) waveOutPause(audio->device_);
    audio->SetVolume(volumePercent);

    const std::wstring command = SoundDecodeCommand(ffmpeg, clip, startSeconds);
    DWORD error = 0;
    if (!audio->process_.Start(command, error)) return nullptr;
    audio->feeder_ = std::thread([raw = audio.get()] { raw->Feed(); });
    return audio;
}

AudioOutput::~AudioOutput() {
    stopping_ = true;
    process_.End();
    if (bufferDone_) SetEvent(bufferDone_);
    if (feeder_.joinable()) feeder_.join();
    if (device_) {
        waveOutReset(device_);
        for (WAVEHDR& header : headers_)
            if (header.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(device_, &header, sizeof header);
        waveOutClose(device_);
    }
    if (bufferDone_) CloseHandle(bufferDone_);
}

void AudioOutput::Pause() { waveOutPause(device_); }
void AudioOutput::Resume() { waveOutRestart(device_); }

void AudioOutput::SetVolume(int percent) {
    const DWORD level = static_cast<DWORD>(percent < 0 ? 0 : percent > 100 ? 100 : percent) * 0xFFFF / 100;
    waveOutSetVolume(device_, level | level << 16);
}

void AudioOutput::Feed() {
    for (int i = 0; i < kBufferCount; ++i) {
        buffers_[i].resize(kBufferBytes);
        headers_[i] = WAVEHDR{};
        headers_[i].lpData = buffers_[i].data();
        headers_[i].dwBufferLength = kBufferBytes;
        headers_[i].dwFlags = WHDR_DONE;  // free for the first fill
    }
    while (!stopping_) {
        bool queued = false;
        for (int i = 0; i < kBufferCount && !stopping_; ++i) {
            WAVEHDR& header = headers_[i];
            if (!(header.dwFlags & WHDR_DONE)) continue;
            if (header.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(device_, &header, sizeof header);
            if (!process_.ReadOutput(buffers_[i].data(), kBufferBytes)) return;
            header.dwBufferLength = kBufferBytes;
            header.dwFlags = 0;
            if (waveOutPrepareHeader(device_, &header, sizeof header) != MMSYSERR_NOERROR ||
                waveOutWrite(device_, &header, sizeof header) != MMSYSERR_NOERROR)
                return;
            queued = true;
        }
        if (!queued) WaitForSingleObject(bufferDone_, 250);
    }
}

}  // namespace flashctl
