// Damages real browser caches in memory, a few bytes or a cut at a time, and reads them
// again, grouping what they hold into streams and pairing pictures with sound as the
// watcher does: neither the readers nor the stream rules may crash, read out of bounds or
// trip a sanitizer, whatever the files hold. Deterministic (fixed seed), so a failure repeats.
#include "capture/CacheReaders.h"
#include "capture/MediaStreams.h"
#include "intake/ClipReport.h"
#include "intake/ToolCommand.h"
#include "capture/StreamPairing.h"
#include "capture/StreamRecord.h"
#include "capture/StoredDigests.h"
#include "intake/MediaBytes.h"
#include "intake/StreamManifest.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <iterator>
#include <random>

namespace {

using capture::CacheFiles;
using capture::CacheKind;

class MemoryCacheFiles final : public CacheFiles {
public:
    std::map<std::string, std::vector<std::uint8_t>> files;

    std::vector<std::string> List(const std::string& subfolder) const override {
        std::vector<std::string> names;
        const std::string prefix = subfolder.empty() ? "" : subfolder + "/";
        for (const auto& [name, bytes] : files) {
            if (!name.starts_with(prefix)) continue;
            const std::string rest = name.substr(prefix.size());
            if (rest.find('/') == std::string::npos) names.push_back(rest);
        }
        return names;
    }
    std::optional<std::uint64_t> Size(const std::string& name) const override {
        const auto found = files.find(name);
        if (found == files.end()) return std::nullopt;
        return found->second.size();
    }
    bool Read(const std::string& name, std::uint64_t offset, std::span<std::uint8_t> out) const override {
        const auto found = files.find(name);
        if (found == files.end() || offset > found->second.size() || out.size() > found->second.size() - offset)
            return false;
        if (!out.empty()) std::memcpy(out.data(), found->second.data() + offset, out.size());
        return true;
    }
};

MemoryCacheFiles Load(const std::filesystem::path& folder, std::uint64_t largest) {
    MemoryCacheFiles cache;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.file_size() > largest) continue;
        std::vector<std::uint8_t>& bytes =
            cache.files[std::filesystem::relative(entry.path(), folder).generic_string()];
        bytes.resize(entry.file_size());
        std::ifstream(entry.path(), std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    }
    return cache;
}

// The bytes that matter in a cache are its non-zero ones (the index is mostly zeros), so
// most damage lands beside one of them.
class Mutator {
public:
    explicit Mutator(const MemoryCacheFiles& seed) {
        for (const auto& [name, bytes] : seed.files) {
            names_.push_back(name);
            std::vector<std::size_t>& live = live_[name];
            for (std::size_t i = 0; i < bytes.size(); i += 1 + i / 4096)
                if (bytes[i] != 0) live.push_back(i);
        }
    }

    // Returns the name of the file it damaged.
    const std::string& Damage(MemoryCacheFiles& cache, std::mt19937_64& random) const {
        const std::string& name = names_[random() % names_.size()];
        std::vector<std::uint8_t>& bytes = cache.files[name];
        if (bytes.empty()) return name;
        const std::vector<std::size_t>& live = live_.at(name);
        std::size_t at = random() % bytes.size();
        if (!live.empty() && random() % 4 != 0)
            at = std::min(bytes.size() - 1, live[random() % live.size()] + random() % 16);
        static constexpr std::uint32_t kWords[] = {0, 1, 0xffffffff, 0x7fffffff, 0x80000000, 0xfffffff0, 24, 4096};
        switch (random() % 5) {
        case 0: bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8)); break;
        case 1: bytes[at] = static_cast<std::uint8_t>(random()); break;
        case 2:
            if (bytes.size() - at >= 4) {
                const std::uint32_t word = kWords[random() % std::size(kWords)];
                std::memcpy(bytes.data() + at, &word, 4);
            }
            break;
        case 3: bytes.resize(at); break;
        default:
            if (bytes.size() - at >= 8) std::memset(bytes.data() + at, 0xff, 8);
            break;
        }
        return name;
    }

private:
    std::vector<std::string> names_;
    std::map<std::string, std::vector<std::size_t>> live_;
};

