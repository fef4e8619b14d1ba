#pragma once
// What one run of ffmpeg.exe may open, as the options that go before its "-i". The tool
// reads whatever an input names: a playlist in a cache entry would have it fetch local
// files, shares and sockets. So every input says which protocols and which demuxers it
// takes, and tools/ffmpeg/components.txt holds nothing beyond them. Portable.
#include <string>
#include <string_view>

namespace platform {

// The demuxers of bytes on this machine (cache entries, library clips, conversion outputs
// read back): media containers only. No playlist, manifest, concat list or image
// sequence, each of which opens further addresses by itself.
inline constexpr std::wstring_view kLocalMediaFormats = L"flv,mov,matroska,mpegts,avi,asf,mp3,aac,ogg,wav";

// " -protocol_whitelist file,pipe -format_whitelist <kLocalMediaFormats>": a local file
// whose container the program does not know.
std::wstring LocalMediaInput();
// " -protocol_whitelist file,pipe -f <demuxer>": a local file whose container the program
// knows ("mov", "matroska", ...).
std::wstring LocalMediaInput(std::wstring_view demuxer);

// The web import's input: a playlist or manifest and its segments, over http and https
// only (tls and crypto under them), with the demuxers of playlists and of their segments.
// Certificates are checked by the tool itself (our build verifies by default).
std::wstring WebStreamInput();

}  // namespace platform
