// Bytes that any site can leave in a browser's cache or in the library, run through every
// command line the program gives the real ffmpeg.exe: playlists, manifests and concat
// lists that name local files, shares and sockets. The tool opens nothing but the file it
// was given (its own debug log says what it opened), no socket it could reach sees a
// connection, and no such file is listed as a clip.
// Winsock wants to come before windows.h.
#include "support/LoopbackServer.h"

#include "convert/ConvertJob.h"
#include "flashctl/DecoderCommands.h"
#include "intake/ToolCommand.h"
#include "library/ClipRecordText.h"
#include "platform/ProcessRunner.h"
#include "probe/MediaProbe.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testing_support::BinFolder;

std::wstring Tool() { return BinFolder() + L"ffmpeg.exe"; }

// A UDP port on 127.0.0.1 that counts the datagrams it is sent.
class UdpListener {
public:
    UdpListener() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int size = sizeof address;
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        u_long nonBlocking = 1;
        ioctlsocket(socket_, FIONBIO, &nonBlocking);
    }
    ~UdpListener() {
        closesocket(socket_);
        WSACleanup();
    }
    UdpListener(const UdpListener&) = delete;
    UdpListener& operator=(const UdpListener&) = delete;
    unsigned short port() const { return port_; }
    int Received() const {
        int count = 0;
        char datagram[2048];
        while (recv(socket_, datagram, sizeof datagram, 0) >= 0) ++count;
        return count;
    }

private:
    SOCKET socket_ = INVALID_SOCKET;
    unsigned short port_ = 0;
};

// The command line with the tool's debug log on: it then names every file and address it
// opens ("Opening '...' for reading").
std::wstring WithDebugLog(const std::wstring& line) {
    const std::size_t afterProgram = line.find(L'"', 1) + 1;
    return line.substr(0, afterProgram) + L" -loglevel debug" + line.substr(afterProgram);
}

// What the tool opened besides `input`, from its debug log.
std::vector<std::wstring> OtherOpens(const std::wstring& log, const std::wstring& input) {
    std::vector<std::wstring> others;
    for (std::size_t at = log.find(L"Opening '"); at != std::wstring::npos; at = log.find(L"Opening '", at + 1)) {
        const std::size_t start = at + 9;
        const std::wstring opened = log.substr(start, log.find(L'\'', start) - start);
        if (opened != input && opened != L"pipe:" && opened != L"-") others.push_back(opened);
    }
    return others;
}

