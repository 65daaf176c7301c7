#pragma once
// Drives a Windows program as a user would: starts it, finds its windows,
// reads their texts, moves and clicks the real mouse, takes screenshots and
// waits for the exit code. Used by the process-level and end-to-end tests.
#include <windows.h>

#include <string>
#include <vector>

class DrivenProcess {
public:
    DrivenProcess() = default;
    DrivenProcess(const DrivenProcess&) = delete;
    DrivenProcess& operator=(const DrivenProcess&) = delete;
    ~DrivenProcess();  // kills the process if it still runs

    // Starts `commandLine` in `folder` (null: the current folder), with this
    // process's environment changed by `overrides` ("NAME=value" each).
    bool start(const std::wstring& commandLine, const wchar_t* folder = nullptr,
               const std::vector<std::wstring>& overrides = {});
    DWORD id() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }

    // A visible top-level window of this process with the class (null: any)
    // and the title (null: any), polled until `timeoutMs`; null if none.
    HWND waitWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs = 20000) const;
    // True when the process ended within the time; its code in *code.
    bool waitExit(DWORD timeoutMs, DWORD* code) const;
    bool running() const;

private:
    PROCESS_INFORMATION info_ = {};
};

// The visible top-level windows of a process.
std::vector<HWND> topLevelWindows(DWORD processId);

std::wstring windowText(HWND hwnd);
// The visible top-level windows of a process with this class.
std::vector<HWND> windowsOfClass(const DrivenProcess& p, const wchar_t* cls);
// Presses and releases a key on the real keyboard.
void pressKey(WORD vk);
// UTF-8 for messages.
std::string utf8(const std::wstring& w);
std::wstring className(HWND hwnd);

// A message box of the process: its text (the static control 0xFFFF) and title.
struct MessageBoxSeen {
    HWND box = nullptr;
    std::wstring text;
    std::wstring title;
};
MessageBoxSeen waitMessageBox(const DrivenProcess& p, DWORD timeoutMs = 20000);
// Clicks a box button (IDOK, IDYES, IDNO ...) with the real mouse.
bool clickMessageBoxButton(HWND box, int buttonId);

// Real mouse input at screen positions.
void moveMouse(int x, int y);
void mouseDown();
void mouseUp();
void clickAt(int x, int y);
// Waits until the process has handled its pending input (the screen is
// then up to date for a screenshot or a read-back).
void settle(const DrivenProcess& p, DWORD ms = 300);

// The screen colour at a point, as 0x00BBGGRR.
COLORREF screenPixel(int x, int y);
// Saves the screen (or a rectangle of it) as a 24-bit BMP.
bool saveScreenshot(const std::wstring& path, const RECT* area = nullptr);

// Polls `check` every 50 ms until it answers true or `timeoutMs` passes.
template <class F>
bool waitUntil(F check, DWORD timeoutMs = 20000) {
    DWORD start = GetTickCount();
    for (;;) {
        if (check()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
}

// Removes a folder with everything in it, read-only files too.
void removeTree(const std::wstring& folder);

// The whole content of a file (empty if it cannot be read).
std::string readFileBytes(const std::wstring& path);

// Folder of the running test program, with a trailing backslash.
std::wstring programFolder();
// The environment variable's value, or empty.
std::wstring environment(const wchar_t* name);
