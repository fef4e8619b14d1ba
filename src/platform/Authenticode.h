#pragma once
// Who signed a program file, as far as the system vouches for it (Authenticode).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The signer certificate's public key as the certificate carries it. Two certificates with
// equal keys were issued to whoever holds the one private key, whatever their names say.
struct SignerKey {
    std::string algorithm;                 // the key algorithm's object identifier
    std::vector<std::uint8_t> parameters;  // the algorithm's encoded parameters (an elliptic curve's name)
    std::vector<std::uint8_t> bits;        // the encoded public key
    bool operator==(const SignerKey&) const = default;
};

// The key of the certificate that signed `path`, when the system verifies the file's
// signature: the bytes are those that were signed and, on Windows, the certificate chains
// to a root the machine trusts. Nothing for unsigned, changed or untrusted files. No
// interface is shown and no server is asked.
std::optional<SignerKey> VerifiedSignerKey(const std::wstring& path);

}  // namespace platform
