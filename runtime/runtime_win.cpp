// The GUI runtime on Windows: main-thread identity, the hidden window that
// carries other threads' requests to the main thread, the exit operation,
// the runtime error and the message-box service.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <atomic>
#include <cstdlib>

#include "runtime/fatal.h"
#include "runtime/runtime.h"
#include "runtime/wide.h"

namespace {

// Private messages of the hidden window.
constexpr UINT kMsgRun = WM_APP + 1;   // wParam: void (*)(void*), lParam: its argument
constexpr UINT kMsgExit = WM_APP + 2;  // wParam: the exit code

DWORD mainThreadId;
HWND hiddenWindow;
bool (*messagePreCheck)(const MSG&);
std::atomic<int> suppressionCount{0};
std::atomic<bool> exiting{false};
std::atomic<void (*)()> cleanUpRoutine{nullptr};

[[noreturn]] void exitOnMainThread(int32_t code) {
    // A second exit (for example from inside the clean-up routine) finds the
    // routine already taken and ends the process without running it again.
    exiting = true;
    if (void (*cleanUp)() = cleanUpRoutine.exchange(nullptr)) cleanUp();
    OleUninitialize();
    ExitProcess(static_cast<UINT>(code));
}

LRESULT CALLBACK hiddenWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kMsgRun:
        reinterpret_cast<void (*)(void*)>(wParam)(reinterpret_cast<void*>(lParam));
        return 0;
    case kMsgExit:
        if (exiting) return 0;  // already on its way out: the caller ends itself
        exitOnMainThread(static_cast<int32_t>(wParam));
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void setCurrentDirectoryToProgramFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    for (DWORD i = n; i > 0; --i) {
        if (path[i - 1] == L'\\') {
            path[i - 1] = L'\0';
            if (i == 3) path[2] = L'\\', path[3] = L'\0';  // keep "C:\" a root
            SetCurrentDirectoryW(path);
            return;
        }
    }
}

}  // namespace

void initRuntime() {
    OleInitialize(nullptr);
    setCurrentDirectoryToProgramFolder();
    mainThreadId = GetCurrentThreadId();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = hiddenWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZvRuntimeHidden";
    RegisterClassW(&wc);
    hiddenWindow = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   wc.hInstance, nullptr);
}

bool onMainThread() { return GetCurrentThreadId() == mainThreadId; }

void runOnMainThread(void (*fn)(void*), void* context) {
    if (onMainThread() || !hiddenWindow) {
        fn(context);
        return;
    }
    SendMessageW(hiddenWindow, kMsgRun, reinterpret_cast<WPARAM>(fn),
                 reinterpret_cast<LPARAM>(context));
}

void setMessagePreCheck(bool (*preTranslate)(const MSG& msg)) { messagePreCheck = preTranslate; }

int runMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (messagePreCheck && messagePreCheck(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void registerCleanUp(void (*cleanUp)()) { cleanUpRoutine = cleanUp; }

void exitInstaller(int32_t code) {
    suppressEvents();  // for good: no event reaches a handler from now on
    if (!onMainThread() && hiddenWindow)
        SendMessageW(hiddenWindow, kMsgExit, static_cast<WPARAM>(static_cast<uint32_t>(code)), 0);
    if (onMainThread() && !exiting) exitOnMainThread(code);
    // The main thread could not be reached or is already exiting.
    ExitProcess(static_cast<UINT>(code));
}

void suppressEvents() { ++suppressionCount; }
void resumeEvents() { --suppressionCount; }
bool eventsSuppressed() { return suppressionCount > 0; }

int32_t showMessageBox(const char* text, uint32_t flags, const char* title) {
    int answer = MessageBoxW(nullptr, WideText(text), WideText(textEmpty(title) ? "信息：" : title),
                             flags | MB_TASKMODAL);
    return answer >= IDOK && answer <= IDNO ? answer - IDOK : -1;
}

void raiseRuntimeError(int32_t code, const char* message) {
    suppressEvents();
    // Fixed buffers: this path also reports failed allocations.
    char buffer[1024];
    FixedText text(buffer, sizeof buffer);
    text.append("运行时出错!\r\n\r\n");
    if (code != 0) text.append("错误代码：").appendDecimal(code).append("\r\n\r\n");
    if (!textEmpty(message)) text.append("错误信息：").append(message).append("\r\n");
    wchar_t wideText[1024];
    wchar_t wideTitle[16];
    MultiByteToWideChar(kGbkCodePage, 0, text.c_str(), -1, wideText, 1024);
    wideText[1023] = L'\0';
    MultiByteToWideChar(kGbkCodePage, 0, "错误", -1, wideTitle, 16);
    MessageBoxW(nullptr, wideText, wideTitle, MB_OK | MB_ICONERROR);
    cleanUpRoutine = nullptr;  // forgotten, not run
    exitInstaller(-1);
}

void* allocateOrDie(size_t bytes) {
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) {
        char buffer[64];
        FixedText message(buffer, sizeof buffer);
        message.append("分配 ").appendDecimal(static_cast<int64_t>(bytes)).append(" 字节内存失败!");
        raiseRuntimeError(0, message.c_str());
    }
    return p;
}

bool isConstantAddress(const void* p) {
    static const uint8_t* base;
    static size_t size;
    if (!base) {
        auto* image = reinterpret_cast<const uint8_t*>(GetModuleHandleW(nullptr));
        auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
        auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
        size = nt->OptionalHeader.SizeOfImage;
        base = image;
    }
    auto* q = static_cast<const uint8_t*>(p);
    return q >= base && q < base + size;
}
