#pragma once
// The intake of the streams of one browser cache: each stream (with the audio stream
// played beside it) is put together from its pieces into the incoming folder, probed
// there, joined by ffmpeg when it comes in two, and kept as one clip. A stream kept once
// and grown later grows its own clip: same file, title and date.
#include "capture/Intake.h"
#include "capture/MediaStreams.h"
#include "capture/StreamPairing.h"
#include "capture/StreamRecord.h"
#include "intake/ClipCheck.h"
#include "intake/ClipContainer.h"
#include "intake/IncomingClip.h"
#include "intake/ToolCommand.h"

#include <windows.h>

#include <future>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace capture {

enum class StreamOutcome {
    NothingNew,  // kept or judged as far as it reaches now
    Waiting,     // still growing, or its partner is: looked at again next pass
    TooSmall,    // the clip it would make is no larger than a page
    NotVideo,    // no picture, or an audio stream alone: never a clip
    Silent,      // a picture without sound, and silent clips are not kept
    Kept,        // a new clip
    Grown,       // its clip holds more now
    // Bytes do not match a digest the browser stored beside them: damaged on disk. Nothing
    // is kept or marked; the stream is read again once the browser writes its files anew.
    Damaged,
    Failed,  // pieces unreadable, the tool did not answer, or the library refused: tried again
};

// A stream whose intake failed (a tool that did not answer, a piece another program
// held) is tried again after this long, or as soon as its pieces change.
inline constexpr std::int64_t kFailedStreamRetrySeconds = 15;
// How often a stream is tried with the same pieces at that pace; after that it is tried
// once in this long, until its pieces change.
inline constexpr int kMostFailedTries = 5;
inline constexpr std::int64_t kSlowStreamRetrySeconds = 3600;

// The library's record of captured streams lives in this file.
std::wstring StreamRecordPath(const std::wstring& libraryFolder);

class StreamIntake {
public:
    explicit StreamIntake(const IntakeContext& context) : context_(context) {}

    // One pass over a cache folder's responses (`folder` without a trailing backslash).
    // Returns the time at which a stream still waiting may be ready, if any is waiting.
    // With `wholeFolder` every entry of the folder could be read, so streams recorded in it
    // and no longer there are pruned from the record.
    std::optional<std::int64_t> TakeFolder(const std::wstring& folder, const CacheFiles& files,
                                           const std::vector<CachedResponse>& responses, bool wholeFolder = true);
    StreamOutcome TakeGroup(const std::wstring& folder, const std::vector<MediaStream>& streams,
                            const StreamGroup& group);
    // Call once per pass: forgets streams that are gone.
    void ForgetUnseen();

private:
    struct Members {
        const MediaStream* stream = nullptr;
        const MediaStream* audio = nullptr;
    };
    std::int64_t Now() const;
    void LoadRecord();
    void RewriteRecord();
    void Record(const std::string& identity, const CapturedStream& captured);
    void Prune(const std::vector<MediaStream>& streams);
    // Its line in the record, under its name or the name earlier versions gave it.
    const CapturedStream* Recorded(const MediaStream& stream) const;
    bool Captured(const MediaStream& stream) const;
    bool AlreadyMarked(const std::wstring& folder, const MediaStream& stream) const;
    void Due(std::int64_t when);
    StreamOutcome Judge(const std::wstring& folder, const Members& members, bool settled);
    // `fields`: the probe of `clipFile`, handed on to the list with the clip.
    StreamOutcome Keep(const std::wstring& folder, const Members& members, intake::IncomingFile& clipFile,
                       intake::ClipContainer container, const probe::ProbeFields& fields);
    // Judged without a clip (no picture, or silent): noted so that it is not judged again.
    void Note(const MediaStream& stream, const std::wstring& clipName);
    void Remember(const Members& members, const std::wstring& clipName);
    void MarkSingle(const std::wstring& folder, const MediaStream& stream, std::wstring_view marker) const;

    const IntakeContext& context_;
    StreamSettling settling_;
    std::optional<StreamRecord> record_;
    bool recordDirty_ = false;  // an append failed: the next change writes the record whole
    std::string folderTag_;     // of the cache folder being taken
    // Streams judged at this length in this run: a pass with nothing new costs a lookup.
    std::unordered_map<std::string, std::uint64_t> judged_;
    // Streams whose intake failed, with the time of the next try unless their pieces
    // change before: a missing tool or a full disk must not cost a rebuild of every
    // stream on every pass, while a piece the browser renamed is read again at once. A
    // damaged stream waits for its pieces to change, however long that takes.
    struct Retry {
        std::optional<std::int64_t> at;  // none: only once its pieces change
        std::uint64_t pieces = 0;        // a digest of where the stream's bytes lay, and how their files stood
        int tries = 0;                   // failed intakes of these pieces
    };
    std::unordered_map<std::string, Retry> retryAt_;
    // What each stream's bytes hold, by its length when read: a stream that did not grow
    // is not read again.
    std::unordered_map<std::string, std::pair<std::uint64_t, intake::MediaContent>> inspected_;
    // Copies and joins still running after a pass stopped waiting for them, by stream: their
    // files stay until the tool has ended, and the result is taken on a later pass.
    struct Running {
        std::future<intake::MadeClip> made;
        std::vector<std::shared_ptr<intake::IncomingFile>> files;  // inputs, then the output
        intake::ClipContainer container = intake::ClipContainer::Matroska;
        bool joined = false;
        std::uint64_t pieces = 0;
    };
    std::unordered_map<std::string, Running> running_;
    // Starts the tool; the clip when it ended within the pass's wait, else nothing (it is
    // then among `running_`).
    std::optional<intake::MadeClip> RunTool(const MediaStream& stream, const intake::CopyOrJoin& job,
                                            std::uint64_t bytes, const intake::Expectation& expected,
                                            std::vector<std::shared_ptr<intake::IncomingFile>> files,
                                            intake::ClipContainer container, bool joined,
                                            const std::function<bool()>& inputsHold = {});
    std::uint64_t currentPieces_ = 0;
    std::optional<std::int64_t> nextCheck_;
};

}  // namespace capture