// Touches the last byte of each range, and checks the digests the browser stored for the
// ranges and for what lies beside them as the intake does. Counts the ranges that read,
// and in `broken` the digests that fail.
std::size_t TouchRanges(const CacheFiles& files, const std::vector<capture::BodyRange>& body,
                        const std::vector<capture::BodyRange>& otherDigests, std::size_t& broken) {
    for (const auto* ranges : {&body, &otherDigests})
        if (capture::CheckStoredDigests(files, *ranges) == capture::DigestCheck::Fail) ++broken;
    std::size_t ranges = 0;
    for (const capture::BodyRange& range : body) {
        std::uint8_t last[1];
        if (range.length > 0 && files.Read(range.file, range.offset + range.length - 1, last)) ++ranges;
    }
    return ranges;
}

// What the intake decides for a pair once the tool has spoken: the report's stream lines,
// the container, the command line, and the record line of each stream.
void Decide(const capture::MediaStream& stream, const capture::MediaStream* audio, const std::string& report) {
    const std::wstring wide(report.begin(), report.end());
    const intake::ClipReport probed = intake::ReadClipReport(wide);
    intake::CopyOrJoin job;
    job.picture.location = L"v.part";
    if (audio) job.sound = intake::ToolInput{L"a.part"};
    job.container = intake::ContainerForCodecs(probed.videoCodec, probed.audioCodec);
    job.output = L"o.part";
    if (intake::CopyOrJoinCommandLine(L"ffmpeg.exe", job).empty()) std::abort();
    if (audio && probed.seconds) capture::DurationsAgree(*probed.seconds, *probed.seconds + 1);
    capture::StreamRecord record;
    record.Set(stream.identity, {stream.BodyLength(), intake::ExtensionOf(job.container), "0123abcd"});
    if (audio) record.Set(audio->identity, {audio->BodyLength(), L"", ""});
    std::string text = record.Text();
    if (!text.empty()) text.resize(text.size() / 2);
    capture::StreamRecord::Parse(text);
    capture::ParseClipStreams(wide);
}

// Reads everything the way the watcher would, groups and pairs it, and touches the last
// byte of each range of each response and of each stream. `broken` counts the stored
// digests that fail, of responses and of streams.
std::size_t ReadAll(const CacheFiles& files, CacheKind kind, const std::string& report, std::size_t& broken) {
    std::size_t ranges = 0;
    const std::vector<capture::CachedResponse> responses = capture::ReadCache(files, kind);
    for (const capture::CachedResponse& response : responses)
        ranges += TouchRanges(files, response.body, response.otherDigests, broken);
    std::vector<capture::MediaStream> streams = capture::GroupStreams(files, responses);
    capture::InspectStreams(files, streams);
    for (const capture::StreamGroup& group : capture::PairStreams(streams)) {
        const capture::MediaStream& stream = streams.at(group.stream);
        ranges += TouchRanges(files, stream.body, stream.otherDigests, broken);
        Decide(stream, group.audio ? &streams.at(*group.audio) : nullptr, report);
    }
    return ranges;
}

