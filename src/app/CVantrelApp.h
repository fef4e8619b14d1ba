#pragma once
#include "framework/WinApp.h"

namespace app {

class CVantrelApp : public framework::WinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;
};

}  // namespace app
