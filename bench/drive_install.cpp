// Benchmark driver for a whole installation: starts the installer, clicks its
// start button, confirms the warning box, waits for the completion box,
// answers No (do not start the product) and waits for the exit, as a user
// would. Prints the time from start to exit. Windows program (uses the test
// support's GUI driver); run under a display.
// Usage: drive_install INSTALLER.exe
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/gui_driver.h"

namespace {

// The start button's place in the main window (see tests/e2e/installer_session.h).
constexpr int kStartX = 15 + 110, kStartY = 256 + 40;
constexpr DWORD kInstallLimitMs = 20 * 60 * 1000;

int fail(const char* what) {
    std::fprintf(stderr, "drive_install: %s\n", what);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return fail("usage: drive_install INSTALLER.exe");
    DWORD started = GetTickCount();
    DrivenProcess installer;
    if (!installer.start(L"\"" + std::wstring(argv[1]) + L"\"")) return fail("cannot start");
    HWND window = installer.waitWindow(nullptr, nullptr, 60000);
    if (!window) return fail("no window");
    DWORD shown = GetTickCount();
    settle(installer);
    RECT r;
    GetWindowRect(window, &r);
    clickAt(r.left + kStartX, r.top + kStartY);
    MessageBoxSeen warning = waitMessageBox(installer, 60000);
    if (!warning.box || !clickMessageBoxButton(warning.box, IDOK)) return fail("no warning box");
    DWORD confirmed = GetTickCount();
    HWND done = nullptr;
    waitUntil(
        [&] {
            MessageBoxSeen box = waitMessageBox(installer, 1000);
            if (box.box && box.box != warning.box && IsWindowVisible(box.box)) done = box.box;
            return done != nullptr;
        },
        kInstallLimitMs);
    DWORD completed = GetTickCount();
    if (!done || !clickMessageBoxButton(done, IDNO)) return fail("no completion box");
    DWORD code = 1;
    if (!installer.waitExit(60000, &code) || code != 0) return fail("no clean exit");
    DWORD ended = GetTickCount();
    std::printf("window shown %lu ms, warning confirmed %lu ms, completion box %lu ms, exit %lu ms\n",
                shown - started, confirmed - started, completed - started, ended - started);
    return 0;
}
