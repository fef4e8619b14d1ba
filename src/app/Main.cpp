#include "app/CVantrelApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    app::CVantrelApp application;
    return application.Run();
}
