#include "titles/TitleLog.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace titles {
namespace {

FileIdentity Identity(std::uint64_t index) {
    return FileIdentity{0x43000000u, index, 0x01DD86D32CE7C8E2ull + index, 0x01DD86D32CE7C8E2ull + index, 1000 + index};
}

std::vector<std::uint8_t> LogOf(const std::vector<TitleRecord>& records, std::uint64_t generation = 7) {
    std::vector<std::uint8_t> bytes = title_log::EncodeHeader(generation);
    for (const TitleRecord& record : records) title_log::AppendRecord(bytes, record);
    return bytes;
}

std::span<const std::uint8_t> Body(const std::vector<std::uint8_t>& log) {
    return std::span(log).subspan(title_log::kHeaderSize);
}

TEST(TitleLog, RecordsRoundTripWithEveryIdentityFieldAndTitle) {
    const std::vector<TitleRecord> records = {
        {Identity(1), u"Movie3", 0x01DD86D32CE7C8E5ull},
        {FileIdentity{0xFFFFFFFFu, ~0ull, ~0ull - 1, 0, ~0ull - 2}, u"Titre \u00e9t\u00e9 \U0001F3AC", ~0ull},
        {Identity(2), u""},
    };
    const std::vector<std::uint8_t> log = LogOf(records, 0x1122334455667788ull);
    EXPECT_EQ(title_log::DecodeHeader(log), 0x1122334455667788ull);
    const title_log::ParseResult parsed = title_log::ParseRecords(Body(log));
    ASSERT_EQ(parsed.records.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(parsed.records[i].identity, records[i].identity) << i;
        EXPECT_EQ(parsed.records[i].title, records[i].title) << i;
        EXPECT_EQ(parsed.records[i].changeTime, records[i].changeTime) << i;
    }
    EXPECT_EQ(parsed.consumed, log.size() - title_log::kHeaderSize);
    EXPECT_EQ(parsed.skipped, 0u);
}

std::vector<std::uint8_t> FromHex(std::string_view hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

// Users' logs from before records kept the change time must load as they were: their
// titles, marks included, hold with a change time of 0, and a compaction keeps them.
TEST(TitleLog, LogsWithoutChangeTimesStillLoad) {
    const std::vector<std::uint8_t> log = FromHex(
        "524b5449544c45310807060504030201524b5452e92f29483000000000000043"
        "e342540000000000dcec157e4187dd01dcec157e4187dd011800000000000000"
        "4d006f007600690065003300524b545229471fa94200000000000043e4425400"
        "00000000ddec157e4187dd01ddec157e4187dd01190000000000000049006e00"
        "4f00720064006500720054006f00440065006c00650074006500");
    const FileIdentity movie{0x43000000u, 5522147, 134412279248973020ull, 134412279248973020ull, 24};
    const FileIdentity marked{0x43000000u, 5522148, 134412279248973021ull, 134412279248973021ull, 25};
    EXPECT_EQ(title_log::DecodeHeader(log), 0x0102030405060708ull);
    TitleMap map;
    for (const TitleRecord& record : title_log::ParseRecords(Body(log)).records) map.Apply(record);
    TitleMap compacted;
    for (const TitleRecord& record : title_log::ParseRecords(Body(map.Serialize(9))).records) compacted.Apply(record);
    for (const TitleMap* loaded : {&map, &compacted}) {
        ASSERT_EQ(loaded->size(), 2u);
        ASSERT_NE(loaded->Find(movie), nullptr);
        ASSERT_NE(loaded->Find(marked), nullptr);
        EXPECT_EQ(loaded->Find(movie)->title, u"Movie3");
        EXPECT_EQ(loaded->Find(marked)->title, u"InOrderToDelete");
        EXPECT_EQ(loaded->Find(marked)->changeTime, 0u);
    }
}

TEST(TitleLog, OverlongTitlesAreCutToTheLimit) {
    const std::u16string longTitle(title_log::kMaxTitleUnits + 10, u'x');
    const std::vector<std::uint8_t> log = LogOf({{Identity(1), longTitle}});
    const title_log::ParseResult parsed = title_log::ParseRecords(Body(log));
    ASSERT_EQ(parsed.records.size(), 1u);
    EXPECT_EQ(parsed.records[0].title.size(), title_log::kMaxTitleUnits);
}

TEST(TitleLog, HeaderIsRejectedWhenShortOrForeign) {
    std::vector<std::uint8_t> header = title_log::EncodeHeader(5);
    EXPECT_FALSE(title_log::DecodeHeader(std::span(header).first(title_log::kHeaderSize - 1)));
    header[2] ^= 0x20;
    EXPECT_FALSE(title_log::DecodeHeader(header));
    EXPECT_FALSE(title_log::DecodeHeader({}));
}

// A writer that dies mid-append leaves any prefix of its record: the records before it
// stay, and the parse stops where the torn record begins so that it is read again later.
TEST(TitleLog, EveryTruncationKeepsTheCompleteRecordsAndStopsAtTheTornOne) {
    const std::vector<TitleRecord> records = {
        {Identity(1), u"Movie1"}, {Identity(2), u"Flv"}, {Identity(3), u"InOrderToDelete"}};
    const std::vector<std::uint8_t> log = LogOf(records);
    std::vector<std::size_t> recordEnds;
    for (std::size_t count = 1; count <= records.size(); ++count) {
        recordEnds.push_back(LogOf({records.begin(), records.begin() + count}).size() - title_log::kHeaderSize);
    }
    const std::span<const std::uint8_t> body = Body(log);
    for (std::size_t length = 0; length <= body.size(); ++length) {
        const title_log::ParseResult parsed = title_log::ParseRecords(body.first(length));
        std::size_t complete = 0;
        while (complete < recordEnds.size() && recordEnds[complete] <= length) ++complete;
        ASSERT_EQ(parsed.records.size(), complete) << "length " << length;
        EXPECT_EQ(parsed.consumed, complete ? recordEnds[complete - 1] : 0u) << "length " << length;
    }
}

TEST(TitleLog, DamageIsSteppedOverOnlyWhenAnIntactRecordFollows) {
    const std::vector<TitleRecord> records = {
        {Identity(1), u"Movie1"}, {Identity(2), u"Movie2"}, {Identity(3), u"Movie3"}};
    const std::vector<std::uint8_t> log = LogOf(records);
    const std::size_t firstEnd = LogOf({records[0]}).size();
    const std::size_t secondEnd = LogOf({records[0], records[1]}).size();

    struct Case {
        const char* what;
        std::size_t flippedByte;
        std::vector<std::u16string> kept;
    };
    const Case cases[] = {
        {"magic of the middle record", firstEnd, {u"Movie1", u"Movie3"}},
        {"checksum of the middle record", firstEnd + 5, {u"Movie1", u"Movie3"}},
        {"length of the middle record", firstEnd + 9, {u"Movie1", u"Movie3"}},
        {"identity in the first record", title_log::kHeaderSize + 14, {u"Movie2", u"Movie3"}},
        {"title of the last record", log.size() - 1, {u"Movie1", u"Movie2"}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> damaged = log;
        damaged[c.flippedByte] ^= 0x41;
        const title_log::ParseResult parsed = title_log::ParseRecords(Body(damaged));
        std::vector<std::u16string> kept;
        for (const TitleRecord& record : parsed.records) kept.push_back(record.title);
        EXPECT_EQ(kept, c.kept) << c.what;
    }
    // Damage at the end is not stepped over: it may be a record still being written.
    std::vector<std::uint8_t> damagedLast = log;
    damagedLast.back() ^= 0x41;
    EXPECT_EQ(title_log::ParseRecords(Body(damagedLast)).consumed, secondEnd - title_log::kHeaderSize);
}

TEST(TitleLog, GarbageNeverYieldsARecordAndIntactRecordsSurviveAmongIt) {
    std::vector<std::uint8_t> garbage;
    std::uint32_t state = 12345;
    for (int i = 0; i < 5000; ++i) {
        state = state * 1103515245u + 12345u;
        garbage.push_back(static_cast<std::uint8_t>(state >> 16));
    }
    EXPECT_TRUE(title_log::ParseRecords(garbage).records.empty());

    // The same garbage wrapped around two intact records, with no header: nothing intact is lost.
    std::vector<std::uint8_t> mixed(garbage.begin(), garbage.begin() + 700);
    title_log::AppendRecord(mixed, {Identity(8), u"NotFlv"});
    mixed.insert(mixed.end(), garbage.begin() + 700, garbage.begin() + 1500);
    title_log::AppendRecord(mixed, {Identity(9), u"FlvAd"});
    const title_log::ParseResult parsed = title_log::ParseRecords(mixed);
    ASSERT_EQ(parsed.records.size(), 2u);
    EXPECT_EQ(parsed.records[0].title, u"NotFlv");
    EXPECT_EQ(parsed.records[1].title, u"FlvAd");
    EXPECT_EQ(parsed.consumed, mixed.size());
}

TEST(TitleMap, LastRecordWinsAndEmptyTitleForgets) {
    TitleMap map;
    map.Apply({Identity(1), u"Flv"});
    map.Apply({Identity(2), u"Movie2"});
    map.Apply({Identity(1), u"Movie1"});
    map.Apply({Identity(2), u""});
    ASSERT_NE(map.Find(Identity(1)), nullptr);
    EXPECT_EQ(map.Find(Identity(1))->title, u"Movie1");
    EXPECT_EQ(map.Find(Identity(2)), nullptr);
    FileIdentity sameIndexLaterFile = Identity(1);
    sameIndexLaterFile.creationTime += 1;
    EXPECT_EQ(map.Find(sameIndexLaterFile), nullptr);
    EXPECT_EQ(map.size(), 1u);
}

TEST(TitleMap, SerializedLogHoldsOnlyLiveTitlesAndItsSizeIsKnownAhead) {
    TitleMap map;
    for (std::uint64_t i = 0; i < 50; ++i) map.Apply({Identity(i), u"Movie" + std::u16string(i % 7, u'9'), i % 3});
    for (std::uint64_t i = 0; i < 50; i += 2) map.Apply({Identity(i), u""});
    map.Apply({Identity(1), u"renamed"});
    const std::vector<std::uint8_t> log = map.Serialize(99);
    EXPECT_EQ(log.size(), map.SerializedBytes());
    EXPECT_EQ(title_log::DecodeHeader(log), 99u);

    TitleMap reread;
    for (const TitleRecord& record : title_log::ParseRecords(Body(log)).records) reread.Apply(record);
    ASSERT_EQ(reread.size(), 25u);
    for (std::uint64_t i = 1; i < 50; i += 2) {
        ASSERT_NE(reread.Find(Identity(i)), nullptr) << i;
        EXPECT_EQ(reread.Find(Identity(i))->title, map.Find(Identity(i))->title) << i;
        EXPECT_EQ(reread.Find(Identity(i))->changeTime, map.Find(Identity(i))->changeTime) << i;
    }
}

}  // namespace
}  // namespace titles
