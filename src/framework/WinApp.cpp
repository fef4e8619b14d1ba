#include "framework/WinApp.h"

namespace framework {

namespace {
WinApp* currentApp = nullptr;
}

WinApp::WinApp() { currentApp = this; }

WinApp::~WinApp() {
    if (currentApp == this) currentApp = nullptr;
}

WinApp* WinApp::Current() { return currentApp; }

HINSTANCE WinApp::ResourceInstance() { return GetModuleHandleW(nullptr); }

int WinApp::Run() {
    if (InitInstance()) {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        exitCode_ = static_cast<int>(message.wParam);
    }
    return ExitInstance();
}

}  // namespace framework
