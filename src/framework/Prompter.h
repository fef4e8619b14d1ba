#pragma once
// Every message box of the program goes through the Prompter, so that tests can read
// each text and answer it.
#include <windows.h>
#include <string>

namespace framework {

enum class Answer { Ok, Yes, No, Cancel };

class Prompter {
public:
    virtual ~Prompter() = default;
    // A question with Yes and No (question icon); only Yes proceeds.
    virtual Answer AskYesNo(HWND owner, const std::wstring& text) = 0;
    // A question with Yes, No and Cancel.
    virtual Answer AskYesNoCancel(HWND owner, const std::wstring& text) = 0;
    // A notice with an OK button; `error` picks the error icon over the information icon.
    virtual void Tell(HWND owner, const std::wstring& text, bool error = false) = 0;
};

// The Prompter in force for the whole process: the system message box unless a test
// installed its own.
Prompter& prompter();
// Installs a replacement (null restores the system one); returns the previous one.
Prompter* SetPrompter(Prompter* replacement);

// Caption of every message box of the program.
inline constexpr wchar_t kMessageCaption[] = L"Reelkeep";

}  // namespace framework
