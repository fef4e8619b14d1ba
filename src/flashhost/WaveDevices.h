#pragma once
// The wave-out devices the image opened, so that the runtime can mute it or scale its
// volume on the way to the device.
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <map>
#include <mutex>

namespace flashhost {

class WaveDevices {
public:
    void Opened(HWAVEOUT device, const WAVEFORMATEX& format);
    void Closed(HWAVEOUT device);
    // Mutes or scales the buffer in place before it goes to the device.
    void Prepare(HWAVEOUT device, WAVEHDR& buffer);

    void SetSoundOn(bool on);
    void SetVolume(std::uint16_t volume);
    bool soundOn();
    std::uint16_t volume();

private:
    struct Device {
        unsigned bytesPerSample;
        WAVEFORMATEX format;
    };
    std::mutex lock_;
    std::map<HWAVEOUT, Device> devices_;
    bool soundOn_ = true;
    std::uint16_t volume_ = 65535;
};

}  // namespace flashhost
