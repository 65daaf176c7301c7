// Native windows of the visible control kinds: painting, the picture
// button's states, and the kinds' own properties.
#include "ui/controls.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "runtime/fatal.h"
#include "runtime/wide.h"
#include "ui/jpeg_decode.h"
#include "unzip/zip_control.h"

namespace {

constexpr wchar_t kControlClass[] = L"ZvControl";
constexpr wchar_t kWindowClass[] = L"ZvWindow";
constexpr int32_t kRangeLimit = 32767;

COLORREF toColorRef(Rgb c) { return RGB(c.r, c.g, c.b); }

int32_t clampInt(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

Control* controlOf(HWND hwnd) {
    return reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void fillRect(HDC dc, const RECT& rc, COLORREF color) {
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
}

void drawBitmap(HDC dc, const Picture& p, const RECT* stretchTo) {
    if (!p.bitmap) return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, p.bitmap);
    if (stretchTo) {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, 0, 0, stretchTo->right, stretchTo->bottom, mem, 0, 0, p.width, p.height,
                   SRCCOPY);
    } else {
        BitBlt(dc, 0, 0, p.width, p.height, mem, 0, 0, SRCCOPY);
    }
    SelectObject(mem, old);
    DeleteDC(mem);
}

void drawCaption(HDC dc, const Control& c, const RECT& rc) {
    if (c.caption.empty()) return;
    HGDIOBJ oldFont = SelectObject(dc, c.font);
    SetTextColor(dc, toColorRef(c.layout->foreground));
    SetBkMode(dc, TRANSPARENT);
    RECT r = rc;
    DrawTextW(dc, WideText(c.caption.get()), -1, &r,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
}

// A transparent label shows its parent through: let the parent paint its
// client area into our DC, shifted so that our corner lines up.
void paintParentBackground(HWND hwnd, HDC dc) {
    HWND parent = GetParent(hwnd);
    POINT origin = {0, 0};
    MapWindowPoints(hwnd, parent, &origin, 1);
    POINT old;
    OffsetViewportOrgEx(dc, -origin.x, -origin.y, &old);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void paint(const Control& c, HWND hwnd, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    switch (c.kind) {
    case ControlKind::PictureBox:
        fillRect(dc, rc, c.layout->faceBackground ? GetSysColor(COLOR_BTNFACE)
                                                  : toColorRef(c.layout->background));
        drawBitmap(dc, c.picture, c.layout->stretch ? &rc : nullptr);
        break;
    case ControlKind::Label:
        fillRect(dc, rc, toColorRef(c.layout->background));
        drawCaption(dc, c, rc);
        break;
    case ControlKind::TransparentLabel:
        paintParentBackground(hwnd, dc);
        drawCaption(dc, c, rc);
        break;
    case ControlKind::PictureButton: {
        // A state without its own picture shows the normal one; pressed has none.
        fillRect(dc, rc, RGB(0, 0, 0));
        bool showHot = c.hot && !c.pressed && c.hotPicture.bitmap;
        drawBitmap(dc, showHot ? c.hotPicture : c.picture, nullptr);
        break;
    }
    default:
        break;
    }
}

void repaintNow(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
}

bool pointerInside(HWND hwnd, LPARAM lParam) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return PtInRect(&rc, pt) != FALSE;
}

// Picture button: normal, hot while the pointer is over it, pressed while
// the left button is held over it (pressed draws the normal picture).
bool handleButtonMouse(Control& c, HWND hwnd, UINT msg, LPARAM lParam) {
    switch (msg) {
    case WM_MOUSEMOVE: {
        if (!c.trackingLeave) {
            TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, hwnd, 0};
            c.trackingLeave = TrackMouseEvent(&tme) != FALSE;
        }
        bool inside = pointerInside(hwnd, lParam);
        bool held = GetCapture() == hwnd;
        bool hot = inside && !held;
        bool pressed = inside && held;
        if (hot != c.hot || pressed != c.pressed) {
            c.hot = hot;
            c.pressed = pressed;
            repaintNow(hwnd);
        }
        return true;
    }
    case WM_MOUSELEAVE:
        c.trackingLeave = false;
        if (GetCapture() != hwnd && c.hot) {
            c.hot = false;
            repaintNow(hwnd);
        }
        return true;
    case WM_LBUTTONDOWN:
        SetCapture(hwnd);
        c.pressed = true;
        c.hot = false;
        repaintNow(hwnd);
        return true;
    case WM_LBUTTONUP: {
        if (GetCapture() != hwnd) return true;
        bool inside = pointerInside(hwnd, lParam);
        ReleaseCapture();  // sends WM_CAPTURECHANGED, which clears `pressed`
        c.hot = false;     // just clicked: normal until the pointer moves again
        repaintNow(hwnd);
        if (inside && IsWindowEnabled(hwnd)) {
            EventRecord clicked = {c.windowId, c.id, 0, 0, {}, 0, 0};
            fireEvent(&clicked);
        }
        return true;
    }
    case WM_CAPTURECHANGED:
        if (c.pressed) {
            c.pressed = false;
            repaintNow(hwnd);
        }
        return true;
    }
    return false;
}

LRESULT CALLBACK controlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    Control* c = controlOf(hwnd);
    if (!c) return DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        paint(*c, hwnd, dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        paint(*c, hwnd, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETCURSOR:
        if (c->pointer && LOWORD(lParam) == HTCLIENT) {
            SetCursor(c->pointer);
            return TRUE;
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        controlDestroyed(c->windowId, c->id);
        break;
    default:
        if (c->kind == ControlKind::PictureButton && handleButtonMouse(*c, hwnd, msg, lParam))
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK mainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    if (msg == WM_NCDESTROY) {
        if (Control* c = controlOf(hwnd)) controlDestroyed(c->windowId, c->id);
        PostQuitMessage(0);
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The progress bar is the platform's control; a subclass tells the runtime
// when it goes away.
LRESULT CALLBACK progressSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR data) {
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, progressSubclassProc, 1);
        auto* c = reinterpret_cast<Control*>(data);
        controlDestroyed(c->windowId, c->id);
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void registerClasses(HINSTANCE instance) {
    static bool done;
    if (done) return;
    done = true;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpfnWndProc = controlProc;
    wc.lpszClassName = kControlClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = mainWindowProc;
    wc.lpszClassName = kWindowClass;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = wc.hIcon;
    RegisterClassExW(&wc);
}

HFONT makeFont(const FontSpec& f, bool* owned) {
    *owned = !f.defaultGuiFont;
    if (f.defaultGuiFont) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return CreateFontW(-f.height, 0, 0, 0, f.weight, FALSE, f.underline, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"");
}

// The layout's pointer: the program's own pointing hand, or null for the arrow.
HCURSOR layoutPointer(const Control& c) {
    if (!c.layout || !c.layout->handCursor) return nullptr;
    HCURSOR hand = LoadCursorW(GetModuleHandleW(nullptr), L"HAND");
    return hand ? hand : LoadCursorW(nullptr, IDC_HAND);
}

void applyProgressRange(Control& c) {
    int32_t lo = c.rangeMin < c.rangeMax ? c.rangeMin : c.rangeMax;
    int32_t hi = c.rangeMin < c.rangeMax ? c.rangeMax : c.rangeMin;
    SendMessageW(c.hwnd, PBM_SETRANGE32, lo, hi);
    SendMessageW(c.hwnd, PBM_SETPOS, clampInt(c.position, lo, hi), 0);
}

}  // namespace

void Picture::assign(const ByteSetRecord* data) {
    clear();
    bytes = ByteSet(data ? data->data : nullptr, byteSetLength(data));
    DecodedImage image;
    if (!decodeJpeg(bytes.data(), bytes.size(), &image)) return;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = image.width;
    bi.bmiHeader.biHeight = -image.height;  // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        std::memcpy(bits, image.pixels, static_cast<size_t>(image.width) * image.height * 4);
        width = image.width;
        height = image.height;
    }
    freeDecodedImage(&image);
}

void Picture::clear() {
    if (bitmap) DeleteObject(bitmap);
    bitmap = nullptr;
    width = height = 0;
    bytes = ByteSet();
}

HWND createMainWindow(const WindowLayout& layout, Control& self, HINSTANCE instance) {
    registerClasses(instance);
    int left = (GetSystemMetrics(SM_CXSCREEN) - layout.width) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - layout.height) / 2;
    HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, WideText(layout.title),
                                WS_POPUP | WS_CLIPCHILDREN, left, top, layout.width, layout.height,
                                nullptr, nullptr, instance, &self);
    if (!hwnd) return nullptr;
    HBRUSH brush = CreateSolidBrush(toColorRef(layout.background));
    SetClassLongPtrW(hwnd, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush));
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    return hwnd;
}

