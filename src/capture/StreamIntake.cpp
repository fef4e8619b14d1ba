#include "capture/StreamIntake.h"

#include "capture/FileStamps.h"
#include "capture/BodyAssembly.h"
#include "capture/PageNames.h"
#include "capture/StoredDigests.h"
#include "intake/ClipReport.h"
#include "intake/IncomingClip.h"
#include "library/ClipPlacement.h"
#include "platform/FileValues.h"
#include "platform/Paths.h"
#include "platform/ProcessRunner.h"
#include "platform/UniqueHandle.h"
#include "platform/ToolInputs.h"
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

constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

FILETIME FileTimeOfUnixSeconds(std::int64_t seconds) {
    const std::uint64_t value = static_cast<std::uint64_t>(seconds + kSecondsFrom1601To1970) * 10000000ull;
    return FILETIME{static_cast<DWORD>(value & 0xffffffffu), static_cast<DWORD>(value >> 32)};
}

Assembly Assemble(const MediaStream& stream, const std::wstring& folder, const std::wstring& destination) {
    return AssembleBody(stream.body, stream.otherDigests, folder, destination);
}

StreamOutcome OutcomeOfUnmade(Assembly assembly) {
    return assembly == Assembly::Damaged ? StreamOutcome::Damaged : StreamOutcome::Failed;
}

StreamOutcome OutcomeOfUnkept(const intake::MadeClip& made) {
    return made.verdict == intake::ClipVerdict::DamagedInput ? StreamOutcome::Damaged : StreamOutcome::Failed;
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

// What the tool says of a rebuilt stream whose bytes did not tell (an old FLV, something
// unknown): asked only then.
intake::ClipReport ProbeStream(const std::wstring& path, const std::wstring& ffmpegPath) {
    const probe::MediaProbeResult result = probe::ProbeMedia(path, ffmpegPath);
    if (result.timedOut) return {};
    return intake::ReadClipReport(result.report);
}

// The stream read where the browser keeps it: a "concat:" of "subfile" pieces of the cache
// files, in order. Nothing when there are too many pieces for one command line (or for the
// files the tool may hold open) or a path the tool could not take.
std::optional<intake::ToolInput> InPlaceInput(const std::wstring& folder, const MediaStream& stream,
                                              std::size_t longest) {
    constexpr std::size_t kMostPieces = 400;
    if (stream.body.empty() || stream.body.size() > kMostPieces) return std::nullopt;
    std::wstring url = L"concat:";
    for (const BodyRange& range : stream.body) {
        const std::wstring path = CacheFilePath(folder, range.file);
        if (path.starts_with(L"\\\\") || path.find_first_of(L"|\"") != std::wstring::npos) return std::nullopt;
        if (url.size() > 7) url += L'|';
        url += L"subfile,,start," + std::to_wstring(range.offset) + L",end," +
               std::to_wstring(range.offset + range.length) + L",,:" + path;
        if (url.size() > longest) return std::nullopt;
    }
    return intake::ToolInput(url, L"", platform::kCachePieceProtocols);
}

// The check, run while the tool reads, that the bytes read in place are the ones the
// browser stored digests for: a clip of bytes that fail is never kept. None when nothing
// is read in place.
std::function<bool()> StoredDigestsHold(const std::wstring& folder, const std::vector<const MediaStream*>& read) {
    std::vector<BodyRange> checked;
    for (const MediaStream* part : read) {
        checked.insert(checked.end(), part->body.begin(), part->body.end());
        checked.insert(checked.end(), part->otherDigests.begin(), part->otherDigests.end());
    }
    if (checked.empty()) return {};
    return [folder, checked] {
        return CheckStoredDigests(DiskCacheFiles(platform::FileSystemPath(folder)), checked) == DigestCheck::Hold;
    };
}

// A command line holds 32,767 characters; inputs read in place must leave room for the rest.
constexpr std::size_t kCommandRoom = 31'000;

// A codec as the container rule takes it: one the bytes did not name is none it knows,
// which Matroska holds, never no codec at all.
std::wstring RuleCodec(bool present, const std::string& codec) {
    if (!present) return {};
    return codec.empty() ? L"?" : std::wstring(codec.begin(), codec.end());
}

// How long a stream plays: as its manifest times the segments kept, else as its bytes say.
std::optional<double> SecondsOf(const MediaStream& stream) {
    return stream.manifestSeconds ? stream.manifestSeconds : stream.content.seconds;
}

}  // namespace

