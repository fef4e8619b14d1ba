#pragma once
// The program and the set-up stand-ins that the build signed with throw-away certificates
// (tests/e2e/sign-test-files.sh says which is which), and the trust in their test root
// that a Windows machine has in the root of our real certificate. Their time-stamp
// authority chains to that root.
#include "FileBytes.h"
#include "ScratchFolder.h"

#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

inline std::wstring SignedFile(const wchar_t* name) { return BinFolder() + L"signed\\" + name; }

inline void TrustTestRoot() {
    const std::string root = ReadFileBytes(SignedFile(L"test-root.cer"));
    ASSERT_FALSE(root.empty()) << "the signed test files are not built beside the tests";
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    ASSERT_NE(store, nullptr);
    const BOOL added =
        CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(root.data()),
                                         static_cast<DWORD>(root.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    ASSERT_TRUE(added);
}

// Wine's chain engine reads the trusted roots once per process, when it builds its first
// chain (the agent's system check builds one): the test root is trusted before any test.
class TrustTestRootFirst : public testing::Environment {
public:
    void SetUp() override { TrustTestRoot(); }
};
inline testing::Environment* const trustTestRootFirst = testing::AddGlobalTestEnvironment(new TrustTestRootFirst);

// A copy of `source` in `folder` with one byte of its code changed after signing.
inline std::wstring TamperedCopy(const std::wstring& source, const ScratchFolder& folder) {
    std::string bytes = ReadFileBytes(source);
    if (bytes.size() <= 0x600) return {};
    bytes[0x600] = static_cast<char>(bytes[0x600] ^ 0x01);
    const std::wstring copy = folder.path() + L"tampered.exe";
    return WriteFileBytes(copy, bytes) ? copy : std::wstring();
}

}  // namespace testing_support
