#pragma once
// Decisions of the in-memory runtime that need no Windows header: the virtual paths of
// in-memory movies, the library loads the image is not allowed to make, and the sample
// scaling of the wave output.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace flashhost {

// Marks a path as one of ours; the two GUID texts keep it from meeting a real file.
inline constexpr std::wstring_view kMemoryMovieMarker = L"D7BAED74924D435D84DB8A1E89E7AE3A";

// "Z:\FromMemory\<marker>\<n>\<file>.swf": the path under which movie n is opened.
std::wstring MemoryMoviePath(unsigned number);

// A path that names something of in-memory movie `number`: the movie itself when
// `relative` is the movie's own file name, otherwise a file beside it.
struct MemoryMovieReference {
    unsigned number = 0;
    std::wstring relative;
};
// Finds the marker followed by a separator, a decimal number and a separator, with "\"
// and "/" taken alike; nothing for any other path.
std::optional<MemoryMovieReference> ParseMemoryMoviePath(std::wstring_view path);
// The movie's own file name inside its virtual folder.
bool IsMemoryMovieFile(std::wstring_view relative);

// The image may not load its support library from a folder of its choosing: a path that
// ends, from some backslash on, in "\swsupport.dll" or "\swsupport" (any case).
bool IsRefusedLibraryPath(std::string_view path);

// Scales interleaved PCM samples in place by volume / 65535; 8-bit samples are unsigned
// around 128, 16-bit ones signed little-endian. Other widths are left alone.
void ScaleSamples(unsigned char* data, std::size_t bytes, unsigned bytesPerSample, std::uint16_t volume);

}  // namespace flashhost