std::wstring StreamRecordPath(const std::wstring& libraryFolder) { return libraryFolder + L".streams\\captured.txt"; }

std::int64_t StreamIntake::Now() const {
    return context_.now ? context_.now() : static_cast<std::int64_t>(std::time(nullptr));
}

// The record as the file says, unless the file is damaged (cut short, garbled, or a
// folder in its place): then what it still says, with every clip's own account of the
// streams it was made from over it, written out afresh. A lost record thus never brings
// a second copy of a kept stream.
void StreamIntake::LoadRecord() {
    if (record_) return;
    const std::wstring path = StreamRecordPath(context_.libraryFolder);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    bool damaged = false;
    std::string text;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        damaged = true;
        // Only an empty one goes: whatever someone put in it is not ours to delete.
        RemoveDirectoryW(path.c_str());
    } else if (attributes != INVALID_FILE_ATTRIBUTES) {
        damaged = !ReadWholeFile(path, text);
    }
    bool garbled = false;
    record_ = StreamRecord::Parse(text, &garbled);
    if (!damaged && !garbled && attributes != INVALID_FILE_ATTRIBUTES) return;
    // A library whose record is missing may hold clips of streams all the same (a record
    // deleted, a library copied): they are asked too.
    platform::ForEachFile(context_.libraryFolder, [&](const WIN32_FIND_DATAW& entry) {
        const std::wstring name = entry.cFileName;
        for (const auto& [identity, length] :
             ParseClipStreams(titles::ReadStreamIdentities(context_.libraryFolder + name)))
            record_->Set(identity, {length, name, ""});
    });
    RewriteRecord();
}

