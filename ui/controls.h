#pragma once
// The runtime's record of one control of a loaded window, and the native
// controls behind the visible kinds. Used only on the main thread.
#include <windows.h>

#include "runtime/text.h"
#include "ui/window.h"

class ZipControl;

struct Picture {
    ByteSet bytes;             // as written; kept even when it does not decode
    HBITMAP bitmap = nullptr;  // null when the bytes do not decode
    int width = 0, height = 0;

    void assign(const ByteSetRecord* data);
    void clear();
};

struct Control {
    uint32_t windowId = 0;
    uint32_t id = 0;
    ControlKind kind = ControlKind::Window;
    const ControlLayout* layout = nullptr;  // null for the window itself
    HWND hwnd = nullptr;                    // null once destroyed

    // Stored common properties (reads prefer the live native window).
    int32_t left = 0, top = 0, width = 0, height = 0;
    bool visible = false, disabled = false;
    Text tag;
    ByteSet pointerData;
    HCURSOR pointer = nullptr;  // from pointerData, or the layout's hand cursor
    bool ownsPointer = false;

    Text caption;
    HFONT font = nullptr;
    bool ownsFont = false;

    Picture picture, hotPicture;         // picture box uses `picture` only
    bool hot = false, pressed = false;   // picture button state
    bool trackingLeave = false;

    int32_t rangeMin = 0, rangeMax = 100, position = 0;  // progress bar

    ZipControl* zip = nullptr;
};

// Creates the native window of a control (hidden). False on failure.
bool createNativeControl(Control& c, HWND parent, HINSTANCE instance);
HWND createMainWindow(const WindowLayout& layout, Control& self, HINSTANCE instance);

// The kinds' own properties (number - 8), on the main thread.
void setOwnProperty(Control& c, int32_t index, PropertyValue value);
PropertyValue getOwnProperty(const Control& c, int32_t index);

// Common property 7: cursor file bytes (.cur); null restores the default.
void setPointer(Control& c, const ByteSetRecord* data);
void releaseNativeResources(Control& c);
