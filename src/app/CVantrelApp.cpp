#include "app/CVantrelApp.h"

namespace app {

BOOL CVantrelApp::InitInstance() { return FALSE; }

int CVantrelApp::ExitInstance() { return WinApp::ExitInstance(); }

}  // namespace app
