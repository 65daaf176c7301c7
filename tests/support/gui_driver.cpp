#include "tests/support/gui_driver.h"

#include <cstdio>

DrivenProcess::~DrivenProcess() {
    if (!info_.hProcess) return;
    if (running()) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
}

namespace {
// This process's environment block with some variables replaced or added.
std::wstring environmentWith(const std::vector<std::wstring>& overrides) {
    std::wstring block;
    wchar_t* env = GetEnvironmentStringsW();
    for (const wchar_t* p = env; *p; p += wcslen(p) + 1) {
        std::wstring entry = p;
        bool replaced = false;
        for (const std::wstring& o : overrides)
            if (_wcsnicmp(entry.c_str(), o.c_str(), o.find(L'=') + 1) == 0) replaced = true;
        if (!replaced) block += entry + L'\0';
    }
    FreeEnvironmentStringsW(env);
    for (const std::wstring& o : overrides) block += o + L'\0';
    return block + L'\0';
}
}  // namespace

bool DrivenProcess::start(const std::wstring& commandLine, const wchar_t* folder,
                          const std::vector<std::wstring>& overrides) {
    std::wstring line = commandLine;
    std::wstring env = environmentWith(overrides);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    return CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                          overrides.empty() ? nullptr : &env[0], folder, &si, &info_) != FALSE;
}

bool DrivenProcess::running() const {
    return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool DrivenProcess::waitExit(DWORD timeoutMs, DWORD* code) const {
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(info_.hProcess, code);
    return true;
}

namespace {
struct EnumContext {
    DWORD processId;
    std::vector<HWND>* windows;
};
BOOL CALLBACK collectWindow(HWND hwnd, LPARAM lParam) {
    auto* ctx = reinterpret_cast<EnumContext*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == ctx->processId && IsWindowVisible(hwnd)) ctx->windows->push_back(hwnd);
    return TRUE;
}
}  // namespace

std::vector<HWND> topLevelWindows(DWORD processId) {
    std::vector<HWND> windows;
    EnumContext ctx = {processId, &windows};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&ctx));
    return windows;
}

HWND DrivenProcess::waitWindow(const wchar_t* cls, const wchar_t* title, DWORD timeoutMs) const {
    HWND found = nullptr;
    waitUntil(
        [&] {
            for (HWND w : topLevelWindows(info_.dwProcessId)) {
                if (cls && className(w) != cls) continue;
                if (title && windowText(w) != title) continue;
                found = w;
                return true;
            }
            return !running();
        },
        timeoutMs);
    return found;
}

std::wstring windowText(HWND hwnd) {
    wchar_t buffer[4096];
    LRESULT n = SendMessageW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return std::wstring(buffer, static_cast<size_t>(n));
}

std::wstring className(HWND hwnd) {
    wchar_t buffer[256];
    int n = GetClassNameW(hwnd, buffer, 256);
    return std::wstring(buffer, static_cast<size_t>(n > 0 ? n : 0));
}

MessageBoxSeen waitMessageBox(const DrivenProcess& p, DWORD timeoutMs) {
    MessageBoxSeen seen;
    seen.box = p.waitWindow(L"#32770", nullptr, timeoutMs);
    if (!seen.box) return seen;
    seen.title = windowText(seen.box);
    if (HWND text = GetDlgItem(seen.box, 0xFFFF)) seen.text = windowText(text);
    return seen;
}

bool clickMessageBoxButton(HWND box, int buttonId) {
    HWND button = GetDlgItem(box, buttonId);
    RECT rc;
    if (!button || !GetWindowRect(button, &rc)) return false;
    SetForegroundWindow(box);
    clickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    return true;
}

namespace {
void sendMouse(DWORD flags) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}
}  // namespace

void moveMouse(int x, int y) {
    SetCursorPos(x, y);
    // A zero move makes sure the window under the pointer sees WM_MOUSEMOVE.
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &in, sizeof in);
    Sleep(100);
}

void mouseDown() {
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(100);
}

void mouseUp() {
    sendMouse(MOUSEEVENTF_LEFTUP);
    Sleep(100);
}

void clickAt(int x, int y) {
    moveMouse(x, y);
    mouseDown();
    mouseUp();
}

void settle(const DrivenProcess& p, DWORD ms) {
    WaitForInputIdle(p.handle(), 2000);
    Sleep(ms);
}

COLORREF screenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

bool saveScreenshot(const std::wstring& path, const RECT* area) {
    RECT rc = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (area) rc = *area;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;  // bottom-up, as BMP files store rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((w * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + stride * h;
    bool ok = false;
    if (FILE* f = _wfopen(path.c_str(), L"wb")) {
        ok = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
             fwrite(bits, stride * h, 1, f) == 1;
        fclose(f);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

std::string readFileBytes(const std::wstring& path) {
    std::string s;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        fclose(f);
    }
    return s;
}

std::wstring programFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

std::wstring environment(const wchar_t* name) {
    wchar_t buffer[1024];
    DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return n && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

std::vector<HWND> windowsOfClass(const DrivenProcess& p, const wchar_t* cls) {
    std::vector<HWND> found;
    for (HWND w : topLevelWindows(p.id()))
        if (className(w) == cls) found.push_back(w);
    return found;
}

void pressKey(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof in[0]);
}

std::string utf8(const std::wstring& w) {
    char buffer[1024];
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), buffer, sizeof buffer,
                                nullptr, nullptr);
    return std::string(buffer, n > 0 ? n : 0);
}

// Removes a folder with everything in it, read-only files too.
void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = folder + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}
