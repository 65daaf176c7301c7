// The runtime's records of loaded windows, the window loader, the property
// services and event dispatch.
//
// All records are touched on the main thread only: a service called on
// another thread is carried over to the main thread with runOnMainThread and
// the caller waits, so a write has reached the native window when it returns.
// fireEvent is the exception: it runs the handler on the calling thread and
// only reads the bindings, which never change after loading.
#include "ui/control_services.h"

#include <windows.h>
#include <commctrl.h>

#include "runtime/fatal.h"
#include "runtime/runtime.h"
#include "ui/controls.h"
#include "ui/window.h"
#include "unzip/zip_control.h"

namespace {

constexpr int32_t kPlaceLimit = 32627;

struct LoadedWindow {
    const WindowLayout* layout = nullptr;
    Control self;
    Control* controls = nullptr;
    size_t count = 0;
};

constexpr size_t kMaxWindows = 4;
LoadedWindow* loadedWindows[kMaxWindows];

int32_t clampInt(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

LoadedWindow* findWindow(uint32_t windowId) {
    for (LoadedWindow* w : loadedWindows)
        if (w && w->layout->windowId == windowId) return w;
    return nullptr;
}

Control* findControl(LoadedWindow* w, uint32_t controlId) {
    if (controlId == w->layout->controlId) return &w->self;
    for (size_t i = 0; i < w->count; ++i)
        if (w->controls[i].id == controlId) return &w->controls[i];
    return nullptr;
}

// A control named by a property service. A control identifier that the
// window does not hold counts as a missing window.
Control& controlForProperty(uint32_t windowId, uint32_t controlId) {
    LoadedWindow* w = findWindow(windowId);
    Control* c = w ? findControl(w, controlId) : nullptr;
    if (!c) raiseRuntimeError(0, "未载入欲访问窗口组件所在的窗口");
    return *c;
}

Control& liveControl(uint32_t windowId, uint32_t controlId) {
    LoadedWindow* w = findWindow(windowId);
    Control* c = w ? findControl(w, controlId) : nullptr;
    if (!c || !c->hwnd) raiseRuntimeError(0, "指定窗口或窗口组件不存在或尚未载入");
    return *c;
}

// The native window's outer rectangle in its parent's client coordinates
// (screen coordinates for a top-level window).
RECT liveRect(HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    if (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void writeCommon(Control& c, int32_t property, PropertyValue value) {
    const int32_t n = static_cast<int32_t>(value.low);
    const bool flag = value.low != 0;
    HWND hwnd = c.hwnd;
    const UINT keep = SWP_NOZORDER | SWP_NOACTIVATE;
    switch (property) {
    case PropLeft:
    case PropTop: {
        int32_t v = clampInt(n, -kPlaceLimit, kPlaceLimit);
        (property == PropLeft ? c.left : c.top) = v;
        if (hwnd) {
            RECT rc = liveRect(hwnd);
            SetWindowPos(hwnd, nullptr, property == PropLeft ? v : rc.left,
                         property == PropTop ? v : rc.top, 0, 0, keep | SWP_NOSIZE);
        }
        break;
    }
    case PropWidth:
    case PropHeight: {
        int32_t v = clampInt(n, 0, kPlaceLimit);
        (property == PropWidth ? c.width : c.height) = v;
        if (hwnd) {
            RECT rc = liveRect(hwnd);
            SetWindowPos(hwnd, nullptr, 0, 0, property == PropWidth ? v : rc.right - rc.left,
                         property == PropHeight ? v : rc.bottom - rc.top, keep | SWP_NOMOVE);
        }
        break;
    }
    case PropTag:
        c.tag = Text(reinterpret_cast<const char*>(value.low));
        break;
    case PropVisible:
        c.visible = flag;
        // A non-visual control is never shown.
        if (hwnd && c.kind != ControlKind::ZipControl)
            ShowWindow(hwnd, !flag ? SW_HIDE : c.kind == ControlKind::Window ? SW_SHOW : SW_SHOWNA);
        break;
    case PropDisabled:
        c.disabled = flag;
        if (hwnd) EnableWindow(hwnd, !flag);
        break;
    case PropMousePointer:
        setPointer(c, reinterpret_cast<const ByteSetRecord*>(value.low));
        break;
    }
}

PropertyValue readCommon(const Control& c, int32_t property) {
    HWND hwnd = c.hwnd;
    switch (property) {
    case PropLeft:
        return intValue(hwnd ? liveRect(hwnd).left : c.left);
    case PropTop:
        return intValue(hwnd ? liveRect(hwnd).top : c.top);
    case PropWidth: {
        if (!hwnd) return intValue(c.width);
        RECT rc = liveRect(hwnd);
        return intValue(rc.right - rc.left);
    }
    case PropHeight: {
        if (!hwnd) return intValue(c.height);
        RECT rc = liveRect(hwnd);
        return intValue(rc.bottom - rc.top);
    }
    case PropTag:
        return textValue(Text(c.tag).release());
    case PropVisible:
        return intValue(hwnd ? (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0 : c.visible);
    case PropDisabled:
        return intValue(hwnd ? !IsWindowEnabled(hwnd) : c.disabled);
    case PropMousePointer:
        return bytesValue(ByteSet(c.pointerData.data(), c.pointerData.size()).release());
    }
    return PropertyValue();
}

Control* controlOfWindow(HWND hwnd) {
    for (LoadedWindow* w : loadedWindows) {
        if (!w) continue;
        for (size_t i = 0; i < w->count; ++i)
            if (w->controls[i].hwnd == hwnd) return &w->controls[i];
    }
    return nullptr;
}

// Mouse events are raised while the message loop looks at each message: a
// left-button press is event -1, a release event -2, with x, y and the key
// state (1 Ctrl, 2 Shift, 4 Alt). A handler that returns 0 swallows it.
bool preCheckMessage(const MSG& msg) {
    if (msg.message != WM_LBUTTONDOWN && msg.message != WM_LBUTTONUP) return false;
    Control* c = controlOfWindow(msg.hwnd);
    if (!c) return false;
    int32_t keys = (msg.wParam & MK_CONTROL ? 1 : 0) | (msg.wParam & MK_SHIFT ? 2 : 0) |
                   (GetKeyState(VK_MENU) < 0 ? 4 : 0);
    EventRecord e = {c->windowId, c->id, msg.message == WM_LBUTTONDOWN ? -1 : -2, 3,
                     {LOWORD(msg.lParam), HIWORD(msg.lParam), keys}, 0, 0};
    return fireEvent(&e) && e.hasResult && e.result == 0;
}

void unloadWindow(LoadedWindow* w) {
    for (LoadedWindow*& slot : loadedWindows)
        if (slot == w) slot = nullptr;
    delete[] w->controls;
    delete w;
}

bool buildWindow(LoadedWindow& w) {
    const WindowLayout& layout = *w.layout;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    w.self.windowId = layout.windowId;
    w.self.id = layout.controlId;
    w.self.width = layout.width;
    w.self.height = layout.height;
    w.self.hwnd = createMainWindow(layout, w.self, instance);
    if (!w.self.hwnd) return false;
    RECT rc = liveRect(w.self.hwnd);
    w.self.left = rc.left;
    w.self.top = rc.top;

    for (size_t i = 0; i < w.count; ++i) {
        Control& c = w.controls[i];
        const ControlLayout& l = layout.controls[i];
        c.windowId = layout.windowId;
        c.id = l.id;
        c.kind = l.kind;
        c.layout = &l;
        c.left = l.x, c.top = l.y, c.width = l.width, c.height = l.height;
        c.visible = l.visible;
        Control* parent = l.parentId ? findControl(&w, l.parentId) : &w.self;
        if (!parent || !parent->hwnd || !createNativeControl(c, parent->hwnd, instance))
            return false;
    }
    // Stack each parent's children in listed order, topmost first.
    for (size_t i = 0; i < w.count; ++i) {
        HWND after = HWND_TOP;
        for (size_t j = i; j-- > 0;) {
            if (layout.controls[j].parentId == layout.controls[i].parentId) {
                after = w.controls[j].hwnd;
                break;
            }
        }
        SetWindowPos(w.controls[i].hwnd, after, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    for (size_t i = 0; i < w.count; ++i)
        if (w.controls[i].visible && w.controls[i].kind != ControlKind::ZipControl)
            ShowWindow(w.controls[i].hwnd, SW_SHOWNA);
    return true;
}

}  // namespace

bool loadWindow(const WindowLayout& layout) {
    LoadedWindow** slot = nullptr;
    for (LoadedWindow*& s : loadedWindows)
        if (!s) slot = &s;
    if (!slot) return false;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);

    auto* w = new LoadedWindow;
    w->layout = &layout;
    w->count = layout.controlCount;
    w->controls = new Control[layout.controlCount ? layout.controlCount : 1];
    *slot = w;

    suppressEvents();  // events raised while the controls are built are lost
    bool built = buildWindow(*w);
    resumeEvents();
    if (!built) {
        if (w->self.hwnd) DestroyWindow(w->self.hwnd);  // unloads the records
        if (findWindow(layout.windowId) == w) unloadWindow(w);
        return false;
    }
    setMessagePreCheck(preCheckMessage);
    EventRecord created = {layout.windowId, layout.controlId, 0, 0, {}, 0, 0};
    fireEvent(&created);
    ShowWindow(w->self.hwnd, SW_SHOW);
    UpdateWindow(w->self.hwnd);
    SetForegroundWindow(w->self.hwnd);
    return true;
}

void writeProperty(uint32_t windowId, uint32_t controlId, int32_t property, int32_t,
                   PropertyValue value) {
    auto write = [&] {
        Control& c = controlForProperty(windowId, controlId);
        if (property < 8) {
            writeCommon(c, property, value);
            return;
        }
        if (!c.hwnd) raiseRuntimeError(0, "指定窗口尚未载入");
        setOwnProperty(c, property - 8, value);
    };
    runOnMainThread(write);
}

PropertyValue readProperty(uint32_t windowId, uint32_t controlId, int32_t property, int32_t) {
    PropertyValue answer;
    auto read = [&] {
        Control& c = controlForProperty(windowId, controlId);
        if (property < 8) {
            answer = readCommon(c, property);
            return;
        }
        if (!c.hwnd) raiseRuntimeError(0, "指定窗口尚未载入");
        answer = getOwnProperty(c, property - 8);
    };
    runOnMainThread(read);
    return answer;
}

void writeInt(uint32_t windowId, uint32_t controlId, int32_t property, int32_t v) {
    writeProperty(windowId, controlId, property, kWholeValue, intValue(v));
}

void writeText(uint32_t windowId, uint32_t controlId, int32_t property, const char* t) {
    writeProperty(windowId, controlId, property, kWholeValue, textValue(t));
}

void writeBytes(uint32_t windowId, uint32_t controlId, int32_t property, const ByteSetRecord* b) {
    writeProperty(windowId, controlId, property, kWholeValue, bytesValue(b));
}

int32_t readInt(uint32_t windowId, uint32_t controlId, int32_t property) {
    return static_cast<int32_t>(readProperty(windowId, controlId, property, kWholeValue).low);
}

Text readText(uint32_t windowId, uint32_t controlId, int32_t property) {
    return Text::adopt(
        reinterpret_cast<char*>(readProperty(windowId, controlId, property, kWholeValue).low));
}

ByteSet readBytes(uint32_t windowId, uint32_t controlId, int32_t property) {
    return ByteSet::adopt(reinterpret_cast<ByteSetRecord*>(
        readProperty(windowId, controlId, property, kWholeValue).low));
}

HWND getWindowHandle(uint32_t windowId, uint32_t controlId) {
    HWND hwnd = nullptr;
    auto find = [&] { hwnd = liveControl(windowId, controlId).hwnd; };
    runOnMainThread(find);
    return hwnd;
}

void* resolveControl(uint32_t windowId, uint32_t controlId) {
    void* object = nullptr;
    auto find = [&] {
        Control& c = liveControl(windowId, controlId);
        object = c.kind == ControlKind::ZipControl ? static_cast<void*>(c.zip) : &c;
    };
    runOnMainThread(find);
    return object;
}

void controlDestroyed(uint32_t windowId, uint32_t controlId) {
    LoadedWindow* w = findWindow(windowId);
    Control* c = w ? findControl(w, controlId) : nullptr;
    if (!c) return;
    if (c == &w->self) {
        unloadWindow(w);
        return;
    }
    releaseNativeResources(*c);
    c->zip = nullptr;
}

int32_t fireEvent(EventRecord* record) {
    if (eventsSuppressed()) return 0;
    LoadedWindow* w = findWindow(record->windowId);
    if (!w) raiseRuntimeError(0, "未找到引发事件的窗口");
    uint32_t controlId = record->controlId ? record->controlId : w->layout->controlId;
    if (!findControl(w, controlId)) raiseRuntimeError(0, "未找到引发事件的窗口组件");
    const WindowLayout& layout = *w->layout;
    for (size_t i = 0; i < layout.bindingCount; ++i) {
        const EventBinding& b = layout.bindings[i];
        if (b.controlId != controlId || b.event != record->event) continue;
        HandlerAnswer answer = b.handler(record->args);
        if (answer.hasValue) {
            record->hasResult = 1;
            record->result = answer.value;
        }
        return 1;
    }
    return 0;
}
