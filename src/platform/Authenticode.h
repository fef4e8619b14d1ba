#pragma once
// Whether a program file carries a valid Authenticode signature that chains to a root
// the system trusts.
#include <string>

namespace platform {

// No interface is shown and no revocation server is asked; unsigned, tampered or
// untrusted files all answer false.
bool HasValidSignature(const std::wstring& path);

}  // namespace platform
