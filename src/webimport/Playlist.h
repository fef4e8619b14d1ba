#pragma once
// HLS playlists and DASH manifests: their variants, the one worth downloading, how long
// they play and which container their codecs fit. Portable.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace webimport {

struct HlsVariant {
    std::wstring address;  // its media playlist, absolute
    int width = 0;
    int height = 0;
    unsigned long long bandwidth = 0;
    std::wstring codecs;      // as written in CODECS, for example "avc1.64001f,mp4a.40.2"
    std::wstring audioGroup;  // AUDIO, the group of its separate sound, if any
};

struct HlsRendition {
    std::wstring groupId;
    std::wstring address;  // empty when the sound is inside the variant's own segments
    bool isDefault = false;
};

struct HlsPlaylist {
    bool valid = false;  // starts with #EXTM3U
    // A master playlist lists variants; a media playlist lists segments.
    std::vector<HlsVariant> variants;
    std::vector<HlsRendition> audio;
    std::vector<std::wstring> segments;  // absolute
    double seconds = 0;                  // the sum of #EXTINF
    bool ended = false;                  // #EXT-X-ENDLIST: a whole recording, not a live stream
    // The first segment, key or map address of a media playlist that is no http or https
    // address, as written ("file:C:/...", "tcp://..."); empty when there is none.
    std::wstring notWebPart;
    bool isMaster() const { return !variants.empty(); }
};

// Reads a playlist fetched from `address`; relative addresses in it are resolved against
// that, and entries that are no http or https address are left out (a media playlist
// names the first of them in notWebPart).
HlsPlaylist ParseHlsPlaylist(std::wstring_view text, std::wstring_view address);

// The variant with the largest picture (width times height), then the highest bandwidth;
// the first of equals. nullopt when there is none.
std::optional<std::size_t> BestVariant(const std::vector<HlsVariant>& variants);

// The sound a variant names by its AUDIO group: the group's DEFAULT=YES entry, else its
// first; empty when the variant's own segments carry the sound.
std::wstring AudioAddressOf(const HlsPlaylist& master, const HlsVariant& variant);

struct DashRepresentation {
    bool video = false;  // else sound
    int width = 0;
    int height = 0;
    unsigned long long bandwidth = 0;
    std::wstring codecs;
};

struct DashManifest {
    bool valid = false;  // has an <MPD> element
    bool live = false;   // type="dynamic": a stream still being made
    int periods = 0;
    std::vector<DashRepresentation> representations;  // video and sound, in document order
    std::optional<double> seconds;                    // mediaPresentationDuration
    // How many fragments the tool would ask for, over every representation: what the
    // segment lists, timelines and templates (by their duration) add up to.
    double parts = 0;
    // The first BaseURL, segment or initialization address that names another scheme
    // than http or https, as written; empty when there is none.
    std::wstring notWebPart;
};

DashManifest ParseDashManifest(std::wstring_view text);

// Which video representation (counted among the video ones) and which sound
// representation (among the sound ones) to keep: the largest picture then the highest
// bandwidth, and the sound of the highest bandwidth.
struct DashChoice {
    std::optional<std::size_t> video;
    std::optional<std::size_t> audio;
    std::wstring codecs;  // of both, joined by ","
};
DashChoice ChooseRepresentations(const DashManifest& manifest);

// Playlists that no video needs: longer than a day, or of more parts than that at one a
// second. Refused before the tool asks for a single part of them.
inline constexpr double kLongestPlaylistSeconds = 24 * 3600;
inline constexpr double kMostPlaylistParts = 24 * 3600;
bool IsAbsurd(const HlsPlaylist& media);
bool IsAbsurd(const DashManifest& manifest);

// "PT1H2M3.5S" in seconds; nullopt for text that is no such duration.
std::optional<double> ParseIsoDuration(std::wstring_view text);

}  // namespace webimport
