#pragma once
// What an Authenticode signature says, read from its DER: the digest of the file that was
// signed, the signer's signature value, the RFC 3161 timestamp that may vouch for it, and
// the certificate facts the program checks itself. Nothing here verifies a signature: the
// system does that (platform/Authenticode.h); this only reads what it verified. Portable.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform {

enum class DigestAlgorithm { Sha1, Sha256, Other };

struct AuthenticodeContent {
    DigestAlgorithm fileDigestAlgorithm = DigestAlgorithm::Other;
    std::vector<std::uint8_t> fileDigest;
    // The first signer's signature value: what an RFC 3161 timestamp's imprint is the hash of.
    std::vector<std::uint8_t> signatureValue;
    // That signer's RFC 3161 timestamp token (a signed data of its own), when it has one.
    std::vector<std::uint8_t> timestampToken;
};

// The PKCS #7 signed data of a file's certificate table; none when it is not one, or when
// its signed attributes do not hold the SHA-256 of its content.
std::optional<AuthenticodeContent> ReadAuthenticodeContent(std::span<const std::uint8_t> signedData);

// What an RFC 3161 token's TSTInfo says; none when the token's signed attributes do not
// hold the SHA-256 of it. The system checks the token's own signature.
struct TimestampInfo {
    DigestAlgorithm imprintAlgorithm = DigestAlgorithm::Other;
    std::vector<std::uint8_t> imprint;
    std::int64_t time = 0;  // seconds since 1970-01-01 UTC
};
std::optional<TimestampInfo> ReadTimestampInfo(std::span<const std::uint8_t> token);

struct CertificateFacts {
    std::vector<std::uint8_t> publicKeyInfo;  // the DER SubjectPublicKeyInfo
    std::int64_t notBefore = 0;
    std::int64_t notAfter = 0;
};
std::optional<CertificateFacts> ReadCertificate(std::span<const std::uint8_t> certificate);

}  // namespace platform
