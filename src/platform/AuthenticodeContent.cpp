#include "platform/AuthenticodeContent.h"

#include "platform/Der.h"
#include "platform/Sha256.h"

#include <algorithm>

namespace platform {

namespace {

using Bytes = std::span<const std::uint8_t>;

// Object identifiers as their DER contents.
constexpr std::uint8_t kSignedDataOid[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
constexpr std::uint8_t kIndirectDataOid[] = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x02, 0x01, 0x04};
constexpr std::uint8_t kRfc3161CounterSignatureOid[] = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x03, 0x03, 0x01};
constexpr std::uint8_t kSha1Oid[] = {0x2B, 0x0E, 0x03, 0x02, 0x1A};
constexpr std::uint8_t kSha256Oid[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01};
constexpr std::uint8_t kMessageDigestOid[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x04};
constexpr std::uint8_t kTstInfoOid[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x10, 0x01, 0x04};

bool Equal(Bytes a, Bytes b) { return std::ranges::equal(a, b); }

std::vector<std::uint8_t> Copy(Bytes bytes) { return {bytes.begin(), bytes.end()}; }

// An AlgorithmIdentifier's algorithm, when it names a digest.
DigestAlgorithm DigestOf(const DerElement& algorithmIdentifier) {
    auto oid = Inside(algorithmIdentifier).Next(der::kObjectId);
    if (!oid) return DigestAlgorithm::Other;
    if (Equal(oid->content, kSha256Oid)) return DigestAlgorithm::Sha256;
    if (Equal(oid->content, kSha1Oid)) return DigestAlgorithm::Sha1;
    return DigestAlgorithm::Other;
}

struct SignedData {
    DerElement contentType;
    std::optional<DerElement> content;  // inside the encapsulated content's [0]
    DerElement firstSigner;
};

// ContentInfo { signedData, [0] SignedData { version, digests, encapsulated content,
// [0] certificates, [1] revocation lists, signer infos } }.
std::optional<SignedData> ReadSignedData(Bytes bytes) {
    const auto info = FirstDerElement(bytes);
    if (!info || info->tag != der::kSequence) return std::nullopt;
    DerReader infoParts = Inside(*info);
    const auto type = infoParts.Next(der::kObjectId);
    const auto wrapped = infoParts.Next(der::ContextTag(0));
    if (!type || !Equal(type->content, kSignedDataOid) || !wrapped) return std::nullopt;
    const auto signedData = Inside(*wrapped).Next(der::kSequence);
    if (!signedData) return std::nullopt;
    DerReader parts = Inside(*signedData);
    const auto version = parts.Next(der::kInteger);
    const auto digests = parts.Next(der::kSet);
    const auto encapsulated = parts.Next(der::kSequence);
    if (!version || !digests || !encapsulated) return std::nullopt;
    parts.Next(der::ContextTag(0));
    parts.Next(der::ContextTag(1));
    const auto signers = parts.Next(der::kSet);
    if (!signers) return std::nullopt;
    const auto firstSigner = Inside(*signers).Next(der::kSequence);
    DerReader encapsulatedParts = Inside(*encapsulated);
    const auto contentType = encapsulatedParts.Next(der::kObjectId);
    if (!firstSigner || !contentType) return std::nullopt;
    std::optional<DerElement> content;
    if (const auto explicitContent = encapsulatedParts.Next(der::ContextTag(0)))
        content = FirstDerElement(explicitContent->content);
    return SignedData{*contentType, content, *firstSigner};
}

// SignerInfo { version, signer id, digest algorithm, [0] signed attributes, signature
// algorithm, signature, [1] unsigned attributes }.
struct SignerParts {
    DerElement digestAlgorithm;
    std::optional<DerElement> signedAttributes;
    DerElement signature;
    std::optional<DerElement> unsignedAttributes;
};
std::optional<SignerParts> ReadSigner(const DerElement& signer) {
    DerReader parts = Inside(signer);
    if (!parts.Next(der::kInteger) || !parts.Next()) return std::nullopt;
    const auto digestAlgorithm = parts.Next(der::kSequence);
    const auto signedAttributes = parts.Next(der::ContextTag(0));
    if (!digestAlgorithm || !parts.Next(der::kSequence)) return std::nullopt;
    const auto signature = parts.Next(der::kOctetString);
    if (!signature) return std::nullopt;
    return SignerParts{*digestAlgorithm, signedAttributes, *signature, parts.Next(der::ContextTag(1))};
}

// The value of the attribute `oid` among `attributes`, when there is exactly one.
std::optional<DerElement> AttributeValue(const DerElement& attributes, Bytes oid) {
    DerReader reader = Inside(attributes);
    while (const auto attribute = reader.Next()) {
        DerReader parts = Inside(*attribute);
        const auto type = parts.Next(der::kObjectId);
        const auto values = parts.Next(der::kSet);
        if (type && values && Equal(type->content, oid)) return Inside(*values).Next();
    }
    return std::nullopt;
}

// The content octets the first signer signed: its signature covers its signed attributes,
// and their message digest must be that of the content. The system checks the first;
// Wine's crypt32 never compares the second, so a changed content would pass it.
std::optional<Bytes> CoveredContent(const SignedData& signedData, const SignerParts& signer) {
    if (!signedData.content || !signer.signedAttributes || DigestOf(signer.digestAlgorithm) != DigestAlgorithm::Sha256)
        return std::nullopt;
    const auto digest = AttributeValue(*signer.signedAttributes, kMessageDigestOid);
    if (!digest || digest->tag != der::kOctetString ||
        !std::ranges::equal(digest->content, Sha256Of(signedData.content->content)))
        return std::nullopt;
    return signedData.content->content;
}

}  // namespace

