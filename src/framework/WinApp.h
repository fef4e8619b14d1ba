#pragma once
// Application object: one per process, entered from wWinMain.
#include <windows.h>

namespace framework {

class Dialog;

class WinApp {
public:
    WinApp();
    virtual ~WinApp();
    WinApp(const WinApp&) = delete;
    WinApp& operator=(const WinApp&) = delete;

    // Returns FALSE when the program should end without a message loop of its own.
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return exitCode_; }

    // Runs InitInstance, the message loop when it returned TRUE, then ExitInstance.
    int Run();

    Dialog* mainWindow() const { return mainWindow_; }
    void setMainWindow(Dialog* window) { mainWindow_ = window; }

    static WinApp* Current();
    // The module holding the dialog templates, icons and menus (the executable).
    static HINSTANCE ResourceInstance();

protected:
    int exitCode_ = 0;

private:
    Dialog* mainWindow_ = nullptr;
};

}  // namespace framework