bool createNativeControl(Control& c, HWND parent, HINSTANCE instance) {
    const ControlLayout& l = *c.layout;
    const DWORD childStyle = WS_CHILD | WS_CLIPSIBLINGS;
    switch (c.kind) {
    case ControlKind::ZipControl:
        c.zip = ZipControl::create(parent, c.windowId, c.id, l.x, l.y, l.width, l.height);
        c.hwnd = c.zip ? c.zip->window() : nullptr;
        return c.hwnd != nullptr;
    case ControlKind::ProgressBar:
        c.hwnd = CreateWindowExW(l.border ? WS_EX_STATICEDGE : 0, PROGRESS_CLASSW, L"",
                                 childStyle | PBS_SMOOTH, l.x, l.y, l.width, l.height, parent,
                                 nullptr, instance, nullptr);
        if (!c.hwnd) return false;
        SetWindowSubclass(c.hwnd, progressSubclassProc, 1, reinterpret_cast<DWORD_PTR>(&c));
        c.rangeMax = l.rangeMax;
        applyProgressRange(c);
        return true;
    default:
        break;
    }
    DWORD style = childStyle | WS_CLIPCHILDREN | (l.border ? WS_BORDER : 0);
    c.hwnd = CreateWindowExW(0, kControlClass, WideText(l.text), style, l.x, l.y, l.width,
                             l.height, parent, nullptr, instance, &c);
    if (!c.hwnd) return false;
    c.caption = Text(l.text);
    c.font = makeFont(l.font, &c.ownsFont);
    c.picture.assign(l.picture);
    c.hotPicture.assign(l.hotPicture);
    c.pointer = layoutPointer(c);
    return true;
}

