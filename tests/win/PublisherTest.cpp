// Which set-ups the running release offers, on files signed at build time with throw-away
// certificates and a local time-stamp authority (tests/e2e/sign-test-files.sh): signed with
// a key the release names, nothing riding along in the certificate table, the bytes that
// were signed, inside the certificate's validity now or at a trusted timestamp's time, and
// newer by its own version resource. The program checks all of it itself, so these hold
// alike on Windows and under Wine.
#include "update/Publisher.h"

#include "platform/Authenticode.h"
#include "platform/AuthenticodeContent.h"
#include "platform/PeImage.h"
#include "support/SignedFiles.h"
#include "update/HeldFile.h"

#include <gtest/gtest.h>

#include <ctime>

namespace update {
namespace {

using testing_support::BinFolder;
using testing_support::SignedFile;

constexpr std::int64_t kJune2020 = 1'591'012'800;

// A copy of ours.exe with a byte of its code changed and the digest inside its signature
// made to fit: only the signed attributes' digest of that content gives it away (Wine's
// crypt32 does not compare it).
std::wstring ForgedCopy(const testing_support::ScratchFolder& folder) {
    std::string bytes = testing_support::ReadFileBytes(SignedFile(L"ours.exe"));
    const auto view = [&] { return std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()); };
    const platform::SignedImage image = platform::ReadSignedImage(view());
    const auto content =
        platform::ReadAuthenticodeContent(view().subspan(image.signature.offset, image.signature.size));
    if (!content) return {};
    bytes[0x600] = static_cast<char>(bytes[0x600] ^ 0x01);
    platform::Sha256 digest;
    for (const platform::ByteRange& range : image.hashed) digest.Add(view().subspan(range.offset, range.size));
    const auto fitting = digest.Finish();
    const std::string old(content->fileDigest.begin(), content->fileDigest.end());
    const std::size_t at = bytes.find(old, image.signature.offset);
    if (at == std::string::npos) return {};
    bytes.replace(at, old.size(), std::string(fitting.begin(), fitting.end()));
    const std::wstring copy = folder.path() + L"forged.exe";
    return testing_support::WriteFileBytes(copy, bytes) ? copy : std::wstring();
}

TEST(Publisher, OffersOnlyWholeNewerSetUpsSignedWithANamedKeyInsideItsValidity) {
    testing_support::TrustTestRoot();
    if (HasFatalFailure()) return;
    const testing_support::ScratchFolder scratch(L"publisher");
    const std::optional<Publisher> ours = Publisher::OfProgram(SignedFile(L"Reelkeep.exe"));
    ASSERT_TRUE(ours.has_value()) << "the signed test program names no keys";
    const std::int64_t now = std::time(nullptr);
    const struct {
        std::wstring file;
        SetupVerdict verdict;
        std::int64_t at;
    } cases[] = {
        // The same key under a second certificate: a renewal changes nothing.
        {SignedFile(L"ours.exe"), SetupVerdict::Offer, now},
        {SignedFile(L"spare.exe"), SetupVerdict::Offer, now},
        {SignedFile(L"large.exe"), SetupVerdict::Offer, now},
        {SignedFile(L"other-publisher.exe"), SetupVerdict::NotOurKey, now},
        // Our name in a certificate of its own, with another key.
        {SignedFile(L"copied-subject.exe"), SetupVerdict::NotOurKey, now},
        {SignedFile(L"same-version.exe"), SetupVerdict::NotNewer, now},
        {SignedFile(L"older.exe"), SetupVerdict::NotNewer, now},
        {SignedFile(L"padded.exe"), SetupVerdict::RidesAlong, now},
        {testing_support::TamperedCopy(SignedFile(L"ours.exe"), scratch), SetupVerdict::Changed, now},
        {ForgedCopy(scratch), SetupVerdict::NotSigned, now},
        {BinFolder() + L"e2e_trace_stub.exe", SetupVerdict::NotSigned, now},
        // A certificate of 2019-2020: a timestamp from the trusted authority in June 2020
        // keeps it good; none, a stranger's, or one from after its end does not.
        {SignedFile(L"expired-stamped.exe"), SetupVerdict::Offer, now},
        {SignedFile(L"expired-unstamped.exe"), SetupVerdict::Expired, now},
        {SignedFile(L"expired-stranger-stamp.exe"), SetupVerdict::Expired, now},
        {SignedFile(L"stamped-after-expiry.exe"), SetupVerdict::Expired, now},
        {SignedFile(L"expired-unstamped.exe"), SetupVerdict::Offer, kJune2020},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.file.empty());
        const auto setup = HeldFile::Open(c.file);
        ASSERT_TRUE(setup.has_value()) << c.file;
        EXPECT_EQ(ours->Check(setup->bytes(), c.at), c.verdict) << c.file;
    }
    // The system agrees on the file it takes, and refuses the changed one as well.
    EXPECT_TRUE(platform::SystemTrustsFile(SignedFile(L"ours.exe")));
    EXPECT_FALSE(platform::SystemTrustsFile(cases[8].file));

    // The developer build beside the tests names no keys: it trusts no set-up at all.
    EXPECT_FALSE(Publisher::OfProgram(BinFolder() + L"Reelkeep.exe").has_value());
}

}  // namespace
}  // namespace update
