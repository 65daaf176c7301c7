#pragma once
// Loading a window from its layout, and the records the runtime keeps for it.
#include <cstddef>
#include <cstdint>

#include "runtime/text.h"
#include "ui/control_services.h"

enum class ControlKind : uint8_t {
    Window, PictureBox, Label, TransparentLabel, PictureButton, ProgressBar, ZipControl
};

struct Rgb {
    uint8_t r, g, b;
};

struct FontSpec {
    bool defaultGuiFont;  // the platform's dialog font; the rest is then unused
    int16_t height;       // character height in pixels
    int16_t weight;
    bool underline;
};

// One control of a layout. Places are relative to the parent's client area.
struct ControlLayout {
    uint32_t id;
    ControlKind kind;
    uint32_t parentId;  // 0: a child of the window itself
    int16_t x, y, width, height;
    const char* text;
    bool visible;
    bool border;        // picture box: one-pixel single line; progress bar: thin sunken edge
    bool handCursor;
    Rgb foreground;
    Rgb background;
    bool faceBackground;  // the system face colour instead of `background`
    FontSpec font;
    const ByteSetRecord* picture;     // picture box, picture button (normal)
    const ByteSetRecord* hotPicture;  // picture button
    bool stretch;                     // picture box: stretch the picture to the client area
    int16_t rangeMax;                 // progress bar
};

// A window layout: the window's own settings and its controls, listed in
// stacking order within each parent (topmost first).
struct WindowLayout {
    uint32_t windowId;
    uint32_t controlId;   // the window's own control identifier
    const char* title;
    int16_t width, height;
    Rgb background;
    const ControlLayout* controls;
    size_t controlCount;
    const EventBinding* bindings;  // event 0 of the window itself is "created"
    size_t bindingCount;
};

// Builds the window hidden, its controls, raises "created", then shows it.
// Answers false when the window cannot be built.
bool loadWindow(const WindowLayout& layout);

