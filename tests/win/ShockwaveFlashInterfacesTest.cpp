// The identifiers of the player control must match its published text form byte for
// byte: a single wrong byte makes every QueryInterface and class lookup fail silently.
#include "flashhost/ShockwaveFlashInterfaces.h"

#include <gtest/gtest.h>

namespace {

GUID Parse(const wchar_t* text) {
    GUID guid{};
    EXPECT_EQ(S_OK, CLSIDFromString(text, &guid)) << text;
    return guid;
}

TEST(ShockwaveFlashInterfaces, IdentifiersMatchTheirPublishedText) {
    EXPECT_TRUE(IsEqualGUID(flashhost::kClsidShockwaveFlash, Parse(L"{D27CDB6E-AE6D-11CF-96B8-444553540000}")));
    EXPECT_TRUE(IsEqualGUID(flashhost::kIidShockwaveFlash, Parse(L"{D27CDB6C-AE6D-11CF-96B8-444553540000}")));
    EXPECT_TRUE(IsEqualGUID(flashhost::kDiidShockwaveFlashEvents, Parse(L"{D27CDB6D-AE6D-11CF-96B8-444553540000}")));
    EXPECT_TRUE(IsEqualGUID(__uuidof(IShockwaveFlash), flashhost::kIidShockwaveFlash));
    EXPECT_EQ(9, flashhost::FlashVersionMajor(flashhost::PackFlashVersion(9, 0, 28)));
    EXPECT_EQ(0x0009001C, flashhost::PackFlashVersion(9, 0, 28));
}

}  // namespace
