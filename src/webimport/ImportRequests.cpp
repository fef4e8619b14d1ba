#include "webimport/ImportRequests.h"

#include "webimport/ImportTexts.h"

namespace webimport {

namespace {

constexpr DWORD kPieceSize = 1024;

}  // namespace

BodyRead ReadBody(platform::HttpResponse& response, std::string& bytes, std::size_t limit) {
    using Read = platform::HttpResponse::Read;
    bytes.clear();
    char piece[kPieceSize];
    DWORD got = 0;
    for (;;) {
        switch (response.ReadPiece(piece, kPieceSize, got)) {
        case Read::Data: break;
        case Read::End: return BodyRead::Whole;
        case Read::Failed: return BodyRead::Failed;
        case Read::Halted: return BodyRead::Halted;
        }
        if (bytes.size() + got > limit) return BodyRead::TooLarge;
        bytes.append(piece, got);
    }
}

std::wstring_view RequestFailureText(platform::HttpFailure failure) {
    switch (failure) {
    case platform::HttpFailure::BadAddress: return kInvalidAddress;
    case platform::HttpFailure::Network: return kNetworkFailure;
    case platform::HttpFailure::TooManyRedirects: return kTooManyRedirects;
    case platform::HttpFailure::Halted:
    case platform::HttpFailure::None: break;
    }
    return {};
}

std::wstring_view BodyFailureText(BodyRead read) {
    switch (read) {
    case BodyRead::TooLarge: return kPageTooLarge;
    case BodyRead::Failed: return kNetworkFailure;
    case BodyRead::Whole:
    case BodyRead::Halted: break;
    }
    return {};
}

}  // namespace webimport
