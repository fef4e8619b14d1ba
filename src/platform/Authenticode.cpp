#include "platform/Authenticode.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

namespace platform {

namespace {

std::vector<std::uint8_t> Bytes(const BYTE* data, DWORD size) {
    return data != nullptr ? std::vector<std::uint8_t>(data, data + size) : std::vector<std::uint8_t>();
}

// One verification of one file; the state it keeps (the signer's certificate among it) is
// released whatever the verdict was.
class TrustVerification {
public:
    explicit TrustVerification(const std::wstring& path) {
        file_.cbStruct = sizeof file_;
        file_.pcwszFilePath = path.c_str();
        data_.cbStruct = sizeof data_;
        data_.dwUIChoice = WTD_UI_NONE;
        data_.fdwRevocationChecks = WTD_REVOKE_NONE;
        // A start-up that waits on the network for a certificate is worse than a refusal.
        data_.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
        data_.dwUnionChoice = WTD_CHOICE_FILE;
        data_.pFile = &file_;
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        verdict_ = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    ~TrustVerification() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    TrustVerification(const TrustVerification&) = delete;
    TrustVerification& operator=(const TrustVerification&) = delete;

    // The certificate that made the signature just verified; null when it failed.
    PCCERT_CONTEXT Signer() const {
        if (verdict_ != ERROR_SUCCESS) return nullptr;
        CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data_.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer =
            provider != nullptr ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain == nullptr) return nullptr;
        return signer->pasCertChain[0].pCert;
    }

private:
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file_{};
    WINTRUST_DATA data_{};
    LONG verdict_ = TRUST_E_NOSIGNATURE;
};

}  // namespace

std::optional<SignerKey> VerifiedSignerKey(const std::wstring& path) {
    const TrustVerification verification(path);
    PCCERT_CONTEXT signer = verification.Signer();
    if (signer == nullptr || signer->pCertInfo == nullptr) return std::nullopt;
    const CERT_PUBLIC_KEY_INFO& info = signer->pCertInfo->SubjectPublicKeyInfo;
    if (info.PublicKey.cbData == 0) return std::nullopt;
    SignerKey key;
    key.algorithm = info.Algorithm.pszObjId != nullptr ? info.Algorithm.pszObjId : "";
    key.parameters = Bytes(info.Algorithm.Parameters.pbData, info.Algorithm.Parameters.cbData);
    key.bits = Bytes(info.PublicKey.pbData, info.PublicKey.cbData);
    return key;
}

}  // namespace platform