std::optional<AuthenticodeContent> ReadAuthenticodeContent(Bytes signedDataBytes) {
    const auto signedData = ReadSignedData(signedDataBytes);
    if (!signedData || !Equal(signedData->contentType.content, kIndirectDataOid) || !signedData->content)
        return std::nullopt;
    const auto signer = ReadSigner(signedData->firstSigner);
    const auto covered = signer ? CoveredContent(*signedData, *signer) : std::nullopt;
    if (!covered) return std::nullopt;
    // SpcIndirectDataContent { data, DigestInfo { algorithm, digest } }.
    DerReader indirect(*covered);
    const auto data = indirect.Next(der::kSequence);
    const auto digestInfo = indirect.Next(der::kSequence);
    if (!data || !digestInfo) return std::nullopt;
    DerReader digestParts = Inside(*digestInfo);
    const auto algorithm = digestParts.Next(der::kSequence);
    const auto digest = digestParts.Next(der::kOctetString);
    if (!algorithm || !digest) return std::nullopt;

    AuthenticodeContent content;
    content.fileDigestAlgorithm = DigestOf(*algorithm);
    content.fileDigest = Copy(digest->content);
    content.signatureValue = Copy(signer->signature.content);
    if (signer->unsignedAttributes) {
        if (const auto token = AttributeValue(*signer->unsignedAttributes, kRfc3161CounterSignatureOid))
            content.timestampToken = Copy(token->whole);
    }
    return content;
}

std::optional<TimestampInfo> ReadTimestampInfo(Bytes token) {
    const auto signedData = ReadSignedData(token);
    if (!signedData || !Equal(signedData->contentType.content, kTstInfoOid)) return std::nullopt;
    const auto signer = ReadSigner(signedData->firstSigner);
    const auto covered = signer ? CoveredContent(*signedData, *signer) : std::nullopt;
    // TSTInfo { version, policy, MessageImprint { algorithm, hash }, serial, genTime, ... }.
    const auto info = covered ? FirstDerElement(*covered) : std::nullopt;
    if (!info || info->tag != der::kSequence) return std::nullopt;
    DerReader parts = Inside(*info);
    if (!parts.Next(der::kInteger) || !parts.Next(der::kObjectId)) return std::nullopt;
    const auto imprint = parts.Next(der::kSequence);
    if (!imprint || !parts.Next(der::kInteger)) return std::nullopt;
    const auto genTime = parts.Next(der::kGeneralizedTime);
    DerReader imprintParts = Inside(*imprint);
    const auto algorithm = imprintParts.Next(der::kSequence);
    const auto hash = imprintParts.Next(der::kOctetString);
    const auto time = genTime ? DerTime(*genTime) : std::nullopt;
    if (!algorithm || !hash || !time) return std::nullopt;
    return TimestampInfo{DigestOf(*algorithm), Copy(hash->content), *time};
}

std::optional<CertificateFacts> ReadCertificate(Bytes certificate) {
    // Certificate { TBSCertificate { [0] version, serial, signature, issuer,
    // Validity { notBefore, notAfter }, subject, SubjectPublicKeyInfo, ... }, ... }.
    const auto whole = FirstDerElement(certificate);
    if (!whole || whole->tag != der::kSequence) return std::nullopt;
    const auto tbs = Inside(*whole).Next(der::kSequence);
    if (!tbs) return std::nullopt;
    DerReader parts = Inside(*tbs);
    parts.Next(der::ContextTag(0));
    if (!parts.Next(der::kInteger) || !parts.Next(der::kSequence) || !parts.Next(der::kSequence)) return std::nullopt;
    const auto validity = parts.Next(der::kSequence);
    if (!validity || !parts.Next(der::kSequence)) return std::nullopt;
    const auto publicKeyInfo = parts.Next(der::kSequence);
    DerReader times = Inside(*validity);
    const auto notBefore = times.Next(), notAfter = times.Next();
    const auto from = notBefore ? DerTime(*notBefore) : std::nullopt;
    const auto until = notAfter ? DerTime(*notAfter) : std::nullopt;
    if (!publicKeyInfo || !from || !until) return std::nullopt;
    return CertificateFacts{Copy(publicKeyInfo->whole), *from, *until};
}

}  // namespace platform
