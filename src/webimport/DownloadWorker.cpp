#include "webimport/DownloadWorker.h"

#include "platform/AnsiText.h"
#include "webimport/FileImport.h"
#include "platform/HtmlText.h"
#include "webimport/ImportChannel.h"
#include "webimport/ImportRequests.h"
#include "webimport/ImportTexts.h"
#include "webimport/PageCharset.h"
#include "webimport/PageScrape.h"
#include "webimport/PageVideo.h"
#include "webimport/PlaylistImport.h"
#include "webimport/WebAddress.h"

namespace webimport {

namespace {

// A page that names more addresses than this for its video names no usable one.
constexpr std::size_t kMostVideoAddresses = 5;

// What an answer is: the video file itself, a playlist, or something to read (a page).
AddressKind KindOfAnswer(const platform::HttpResponse& response) {
    const std::wstring type = response.Header(HTTP_QUERY_CONTENT_TYPE);
    const AddressKind byType = KindOfContentType(type);
    if (byType == AddressKind::HlsPlaylist || byType == AddressKind::DashManifest) return byType;
    const AddressKind byName = KindOfAddress(response.url());
    // Servers send playlists under many types; their names say what they are.
    if (byName == AddressKind::HlsPlaylist || byName == AddressKind::DashManifest) return AddressKind::Unknown;
    return IsDirectVideoType(type) ? AddressKind::MediaFile : AddressKind::Unknown;
}

class Download {
public:
    Download(const std::shared_ptr<DownloadJob>& job, HWND dialog, const ImportSettings& settings)
        : channel_(job, dialog), settings_(settings), session_(std::wstring(kUserAgent), settings.timeoutMs) {}

    void Run(const std::wstring& typed);

private:
    const std::atomic<bool>* halt() const { return &channel_.job().halted; }
    void FailRequest(platform::HttpFailure failure) {
        if (const std::wstring_view text = RequestFailureText(failure); !text.empty()) channel_.Fail(text);
    }
    // Reads the answer whole when it is no video file, and says what it is; false when
    // it was reported or halted.
    bool ReadAnswer(platform::HttpResponse& response, std::string& body);
    void ImportPage(const std::string& body, const platform::HttpResponse& response);
    void ImportWatchPage(const PageValues& values);
    // Tries the page's video addresses in their order; false when none gave a video.
    bool ImportPageVideo(const PageVideo& video, const std::wstring& pageAddress);
    void ImportPlaylist(const std::wstring& address, std::string body, AddressKind kind, const std::wstring& title,
                        const std::wstring& referrer);

    ImportChannel channel_;
    const ImportSettings& settings_;
    platform::HttpSession session_;
};

void Download::Run(const std::wstring& typed) {
    // Only the web is asked: no request at all goes to a file:// or any other address.
    if (HasScheme(typed) && !IsWebAddress(typed)) return channel_.Fail(kNotWebAddress);
    const auto address = ResolveAddress(typed, typed);
    if (!address) return channel_.Fail(kInvalidAddress);

    platform::HttpResponse response;
    const auto failure = session_.Get(*address, response, halt());
    if (failure != platform::HttpFailure::None) return FailRequest(failure);
    if (response.status() != 200) return channel_.Fail(kInvalidAddress);
    const AddressKind kind = KindOfAnswer(response);
    // An address of the video itself is taken as it is.
    if (kind == AddressKind::MediaFile)
        return ImportFileBody(channel_, response, settings_, DirectVideoTitle(*address));

    channel_.Caption(kind == AddressKind::Unknown ? kReadingPage : kReadingPlaylist);
    std::string body;
    if (!ReadAnswer(response, body)) return;
    const AddressKind bodyKind = kind == AddressKind::Unknown ? KindOfBody(body) : kind;
    if (bodyKind != AddressKind::Unknown)
        return ImportPlaylist(response.url(), std::move(body), bodyKind, DirectVideoTitle(*address), response.url());
    ImportPage(body, response);
}

bool Download::ReadAnswer(platform::HttpResponse& response, std::string& body) {
    const BodyRead read = ReadBody(response, body);
    if (const std::wstring_view text = BodyFailureText(read); !text.empty()) channel_.Fail(text);
    return read == BodyRead::Whole;
}

void Download::ImportPage(const std::string& body, const platform::HttpResponse& response) {
    const std::wstring page = DecodePage(body, response.Header(HTTP_QUERY_CONTENT_TYPE), platform::CodePageToWide);
    // A watch page of the old kind is read as it always was.
    const PageValues values = ScrapePage(page);
    if (values.Complete()) return ImportWatchPage(values);
    const PageVideo video = ReadPageVideo(page, response.url(), halt());
    if (channel_.halted()) return;
    if (video.addresses.empty()) return channel_.Fail(kNoVideoFound);
    if (!ImportPageVideo(video, response.url()) && !channel_.halted()) channel_.Fail(kVideoNotServed);
}

void Download::ImportWatchPage(const PageValues& values) {
    platform::HttpResponse response;
    const std::wstring stream =
        StreamAddress(settings_.siteUrl, EscapeQueryValue(values.identifier), EscapeQueryValue(values.token));
    const auto failure = session_.Get(stream, response, halt());
    if (failure != platform::HttpFailure::None) return FailRequest(failure);
    if (response.status() != 200) return channel_.Fail(kInvalidAddress);
    ImportFileBody(channel_, response, settings_, platform::PageTitleText(values.title));
}

bool Download::ImportPageVideo(const PageVideo& video, const std::wstring& pageAddress) {
    for (std::size_t i = 0; i < video.addresses.size() && i < kMostVideoAddresses; ++i) {
        const std::wstring& address = video.addresses[i];
        platform::HttpResponse response;
        const auto failure = session_.Get(address, response, halt(), pageAddress);
        if (failure == platform::HttpFailure::Halted) return true;
        if (failure != platform::HttpFailure::None || response.status() != 200) continue;
        const std::wstring title = video.title.empty() ? DirectVideoTitle(address) : video.title;
        const AddressKind kind = KindOfAnswer(response);
        if (kind == AddressKind::MediaFile) {
            ImportFileBody(channel_, response, settings_, title);
            return true;
        }
        // An embedded player's page or anything else that is no playlist: try the next.
        std::string body;
        if (ReadBody(response, body, kLargestPage) != BodyRead::Whole) continue;
        const AddressKind bodyKind = kind == AddressKind::Unknown ? KindOfBody(body) : kind;
        if (bodyKind == AddressKind::Unknown) continue;
        ImportPlaylist(response.url(), std::move(body), bodyKind, title, pageAddress);
        return true;
    }
    return false;
}

void Download::ImportPlaylist(const std::wstring& address, std::string body, AddressKind kind,
                              const std::wstring& title, const std::wstring& referrer) {
    webimport::ImportPlaylist(channel_, session_, settings_, {address, std::move(body), kind, title, referrer});
}

}  // namespace

void RunDownload(const std::shared_ptr<DownloadJob>& job, HWND dialog, const std::wstring& address,
                 const ImportSettings& settings) {
    Download(job, dialog, settings).Run(address);
}

}  // namespace webimport
