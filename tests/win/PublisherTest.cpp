// Which installers the running program takes for its own publisher's, on files signed at
// build time with throw-away certificates (tests/e2e/sign-test-files.sh). Wine does not
// ask whether a certificate chains to a trusted root, so these files pass its check
// without the test root in the prefix; on Windows they would need it.
#include "update/Publisher.h"

#include "support/FileBytes.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace update {
namespace {

using testing_support::BinFolder;

std::wstring Signed(const wchar_t* name) { return BinFolder() + L"signed\\" + name; }

// A copy of `source` with one byte of its code changed after signing.
std::wstring TamperedCopy(const std::wstring& source, const testing_support::ScratchFolder& folder) {
    std::string bytes = testing_support::ReadFileBytes(source);
    if (bytes.size() <= 0x600) return {};
    bytes[0x600] = static_cast<char>(bytes[0x600] ^ 0x01);
    const std::wstring copy = folder.path() + L"tampered.exe";
    std::ofstream(std::filesystem::path(copy), std::ios::binary) << bytes;
    return copy;
}

TEST(Publisher, OnlyTheRunningProgramsOwnKeySignsAnInstaller) {
    const testing_support::ScratchFolder scratch(L"publisher");
    const std::optional<Publisher> ours = Publisher::OfProgram(Signed(L"Reelkeep.exe"));
    ASSERT_TRUE(ours.has_value()) << "the signed test program has no verified signer";
    const std::wstring tampered = TamperedCopy(Signed(L"ours.exe"), scratch);
    ASSERT_FALSE(tampered.empty());
    const struct {
        std::wstring file;
        bool signedByUs;
    } cases[] = {
        // The same key under a second certificate: a renewal changes nothing.
        {Signed(L"ours.exe"), true},
        {Signed(L"Reelkeep.exe"), true},
        {Signed(L"other-publisher.exe"), false},
        // Our name in a certificate of its own, with another key.
        {Signed(L"copied-subject.exe"), false},
        {BinFolder() + L"e2e_trace_stub.exe", false},
        {tampered, false},
        {scratch.path() + L"missing.exe", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ours->Signed(c.file), c.signedByUs) << c.file;

    // The developer build beside the tests is not signed: it trusts no installer.
    EXPECT_FALSE(Publisher::OfProgram(BinFolder() + L"Reelkeep.exe").has_value());
}

}  // namespace
}  // namespace update