void WriteText(const std::wstring& path, const std::string& text) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << text;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(HostileInputs, PlaylistsInCacheAndLibraryOpenNothingAndAreNoClips) {
    testing_support::LoopbackServer tcp([](const std::string&, testing_support::LoopbackConnection&) {});
    UdpListener udp;
    testing_support::ScratchFolder scratch(L"hostile");
    // A file of this machine that a hostile playlist names: the tool must never read it.
    const std::wstring secret = scratch.path() + L"secret.ts";
    WriteText(secret, "not for the tool");
    std::string secretUrl = Narrow(secret);
    for (char& c : secretUrl)
        if (c == '\\') c = '/';
    const std::string tcpPort = std::to_string(tcp.port());
    const std::string addresses[] = {
        "file:" + secretUrl,
        "file:///" + secretUrl,
        "file:/etc/hostname",
        "file://127.0.0.1/share/clip.ts",
        "\\\\127.0.0.1\\share\\clip.ts",
        secretUrl,
        "tcp://127.0.0.1:" + tcpPort,
        "http://127.0.0.1:" + tcpPort + "/seg.ts",
        "udp://127.0.0.1:" + std::to_string(udp.port()),
        "rtmp://127.0.0.1:" + tcpPort + "/live/clip",
        "data:video/mp2t;base64,R0dHR0dHR0dH",
        "concat:" + secretUrl + "|" + secretUrl,
        "subfile,,start,0,end,16,,:" + secretUrl,
    };
    std::vector<std::pair<std::wstring, std::string>> files;
    int n = 0;
    for (const std::string& address : addresses) {
        files.push_back({L"entry-" + std::to_wstring(++n) + L".m3u8",
                         "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\n" + address + "\n#EXT-X-ENDLIST\n"});
        files.push_back({L"entry-" + std::to_wstring(++n), "ffconcat version 1.0\nfile '" + address + "'\n"});
        files.push_back({L"entry-" + std::to_wstring(++n) + L".mpd",
                         "<MPD type=\"static\" mediaPresentationDuration=\"PT2S\"><BaseURL>" + address +
                             "</BaseURL><Period><AdaptationSet mimeType=\"video/mp2t\"><Representation id=\"1\" "
                             "bandwidth=\"1\"><BaseURL>x</BaseURL></Representation></AdaptationSet></Period></MPD>"});
    }
    // A cache entry under a name that is an image sequence's pattern.
    files.push_back({L"img%03d.png", "\x89PNG"});

    for (const auto& [name, text] : files) {
        const std::wstring path = scratch.path() + name;
        SCOPED_TRACE(Narrow(name) + ": " + text);
        WriteText(path, text);
        const probe::MediaProbeResult probed = probe::ProbeMedia(path, Tool());
        EXPECT_FALSE(library::ReportListsClip(probed.report, path)) << Narrow(probed.report);
        const std::wstring log = platform::RunAndCapture(WithDebugLog(probe::ProbeCommandLine(Tool(), path)), 20s).text;
        ASSERT_NE(log.find(L"Opening '" + path + L"'"), std::wstring::npos) << Narrow(log);
        for (const std::wstring& opened : OtherOpens(log, path)) ADD_FAILURE() << "opened " << Narrow(opened);
    }
    // The preview, a join (of two files, and of byte ranges read where the browser keeps
    // them) and a conversion read the same bytes the same way.
    const std::wstring entry = scratch.path() + L"entry-1.m3u8";
    const std::wstring output = scratch.path() + L"out.mp4";
    convert::ConvertJob job{entry, scratch.path(), L"out", 1, 0, 2, false, {}};
    const std::wstring piece = L"subfile,,start,0,end," +
                               std::to_wstring(std::filesystem::file_size(std::filesystem::path(entry))) + L",,:" +
                               entry;
    intake::CopyOrJoin join;
    join.picture = intake::ToolInput(entry);
    join.sound = intake::ToolInput(scratch.path() + L"entry-2");
    join.container = intake::ClipContainer::Mp4;
    join.output = output;
    intake::CopyOrJoin inPlace = join;
    inPlace.picture = intake::ToolInput(L"concat:" + piece, L"", platform::kCachePieceProtocols);
    inPlace.sound = intake::ToolInput(L"concat:" + piece + L"|" + piece, L"", platform::kCachePieceProtocols);
    const std::set<std::wstring> expected = {output, scratch.path() + L"entry-2", L"concat:" + piece,
                                             L"concat:" + piece + L"|" + piece, piece};
    for (const std::wstring& line :
         {flashctl::PictureDecodeCommand(Tool(), entry, 0), flashctl::SoundDecodeCommand(Tool(), entry, 0),
          intake::CopyOrJoinCommandLine(Tool(), join), intake::CopyOrJoinCommandLine(Tool(), inPlace),
          convert::BuildFfmpegCommandLine(job, BinFolder(), output)}) {
        SCOPED_TRACE(Narrow(line));
        const std::wstring log = platform::RunAndCapture(WithDebugLog(line), 20s).text;
        for (const std::wstring& opened : OtherOpens(log, entry))
            if (!expected.count(opened)) ADD_FAILURE() << "opened " << Narrow(opened);
        EXPECT_FALSE(library::ReportListsClip(probe::ProbeMedia(output, Tool()).report, output));
        DeleteFileW(output.c_str());
    }
    EXPECT_EQ(tcp.connections(), 0);
    EXPECT_EQ(udp.Received(), 0);
}

}  // namespace
