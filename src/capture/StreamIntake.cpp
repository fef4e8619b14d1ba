#include "capture/StreamIntake.h"

#include "capture/FileStamps.h"
#include "capture/ProbedStreams.h"
#include "capture/BodyAssembly.h"
#include "capture/PageNames.h"
#include "library/ClipPlacement.h"
#include "platform/FileValues.h"
#include "platform/ProcessRunner.h"
#include "platform/UniqueHandle.h"
#include "probe/MediaProbe.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <functional>
#include <vector>

namespace capture {

namespace {

// Joining copies every packet once; a stream of hours on a slow disk may take minutes.
constexpr std::chrono::milliseconds kJoinTimeout{10 * 60 * 1000};
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr DWORD kCopyBlock = 1u << 20;

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

FILETIME FileTimeOfUnixSeconds(std::int64_t seconds) {
    const std::uint64_t value = static_cast<std::uint64_t>(seconds + kSecondsFrom1601To1970) * 10000000ull;
    return FILETIME{static_cast<DWORD>(value & 0xffffffffu), static_cast<DWORD>(value >> 32)};
}

// Owns a name in the incoming folder: whatever still lies there at the end goes. A file
// moved into the library has left it.
class IncomingFile {
public:
    IncomingFile(const std::wstring& libraryFolder, std::int32_t second)
        : path_(library::IncomingTemporaryName(libraryFolder, second)) {}
    IncomingFile(const IncomingFile&) = delete;
    IncomingFile& operator=(const IncomingFile&) = delete;
    ~IncomingFile() { DeleteFileW(path_.c_str()); }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

Assembly Assemble(const MediaStream& stream, const std::wstring& folder, const std::wstring& destination) {
    return AssembleBody(stream.body, stream.otherDigests, folder, destination);
}

StreamOutcome OutcomeOfUnmade(Assembly assembly) {
    return assembly == Assembly::Damaged ? StreamOutcome::Damaged : StreamOutcome::Failed;
}

// The extension of a stream kept as it was sent: a whole file keeps the library's
// ".flv", as it always has; a rebuilt one is named by its container's first bytes.
std::wstring ExtensionOfAssembled(const MediaStream& stream, const std::wstring& path) {
    if (stream.shape == StreamShape::Single) return L".flv";
    std::array<std::uint8_t, 8> start{};
    DWORD read = 0;
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file || !ReadFile(file.get(), start.data(), static_cast<DWORD>(start.size()), &read, nullptr) || read < 8)
        return L".flv";
    const std::string_view box(reinterpret_cast<const char*>(start.data()) + 4, 4);
    if (box == "ftyp" || box == "moof" || box == "styp" || box == "moov") return L".mp4";
    if (start[0] == 0x1a && start[1] == 0x45 && start[2] == 0xdf && start[3] == 0xa3) return L".webm";
    if (start[0] == 0x47) return L".ts";
    return L".flv";
}

// Puts the bytes of `source` in place of the clip's own, so the clip keeps its name, row
// and times. Where titles are kept by file identity (size and write time among it) the
// title and address are written again for the grown file. False, with the clip as it
// was or whole, when another program holds it.
bool GrowClip(const std::wstring& clip, const std::wstring& source) {
    const std::wstring title = titles::ReadTitle(clip);
    const std::wstring address = titles::ReadSourceUrl(clip);
    const std::wstring page = titles::ReadPageUrl(clip);
    // A title that cannot be read now would be lost with the old identity.
    if (title == titles::kTitleNotSet) return false;
    {
        platform::UniqueFile in(
            CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        platform::UniqueFile out(
            CreateFileW(clip.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!in || !out) return false;
        FILETIME created{};
        FILETIME written{};
        const bool timed = GetFileTime(out.get(), &created, nullptr, &written);
        std::vector<char> block(kCopyBlock);
        for (;;) {
            DWORD read = 0;
            if (!ReadFile(in.get(), block.data(), kCopyBlock, &read, nullptr)) return false;
            if (read == 0) break;
            if (!platform::WriteWholeBlock(out.get(), block.data(), read)) return false;
        }
        if (!SetEndOfFile(out.get()) || !FlushFileBuffers(out.get())) return false;
        // The clip's date is its creation time; Wine shows the write time in its place.
        if (timed) SetFileTime(out.get(), &created, nullptr, &written);
    }
    titles::WriteTitle(clip, title);
    if (!address.empty()) titles::WriteSourceUrl(clip, address);
    if (!page.empty()) titles::WritePageUrl(clip, page);
    return true;
}

bool ReadWholeFile(const std::wstring& path, std::string& text) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    char block[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), block, sizeof block, &read, nullptr) && read > 0) text.append(block, read);
    return true;
}

struct Probed {
    bool answered = false;  // the tool ran and spoke as itself
    ProbedStreams streams;
    probe::ProbeFields fields;
};

Probed Probe(const std::wstring& path, const std::wstring& ffmpegPath) {
    const probe::MediaProbeResult result = probe::ProbeMedia(path, ffmpegPath);
    if (result.timedOut || !IsToolReport(result.report)) return {};
    return {true, ReadProbedStreams(result.report), result.fields};
}

}  // namespace

