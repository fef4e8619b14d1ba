#pragma once
// A Prompter for tests: records every text it is shown and answers from a script.
#include "framework/Prompter.h"

#include <deque>
#include <string>
#include <vector>

namespace testing_support {

class ScriptedPrompter final : public framework::Prompter {
public:
    ScriptedPrompter() { previous_ = framework::SetPrompter(this); }
    ~ScriptedPrompter() override { framework::SetPrompter(previous_); }

    void Answer(framework::Answer answer) { answers_.push_back(answer); }

    framework::Answer AskYesNo(HWND, const std::wstring& text) override { return Next(L"?yn " + text); }
    framework::Answer AskYesNoCancel(HWND, const std::wstring& text) override { return Next(L"?ync " + text); }
    void Tell(HWND, const std::wstring& text, bool error) override {
        shown.push_back((error ? L"!error " : L"!info ") + text);
    }

    // Each entry: a kind marker ("?yn ", "?ync ", "!info ", "!error ") and the text.
    std::vector<std::wstring> shown;

private:
    framework::Answer Next(const std::wstring& entry) {
        shown.push_back(entry);
        if (answers_.empty()) return framework::Answer::No;
        const framework::Answer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    std::deque<framework::Answer> answers_;
    framework::Prompter* previous_ = nullptr;
};

}  // namespace testing_support
