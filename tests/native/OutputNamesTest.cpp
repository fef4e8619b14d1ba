#include "convert/OutputNames.h"

#include <gtest/gtest.h>

namespace convert {
namespace {

std::wstring repeat(wchar_t c, size_t count) { return std::wstring(count, c); }

TEST(OutputNameDefault, MadeFromTheClipTitle) {
    struct Case {
        std::wstring title;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"Clip: part 1/2?", L"Clip part 12"},
        {L"  *  ", L""},
        {L"", L"My Converted Movie"},
        {repeat(L'x', 300), repeat(L'x', 255)},
        {L"a\\b/c|d:e*f?g>h<i\"j\tk", L"abcdefghijk"},
        {L"\t \r\n\v\f Name \t\r\n", L"Name"},
        {L"In the middle  stays", L"In the middle  stays"},
        {L"\"quoted\"", L"quoted"},
        {L"  \"  ", L""},
        {L"100% & more", L"100% & more"},
    };
    for (const Case& c : cases) EXPECT_EQ(defaultOutputName(c.title), c.expected) << c.title;
}

TEST(OutputNameDefault, CutComesBeforeRemovalAndTrimming) {
    // 250 letters, five removed characters and more letters: the cut keeps the first 255
    // characters, the removal then leaves only the 250 letters.
    const std::wstring title = repeat(L'a', 250) + L"*****" + repeat(L'b', 50);
    EXPECT_EQ(defaultOutputName(title), repeat(L'a', 250));
    // A blank at position 255 is cut off before trimming could matter; one at 254 is trimmed.
    EXPECT_EQ(defaultOutputName(repeat(L'a', 254) + L" b"), repeat(L'a', 254));
    EXPECT_EQ(defaultOutputName(repeat(L'a', 255) + L" "), repeat(L'a', 255));
}

TEST(OutputNameDefault, CutNeverSplitsACharacterOutsideTheBasicPlane) {
    // U+1F600 takes two UTF-16 units; at units 255 and 256 it does not fit and goes whole.
    const std::wstring face = L"\U0001F600";
    EXPECT_EQ(defaultOutputName(repeat(L'a', 254) + face + L"tail"), repeat(L'a', 254));
    EXPECT_EQ(defaultOutputName(repeat(L'a', 253) + face + L"tail"), repeat(L'a', 253) + face);
}

TEST(OutputNameClean, BatchNames) {
    struct Case {
        std::wstring text;
        std::wstring expected;
        bool notice;
    };
    const Case cases[] = {
        {L"", L"My output file", false},
        {L"a/b", L"ab", true},
        {L"plain name", L"plain name", false},
        {L"tab\there", L"tabhere", true},
        {L" padded ", L"padded", true},
        {L"**", L"My output file", true},
        {repeat(L'n', 256), repeat(L'n', 255), true},
        {repeat(L'n', 255), repeat(L'n', 255), false},
    };
    for (const Case& c : cases) {
        const CleanedName cleaned = cleanOutputName(c.text);
        EXPECT_EQ(cleaned.name, c.expected) << c.text;
        EXPECT_EQ(cleaned.showNotice, c.notice) << c.text;
    }
}

TEST(OutputNameClean, BlankOnlyEditsAreDiscarded) {
    EXPECT_TRUE(IsDiscardedNameEdit(L""));
    EXPECT_TRUE(IsDiscardedNameEdit(L"   "));
    EXPECT_FALSE(IsDiscardedNameEdit(L" a "));
    EXPECT_FALSE(IsDiscardedNameEdit(L"\t")) << "only blanks are screened; the tab goes to the clean-up";
    EXPECT_EQ(cleanOutputName(L"\t").name, L"My output file");
}

TEST(OutputNameCheck, OutcomesAndTheirPrecedence) {
    struct Case {
        std::wstring text;
        NameCheck expected;
    };
    const Case cases[] = {
        {L"", NameCheck::Valid},
        {L"a", NameCheck::Valid},
        {L"tab\tinside", NameCheck::Valid},
        {L"trailing ", NameCheck::Valid},
        {L"a<", NameCheck::InvalidCharacter},
        {L"\"", NameCheck::InvalidCharacter},
        {L"*", NameCheck::InvalidCharacter},
        {L"/", NameCheck::InvalidCharacter},
        {L":", NameCheck::InvalidCharacter},
        {L">", NameCheck::InvalidCharacter},
        {L"?", NameCheck::InvalidCharacter},
        {L"\\", NameCheck::InvalidCharacter},
        {L"|", NameCheck::InvalidCharacter},
        {L" a", NameCheck::LeadingBlank},
        {L" a<", NameCheck::LeadingBlank},
        {L"\ta", NameCheck::Valid},
        {repeat(L'a', 255), NameCheck::Valid},
        {repeat(L'a', 256), NameCheck::TooLong},
        {L" " + repeat(L'<', 255), NameCheck::TooLong},
        {repeat(L'a', 254) + L"\U0001F600", NameCheck::TooLong},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckOutputName(c.text), c.expected) << c.text;
}

TEST(OutputNameGuard, RefusedTextsPutBackTheLastValidName) {
    OutputNameGuard guard;
    EXPECT_FALSE(guard.OnTextChanged(L"a"));

    const auto afterLessThan = guard.OnTextChanged(L"a<");
    ASSERT_TRUE(afterLessThan);
    EXPECT_EQ(afterLessThan->restoreText, L"a");
    EXPECT_EQ(afterLessThan->balloon.title, L"Invalid character in file name");
    EXPECT_EQ(afterLessThan->balloon.text,
              L"In the file name can not use the following characters: \", '\\', '/', '|', '?', '*', ':', '<', '>'");
    EXPECT_TRUE(afterLessThan->caretToEnd);

    const auto leadingBlank = guard.OnTextChanged(L" a");
    ASSERT_TRUE(leadingBlank);
    EXPECT_EQ(leadingBlank->restoreText, L"a");
    EXPECT_EQ(leadingBlank->balloon.title, L"Invalid character in file name");
    EXPECT_EQ(leadingBlank->balloon.text, L"Space can not be in the beginning of the file name");
    EXPECT_FALSE(leadingBlank->caretToEnd);

    const auto tooLong = guard.OnTextChanged(repeat(L'z', 256));
    ASSERT_TRUE(tooLong);
    EXPECT_EQ(tooLong->restoreText, L"a");
    EXPECT_EQ(tooLong->balloon.title, L"Too long file name");
    EXPECT_EQ(tooLong->balloon.text, L"Maximum file name length - 255 characters");
    EXPECT_TRUE(tooLong->caretToEnd);

    EXPECT_FALSE(guard.OnTextChanged(repeat(L'z', 255)));
    EXPECT_EQ(guard.rememberedName(), repeat(L'z', 255));
}

TEST(OutputNameGuard, EmptyBoxIsAcceptedButNotRemembered) {
    OutputNameGuard guard;
    EXPECT_FALSE(guard.OnTextChanged(L"abc"));
    EXPECT_FALSE(guard.OnTextChanged(L""));
    EXPECT_EQ(guard.rememberedName(), L"abc");
    const auto refused = guard.OnTextChanged(L"?");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->restoreText, L"abc") << "the last valid name, not the empty box before";
    EXPECT_FALSE(guard.OnTextChanged(L"with\ttab"));
    EXPECT_EQ(guard.rememberedName(), L"with\ttab");
}

