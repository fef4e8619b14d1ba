#pragma once
// F1 in a dialog opens that dialog's page of the user's guide. Dialogs only name their
// template; the viewer in force knows where the guide is and which page a template has,
// and tests install their own to see which dialog asked.
#include <windows.h>

namespace framework {

class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual void ShowDialogHelp(HWND owner, UINT templateId) = 0;
};

// The viewer in force; until one is installed F1 does nothing.
HelpViewer* helpViewer();
// Installs a viewer (null removes it); returns the previous one.
HelpViewer* SetHelpViewer(HelpViewer* viewer);

}  // namespace framework