void StreamIntake::RewriteRecord() {
    const std::wstring path = StreamRecordPath(context_.libraryFolder);
    CreateDirectoryW((context_.libraryFolder + L".streams").c_str(), nullptr);
    const std::wstring part = path + L".part";
    const std::string text = record_->Text();
    {
        platform::UniqueFile file(
            CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !platform::WriteWholeBlock(file.get(), text.data(), static_cast<DWORD>(text.size()))) return;
    }
    recordDirty_ = !MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void StreamIntake::Record(const std::string& identity, const CapturedStream& captured) {
    if (!record_->Set(identity, captured)) return;
    // A record that could not be written whole is tried whole again: lines appended to a
    // file that missed some would read as complete.
    if (recordDirty_) return RewriteRecord();
    CreateDirectoryW((context_.libraryFolder + L".streams").c_str(), nullptr);
    const std::string line = StreamRecord::Line(identity, captured);
    platform::UniqueFile file(CreateFileW(StreamRecordPath(context_.libraryFolder).c_str(), FILE_APPEND_DATA,
                                          FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    recordDirty_ = !file || !platform::WriteWholeBlock(file.get(), line.data(), static_cast<DWORD>(line.size()));
}

// Streams recorded in this folder that are no longer in it left the cache: they go from
// the record, which is then written whole.
void StreamIntake::Prune(const std::vector<MediaStream>& streams) {
    std::vector<std::string> present;
    for (const MediaStream& stream : streams) present.push_back(stream.identity);
    std::sort(present.begin(), present.end());
    bool pruned = false;
    for (const std::string& identity : record_->InFolder(folderTag_)) {
        if (std::binary_search(present.begin(), present.end(), identity)) continue;
        record_->Erase(identity);
        pruned = true;
    }
    if (pruned) RewriteRecord();
}

const CapturedStream* StreamIntake::Recorded(const MediaStream& stream) const {
    const CapturedStream* found = record_->Find(stream.identity);
    if (found == nullptr && !stream.legacyIdentity.empty()) found = record_->Find(stream.legacyIdentity);
    return found;
}

bool StreamIntake::Captured(const MediaStream& stream) const {
    const CapturedStream* captured = Recorded(stream);
    return captured != nullptr && captured->length >= stream.BodyLength();
}

// A whole response kept or judged by an earlier version carries its marker.
bool StreamIntake::AlreadyMarked(const std::wstring& folder, const MediaStream& stream) const {
    if (stream.shape != StreamShape::Single || stream.ownFiles.empty() || Recorded(stream)) return false;
    return titles::ReadTitle(CacheFilePath(folder, stream.ownFiles.front())) != titles::kTitleNotSet;
}

void StreamIntake::MarkSingle(const std::wstring& folder, const MediaStream& stream, std::wstring_view marker) const {
    if (stream.shape != StreamShape::Single) return;
    for (const std::string& file : stream.ownFiles)
        titles::WriteTitle(CacheFilePath(folder, file), std::wstring(marker));
}

void StreamIntake::Remember(const Members& members, const std::wstring& clipName) {
    Record(members.stream->identity, {members.stream->BodyLength(), clipName, folderTag_});
    if (members.audio) Record(members.audio->identity, {members.audio->BodyLength(), clipName, folderTag_});
    // The clip carries its streams too, so that the record can be made again from clips.
    std::vector<std::pair<std::string, std::uint64_t>> made{{members.stream->identity, members.stream->BodyLength()}};
    if (members.audio) made.emplace_back(members.audio->identity, members.audio->BodyLength());
    const std::wstring clip = context_.libraryFolder + clipName;
    if (platform::FileExists(clip)) titles::WriteStreamIdentities(clip, ClipStreamsText(made));
}

std::optional<std::int64_t> StreamIntake::TakeFolder(const std::wstring& folder, const CacheFiles& files,
                                                     const std::vector<CachedResponse>& responses, bool wholeFolder) {
    nextCheck_.reset();
    LoadRecord();
    folderTag_ = CacheFolderTag(folder);
    std::vector<MediaStream> streams = GroupStreams(files, responses);
    if (wholeFolder) Prune(streams);
    // Only streams with something new are read: a pass over thousands of kept pieces costs
    // no byte of them. A stream kept with a partner is read again with it when either grows.
    std::vector<std::wstring> growingClips;
    for (const MediaStream& stream : streams)
        if (const CapturedStream* kept = Recorded(stream);
            kept && kept->length < stream.BodyLength() && !kept->clip.empty())
            growingClips.push_back(kept->clip);
    for (MediaStream& stream : streams) {
        const CapturedStream* kept = Recorded(stream);
        const bool grows =
            kept && std::find(growingClips.begin(), growingClips.end(), kept->clip) != growingClips.end();
        if (kept && kept->length >= stream.BodyLength() && !grows) continue;
        const auto known = inspected_.find(stream.identity);
        if (known != inspected_.end() && known->second.first == stream.BodyLength()) {
            stream.content = known->second.second;
            continue;
        }
        stream.content = intake::InspectMedia(StreamBytes(files, stream.body));
        inspected_[stream.identity] = {stream.BodyLength(), stream.content};
    }
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
    if (members.stream->IsAudioOnly() && !members.audio) return settle(StreamOutcome::NotVideo);
    if (Captured(*members.stream) && (!members.audio || Captured(*members.audio)))
        return settle(StreamOutcome::NothingNew);
    // A picture that more than one sound fits: never joined by a guess, never judged silent.
    if (group.ambiguous) {
        Due(now + kStreamSettleSeconds);
        return StreamOutcome::Waiting;
    }
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
    const int tries = retry != retryAt_.end() && retry->second.pieces == pieces ? retry->second.tries : 0;
    if (retry != retryAt_.end() && retry->second.pieces == pieces) {
        if (!retry->second.at) return StreamOutcome::Damaged;
        if (now < *retry->second.at) {
            Due(*retry->second.at);
            return StreamOutcome::Waiting;
        }
    }
    currentPieces_ = pieces;
    StreamOutcome outcome;
    if (const auto job = running_.find(members.stream->identity); job != running_.end()) {
        if (job->second.made.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            Due(now + 1);
            return StreamOutcome::Waiting;
        }
        Running done = std::move(job->second);
        running_.erase(job);
        const intake::MadeClip made = done.made.get();
        // The pieces changed while the tool ran: what it made is of an older stream.
        if (done.pieces != pieces) {
            outcome = StreamOutcome::Waiting;
        } else {
            outcome = made.good() ? Keep(folder, done.joined ? members : Members{members.stream, nullptr},
                                         *done.files.back(), done.container, made.fields)
                                  : OutcomeOfUnkept(made);
        }
    } else {
        outcome = Judge(folder, members, settled);
    }
    switch (outcome) {
    case StreamOutcome::Waiting: Due(now + 1); return outcome;
    case StreamOutcome::Damaged: retryAt_[members.stream->identity] = {std::nullopt, pieces, tries}; return outcome;
    case StreamOutcome::Failed: {
        // A tool that fails on these pieces again and again is not run on them every few
        // seconds: after the quick tries, once an hour, so that a mended tool still takes them.
        const std::int64_t wait = tries + 1 >= kMostFailedTries ? kSlowStreamRetrySeconds : kFailedStreamRetrySeconds;
        retryAt_[members.stream->identity] = {now + wait, pieces, tries + 1};
        Due(now + wait);
        return outcome;
    }
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
    // The stream put together in the incoming folder, when a step needs it as one file.
    std::shared_ptr<intake::IncomingFile> video;
    const auto assemble = [&]() -> std::optional<StreamOutcome> {
        if (video) return std::nullopt;
        video = std::make_shared<intake::IncomingFile>(context_.libraryFolder, second);
        if (const Assembly made = Assemble(stream, folder, video->path()); made != Assembly::Written)
            return OutcomeOfUnmade(made);
        return std::nullopt;
    };
    intake::MediaContent content = stream.content;
    if (!content.known()) {
        if (const auto unmade = assemble()) return *unmade;
        // Bytes no reader knows: the tool's word decides, as for any whole file.
        const intake::ClipReport probed = ProbeStream(video->path(), context_.ffmpegPath);
        if (!probed.answered) return StreamOutcome::Failed;
        content.video = probed.video;
        content.audio = probed.audio;
        content.videoCodec = std::string(probed.videoCodec.begin(), probed.videoCodec.end());
        content.audioCodec = std::string(probed.audioCodec.begin(), probed.audioCodec.end());
    }
    const auto silent = [&] {
        if (context_.keepSilentClips && context_.keepSilentClips()) return false;
        return true;
    };
    if (!content.video) {
        MarkSingle(folder, stream, titles::kTitleNotFlv);
        Note(stream, L"");
        return StreamOutcome::NotVideo;
    }
    const std::wstring videoCodec = RuleCodec(true, content.videoCodec);
    // A whole file in a container the library keeps is kept as it came, under the
    // extension of that container; anything rebuilt goes into the container of its codecs.
    if (content.audio || !members.audio) {
        if (!content.audio && silent()) {
            // A rebuilt picture may yet find its sound: it is judged silent only once it settled.
            if (!settled && stream.shape != StreamShape::Single) return StreamOutcome::Waiting;
            MarkSingle(folder, stream, titles::kTitleFlvAd);
            Note(stream, L"");
            return StreamOutcome::Silent;
        }
        const intake::Expectation expected{true, content.audio, SecondsOf(stream), stream.BodyLength()};
        if (stream.shape == StreamShape::Single) {
            if (const auto unmade = assemble()) return *unmade;
            // A whole file stays as it came, in the container the tool read, as a web
            // download of it would; one in a container the tool could not name is rewritten.
            const intake::MadeClip checked =
                intake::CheckClip(context_.ffmpegPath, video->path(), {true, content.audio, std::nullopt, 0});
            if (!checked.good()) return checked.report.answered ? StreamOutcome::Damaged : StreamOutcome::Failed;
            if (const std::optional<intake::ClipContainer> asItIs = intake::ContainerOfWholeFile(checked.report))
                return Keep(folder, {members.stream, nullptr}, *video, *asItIs, checked.fields);
        }
        const intake::ClipContainer container =
            intake::ContainerForCodecs(videoCodec, RuleCodec(content.audio, content.audioCodec));
        auto clip = std::make_shared<intake::IncomingFile>(context_.libraryFolder, second);
        intake::CopyOrJoin job;
        job.container = container;
        job.output = clip->path();
        std::vector<std::shared_ptr<intake::IncomingFile>> files;
        std::vector<const MediaStream*> readInPlace;
        // Pieces are rewritten from where the browser keeps them, so their bytes are written
        // once; a stream already put together to be asked what it holds, from that copy.
        const std::optional<intake::ToolInput> inPlace =
            video ? std::nullopt : InPlaceInput(folder, stream, kCommandRoom);
        if (inPlace) {
            job.picture = *inPlace;
            readInPlace.push_back(&stream);
        } else {
            if (const auto unmade = assemble()) return *unmade;
            job.picture.location = video->path();
            files.push_back(video);
        }
        files.push_back(clip);
        const std::optional<intake::MadeClip> made =
            RunTool(stream, job, stream.BodyLength(), expected, std::move(files), container, false,
                    StoredDigestsHold(folder, readInPlace));
        if (!made) return StreamOutcome::Waiting;
        if (!made->good()) return OutcomeOfUnkept(*made);
        return Keep(folder, {members.stream, nullptr}, *clip, container, made->fields);
    }
    const MediaStream& sound = *members.audio;
    // Both streams are read where the browser keeps them when they can be, so that their
    // bytes are read by the join and written once; else they are put together first.
    std::vector<std::shared_ptr<intake::IncomingFile>> files;
    // The picture's pieces first, the sound's in what is left.
    std::optional<intake::ToolInput> pictureInput = InPlaceInput(folder, stream, kCommandRoom - 4'000);
    const std::size_t pictureLength = pictureInput ? pictureInput->location.size() : 0;
    std::optional<intake::ToolInput> soundInput = InPlaceInput(folder, sound, kCommandRoom - pictureLength);
    std::vector<const MediaStream*> readInPlace;
    if (pictureInput) readInPlace.push_back(&stream);
    if (soundInput) readInPlace.push_back(&sound);
    const std::function<bool()> inputsHold = StoredDigestsHold(folder, readInPlace);
    if (!pictureInput) {
        if (const auto unmade = assemble()) return *unmade;
        pictureInput = intake::ToolInput(video->path());
        files.push_back(video);
    }
    if (!soundInput) {
        auto audio = std::make_shared<intake::IncomingFile>(context_.libraryFolder, second);
        if (const Assembly made = Assemble(sound, folder, audio->path()); made != Assembly::Written)
            return OutcomeOfUnmade(made);
        soundInput = intake::ToolInput(audio->path());
        files.push_back(audio);
    }
    // A picture cut short by a gap takes the sound up to where it stops; else the clip
    // lasts as long as the longer of the two.
    const std::optional<double> pictureSeconds = SecondsOf(stream);
    const std::optional<double> soundSeconds = SecondsOf(sound);
    std::optional<double> expected;
    std::optional<double> limit;
    if (stream.cutAtGap && pictureSeconds) {
        limit = *pictureSeconds;
        expected = pictureSeconds;
        if (soundSeconds) expected = std::min(*pictureSeconds, *soundSeconds);
    } else if (pictureSeconds && soundSeconds) {
        expected = std::max(*pictureSeconds, *soundSeconds);
    }
    const intake::ClipContainer container =
        intake::ContainerForCodecs(videoCodec, RuleCodec(true, sound.content.audioCodec));
    auto joined = std::make_shared<intake::IncomingFile>(context_.libraryFolder, second);
    intake::CopyOrJoin job;
    job.picture = *pictureInput;
    job.sound = *soundInput;
    job.container = container;
    job.seconds = limit;
    job.output = joined->path();
    files.push_back(joined);
    // The sound left out by a cut is not expected in the clip.
    const double soundShare = limit && soundSeconds && *soundSeconds > 0 ? std::min(1.0, *limit / *soundSeconds) : 1.0;
    const auto inputBytes = static_cast<std::uint64_t>(static_cast<double>(stream.BodyLength()) +
                                                       soundShare * static_cast<double>(sound.BodyLength()));
    const std::optional<intake::MadeClip> made =
        RunTool(stream, job, stream.BodyLength() + sound.BodyLength(), {true, true, expected, inputBytes},
                std::move(files), container, true, inputsHold);
    if (!made) return StreamOutcome::Waiting;
    if (!made->good()) return OutcomeOfUnkept(*made);
    return Keep(folder, members, *joined, container, made->fields);
}

std::optional<intake::MadeClip> StreamIntake::RunTool(const MediaStream& stream, const intake::CopyOrJoin& job,
                                                      std::uint64_t bytes, const intake::Expectation& expected,
                                                      std::vector<std::shared_ptr<intake::IncomingFile>> files,
                                                      intake::ClipContainer container, bool joined,
                                                      const std::function<bool()>& inputsHold) {
    const std::chrono::milliseconds timeout = context_.toolTimeout
                                                  ? context_.toolTimeout(bytes)
                                                  : std::chrono::milliseconds(intake::ToolTimeoutMilliseconds(bytes));
    // The tool runs on a thread of its own: a hung one must not hold up the other streams.
    // Its files are the thread's too, so they stay until it has ended.
    std::future<intake::MadeClip> made =
        std::async(std::launch::async, [ffmpeg = context_.ffmpegPath, job, timeout, expected, files, inputsHold] {
            std::future<bool> holds;
            if (inputsHold) holds = std::async(std::launch::async, inputsHold);
            intake::MadeClip made = intake::MakeClip(ffmpeg, job, timeout, expected);
            if (holds.valid() && !holds.get()) made.verdict = intake::ClipVerdict::DamagedInput;
            return made;
        });
    if (made.wait_for(context_.toolWait) == std::future_status::ready) return made.get();
    running_[stream.identity] = {std::move(made), std::move(files), container, joined, currentPieces_};
    return std::nullopt;
}

void StreamIntake::Note(const MediaStream& stream, const std::wstring& clipName) {
    Record(stream.identity, {stream.BodyLength(), clipName, folderTag_});
}

StreamOutcome StreamIntake::Keep(const std::wstring& folder, const Members& members, intake::IncomingFile& clipFile,
                                 intake::ClipContainer container, const probe::ProbeFields& fields) {
    const MediaStream& stream = *members.stream;
    const CapturedStream* earlier = Recorded(stream);
    if (earlier != nullptr && !earlier->clip.empty()) {
        const std::wstring clip = context_.libraryFolder + earlier->clip;
        const std::wstring clipName = earlier->clip;
        // A clip the user deleted stays deleted; the stream is only noted as far as it went.
        if (!platform::FileExists(clip)) {
            Remember(members, clipName);
            return StreamOutcome::NothingNew;
        }
        if (!intake::SwapInGrownClip(clip, clipFile)) return StreamOutcome::Failed;
        Remember(members, clipName);
        if (context_.clipGrown) context_.clipGrown({clip, true, fields});
        return StreamOutcome::Grown;
    }
    const std::int64_t fetched = stream.firstFetched != 0 ? stream.firstFetched : Now();
    const FILETIME created = FileTimeOfUnixSeconds(fetched);
    MovieNumbers& numbers = context_.numbers ? *context_.numbers : ProcessMovieNumbers();
    const history::PageName page = PageOfStream(context_.pageNames, folder, stream);
    std::wstring number;
    intake::Placement placement;
    placement.libraryFolder = context_.libraryFolder;
    placement.second = static_cast<std::int32_t>(fetched);
    placement.created = &created;
    placement.sourceUrl = Widen(stream.url);
    placement.pageUrl = page.pageUrl;
    placement.title = [&] {
        if (!page.title.empty()) return page.title;
        number = NextMovieNumber(numbers);
        return std::wstring(titles::kTitleMoviePrefix) + number;
    };
    placement.container = container;
    const std::wstring clip = intake::PlaceClip(clipFile, placement);
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
    std::erase_if(inspected_, [this](const auto& known) { return !settling_.Knows(known.first); });
}

}  // namespace capture
