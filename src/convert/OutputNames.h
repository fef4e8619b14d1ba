#pragma once
// Rules for output file names (the name without its extension): the default name made
// from a clip title, the check of the name box while the user types, the empty-name
// repair when Convert is pressed, and the clean-up of names edited in the batch list.
// Portable: no Windows header. The Win32 surfaces only carry out what these decide.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace convert {

// Counted in UTF-16 code units, the unit of Windows file names, whatever the width of
// wchar_t on the machine running the code.
inline constexpr std::size_t kMaxOutputNameLength = 255;

inline constexpr std::wstring_view kUntitledClipName = L"My Converted Movie";
inline constexpr std::wstring_view kEmptyNameReplacement = L"My output file";

// A balloon tip on an edit control: title, text, no icon.
struct BalloonMessage {
    std::wstring_view title;
    std::wstring_view text;
};

inline constexpr BalloonMessage kInvalidCharacterBalloon = {
    L"Invalid character in file name",
    L"In the file name can not use the following characters: \", '\\', '/', '|', '?', '*', "
    L"':', '<', '>'"};
inline constexpr BalloonMessage kLeadingBlankBalloon = {L"Invalid character in file name",
                                                        L"Space can not be in the beginning of the file name"};
inline constexpr BalloonMessage kTooLongBalloon = {L"Too long file name", L"Maximum file name length - 255 characters"};
inline constexpr BalloonMessage kEmptyNameBalloon = {L"The file name can not be empty",
                                                     L"Previous file name has been restored"};
inline constexpr BalloonMessage kCharactersRemovedBalloon = {
    L"Some characters have been removed",
    L"In accordance with the rules for naming files, some characters have been deleted in "
    L"the edited file name"};

// The name a clip title suggests. May be empty (a title of only removed characters and
// white space); the empty-name rule catches that when Convert is pressed.
std::wstring defaultOutputName(std::wstring_view title);

struct CleanedName {
    std::wstring name;
    bool showNotice = false;  // show kCharactersRemovedBalloon on the batch list's anchor edit
};

// The clean form of a batch row's name. Never empty.
CleanedName cleanOutputName(std::wstring_view text);

// An in-place edit of a batch row, or of a clip title in the library list, that is empty
// or only blanks (U+0020) is thrown away and the old text stays.
bool IsDiscardedNameEdit(std::wstring_view editedText);

// What the name box's text amounts to while the user types.
enum class NameCheck { Valid, InvalidCharacter, LeadingBlank, TooLong };
NameCheck CheckOutputName(std::wstring_view text);

// What the surface does after a refused change: show `balloon` on the name box, then set
// the box's text to `restoreText`, then, when `caretToEnd`, select the empty range at the
// end of the text and scroll the caret into view.
struct NameRejection {
    BalloonMessage balloon;
    std::wstring restoreText;
    bool caretToEnd = false;
};

// Remembers the last valid text of one name box. The change handler (EN_CHANGE of the
// box) passes the box's new text; the previous text is not needed, because what is put
// back is the last valid name, not whatever the box held a keystroke ago.
//
// Putting the text back raises EN_CHANGE again; that call is always accepted, so the
// handler needs no re-entrancy guard of its own.
class OutputNameGuard {
public:
    std::optional<NameRejection> OnTextChanged(std::wstring_view boxText);

    const std::wstring& rememberedName() const { return remembered_; }

private:
    std::wstring remembered_;
};

// One guard per kind of surface, for the program's life: opening the single-clip dialog
// again continues with the name remembered the previous time. The main window object,
// which lives as long as the program, owns this and lends the dialog its guard.
struct OutputNameGuards {
    OutputNameGuard mainPanel;
    OutputNameGuard singleClipDialog;
};

// The empty-name rule, the first step of the Convert/Stop handler. Undo is used when the
// box can undo its last change; otherwise the box gets kEmptyNameReplacement.
// An edit's undo can step back to an empty text (type a letter into the empty box, then
// delete it): when the box is still empty after the undo, set kEmptyNameReplacement too,
// so that a conversion never starts with an empty name.
enum class EmptyNameRepair { None, Undo, SetReplacement };
struct EmptyNameDecision {
    EmptyNameRepair repair = EmptyNameRepair::None;
    std::optional<BalloonMessage> balloon;
};
EmptyNameDecision EmptyNameRule(std::wstring_view boxText, bool boxCanUndo);

}  // namespace convert
