#include "update/WaitingSetup.h"

#include "platform/FileValues.h"
#include "platform/Sha256.h"
#include "update/Publisher.h"
#include "update/UpdateRules.h"

#include <string_view>

namespace update {

std::optional<HeldFile> ReadHeldFile(const std::wstring& path) {
    HeldFile held{platform::UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr)),
                  {}};
    LARGE_INTEGER size{};
    if (!held.handle || !GetFileSizeEx(held.handle.get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > kLargestInstaller)
        return std::nullopt;
    held.bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!held.bytes.empty() &&
        (!ReadFile(held.handle.get(), held.bytes.data(), static_cast<DWORD>(held.bytes.size()), &read, nullptr) ||
         read != held.bytes.size()))
        return std::nullopt;
    return held;
}

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
    if (!MarkerNames(marker, platform::Sha256Of(setup.bytes))) return false;
    const auto publisher = Publisher::OfProgram(program);
    return publisher && publisher->Check(setup.bytes, now) == SetupVerdict::Offer;
}

}  // namespace

std::optional<WaitingSetup> WaitingSetup::Find(const std::wstring& updatesFolder, const std::wstring& program,
                                                std::int64_t now) {
    const std::wstring installer = updatesFolder + kInstallerName;
    const std::wstring markerPath = updatesFolder + kMarkerName;
    // A set-up without its marker is a download cut short, or one that somebody put there.
    const auto marker = ReadMarker(markerPath);
    if (marker) {
        auto setup = ReadHeldFile(installer);
        if (setup && HoldsUp(*setup, *marker, program, now))
            return WaitingSetup(installer, std::move(setup->handle));
    }
    DeleteFileW(installer.c_str());
    DeleteFileW(markerPath.c_str());
    return std::nullopt;
}

}  // namespace update
