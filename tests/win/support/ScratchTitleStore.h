#pragma once
// Points the process's title store at a log of its own for one test, so titles written
// on copies of the same clip in one test never meet files of another test that happen
// to reuse their identity.
#include "titles/FallbackTitleStore.h"

#include <string>

namespace testing_support {

class ScratchTitleStore {
public:
    explicit ScratchTitleStore(const std::wstring& logPath) : previous_(titles::ProcessTitleStore()->logPath()) {
        titles::UseTitleStoreAt(logPath);
    }
    ~ScratchTitleStore() { titles::UseTitleStoreAt(previous_); }
    ScratchTitleStore(const ScratchTitleStore&) = delete;
    ScratchTitleStore& operator=(const ScratchTitleStore&) = delete;

private:
    std::wstring previous_;
};

}  // namespace testing_support