// A probe report of the Windows tool, damaged the same way as the caches.
std::string Report(std::mt19937_64& random) {
    static const std::string golden = [] {
        std::ifstream file(std::filesystem::path(REELKEEP_TEST_DATA) / "probe" / "mp4-320x240-sound.report",
                           std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }();
    std::string report = golden;
    for (int i = 0, n = static_cast<int>(random() % 6); i < n && !report.empty(); ++i) {
        const std::size_t at = random() % report.size();
        if (random() % 3 == 0) {
            report.resize(at);
        } else {
            report[at] = static_cast<char>(random());
        }
    }
    return report;
}

// The manifests and playlists a cache holds, damaged on their own a few bytes at a time
// and read by both readers; each damaged text is also read as the bytes of a stream.
void FuzzManifests(const MemoryCacheFiles& seed, CacheKind kind, std::mt19937_64& random, int rounds) {
    std::vector<std::pair<std::string, std::string>> manifests;
    for (const capture::CachedResponse& response : capture::ReadCache(seed, kind)) {
        if (response.BodyLength() > (1u << 20)) continue;
        const std::vector<std::uint8_t> body = capture::ReadBody(seed, response);
        const std::string text(body.begin(), body.end());
        if (intake::LooksLikeDash(text) || intake::LooksLikeHls(text)) manifests.emplace_back(response.url, text);
    }
    for (int round = 0; round < rounds && !manifests.empty(); ++round) {
        auto [url, text] = manifests[random() % manifests.size()];
        for (int i = 0, n = 1 + static_cast<int>(random() % 6); i < n && !text.empty(); ++i) {
            const std::size_t at = random() % text.size();
            switch (random() % 4) {
            case 0: text.resize(at); break;
            case 1: text.insert(at, text.substr(random() % text.size(), random() % 64)); break;
            default: text[at] = "<>\"=/$%0123456789-rdtS\n#:,@"[random() % 27]; break;
            }
        }
        for (const intake::StreamManifest& manifest :
             {intake::ReadDashManifest(text, url, 5000), intake::ReadHlsPlaylist(text, url, 5000)})
            for (const intake::ManifestStream& stream : manifest.streams)
                if (stream.segments.size() > 5000) std::abort();
        intake::InspectMedia(
            intake::MemoryBytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
    }
}

int Fuzz(const char* folder, CacheKind kind, std::uint64_t largestFile, int rounds) {
    const MemoryCacheFiles seed =
        Load(std::filesystem::path(REELKEEP_TEST_DATA) / "browser-caches" / folder, largestFile);
    std::mt19937_64 random(0x5eed);
    std::size_t seedBroken = 0;
    const std::size_t seedRanges = ReadAll(seed, kind, Report(random), seedBroken);
    if (seedRanges == 0) {
        std::printf("%s: the seed cache reads as empty\n", folder);
        return 1;
    }
    // The caches are as the browsers left them: a digest that fails there was attached to
    // bytes it does not cover, by a reader or by the grouping into streams.
    if (seedBroken != 0) {
        std::printf("%s: %zu stored digests fail on the undamaged cache\n", folder, seedBroken);
        return 1;
    }
    const Mutator mutator(seed);
    // Damaged files are put back after each round: copying the whole cache every time
    // would cost more than reading it.
    MemoryCacheFiles cache = seed;
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::string> damaged;
        const int damages = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < damages; ++i) damaged.push_back(mutator.Damage(cache, random));
        std::size_t broken = 0;
        ReadAll(cache, kind, Report(random), broken);
        for (const std::string& name : damaged) cache.files[name] = seed.files.at(name);
    }
    FuzzManifests(seed, kind, random, 2000);
    std::printf("%s: %d damaged copies read, seed ranges %zu\n", folder, rounds, seedRanges);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (const char* more = std::getenv("REELKEEP_FUZZ_ROUNDS")) rounds = std::atoi(more);
    int failures = 0;
    failures += Fuzz("firefox/cache2", CacheKind::Firefox, 400000, rounds);
    failures += Fuzz("chromium-simple/Cache_Data", CacheKind::ChromiumSimple, 400000, rounds);
    failures += Fuzz("chromium-blockfile/Cache_Data", CacheKind::ChromiumBlockfile, 3u << 20, rounds);
    failures += Fuzz("streams-firefox/cache2", CacheKind::Firefox, 400000, rounds);
    failures += Fuzz("streams-simple/Cache_Data", CacheKind::ChromiumSimple, 400000, rounds);
    failures += Fuzz("streams-blockfile/Cache_Data", CacheKind::ChromiumBlockfile, 3u << 20, rounds);
    failures += Fuzz("hls-blockfile/Cache_Data", CacheKind::ChromiumBlockfile, 3u << 20, rounds);
    // The players' caches hold many small entries, each read and inspected: fewer rounds
    // each keep the layer's time, and their manifests are damaged on their own besides.
    failures += Fuzz("players-simple/Cache_Data", CacheKind::ChromiumSimple, 400000, rounds / 8);
    failures += Fuzz("players-blockfile/Cache_Data", CacheKind::ChromiumBlockfile, 3u << 20, rounds / 8);
    failures += Fuzz("players-firefox/cache2", CacheKind::Firefox, 400000, rounds / 8);
    failures += Fuzz("hostile-nomanifest/Cache_Data", CacheKind::ChromiumBlockfile, 3u << 20, rounds / 8);
    std::printf(failures ? "FAILED\n" : "0 crashes\n");
    return failures ? 1 : 0;
}
