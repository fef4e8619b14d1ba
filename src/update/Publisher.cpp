#include "update/Publisher.h"

#include "platform/Authenticode.h"
#include "platform/PeImage.h"
#include "update/HeldFile.h"
#include "update/UpdateRules.h"

#include <algorithm>

namespace update {

std::optional<Publisher> Publisher::OfProgram(const std::wstring& program) {
    const auto file = HeldFile::Open(program);
    std::vector<KeyFingerprint> keys = file ? ReleaseKeysOf(file->bytes()) : std::vector<KeyFingerprint>{};
    if (keys.empty()) return std::nullopt;
    return Publisher(std::move(keys));
}

SetupVerdict Publisher::Check(std::span<const std::uint8_t> file, std::int64_t now) const {
    const platform::SignatureCheck signature = platform::CheckAuthenticode(file, now);
    switch (signature.problem) {
    case platform::SignatureProblem::None: break;
    case platform::SignatureProblem::NotSigned: return SetupVerdict::NotSigned;
    case platform::SignatureProblem::RidesAlong: return SetupVerdict::RidesAlong;
    case platform::SignatureProblem::Changed: return SetupVerdict::Changed;
    case platform::SignatureProblem::Expired: return SetupVerdict::Expired;
    }
    if (std::ranges::find(keys_, signature.signerKey) == keys_.end()) return SetupVerdict::NotOurKey;
    // The version the set-up says of itself, under the signature: not the server's word.
    const auto version = platform::ReadProductVersion(file);
    if (!version || !IsNewerVersion(*version)) return SetupVerdict::NotNewer;
    return SetupVerdict::Offer;
}

}  // namespace update