void setOwnProperty(Control& c, int32_t index, PropertyValue value) {
    const int32_t n = static_cast<int32_t>(value.low);
    switch (c.kind) {
    case ControlKind::Label:
    case ControlKind::TransparentLabel:
        if (index == PropCaption - 8) {
            c.caption = Text(reinterpret_cast<const char*>(value.low));
            SetWindowTextW(c.hwnd, WideText(c.caption.get()));
            InvalidateRect(c.hwnd, nullptr, FALSE);
        }
        break;
    case ControlKind::PictureButton: {
        auto* bytes = reinterpret_cast<const ByteSetRecord*>(value.low);
        if (index == PropPictureNormal - 8) {
            c.picture.assign(bytes);
            repaintNow(c.hwnd);
        } else if (index == PropPictureHot - 8) {
            c.hotPicture.assign(bytes);
            if (c.hot) repaintNow(c.hwnd);
        }
        break;
    }
    case ControlKind::ProgressBar:
        if (index == PropProgressMinimum - 8) {
            c.rangeMin = clampInt(n, 0, kRangeLimit);
        } else if (index == PropProgressMaximum - 8) {
            c.rangeMax = clampInt(n, 0, kRangeLimit);
        } else if (index == PropProgressPosition - 8) {
            c.position = clampInt(n, 0, kRangeLimit);
        } else {
            break;
        }
        applyProgressRange(c);
        break;
    default:
        break;
    }
}

PropertyValue getOwnProperty(const Control& c, int32_t index) {
    switch (c.kind) {
    case ControlKind::Label:
    case ControlKind::TransparentLabel:
        if (index == PropCaption - 8) return textValue(Text(c.caption).release());
        break;
    case ControlKind::PictureButton:
        if (index == PropPictureNormal - 8 || index == PropPictureHot - 8) {
            const Picture& p = index == PropPictureNormal - 8 ? c.picture : c.hotPicture;
            return bytesValue(ByteSet(p.bytes.data(), p.bytes.size()).release());
        }
        break;
    case ControlKind::ProgressBar:
        if (index == PropProgressMinimum - 8) return intValue(c.rangeMin);
        if (index == PropProgressMaximum - 8) return intValue(c.rangeMax);
        if (index == PropProgressPosition - 8) return intValue(c.position);
        break;
    default:
        break;
    }
    return PropertyValue();
}

void setPointer(Control& c, const ByteSetRecord* data) {
    c.pointerData = ByteSet(data ? data->data : nullptr, byteSetLength(data));
    if (c.ownsPointer) DestroyCursor(c.pointer);
    c.ownsPointer = false;
    c.pointer = layoutPointer(c);
    // A .cur file: a 6-byte header, then 16-byte entries; the first entry
    // gives the hot spot and where its image lies. A cursor resource is the
    // hot spot followed by that image.
    const uint8_t* d = c.pointerData.data();
    size_t n = c.pointerData.size();
    auto u16 = [d](size_t at) { return static_cast<uint16_t>(d[at] | d[at + 1] << 8); };
    auto u32 = [d](size_t at) {
        return static_cast<uint32_t>(d[at] | d[at + 1] << 8 | d[at + 2] << 16 |
                                     static_cast<uint32_t>(d[at + 3]) << 24);
    };
    if (n < 22 || u16(0) != 0 || u16(2) != 2 || u16(4) == 0) return;
    uint32_t size = u32(14), offset = u32(18);
    if (offset > n || size > n - offset) return;
    uint8_t* buffer = static_cast<uint8_t*>(allocateOrDie(size + 4));
    std::memcpy(buffer, d + 10, 4);  // hot spot x, y
    std::memcpy(buffer + 4, d + offset, size);
    if (HCURSOR made = CreateIconFromResourceEx(buffer, size + 4, FALSE, 0x00030000, 0, 0, 0)) {
        c.pointer = made;
        c.ownsPointer = true;
    }
    std::free(buffer);
    if (c.hwnd) {
        POINT pt;
        GetCursorPos(&pt);
        if (WindowFromPoint(pt) == c.hwnd) SetCursor(c.pointer ? c.pointer : LoadCursorW(nullptr, IDC_ARROW));
    }
}

void releaseNativeResources(Control& c) {
    if (c.ownsFont && c.font) DeleteObject(c.font);
    c.font = nullptr;
    setPointer(c, nullptr);
    c.picture.clear();
    c.hotPicture.clear();
    c.hwnd = nullptr;
}
