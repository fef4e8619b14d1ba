// What a set-up file is read for before it may be offered: its SHA-256, the DER of its
// signature, its PE layout (what the signature covers, what rides along in the certificate
// table), its version and the keys a release names. Hostile bytes end as "no", never as a
// read past the end (these run under AddressSanitizer).
#include "platform/AuthenticodeContent.h"
#include "platform/ByteOrder.h"
#include "platform/Der.h"
#include "platform/PeImage.h"
#include "platform/Sha256.h"
#include "update/ReleaseKeys.h"
#include "update/UpdateRules.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(std::span<const std::uint8_t> bytes) {
    return update::MarkerText(std::span<const std::uint8_t, 32>(bytes.data(), 32));
}
Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(Sha256, KnownDigestsWithAndWithoutTheProcessorsInstructionsAndInAnyPieces) {
    const struct {
        Bytes input;
        const char* digest;
    } cases[] = {
        {Of(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {Of("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {Bytes(1'000'000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const bool plain : {false, true}) {
        Sha256::UsePlainCode(plain);
        for (const auto& c : cases) EXPECT_EQ(Hex(Sha256Of(c.input)), c.digest) << "plain " << plain;
    }
    // Random data fed in random pieces, against the plain code in one piece.
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        Bytes data(random() % 3000);
        for (auto& b : data) b = static_cast<std::uint8_t>(random());
        Sha256::UsePlainCode(true);
        const auto expected = Sha256Of(data);
        Sha256::UsePlainCode(false);
        Sha256 pieces;
        for (std::size_t at = 0; at < data.size();) {
            const std::size_t size = std::min<std::size_t>(random() % 150, data.size() - at);
            pieces.Add(std::span(data).subspan(at, size));
            at += size;
        }
        EXPECT_EQ(pieces.Finish(), expected) << data.size();
    }
}

// DER made by hand: an element of `tag` around `content`.
Bytes Der(std::uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    if (content.size() < 0x80) {
        out.push_back(static_cast<std::uint8_t>(content.size()));
    } else {
        out.push_back(0x82);
        out.push_back(static_cast<std::uint8_t>(content.size() >> 8));
        out.push_back(static_cast<std::uint8_t>(content.size()));
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}
Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}
Bytes Seq(std::initializer_list<Bytes> parts) { return Der(der::kSequence, Join(parts)); }
Bytes Oid(Bytes content) { return Der(der::kObjectId, content); }
const Bytes kSha256 = Seq({Oid({0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01}), Der(der::kNull, {})});

TEST(Der, TimesAndLengths) {
    const struct {
        std::uint8_t tag;
        const char* text;
        std::optional<std::int64_t> seconds;
    } times[] = {
        {der::kUtcTime, "200601120000Z", 1'591'012'800},
        {der::kUtcTime, "491231235959Z", 2'524'607'999},
        {der::kUtcTime, "500101000000Z", -631'152'000},
        {der::kGeneralizedTime, "20200601120000.123Z", 1'591'012'800},
        {der::kGeneralizedTime, "20240229000000Z", 1'709'164'800},
        {der::kGeneralizedTime, "20200601120000", std::nullopt},
        {der::kGeneralizedTime, "20201301120000Z", std::nullopt},
        {der::kUtcTime, "2006011200Z", std::nullopt},
        {der::kInteger, "200601120000Z", std::nullopt},
    };
    for (const auto& t : times) {
        const Bytes element = Der(t.tag, Of(t.text));
        EXPECT_EQ(DerTime(*FirstDerElement(element)), t.seconds) << t.text;
    }
    const Bytes lengths[] = {
        {0x30, 0x80, 0x00, 0x00}, {0x30, 0x05, 0x01}, {0x30, 0x85, 1, 0, 0, 0, 0}, {0x1F, 0x01, 0}};
    for (const Bytes& bad : lengths) EXPECT_FALSE(FirstDerElement(bad).has_value());
    const Bytes longForm = Der(der::kOctetString, Bytes(300, 1));
    EXPECT_EQ(FirstDerElement(longForm)->content.size(), 300u);
}

// A signed data as Authenticode writes it: its signed attributes hold the SHA-256 of its
// content (or `digestOf`'s), and its unsigned ones an RFC 3161 token, a signed data of its
// own around a TSTInfo.
Bytes Tstinfo() {
    return Seq({Der(der::kInteger, {1}), Oid({0x2A, 0x03}), Seq({kSha256, Der(der::kOctetString, Bytes(32, 0x5A))}),
                Der(der::kInteger, {9}), Der(der::kGeneralizedTime, Of("20200601120000Z"))});
}
Bytes SignedData(const Bytes& contentType, const Bytes& content, const Bytes& token = {},
                 std::optional<Bytes> digestOf = std::nullopt) {
    const auto inner = FirstDerElement(content)->content;
    const auto digest = Sha256Of(digestOf ? std::span<const std::uint8_t>(*digestOf) : inner);
    const Bytes signedAttributes =
        Der(0xA0, Seq({Oid({0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x04}),
                       Der(der::kSet, Der(der::kOctetString, Bytes(digest.begin(), digest.end())))}));
    const Bytes unsignedAttributes =
        Der(0xA1, Seq({Oid({0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x03, 0x03, 0x01}), Der(der::kSet, token)}));
    const Bytes signer =
        Seq({Der(der::kInteger, {1}), Seq({}), kSha256, signedAttributes, Seq({}),
             Der(der::kOctetString, Of("signature value")), token.empty() ? Bytes{} : unsignedAttributes});
    const Bytes signedData =
        Seq({Der(der::kInteger, {1}), Der(der::kSet, kSha256), Seq({contentType, Der(0xA0, content)}),
             Der(0xA0, Of("certificates")), Der(der::kSet, signer)});
    return Seq({Oid({0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02}), Der(0xA0, signedData)});
}
const Bytes kTstInfoType = Oid({0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x10, 0x01, 0x04});
Bytes Token() { return SignedData(kTstInfoType, Der(der::kOctetString, Tstinfo())); }
const Bytes kIndirectData = Oid({0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x02, 0x01, 0x04});
Bytes IndirectContent() { return Seq({Seq({}), Seq({kSha256, Der(der::kOctetString, Bytes(32, 0xD1))})}); }

TEST(AuthenticodeContent, DigestSignatureTimestampAndCertificateAreReadAndEveryCutIsRefused) {
    const Bytes timestamped = SignedData(kIndirectData, IndirectContent(), Token());
    const auto content = ReadAuthenticodeContent(timestamped);
    ASSERT_TRUE(content.has_value());
    EXPECT_EQ(content->fileDigestAlgorithm, DigestAlgorithm::Sha256);
    EXPECT_EQ(content->fileDigest, Bytes(32, 0xD1));
    EXPECT_EQ(content->signatureValue, Of("signature value"));
    EXPECT_EQ(content->timestampToken, Token());
    EXPECT_TRUE(ReadAuthenticodeContent(SignedData(kIndirectData, IndirectContent()))->timestampToken.empty());
    // Signed data of another kind (a timestamp's own) is no Authenticode signature.
    EXPECT_FALSE(ReadAuthenticodeContent(Token()).has_value());
    // Content that is not what the signed attributes vouch for: the file digest in it, or
    // a timestamp's time, could say anything.
    const Bytes otherContent = Seq({Seq({}), Seq({kSha256, Der(der::kOctetString, Bytes(32, 0xEE))})});
    EXPECT_FALSE(ReadAuthenticodeContent(SignedData(kIndirectData, otherContent, {}, IndirectContent())).has_value());
    EXPECT_FALSE(ReadTimestampInfo(SignedData(kTstInfoType, Der(der::kOctetString, Tstinfo()), {}, Of("other"))));

    const auto info = ReadTimestampInfo(Token());
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->imprintAlgorithm, DigestAlgorithm::Sha256);
    EXPECT_EQ(info->imprint, Bytes(32, 0x5A));
    EXPECT_EQ(info->time, 1'591'012'800);

    const Bytes key = Seq({Seq({Oid({0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01})}), Der(0x03, {0, 1, 2})});
    const Bytes certificate =
        Seq({Seq({Der(0xA0, Der(der::kInteger, {2})), Der(der::kInteger, {5}), Seq({}), Seq({}),
                  Seq({Der(der::kUtcTime, Of("190101000000Z")), Der(der::kGeneralizedTime, Of("20210101000000Z"))}),
                  Seq({}), key}),
             Seq({}), Der(0x03, {0})});
    const auto facts = ReadCertificate(certificate);
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->publicKeyInfo, key);
    EXPECT_EQ(facts->notBefore, 1'546'300'800);
    EXPECT_EQ(facts->notAfter, 1'609'459'200);

    for (const Bytes* whole : {&timestamped, &certificate}) {
        for (std::size_t size = 0; size < whole->size(); ++size) {
            const std::span cut(whole->data(), size);
            EXPECT_FALSE(ReadAuthenticodeContent(cut).has_value() || ReadCertificate(cut).has_value()) << size;
        }
    }
}

// A PE32+ file made by hand: headers, one section with a version resource and a data
// resource named RELEASE_KEYS, then `certificateTable` at `tableOffset` (or at the end).
struct ImageParts {
    Bytes table;
    std::size_t tailAfterTable = 0;
};
constexpr std::size_t kSectionAt = 0x200, kSectionRva = 0x1000;

void Put32(Bytes& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void Put16(Bytes& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value), out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

Bytes ResourceSection(const std::string& keys) {
    Bytes section(0x400, 0);
    // Root: one type entry for 16, one for 10; each type one name, each name one language.
    auto directory = [&](std::size_t at, std::uint32_t name, std::uint32_t target) {
        Put16(section, at + 14, 1);
        Put32(section, at + 16, name);
        Put32(section, at + 20, target);
    };
    Put16(section, 14, 2);
    Put32(section, 16, 10), Put32(section, 20, 0x80000000 | 0x30);
    Put32(section, 24, 16), Put32(section, 28, 0x80000000 | 0x60);
    directory(0x30, 0x80000000 | 0x100, 0x80000000 | 0x48);  // name: RELEASE_KEYS
    directory(0x48, 0x409, 0x90);
    directory(0x60, 1, 0x80000000 | 0x78);
    directory(0x78, 0x409, 0xA0);
    const std::u16string name = u"RELEASE_KEYS";
    Put16(section, 0x100, static_cast<std::uint16_t>(name.size()));
    for (std::size_t i = 0; i < name.size(); ++i) Put16(section, 0x102 + i * 2, name[i]);
    // Data entries: RVA and size.
    Put32(section, 0x90, kSectionRva + 0x200), Put32(section, 0x94, static_cast<std::uint32_t>(keys.size()));
    Put32(section, 0xA0, kSectionRva + 0x140), Put32(section, 0xA4, 92);
    // VS_VERSIONINFO with version 1.22.3.4.
    Put16(section, 0x140, 92), Put16(section, 0x142, 52);
    const std::u16string key = u"VS_VERSION_INFO";
    for (std::size_t i = 0; i < key.size(); ++i) Put16(section, 0x146 + i * 2, key[i]);
    Put32(section, 0x140 + 40, 0xFEEF04BD);
    Put32(section, 0x140 + 56, (1u << 16) | 22), Put32(section, 0x140 + 60, (3u << 16) | 4);
    std::copy(keys.begin(), keys.end(), section.begin() + 0x200);
    return section;
}

Bytes Image(const ImageParts& parts, const std::string& keys = "title\n") {
    Bytes file(kSectionAt, 0);
    file[0] = 'M', file[1] = 'Z';
    Put32(file, 0x3C, 0x80);
    Put32(file, 0x80, 0x4550);
    Put16(file, 0x86, 1);      // one section
    Put16(file, 0x94, 0xF0);   // optional header size
    Put16(file, 0x98, 0x20B);  // PE32+
    Put32(file, 0x98 + 108, 16);
    const std::size_t directory = 0x98 + 112;
    Put32(file, directory + 2 * 8, kSectionRva), Put32(file, directory + 2 * 8 + 4, 0x400);
    const std::size_t section = 0x98 + 0xF0;
    Put32(file, section + 8, 0x400), Put32(file, section + 12, kSectionRva);
    Put32(file, section + 16, 0x400), Put32(file, section + 20, kSectionAt);
    const Bytes resources = ResourceSection(keys);
    file.insert(file.end(), resources.begin(), resources.end());
    if (!parts.table.empty()) {
        Put32(file, directory + 4 * 8, static_cast<std::uint32_t>(file.size()));
        Put32(file, directory + 4 * 8 + 4, static_cast<std::uint32_t>(parts.table.size()));
        file.insert(file.end(), parts.table.begin(), parts.table.end());
    }
    file.resize(file.size() + parts.tailAfterTable, 0);
    return file;
}

// WIN_CERTIFICATE: length, revision 2.0, PKCS #7; then the signature and what follows it.
Bytes Table(const Bytes& signature, const Bytes& after = {}, std::uint32_t lengthBeyond = 0,
            std::uint16_t revision = 0x200) {
    Bytes table(8, 0);
    Put32(table, 0, static_cast<std::uint32_t>(8 + signature.size() + lengthBeyond));
    Put16(table, 4, revision), Put16(table, 6, 2);
    table.insert(table.end(), signature.begin(), signature.end());
    table.insert(table.end(), after.begin(), after.end());
    return table;
}

TEST(PeImage, TheCertificateTableHoldsTheSignatureAndItsPaddingOnly) {
    const Bytes signature = Seq({Bytes(13, 0x11)});  // 15 bytes: 23 with the header, 1 to pad
    const struct {
        const char* name;
        ImageParts parts;
        SignedImageProblem problem;
    } cases[] = {
        {"signature and padding", {Table(signature, Bytes(1, 0))}, SignedImageProblem::None},
        {"padding counted in the length", {Table(signature, Bytes(1, 0), 1)}, SignedImageProblem::None},
        {"padding of seven", {Table(Seq({Bytes(1, 0x11)}), Bytes(7, 0))}, SignedImageProblem::None},
        {"4 KB added in the table", {Table(signature, Bytes(4097, 0), 4097)}, SignedImageProblem::ExtraInTable},
        {"eight zeros after it", {Table(signature, Bytes(9, 0))}, SignedImageProblem::ExtraInTable},
        {"padding that is not zeros", {Table(signature, Bytes(1, 0x41))}, SignedImageProblem::ExtraInTable},
        {"a second signature",
         {Join({Table(signature, Bytes(1, 0)), Table(signature, Bytes(1, 0))})},
         SignedImageProblem::ExtraInTable},
        {"bytes after the table", {Table(signature, Bytes(1, 0)), 8}, SignedImageProblem::TableNotAtEnd},
        {"another revision", {Table(signature, Bytes(1, 0), 0, 0x100)}, SignedImageProblem::TableDamaged},
        {"not DER", {Table(Bytes(15, 0xFF), Bytes(1, 0))}, SignedImageProblem::TableDamaged},
        {"no table", {}, SignedImageProblem::NotSigned},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = Image(c.parts);
        const SignedImage image = ReadSignedImage(file);
        EXPECT_EQ(image.problem, c.problem);
        if (c.problem != SignedImageProblem::None) continue;
        const std::uint64_t table = file.size() - c.parts.table.size();
        const std::size_t directory = 0x98 + 112;
        EXPECT_EQ(image.hashed, (std::vector<ByteRange>{{0, 0x98 + 64},
                                                        {0x98 + 68, directory + 32 - 0x98 - 68},
                                                        {directory + 40, table - directory - 40}}));
        EXPECT_EQ(image.signature.offset, table + 8);
        EXPECT_EQ(image.signature.size, FirstDerElement(std::span(file).subspan(table + 8))->whole.size());
    }
    // Every cut of a signed file is refused without a read past its end.
    const Bytes whole = Image({Table(signature, Bytes(1, 0))});
    for (std::size_t size = 0; size < whole.size(); ++size)
        EXPECT_NE(ReadSignedImage(std::span(whole.data(), size)).problem, SignedImageProblem::None) << size;
}

TEST(PeImage, VersionAndReleaseKeysComeFromTheResources) {
    const std::string key(64, 'a'), empty(64, '-');
    const Bytes file = Image({}, "Reelkeep release keys\n" + key + "\n" + empty + "\n" + std::string(63, 'b') + "C\n");
    EXPECT_EQ(ReadProductVersion(file), (std::vector<std::uint32_t>{1, 22, 3, 4}));
    const auto keys = update::ReleaseKeysOf(file);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(Hex(keys[0]), key);
    EXPECT_EQ(Hex(keys[1]), std::string(63, 'b') + "c");
    const struct {
        std::string text;
        std::size_t count;
    } lists[] = {
        {"title\n" + empty + "\n" + empty + "\n", 0},
        {"title\n" + key + "\n", 1},
        {"title\n" + key + "\n" + std::string(64, 'g') + "\n", 0},
        {"title\n" + key.substr(1) + "\n", 0},
        {"no title", 0},
    };
    for (const auto& list : lists) EXPECT_EQ(update::ParseReleaseKeys(Of(list.text)).size(), list.count) << list.text;
    // Resource tables cut short: nothing is read from past the cut.
    for (std::size_t size = 0; size < file.size(); ++size) {
        const std::span cut(file.data(), size);
        EXPECT_FALSE(ReadProductVersion(cut).has_value() && size < kSectionAt + 0x140 + 92) << size;
        EXPECT_FALSE(!update::ReleaseKeysOf(cut).empty() && size < kSectionAt + 0x400) << size;
    }
}

}  // namespace
}  // namespace platform
