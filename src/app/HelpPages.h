#pragma once
// Which page of the user's guide (Help.chm, built from docs/help/) belongs to which
// dialog: F1 in that dialog opens it.
#include <string>

namespace app {

// The page for a dialog template; the guide's start page for any other.
std::wstring HelpPageOf(unsigned templateId);

}  // namespace app
