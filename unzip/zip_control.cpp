#include "unzip/zip_control.h"

#include <windows.h>

#include "unzip/zip_extractor.h"

namespace {

const wchar_t kClassName[] = L"ZvZipControl";
constexpr int32_t kProgressEvent = 1;

// The control's progress callback: raises Progress with the percentage while
// the control's window exists, and asks the run to stop when the handler
// returned 0 and the window still exists afterwards.
void OnProgress(uint32_t current, uint32_t total, ZipExtractor& extractor) {
    int32_t percent = progressPercent(current, total);
    if (!IsWindow(extractor.control.window)) return;
    EventRecord record = {};
    record.windowId = extractor.control.windowId;
    record.controlId = extractor.control.controlId;
    record.event = kProgressEvent;
    record.argCount = 1;
    record.args[0] = percent;
    int32_t handled = fireEvent(&record);
    if (handled != 0 && record.hasResult == 1 && record.result == 0 &&
        IsWindow(extractor.control.window))
        extractor.stopRequested = 1;
}

}  // namespace

class ZipControlWindow {
public:
    static bool registerClass() {
        static bool registered = false;  // the window loader runs on the main thread only
        if (registered) return true;
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = windowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kClassName;
        registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        return registered;
    }

    // The control rides in GWLP_USERDATA from WM_NCCREATE on. Once creation
    // has completed, the window's end tells the runtime and ends the control;
    // a creation that fails half-way leaves the control to create().
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* control =
                static_cast<ZipControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            control->window_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
        } else if (message == WM_NCDESTROY) {
            auto* control = reinterpret_cast<ZipControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            if (control) {
                control->window_ = nullptr;
                if (control->created_) {
                    controlDestroyed(control->windowId_, control->controlId_);
                    delete control;
                }
            }
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

ZipControl* ZipControl::create(HWND parent, uint32_t windowId, uint32_t controlId, int x, int y,
                               int width, int height) {
    if (!ZipControlWindow::registerClass()) return nullptr;
    auto* control = new ZipControl(windowId, controlId);
    HWND hwnd = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER, x, y,
                                width, height, parent, nullptr, GetModuleHandleW(nullptr), control);
    if (!hwnd) {
        delete control;
        return nullptr;
    }
    control->created_ = true;
    return control;
}

int32_t ZipControl::Extract(const char* archive, const char* destination) {
    // Captured now: the control itself may end with its window during the run.
    ControlIdentity identity;
    identity.windowId = windowId_;
    identity.controlId = controlId_;
    identity.window = window_;
    if (!archive || !destination) return -1;
    ZipExtractor extractor(identity);
    extractor.SetProgressCallback(OnProgress);
    return extractor.Run(archive, destination);
}

int32_t zipExtract(uint32_t windowId, uint32_t controlId, const char* archive,
                   const char* destination) {
    auto* control = static_cast<ZipControl*>(resolveControl(windowId, controlId));
    return control->Extract(archive, destination);
}
