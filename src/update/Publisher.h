#pragma once
// Our publisher is whoever signed the running program: only an installer signed with the
// same key may replace it. A name in a certificate proves nothing (anyone can make a
// certificate that copies ours), and a root the machine trusts vouches for every publisher
// it ever certified, not for us.
#include "platform/Authenticode.h"

#include <optional>
#include <string>
#include <utility>

namespace update {

class Publisher {
public:
    // The signer of `program`; none when it carries no signature the system verifies, as a
    // developer build does: such a program accepts no installer at all.
    static std::optional<Publisher> OfProgram(const std::wstring& program);

    // True when `file` carries a signature the system verifies, made with this publisher's key.
    bool Signed(const std::wstring& file) const;

private:
    explicit Publisher(platform::SignerKey key) : key_(std::move(key)) {}
    platform::SignerKey key_;
};

}  // namespace update
