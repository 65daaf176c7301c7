// The demo product's update helper: reports the installed version.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxW(nullptr, L"Zorvane工具 11.0.3\n当前已是最新版本。", L"升级助手",
                MB_OK | MB_ICONINFORMATION);
    return 0;
}
