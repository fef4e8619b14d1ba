// Our ffmpeg.exe holds only the components of tools/ffmpeg/components.txt. Every command
// line the program builds is read here as the tool reads it, and everything it needs must
// be on that list: each input's protocols and demuxers (and nothing but those may be
// opened), each output's muxer, encoders and the filters the options imply.
#include "convert/ConvertJob.h"
#include "convert/Presets.h"
#include "flashctl/DecoderCommands.h"
#include "intake/ToolCommand.h"
#include "probe/MediaProbe.h"
#include "webimport/PlaylistCommand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Components = std::set<std::pair<std::string, std::string>>;

Components ReadComponents() {
    Components components;
    std::ifstream list(REELKEEP_SOURCE_DIR "/tools/ffmpeg/components.txt");
    std::string line;
    while (std::getline(list, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string kind, name;
        if (words >> kind >> name) components.insert({kind, name});
    }
    return components;
}

std::string Narrow(std::wstring_view text) {
    std::string narrow;
    for (const wchar_t c : text) narrow.push_back(static_cast<char>(c));
    return narrow;
}

// Splits as the C runtime does for the arguments our quoting writes.
std::vector<std::string> Arguments(std::wstring_view line) {
    std::vector<std::string> arguments;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && line[at] == L' ') ++at;
        if (at >= line.size()) break;
        std::string argument;
        bool quoted = false;
        for (; at < line.size() && (quoted || line[at] != L' '); ++at) {
            if (line[at] == L'\\' && at + 1 < line.size() && (line[at + 1] == L'"' || line[at + 1] == L'\\')) {
                argument.push_back(static_cast<char>(line[++at]));
            } else if (line[at] == L'"') {
                quoted = !quoted;
            } else {
                argument.push_back(static_cast<char>(line[at]));
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

std::vector<std::string> Split(const std::string& list, char separator) {
    std::vector<std::string> items;
    std::istringstream stream(list);
    for (std::string item; std::getline(stream, item, separator);) items.push_back(item);
    return items;
}

// The filters of a chain "a=x:'y,z',b": commas inside quotes belong to the arguments.
std::vector<std::string> FilterNames(const std::string& chain) {
    std::vector<std::string> names;
    bool quoted = false, inName = true;
    std::string name;
    for (const char c : chain + ",") {
        if (c == '\'') quoted = !quoted;
        if (!quoted && c == ',') {
            names.push_back(name);
            name.clear();
            inName = true;
        } else if (c == '=') {
            inName = false;
        } else if (inName) {
            name.push_back(c);
        }
    }
    return names;
}

// What one run opens and writes, as the tool reads its arguments.
struct Input {
    std::string address;
    std::map<std::string, std::string> options;
};
struct Output {
    std::string path;
    std::map<std::string, std::string> options;
};
struct ToolRun {
    std::vector<Input> inputs;
    std::vector<Output> outputs;
};

ToolRun ReadRun(std::wstring_view line) {
    static const std::set<std::string> kFlags = {"-y",  "-nostdin", "-hide_banner", "-nostats",
                                                 "-an", "-vn",      "-sn",          "-dn"};
    const std::vector<std::string> arguments = Arguments(line);
    ToolRun run;
    std::map<std::string, std::string> pending;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (kFlags.count(argument)) {
            pending[argument] = "";
        } else if (argument == "-i" && i + 1 < arguments.size()) {
            run.inputs.push_back({arguments[++i], pending});
            pending.clear();
        } else if (argument.size() > 1 && argument[0] == '-' && i + 1 < arguments.size()) {
            pending[argument] = arguments[++i];
        } else {
            run.outputs.push_back({argument, pending});
            pending.clear();
        }
    }
    return run;
}

// The muxer ffmpeg picks by the output's name, and the encoders it picks for pictures and
// sound when the options name none: the muxers' defaults in a build with x264 and LAME.
struct MuxerDefaults {
    std::string muxer;
    std::string video;
    std::string audio;
};
const std::map<std::string, MuxerDefaults>& DefaultsByExtension() {
    static const std::map<std::string, MuxerDefaults> defaults = {
        {".mov", {"mov", "libx264", "aac"}}, {".mp4", {"mp4", "libx264", "aac"}}, {".3gp", {"tgp", "h263", "amr_nb"}},
        {".wmv", {"asf", "msmpeg4", "mp3"}}, {".avi", {"avi", "mpeg4", "mp3"}},   {".mp3", {"mp3", "", "mp3"}},
        {".mkv", {"matroska", "", ""}},      {".webm", {"webm", "", ""}}};
    return defaults;
}
const std::map<std::string, MuxerDefaults>& DefaultsByMuxer() {
    static const std::map<std::string, MuxerDefaults> defaults = {
        {"psp", {"psp", "libx264", "aac"}},         {"mp4", {"mp4", "", ""}},
        {"matroska", {"matroska", "", ""}},         {"webm", {"webm", "", ""}},
        {"rawvideo", {"rawvideo", "rawvideo", ""}}, {"s16le", {"pcm_s16le", "", "pcm_s16le"}}};
    return defaults;
}
// Encoders by the codec names the options and the defaults use.
std::string EncoderOf(const std::string& codec) {
    if (codec == "mp3") return "libmp3lame";
    if (codec == "amr_nb") return "libopencore_amrnb";
    return codec;
}

// Everything one run needs from the build.
Components Needs(const ToolRun& run) {
    Components needs;
    for (const Input& input : run.inputs) {
        for (const auto& [option, value] : input.options) {
            if (option == "-f") needs.insert({"demuxer", value});
            if (option == "-format_whitelist")
                for (const std::string& name : Split(value, ',')) needs.insert({"demuxer", name});
            if (option == "-protocol_whitelist")
                for (const std::string& name : Split(value, ',')) needs.insert({"protocol", name});
        }
    }
    for (const Output& output : run.outputs) {
        const auto& o = output.options;
        MuxerDefaults defaults;
        if (o.count("-f")) {
            defaults = DefaultsByMuxer().at(o.at("-f"));
        } else {
            defaults = DefaultsByExtension().at(output.path.substr(output.path.rfind('.')));
        }
        needs.insert({"muxer", defaults.muxer});
        needs.insert({"protocol", output.path == "-" ? "pipe" : "file"});
        const bool copy = o.count("-c") && o.at("-c") == "copy";
        std::string video = o.count("-vcodec") ? o.at("-vcodec") : defaults.video;
        std::string audio = o.count("-acodec") ? o.at("-acodec") : defaults.audio;
        if (!copy && !o.count("-vn") && !video.empty()) needs.insert({"encoder", EncoderOf(video)});
        if (!copy && !o.count("-an") && !audio.empty()) needs.insert({"encoder", EncoderOf(audio)});
        if (copy) continue;
        // Filters ffmpeg inserts for the options, and the pass-through graphs of each kind.
        needs.insert({"filter", "null"});
        needs.insert({"filter", "anull"});
        if (o.count("-s") || o.count("-vf")) needs.insert({"filter", "scale"});
        if (o.count("-pix_fmt")) needs.insert({"filter", "format"});
        if (o.count("-ar") || o.count("-ac")) needs.insert({"filter", "aresample"});
        if (o.count("-r")) needs.insert({"filter", "fps"});
        if (o.count("-t") || o.count("-ss")) {
            needs.insert({"filter", "trim"});
            needs.insert({"filter", "atrim"});
        }
        if (o.count("-vf"))
            for (const std::string& filter : FilterNames(o.at("-vf"))) needs.insert({"filter", filter});
    }
    return needs;
}

// Every command line the program builds, by who builds it.
std::vector<std::pair<std::string, std::wstring>> EveryCommandLine() {
    const std::wstring tool = L"C:\\Program Files\\Reelkeep\\ffmpeg.exe";
    const std::wstring clip = L"C:\\Program Files\\Reelkeep\\Videos\\1262304000.flv";
    std::vector<std::pair<std::string, std::wstring>> lines = {
        {"probe", probe::ProbeCommandLine(tool, clip)},
        {"preview pictures", flashctl::PictureDecodeCommand(tool, clip, 12.5)},
        {"preview sound", flashctl::SoundDecodeCommand(tool, clip, 0)},
    };
    // A capture joins a picture and its sound where the browser keeps them, a piece's bytes
    // at a time, or copies a stream put together beside the library.
    const std::wstring pieces =
        L"concat:subfile,,start,0,end,1000,,:C:\\cache\\f_1|subfile,,start,8,end,900,,:C:\\cache\\f_2";
    for (const auto container :
         {intake::ClipContainer::Mp4, intake::ClipContainer::WebM, intake::ClipContainer::Matroska}) {
        intake::CopyOrJoin join;
        join.picture = intake::ToolInput(pieces, L"", platform::kCachePieceProtocols);
        join.sound = intake::ToolInput(pieces, L"", platform::kCachePieceProtocols);
        join.container = container;
        join.output = L"C:\\Videos\\.incoming\\1.part";
        lines.push_back({"join", intake::CopyOrJoinCommandLine(tool, join)});
        intake::CopyOrJoin copy;
        copy.picture = intake::ToolInput(L"C:\\Videos\\.incoming\\2.part");
        copy.container = container;
        copy.output = L"C:\\Videos\\.incoming\\1.part";
        lines.push_back({"copy", intake::CopyOrJoinCommandLine(tool, copy)});
    }
    webimport::PlaylistSource source;
    source.input = L"https://site.example/v/index.m3u8";
    source.audioInput = L"https://site.example/a/index.m3u8";
    const webimport::RequestIdentity identity{L"Agent", L"https://site.example/page"};
    lines.push_back({"import probe", webimport::PlaylistProbeCommandLine(tool, source.input, identity)});
    for (const auto container : {intake::ClipContainer::Mp4, intake::ClipContainer::Matroska}) {
        source.container = container;
        lines.push_back({"import copy", webimport::PlaylistCopyCommandLine(tool, source, identity, L"C:\\out.part")});
    }
    for (int format = 0; format < convert::kOutputFormatCount; ++format) {
        for (int level = 1; level <= 3; ++level) {
            convert::ConvertJob job{clip, L"C:\\out", L"name", format, 0, level, format == 0, {30, 95}};
            lines.push_back({"preset " + std::to_string(format), convert::BuildFfmpegCommandLine(job, L"C:\\tool")});
        }
    }
    return lines;
}

// Demuxers that open further addresses by themselves, and protocols beyond these bytes.
const std::set<std::string> kOpenersOfMore = {"hls", "dash", "concat", "image2", "image2pipe", "mpl2", "ffmetadata"};

TEST(ToolComponents, EveryCommandLineNeedsOnlyWhatTheBuildHoldsAndOpensOnlyWhatItMust) {
    const Components built = ReadComponents();
    ASSERT_GT(built.size(), 50u) << "tools/ffmpeg/components.txt not read";
    for (const auto& [who, line] : EveryCommandLine()) {
        SCOPED_TRACE(who + ": " + Narrow(line));
        ASSERT_FALSE(line.empty());
        const ToolRun run = ReadRun(line);
        ASSERT_FALSE(run.inputs.empty());
        for (const auto& need : Needs(run))
            EXPECT_TRUE(built.count(need)) << need.first << " " << need.second << " is not in the build";
        for (const Input& input : run.inputs) {
            const auto& o = input.options;
            ASSERT_TRUE(o.count("-protocol_whitelist")) << input.address << " may open any protocol";
            ASSERT_TRUE(o.count("-f") || o.count("-format_whitelist")) << input.address << " may be any format";
            const bool web = input.address.starts_with("http");
            // Byte ranges of cache files, one after another, only where the program wrote them so.
            const bool pieces = input.address.starts_with("concat:subfile,");
            for (const std::string& protocol : Split(o.at("-protocol_whitelist"), ',')) {
                const std::set<std::string> allowed =
                    web      ? std::set<std::string>{"http", "https", "tcp", "tls", "crypto"}
                    : pieces ? std::set<std::string>{"concat", "subfile", "file"}
                             : std::set<std::string>{"file", "pipe"};
                EXPECT_TRUE(allowed.count(protocol)) << input.address << " may open " << protocol;
            }
            const std::string formats = o.count("-f") ? o.at("-f") : o.at("-format_whitelist");
            for (const std::string& format : Split(formats, ','))
                EXPECT_TRUE(web || !kOpenersOfMore.count(format)) << input.address << " may be read as " << format;
        }
    }
}

TEST(ToolComponents, TheBuildLeavesOutWhatNoRunUses) {
    const Components built = ReadComponents();
    for (const char* protocol : {"udp", "rtp", "rtmp", "ftp", "gopher", "smb", "libsmbclient", "data", "concatf",
                                 "unix", "hls", "async", "cache", "tee"})
        EXPECT_FALSE(built.count({"protocol", protocol})) << protocol;
    for (const char* demuxer : {"concat", "image2", "image2pipe", "lavfi", "sdp", "rtsp", "webm_dash_manifest"})
        EXPECT_FALSE(built.count({"demuxer", demuxer})) << demuxer;
    // The codecs the capture and the import name containers by can all be read.
    for (const char* decoder : {"h264", "hevc", "aac", "mp3", "vp8", "vp9", "libdav1d", "opus", "vorbis", "mpeg2video"})
        EXPECT_TRUE(built.count({"decoder", decoder})) << decoder;
}

}  // namespace
