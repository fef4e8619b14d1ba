#include "capture/CacheReaders.h"

#include "capture/BlockfileCache.h"
#include "capture/ChromiumCache.h"
#include "capture/FirefoxCache.h"
#include "capture/SimpleCache.h"

namespace capture {

CacheKind DetectCacheKind(const CacheFiles& files, bool namedCache2) {
    switch (DetectChromiumLayout(files)) {
    case ChromiumLayout::Simple: return CacheKind::ChromiumSimple;
    case ChromiumLayout::Blockfile: return CacheKind::ChromiumBlockfile;
    case ChromiumLayout::None: break;
    }
    return namedCache2 ? CacheKind::Firefox : CacheKind::None;
}

std::vector<CachedResponse> ReadCache(const CacheFiles& files, CacheKind kind) {
    std::vector<CachedResponse> responses;
    switch (kind) {
    case CacheKind::None: break;
    case CacheKind::ChromiumBlockfile: responses = ReadBlockfileCache(files); break;
    case CacheKind::ChromiumSimple:
        for (const SimpleEntryFiles& entry : GroupSimpleEntries(files.List("")))
            if (auto response = ReadSimpleEntry(files, entry)) responses.push_back(std::move(*response));
        break;
    case CacheKind::Firefox:
        for (const std::string& name : files.List(kFirefoxEntriesFolder))
            if (auto response = ReadFirefoxEntry(files, std::string(kFirefoxEntriesFolder) + "/" + name))
                responses.push_back(std::move(*response));
        break;
    }
    return responses;
}

}  // namespace capture
