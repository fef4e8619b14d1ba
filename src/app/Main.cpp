#include "app/ReelkeepApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    app::ReelkeepApp application;
    return application.Run();
}
