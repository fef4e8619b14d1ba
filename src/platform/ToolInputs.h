#pragma once
// What one run of ffmpeg.exe may open, as the options that go before its "-i". The tool
// reads whatever an input names: a playlist in a cache entry would have it fetch local
// files, shares and sockets. So every input says which protocols and which demuxers it
// takes, and tools/ffmpeg/components.txt holds nothing beyond them. Portable.
#include <string>
#include <string_view>

namespace platform {

// Bytes on this machine: a file, or the tool's own pipes.
inline constexpr std::wstring_view kLocalProtocols = L"file,pipe";
// A stream read in place from the browser's cache: its pieces' byte ranges of the cache
// files ("subfile"), one after another ("concat"). Only ever as the program writes them.
inline constexpr std::wstring_view kCachePieceProtocols = L"concat,subfile,file";
// The web import: http and https, with tcp and tls under them and crypto for AES-128 HLS.
inline constexpr std::wstring_view kWebProtocols = L"http,https,tcp,tls,crypto";

// The demuxers of bytes on this machine (cache entries, library clips, conversion outputs
// read back): media containers only. No playlist, manifest, concat list or image
// sequence, each of which opens further addresses by itself.
inline constexpr std::wstring_view kLocalMediaFormats = L"flv,mov,matroska,mpegts,avi,asf,mp3,aac,ogg,wav";
// A web playlist or manifest, and its segments: MPEG-TS, fragmented MP4 or packed sound.
inline constexpr std::wstring_view kWebStreamFormats = L"hls,dash,mpegts,mov,aac,mp3";

// " -protocol_whitelist <protocols> -format_whitelist <formats>".
std::wstring InputLimits(std::wstring_view protocols, std::wstring_view formats);
// A local file whose container the program does not know.
inline std::wstring LocalMediaInput() { return InputLimits(kLocalProtocols, kLocalMediaFormats); }
// " -protocol_whitelist file,pipe -f <demuxer>": a local file whose container the program
// knows ("mov", "matroska", ...).
std::wstring LocalMediaInput(std::wstring_view demuxer);
// The web import's input. Certificates are checked by the tool itself (our build verifies
// by default).
inline std::wstring WebStreamInput() { return InputLimits(kWebProtocols, kWebStreamFormats); }

}  // namespace platform
