#pragma once
// The keys a release names for signing its successors: its own and spares kept offline,
// so that a key can be rolled without leaving installed copies behind. The signing step
// writes them into the program's resource RELEASE_KEYS (installer/name-keys.sh); a build
// that nobody signed names none and takes no update. Portable.
#include "platform/Sha256.h"

#include <span>
#include <vector>

namespace update {

// A key is known by the SHA-256 of its DER SubjectPublicKeyInfo, as
// `openssl pkey -pubin -outform DER | sha256sum` prints it.
using KeyFingerprint = platform::Sha256Digest;

// The resource is text: a title line, then one line per slot of 64 hexadecimal digits, or
// of 64 dashes while the slot is empty. Anything else names no key at all.
std::vector<KeyFingerprint> ParseReleaseKeys(std::span<const std::uint8_t> resource);

// The resource of the program file `program`.
std::vector<KeyFingerprint> ReleaseKeysOf(std::span<const std::uint8_t> program);

}  // namespace update
