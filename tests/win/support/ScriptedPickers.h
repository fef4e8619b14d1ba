#pragma once
// Pickers for tests: answer with what the test put in, and count the questions.
#include "framework/Pickers.h"

namespace testing_support {

class ScriptedPickers final : public framework::Pickers {
public:
    ScriptedPickers() { previous_ = framework::SetPickers(this); }
    ~ScriptedPickers() override { framework::SetPickers(previous_); }

    std::optional<std::wstring> file;
    std::optional<std::vector<std::wstring>> files;
    std::optional<std::wstring> folder;
    int asked = 0;

    std::optional<std::wstring> OpenFile(HWND, const std::wstring&, const std::wstring&, const std::wstring&) override {
        ++asked;
        return file;
    }
    std::optional<std::vector<std::wstring>> OpenFiles(const std::wstring&) override {
        ++asked;
        return files;
    }
    std::optional<std::wstring> BrowseFolder(HWND, const std::wstring&, const std::wstring&) override {
        ++asked;
        return folder;
    }

private:
    framework::Pickers* previous_ = nullptr;
};

}  // namespace testing_support
