#pragma once
// Our publisher is whoever holds a key that the running release names (its own and the
// spares kept offline, update/ReleaseKeys.h): only a set-up signed with one of them may
// replace it. A name in a certificate proves nothing (anyone can make a certificate that
// copies ours), and a root the machine trusts vouches for every publisher it ever
// certified, not for us.
#include "update/ReleaseKeys.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace update {

enum class SetupVerdict {
    Offer,
    NotSigned,   // no signature that holds
    RidesAlong,  // bytes in the certificate table that nobody signed
    Changed,     // bytes changed after signing
    Expired,     // a certificate out of date, and no trusted timestamp from its time
    NotOurKey,   // signed, but with a key this release does not name
    NotNewer,    // its own version resource is not above the running version
};

class Publisher {
public:
    // The keys the release `program` names; none for a build that nobody signed, which
    // accepts no set-up at all.
    static std::optional<Publisher> OfProgram(const std::wstring& program);
    explicit Publisher(std::vector<KeyFingerprint> keys) : keys_(std::move(keys)) {}

    // Whether the set-up `file` (its whole bytes, read through a handle that keeps writers
    // out) may be offered at `now` (seconds since 1970 UTC).
    SetupVerdict Check(std::span<const std::uint8_t> file, std::int64_t now) const;

private:
    std::vector<KeyFingerprint> keys_;
};

}  // namespace update
