#include "platform/Authenticode.h"

#include "platform/AuthenticodeContent.h"
#include "platform/PeImage.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace platform {

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// A PKCS #7 signed data decoded by the system, with the certificates it carries.
class SignedMessage {
public:
    explicit SignedMessage(std::span<const std::uint8_t> der) {
        message_ = CryptMsgOpenToDecode(kEncoding, 0, 0, 0, nullptr, nullptr);
        if (message_ == nullptr || !CryptMsgUpdate(message_, der.data(), static_cast<DWORD>(der.size()), TRUE)) return;
        store_ = CertOpenStore(CERT_STORE_PROV_MSG, kEncoding, 0, 0, message_);
    }
    ~SignedMessage() {
        if (signer_ != nullptr) CertFreeCertificateContext(signer_);
        if (store_ != nullptr) CertCloseStore(store_, 0);
        if (message_ != nullptr) CryptMsgClose(message_);
    }
    SignedMessage(const SignedMessage&) = delete;
    SignedMessage& operator=(const SignedMessage&) = delete;

    // The first signer's certificate, when its signature over the content holds.
    PCCERT_CONTEXT VerifiedSigner() {
        std::vector<std::uint8_t> info = Parameter(CMSG_SIGNER_CERT_INFO_PARAM);
        if (store_ == nullptr || info.empty()) return nullptr;
        signer_ = CertGetSubjectCertificateFromStore(store_, kEncoding, reinterpret_cast<CERT_INFO*>(info.data()));
        if (signer_ == nullptr || !CryptMsgControl(message_, 0, CMSG_CTRL_VERIFY_SIGNATURE, signer_->pCertInfo))
            return nullptr;
        return signer_;
    }
    HCERTSTORE store() const { return store_; }

private:
    std::vector<std::uint8_t> Parameter(DWORD which) const {
        DWORD size = 0;
        if (message_ == nullptr || !CryptMsgGetParam(message_, which, 0, nullptr, &size)) return {};
        std::vector<std::uint8_t> value(size);
        if (!CryptMsgGetParam(message_, which, 0, value.data(), &size)) return {};
        value.resize(size);
        return value;
    }

    HCRYPTMSG message_ = nullptr;
    HCERTSTORE store_ = nullptr;
    PCCERT_CONTEXT signer_ = nullptr;
};

FILETIME FileTimeOf(std::int64_t unixSeconds) {
    const std::uint64_t ticks = static_cast<std::uint64_t>(unixSeconds + 11'644'473'600LL) * 10'000'000ULL;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// A time-stamp authority's certificate is trusted for time-stamping, at `time`, up to a root
// in the system's store; certificates the token carries may fill the chain's middle.
bool TrustedTimestampAuthority(PCCERT_CONTEXT authority, HCERTSTORE carried, std::int64_t time) {
    char timeStamping[] = szOID_PKIX_KP_TIMESTAMP_SIGNING;
    LPSTR usages[] = {timeStamping};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    FILETIME at = FileTimeOf(time);
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, authority, &at, carried, &para, CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL, nullptr,
                                 &chain))
        return false;
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    const bool trusted = chain->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR &&
                         CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_BASE, chain, &policy, &status) &&
                         status.dwError == 0;
    CertFreeCertificateChain(chain);
    return trusted;
}

// The time an RFC 3161 token vouches that `signatureValue` existed at, when its own
// signature holds and its authority is trusted then.
std::optional<std::int64_t> TrustedTimestamp(std::span<const std::uint8_t> token,
                                             std::span<const std::uint8_t> signatureValue) {
    if (token.empty()) return std::nullopt;
    SignedMessage message(token);
    PCCERT_CONTEXT authority = message.VerifiedSigner();
    if (authority == nullptr) return std::nullopt;
    const auto info = ReadTimestampInfo(token);
    if (!info || info->imprintAlgorithm != DigestAlgorithm::Sha256 ||
        !std::ranges::equal(info->imprint, Sha256Of(signatureValue)))
        return std::nullopt;
    if (!TrustedTimestampAuthority(authority, message.store(), info->time)) return std::nullopt;
    return info->time;
}

Sha256Digest DigestOf(std::span<const std::uint8_t> file, const std::vector<ByteRange>& ranges) {
    Sha256 hash;
    for (const ByteRange& range : ranges) hash.Add(file.subspan(range.offset, range.size));
    return hash.Finish();
}

}  // namespace

SignatureCheck CheckAuthenticode(std::span<const std::uint8_t> file, std::int64_t now) {
    SignatureCheck check;
    const SignedImage image = ReadSignedImage(file);
    if (image.problem == SignedImageProblem::TableNotAtEnd || image.problem == SignedImageProblem::ExtraInTable)
        check.problem = SignatureProblem::RidesAlong;
    if (image.problem != SignedImageProblem::None) return check;
    const auto signedData = file.subspan(image.signature.offset, image.signature.size);
    const auto content = ReadAuthenticodeContent(signedData);
    if (!content) return check;
    if (content->fileDigestAlgorithm != DigestAlgorithm::Sha256 ||
        !std::ranges::equal(content->fileDigest, DigestOf(file, image.hashed))) {
        check.problem = SignatureProblem::Changed;
        return check;
    }
    SignedMessage message(signedData);
    PCCERT_CONTEXT signer = message.VerifiedSigner();
    const auto certificate =
        signer != nullptr ? ReadCertificate({signer->pbCertEncoded, signer->cbCertEncoded}) : std::nullopt;
    if (!certificate) return check;
    check.signerKey = Sha256Of(certificate->publicKeyInfo);
    auto valid = [&](std::int64_t time) { return certificate->notBefore <= time && time <= certificate->notAfter; };
    if (valid(now)) {
        check.problem = SignatureProblem::None;
        return check;
    }
    const auto stamped = TrustedTimestamp(content->timestampToken, content->signatureValue);
    check.problem = stamped && valid(*stamped) ? SignatureProblem::None : SignatureProblem::Expired;
    return check;
}

bool SystemTrustsFile(const std::wstring& path) {
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    // Waiting on the network for a certificate is worse than a refusal.
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG verdict = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return verdict == ERROR_SUCCESS;
}

}  // namespace platform
