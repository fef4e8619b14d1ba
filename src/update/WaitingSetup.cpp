#include "update/WaitingSetup.h"

#include "platform/Sha256.h"
#include "update/Publisher.h"
#include "update/UpdateRules.h"

#include <future>

namespace update {

namespace {

// The marker is a line of 64 digits; anything much longer is not ours.
std::optional<std::string> ReadMarker(const std::wstring& path) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char text[128];
    DWORD read = 0;
    if (!file || !ReadFile(file.get(), text, sizeof text, &read, nullptr)) return std::nullopt;
    return std::string(text, read);
}

bool HoldsUp(const HeldFile& setup, const std::string& marker, const std::wstring& program, std::int64_t now) {
    // The file's digest and its signature's digest are two passes over every byte: side by
    // side they take half the time that a start waits.
    auto digest = std::async(std::launch::async, [&setup] { return platform::Sha256Of(setup.bytes()); });
    const auto publisher = Publisher::OfProgram(program);
    const bool signedByUs = publisher && publisher->Check(setup.bytes(), now) == SetupVerdict::Offer;
    return MarkerNames(marker, digest.get()) && signedByUs;
}

}  // namespace

std::optional<WaitingSetup> WaitingSetup::Find(const std::wstring& updatesFolder, const std::wstring& program,
                                               std::int64_t now) {
    const std::wstring installer = updatesFolder + kInstallerName;
    const std::wstring markerPath = updatesFolder + kMarkerName;
    // A set-up without its marker is a download cut short, or one that somebody put there.
    const auto marker = ReadMarker(markerPath);
    if (marker) {
        auto setup = HeldFile::Open(installer);
        if (setup && HoldsUp(*setup, *marker, program, now)) return WaitingSetup(installer, std::move(*setup));
    }
    DeleteFileW(installer.c_str());
    DeleteFileW(markerPath.c_str());
    return std::nullopt;
}

}  // namespace update
