#include "framework/Prompter.h"

#include <atomic>

namespace framework {

namespace {

Answer FromMessageBoxResult(int result) {
    switch (result) {
    case IDYES: return Answer::Yes;
    case IDNO: return Answer::No;
    case IDOK: return Answer::Ok;
    default: return Answer::Cancel;
    }
}

class SystemPrompter final : public Prompter {
public:
    Answer AskYesNo(HWND owner, const std::wstring& text) override {
        return FromMessageBoxResult(MessageBoxW(owner, text.c_str(), kMessageCaption, MB_YESNO | MB_ICONQUESTION));
    }
    Answer AskYesNoCancel(HWND owner, const std::wstring& text) override {
        return FromMessageBoxResult(
            MessageBoxW(owner, text.c_str(), kMessageCaption, MB_YESNOCANCEL | MB_ICONQUESTION));
    }
    void Tell(HWND owner, const std::wstring& text, bool error) override {
        MessageBoxW(owner, text.c_str(), kMessageCaption, MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
    }
};

SystemPrompter systemPrompter;
std::atomic<Prompter*> installed{nullptr};

}  // namespace

Prompter& prompter() {
    Prompter* current = installed.load();
    return current != nullptr ? *current : systemPrompter;
}

Prompter* SetPrompter(Prompter* replacement) { return installed.exchange(replacement); }

}  // namespace framework