TEST(OutputNameGuard, PuttingBackIsAlwaysAccepted) {
    // The box raises the change notification again when the text is put back; a refusal
    // there would recurse until the stack ran out. Also before any valid name was seen.
    const std::wstring texts[] = {L"<", L" lead", repeat(L'q', 300), L"ok", L"o|k", L"", L" ", L"new"};
    OutputNameGuard guard;
    for (const std::wstring& text : texts) {
        const auto rejection = guard.OnTextChanged(text);
        if (!rejection) continue;
        EXPECT_FALSE(guard.OnTextChanged(rejection->restoreText)) << "after " << text;
    }
    OutputNameGuard fresh;
    const auto first = fresh.OnTextChanged(L"<");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->restoreText, L"");
    EXPECT_EQ(fresh.rememberedName(), L"");
}

TEST(OutputNameGuard, EachSurfaceKindRemembersItsOwnName) {
    OutputNameGuards guards;
    EXPECT_FALSE(guards.mainPanel.OnTextChanged(L"panel name"));
    EXPECT_FALSE(guards.singleClipDialog.OnTextChanged(L"dialog name"));
    const auto panel = guards.mainPanel.OnTextChanged(L"x*");
    const auto dialog = guards.singleClipDialog.OnTextChanged(L"x*");
    ASSERT_TRUE(panel);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(panel->restoreText, L"panel name");
    EXPECT_EQ(dialog->restoreText, L"dialog name");
}

TEST(OutputNameEmptyRule, RestoresByUndoOrReplacement) {
    struct Case {
        const wchar_t* text;
        bool canUndo;
        EmptyNameRepair repair;
        bool balloon;
    };
    const Case cases[] = {
        {L"", true, EmptyNameRepair::Undo, true},
        {L"", false, EmptyNameRepair::SetReplacement, true},
        {L"name", true, EmptyNameRepair::None, false},
        {L" ", false, EmptyNameRepair::None, false},
    };
    for (const Case& c : cases) {
        const EmptyNameDecision decision = EmptyNameRule(c.text, c.canUndo);
        EXPECT_EQ(decision.repair, c.repair) << c.text << c.canUndo;
        ASSERT_EQ(decision.balloon.has_value(), c.balloon) << c.text << c.canUndo;
        if (c.balloon) {
            EXPECT_EQ(decision.balloon->title, L"The file name can not be empty");
            EXPECT_EQ(decision.balloon->text, L"Previous file name has been restored");
        }
    }
    EXPECT_EQ(kEmptyNameReplacement, L"My output file");
}

TEST(OutputNameClean, NoticeTexts) {
    EXPECT_EQ(kCharactersRemovedBalloon.title, L"Some characters have been removed");
    EXPECT_EQ(
        kCharactersRemovedBalloon.text,
        L"In accordance with the rules for naming files, some characters have been deleted in the edited file name");
}

}  // namespace
}  // namespace convert