std::wstring StreamRecordPath(const std::wstring& libraryFolder) { return libraryFolder + L".streams\\captured.txt"; }

std::int64_t StreamIntake::Now() const {
    return context_.now ? context_.now() : static_cast<std::int64_t>(std::time(nullptr));
}

void StreamIntake::LoadRecord() {
    if (record_) return;
    std::string text;
    ReadWholeFile(StreamRecordPath(context_.libraryFolder), text);
    record_ = StreamRecord::Parse(text);
}

void StreamIntake::SaveRecord() const {
    const std::wstring path = StreamRecordPath(context_.libraryFolder);
    CreateDirectoryW((context_.libraryFolder + L".streams").c_str(), nullptr);
    const std::wstring part = path + L".part";
    const std::string text = record_->Text();
    {
        platform::UniqueFile file(
            CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !platform::WriteWholeBlock(file.get(), text.data(), static_cast<DWORD>(text.size()))) return;
    }
    MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool StreamIntake::Captured(const MediaStream& stream) const {
    const CapturedStream* captured = record_->Find(stream.identity);
    return captured != nullptr && captured->length >= stream.BodyLength();
}

// A whole response kept or judged by an earlier version carries its marker.
bool StreamIntake::AlreadyMarked(const std::wstring& folder, const MediaStream& stream) const {
    if (stream.shape != StreamShape::Single || stream.ownFiles.empty() || record_->Find(stream.identity)) return false;
    return titles::ReadTitle(CacheFilePath(folder, stream.ownFiles.front())) != titles::kTitleNotSet;
}

void StreamIntake::MarkSingle(const std::wstring& folder, const MediaStream& stream, std::wstring_view marker) const {
    if (stream.shape != StreamShape::Single) return;
    for (const std::string& file : stream.ownFiles)
        titles::WriteTitle(CacheFilePath(folder, file), std::wstring(marker));
}

void StreamIntake::Remember(const Members& members, const std::wstring& clipName) {
    record_->Set(members.stream->identity, {members.stream->BodyLength(), clipName});
    if (members.audio) record_->Set(members.audio->identity, {members.audio->BodyLength(), clipName});
    SaveRecord();
}

std::optional<std::int64_t> StreamIntake::TakeFolder(const std::wstring& folder, const CacheFiles& files,
                                                     const std::vector<CachedResponse>& responses) {
    nextCheck_.reset();
    const std::vector<MediaStream> streams = GroupStreams(files, responses);
    for (const StreamGroup& group : PairStreams(streams)) TakeGroup(folder, streams, group);
    return nextCheck_;
}

StreamOutcome StreamIntake::TakeGroup(const std::wstring& folder, const std::vector<MediaStream>& streams,
                                      const StreamGroup& group) {
    LoadRecord();
    const Members members{&streams[group.stream], group.audio ? &streams[*group.audio] : nullptr};
    const std::int64_t now = Now();
    std::uint64_t total = 0;
    bool settled = true;
    bool complete = true;
    bool judged = true;
    for (const MediaStream* stream : {members.stream, members.audio}) {
        if (stream == nullptr) continue;
        settling_.Observe(stream->identity, stream->BodyLength(), stream->pieces, now);
        settled = settled && settling_.Settled(stream->identity, now, kStreamSettleSeconds);
        complete = complete && stream->complete;
        total += stream->BodyLength();
        const auto found = judged_.find(stream->identity);
        judged = judged && found != judged_.end() && found->second == stream->BodyLength();
    }
    if (judged) return StreamOutcome::NothingNew;
    const auto settle = [&](StreamOutcome outcome) {
        judged_[members.stream->identity] = members.stream->BodyLength();
        if (members.audio) judged_[members.audio->identity] = members.audio->BodyLength();
        return outcome;
    };
    // An audio stream that no picture claims is never a clip; a picture may still come.
    if (members.stream->IsAudio() && !members.audio) return settle(StreamOutcome::NotVideo);
    if (Captured(*members.stream) && (!members.audio || Captured(*members.audio)))
        return settle(StreamOutcome::NothingNew);
    if (AlreadyMarked(folder, *members.stream)) return settle(StreamOutcome::NothingNew);
    if (!PassesSizeRule(total)) return settle(StreamOutcome::TooSmall);
    if (!settled && !complete) {
        Due(now + kStreamSettleSeconds);
        return StreamOutcome::Waiting;
    }
    std::uint64_t pieces = 0;
    for (const MediaStream* stream : {members.stream, members.audio}) {
        if (stream == nullptr) continue;
        pieces = MixStamp(pieces, stream->filesStamp);
        for (const BodyRange& range : stream->body)
            pieces =
                MixStamp(MixStamp(MixStamp(pieces, std::hash<std::string>()(range.file)), range.offset), range.length);
    }
    const auto retry = retryAt_.find(members.stream->identity);
    if (retry != retryAt_.end() && retry->second.pieces == pieces) {
        if (!retry->second.at) return StreamOutcome::Damaged;
        if (now < *retry->second.at) {
            Due(*retry->second.at);
            return StreamOutcome::Waiting;
        }
    }
    const StreamOutcome outcome = Judge(folder, members, settled);
    switch (outcome) {
    case StreamOutcome::Waiting: Due(now + 1); return outcome;
    case StreamOutcome::Damaged: retryAt_[members.stream->identity] = {std::nullopt, pieces}; return outcome;
    case StreamOutcome::Failed:
        retryAt_[members.stream->identity] = {now + kFailedStreamRetrySeconds, pieces};
        Due(now + kFailedStreamRetrySeconds);
        return outcome;
    default: break;
    }
    retryAt_.erase(members.stream->identity);
    return settle(outcome);
}

void StreamIntake::Due(std::int64_t when) { nextCheck_ = nextCheck_ ? std::min(*nextCheck_, when) : when; }

StreamOutcome StreamIntake::Judge(const std::wstring& folder, const Members& members, bool settled) {
    const MediaStream& stream = *members.stream;
    const std::int64_t fetched = stream.firstFetched != 0 ? stream.firstFetched : Now();
    const std::int32_t second = static_cast<std::int32_t>(fetched);
    CreateDirectoryW(library::IncomingFolder(context_.libraryFolder).c_str(), nullptr);
    IncomingFile video(context_.libraryFolder, second);
    if (const Assembly made = Assemble(stream, folder, video.path()); made != Assembly::Written)
        return OutcomeOfUnmade(made);
    const Probed picture = Probe(video.path(), context_.ffmpegPath);
    if (!picture.answered) return StreamOutcome::Failed;
    if (!picture.streams.video) {
        MarkSingle(folder, stream, titles::kTitleNotFlv);
        record_->Set(stream.identity, {stream.BodyLength(), L""});
        SaveRecord();
        return StreamOutcome::NotVideo;
    }
    if (picture.streams.audio) {
        if (stream.shape == StreamShape::Playlist &&
            ContainerForCodecs(picture.streams.videoCodec, picture.streams.audioCodec) == ClipContainer::Mp4) {
            // Segments of a transport stream are joined as they lie; MP4 plays everywhere.
            IncomingFile remuxed(context_.libraryFolder, second);
            const std::wstring command =
                JoinCommandLine(context_.ffmpegPath, video.path(), L"", ClipContainer::Mp4, remuxed.path());
            platform::RunAndCapture(command, kJoinTimeout);
            const Probed made = Probe(remuxed.path(), context_.ffmpegPath);
            if (made.answered && made.streams.video && made.streams.audio)
                return Keep(folder, {members.stream, nullptr}, remuxed.path(), L".mp4", made.fields);
        }
        return Keep(folder, {members.stream, nullptr}, video.path(), ExtensionOfAssembled(stream, video.path()),
                    picture.fields);
    }
    if (members.audio) {
        IncomingFile audio(context_.libraryFolder, second);
        if (const Assembly made = Assemble(*members.audio, folder, audio.path()); made != Assembly::Written)
            return OutcomeOfUnmade(made);
        const Probed sound = Probe(audio.path(), context_.ffmpegPath);
        if (!sound.answered) return StreamOutcome::Failed;
        const bool agree = picture.streams.seconds < 0 || sound.streams.seconds < 0 ||
                           DurationsAgree(picture.streams.seconds, sound.streams.seconds);
        if (sound.streams.audio && !sound.streams.video && agree) {
            const ClipContainer container = ContainerForCodecs(picture.streams.videoCodec, sound.streams.audioCodec);
            IncomingFile joined(context_.libraryFolder, second);
            platform::RunAndCapture(
                JoinCommandLine(context_.ffmpegPath, video.path(), audio.path(), container, joined.path()),
                kJoinTimeout);
            const Probed made = Probe(joined.path(), context_.ffmpegPath);
            if (!made.answered || !made.streams.video || !made.streams.audio) return StreamOutcome::Failed;
            return Keep(folder, members, joined.path(), ExtensionOf(container), made.fields);
        }
    }
    if (context_.keepSilentClips && context_.keepSilentClips())
        return Keep(folder, {members.stream, nullptr}, video.path(), ExtensionOfAssembled(stream, video.path()),
                    picture.fields);
    // A rebuilt picture may yet find its sound: it is judged silent only once it settled.
    if (!settled && stream.shape != StreamShape::Single) return StreamOutcome::Waiting;
    MarkSingle(folder, stream, titles::kTitleFlvAd);
    record_->Set(stream.identity, {stream.BodyLength(), L""});
    SaveRecord();
    return StreamOutcome::Silent;
}

StreamOutcome StreamIntake::Keep(const std::wstring& folder, const Members& members, const std::wstring& clipFile,
                                 const std::wstring& extension, const probe::ProbeFields& fields) {
    const MediaStream& stream = *members.stream;
    const CapturedStream* earlier = record_->Find(stream.identity);
    if (earlier != nullptr && !earlier->clip.empty()) {
        const std::wstring clip = context_.libraryFolder + earlier->clip;
        const std::wstring clipName = earlier->clip;
        // A clip the user deleted stays deleted; the stream is only noted as far as it went.
        if (!platform::FileExists(clip)) {
            Remember(members, clipName);
            DeleteFileW(clipFile.c_str());
            return StreamOutcome::NothingNew;
        }
        if (!GrowClip(clip, clipFile)) return StreamOutcome::Failed;
        DeleteFileW(clipFile.c_str());
        Remember(members, clipName);
        if (context_.clipGrown) context_.clipGrown({clip, true, fields});
        return StreamOutcome::Grown;
    }
    const std::int64_t fetched = stream.firstFetched != 0 ? stream.firstFetched : Now();
    const FILETIME created = FileTimeOfUnixSeconds(fetched);
    MovieNumbers& numbers = context_.numbers ? *context_.numbers : ProcessMovieNumbers();
    const history::PageName page = PageOfStream(context_.pageNames, folder, stream);
    std::wstring number;
    const std::wstring clip = library::PlaceCopyInLibrary(
        clipFile, context_.libraryFolder, static_cast<std::int32_t>(fetched),
        [&] {
            if (!page.title.empty()) return page.title;
            number = NextMovieNumber(context_.libraryFolder, numbers);
            return std::wstring(titles::kTitleMoviePrefix) + number;
        },
        &created, Widen(stream.url), extension, page.pageUrl);
    if (clip.empty()) return StreamOutcome::Failed;
    if (!number.empty()) numbers.Given(number, clip);
    Remember(members, clip.substr(context_.libraryFolder.size()));
    MarkSingle(folder, stream, titles::kTitleFlv);
    if (members.audio) MarkSingle(folder, *members.audio, titles::kTitleFlv);
    if (context_.clipAdded) context_.clipAdded({clip, true, fields});
    return StreamOutcome::Kept;
}

void StreamIntake::ForgetUnseen() {
    // A stream out of sight for an hour has left the cache; one that is back is new again.
    constexpr std::int64_t kRememberedSeconds = 3600;
    settling_.ForgetObservedBefore(Now() - kRememberedSeconds);
    std::erase_if(judged_, [this](const auto& judged) { return !settling_.Knows(judged.first); });
    std::erase_if(retryAt_, [this](const auto& retry) { return !settling_.Knows(retry.first); });
}

}  // namespace capture
