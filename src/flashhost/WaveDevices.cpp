#include "flashhost/WaveDevices.h"

#include "flashhost/RuntimeRules.h"

#include <cstring>

namespace flashhost {

void WaveDevices::Opened(HWAVEOUT device, const WAVEFORMATEX& format) {
    std::lock_guard guard(lock_);
    devices_[device] = Device{format.wBitsPerSample / 8u, format};
}

void WaveDevices::Closed(HWAVEOUT device) {
    std::lock_guard guard(lock_);
    devices_.erase(device);
}

void WaveDevices::Prepare(HWAVEOUT device, WAVEHDR& buffer) {
    std::lock_guard guard(lock_);
    if (buffer.lpData == nullptr) return;
    auto* data = reinterpret_cast<unsigned char*>(buffer.lpData);
    const auto found = devices_.find(device);
    if (!soundOn_) {
        // Silence for 8-bit PCM sits at 128, not at 0.
        const bool eightBit = found != devices_.end() && found->second.bytesPerSample == 1;
        std::memset(data, eightBit ? 128 : 0, buffer.dwBufferLength);
    } else if (found != devices_.end() && volume_ != 65535) {
        ScaleSamples(data, buffer.dwBufferLength, found->second.bytesPerSample, volume_);
    }
}

void WaveDevices::SetSoundOn(bool on) {
    std::lock_guard guard(lock_);
    soundOn_ = on;
}

void WaveDevices::SetVolume(std::uint16_t volume) {
    std::lock_guard guard(lock_);
    volume_ = volume;
}

bool WaveDevices::soundOn() {
    std::lock_guard guard(lock_);
    return soundOn_;
}

std::uint16_t WaveDevices::volume() {
    std::lock_guard guard(lock_);
    return volume_;
}

}  // namespace flashhost
