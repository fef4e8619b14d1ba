#pragma once
// Whether a program file carries an Authenticode signature that holds, checked by the
// program itself, the same way on Windows and under Wine: nothing in the certificate table
// but the signature, a digest that covers the whole file but the parts the format leaves
// out, a signature over it by the certificate it names, and that certificate inside its
// validity now, or at the time of an RFC 3161 timestamp from an authority the system trusts.
#include "platform/Sha256.h"

#include <cstdint>
#include <span>
#include <string>

namespace platform {

enum class SignatureProblem {
    None,
    NotSigned,   // no signature, or one that does not verify
    RidesAlong,  // bytes in or after the certificate table that nobody signed
    Changed,     // the file's bytes are not those that were signed
    Expired,     // outside the certificate's validity, with no trusted timestamp inside it
};

struct SignatureCheck {
    SignatureProblem problem = SignatureProblem::NotSigned;
    Sha256Digest signerKey{};  // SHA-256 of the signer certificate's DER SubjectPublicKeyInfo
};

// `file` is the whole file, read through a handle that keeps writers out; `now` is seconds
// since 1970 UTC.
SignatureCheck CheckAuthenticode(std::span<const std::uint8_t> file, std::int64_t now);

// The system's own verdict on the file (WinVerifyTrust): on Windows its certificate chain
// and the machine's policy besides. It hashes the file with the system's code, most of a
// second for 20 MB under Wine, so only the background asks it. No server is asked.
bool SystemTrustsFile(const std::wstring& path);

}  // namespace platform
